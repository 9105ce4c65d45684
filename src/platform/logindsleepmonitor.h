#pragma once

#include "platform/sleepmonitor.h"

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>

class QDBusPendingCallWatcher;

// systemd-logind on the system bus: its PrepareForSleep and PrepareForShutdown signals and a
// "delay" inhibitor lock, which is the file descriptor Inhibit hands out. The lock lasts
// exactly as long as that descriptor stays open here.
class LogindSleepMonitor : public SleepMonitor {
    Q_OBJECT

public:
    // The system bus, which honours DBUS_SYSTEM_BUS_ADDRESS.
    explicit LogindSleepMonitor(QObject *parent = nullptr);
    explicit LogindSleepMonitor(const QDBusConnection &bus, QObject *parent = nullptr);
    ~LogindSleepMonitor() override;

    bool isAvailable() const override { return m_available; }
    void takeLock(const QString &why) override;
    void releaseLock() override;
    bool holdsLock() const override { return m_lock.isValid(); }

private Q_SLOTS:
    void onPrepareForSleep(bool starting);
    void onPrepareForShutdown(bool starting);

private:
    void checkOwner();
    void setAvailable(bool available);
    void lockArrived(QDBusPendingCallWatcher *watcher, quint64 request);

    QDBusConnection m_bus;
    bool m_available = false;
    bool m_ownerKnown = false;  // the owner watcher has spoken; its news beats the first check
    QDBusUnixFileDescriptor m_lock;
    quint64 m_request = 0;  // the Inhibit call whose answer is still wanted; 0 for none
    quint64 m_lastRequest = 0;
};
