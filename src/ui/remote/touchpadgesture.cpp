#include "ui/remote/touchpadgesture.h"

#include <cmath>

void TouchpadGesture::press(QPointF at)
{
    m_pressed = true;
    m_last = at;
    m_travelled = 0;
    Q_EMIT touchChanged(at);
}

void TouchpadGesture::drag(QPointF at)
{
    // Motion without a press (hover, or a press that began outside) moves nothing.
    if (!m_pressed)
        return;
    const QPointF delta = at - m_last;
    m_last = at;
    m_travelled += std::abs(delta.x()) + std::abs(delta.y());
    Q_EMIT touchChanged(at);
    if (!delta.isNull())
        Q_EMIT moved(delta.x(), delta.y());
}

void TouchpadGesture::release()
{
    if (!m_pressed)
        return;
    m_pressed = false;
    if (m_travelled < clickTravel)
        Q_EMIT clicked();
    Q_EMIT touchChanged(std::nullopt);
}

void TouchpadGesture::wheel(QPointF pixelDelta, QPoint angleDelta)
{
    // Both deltas are positive when scrolling up, away from the user; the TV's steps grow
    // downwards, hence the subtraction. A notch becomes one step's worth of points, so a
    // high-resolution wheel's partial notches add up through the same remainder.
    const double points = !pixelDelta.isNull() ? pixelDelta.y()
                                               : angleDelta.y() * pointsPerStep / notchAngle;
    m_scrollAccumulator -= points;
    const int steps = int(std::trunc(m_scrollAccumulator / pointsPerStep));
    if (steps == 0)
        return;
    m_scrollAccumulator -= pointsPerStep * steps;
    Q_EMIT scrolled(steps);
}
