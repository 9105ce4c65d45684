#pragma once

#include "ui/page.h"

#include <QMainWindow>
#include <QMap>

struct UiContext;
class AppKeyMonitor;
class AppsPage;
class QStackedWidget;
class Sidebar;

// The one main window: the sidebar on the left and the selected page on the right, the menu
// bar with every command, and the window-wide key monitor.
class MainWindow : public QMainWindow {
    Q_OBJECT
    Q_PROPERTY(Page page READ page WRITE setPage NOTIFY pageChanged)

public:
    explicit MainWindow(UiContext &ctx, QWidget *parent = nullptr);

    static constexpr QSize defaultSize{1024, 640};
    static constexpr QSize minimumWindowSize{1000, 640};

    Page page() const { return m_page; }
    void setPage(Page page);
    QWidget *pageWidget(Page page) const { return m_pages.value(page); }
    Sidebar *sidebar() const { return m_sidebar; }
    QStackedWidget *stack() const { return m_stack; }
    AppKeyMonitor *keyMonitor() const { return m_monitor; }

    // Places the window in the middle of its screen's free area.
    void centre();
    // Shows the window (again), brings it to the front and gives it the keyboard.
    void bringToFront();

Q_SIGNALS:
    void pageChanged(Page page);
    // Every time the window's content appears after being hidden.
    void appeared();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void addPage(Page page, const QString &symbol, QWidget *widget);

    UiContext &m_ctx;
    Sidebar *m_sidebar;
    QStackedWidget *m_stack;
    AppKeyMonitor *m_monitor;
    AppsPage *m_apps = nullptr;
    QMap<Page, QWidget *> m_pages;
    Page m_page = Page::remote;
};
