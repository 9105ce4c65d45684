#pragma once

#include "ui/uicontext.h"

#include <QObject>

#include <memory>

class LoginItem;
class MainWindow;
class SnapshotRun;
class TrayController;
class UiKit;

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
    // Started at login: the start-up sequence runs at once and the window stays closed, or,
    // where there is no tray to reach the program from, opens minimised.
    void startInBackground();
    // Reads "appearance" and applies it.
    void applyStoredAppearance();

Q_SIGNALS:
    // The first appearance of the main window: the moment for the start-up sequence.
    void startUpRequested();

private:
    void onAppeared();

    UiKit *m_kit;
    UiContext &m_ctx;
    std::unique_ptr<LoginItem> m_loginItem;
    std::unique_ptr<MainWindow> m_window;
    SnapshotRun *m_snapshots = nullptr;
    TrayController *m_tray = nullptr;
    bool m_started = false;
    bool m_shownOnce = false;
};
