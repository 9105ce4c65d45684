#include "ui/shell/mainwindow.h"

#include "ui/theme/metrics.h"
#include "ui/shell/actions.h"
#include "ui/keys/appkeymonitor.h"
#include "ui/pages/apps/appspage.h"
#include "ui/pages/devices/devicespage.h"
#include "ui/theme/icons.h"
#include "ui/remote/remotepage.h"
#include "ui/pages/settings/settingspage.h"
#include "ui/shell/sidebar.h"
#include "ui/uicontext.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QScreen>
#include <QShowEvent>
#include <QStackedWidget>

MainWindow::MainWindow(UiContext &ctx, QWidget *parent)
    : QMainWindow(parent)
    , m_ctx(ctx)
    , m_sidebar(new Sidebar(ctx))
    , m_stack(new QStackedWidget)
    , m_monitor(new AppKeyMonitor(this, ctx.session, ctx.shortcuts, true))
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Veltrix"));
    setWindowIcon(Icons::applicationIcon());
    resize(defaultSize);
    setMinimumSize(minimumWindowSize);
    ctx.actions->fillMenuBar(menuBar());

    m_stack->setObjectName(QStringLiteral("pages"));
    auto *central = new QWidget;
    central->setObjectName(QStringLiteral("root"));
    auto *row = new QHBoxLayout(central);
    row->setContentsMargins(margins::none);
    row->setSpacing(spacing::none);
    row->addWidget(m_sidebar);
    row->addWidget(m_stack, 1);
    setCentralWidget(central);

    addPage(Page::remote, QStringLiteral("av.remote"), new RemotePage(ctx, ViewLayout::window));
    m_apps = new AppsPage(ctx, ViewLayout::window);
    addPage(Page::apps, QStringLiteral("square.grid.2x2"), m_apps);
    addPage(Page::devices, QStringLiteral("tv"), new DevicesPage(ctx));
    addPage(Page::settings, QStringLiteral("gearshape"), new SettingsPage(ctx));

    QObject::connect(m_sidebar, &Sidebar::pageClicked, this, &MainWindow::setPage);
    QObject::connect(m_monitor, &AppKeyMonitor::pageRequested, this, &MainWindow::setPage);
    QObject::connect(m_monitor, &AppKeyMonitor::focusSearchRequested, m_apps, &AppsPage::focusSearch);
    setPage(Page::remote);
}

void MainWindow::addPage(Page page, const QString &symbol, QWidget *widget)
{
    m_pages.insert(page, widget);
    m_stack->addWidget(widget);
    m_sidebar->addPage(page, symbol);
}

void MainWindow::setPage(Page page)
{
    QWidget *widget = m_pages.value(page);
    if (!widget)
        return;
    const bool changed = m_page != page || m_stack->currentWidget() != widget;
    m_page = page;
    // The stack hands the focus on from the old page to the new page's last or first
    // focusable child, which may be a text field: M or Space would then type there instead
    // of reaching the TV. The keys stay with the page until the user clicks into a field.
    if (m_stack->currentWidget() != widget) {
        const QWidget *focus = QApplication::focusWidget();
        if (focus && m_stack->isAncestorOf(focus))
            m_stack->setFocus(Qt::OtherFocusReason);
        m_stack->setCurrentWidget(widget);
        focus = QApplication::focusWidget();
        if (focus && widget->isAncestorOf(focus) && focus->testAttribute(Qt::WA_InputMethodEnabled))
            m_stack->setFocus(Qt::OtherFocusReason);
    }
    m_sidebar->setPage(page);
    m_monitor->setPage(page);
    if (changed)
        Q_EMIT pageChanged(page);
}

void MainWindow::centre()
{
    const QScreen *screen = this->screen();
    if (!screen)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void MainWindow::bringToFront()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        Q_EMIT appeared();
}
