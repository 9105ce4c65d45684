#include "log/log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <system_error>
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

QByteArray stampedLine(const QString &message)
{
    const QString line = QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz"))
        + QLatin1Char(' ') + message + QLatin1Char('\n');
    return line.toUtf8();
}

std::filesystem::path nativePath(const QString &path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// Renames the log to its ".1" name in one step, replacing an older one; the error text when
// that is impossible (a read-only folder, a file of another user, a folder in the way).
std::optional<QString> rotate(const QString &path)
{
    std::error_code error;
    std::filesystem::rename(nativePath(path), nativePath(path + QStringLiteral(".1")), error);
    if (!error)
        return std::nullopt;
    return QString::fromLocal8Bit(error.message());
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

    void setLimit(qint64 bytes) { m_limit.store(bytes); }

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
            append(entry.path, entry.bytes);
        }
    }

    void append(const QString &path, QByteArray bytes)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
            return;
        qint64 size = file.size();
        // Only a log file of our own is rotated or re-moded: a device or pipe given as the
        // log (/dev/null to discard it) is left as it is.
        if (size > 0 && size + bytes.size() > m_limit.load() && QFileInfo(file).isFile()) {
            file.close();
            if (const std::optional<QString> failure = rotate(path)) {
                // Said once per file; the lines keep coming into the full file meanwhile.
                if (m_unrotatable != path) {
                    m_unrotatable = path;
                    bytes.prepend(stampedLine(QStringLiteral("日志无法轮换，继续写入 ") + path
                                              + QStringLiteral(": ") + *failure));
                }
            } else {
                m_unrotatable.clear();
            }
            if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
                return;
            size = file.size();
        }
        // The file holds pairing details of the user's TVs: keep it private.
        if (size == 0 && QFileInfo(file).isFile())
            file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        file.write(bytes);
        file.close();
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::deque<Entry> m_queue;
    QString m_path;
    std::atomic<qint64> m_limit{defaultLogSizeLimit};
    // Touched by the writer thread only: the file whose rotation failed and was reported.
    QString m_unrotatable;
    quint64 m_barriersQueued = 0;
    quint64 m_barriersPassed = 0;
};

} // namespace

void log(const QString &message)
{
    // The time is taken on the caller's thread, at the call.
    Writer::instance().enqueue(stampedLine(message));
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

QString rotatedLogFilePath()
{
    return logFilePath() + QStringLiteral(".1");
}

void setLogSizeLimit(qint64 bytes)
{
    Writer::instance().setLimit(bytes);
}

} // namespace veltrix
