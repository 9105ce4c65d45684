#pragma once

// The machine's network for session tests: no discovery, an address table that knows at most
// one MAC, and magic packets that never leave the process. Every packet is recorded in a log
// the test keeps (the session owns the network) and may wake a simulated TV, as the real
// packet would.
//
//   auto packets = std::make_shared<PacketLog>();
//   packets->onPacket = wakes(&tv);
//   f.makeSession(std::make_unique<FakeNetwork>(packets));

#include "core/tvnetwork.h"

#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>

class SimulatedTV;

struct PacketLog {
    QStringList macs;  // one a packet, in order
    QList<std::chrono::steady_clock::time_point> times;
    // Called after each packet with the number sent so far.
    std::function<void(int)> onPacket;

    int count() const { return int(macs.size()); }
};

class FakeNetwork : public TVNetwork {
public:
    explicit FakeNetwork(std::shared_ptr<PacketLog> packets = std::make_shared<PacketLog>(),
                         std::optional<QString> mac = std::nullopt);

    QCoro::Task<QList<SSDPDiscovery::Found>> discover(std::chrono::milliseconds) override;
    std::optional<QString> lookupMAC(const QString &) override { return m_mac; }
    bool wake(const QString &mac, const std::optional<QString> &) override;

private:
    std::shared_ptr<PacketLog> m_packets;
    std::optional<QString> m_mac;
};

// An onPacket that wakes `tv` with every packet, for as long as the TV lives.
std::function<void(int)> wakes(SimulatedTV *tv);
