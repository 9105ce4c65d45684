#include "protocol/precisetimer.h"

#include <QObject>
#include <QTimer>

#include <QCoro/QCoroTimer>

namespace veltrix {

std::chrono::milliseconds remainingUntil(MonotonicClock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - MonotonicClock::now());
    return std::max(left, std::chrono::milliseconds(0));
}

void callAtDeadline(QObject *context, MonotonicClock::time_point deadline,
                    std::function<void()> expired)
{
    QTimer::singleShot(remainingUntil(deadline), Qt::PreciseTimer, context,
                       [context, deadline, expired = std::move(expired)]() mutable {
                           if (MonotonicClock::now() < deadline)
                               callAtDeadline(context, deadline, std::move(expired));
                           else
                               expired();
                       });
}

QCoro::Task<> sleepAtLeast(std::chrono::milliseconds duration)
{
    const MonotonicClock::time_point deadline = MonotonicClock::now() + duration;
    do {
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        timer.setSingleShot(true);
        timer.start(remainingUntil(deadline));
        co_await timer;
    } while (MonotonicClock::now() < deadline);
}

} // namespace veltrix
