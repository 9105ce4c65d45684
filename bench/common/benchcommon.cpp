#include "common/benchcommon.h"

#include "core/devicestore.h"
#include "core/tvsession.h"
#include "log/log.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTcpServer>
#include <QThread>
#include <QTimer>

#include <QCoro/QCoroTimer>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace bench {

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto rank = std::size_t(std::ceil(std::clamp(p, 0.0, 1.0) * double(values.size())));
    return values[std::max<std::size_t>(rank, 1) - 1];
}

Summary summarise(std::vector<double> values)
{
    Summary s;
    if (values.empty())
        return s;
    std::sort(values.begin(), values.end());
    s.n = values.size();
    s.mean = std::accumulate(values.begin(), values.end(), 0.0) / double(s.n);
    s.p50 = percentile(values, 0.50);
    s.p95 = percentile(values, 0.95);
    s.p99 = percentile(values, 0.99);
    s.max = values.back();
    return s;
}

double ms(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

namespace {

double timevalMs(const timeval &t)
{
    return t.tv_sec * 1000.0 + t.tv_usec / 1000.0;
}

double usageMs(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return timevalMs(usage.ru_utime) + timevalMs(usage.ru_stime);
}

QString procPath(qint64 pid, const QString &rest)
{
    return (pid > 0 ? QStringLiteral("/proc/%1/").arg(pid) : QStringLiteral("/proc/self/")) + rest;
}

QByteArray readProc(qint64 pid, const QString &rest)
{
    QFile file(procPath(pid, rest));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

long statusField(const QByteArray &status, const char *field)
{
    for (const QByteArray &line : status.split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLong();
    }
    return -1;
}

QStringList threads(qint64 pid)
{
    return QDir(procPath(pid, QStringLiteral("task"))).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}

} // namespace

double processCpuMs()
{
    return usageMs(RUSAGE_SELF);
}

double childrenCpuMs()
{
    return usageMs(RUSAGE_CHILDREN);
}

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

double processCpuMs(qint64 pid)
{
    double total = 0;
    for (const QString &tid : threads(pid))
        total += readProc(pid, QStringLiteral("task/%1/schedstat").arg(tid)).split(' ').first().toDouble() / 1e6;
    return total;
}

long contextSwitches(qint64 pid)
{
    long total = 0;
    for (const QString &tid : threads(pid)) {
        const QByteArray status = readProc(pid, QStringLiteral("task/%1/status").arg(tid));
        total += std::max(0L, statusField(status, "voluntary_ctxt_switches:"))
            + std::max(0L, statusField(status, "nonvoluntary_ctxt_switches:"));
    }
    return total;
}

long residentKb(qint64 pid)
{
    return statusField(readProc(pid, QStringLiteral("status")), "VmRSS:");
}

int openFileDescriptors(qint64 pid)
{
    return int(QDir(procPath(pid, QStringLiteral("fd"))).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size());
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

std::unique_ptr<QProcess> startXvfb()
{
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        return nullptr;
    for (int display = 80; display < 99; ++display) {
        if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(display)))
            continue;
        auto xvfb = std::make_unique<QProcess>();
        xvfb->start(QStringLiteral("Xvfb"), {QStringLiteral(":%1").arg(display), QStringLiteral("-screen"), QStringLiteral("0"),
                                             QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (!xvfb->waitForStarted(3000))
            return nullptr;
        for (int i = 0; i < 50 && !QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(display)); ++i)
            QThread::msleep(50);
        if (xvfb->state() != QProcess::Running)
            continue;  // the display was taken meanwhile
        qputenv("DISPLAY", QStringLiteral(":%1").arg(display).toLocal8Bit());
        return xvfb;
    }
    return nullptr;
}

BenchEnv::BenchEnv()
{
    veltrix::setLogFilePath(path(QStringLiteral("app.log")));
}

BenchEnv::~BenchEnv()
{
    veltrix::flushLog();
}

bool waitUntil(const std::function<bool()> &done, std::chrono::milliseconds limit)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(std::chrono::milliseconds(10));
    QTimer::singleShot(limit, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

QCoro::Task<bool> waitUntilAsync(std::function<bool()> done, std::chrono::milliseconds limit)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limit.count())
            co_return false;
        co_await QCoro::sleepFor(std::chrono::milliseconds(1));
    }
    co_return true;
}

SimulatedTV::Options tvOptions(const QString &address)
{
    SimulatedTV::Options options;
    options.address = QHostAddress(address);
    options.approveDelayMs = 0;
    options.screenshotSize = QSize(1920, 1080);
    return options;
}

std::unique_ptr<SimulatedTV> startTV(const SimulatedTV::Options &options)
{
    auto tv = std::make_unique<SimulatedTV>(options);
    if (tv->start())
        return tv;
    std::fprintf(stderr, "simulated TV at %s: %s\n", qPrintable(tv->host()), qPrintable(tv->errorString()));
    return nullptr;
}

int serveTV(const QString &address)
{
    const auto tv = startTV(tvOptions(address));
    if (!tv)
        return 1;
    tv->screenshotJpeg();  // encode once before the first request
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

TVProcess::TVProcess(const QString &address, const QStringList &extraArguments)
{
    m_child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_child.start(QCoreApplication::applicationFilePath(), QStringList{QStringLiteral("--serve"), address} + extraArguments);
    m_ready = m_child.waitForReadyRead(15000) && m_child.readLine().startsWith("ready");
    if (!m_ready)
        std::fprintf(stderr, "the simulated TV did not start\n");
}

TVProcess::~TVProcess()
{
    m_child.kill();
    m_child.waitForFinished(5000);
}

bool connect(TVSession &session, DeviceStore &store, const QString &host, std::chrono::milliseconds limit)
{
    session.connect(store.upsert(host).id);
    const bool ready = waitUntil([&] {
        return session.state().is(ConnectionState::Kind::ready) && session.pointer() && session.pointer()->isOpen();
    }, limit);
    if (!ready)
        std::fprintf(stderr, "no connection to the simulated TV at %s\n", qPrintable(host));
    return ready;
}

} // namespace bench
