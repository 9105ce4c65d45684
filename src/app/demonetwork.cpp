#include "app/demonetwork.h"

#include "network/localnetwork.h"
#include "log/log.h"
#include "tvsim/lib/simulatedtv.h"

#include <QCoro/QCoroTimer>

DemoTVNetwork::DemoTVNetwork(SimulatedTV *tv)
    : m_tv(tv)
{
}

QCoro::Task<QList<SSDPDiscovery::Found>> DemoTVNetwork::discover(std::chrono::milliseconds timeout)
{
    QPointer<SimulatedTV> tv = m_tv;
    // A real search listens for its whole window; so does this one, so the UI sees a scan.
    co_await QCoro::sleepFor(std::min(timeout, std::chrono::milliseconds(500)));
    QList<SSDPDiscovery::Found> found;
    if (tv) {
        SSDPDiscovery::Found entry;
        entry.host = tv->host();
        entry.uuid = tv->uuid();
        entry.name = tv->options().friendlyName;
        entry.model = tv->options().modelName;
        found.append(entry);
    }
    QStringList hosts;
    for (const auto &entry : std::as_const(found))
        hosts.append(QLatin1Char('"') + entry.host + QLatin1Char('"'));
    veltrix::log(QStringLiteral("SSDP 发现 ") + QString::number(found.size()) + QStringLiteral(" 台电视: [")
                 + hosts.join(QStringLiteral(", ")) + QLatin1Char(']'));
    co_return found;
}

std::optional<QString> DemoTVNetwork::lookupMAC(const QString &)
{
    return std::nullopt;
}

bool DemoTVNetwork::wake(const QString &mac, const std::optional<QString> &host)
{
    const std::optional<QString> canonical = LocalNetwork::normalizeMAC(mac);
    if (!canonical)
        return false;
    const bool delivered = m_tv && host == m_tv->host()
        && LocalNetwork::normalizeMAC(m_tv->options().mac) == canonical;
    veltrix::log(QStringLiteral("WOL ") + *canonical + QStringLiteral(" -> ") + host.value_or(QString())
                 + QStringLiteral(" sent=") + (delivered ? QStringLiteral("true") : QStringLiteral("false")));
    if (delivered) {
        // Three copies, as on a real network.
        for (int i = 0; i < 3; ++i)
            m_tv->notifyMagicPacket();
    }
    return delivered;
}
