#include "ui/shell/windowedapp.h"

#include "platform/desktopappearance.h"
#include "platform/filerevealer.h"
#include "platform/loginitem.h"
#include "ui/shell/actions.h"
#include "ui/shell/mainwindow.h"
#include "ui/shell/snapshotrun.h"
#include "ui/shell/uikit.h"
#include "ui/theme/icons.h"
#include "ui/theme/theme.h"
#include "ui/tray/traycontroller.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QTimer>

WindowedApp::WindowedApp(TVSession *session, DeviceStore *store, MCPServer *mcp, const Settings &settings,
                         FollowComputer *followComputer, QObject *parent)
    : QObject(parent)
    , m_kit(new UiKit(session, store, mcp, settings, this))
    , m_ctx(m_kit->context())
{
    m_ctx.followComputer = followComputer;
    m_ctx.revealer = new DesktopFileRevealer(this);
    m_ctx.theme->followDesktop(new PortalAppearance(this));
    m_loginItem = std::make_unique<XdgAutostartEntry>(QCoreApplication::applicationFilePath());
    m_ctx.loginItem = m_loginItem.get();
    QApplication::setWindowIcon(Icons::applicationIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("veltrix"));
    // Closing the window leaves the session, MCP and the tray running.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(m_ctx.actions, &Actions::quitRequested, qApp, &QCoreApplication::quit, Qt::QueuedConnection);

    m_window = std::make_unique<MainWindow>(m_ctx);
    QObject::connect(m_window.get(), &MainWindow::appeared, this, &WindowedApp::onAppeared);
    m_tray = new TrayController(m_ctx, QSystemTrayIcon::isSystemTrayAvailable(), [this] { showWindow(); }, this);
}

WindowedApp::~WindowedApp() = default;

void WindowedApp::showWindow()
{
    if (!m_shownOnce) {
        m_shownOnce = true;
        m_window->centre();
    }
    m_window->bringToFront();
}

void WindowedApp::startInBackground()
{
    if (m_started)
        return;
    m_started = true;
    QTimer::singleShot(0, this, &WindowedApp::startUpRequested);
    if (m_tray->hasTray())
        return;
    m_shownOnce = true;
    m_window->centre();
    m_window->showMinimized();
}

void WindowedApp::applyStoredAppearance()
{
    m_ctx.theme->apply(m_ctx.settings.appearance());
}

void WindowedApp::onAppeared()
{
    // Once per process: reopening the window must not drop a working connection or restart
    // the MCP listener.
    if (m_started)
        return;
    m_started = true;
    // After the first frame: the window shows without waiting for the MCP listener, the
    // connection attempt and the scan to be set off.
    QTimer::singleShot(0, this, &WindowedApp::startUpRequested);
    if (const auto folder = m_ctx.settings.snapshotDir(); folder && !folder->isEmpty()) {
        m_snapshots = new SnapshotRun(m_window.get(), *folder, this);
        // The compact panel last, so its window does not pause the main window's pictures.
        QObject::connect(m_snapshots, &SnapshotRun::finished, m_tray,
                         [tray = m_tray, dir = *folder] { tray->capturePanel(dir); });
        m_snapshots->start();
    }
}
