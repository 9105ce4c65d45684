// Soak run: the real windowed program, connected to a simulated TV with the live picture on
// screen, while an agent calls tv_status 20 times a second through the MCP endpoint (with an
// access token). Every 30 s the program's resident memory, open file descriptors, CPU time per
// call and the size of its log are sampled; at the end the first and last samples and the
// slope of each figure are printed. Needs an X server: uses $DISPLAY, or starts Xvfb.
// Run inside a private network namespace (scripts/bench does).
//
//   bench_soak [MINUTES] [--rate CALLS_PER_S] [--headless]
//     MINUTES     default 1; the figures mean something from about 30 on
//     --rate      calls a second, default 20; 0 leaves the agent out
//     --headless  the program without its window, so without the live picture
// The two switches tell apart where growth comes from; "heaptrack -p PID" attached to the
// running program then shows what holds the memory.

#include "common/benchcommon.h"
#include "core/settings.h"
#include "mcp/mcpbridge.h"
#include "tvsim/lib/simulatedtv.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSampleSeconds = 30;
const QString kToken = QStringLiteral("soak-token-0123456789abcdef0123456789abcdef0123456789abcdef");

// The agent: tv_status on a fixed schedule, each call on a new connection, on its own thread so
// that the simulated TV on the main thread keeps serving.
class Agent {
public:
    Agent(quint16 port, int rate) : m_port(port), m_rate(rate) {}
    ~Agent() { stop(); }

    void start()
    {
        if (m_rate <= 0)
            return;
        m_thread = std::thread([this] { run(); });
    }
    void stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    quint64 calls() const { return m_calls; }
    quint64 failures() const { return m_failures; }
    double latencyMsTotal() const { return m_latencyUs / 1000.0; }

private:
    void run()
    {
        const auto interval = std::chrono::microseconds(1000000 / m_rate);
        Clock::time_point next = Clock::now();
        for (quint64 id = 1; !m_stop; ++id) {
            const QByteArray line = R"({"jsonrpc":"2.0","id":)" + QByteArray::number(id)
                + R"(,"method":"tools/call","params":{"name":"tv_status","arguments":{}}})";
            const Clock::time_point sent = Clock::now();
            const MCPBridge::Outcome outcome = MCPBridge::post(line, m_port, std::chrono::seconds(10), kToken);
            m_latencyUs += quint64(std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - sent).count());
            const QJsonObject reply = QJsonDocument::fromJson(outcome.body).object();
            const bool ok = reply.contains(QStringLiteral("result"))
                && !reply.value(QStringLiteral("result")).toObject().value(QStringLiteral("isError")).toBool();
            ++m_calls;
            if (!ok)
                ++m_failures;
            // A fixed schedule: a slow call is caught up on, not added to every later one.
            next += interval;
            const Clock::time_point now = Clock::now();
            if (next < now - std::chrono::seconds(1))
                next = now;
            std::this_thread::sleep_until(next);
        }
    }

    quint16 m_port;
    int m_rate;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<quint64> m_calls{0};
    std::atomic<quint64> m_failures{0};
    std::atomic<quint64> m_latencyUs{0};
};

struct Sample {
    double minutes = 0;
    double rssMB = 0;
    double fds = 0;
    double cpuMsPerCall = 0;  // CPU of the whole program over the interval, per call made in it
    double cpuPercent = 0;
    double logKB = 0;         // app.log plus app.log.1
    quint64 calls = 0;        // in the interval
    quint64 failures = 0;
    int frames = 0;           // live-picture downloads in the interval
    double meanLatencyMs = 0;
};

// Least-squares slope of y over x.
double slope(const std::vector<Sample> &samples, double Sample::*y)
{
    const double n = double(samples.size());
    if (n < 2)
        return 0;
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const Sample &s : samples) {
        sx += s.minutes;
        sy += s.*y;
        sxx += s.minutes * s.minutes;
        sxy += s.minutes * (s.*y);
    }
    const double d = n * sxx - sx * sx;
    return d == 0 ? 0 : (n * sxy - sx * sy) / d;
}

