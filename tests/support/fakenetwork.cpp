#include "support/fakenetwork.h"

#include "tvsim/lib/simulatedtv.h"

#include <QPointer>

FakeNetwork::FakeNetwork(std::shared_ptr<PacketLog> packets, std::optional<QString> mac)
    : m_packets(std::move(packets))
    , m_mac(std::move(mac))
{
}

QCoro::Task<QList<SSDPDiscovery::Found>> FakeNetwork::discover(std::chrono::milliseconds)
{
    co_return QList<SSDPDiscovery::Found>();
}

bool FakeNetwork::wake(const QString &mac, const std::optional<QString> &)
{
    m_packets->macs.append(mac);
    m_packets->times.append(std::chrono::steady_clock::now());
    if (m_packets->onPacket)
        m_packets->onPacket(m_packets->count());
    return true;
}

std::function<void(int)> wakes(SimulatedTV *tv)
{
    return [guarded = QPointer<SimulatedTV>(tv)](int) {
        if (guarded)
            guarded->notifyMagicPacket();
    };
}
