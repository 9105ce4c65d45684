#pragma once

#include "network/ssdpdiscovery.h"

#include <QList>
#include <QString>

#include <QCoro/QCoroTask>

#include <chrono>
#include <optional>

// What the session needs from the local network. The real one multicasts, reads the ARP
// table and broadcasts; tests may inject their own.
class TVNetwork {
public:
    virtual ~TVNetwork() = default;
    virtual QCoro::Task<QList<SSDPDiscovery::Found>> discover(std::chrono::milliseconds timeout) = 0;
    virtual std::optional<QString> lookupMAC(const QString &host) = 0;
    virtual bool wake(const QString &mac, const std::optional<QString> &host) = 0;
};

// The real network: SSDP, the ARP table, Wake-on-LAN.
class SystemTVNetwork : public TVNetwork {
public:
    QCoro::Task<QList<SSDPDiscovery::Found>> discover(std::chrono::milliseconds timeout) override;
    std::optional<QString> lookupMAC(const QString &host) override;
    bool wake(const QString &mac, const std::optional<QString> &host) override;
};
