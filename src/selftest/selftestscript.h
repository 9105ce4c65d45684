#pragma once

#include <QJsonObject>
#include <QPointer>
#include <QString>

#include <QCoro/QCoroTask>

#include <chrono>
#include <optional>

class TVSession;

// One run of the scripted pass over the TV's commands. Every result goes to the log as a line
// starting with "[autotest]"; a failing step is logged and the script carries on. Lives in
// the frame of the task that runs it; the session may go away meanwhile, which ends the run
// at its next step.
class SelfTestScript {
public:
    // The pauses between steps, long enough for a real TV to react. Tests shorten them.
    struct Timing {
        std::chrono::milliseconds volumeSettle{1000};   // after volume and mute changes
        std::chrono::milliseconds homeSettle{2500};
        std::chrono::milliseconds arrowSettle{800};
        std::chrono::milliseconds backSettle{2000};
        std::chrono::milliseconds pointerInterval{20};
        std::chrono::milliseconds pointerSettle{500};
        std::chrono::milliseconds sourceSettle{4000};
        std::chrono::milliseconds powerOffSettle{8000};
        std::chrono::milliseconds standbySettle{12000};
        std::chrono::milliseconds wakePoll{500};
    };

    SelfTestScript(TVSession *session, const Timing &timing);

    // The basic script, and with `full` its second part as well.
    QCoro::Task<> runGeneral(bool full);
    // Turn the TV off, wait, wake it by Wake-on-LAN and time the wake-up.
    QCoro::Task<> runPower();

private:
    struct SessionGone {};

    QCoro::Task<> general(bool full);
    QCoro::Task<> power();
    TVSession &session() const;  // throws SessionGone
    static void say(const QString &text);
    QCoro::Task<std::optional<QJsonObject>> step(QString label, QString uri, QJsonObject payload);
    QCoro::Task<std::optional<QJsonObject>> powerState();
    QCoro::Task<> pause(std::chrono::milliseconds duration);
    QCoro::Task<> press(QString key, std::chrono::milliseconds settle);

    QCoro::Task<> readState();
    void logLists();
    QCoro::Task<> navigate();
    QCoro::Task<> muteAndVolume();
    QCoro::Task<> movePointer();
    QCoro::Task<> changeSource();
    QCoro::Task<> launchAuroraOrPlay();
    QCoro::Task<> waitForWakeUp();

    QPointer<TVSession> m_session;
    Timing m_timing;
};
