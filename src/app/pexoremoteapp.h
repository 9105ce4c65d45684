#pragma once

#include "app/launchoptions.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class DeviceStore;
class FollowComputer;
class MCPServer;
class MCPTools;
class MCPToolHost;
class SelfTest;
class SimulatedTV;
class SleepMonitor;
class TVSession;

// The application object: creates the store, the session and the MCP server once, in that
// order, and runs the start-up sequence. They live until the process ends.
class PexoRemoteApp : public QObject {
    Q_OBJECT

public:
    explicit PexoRemoteApp(const LaunchOptions &options, QObject *parent = nullptr);
    ~PexoRemoteApp() override;

    // Brings up the demo TV when asked for; false (with errorString) when it cannot listen.
    bool prepare();
    // Logs "启动 Veltrix", starts MCP unless switched off, connects, and starts one scan.
    // The windows pass how to apply the stored appearance, which runs right after the log line.
    void startUp(const std::function<void()> &applyAppearance = {});

    QString errorString() const { return m_error; }
    QString settingsFile() const { return m_settingsFile; }
    DeviceStore *store() const { return m_store.get(); }
    TVSession *session() const { return m_session.get(); }
    MCPServer *mcp() const { return m_mcp.get(); }
    FollowComputer *followComputer() const { return m_followComputer.get(); }
    SimulatedTV *demoTV() const { return m_demoTV.get(); }

private:
    void reportProgress();

    LaunchOptions m_options;
    QString m_settingsFile;  // every settings key
    QString m_devicesFile;   // the saved TVs: the same file, or the demo's own
    QString m_error;
    std::unique_ptr<SimulatedTV> m_demoTV;
    std::unique_ptr<SelfTest> m_selfTest;  // outlives the session, which awaits it
    std::unique_ptr<DeviceStore> m_store;
    std::unique_ptr<TVSession> m_session;
    std::unique_ptr<MCPTools> m_tools;
    std::unique_ptr<MCPToolHost> m_toolHost;
    std::unique_ptr<MCPServer> m_mcp;
    std::unique_ptr<SleepMonitor> m_sleepMonitor;
    std::unique_ptr<FollowComputer> m_followComputer;  // uses the session and the monitor
};
