// How long the computer waits for the TV before sleeping: from logind's PrepareForSleep(true)
// leaving the simulated logind to the moment it sees the delay lock's descriptor close, with a
// simulated TV that answers "system/turnOff" at once, through the production wiring. The TV
// keeps its socket open in standby and is switched back on between rounds, so every round
// turns off a TV that is on. Target: under 200 ms. Also: how soon after resume the next lock
// is taken.

#include "app/appservices.h"
#include "common/benchcommon.h"
#include "core/devicestore.h"
#include "core/settings.h"
#include "core/tvsession.h"
#include "logindsim/privatebus.h"
#include "logindsim/simulatedlogind.h"
#include "platform/logindsleepmonitor.h"

#include <QCoreApplication>
#include <QDBusConnection>

#include <cstdio>

using namespace std::chrono_literals;

namespace {

void report(const char *what, const std::vector<double> &values)
{
    const bench::Summary s = bench::summarise(values);
    std::printf("%s (%zu rounds): mean %.2f ms, p50 %.2f ms, p99 %.2f ms, max %.2f ms\n", what, s.n, s.mean, s.p50,
                s.p99, s.max);
}

int run(int rounds, SimulatedTV &tv, SimulatedLogind &logind, TVSession &session)
{
    std::vector<double> waits;
    std::vector<double> relocks;
    for (int round = 0; round < rounds; ++round) {
        tv.setPowerState(QStringLiteral("Active"));
        if (!bench::waitUntil([&] { return logind.heldLocks() == 1 && !session.isStandby()
                                           && session.state().is(ConnectionState::Kind::ready); }, 10s)) {
            std::fprintf(stderr, "round %d: no lock, or the TV is not on\n", round);
            return 1;
        }
        const int lock = int(logind.locks().size()) - 1;
        logind.prepareForSleep(true);
        if (!bench::waitUntil([&] { return logind.locks().at(lock).releasedNs.has_value(); }, 10s)) {
            std::fprintf(stderr, "round %d: the lock was never released\n", round);
            return 1;
        }
        waits.push_back(double(*logind.locks().at(lock).releasedNs - logind.lastAnnouncementNs()) / 1e6);
        logind.prepareForSleep(false);
        const qint64 resumedNs = logind.lastAnnouncementNs();
        if (!bench::waitUntil([&] { return int(logind.locks().size()) > lock + 1 && logind.heldLocks() == 1; }, 10s)) {
            std::fprintf(stderr, "round %d: no new lock after resume\n", round);
            return 1;
        }
        relocks.push_back(double(logind.locks().last().takenNs - resumedNs) / 1e6);
    }
    report("PrepareForSleep(true) to lock released, TV answers at once (target < 200 ms)", waits);
    report("PrepareForSleep(false) to the next lock taken", relocks);
    std::printf("turn-off requests the TV received: %d\n", tv.requestCount(QStringLiteral("ssap://system/turnOff")));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 200;
    const bench::BenchEnv env;
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
    SimulatedTV::Options options = bench::tvOptions(QStringLiteral("127.0.19.2"));
    options.turnOffCloseDelayMs = -1;  // stays connected in standby: no reconnect between rounds
    const auto tv = bench::startTV(options);
    if (!tv)
        return 1;
    Settings(env.settingsFile()).setFollowComputerOff(true);

    const QString connection = QStringLiteral("veltrix-bench");
    int status = 1;
    {
        AppServices services({env.settingsFile(), {}, nullptr,
                              std::make_unique<LogindSleepMonitor>(QDBusConnection::connectToBus(bus.address(), connection))});
        if (bench::connect(*services.session(), *services.store(), tv->host()))
            status = run(rounds, *tv, logind, *services.session());
        services.session()->disconnect();
    }
    QDBusConnection::disconnectFromBus(connection);
    return status;
}
