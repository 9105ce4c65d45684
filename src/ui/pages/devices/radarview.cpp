#include "ui/pages/devices/radarview.h"

#include <QConicalGradient>
#include <QPainter>
#include <QVariantAnimation>

namespace {
constexpr int kTurnMs = 1800;
}

RadarView::RadarView(QWidget *parent)
    : QAbstractButton(parent)
    , m_sweep(new QVariantAnimation(this))
{
    setObjectName(QStringLiteral("radar"));
    setToolTip(tr("重新搜索电视"));
    setAccessibleName(tr("重新搜索电视"));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_sweep->setStartValue(0.0);
    m_sweep->setEndValue(360.0);
    m_sweep->setDuration(kTurnMs);
    m_sweep->setLoopCount(-1);
    QObject::connect(m_sweep, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_angle = value.toDouble();
        update();
        Q_EMIT angleChanged(m_angle);
    });
}

void RadarView::setActive(bool active)
{
    if (m_active == active)
        return;
    m_active = active;
    updateAnimation();
    update();
    Q_EMIT activeChanged(active);
}

bool RadarView::isSweeping() const
{
    return m_sweep->state() == QAbstractAnimation::Running;
}

// Turns only while scanning and on screen, so a hidden page costs nothing.
void RadarView::updateAnimation()
{
    const bool run = m_active && isVisible();
    if (run && m_sweep->state() != QAbstractAnimation::Running)
        m_sweep->start();
    else if (!run && m_sweep->state() == QAbstractAnimation::Running)
        m_sweep->stop();
}

void RadarView::showEvent(QShowEvent *event)
{
    QAbstractButton::showEvent(event);
    updateAnimation();
}

void RadarView::hideEvent(QHideEvent *event)
{
    QAbstractButton::hideEvent(event);
    updateAnimation();
}

void RadarView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette pal = palette();
    const QColor accent = pal.color(QPalette::Highlight);
    const qreal radius = std::min(width(), height()) / 2.0 - 2;
    const QPointF centre = QRectF(rect()).center();

    QColor disc = accent;
    disc.setAlphaF(underMouse() ? 0.16 : 0.1);
    painter.setPen(Qt::NoPen);
    painter.setBrush(disc);
    painter.drawEllipse(centre, radius, radius);

    QColor ring = accent;
    ring.setAlphaF(0.45);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(ring, 1));
    for (const qreal part : {1.0, 0.66, 0.33})
        painter.drawEllipse(centre, radius * part, radius * part);

    // The sweep: a fading wedge behind a bright leading edge.
    const qreal angle = m_active ? m_angle : 45;
    QConicalGradient wedge(centre, -angle);
    QColor head = accent;
    head.setAlphaF(m_active ? 0.55 : 0.25);
    QColor tail = accent;
    tail.setAlphaF(0);
    wedge.setColorAt(0, head);
    wedge.setColorAt(0.25, tail);
    wedge.setColorAt(1, tail);
    painter.setPen(Qt::NoPen);
    painter.setBrush(wedge);
    painter.drawEllipse(centre, radius, radius);

    painter.translate(centre);
    painter.rotate(angle);
    painter.setPen(QPen(accent, 2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(0, 0), QPointF(radius, 0));
    painter.resetTransform();

    painter.setPen(Qt::NoPen);
    painter.setBrush(accent);
    painter.drawEllipse(centre, 4, 4);
    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(accent, 1.5));
        painter.drawEllipse(centre, radius + 1, radius + 1);
    }
}
