#include "ui/remote/powerbutton.h"

#include "core/tvsession.h"

PowerButton::PowerButton(TVSession *session, Icons *icons, int size, QWidget *parent)
    : RoundIconButton(icons, QStringLiteral("power"), size, QColor(0xff, 0x4d, 0x5e), QString(), parent)
    , m_session(session)
{
    setObjectName(QStringLiteral("powerButton"));
    QObject::connect(session, &TVSession::titleChanged, this, &PowerButton::refresh);
    QObject::connect(this, &QAbstractButton::clicked, this, &PowerButton::press);
    m_turnsOff = !(session->state().is(ConnectionState::Kind::ready) && !session->isStandby());
    refresh();
}

void PowerButton::refresh()
{
    const bool turnsOff = m_session->state().is(ConnectionState::Kind::ready) && !m_session->isStandby();
    setTip(turnsOff ? tr("关机") : tr("网络唤醒 (WOL)"));
    if (turnsOff == m_turnsOff)
        return;
    m_turnsOff = turnsOff;
    Q_EMIT turnsOffChanged(turnsOff);
}

void PowerButton::press()
{
    // Decided at the press, not from the last redraw: the state may have moved since.
    if (m_session->state().is(ConnectionState::Kind::ready) && !m_session->isStandby())
        m_session->turnOff();
    else
        m_session->wake();
}
