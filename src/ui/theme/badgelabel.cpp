#include "ui/theme/badgelabel.h"

#include "ui/theme/metrics.h"

#include <QPainter>
#include <QPainterPath>

BadgeLabel::BadgeLabel(const QString &text, QWidget *parent)
    : QWidget(parent)
    , m_text(text)
{
    setAccessibleName(text);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFont(scaledFont(font(), fontScale::caption));
}

void BadgeLabel::setText(const QString &text)
{
    if (m_text == text)
        return;
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

QSize BadgeLabel::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(m_text) + 14, metrics.height() + 4};
}

void BadgeLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = palette().color(QPalette::Highlight);
    fill.setAlphaF(0.18);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), height() / 2.0, height() / 2.0);
    painter.fillPath(path, fill);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignCenter, m_text);
}
