#pragma once

#include "ui/remote/touchpadgesture.h"

#include <QPointF>
#include <QWidget>

#include <optional>

class Icons;
class QVariantAnimation;

// The surface the mouse or trackpad moves the TV's pointer on. Feeds its events to a
// TouchpadGesture and draws the feedback: a glow under the finger while pressed and a ripple
// where each click landed.
class TouchpadSurface : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int taps READ taps NOTIFY tapped)

public:
    explicit TouchpadSurface(Icons *icons, QWidget *parent = nullptr);

    TouchpadGesture *gesture() { return &m_gesture; }
    std::optional<QPointF> touch() const { return m_touch; }
    QPointF tapPoint() const { return m_tapPoint; }
    int taps() const { return m_taps; }
    // Ends the glow and ripple animations at once (tests, snapshots).
    void finishAnimations();

    QSize sizeHint() const override { return {320, 150}; }
    QSize minimumSizeHint() const override { return {180, 96}; }

Q_SIGNALS:
    void tapped(int taps);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void onTouch(std::optional<QPointF> point);
    void onClick();
    void paintRest(QPainter &painter, const QRectF &area);
    void paintGlow(QPainter &painter);
    void paintRipple(QPainter &painter);

    Icons *m_icons;
    TouchpadGesture m_gesture;
    std::optional<QPointF> m_touch;
    QPointF m_glowPoint;  // kept while the glow fades out
    QPointF m_tapPoint;
    int m_taps = 0;
    QVariantAnimation *m_glow;    // 0 hidden .. 1 shown
    QVariantAnimation *m_ripple;  // 0 start .. 1 gone
};
