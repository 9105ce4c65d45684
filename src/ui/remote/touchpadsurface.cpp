#include "ui/remote/touchpadsurface.h"

#include "ui/theme/metrics.h"
#include "ui/theme/icons.h"
#include "ui/theme/theme.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QVariantAnimation>
#include <QWheelEvent>

namespace {

constexpr int kGlowMs = 180;
constexpr int kRippleMs = 450;
constexpr qreal kGlowRadius = 46;
constexpr qreal kRippleRadius = 38;

QVariantAnimation *makeAnimation(QWidget *owner, int ms)
{
    auto *animation = new QVariantAnimation(owner);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    animation->setDuration(ms);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    QObject::connect(animation, &QVariantAnimation::valueChanged, owner, qOverload<>(&QWidget::update));
    return animation;
}

} // namespace

TouchpadSurface::TouchpadSurface(Icons *icons, QWidget *parent)
    : QWidget(parent)
    , m_icons(icons)
    , m_glow(makeAnimation(this, kGlowMs))
    , m_ripple(makeAnimation(this, kRippleMs))
{
    setObjectName(QStringLiteral("touchpadSurface"));
    setAccessibleName(tr("触控板"));
    setAccessibleDescription(tr("拖动移动 · 点击确认 · 双指滚动"));
    setCursor(Qt::CrossCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    // The glow animation ends hidden; make that the resting value.
    m_glow->setCurrentTime(0);
    m_ripple->setCurrentTime(m_ripple->duration());
    QObject::connect(&m_gesture, &TouchpadGesture::touchChanged, this, &TouchpadSurface::onTouch);
    QObject::connect(&m_gesture, &TouchpadGesture::clicked, this, &TouchpadSurface::onClick);
}

void TouchpadSurface::finishAnimations()
{
    m_glow->setCurrentTime(m_glow->duration());
    m_ripple->setCurrentTime(m_ripple->duration());
}

void TouchpadSurface::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_gesture.press(event->position());
    event->accept();
}

void TouchpadSurface::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton)) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    m_gesture.drag(event->position());
    event->accept();
}

void TouchpadSurface::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_gesture.release();
    event->accept();
}

void TouchpadSurface::wheelEvent(QWheelEvent *event)
{
    m_gesture.wheel(event->pixelDelta(), event->angleDelta());
    event->accept();
}

void TouchpadSurface::onTouch(std::optional<QPointF> point)
{
    const bool appearing = point && !m_touch;
    const bool leaving = !point && m_touch;
    m_touch = point;
    if (point)
        m_glowPoint = *point;
    // Only showing and hiding the glow animate; following the finger does not.
    if (appearing || leaving) {
        m_glow->stop();
        m_glow->setDirection(appearing ? QAbstractAnimation::Forward : QAbstractAnimation::Backward);
        m_glow->start();
    }
    update();
}

void TouchpadSurface::onClick()
{
    // The release clears the touch after the click, so the finger's point is still known here.
    if (m_touch)
        m_tapPoint = *m_touch;
    ++m_taps;
    m_ripple->stop();
    m_ripple->start();
    Q_EMIT tapped(m_taps);
}

void TouchpadSurface::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette pal = palette();
    const bool dark = Theme::isDarkPalette(pal);
    const QRectF area = QRectF(rect()).adjusted(1, 1, -1, -1);

    QPainterPath frame;
    frame.addRoundedRect(area, 14, 14);
    QLinearGradient fill(area.topLeft(), area.bottomRight());
    const QColor accent = pal.color(QPalette::Highlight);
    QColor top = dark ? QColor(0x2a, 0x2f, 0x3a) : QColor(0xf4, 0xf6, 0xfb);
    QColor bottom = dark ? QColor(0x1d, 0x21, 0x2a) : QColor(0xe6, 0xeb, 0xf5);
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    painter.fillPath(frame, fill);
    QPen dashed(pal.color(QPalette::Mid), 1.2, Qt::DashLine);
    dashed.setDashPattern({5, 4});
    QColor outline = accent;
    outline.setAlphaF(0.45);
    dashed.setColor(outline);
    painter.setPen(dashed);
    painter.drawPath(frame);

    painter.save();
    painter.setClipPath(frame);
    if (!m_touch && m_glow->currentValue().toReal() <= 0)
        paintRest(painter, area);
    paintGlow(painter);
    paintRipple(painter);
    painter.restore();
}

void TouchpadSurface::paintRest(QPainter &painter, const QRectF &area)
{
    const QPalette pal = palette();
    const int glyph = 22;
    const QFont font = scaledFont(this->font(), fontScale::hint);
    const QFontMetricsF metrics(font);
    const qreal total = glyph + 8 + metrics.height();
    const qreal top = area.center().y() - total / 2;
    const QRectF icon(area.center().x() - glyph / 2.0, top, glyph, glyph);
    m_icons->icon(QStringLiteral("cursorarrow")).paint(&painter, icon.toRect(), Qt::AlignCenter, QIcon::Disabled);
    painter.setFont(font);
    painter.setPen(pal.color(QPalette::PlaceholderText));
    const QRectF text(area.left() + 8, icon.bottom() + 8, area.width() - 16, metrics.height());
    painter.drawText(text, Qt::AlignCenter, tr("拖动移动 · 点击确认 · 双指滚动"));
}

void TouchpadSurface::paintGlow(QPainter &painter)
{
    const qreal shown = m_glow->currentValue().toReal();
    if (shown <= 0)
        return;
    const qreal radius = kGlowRadius * (0.6 + 0.4 * shown);
    QColor centre = palette().color(QPalette::Highlight);
    centre.setAlphaF(0.42 * shown);
    QColor edge = centre;
    edge.setAlphaF(0);
    QRadialGradient glow(m_glowPoint, radius);
    glow.setColorAt(0, centre);
    glow.setColorAt(1, edge);
    painter.setPen(Qt::NoPen);
    painter.setBrush(glow);
    painter.drawEllipse(m_glowPoint, radius, radius);
}

void TouchpadSurface::paintRipple(QPainter &painter)
{
    const qreal progress = m_ripple->currentValue().toReal();
    if (m_taps == 0 || progress >= 1)
        return;
    QColor ring = palette().color(QPalette::Highlight);
    ring.setAlphaF(0.7 * (1 - progress));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(ring, 2.0));
    const qreal radius = 6 + kRippleRadius * progress;
    painter.drawEllipse(m_tapPoint, radius, radius);
}
