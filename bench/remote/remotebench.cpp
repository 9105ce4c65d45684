// The remote page's costs.
//
// pointer: synthetic drag events on the touchpad surface at 1000 per second; for each event,
//   the time until the move frame that carries it arrives at the (in-process) simulated TV.
// preview: the main window with the live picture of a 1920x1080 simulated TV (run in a child
//   process, so its work is not counted) at one picture per second; CPU of this process as a
//   percentage of one core while the preview runs, while the window is minimised, and while
//   another page is shown.
//
//   bench_remote [pointer|preview|all] [--seconds N]
// Run it inside a private network namespace (scripts/bench does).

#include "app/appservices.h"
#include "common/benchcommon.h"
#include "core/settings.h"
#include "core/tvsession.h"
#include "log/log.h"
#include "preview/previewcontroller.h"
#include "ui/remote/remotepage.h"
#include "ui/remote/touchpadpanel.h"
#include "ui/remote/touchpadsurface.h"
#include "ui/remote/tvcard.h"
#include "ui/shell/mainwindow.h"
#include "ui/shell/uikit.h"
#include "ui/theme/icons.h"
#include "ui/theme/tvscreenpreview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <deque>
#include <vector>

using namespace std::chrono_literals;

namespace {

int pointerBench(int seconds)
{
    const bench::BenchEnv env;
    const auto tvRunning = bench::startTV(bench::tvOptions(QStringLiteral("127.0.19.2")));
    if (!tvRunning)
        return 1;
    SimulatedTV &tv = *tvRunning;
    const AppServices services({env.settingsFile(), {}, nullptr});
    if (!bench::connect(*services.session(), *services.store(), tv.host()))
        return 1;
    Icons icons;
    TouchpadPanel panel(services.session(), &icons, ViewLayout::window);
    panel.resize(360, 260);
    panel.show();
    TouchpadSurface *surface = panel.surface();

    // Every event moves 2 points right, which the panel scales to exactly 3: a frame of dx
    // 3n carries the next n events.
    QElapsedTimer clock;
    clock.start();
    std::deque<qint64> waiting;
    std::vector<double> latencies;
    int frames = 0;
    const QRegularExpression move(QStringLiteral("^type:move\ndx:(-?\\d+)\n"));
    QObject::connect(&tv, &SimulatedTV::pointerFrameReceived, [&](const QString &frame) {
        const auto match = move.match(frame);
        if (!match.hasMatch())
            return;
        const qint64 now = clock.nsecsElapsed();
        ++frames;
        for (int n = match.captured(1).toInt() / 3; n > 0 && !waiting.empty(); --n) {
            latencies.push_back((now - waiting.front()) / 1e6);
            waiting.pop_front();
        }
    });

    QPointF at(10, 10);
    QMouseEvent press(QEvent::MouseButtonPress, at, surface->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(surface, &press);
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    ticks.setInterval(1);
    long long sent = 0;
    const long long total = qint64(seconds) * 1000;
    const qint64 start = clock.nsecsElapsed();
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const long long due = std::min<long long>((clock.nsecsElapsed() - start) / 1000000, total);
        while (sent < due) {
            at.rx() += 2;
            QMouseEvent drag(QEvent::MouseMove, at, surface->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                             Qt::NoModifier);
            waiting.push_back(clock.nsecsElapsed());
            QApplication::sendEvent(surface, &drag);
            ++sent;
        }
        if (sent >= total)
            ticks.stop();
    });
    ticks.start();
    QTest::qWaitFor([&] { return sent >= total && waiting.empty(); }, (seconds + 5) * 1000);

    std::printf("pointer latency, synthetic drag event -> move frame at the simulated TV\n");
    std::printf("  %lld events in %d s (1000 per second), %d frames (%.1f per second)\n", sent, seconds, frames,
                frames / double(seconds));
    std::printf("  p50 %.2f ms  p99 %.2f ms  max %.2f ms  (frames gather 16 ms of motion)\n",
                bench::percentile(latencies, 0.5), bench::percentile(latencies, 0.99), bench::percentile(latencies, 1.0));
    std::printf("  events unaccounted for: %zu\n", waiting.size());
    return waiting.empty() ? 0 : 1;
}

// CPU of this process over `seconds`, as a percentage of one core.
double cpuPercentOver(int seconds)
{
    const double before = bench::processCpuMs();
    QElapsedTimer wall;
    wall.start();
    // An event loop that sleeps until the timer: QTest::qWait wakes every few milliseconds
    // and would be counted as the window's own cost.
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    return (bench::processCpuMs() - before) / double(wall.elapsed()) * 100.0;
}

int previewBench(int seconds)
{
    const QString address = QStringLiteral("127.0.19.3");
    const bench::TVProcess tv(address);
    if (!tv.isReady())
        return 1;
    const bench::BenchEnv env;
    const AppServices services({env.settingsFile(), {}, nullptr});
    UiKit kit(services.session(), services.store(), services.mcp(), Settings(env.settingsFile()));
    if (!bench::connect(*services.session(), *services.store(), address))
        return 1;
    MainWindow window(kit.context());
    window.show();
    window.activateWindow();
    QTest::qWaitForWindowActive(&window);
    auto *page = qobject_cast<RemotePage *>(window.pageWidget(Page::remote));
    PreviewController *controller = page->card()->preview()->controller();
    if (!QTest::qWaitFor([&] { return !controller->image().isNull(); }, 10000)) {
        std::fprintf(stderr, "no picture: %s\n", qPrintable(controller->statusText()));
        return 1;
    }
    QTest::qWait(1500);  // past the first picture's one-off costs

    const double running = cpuPercentOver(seconds);
    const QSize size = controller->image().size();

    window.showMinimized();
    QTest::qWait(1000);
    const double minimised = cpuPercentOver(seconds);
    const QString minimisedStatus = controller->statusText();

    window.showNormal();
    window.activateWindow();
    QTest::qWaitFor([&] { return !controller->image().isNull(); }, 5000);
    window.setPage(Page::settings);
    QTest::qWait(1000);
    const double otherPage = cpuPercentOver(seconds);

    std::printf("window CPU with the live preview (%dx%d JPEG pictures, %d s each)\n", size.width(),
                size.height(), seconds);
    std::printf("  preview running:      %.2f%% of one core\n", running);
    std::printf("  window minimised:     %.3f%% of one core (status \"%s\")\n", minimised,
                qPrintable(minimisedStatus));
    std::printf("  another page shown:   %.3f%% of one core\n", otherPage);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 2 && qstrcmp(argv[1], "--serve") == 0) {
        QCoreApplication app(argc, argv);
        return bench::serveTV(QString::fromLatin1(argv[2]));
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QString mode = args.size() > 1 && !args.at(1).startsWith(QLatin1String("--")) ? args.at(1)
                                                                                         : QStringLiteral("all");
    int seconds = 0;
    const int at = int(args.indexOf(QStringLiteral("--seconds")));
    if (at > 0 && at + 1 < args.size())
        seconds = args.at(at + 1).toInt();
    int status = 0;
    if (mode == QLatin1String("pointer") || mode == QLatin1String("all"))
        status |= pointerBench(seconds > 0 ? seconds : 10);
    if (mode == QLatin1String("preview") || mode == QLatin1String("all"))
        status |= previewBench(seconds > 0 ? seconds : 20);
    return status;
}