void print(const char *what, const Sample &s)
{
    std::printf("%-6s %6.1f min  RSS %6.1f MB  fds %3.0f  CPU %6.3f ms/call (%5.1f %%)  log %8.1f KB  "
                "calls %5llu (failed %llu, mean %.2f ms)  frames %d\n",
                what, s.minutes, s.rssMB, s.fds, s.cpuMsPerCall, s.cpuPercent, s.logKB,
                static_cast<unsigned long long>(s.calls), static_cast<unsigned long long>(s.failures),
                s.meanLatencyMs, s.frames);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    double minutes = 1.0;
    int rate = 20;
    bool headless = false;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--rate") && i + 1 < args.size())
            rate = args.at(++i).toInt();
        else if (args.at(i) == QLatin1String("--headless"))
            headless = true;
        else
            minutes = args.at(i).toDouble();
    }
    if (minutes <= 0 || rate < 0) {
        std::fprintf(stderr, "usage: bench_soak [MINUTES] [--rate CALLS_PER_S] [--headless]\n");
        return 2;
    }
    const auto xvfb = bench::startXvfb();
    const auto stopXvfb = qScopeGuard([&xvfb] {
        if (xvfb) {
            xvfb->terminate();
            xvfb->waitForFinished(3000);
        }
    });
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::printf("no display and no Xvfb: skipped\n");
        return 0;
    }

    SimulatedTV::Options tvOptions;
    tvOptions.address = QHostAddress(QStringLiteral("127.0.0.2"));
    tvOptions.friendlyName = QStringLiteral("Soak TV");
    tvOptions.pairing = SimulatedTV::Pairing::Auto;
    SimulatedTV tv(tvOptions);
    if (!tv.start()) {
        std::printf("the simulated TV cannot listen on 127.0.0.2:3001: %s\n", qPrintable(tv.errorString()));
        return 1;
    }
    int frames = 0;
    QObject::connect(&tv, &SimulatedTV::httpServed, &tv, [&frames](const QString &path, int status) {
        if (status == 200 && path.endsWith(QLatin1String("/screenshot.jpg")))
            ++frames;
    });

    QTemporaryDir dir;
    const QString settingsFile = dir.filePath(QStringLiteral("Veltrix.conf"));
    const quint16 port = bench::freePort();
    Settings settings(settingsFile);
    settings.setMcpPort(port);
    settings.setMcpToken(kToken);
    const QString logFile = dir.filePath(QStringLiteral("state/Veltrix/app.log"));

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VELTRIX_SETTINGS_FILE"), settingsFile);
    env.insert(QStringLiteral("XDG_STATE_HOME"), dir.filePath(QStringLiteral("state")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("VELTRIX_LOG_FILE"));
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    QByteArray output;
    QObject::connect(&program, &QProcess::readyRead, &program, [&] { output += program.readAll(); });
    QStringList programArgs{QStringLiteral("--host"), tv.host()};
    if (headless)
        programArgs.prepend(QStringLiteral("--headless"));
    program.start(QStringLiteral(VELTRIX_APP_PATH), programArgs);
    if (!program.waitForStarted(5000)) {
        std::printf("cannot start %s\n", VELTRIX_APP_PATH);
        return 1;
    }
    const qint64 pid = program.processId();

    // Connected, and the live picture coming in.
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 60000 && (!output.contains("TV ready") || (!headless && frames < 2)))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    if (!output.contains("TV ready")) {
        std::printf("the program did not connect to the simulated TV:\n%s\n", output.constData());
        program.kill();
        program.waitForFinished();
        return 1;
    }
    if (!headless && frames < 2)
        std::printf("warning: no live picture after 60 s (%d frames); measuring without it\n", frames);

    std::printf("soak: %.1f min, tv_status at %d calls/s with an access token, %s, sample every %d s\n", minutes, rate,
                headless ? "headless (no live picture)" : "live picture on", kSampleSeconds);
    std::fflush(stdout);

    Agent agent(port, rate);
    agent.start();
    std::vector<Sample> samples;
    quint64 lastCalls = 0;
    quint64 lastFailures = 0;
    double lastLatency = 0;
    double lastCpu = bench::processCpuMs(pid);
    QElapsedTimer clock;
    clock.start();
    qint64 lastAt = 0;

    const auto takeSample = [&] {
        const qint64 now = clock.elapsed();
        const double cpu = bench::processCpuMs(pid);
        const quint64 calls = agent.calls();
        const quint64 failures = agent.failures();
        const double latency = agent.latencyMsTotal();
        Sample s;
        s.minutes = double(now) / 60000.0;
        s.rssMB = double(bench::residentKb(pid)) / 1024.0;
        s.fds = bench::openFileDescriptors(pid);
        s.calls = calls - lastCalls;
        s.failures = failures - lastFailures;
        s.cpuMsPerCall = s.calls ? (cpu - lastCpu) / double(s.calls) : 0;
        s.cpuPercent = now > lastAt ? 100.0 * (cpu - lastCpu) / double(now - lastAt) : 0;
        s.logKB = double(QFileInfo(logFile).size() + QFileInfo(logFile + QStringLiteral(".1")).size()) / 1024.0;
        s.frames = frames;
        s.meanLatencyMs = s.calls ? (latency - lastLatency) / double(s.calls) : 0;
        frames = 0;
        lastCalls = calls;
        lastFailures = failures;
        lastLatency = latency;
        lastCpu = cpu;
        lastAt = now;
        // The simulated TV keeps every message it saw; the bench must not grow either.
        tv.clearRecord();
        samples.push_back(s);
        print("sample", s);
    };

    QTimer sampler;
    sampler.setInterval(kSampleSeconds * 1000);
    QObject::connect(&sampler, &QTimer::timeout, &app, [&] {
        takeSample();
        if (clock.elapsed() >= qint64(minutes * 60000.0) - 500 || program.state() != QProcess::Running)
            app.quit();
    });
    sampler.start();
    app.exec();
    agent.stop();
    const bool survived = program.state() == QProcess::Running;
    program.terminate();
    if (!program.waitForFinished(5000))
        program.kill();

    if (!survived)
        std::printf("the program ended during the run:\n%s\n", output.right(4000).constData());
    if (samples.empty())
        return 1;
    std::printf("\n");
    print("first", samples.front());
    print("last", samples.back());
    // The first sample includes start-up settling; slopes are over every sample.
    std::printf("slope  RSS %+.4f MB/min  fds %+.4f /min  CPU per call %+.5f ms/min  log %+.2f KB/min\n",
                slope(samples, &Sample::rssMB), slope(samples, &Sample::fds), slope(samples, &Sample::cpuMsPerCall), slope(samples, &Sample::logKB));
    quint64 calls = 0, failures = 0;
    for (const Sample &s : samples) {
        calls += s.calls;
        failures += s.failures;
    }
    std::printf("total  %llu calls, %llu failed, over %.1f min; program %s\n", static_cast<unsigned long long>(calls),
                static_cast<unsigned long long>(failures), samples.back().minutes, survived ? "still running" : "ENDED");
    return survived && failures == 0 ? 0 : 1;
}
