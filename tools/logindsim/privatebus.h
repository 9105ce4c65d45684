#pragma once

#include <QProcess>
#include <QString>

// A dbus-daemon of its own, so nothing reaches the machine's real buses. Stopped with the
// object. Starting waits for the daemon's address: tests and benchmarks only.
class PrivateBus {
public:
    PrivateBus() = default;
    ~PrivateBus();
    PrivateBus(const PrivateBus &) = delete;
    PrivateBus &operator=(const PrivateBus &) = delete;

    bool start();  // false when dbus-daemon is missing or says no address
    QString address() const { return m_address; }

private:
    QProcess m_daemon;
    QString m_address;
};
