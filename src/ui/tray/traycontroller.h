#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>

#include <chrono>
#include <functional>

struct UiContext;
class MainWindow;
class MenuBarPanel;
class QAction;
class QMenu;
class QSystemTrayIcon;

// Brings the one main window up: the first of `windows` that is shown or minimised is restored
// and raised and every other one closed; with none, `openNew` makes one. Returns the window
// raised, or null when a new one was asked for.
MainWindow *openMainWindow(const QList<MainWindow *> &windows, const std::function<void()> &openNew);

// The main windows that exist now, in no particular order.
QList<MainWindow *> mainWindows();

// Where a panel that would like `size` goes next to a tray icon at `anchor`, kept inside
// `screen`: below the icon when the icon is in the upper half of the screen, above it
// otherwise, and no taller than the room on that side, so it never covers the icon.
QRect panelGeometry(const QRect &anchor, const QSize &size, const QRect &screen);

// The tray icon with its menu and the compact remote it opens. Where the desktop has no tray,
// the same panel opens as a small tool window from the "迷你遥控器" command instead.
class TrayController : public QObject {
    Q_OBJECT

public:
    // `trayAvailable` is what the desktop says (QSystemTrayIcon::isSystemTrayAvailable());
    // `openNew` shows a main window when none is up.
    TrayController(UiContext &ctx, bool trayAvailable, std::function<void()> openNew, QObject *parent = nullptr);
    ~TrayController() override;

    bool hasTray() const { return m_tray != nullptr; }
    QSystemTrayIcon *trayIcon() const { return m_tray; }
    QMenu *trayMenu() const { return m_menu; }
    MenuBarPanel *panel() const { return m_panel; }
    // The window menu's "迷你遥控器" (from the commands), which opens the panel as a tool
    // window; hidden while a tray exists.
    QAction *miniRemoteAction() const { return m_miniRemote; }

    // Opens the panel as a popup next to `anchor`, or closes it when it is open.
    void togglePanel(const QRect &anchor);
    // Opens the panel as a small window of its own.
    void showPanelWindow();
    // "打开主窗口" from the panel or the tray menu.
    void openMainWindow();
    // Shows the panel as a window, waits for its picture and writes "trayPanel.png" into
    // `folder`, then closes it again; panelCaptured() tells the file written (empty on failure).
    void capturePanel(const QString &folder, std::chrono::milliseconds settle = std::chrono::milliseconds(2500));

Q_SIGNALS:
    void panelCaptured(const QString &file);

private:
    void makeTray();

    UiContext &m_ctx;
    std::function<void()> m_openNew;
    MenuBarPanel *m_panel;  // a window of its own; deleted with the controller
    QSystemTrayIcon *m_tray = nullptr;
    QMenu *m_menu = nullptr;
    QAction *m_miniRemote = nullptr;
    QElapsedTimer m_sinceHidden;
    QPointer<MainWindow> m_lastActive;
};
