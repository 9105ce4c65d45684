#include "app/appservices.h"

#include "core/devicestore.h"
#include "core/settings.h"
#include "core/tvsession.h"
#include "mcp/mcpserver.h"
#include "mcp/mcptools.h"
#include "mcp/mcptoolsadapter.h"
#include "platform/followcomputer.h"
#include "platform/logindsleepmonitor.h"
#include "selftest/selftest.h"

AppServices::AppServices(Options options)
    : m_settingsFile(options.settingsFile)
{
    m_store = std::make_unique<DeviceStore>(options.devicesFile.isEmpty() ? m_settingsFile : options.devicesFile);
    m_selfTest = std::make_unique<SelfTest>(Settings(m_settingsFile));
    m_session = options.network ? std::make_unique<TVSession>(m_store.get(), std::move(options.network))
                                : std::make_unique<TVSession>(m_store.get());
    m_session->setPostRegistrationHook(m_selfTest.get());
    m_tools = std::make_unique<MCPTools>(m_session.get());
    m_toolHost = std::make_unique<MCPToolsAdapter>(m_tools.get());
    m_mcp = std::make_unique<MCPServer>(m_toolHost.get());
    m_mcp->setSettingsFile(m_settingsFile);
    m_sleep = options.sleep ? std::move(options.sleep) : std::make_unique<LogindSleepMonitor>();
    m_followComputer = std::make_unique<FollowComputer>(m_session.get(), m_sleep.get(), Settings(m_settingsFile));
}

AppServices::~AppServices()
{
    // The follower, the server and the tools use the session, the session the store and the
    // self-test.
    m_followComputer.reset();
    m_sleep.reset();
    m_mcp.reset();
    m_toolHost.reset();
    m_tools.reset();
    m_session.reset();
    m_selfTest.reset();
    m_store.reset();
}
