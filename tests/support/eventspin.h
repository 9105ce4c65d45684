#pragma once

// Runs the event loop until a condition holds, without the 10 ms sleeps between passes that
// QTest::qWaitFor makes: tests about deadlines need every event handled when it is due.

#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <functional>

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
    poll.start(std::chrono::milliseconds(1));
    QTimer::singleShot(limit, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}
