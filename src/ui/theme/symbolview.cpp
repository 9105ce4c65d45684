#include "ui/theme/symbolview.h"

#include <QPainter>
#include <QPainterPath>

SymbolView::SymbolView(const QIcon &icon, const QString &symbol, int size, QWidget *parent)
    : QWidget(parent)
    , m_icon(icon)
    , m_symbol(symbol)
    , m_size(size)
{
    setObjectName(QStringLiteral("symbol.") + symbol);
    setAccessibleName(symbol);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SymbolView::setSymbol(const QIcon &icon, const QString &symbol)
{
    if (m_symbol == symbol)
        return;
    m_icon = icon;
    m_symbol = symbol;
    setObjectName(QStringLiteral("symbol.") + symbol);
    setAccessibleName(symbol);
    update();
}

void SymbolView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect box((width() - m_size) / 2, (height() - m_size) / 2, m_size, m_size);
    m_icon.paint(&painter, box, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
}

BadgeLabel::BadgeLabel(const QString &text, QWidget *parent)
    : QWidget(parent)
    , m_text(text)
{
    setAccessibleName(text);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    setFont(small);
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
