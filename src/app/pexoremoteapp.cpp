#include "app/pexoremoteapp.h"

#include "app/demonetwork.h"
#include "core/devicestore.h"
#include "log/log.h"
#include "mcp/mcpserver.h"
#include "mcp/mcptools.h"
#include "mcp/mcptoolsadapter.h"
#include "platform/followcomputer.h"
#include "platform/logindsleepmonitor.h"
#include "selftest/selftest.h"
#include "core/settings.h"
#include "tvsim/lib/simulatedtv.h"
#include "core/tvsession.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace {

// The demo keeps its TV apart from the user's saved TVs unless a settings file is given. The
// other keys (MCP port and switch) stay in the one settings file, which the stdio bridge reads.
QString demoDevicesFile()
{
    if (!qEnvironmentVariableIsEmpty("VELTRIX_SETTINGS_FILE"))
        return Settings::defaultFileName();
    return QFileInfo(Settings::defaultFileName()).absolutePath() + QStringLiteral("/Demo.conf");
}

void say(const QString &text)
{
    QTextStream(stderr) << "veltrix: " << text << Qt::endl;
}

} // namespace

PexoRemoteApp::PexoRemoteApp(const LaunchOptions &options, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_settingsFile(Settings::defaultFileName())
    , m_devicesFile(options.demo ? demoDevicesFile() : m_settingsFile)
{
}

PexoRemoteApp::~PexoRemoteApp()
{
    // The server, the tools and the sleep follower use the session, the session uses the store.
    m_followComputer.reset();
    m_sleepMonitor.reset();
    m_mcp.reset();
    m_toolHost.reset();
    m_tools.reset();
    m_session.reset();
    m_selfTest.reset();
    m_store.reset();
    m_demoTV.reset();
}

bool PexoRemoteApp::prepare()
{
    std::unique_ptr<TVNetwork> network;
    if (m_options.demo) {
        SimulatedTV::Options tvOptions;
        tvOptions.address = QHostAddress(QStringLiteral("127.0.0.2"));
        tvOptions.uuid = QStringLiteral("0b6f3d1e-veltrix-demo-tv");
        tvOptions.friendlyName = QStringLiteral("Demo TV");
        tvOptions.approveDelayMs = 1500;  // long enough to see the pairing prompt state
        m_demoTV = std::make_unique<SimulatedTV>(tvOptions);
        if (!m_demoTV->start()) {
            m_error = QStringLiteral("the simulated TV cannot listen on 127.0.0.2:3001 (")
                + m_demoTV->errorString() + QStringLiteral("); is another demo running?");
            return false;
        }
        network = std::make_unique<DemoTVNetwork>(m_demoTV.get());
    }
    m_store = std::make_unique<DeviceStore>(m_devicesFile);
    m_session = network ? std::make_unique<TVSession>(m_store.get(), std::move(network))
                        : std::make_unique<TVSession>(m_store.get());
    m_selfTest = std::make_unique<SelfTest>(Settings(m_settingsFile));
    m_session->setPostRegistrationHook(m_selfTest.get());
    m_tools = std::make_unique<MCPTools>(m_session.get());
    m_toolHost = std::make_unique<MCPToolsAdapter>(m_tools.get());
    m_mcp = std::make_unique<MCPServer>(m_toolHost.get());
    m_mcp->setSettingsFile(m_settingsFile);
    m_sleepMonitor = std::make_unique<LogindSleepMonitor>();
    m_followComputer = std::make_unique<FollowComputer>(m_session.get(), m_sleepMonitor.get(), Settings(m_settingsFile));
    reportProgress();
    return true;
}

void PexoRemoteApp::reportProgress()
{
    QObject::connect(m_session.get(), &TVSession::stateChanged, this, [](const ConnectionState &state) {
        say(QStringLiteral("TV ") + state.debugName());
    });
    QObject::connect(m_mcp.get(), &MCPServer::isRunningChanged, this, [this](bool running) {
        say(running ? QStringLiteral("MCP listening on ") + m_mcp->endpointURL() : QStringLiteral("MCP stopped"));
    });
    QObject::connect(m_mcp.get(), &MCPServer::lastErrorChanged, this, [](const QString &error) {
        if (!error.isEmpty())
            say(QStringLiteral("MCP not started: ") + error);
    });
}

void PexoRemoteApp::startUp(const std::function<void()> &applyAppearance)
{
    veltrix::log(QStringLiteral("启动 Veltrix"));
    if (applyAppearance)
        applyAppearance();
    const Settings settings(m_settingsFile);
    if (settings.mcpEnabled())
        m_mcp->start();

    // The command line's host (or the demo TV) counts as "autoHost" for this run only.
    std::optional<QString> host = settings.autoHost();
    if (m_options.host)
        host = m_options.host;
    if (m_demoTV)
        host = m_demoTV->host();

    if (host) {
        const TVDevice device = m_store->upsert(*host);
        m_session->connect(device.id, false);
    } else if (const auto selected = m_store->selectedDevice(); selected && selected->clientKey) {
        m_session->connect(selected->id, false);
    }
    m_session->scan();
    if (m_demoTV) {
        say(QStringLiteral("demo: simulated TV at ") + m_demoTV->host()
            + QStringLiteral(" (pairing is approved on its own after 1.5 s); its saved record is in ") + m_devicesFile);
    }
    say(QStringLiteral("log: ") + veltrix::logFilePath());
}
