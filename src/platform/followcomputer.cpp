#include "platform/followcomputer.h"

#include "core/tvsession.h"
#include "log/log.h"
#include "platform/sleepmonitor.h"
#include "protocol/ssaperror.h"

#include <QPointer>

FollowComputer::FollowComputer(TVSession *session, SleepMonitor *monitor, const Settings &settings, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_monitor(monitor)
    , m_settings(settings)
{
    m_limit.setSingleShot(true);
    m_limit.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_limit, &QTimer::timeout, this, [this] {
        finish(m_round, QStringLiteral("电视 %1 秒内未应答，不再等待").arg(m_answerLimit.count() / 1000.0));
    });
    QObject::connect(monitor, &SleepMonitor::prepareForSleep, this, [this](bool starting) {
        if (starting)
            prepare(Going::toSleep);
        else
            resumed();
    });
    QObject::connect(monitor, &SleepMonitor::prepareForShutdown, this, [this](bool starting) {
        if (starting) {
            prepare(Going::down);
            return;
        }
        // The shutdown was called off: the TV stays as it is, the lock comes back.
        m_turnedOff.reset();
        refreshLock();
    });
    QObject::connect(monitor, &SleepMonitor::availableChanged, this, [this](bool available) {
        refreshLock();
        Q_EMIT availableChanged(available);
    });
    refreshLock();
}

FollowComputer::~FollowComputer()
{
    m_monitor->releaseLock();
}

bool FollowComputer::isAvailable() const
{
    return m_monitor->isAvailable();
}

void FollowComputer::setTurnsOff(bool on)
{
    if (on == turnsOff())
        return;
    m_settings.setFollowComputerOff(on);
    refreshLock();
    Q_EMIT turnsOffChanged(on);
}

void FollowComputer::setTurnsOn(bool on)
{
    if (on == turnsOn())
        return;
    m_settings.setFollowComputerOn(on);
    Q_EMIT turnsOnChanged(on);
}

void FollowComputer::refreshLock()
{
    if (!turnsOff()) {
        m_monitor->releaseLock();
        return;
    }
    // During a wait the lock in hand is the one being used up; the next comes after resume.
    // The reason is what system tools list beside the lock, so it speaks the user's language.
    if (m_monitor->isAvailable() && !m_waiting)
        m_monitor->takeLock(tr("先关闭电视，再休眠或关机"));
}

void FollowComputer::prepare(Going going)
{
    // Read afresh, so a settings file edited by hand counts too.
    if (!turnsOff()) {
        m_monitor->releaseLock();
        return;
    }
    // Sleep and shutdown may both be announced; the first one is being handled.
    if (m_waiting)
        return;
    veltrix::log(going == Going::toSleep ? QStringLiteral("电脑即将休眠，正在关闭电视")
                                         : QStringLiteral("电脑即将关机，正在关闭电视"));
    m_since.start();
    m_waiting = true;
    m_turnedOff.reset();
    const quint64 round = ++m_round;
    // The power button's rule: only a connected TV that is not in standby is turned off.
    const auto selected = m_session->store()->selectedDevice();
    const bool on = m_session->state().is(ConnectionState::Kind::ready) && !m_session->isStandby();
    if (!on || !selected || !selected->isPaired()) {
        finish(round, QStringLiteral("电视未开启，无需关闭"));
        return;
    }
    m_turnedOff = selected->id;
    m_limit.start(m_answerLimit);
    sendTurnOff(round);
}

QCoro::Task<> FollowComputer::sendTurnOff(quint64 round)
{
    QPointer<FollowComputer> self(this);
    QString result = QStringLiteral("电视已关闭");
    bool refused = false;
    try {
        const TVRequest request = tvrequest::turnOff();
        co_await m_session->call(request);
    } catch (const SSAPError &error) {
        result = QStringLiteral("system/turnOff 失败: ") + error.description();
        refused = error.kind() == SSAPError::Kind::server;
    } catch (const std::exception &error) {
        result = QStringLiteral("system/turnOff 失败: ") + QString::fromUtf8(error.what());
    }
    if (!self)
        co_return;
    // A TV that said no is still on, so waking it later would be wrong.
    if (refused && round == self->m_round)
        self->m_turnedOff.reset();
    self->finish(round, result);
}

void FollowComputer::finish(quint64 round, const QString &result)
{
    if (round != m_round)
        return;
    if (!m_waiting) {
        // An answer after the limit: the computer has gone on already, but the log says how it ended.
        veltrix::log(result);
        return;
    }
    m_waiting = false;
    m_limit.stop();
    veltrix::log(result);
    m_monitor->releaseLock();
    const auto waited = std::chrono::milliseconds(m_since.elapsed());
    veltrix::log(QStringLiteral("已释放休眠延迟锁，电脑等待了 %1 毫秒").arg(waited.count()));
    Q_EMIT computerReleased(waited);
}

void FollowComputer::resumed()
{
    // Resumed while still waiting: the computer stopped waiting long ago.
    if (m_waiting) {
        m_waiting = false;
        m_limit.stop();
    }
    ++m_round;
    const std::optional<QString> turnedOff = std::exchange(m_turnedOff, std::nullopt);
    refreshLock();
    if (!turnsOn()) {
        if (turnsOff())
            veltrix::log(QStringLiteral("电脑已唤醒"));
        return;
    }
    const auto selected = m_session->store()->selectedDevice();
    if (!turnedOff || !selected || selected->id != *turnedOff) {
        veltrix::log(QStringLiteral("电脑已唤醒；电视不是 Veltrix 关闭的，保持关闭"));
        return;
    }
    veltrix::log(QStringLiteral("电脑已唤醒，正在打开电视"));
    m_session->wake();
}
