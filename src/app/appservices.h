#pragma once

#include "platform/sleepmonitor.h"

#include <QString>

#include <memory>

class DeviceStore;
class FollowComputer;
class MCPServer;
class MCPToolHost;
class MCPTools;
class SelfTest;
class TVNetwork;
class TVSession;

// The long-lived objects behind every front end, built once in dependency order (store,
// self-test, session, tools, MCP server, the TV following the computer's sleep) and torn down
// in reverse. The application, the
// window tests and the benchmarks all build them here, so none of them wires its own copy.
class AppServices {
public:
    struct Options {
        QString settingsFile;                 // every settings key, the MCP port among them
        QString devicesFile;                  // the saved TVs; empty: the settings file
        std::unique_ptr<TVNetwork> network;   // null: the real network
        std::unique_ptr<SleepMonitor> sleep;  // null: logind on the system bus
    };

    explicit AppServices(Options options);
    ~AppServices();
    AppServices(const AppServices &) = delete;
    AppServices &operator=(const AppServices &) = delete;

    QString settingsFile() const { return m_settingsFile; }
    DeviceStore *store() const { return m_store.get(); }
    TVSession *session() const { return m_session.get(); }
    MCPTools *tools() const { return m_tools.get(); }
    MCPServer *mcp() const { return m_mcp.get(); }
    FollowComputer *followComputer() const { return m_followComputer.get(); }

private:
    QString m_settingsFile;
    std::unique_ptr<DeviceStore> m_store;
    std::unique_ptr<SelfTest> m_selfTest;  // outlives the session, which awaits it
    std::unique_ptr<TVSession> m_session;
    std::unique_ptr<MCPTools> m_tools;
    std::unique_ptr<MCPToolHost> m_toolHost;
    std::unique_ptr<MCPServer> m_mcp;
    std::unique_ptr<SleepMonitor> m_sleep;
    std::unique_ptr<FollowComputer> m_followComputer;
};
