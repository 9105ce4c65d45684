#pragma once

// Waits that keep the event loop running. Waiting for a count? Let the work already in
// flight settle first (settle()), or the count may still grow after the wait returns.

#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <functional>

using namespace std::chrono_literals;

// True once `done` holds, false after `limit`.
inline bool waitFor(const std::function<bool()> &done, std::chrono::milliseconds limit = 5s)
{
    return QTest::qWaitFor(done, int(limit.count()));
}

// Like waitFor, without the 10 ms sleeps between passes that QTest::qWaitFor makes: tests
// about deadlines need every event handled when it is due.
inline bool spinUntil(const std::function<bool()> &done, std::chrono::milliseconds limit)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(1ms);
    QTimer::singleShot(limit, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

// Lets queued work (resumptions of closed clients, deferred deletes) run.
inline void settle(std::chrono::milliseconds time = 20ms)
{
    QTest::qWait(int(time.count()));
}
