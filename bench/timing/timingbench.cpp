// How long the session's deadlines really last, with the production values: four requests the
// simulated TV never answers, started 250 ms apart (8 s each), four more it answers after
// 7.9 s, and the gaps between the Wake-on-LAN bursts of a wake-up whose TV never comes back
// (3 s waits). Every time-out must be at least the deadline asked for (how far above shows the
// event loop's lateness), and every late answer must arrive.

#include "app/appservices.h"
#include "common/benchcommon.h"
#include "core/devicestore.h"
#include "core/tvsession.h"
#include "protocol/ssaperror.h"
#include "tvsim/lib/wakelistener.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <QCoro/QCoroTimer>

#include <cstdio>

using namespace std::chrono_literals;

namespace {

QCoro::Task<> timedCall(TVSession *session, QString uri, QElapsedTimer clock, qint64 *elapsed, QString *outcome)
{
    const qint64 start = clock.elapsed();
    try {
        co_await session->call(uri, {});
        *outcome = QStringLiteral("answered");
    } catch (const SSAPError &error) {
        *outcome = error.description();
    }
    *elapsed = clock.elapsed() - start;
}

QCoro::Task<int> run(SimulatedTV *tv, const AppServices *services)
{
    TVSession &session = *services->session();
    DeviceStore *store = services->store();
    const QString id = store->upsert(tv->host()).id;
    session.connect(id);
    if (!co_await bench::waitUntilAsync([&] { return session.state().is(ConnectionState::Kind::ready)
                                         && store->device(id)->mac.has_value(); }, 10s)) {
        std::fprintf(stderr, "the session never became ready\n");
        co_return 1;
    }

    // Four stalled requests and four answered late, 250 ms apart.
    tv->neverAnswer(QStringLiteral("audio/volumeUp"));
    tv->delayReply(QStringLiteral("audio/volumeDown"), 7900);
    QElapsedTimer clock;
    clock.start();
    qint64 elapsed[4] = {-1, -1, -1, -1};
    QString outcome[4];
    qint64 lateElapsed[4] = {-1, -1, -1, -1};
    QString lateOutcome[4];
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            QTimer gap;
            gap.setTimerType(Qt::PreciseTimer);
            gap.setSingleShot(true);
            gap.start(250ms);
            co_await gap;
        }
        timedCall(&session, QStringLiteral("audio/volumeUp"), clock, &elapsed[i], &outcome[i]);
        timedCall(&session, QStringLiteral("audio/volumeDown"), clock, &lateElapsed[i], &lateOutcome[i]);
    }
    co_await bench::waitUntilAsync([&] { return elapsed[3] >= 0 && lateElapsed[3] >= 0; }, 20s);
    std::printf("request time-out 8000 ms asked, never answered:");
    for (int i = 0; i < 4; ++i)
        std::printf(" %lld", static_cast<long long>(elapsed[i]));
    std::printf(" ms (%s)\n", qPrintable(outcome[0]));
    std::printf("request time-out 8000 ms asked, answered after 7900 ms:");
    for (int i = 0; i < 4; ++i)
        std::printf(" %lld ms (%s)", static_cast<long long>(lateElapsed[i]), qPrintable(lateOutcome[i]));
    std::printf("\n");

    // A wake-up whose TV stays away: one burst at once, one after each 3 s wait.
    session.disconnect();
    tv->stop();
    WakeListener listener(tv->options().mac);
    if (!listener.start()) {
        std::fprintf(stderr, "wake listener: %s\n", qPrintable(listener.errorString()));
        co_return 1;
    }
    QList<qint64> bursts;
    qint64 last = -1;
    QObject::connect(&listener, &WakeListener::magicPacket, [&] {
        const qint64 now = clock.elapsed();
        if (last < 0 || now - last > 1000)
            bursts.append(now);
        last = now;
    });
    TVSession::Timing timing;
    timing.wakeAttempts = 3;
    session.setTiming(timing);
    session.wake();
    // Failed attempts pass through the error state; the wake-up's own end has its own text.
    const ConnectionState gaveUp = ConnectionState::error(QStringLiteral("唤醒超时，请确认电视已开启网络唤醒"));
    co_await bench::waitUntilAsync([&] { return session.state() == gaveUp; }, 30s);
    std::printf("wake wait 3000 ms asked, gaps between bursts:");
    for (int i = 1; i < bursts.size(); ++i)
        std::printf(" %lld", static_cast<long long>(bursts[i] - bursts[i - 1]));
    std::printf(" ms (%s)\n", qPrintable(session.state().text()));
    co_return 0;
}

QCoro::Task<> runAndQuit(SimulatedTV *tv, const AppServices *services)
{
    const int status = co_await run(tv, services);
    QCoreApplication::exit(status);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariable("VELTRIX_NETNS") != QLatin1String("1")) {
        std::fprintf(stderr, "run inside scripts/netns-exec: the wake-up broadcasts\n");
        return 2;
    }
    const bench::BenchEnv env;
    const auto tv = bench::startTV(bench::tvOptions(QStringLiteral("127.0.19.2")));
    if (!tv)
        return 1;
    const AppServices services({env.settingsFile(), {}, nullptr, nullptr});
    QTimer::singleShot(0, &app, [&] { runAndQuit(tv.get(), &services); });
    return app.exec();
}
