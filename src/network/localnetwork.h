#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// Facts about this machine's network and a TV's hardware address. Stateless and callable
// from any thread.
namespace LocalNetwork {

struct Interface {
    QString name;
    quint32 address = 0;  // host byte order (QHostAddress::toIPv4Address)
    quint32 netmask = 0;  // host byte order
    bool operator==(const Interface &) const = default;
};

// Active, non-loopback IPv4 interfaces in system order.
QList<Interface> interfaces();

// The interface on the target's subnet, else the first "en"/"eth"/"wl" one, else the first.
std::optional<Interface> preferredInterface(const std::optional<QString> &targetHost = std::nullopt);
// Same choice over a given list (tests).
std::optional<Interface> preferredInterface(const QList<Interface> &list,
                                            const std::optional<QString> &targetHost);

QString formatIPv4(quint32 address);

// Address with every host bit set.
quint32 directedBroadcast(const Interface &iface);
// Where a wake packet goes: the preferred interface's directed broadcast, else 255.255.255.255.
quint32 wakeDestination(const QList<Interface> &list, const std::optional<QString> &targetHost);

// Canonical "aa:bb:cc:dd:ee:ff", or nullopt.
std::optional<QString> normalizeMAC(const QString &text);

// The hardware address the ARP table holds for an IPv4 host; reads /proc/net/arp on Linux.
// Cheap and non-blocking on Linux; may block on other platforms (runs a tool).
std::optional<QString> lookupMAC(const QString &ipv4);
// Parses /proc/net/arp text (tests, fuzzing). Incomplete entries (flags 0x0) give nullopt.
std::optional<QString> macFromProcNetArp(const QString &table, const QString &ipv4);
// Parses the output of "arp -n IP" (the tool used where /proc/net/arp does not exist).
std::optional<QString> macFromArpOutput(const QString &output);

// 102 bytes: six 0xFF then the MAC 16 times. Empty for an invalid MAC.
QByteArray magicPacket(const QString &mac);

// Sends the magic packet three times to the directed broadcast of the preferred interface
// (or 255.255.255.255) on UDP port 9 and logs "WOL <mac> -> <address> sent=<bool>".
// Returns true when at least one copy went out whole. Invalid MAC: false, nothing sent/logged.
bool wake(const QString &mac, const std::optional<QString> &targetHost = std::nullopt);

} // namespace LocalNetwork
