#include "ui/tray/traycontroller.h"

#include "ui/shell/actions.h"
#include "ui/theme/icons.h"
#include "log/log.h"
#include "ui/shell/mainwindow.h"
#include "ui/tray/menubarpanel.h"
#include "ui/uicontext.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>

#include <algorithm>

namespace {

// A click on the tray icon while the popup is open first closes the popup (a click outside
// it); the activation that follows must not open it again at once.
constexpr qint64 kReopenGuardMs = 250;

} // namespace

MainWindow *openMainWindow(const QList<MainWindow *> &windows, const std::function<void()> &openNew)
{
    MainWindow *kept = nullptr;
    for (MainWindow *window : windows) {
        // A minimised window still counts as shown; a closed one does not.
        if (!window->isVisible())
            continue;
        if (!kept)
            kept = window;
        else
            window->close();
    }
    if (!kept) {
        if (openNew)
            openNew();
        return nullptr;
    }
    kept->bringToFront();
    return kept;
}

QList<MainWindow *> mainWindows()
{
    QList<MainWindow *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<MainWindow *>(widget))
            windows.append(window);
    }
    return windows;
}

QRect panelGeometry(const QRect &anchor, const QSize &size, const QRect &screen)
{
    constexpr int gap = 6;
    const bool below = anchor.center().y() < screen.center().y();
    // The tray may lie outside the work area (a panel that reserves its strip of the screen).
    const int room = below ? screen.bottom() + 1 - std::max(anchor.bottom() + 1 + gap, screen.top())
                           : std::min(anchor.top() - gap, screen.bottom() + 1) - screen.top();
    const int height = std::clamp(room, 1, std::max(1, size.height()));
    QPoint at(anchor.center().x() - size.width() / 2, below ? anchor.bottom() + 1 + gap : anchor.top() - gap - height);
    at.setX(std::clamp(at.x(), screen.left(), std::max(screen.left(), screen.right() + 1 - size.width())));
    at.setY(std::clamp(at.y(), screen.top(), std::max(screen.top(), screen.bottom() + 1 - height)));
    return QRect(at, QSize(size.width(), height));
}

TrayController::TrayController(UiContext &ctx, bool trayAvailable, std::function<void()> openNew, QObject *parent)
    : QObject(parent)
    , m_ctx(ctx)
    , m_openNew(std::move(openNew))
    , m_panel(new MenuBarPanel(ctx, [this] { openMainWindow(); }))
{
    // The window's menu offers the panel only where there is no tray to open it from.
    m_miniRemote = ctx.actions ? ctx.actions->action(QStringLiteral("miniRemote")) : nullptr;
    if (m_miniRemote) {
        m_miniRemote->setVisible(!trayAvailable);
        QObject::connect(m_miniRemote, &QAction::triggered, this, &TrayController::showPanelWindow);
    }
    QObject::connect(m_panel, &MenuBarPanel::hidden, this, [this] { m_sinceHidden.start(); });
    QObject::connect(qApp, &QApplication::focusChanged, this, [this] {
        if (auto *window = qobject_cast<MainWindow *>(QApplication::activeWindow()))
            m_lastActive = window;
    });
    if (trayAvailable)
        makeTray();
}

TrayController::~TrayController()
{
    delete m_panel;
    delete m_menu;
}

void TrayController::makeTray()
{
    m_tray = new QSystemTrayIcon(m_ctx.icons->icon(QStringLiteral("av.remote")), this);
    m_tray->setObjectName(QStringLiteral("trayIcon"));
    m_tray->setToolTip(QStringLiteral("Veltrix"));
    m_menu = new QMenu;
    m_menu->setObjectName(QStringLiteral("trayMenu"));
    QAction *open = m_menu->addAction(tr("打开主窗口"));
    open->setObjectName(QStringLiteral("trayOpenMainWindow"));
    QObject::connect(open, &QAction::triggered, this, &TrayController::openMainWindow);
    QAction *quit = m_menu->addAction(tr("退出"));
    quit->setObjectName(QStringLiteral("trayQuit"));
    QObject::connect(quit, &QAction::triggered, this, [this] {
        // The same way out as the menu command, so whatever it does first happens here too.
        if (QAction *appQuit = m_ctx.actions ? m_ctx.actions->action(QStringLiteral("quit")) : nullptr)
            appQuit->trigger();
    });
    m_tray->setContextMenu(m_menu);
    QObject::connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason != QSystemTrayIcon::Trigger)
            return;
        QRect anchor = m_tray->geometry();
        if (!anchor.isValid())
            anchor = QRect(QCursor::pos(), QSize(1, 1));
        togglePanel(anchor);
    });
    m_tray->show();
}

void TrayController::togglePanel(const QRect &anchor)
{
    if (m_panel->isVisible()) {
        m_panel->close();
        return;
    }
    if (m_sinceHidden.isValid() && m_sinceHidden.elapsed() < kReopenGuardMs && m_panel->mode() == MenuBarPanel::Mode::popup)
        return;
    m_panel->setMode(MenuBarPanel::Mode::popup);
    m_panel->adjustSize();
    const QScreen *screen = QGuiApplication::screenAt(anchor.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), m_panel->size());
    m_panel->setGeometry(panelGeometry(anchor, QSize(m_panel->width(), m_panel->sizeHint().height()), available));
    m_panel->show();
    m_panel->activateWindow();
}

void TrayController::showPanelWindow()
{
    m_panel->setMode(MenuBarPanel::Mode::toolWindow);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        m_panel->resize(m_panel->width(), std::min(m_panel->sizeHint().height(), available.height() - 60));
    }
    m_panel->show();
    m_panel->raise();
    m_panel->activateWindow();
}

void TrayController::openMainWindow()
{
    // The window the user worked in last is the one to keep.
    QList<MainWindow *> windows = mainWindows();
    if (m_lastActive && windows.removeOne(m_lastActive.data()))
        windows.prepend(m_lastActive.data());
    ::openMainWindow(windows, m_openNew);
}

void TrayController::capturePanel(const QString &folder, std::chrono::milliseconds settle)
{
    showPanelWindow();
    QTimer::singleShot(settle, this, [this, folder] {
        const QString file = QDir(folder).filePath(m_panel->objectName() + QStringLiteral(".png"));
        const bool written = m_panel->grab().save(file, "PNG");
        veltrix::log(written ? QStringLiteral("快照: ") + file : QStringLiteral("快照失败: cannot write ") + file);
        m_panel->close();
        Q_EMIT panelCaptured(written ? file : QString());
    });
}
