// Pointer motion at 1000 events per second for 10 seconds against the simulated TV.
// Reports: move frames sent and the shortest gap between them, whether the sums of the
// frames equal the sums of the motion (nothing lost), and how long the main thread was
// ever kept from running a 1 ms timer (its longest stall).

#include "app/appservices.h"
#include "common/benchcommon.h"
#include "core/tvsession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10;
    // "baseline": the same timer without any motion, to tell the machine's own jitter apart.
    const bool baseline = argc > 2 && qstrcmp(argv[2], "baseline") == 0;
    const bench::BenchEnv env;
    const auto tvRunning = bench::startTV(bench::tvOptions(QStringLiteral("127.0.18.2")));
    if (!tvRunning)
        return 1;
    SimulatedTV &tv = *tvRunning;
    const AppServices services({env.settingsFile(), {}, nullptr, nullptr});
    TVSession &session = *services.session();
    if (!bench::connect(session, *services.store(), tv.host()))
        return 1;

    QList<qint64> frameTimes;
    QElapsedTimer clock;
    clock.start();
    long long sentX = 0, sentY = 0;
    const QRegularExpression move(QStringLiteral("^type:move\ndx:(-?\\d+)\ndy:(-?\\d+)\ndown:0\n\n$"));
    QObject::connect(&tv, &SimulatedTV::pointerFrameReceived, [&](const QString &frame) {
        const auto match = move.match(frame);
        if (!match.hasMatch())
            return;
        frameTimes.append(clock.nsecsElapsed());
        sentX += match.captured(1).toLongLong();
        sentY += match.captured(2).toLongLong();
    });

    QTimer events;
    events.setTimerType(Qt::PreciseTimer);
    events.setInterval(1);
    double inX = 0, inY = 0;
    long long count = 0;
    qint64 lastTick = 0, worstStall = 0, sendStart = 0, worstCall = 0, worstAt = 0;
    int stallsOver2ms = 0;
    // A finger moving slowly and unevenly: fractions that only add up across windows.
    QObject::connect(&events, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (lastTick) {
            if (now - lastTick > worstStall) {
                worstStall = now - lastTick;
                worstAt = now - sendStart;
            }
            stallsOver2ms += (now - lastTick > 2000000) ? 1 : 0;
        }
        lastTick = now;
        // Catch up when a tick came late, so the rate stays 1000 events per second.
        const long long due = std::min<long long>((now - sendStart) / 1000000, qint64(seconds) * 1000);
        while (count < due) {
            const double dx = 0.3 + 0.05 * (count % 7);
            const double dy = -0.25 + 0.1 * (count % 5);
            const qint64 before = clock.nsecsElapsed();
            if (!baseline)
                session.movePointer(dx, dy);
            worstCall = std::max(worstCall, clock.nsecsElapsed() - before);
            inX += dx;
            inY += dy;
            ++count;
        }
        if (count >= qint64(seconds) * 1000) {
            events.stop();
            // Let the last window flush and its frame arrive.
            QTimer::singleShot(300, &app, &QCoreApplication::quit);
        }
    });

    // Past the connection's follow-up requests.
    QTimer::singleShot(500, [&] {
        sendStart = clock.nsecsElapsed();
        events.start();
    });
    QTimer::singleShot((seconds + 20) * 1000, &app, [&] {
        std::fprintf(stderr, "timed out\n");
        QCoreApplication::exit(1);
    });
    app.exec();

    qint64 minGap = std::numeric_limits<qint64>::max();
    for (int i = 1; i < frameTimes.size(); ++i)
        minGap = std::min(minGap, frameTimes[i] - frameTimes[i - 1]);
    const QPointF remainder = session.pendingMove();
    std::printf("pointer motion: %lld events in %d s, %lld frames (%.1f per second)\n", count, seconds,
                (long long)frameTimes.size(), frameTimes.size() / double(seconds));
    std::printf("shortest gap between frames at the TV: %.2f ms (window 16 ms)\n", minGap / 1e6);
    std::printf("motion in: (%.3f, %.3f); frames sum: (%lld, %lld); carried remainder: (%.3f, %.3f)\n", inX, inY,
                sentX, sentY, remainder.x(), remainder.y());
    const bool lossless = std::abs(sentX + remainder.x() - inX) < 1e-6 && std::abs(sentY + remainder.y() - inY) < 1e-6;
    std::printf("nothing lost: %s\n", lossless ? "yes" : "NO");
    std::printf("longest movePointer call: %.3f ms\n", worstCall / 1e6);
    std::printf("longest main-thread stall between 1 ms ticks: %.2f ms (includes the in-process simulated TV "
                "and OS scheduling), at %.0f ms; gaps over 2 ms: %d\n", worstStall / 1e6, worstAt / 1e6, stallsOver2ms);
    return (lossless || baseline) ? 0 : 1;
}
