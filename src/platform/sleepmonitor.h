#pragma once

#include <QObject>
#include <QString>

// What the computer says before it sleeps or shuts down, and the delay lock that makes it
// wait for us. An interface so that tests drive the events themselves.
class SleepMonitor : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Whether the service that announces sleep and shutdown answers at all.
    virtual bool isAvailable() const = 0;

    // Asks for the delay lock; a lock already held or on its way is kept. Never waits.
    virtual void takeLock(const QString &why) = 0;
    // Lets the computer go on at once; a lock still on its way is dropped when it arrives.
    virtual void releaseLock() = 0;
    virtual bool holdsLock() const = 0;

Q_SIGNALS:
    void availableChanged(bool available);
    void lockChanged(bool held);
    // true: about to sleep (or shut down); false: resumed (or the shutdown was called off).
    void prepareForSleep(bool starting);
    void prepareForShutdown(bool starting);
};
