// Cost of the live preview: one 1920x1080 JPEG screenshot per second from a simulated TV,
// fetched with the client's screenshot operation (request, address check, pinned HTTPS
// download) and decoded to a QImage. The TV runs in a child process so its work is not
// counted; the figure is this process's CPU time (all threads) per frame.
//
//   bench_preview [--frames N] [--interval MS] [--address 127.0.18.2]
//
// Run it inside a private network namespace (scripts/netns-exec build/bench/preview/bench_preview).

#include "common/benchcommon.h"
#include "protocol/screenshot.h"
#include "protocol/ssapclient.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>

#include <QBuffer>
#include <QRandomGenerator>

#include <QCoro/QCoroTimer>

#include <cstdio>
#include <vector>

namespace {

using bench::processCpuMs;
using bench::threadCpuMs;

// The simulated TV's picture is flat and compresses very well; a camera-like picture costs
// more to decode. Decode-only cost of a noisy 1920x1080 JPEG as an upper bound.
void measureNoisyDecode(int rounds)
{
    QImage picture(1920, 1080, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < picture.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const int noise = int(random.bounded(64));
            line[x] = qRgb((x / 8 + noise) & 0xff, (y / 5 + noise) & 0xff, ((x + y) / 12 + noise) & 0xff);
        }
    }
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "JPEG", 85);

    std::vector<double> cpu;
    for (int i = 0; i < rounds; ++i) {
        const double start = threadCpuMs();
        QImage decoded;
        decoded.loadFromData(jpeg);
        cpu.push_back(threadCpuMs() - start);
    }
    const bench::Summary s = bench::summarise(cpu);
    std::printf("  decode only, noisy 1920x1080 JPEG (%lld bytes, quality 85): mean %.2f ms  max %.2f ms\n",
                static_cast<long long>(jpeg.size()), s.mean, s.max);
}

QCoro::Task<int> measure(QString address, int frames, int intervalMs)
{
    SSAPClient client;
    try {
        co_await client.connect(address);
    } catch (const SSAPError &e) {
        std::fprintf(stderr, "connect failed: %s\n", e.what());
        co_return 1;
    }

    std::vector<double> cpu, decodeCpu, wall;
    qint64 jpegBytes = 0;
    QSize size;
    const double runCpuStart = processCpuMs();
    QElapsedTimer run;
    run.start();

    // One warm-up frame (TLS session, decoder plug-in loading) that is not counted.
    for (int i = -1; i < frames; ++i) {
        QElapsedTimer clock;
        clock.start();
        const double cpuStart = processCpuMs();
        QByteArray bytes;
        try {
            bytes = co_await captureScreenshot(&client, address);
        } catch (const std::exception &e) {
            std::fprintf(stderr, "frame %d failed: %s\n", i, e.what());
            co_return 1;
        }
        const double decodeStart = threadCpuMs();
        QImage image;
        if (!image.loadFromData(bytes)) {
            std::fprintf(stderr, "frame %d did not decode\n", i);
            co_return 1;
        }
        const double decodeEnd = threadCpuMs();
        const double cpuEnd = processCpuMs();
        const qint64 elapsed = clock.elapsed();
        if (i >= 0) {
            cpu.push_back(cpuEnd - cpuStart);
            decodeCpu.push_back(decodeEnd - decodeStart);
            wall.push_back(double(elapsed));
        } else {
            run.restart();
        }
        jpegBytes = bytes.size();
        size = image.size();
        if (i == -1)
            continue;
        if (elapsed < intervalMs)
            co_await QCoro::sleepFor(std::chrono::milliseconds(intervalMs - elapsed));
    }
    const double runCpu = processCpuMs() - runCpuStart;
    const double runSeconds = run.elapsed() / 1000.0;

    const bench::Summary c = bench::summarise(cpu), d = bench::summarise(decodeCpu), w = bench::summarise(wall);
    std::printf("preview bench: %d frames of %dx%d JPEG (%lld bytes), one every %d ms\n", frames,
                size.width(), size.height(), static_cast<long long>(jpegBytes), intervalMs);
    std::printf("  CPU per frame, download + decode (ms): mean %.2f  p50 %.2f  p95 %.2f  max %.2f\n",
                c.mean, c.p50, c.p95, c.max);
    std::printf("  of which decode (ms):                  mean %.2f  p50 %.2f  p95 %.2f  max %.2f\n",
                d.mean, d.p50, d.p95, d.max);
    std::printf("  wall time per frame (ms):              mean %.2f  p50 %.2f  p95 %.2f  max %.2f\n",
                w.mean, w.p50, w.p95, w.max);
    std::printf("  whole run: %.1f ms CPU over %.1f s = %.2f%% of one core\n", runCpu, runSeconds,
                runSeconds > 0 ? runCpu / (runSeconds * 10.0) : 0.0);
    measureNoisyDecode(10);
    co_return 0;
}

QCoro::Task<> runAndQuit(QString address, int frames, int intervalMs)
{
    const int code = co_await measure(address, frames, intervalMs);
    QCoreApplication::exit(code);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 2 && qstrcmp(argv[1], "--serve") == 0)
        return bench::serveTV(QString::fromLatin1(argv[2]));
    QCommandLineParser parser;
    const QCommandLineOption framesOption(QStringLiteral("frames"), QStringLiteral("Frames to measure."),
                                          QStringLiteral("n"), QStringLiteral("30"));
    const QCommandLineOption intervalOption(QStringLiteral("interval"), QStringLiteral("Pace in ms."),
                                            QStringLiteral("ms"), QStringLiteral("1000"));
    const QCommandLineOption addressOption(QStringLiteral("address"), QStringLiteral("TV loopback address."),
                                           QStringLiteral("ip"), QStringLiteral("127.0.18.2"));
    parser.addHelpOption();
    parser.addOptions({framesOption, intervalOption, addressOption});
    parser.process(app);

    const QString address = parser.value(addressOption);
    const bench::BenchEnv env;
    const bench::TVProcess tv(address);
    if (!tv.isReady())
        return 1;

    QTimer::singleShot(0, [&] { runAndQuit(address, parser.value(framesOption).toInt(),
                                           parser.value(intervalOption).toInt()); });
    return QCoreApplication::exec();
}
