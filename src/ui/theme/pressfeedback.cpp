#include "ui/theme/pressfeedback.h"

#include "ui/theme/motion.h"

#include <QEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QVariantAnimation>
#include <QWidget>

namespace {
constexpr int hoverMs = 140;
constexpr int pressMs = 90;
}

PressFeedback::PressFeedback(QWidget *host, qreal hover, qreal press, const QColor &glow)
    : QObject(host)
    , m_host(host)
    , m_hoverScale(hover)
    , m_pressScale(press)
    , m_glowColor(glow)
    , m_animation(new QVariantAnimation(this))
{
    host->setAttribute(Qt::WA_Hover);
    host->installEventFilter(this);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    QObject::connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        const QPointF point = value.toPointF();
        m_scale = point.x();
        m_glow = point.y();
        if (m_host)
            m_host->update();
        Q_EMIT changed();
    });
}

bool PressFeedback::reducesMotion() const
{
    return m_reduceMotion || motionReduced(m_host);
}

qreal PressFeedback::restingScale() const
{
    return m_hovering && m_host && m_host->isEnabled() ? m_hoverScale : 1.0;
}

void PressFeedback::animateTo(qreal scale, qreal glow, int ms)
{
    m_animation->stop();
    if (reducesMotion()) {
        m_scale = scale;
        m_glow = glow;
        if (m_host)
            m_host->update();
        Q_EMIT changed();
        return;
    }
    m_animation->setDuration(ms);
    m_animation->setStartValue(QPointF(m_scale, m_glow));
    m_animation->setEndValue(QPointF(scale, glow));
    m_animation->start();
}

void PressFeedback::settle()
{
    if (m_pressed && m_host && m_host->isEnabled())
        animateTo(m_pressScale, 1.0, pressMs);
    else
        animateTo(restingScale(), m_hovering ? 0.5 : 0.0, hoverMs);
}

void PressFeedback::setPressed(bool pressed)
{
    if (m_pressed == pressed)
        return;
    m_pressed = pressed;
    settle();
}

void PressFeedback::tap()
{
    ++m_taps;
    Q_EMIT changed();
    if (!m_host || !m_host->isEnabled())
        return;
    // Down now, back up once the press has shown.
    animateTo(m_pressScale, 1.0, pressMs);
    QTimer::singleShot(reducesMotion() ? 0 : pressMs + 40, this, [this] {
        if (!m_pressed)
            settle();
    });
}

void PressFeedback::finish()
{
    if (m_animation->state() == QAbstractAnimation::Running)
        m_animation->setCurrentTime(m_animation->duration());
}

bool PressFeedback::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_host)
        return false;
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::Enter:
        if (!m_hovering) {
            m_hovering = true;
            settle();
        }
        break;
    case QEvent::HoverLeave:
    case QEvent::Leave:
        if (m_hovering) {
            m_hovering = false;
            settle();
        }
        break;
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            setPressed(true);
        break;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            setPressed(false);
        break;
    case QEvent::EnabledChange:
        settle();
        break;
    default:
        break;
    }
    return false;
}
