#include "platform/logindsleepmonitor.h"

#include "log/log.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>

namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");

} // namespace

LogindSleepMonitor::LogindSleepMonitor(QObject *parent)
    : LogindSleepMonitor(QDBusConnection::systemBus(), parent)
{
}

LogindSleepMonitor::LogindSleepMonitor(const QDBusConnection &bus, QObject *parent)
    : SleepMonitor(parent)
    , m_bus(bus)
{
    if (!m_bus.isConnected())
        return;
    m_bus.connect(kService, kPath, kManager, QStringLiteral("PrepareForSleep"), this, SLOT(onPrepareForSleep(bool)));
    m_bus.connect(kService, kPath, kManager, QStringLiteral("PrepareForShutdown"), this,
                  SLOT(onPrepareForShutdown(bool)));
    auto *watcher = new QDBusServiceWatcher(kService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    QObject::connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
                     [this](const QString &, const QString &, const QString &newOwner) {
                         m_ownerKnown = true;
                         // A lock of a logind that went away or restarted guards nothing any more.
                         if (m_lock.isValid() || m_request != 0) {
                             m_request = 0;
                             if (m_lock.isValid()) {
                                 m_lock = QDBusUnixFileDescriptor();
                                 Q_EMIT lockChanged(false);
                             }
                         }
                         setAvailable(!newOwner.isEmpty());
                     });
    checkOwner();
}

LogindSleepMonitor::~LogindSleepMonitor() = default;

void LogindSleepMonitor::checkOwner()
{
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                       QStringLiteral("/org/freedesktop/DBus"),
                                                       QStringLiteral("org.freedesktop.DBus"),
                                                       QStringLiteral("NameHasOwner"));
    call << kService;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<bool> reply = *w;
        // The owner watcher's news is newer than this answer.
        if (!m_ownerKnown)
            setAvailable(!reply.isError() && reply.value());
    });
}

void LogindSleepMonitor::setAvailable(bool available)
{
    if (available == m_available)
        return;
    m_available = available;
    Q_EMIT availableChanged(available);
}

void LogindSleepMonitor::takeLock(const QString &why)
{
    if (!m_bus.isConnected() || m_lock.isValid() || m_request != 0)
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kManager, QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep:shutdown") << QStringLiteral("Veltrix") << why << QStringLiteral("delay");
    const quint64 request = ++m_lastRequest;
    m_request = request;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, this,
                     [this, request](QDBusPendingCallWatcher *w) { lockArrived(w, request); });
}

void LogindSleepMonitor::lockArrived(QDBusPendingCallWatcher *watcher, quint64 request)
{
    watcher->deleteLater();
    // Released or superseded meanwhile: the answer's descriptor closes with the watcher.
    if (request != m_request)
        return;
    m_request = 0;
    const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *watcher;
    if (reply.isError() || !reply.value().isValid()) {
        veltrix::log(QStringLiteral("无法获取休眠延迟锁: ") + reply.error().message());
        return;
    }
    // A descriptor of our own, so releasing closes it at once, whatever else keeps the reply.
    m_lock = QDBusUnixFileDescriptor(reply.value().fileDescriptor());
    Q_EMIT lockChanged(true);
}

void LogindSleepMonitor::releaseLock()
{
    m_request = 0;
    if (!m_lock.isValid())
        return;
    m_lock = QDBusUnixFileDescriptor();
    Q_EMIT lockChanged(false);
}

void LogindSleepMonitor::onPrepareForSleep(bool starting)
{
    Q_EMIT prepareForSleep(starting);
}

void LogindSleepMonitor::onPrepareForShutdown(bool starting)
{
    Q_EMIT prepareForShutdown(starting);
}
