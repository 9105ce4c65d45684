#include "logindsim/simulatedlogind.h"

#include <QDBusMessage>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");

QString connectionName()
{
    static int count = 0;
    return QStringLiteral("veltrix-logindsim-%1").arg(++count);
}

} // namespace

SimulatedLogind::SimulatedLogind(const QString &busAddress, QObject *parent)
    : QObject(parent)
    , m_name(connectionName())
    , m_bus(QDBusConnection::connectToBus(busAddress, m_name))
{
    m_clock.start();
}

SimulatedLogind::~SimulatedLogind()
{
    stop();
    for (const auto &reader : m_readers) {
        if (reader->isEnabled())
            ::close(int(reader->socket()));
    }
    m_readers.clear();
    QDBusConnection::disconnectFromBus(m_name);
}

bool SimulatedLogind::start()
{
    if (!m_bus.isConnected())
        return false;
    if (!m_registered && !m_bus.registerObject(kPath, this, QDBusConnection::ExportAllSlots))
        return false;
    m_registered = true;
    return m_bus.registerService(kService);
}

void SimulatedLogind::stop()
{
    if (m_bus.isConnected())
        m_bus.unregisterService(kService);
}

void SimulatedLogind::prepareForSleep(bool starting)
{
    announce(QStringLiteral("PrepareForSleep"), starting);
}

void SimulatedLogind::prepareForShutdown(bool starting)
{
    announce(QStringLiteral("PrepareForShutdown"), starting);
}

void SimulatedLogind::announce(const QString &name, bool starting)
{
    QDBusMessage signal = QDBusMessage::createSignal(kPath, kManager, name);
    signal << starting;
    m_lastAnnouncementNs = m_clock.nsecsElapsed();
    m_bus.send(signal);
}

int SimulatedLogind::heldLocks() const
{
    int held = 0;
    for (const Lock &lock : m_locks)
        held += lock.releasedNs ? 0 : 1;
    return held;
}

QDBusUnixFileDescriptor SimulatedLogind::Inhibit(const QString &what, const QString &who, const QString &why,
                                                 const QString &mode)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return {};
    const int index = int(m_locks.size());
    m_locks.append(Lock{what, who, why, mode, m_clock.nsecsElapsed(), std::nullopt});
    // The answer carries its own copy of the write end; only the holder's copies remain.
    QDBusUnixFileDescriptor lock(ends[1]);
    ::close(ends[1]);
    auto reader = std::make_unique<QSocketNotifier>(ends[0], QSocketNotifier::Read);
    QObject::connect(reader.get(), &QSocketNotifier::activated, this, [this, index, fd = ends[0]] { readEnd(index, fd); });
    m_readers.push_back(std::move(reader));
    Q_EMIT lockTaken(index);
    return lock;
}

void SimulatedLogind::readEnd(int index, int fd)
{
    char byte;
    const ssize_t got = ::read(fd, &byte, 1);
    if (got != 0)
        return;  // nothing is ever written; only the end of the pipe matters
    m_locks[index].releasedNs = m_clock.nsecsElapsed();
    m_readers[size_t(index)]->setEnabled(false);
    ::close(fd);
    Q_EMIT lockReleased(index);
}
