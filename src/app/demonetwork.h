#pragma once

#include "core/tvsession.h"

#include <QPointer>

class SimulatedTV;

// The network of the demo mode: the simulated TV is the only TV there is. Discovery finds
// it, and a wake is handed to it directly, so nothing leaves the process, let alone loopback.
class DemoTVNetwork : public TVNetwork {
public:
    explicit DemoTVNetwork(SimulatedTV *tv);

    QCoro::Task<QList<SSDPDiscovery::Found>> discover(std::chrono::milliseconds timeout) override;
    std::optional<QString> lookupMAC(const QString &host) override;
    bool wake(const QString &mac, const std::optional<QString> &host) override;

private:
    QPointer<SimulatedTV> m_tv;
};
