#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QSocketNotifier;

// Plays systemd-logind on a bus: announces sleep and shutdown when told to, and hands out
// inhibitor locks as the write end of a pipe, so it sees the moment the last copy of a lock
// closes, exactly as logind does.
class SimulatedLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    struct Lock {
        QString what;
        QString who;
        QString why;
        QString mode;
        qint64 takenNs = 0;                 // on clock()
        std::optional<qint64> releasedNs;   // on clock(); none while held
    };

    explicit SimulatedLogind(const QString &busAddress, QObject *parent = nullptr);
    ~SimulatedLogind() override;

    bool start();  // owns org.freedesktop.login1 on the bus
    void stop();   // gives the name up, as a logind that went away

    // Sent as the signals of org.freedesktop.login1.Manager; returns when they left.
    void prepareForSleep(bool starting);
    void prepareForShutdown(bool starting);
    qint64 lastAnnouncementNs() const { return m_lastAnnouncementNs; }  // on clock()

    QList<Lock> locks() const { return m_locks; }
    int heldLocks() const;
    const QElapsedTimer &clock() const { return m_clock; }

public Q_SLOTS:
    QDBusUnixFileDescriptor Inhibit(const QString &what, const QString &who, const QString &why, const QString &mode);

Q_SIGNALS:
    void lockTaken(int index);
    void lockReleased(int index);

private:
    void announce(const QString &name, bool starting);
    void readEnd(int index, int fd);

    QString m_name;  // of this connection
    QDBusConnection m_bus;
    QElapsedTimer m_clock;
    qint64 m_lastAnnouncementNs = 0;
    QList<Lock> m_locks;
    std::vector<std::unique_ptr<QSocketNotifier>> m_readers;
    bool m_registered = false;
};
