#include "ui/shell/sidebar.h"

#include "ui/theme/metrics.h"
#include "ui/theme/motion.h"
#include "ui/shell/devicepicker.h"
#include "ui/theme/icons.h"
#include "ui/theme/theme.h"
#include "ui/uicontext.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <QVariantAnimation>

SidebarItem::SidebarItem(Page page, const QIcon &icon, QWidget *parent)
    : QAbstractButton(parent)
    , m_page(page)
{
    setObjectName(QStringLiteral("sidebarItem.") + pageId(page));
    setText(pageTitle(page));
    setAccessibleName(pageTitle(page));
    setIcon(icon);
    setIconSize(QSize(18, 18));
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize SidebarItem::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {iconSize().width() + metrics.horizontalAdvance(text()) + 36, qMax(36, metrics.height() + 16)};
}

bool SidebarItem::event(QEvent *event)
{
    if (event->type() == QEvent::HoverEnter || event->type() == QEvent::HoverLeave) {
        m_hovering = event->type() == QEvent::HoverEnter;
        update();
    }
    return QAbstractButton::event(event);
}

void SidebarItem::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette pal = palette();
    if (m_hovering && !isChecked()) {
        QColor hover = pal.color(QPalette::WindowText);
        hover.setAlphaF(0.07);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 8, 8);
        painter.fillPath(path, hover);
    }
    const QIcon::Mode mode = isChecked() ? QIcon::Selected : QIcon::Normal;
    const QRect iconRect(12, (height() - iconSize().height()) / 2, iconSize().width(), iconSize().height());
    icon().paint(&painter, iconRect, Qt::AlignCenter, mode);
    QFont font = painter.font();
    font.setBold(isChecked());
    painter.setFont(font);
    painter.setPen(pal.color(isChecked() ? QPalette::HighlightedText : QPalette::WindowText));
    const QRect textRect = rect().adjusted(iconRect.right() + 10, 0, -8, 0);
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, text());
}

Sidebar::Sidebar(UiContext &ctx, QWidget *parent)
    : QWidget(parent)
    , m_ctx(ctx)
    , m_itemsLayout(new QVBoxLayout)
    , m_group(new QButtonGroup(this))
    , m_picker(new DevicePicker(ctx, this))
    , m_slide(new QVariantAnimation(this))
{
    setObjectName(QStringLiteral("sidebar"));
    setAutoFillBackground(false);
    setMinimumWidth(190);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);

    auto *logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("sidebarLogo"));
    logo->setPixmap(Icons::sidebarLogo().pixmap(QSize(30, 30), devicePixelRatioF()));
    auto *name = new QLabel(QStringLiteral("Veltrix"), this);
    name->setObjectName(QStringLiteral("sidebarName"));
    name->setFont(boldFont(name->font(), fontScale::brand));
    auto *brand = new QHBoxLayout;
    brand->setSpacing(spacing::items);
    brand->addWidget(logo);
    brand->addWidget(name, 1);

    m_itemsLayout->setSpacing(spacing::narrow);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(margins::sidebar);
    column->setSpacing(spacing::blocks);
    column->addLayout(brand);
    column->addLayout(m_itemsLayout);
    column->addStretch(1);
    column->addWidget(m_picker);

    m_group->setExclusive(true);
    m_slide->setDuration(220);
    m_slide->setEasingCurve(QEasingCurve::OutCubic);
    QObject::connect(m_slide, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_highlight = value.toRectF();
        update();
    });
}

SidebarItem *Sidebar::addPage(Page page, const QString &symbol)
{
    auto *entry = new SidebarItem(page, m_ctx.icons->icon(symbol), this);
    m_items.insert(page, entry);
    m_group->addButton(entry);
    m_itemsLayout->addWidget(entry);
    QObject::connect(entry, &QAbstractButton::clicked, this, [this, page] { Q_EMIT pageClicked(page); });
    if (m_items.size() == 1)
        setPage(page);
    return entry;
}

QRectF Sidebar::targetRect() const
{
    const SidebarItem *entry = m_items.value(m_page);
    return entry ? QRectF(entry->geometry()) : QRectF();
}

void Sidebar::setPage(Page page)
{
    SidebarItem *entry = m_items.value(page);
    if (!entry)
        return;
    m_page = page;
    entry->setChecked(true);
    if (!isVisible() || m_highlight.isNull() || motionReduced(this)) {
        m_slide->stop();
        m_highlight = targetRect();
        update();
        return;
    }
    m_slide->stop();
    m_slide->setStartValue(m_highlight);
    m_slide->setEndValue(targetRect());
    m_slide->start();
}

void Sidebar::finishAnimation()
{
    if (m_slide->state() == QAbstractAnimation::Running)
        m_slide->setCurrentTime(m_slide->duration());
}

void Sidebar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The layout has moved the items: the highlight follows without sliding.
    m_slide->stop();
    m_highlight = targetRect();
}

void Sidebar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette pal = palette();
    // A slightly different shade from the pages, and a hairline at the edge.
    const QColor window = pal.color(QPalette::Window);
    painter.fillRect(rect(), Theme::isDarkPalette(pal) ? window.darker(118) : window.darker(104));
    painter.setPen(pal.color(QPalette::Mid));
    painter.drawLine(rect().topRight(), rect().bottomRight());
    if (m_highlight.isNull())
        m_highlight = targetRect();
    if (!m_highlight.isNull()) {
        QPainterPath path;
        path.addRoundedRect(m_highlight.adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
        painter.fillPath(path, pal.color(QPalette::Highlight));
    }
}
