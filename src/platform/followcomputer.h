#pragma once

#include "core/settings.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <QCoro/QCoroTask>

#include <chrono>
#include <optional>

class SleepMonitor;
class TVSession;

// The TV follows the computer: the selected TV is turned off when the computer is about to
// sleep or shut down, and woken again after sleep when it was turned off here. While turning
// off is switched on, a delay lock makes the computer wait for the TV, but never longer than
// the answer limit; the event loop never waits.
class FollowComputer : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds defaultAnswerLimit{3000};

    FollowComputer(TVSession *session, SleepMonitor *monitor, const Settings &settings, QObject *parent = nullptr);
    ~FollowComputer() override;

    void setAnswerLimit(std::chrono::milliseconds limit) { m_answerLimit = limit; }

    // Whether the computer tells us about sleep at all; both switches are useless otherwise.
    bool isAvailable() const;
    bool turnsOff() const { return m_settings.followComputerOff(); }
    bool turnsOn() const { return m_settings.followComputerOn(); }
    // Stored at once and in effect at once: the lock is taken or let go here.
    void setTurnsOff(bool on);
    void setTurnsOn(bool on);
    // True between the computer's announcement and the moment it may go on.
    bool isHoldingComputer() const { return m_waiting; }

Q_SIGNALS:
    void availableChanged(bool available);
    void turnsOffChanged(bool on);
    void turnsOnChanged(bool on);
    // The computer may go on, after waiting this long since its announcement.
    void computerReleased(std::chrono::milliseconds waited);

private:
    enum class Going { toSleep, down };

    void refreshLock();
    void prepare(Going going);
    void resumed();
    void finish(quint64 round, const QString &result);
    QCoro::Task<> sendTurnOff(quint64 round);

    TVSession *m_session;
    SleepMonitor *m_monitor;
    Settings m_settings;
    std::chrono::milliseconds m_answerLimit = defaultAnswerLimit;
    QTimer m_limit;
    QElapsedTimer m_since;
    quint64 m_round = 0;  // one per announcement; late answers of an earlier one count for nothing
    bool m_waiting = false;
    std::optional<QString> m_turnedOff;  // the TV turned off at the last announcement
};
