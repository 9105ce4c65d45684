#pragma once

#include "ui/page.h"

#include <QAbstractButton>
#include <QMap>
#include <QWidget>

struct UiContext;
class DevicePicker;
class QButtonGroup;
class QVBoxLayout;
class QVariantAnimation;

// One page entry of the sidebar: symbol and title, a hover look; the selection highlight is
// drawn by the sidebar beneath it.
class SidebarItem : public QAbstractButton {
    Q_OBJECT

public:
    SidebarItem(Page page, const QIcon &icon, QWidget *parent = nullptr);

    Page page() const { return m_page; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    Page m_page;
    bool m_hovering = false;
};

// The left column: logo and name, the four pages with a highlight that slides to the selected
// one, and the device picker at the bottom.
class Sidebar : public QWidget {
    Q_OBJECT

public:
    explicit Sidebar(UiContext &ctx, QWidget *parent = nullptr);

    SidebarItem *addPage(Page page, const QString &symbol);
    void setPage(Page page);
    SidebarItem *item(Page page) const { return m_items.value(page); }
    DevicePicker *picker() const { return m_picker; }
    QRectF highlightRect() const { return m_highlight; }
    // Ends a running slide (tests, snapshots).
    void finishAnimation();

Q_SIGNALS:
    void pageClicked(Page page);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QRectF targetRect() const;

    UiContext &m_ctx;
    QVBoxLayout *m_itemsLayout;
    QButtonGroup *m_group;
    QMap<Page, SidebarItem *> m_items;
    DevicePicker *m_picker;
    Page m_page = Page::remote;
    QRectF m_highlight;
    QVariantAnimation *m_slide;
};
