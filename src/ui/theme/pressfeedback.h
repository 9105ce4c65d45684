#pragma once

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QWidget>

class QVariantAnimation;

// Hover and press feedback for a custom-painted control: the host reads scale() and glow() in
// its paintEvent. Hover and press come from the host's own mouse events; setPressed() serves
// controls that track pressing themselves, and tap() replays the press (a key that pressed the
// control, for example). A disabled host shows no feedback.
class PressFeedback : public QObject {
    Q_OBJECT
    Q_PROPERTY(qreal scale READ scale NOTIFY changed)
    Q_PROPERTY(qreal glow READ glow NOTIFY changed)
    Q_PROPERTY(bool hovering READ hovering NOTIFY changed)
    Q_PROPERTY(int taps READ taps NOTIFY changed)

public:
    explicit PressFeedback(QWidget *host, qreal hover = 1.04, qreal press = 0.94, const QColor &glow = QColor());

    qreal scale() const { return m_scale; }
    qreal glow() const { return m_glow; }  // 0 (none) to 1 (full glow)
    QColor glowColor() const { return m_glowColor; }
    bool hovering() const { return m_hovering; }
    bool pressed() const { return m_pressed; }
    int taps() const { return m_taps; }
    qreal hoverScale() const { return m_hoverScale; }
    qreal pressScale() const { return m_pressScale; }

    void setPressed(bool pressed);
    void tap();
    // Tones the animation down to an immediate change, as the desktop's reduce-animation
    // setting (through the application style) also does.
    void setReduceMotion(bool reduce) { m_reduceMotion = reduce; }
    bool reducesMotion() const;
    // Ends any running animation at its target (tests, snapshots).
    void finish();

Q_SIGNALS:
    void changed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void animateTo(qreal scale, qreal glow, int ms);
    void settle();
    qreal restingScale() const;

    QPointer<QWidget> m_host;
    qreal m_hoverScale;
    qreal m_pressScale;
    QColor m_glowColor;
    qreal m_scale = 1.0;
    qreal m_glow = 0.0;
    bool m_hovering = false;
    bool m_pressed = false;
    bool m_reduceMotion = false;
    int m_taps = 0;
    QVariantAnimation *m_animation;
};
