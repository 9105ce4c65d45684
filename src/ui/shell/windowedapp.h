#pragma once

#include "ui/uicontext.h"

#include <QObject>

#include <memory>

class MainWindow;
class SnapshotRun;
class TrayController;

// The windows of the program over the long-lived session, store and MCP server: creates the
// theme, the icons, the commands and the main window once, and starts the snapshot run when
// "snapshotDir" is set.
class WindowedApp : public QObject {
    Q_OBJECT

public:
    WindowedApp(TVSession *session, DeviceStore *store, MCPServer *mcp, const Settings &settings,
                FollowComputer *followComputer = nullptr, QObject *parent = nullptr);
    ~WindowedApp() override;

    UiContext &context() { return m_ctx; }
    MainWindow *window() const { return m_window.get(); }
    TrayController *tray() const { return m_tray; }

    // Shows the main window centred, the first time; afterwards brings it to the front.
    void showWindow();
    // Reads "appearance" and applies it.
    void applyStoredAppearance();

Q_SIGNALS:
    // The first appearance of the main window: the moment for the start-up sequence.
    void startUpRequested();

private:
    void onAppeared();

    UiContext m_ctx;
    std::unique_ptr<MainWindow> m_window;
    SnapshotRun *m_snapshots = nullptr;
    TrayController *m_tray = nullptr;
    bool m_started = false;
    bool m_shownOnce = false;
};
