#include "ui/remote/remotekeybutton.h"

#include "ui/theme/metrics.h"
#include "ui/theme/icons.h"
#include "ui/theme/pressfeedback.h"
#include "ui/theme/theme.h"

#include <QPainter>
#include <QPainterPath>

RemoteKeyButton::RemoteKeyButton(Icons *icons, Shape shape, const QString &symbol, const QString &label, int size,
                                 QWidget *parent)
    : QAbstractButton(parent)
    , m_icons(icons)
    , m_shape(shape)
    , m_symbol(symbol)
    , m_size(size)
    , m_feedback(new PressFeedback(this, 1.05, 0.92))
{
    setText(label);
    setAccessibleName(label);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void RemoteKeyButton::setAccent(bool accent)
{
    m_accent = accent;
    update();
}

QSize RemoteKeyButton::sizeHint() const
{
    if (m_shape == Shape::round)
        return {m_size + 4, m_size + 4};
    return {qRound(m_size * 1.5), m_size + 4};
}

void RemoteKeyButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette pal = palette();
    const bool dark = Theme::isDarkPalette(pal);
    const QPointF centre = QRectF(rect()).center();
    painter.translate(centre);
    painter.scale(m_feedback->scale(), m_feedback->scale());

    const QRectF face = m_shape == Shape::round ? QRectF(-m_size / 2.0, -m_size / 2.0, m_size, m_size)
                                                : QRectF(-width() / 2.0 + 2, -m_size / 2.0, width() - 4, m_size);
    const qreal radius = m_shape == Shape::round ? m_size / 2.0 : 12;
    QColor fill = m_accent ? pal.color(QPalette::Highlight)
                           : (dark ? pal.color(QPalette::Window).lighter(165) : pal.color(QPalette::Button));
    const qreal glow = m_feedback->glow();
    if (glow > 0)
        fill = m_accent ? fill.lighter(100 + int(25 * glow)) : fill.darker(100 + int(14 * glow));
    QPainterPath path;
    path.addRoundedRect(face, radius, radius);
    painter.fillPath(path, fill);
    if (!m_accent) {
        painter.setPen(QPen(pal.color(QPalette::Mid), 1));
        painter.drawPath(path);
    }

    const QColor ink = m_accent ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::WindowText);
    const bool withSymbol = !m_symbol.isEmpty();
    const bool withLabel = !text().isEmpty() && (m_shape == Shape::capsule || !withSymbol);
    const int glyph = qRound(m_size * (m_shape == Shape::round ? 0.42 : 0.36));
    const QFont font = m_shape == Shape::capsule ? scaledFont(this->font(), fontScale::caption) : boldFont(this->font());
    const QFontMetricsF metrics(font);
    if (withSymbol) {
        const qreal y = withLabel ? face.top() + face.height() * 0.18 : -glyph / 2.0;
        const QRect box(qRound(-glyph / 2.0), qRound(y), glyph, glyph);
        m_icons->tinted(m_symbol, ink).paint(&painter, box, Qt::AlignCenter);
    }
    if (withLabel) {
        painter.setFont(font);
        painter.setPen(ink);
        const QRectF box = withSymbol ? QRectF(face.left(), face.top() + face.height() * 0.18 + glyph + 1, face.width(),
                                               metrics.height())
                                      : face;
        painter.drawText(box, Qt::AlignCenter, text());
    }
    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(pal.color(QPalette::Highlight), 1.5));
        painter.drawRoundedRect(face.adjusted(-2, -2, 2, 2), radius + 2, radius + 2);
    }
}
