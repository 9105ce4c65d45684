#include "ui/theme/panel.h"

#include "ui/theme/metrics.h"
#include "ui/theme/theme.h"

#include <QPainter>
#include <QPainterPath>

Panel::Panel(QWidget *parent)
    : QFrame(parent)
{
    setContentsMargins(margins::panel);
}

void Panel::setHighlighted(bool highlighted)
{
    if (m_highlighted == highlighted)
        return;
    m_highlighted = highlighted;
    update();
    Q_EMIT highlightedChanged(highlighted);
}

void Panel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette pal = palette();
    const bool dark = Theme::isDarkPalette(pal);
    QColor fill = dark ? pal.color(QPalette::Window).lighter(135) : pal.color(QPalette::Base);
    QColor border = pal.color(QPalette::Mid);
    if (m_highlighted) {
        const QColor accent = pal.color(QPalette::Highlight);
        fill = QColor::fromRgbF(fill.redF() * 0.86 + accent.redF() * 0.14, fill.greenF() * 0.86 + accent.greenF() * 0.14,
                                fill.blueF() * 0.86 + accent.blueF() * 0.14);
        border = accent;
    }
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
    painter.fillPath(path, fill);
    painter.setPen(QPen(border, m_highlighted ? 1.5 : 1.0));
    painter.drawPath(path);
}
