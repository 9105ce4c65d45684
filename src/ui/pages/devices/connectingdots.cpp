#include "ui/pages/devices/connectingdots.h"

#include "ui/pages/devices/pairingrules.h"

#include <QTimer>

ConnectingDots::ConnectingDots(QWidget *parent)
    : QLabel(parent)
    , m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("connectingDots"));
    m_timer->setInterval(400);
    QObject::connect(m_timer, &QTimer::timeout, this, &ConnectingDots::advance);
}

void ConnectingDots::setActive(bool active)
{
    if (m_active == active)
        return;
    m_active = active;
    if (active) {
        m_timer->start();
    } else {
        m_timer->stop();
        setPhase(0);
    }
    Q_EMIT activeChanged(active);
}

void ConnectingDots::advance()
{
    setPhase((m_phase + 1) % 4);
}

void ConnectingDots::setPhase(int phase)
{
    if (m_phase == phase)
        return;
    m_phase = phase;
    setText(pairing::dots(phase));
    Q_EMIT phaseChanged(phase);
}

QSize ConnectingDots::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(pairing::dots(3)) + 2, metrics.height()};
}
