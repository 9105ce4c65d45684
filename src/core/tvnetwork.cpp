#include "core/tvnetwork.h"

#include "network/localnetwork.h"

QCoro::Task<QList<SSDPDiscovery::Found>> SystemTVNetwork::discover(std::chrono::milliseconds timeout)
{
    return SSDPDiscovery::discover(timeout);
}

std::optional<QString> SystemTVNetwork::lookupMAC(const QString &host)
{
    return LocalNetwork::lookupMAC(host);
}

bool SystemTVNetwork::wake(const QString &mac, const std::optional<QString> &host)
{
    return LocalNetwork::wake(mac, host);
}
