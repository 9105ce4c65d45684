#pragma once

#include <QObject>
#include <QPoint>
#include <QPointF>

#include <optional>

// Turns the pointer and wheel events of the touchpad surface into moves, clicks, scroll steps
// and the touch point that drives the glow. Knows nothing of widgets or the TV, so the
// arithmetic is tested on its own.
class TouchpadGesture : public QObject {
    Q_OBJECT

public:
    // A press and release that moved less than this in total is a click.
    static constexpr double clickTravel = 4.0;
    // Scroll distance of one step, in points.
    static constexpr double pointsPerStep = 8.0;
    // Angle units of one wheel notch; a notch counts as one step.
    static constexpr int notchAngle = 120;

    explicit TouchpadGesture(QObject *parent = nullptr) : QObject(parent) {}

    void press(QPointF at);
    // Motion while pressed; the delta is taken from the previous position.
    void drag(QPointF at);
    void release();
    // pixelDelta is the precise scroll distance when the platform has one (null otherwise);
    // angleDelta is the wheel's rotation in eighths of a degree. Horizontal motion is ignored.
    void wheel(QPointF pixelDelta, QPoint angleDelta);

    bool isPressed() const { return m_pressed; }
    double travelled() const { return m_travelled; }
    double scrollAccumulator() const { return m_scrollAccumulator; }

Q_SIGNALS:
    // Raw deltas of a drag, in points.
    void moved(double dx, double dy);
    void clicked();
    // Whole steps; positive scrolls the TV down.
    void scrolled(int steps);
    // Where the finger is; empty once released.
    void touchChanged(std::optional<QPointF> point);

private:
    bool m_pressed = false;
    QPointF m_last;
    double m_travelled = 0;
    double m_scrollAccumulator = 0;
};
