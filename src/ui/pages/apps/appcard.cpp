#include "ui/pages/apps/appcard.h"

#include "ui/theme/metrics.h"
#include "ui/pages/apps/appiconloader.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int kIcon = 48;
}  // namespace

AppCard::AppCard(AppIconLoader *loader, const QIcon &launchSymbol, const TVApp &app, QWidget *parent)
    : QAbstractButton(parent)
    , m_loader(loader)
    , m_launchSymbol(launchSymbol)
{
    setObjectName(QStringLiteral("appCard"));
    setToolTip(tr("启动"));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    QObject::connect(loader, &AppIconLoader::iconReady, this, &AppCard::iconArrived);
    setApp(app);
}

void AppCard::setApp(const TVApp &app)
{
    if (app == m_app && !m_app.id.isEmpty())
        return;
    const bool newIcon = app.icon != m_app.icon;
    m_app = app;
    setText(app.title);
    setAccessibleName(app.title);
    if (newIcon) {
        m_icon = QImage();
        if (isVisible())
            loadIcon();
    }
    update();
}

void AppCard::setActive(bool active)
{
    if (m_active == active)
        return;
    m_active = active;
    update();
}

void AppCard::showEvent(QShowEvent *event)
{
    QAbstractButton::showEvent(event);
    loadIcon();
}

void AppCard::loadIcon()
{
    if (!m_icon.isNull() || !m_app.icon)
        return;
    if (const std::optional<QImage> cached = m_loader->cached(*m_app.icon)) {
        m_icon = *cached;
        update();
        return;
    }
    m_loader->request(*m_app.icon);
}

void AppCard::iconArrived(const QUrl &url, const QImage &image)
{
    if (!m_app.icon || *m_app.icon != url)
        return;
    m_icon = image;
    update();
}

QSize AppCard::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {kWidth, 14 + kIcon + 8 + metrics.height() * 2 + 10};
}

void AppCard::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPalette pal = palette();
    const QColor accent = pal.color(QPalette::Highlight);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath card;
    card.addRoundedRect(box, 12, 12);
    QColor fill = pal.color(QPalette::Base);
    if (m_active)
        fill = QColor::fromRgbF(fill.redF() * 0.8 + accent.redF() * 0.2, fill.greenF() * 0.8 + accent.greenF() * 0.2,
                                fill.blueF() * 0.8 + accent.blueF() * 0.2);
    else if (isDown())
        fill = fill.darker(110);
    else if (underMouse())
        fill = fill.darker(104);
    painter.fillPath(card, fill);
    painter.setPen(QPen(m_active || hasFocus() ? accent : pal.color(QPalette::Mid), m_active ? 1.8 : 1.0));
    painter.drawPath(card);

    const QRectF iconBox((width() - kIcon) / 2.0, 14, kIcon, kIcon);
    if (m_icon.isNull()) {
        // Placeholder while the icon loads: a soft tile with the title's first letter.
        QPainterPath tile;
        tile.addRoundedRect(iconBox, 10, 10);
        QColor soft = pal.color(QPalette::Mid);
        soft.setAlphaF(0.35);
        painter.fillPath(tile, soft);
        painter.setFont(boldFont(font(), fontScale::letter));
        painter.setPen(pal.color(QPalette::PlaceholderText));
        painter.drawText(iconBox, Qt::AlignCenter, m_app.title.left(1).toUpper());
        painter.setFont(font());
    } else {
        painter.drawImage(iconBox, m_icon);
    }

    m_launchSymbol.paint(&painter, QRect(width() - 24, 8, 14, 14));

    painter.setPen(pal.color(QPalette::WindowText));
    const QRectF titleBox(6, iconBox.bottom() + 8, width() - 12, height() - iconBox.bottom() - 12);
    const QFontMetrics metrics(font());
    const QString title = metrics.elidedText(m_app.title, Qt::ElideRight, int(titleBox.width()) * 2 - 8);
    painter.drawText(titleBox, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, title);
}
