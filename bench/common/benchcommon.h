#pragma once

// What every benchmark shares, so that their figures compare: one percentile definition, the
// CPU and memory readers, a private log, and the simulated TV (in this process or in a child,
// when its own work must not be counted).

#include "tvsim/lib/simulatedtv.h"

#include <QProcess>
#include <QTemporaryDir>

#include <QCoro/QCoroTask>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

class DeviceStore;
class TVSession;

namespace bench {

// ---- figures ---------------------------------------------------------------------------

// Nearest-rank percentile: the smallest value with at least p of all values at or below it
// (p in 0..1; p50 of 1..10 is 5, p99 of 1..100 is 99, p100 the maximum). No interpolation,
// so every figure reported is a value that was measured.
double percentile(std::vector<double> values, double p);

struct Summary {
    std::size_t n = 0;
    double mean = 0, p50 = 0, p95 = 0, p99 = 0, max = 0;
};
Summary summarise(std::vector<double> values);

double ms(std::chrono::steady_clock::duration d);

// ---- CPU and memory --------------------------------------------------------------------

double processCpuMs();   // this process, all threads (user + system)
double threadCpuMs();    // the calling thread
double childrenCpuMs();  // children that have ended and been waited for
// Another process (or this one, pid 0): CPU time of all its threads, from the scheduler's
// nanosecond counters, and its voluntary plus involuntary context switches.
double processCpuMs(qint64 pid);
long contextSwitches(qint64 pid);
// Resident memory (VmRSS) in kB; -1 when the process is gone.
long residentKb(qint64 pid = 0);
int openFileDescriptors(qint64 pid);

// ---- environment -----------------------------------------------------------------------

// A private folder for the log and settings; the log goes there while it lives.
class BenchEnv {
public:
    BenchEnv();
    ~BenchEnv();
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString settingsFile() const { return path(QStringLiteral("Veltrix.conf")); }

private:
    QTemporaryDir m_dir;
};

// A loopback TCP port nothing listens on right now.
quint16 freePort();

// An X server for the windowed program: none when $DISPLAY is set, else Xvfb on a free display
// number, with $DISPLAY pointed at it. Null when there is neither.
std::unique_ptr<QProcess> startXvfb();

// Runs the event loop until `done` holds or `limit` passes; sleeps between 10 ms polls.
bool waitUntil(const std::function<bool()> &done, std::chrono::milliseconds limit);
// The same inside a coroutine: looks every millisecond, without a nested event loop.
QCoro::Task<bool> waitUntilAsync(std::function<bool()> done, std::chrono::milliseconds limit);

// ---- the simulated TV ------------------------------------------------------------------

// A TV at `address` that approves pairing at once and sends 1920x1080 pictures.
SimulatedTV::Options tvOptions(const QString &address);
// Listening, or null after saying why on standard error.
std::unique_ptr<SimulatedTV> startTV(const SimulatedTV::Options &options);

// The TV in a child process (this program run with `--serve ADDRESS`), so its work is not
// counted. serveTV() is that child's main: listen, encode a picture once, say "ready".
int serveTV(const QString &address);
class TVProcess {
public:
    explicit TVProcess(const QString &address, const QStringList &extraArguments = {});
    ~TVProcess();
    bool isReady() const { return m_ready; }

private:
    QProcess m_child;
    bool m_ready = false;
};

// Saves the TV, connects and waits until the session is ready with the pointer open.
bool connect(TVSession &session, DeviceStore &store, const QString &host,
             std::chrono::milliseconds limit = std::chrono::seconds(10));

} // namespace bench
