#pragma once

#include <QCoro/QCoroTask>

#include <chrono>
#include <functional>

class QObject;

// Deadlines that never end early. Qt's default coarse timers may fire up to 5% before their
// interval (a request given 8 s could fail after 7.6 s); these arm precise timers, measure
// against the monotonic clock and wait again for whatever is left when woken early.
namespace veltrix {

using MonotonicClock = std::chrono::steady_clock;

// Time left until `deadline`, rounded up to whole milliseconds; zero once it has passed.
std::chrono::milliseconds remainingUntil(MonotonicClock::time_point deadline);

// Calls `expired` from the event loop once `deadline` has passed, never before. Nothing is
// called when `context` is destroyed first.
void callAtDeadline(QObject *context, MonotonicClock::time_point deadline,
                    std::function<void()> expired);

// Suspends the calling coroutine for at least `duration`.
QCoro::Task<> sleepAtLeast(std::chrono::milliseconds duration);

} // namespace veltrix
