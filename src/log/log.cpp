#include "log/log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace veltrix {
namespace {

QString defaultLogPath()
{
    const QByteArray overridePath = qgetenv("VELTRIX_LOG_FILE");
    if (!overridePath.isEmpty())
        return QString::fromLocal8Bit(overridePath);
#ifdef Q_OS_MACOS
    return QDir::homePath() + QStringLiteral("/Library/Logs/Veltrix/app.log");
#else
    QString stateHome = QString::fromLocal8Bit(qgetenv("XDG_STATE_HOME"));
    if (stateHome.isEmpty() || !QDir::isAbsolutePath(stateHome))
        stateHome = QDir::homePath() + QStringLiteral("/.local/state");
    return stateHome + QStringLiteral("/Veltrix/app.log");
#endif
}

struct Entry {
    QString path;
    QByteArray bytes;
    bool barrier = false;
};

// One writer thread drains a FIFO, so lines from every thread land in the order they
// were queued and no two writes ever overlap. The thread is started on first use and
// lives until the process ends.
class Writer {
public:
    static Writer &instance()
    {
        // Deliberately leaked: lines may be logged from static destructors and other threads
        // during shutdown, and the writer must outlive them all.
        static Writer *writer = new Writer;
        return *writer;
    }

    void enqueue(const QByteArray &line)
    {
        {
            std::lock_guard lock(m_mutex);
            if (m_path.isEmpty())
                m_path = defaultLogPath();
            m_queue.push_back(Entry{m_path, line, false});
        }
        m_wake.notify_one();
    }

    QString path()
    {
        std::lock_guard lock(m_mutex);
        if (m_path.isEmpty())
            m_path = defaultLogPath();
        return m_path;
    }

    void setPath(const QString &path)
    {
        std::lock_guard lock(m_mutex);
        m_path = path;
    }

    void flush()
    {
        std::unique_lock lock(m_mutex);
        const quint64 target = ++m_barriersQueued;
        m_queue.push_back(Entry{QString(), QByteArray(), true});
        m_wake.notify_one();
        m_done.wait(lock, [&] { return m_barriersPassed >= target; });
    }

private:
    Writer()
    {
        std::thread([this] { run(); }).detach();
    }

    void run()
    {
        QString preparedDir;
        for (;;) {
            Entry entry;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [&] { return !m_queue.empty(); });
                entry = std::move(m_queue.front());
                m_queue.pop_front();
                if (entry.barrier) {
                    ++m_barriersPassed;
                    m_done.notify_all();
                    continue;
                }
            }
            const QString dir = QFileInfo(entry.path).absolutePath();
            if (dir != preparedDir) {
                QDir().mkpath(dir);
                preparedDir = dir;
            }
            QFile file(entry.path);
            // The file holds pairing details of the user's TVs: keep it private.
            if (file.open(QIODevice::WriteOnly | QIODevice::Append)) {
                // Only a log file of our own: a device or pipe given as the log (/dev/null to
                // discard it) is never re-moded.
                if (file.size() == 0 && QFileInfo(file).isFile())
                    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
                file.write(entry.bytes);
                file.close();
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::deque<Entry> m_queue;
    QString m_path;
    quint64 m_barriersQueued = 0;
    quint64 m_barriersPassed = 0;
};

} // namespace

void log(const QString &message)
{
    // The time is taken on the caller's thread, at the call.
    const QString line = QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz"))
        + QLatin1Char(' ') + message + QLatin1Char('\n');
    Writer::instance().enqueue(line.toUtf8());
}

QString logFilePath()
{
    return Writer::instance().path();
}

void setLogFilePath(const QString &path)
{
    Writer::instance().setPath(path);
}

void flushLog()
{
    Writer::instance().flush();
}

} // namespace veltrix
