#pragma once

#include "app/launchoptions.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class AppServices;
class DeviceStore;
class FollowComputer;
class MCPServer;
class SimulatedTV;
class TVSession;

// The application object: brings up the demo TV when asked for, builds the services once and
// runs the start-up sequence. They live until the process ends.
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
    AppServices *services() const { return m_services.get(); }
    DeviceStore *store() const;
    TVSession *session() const;
    MCPServer *mcp() const;
    FollowComputer *followComputer() const;
    SimulatedTV *demoTV() const { return m_demoTV.get(); }

private:
    void reportProgress();

    LaunchOptions m_options;
    QString m_settingsFile;  // every settings key
    QString m_devicesFile;   // the saved TVs: the same file, or the demo's own
    QString m_error;
    std::unique_ptr<SimulatedTV> m_demoTV;    // outlives the services, which dial it
    std::unique_ptr<AppServices> m_services;
};
