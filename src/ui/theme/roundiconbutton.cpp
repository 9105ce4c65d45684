#include "ui/theme/roundiconbutton.h"

#include "ui/theme/icons.h"
#include "ui/theme/pressfeedback.h"

#include <QPainter>

RoundIconButton::RoundIconButton(Icons *icons, const QString &symbol, int size, const QColor &tint,
                                 const QString &tip, QWidget *parent)
    : QAbstractButton(parent)
    , m_icons(icons)
    , m_symbol(symbol)
    , m_size(size)
    , m_tint(tint)
    , m_feedback(new PressFeedback(this, 1.06, 0.9, tint))
{
    setObjectName(QStringLiteral("roundButton.") + symbol);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(symbol);
    setTip(tip);
}

void RoundIconButton::setSymbol(const QString &symbol)
{
    if (m_symbol == symbol)
        return;
    m_symbol = symbol;
    update();
    Q_EMIT symbolChanged(symbol);
}

void RoundIconButton::setTint(const QColor &tint)
{
    m_tint = tint;
    update();
}

void RoundIconButton::setTip(const QString &tip)
{
    setToolTip(tip);
    if (!tip.isEmpty())
        setAccessibleName(tip);
}

void RoundIconButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = QRectF(rect()).center();
    painter.translate(centre);
    painter.scale(m_feedback->scale(), m_feedback->scale());

    const QPalette pal = palette();
    QColor disc = m_tint.isValid() ? m_tint : pal.color(QPalette::Button);
    disc.setAlphaF(m_tint.isValid() ? 0.16 + 0.1 * m_feedback->glow() : 1.0);
    if (!m_tint.isValid() && m_feedback->glow() > 0)
        disc = disc.darker(100 + int(12 * m_feedback->glow()));
    const qreal radius = m_size / 2.0;
    painter.setPen(QPen(pal.color(QPalette::Mid), m_tint.isValid() ? 0 : 1));
    if (m_tint.isValid())
        painter.setPen(Qt::NoPen);
    painter.setBrush(disc);
    painter.drawEllipse(QPointF(0, 0), radius, radius);

    const int glyph = qRound(m_size * 0.5);
    const QIcon icon = m_tint.isValid() ? m_icons->tinted(m_symbol, m_tint) : m_icons->icon(m_symbol);
    icon.paint(&painter, QRect(-glyph / 2, -glyph / 2, glyph, glyph), Qt::AlignCenter,
               isEnabled() ? QIcon::Normal : QIcon::Disabled);
    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(pal.color(QPalette::Highlight), 1.5));
        painter.drawEllipse(QPointF(0, 0), radius + 1.5, radius + 1.5);
    }
}
