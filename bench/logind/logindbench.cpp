// How long the computer waits for the TV before sleeping: from logind's PrepareForSleep(true)
// leaving the simulated logind to the moment it sees the delay lock's descriptor close, with a
// simulated TV that answers "system/turnOff" at once. The TV keeps its socket open and is
// switched back on between rounds, so every round turns off a TV that is on. Target: under
// 200 ms. Also reports how long a new lock takes to arrive after resume.

#include "core/devicestore.h"
#include "log/log.h"
#include "logindsim/privatebus.h"
#include "logindsim/simulatedlogind.h"
#include "platform/followcomputer.h"
#include "platform/logindsleepmonitor.h"
#include "tvsim/lib/simulatedtv.h"
#include "core/tvsession.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <QCoro/QCoroTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

using namespace std::chrono_literals;

namespace {

QCoro::Task<bool> waitUntil(std::function<bool()> condition, std::chrono::milliseconds limit)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > limit.count())
            co_return false;
        co_await QCoro::sleepFor(1ms);
    }
    co_return true;
}

// Nearest rank: the smallest sample with at least p % of the samples at or below it.
double percentile(std::vector<double> samples, double p)
{
    std::sort(samples.begin(), samples.end());
    const size_t rank = size_t(std::max(1.0, std::ceil(p / 100.0 * double(samples.size()))));
    return samples[rank - 1];
}

QCoro::Task<int> run(int rounds, SimulatedTV *tv, SimulatedLogind *logind, TVSession *session, DeviceStore *store)
{
    const QString id = store->upsert(tv->host()).id;
    session->connect(id);
    if (!co_await waitUntil([&] { return session->state().is(ConnectionState::Kind::ready); }, 10s)) {
        std::fprintf(stderr, "the session never became ready\n");
        co_return 1;
    }
    std::vector<double> waits;
    std::vector<double> relocks;
    for (int round = 0; round < rounds; ++round) {
        tv->setPowerState(QStringLiteral("Active"));
        if (!co_await waitUntil([&] { return logind->heldLocks() == 1 && !session->isStandby()
                                             && session->state().is(ConnectionState::Kind::ready); }, 10s)) {
            std::fprintf(stderr, "round %d: no lock or the TV is not on\n", round);
            co_return 1;
        }
        const int lock = int(logind->locks().size()) - 1;
        logind->prepareForSleep(true);
        if (!co_await waitUntil([&] { return logind->locks().at(lock).releasedNs.has_value(); }, 10s)) {
            std::fprintf(stderr, "round %d: the lock was never released\n", round);
            co_return 1;
        }
        waits.push_back(double(*logind->locks().at(lock).releasedNs - logind->lastAnnouncementNs()) / 1e6);
        logind->prepareForSleep(false);
        const qint64 resumedNs = logind->lastAnnouncementNs();
        if (!co_await waitUntil([&] { return int(logind->locks().size()) > lock + 1 && logind->heldLocks() == 1; }, 10s)) {
            std::fprintf(stderr, "round %d: no new lock after resume\n", round);
            co_return 1;
        }
        relocks.push_back(double(logind->locks().last().takenNs - resumedNs) / 1e6);
    }
    std::printf("PrepareForSleep(true) to lock released, TV answers at once (%d rounds): "
                "p50 %.2f ms, p99 %.2f ms, max %.2f ms (target < 200 ms)\n",
                rounds, percentile(waits, 50), percentile(waits, 99), *std::max_element(waits.begin(), waits.end()));
    std::printf("PrepareForSleep(false) to the new lock taken: p50 %.2f ms, p99 %.2f ms\n", percentile(relocks, 50),
                percentile(relocks, 99));
    std::printf("turn-off requests the TV received: %d\n", tv->requestCount(QStringLiteral("ssap://system/turnOff")));
    co_return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 200;
    QTemporaryDir dir;
    veltrix::setLogFilePath(dir.filePath(QStringLiteral("app.log")));

    PrivateBus bus;
    if (!bus.start()) {
        std::fprintf(stderr, "dbus-daemon did not start\n");
        return 1;
    }
    SimulatedLogind logind(bus.address());
    if (!logind.start()) {
        std::fprintf(stderr, "the simulated logind could not take its name\n");
        return 1;
    }
    SimulatedTV::Options options;
    options.address = QHostAddress(QStringLiteral("127.0.19.2"));
    options.approveDelayMs = 0;
    options.turnOffCloseDelayMs = -1;  // stays connected in standby, so the next round needs no reconnect
    SimulatedTV tv(options);
    if (!tv.start()) {
        std::fprintf(stderr, "simulated TV: %s\n", qPrintable(tv.errorString()));
        return 1;
    }
    const QString settingsFile = dir.filePath(QStringLiteral("settings.ini"));
    Settings settings(settingsFile);
    settings.setFollowComputerOff(true);
    DeviceStore store(settingsFile);
    TVSession session(&store);
    int status = 1;
    {
        const QString connection = QStringLiteral("veltrix-bench");
        LogindSleepMonitor monitor(QDBusConnection::connectToBus(bus.address(), connection));
        FollowComputer follow(&session, &monitor, settings);
        QCoro::Task<int> task = run(rounds, &tv, &logind, &session, &store);
        task.then([&](int result) {
            status = result;
            app.quit();
        });
        app.exec();
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("veltrix-bench"));
    session.disconnect();
    veltrix::flushLog();
    return status;
}
