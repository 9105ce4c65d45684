#include "network/localnetwork.h"

#include "log/log.h"

#include <QFile>
#include <QHostAddress>
#include <QNetworkInterface>
#include <QProcess>
#include <QRegularExpression>
#include <QUdpSocket>

namespace LocalNetwork {
namespace {

constexpr quint16 kWakePort = 9;
constexpr int kWakeCopies = 3;

// Strict dotted-quad parser: QHostAddress also takes shorthand forms ("10.1") and IPv6,
// which must not count as a subnet match.
std::optional<quint32> parseIPv4(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    quint32 value = 0;
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return std::nullopt;
        if (part.size() > 1 && part.front() == QLatin1Char('0'))
            return std::nullopt;
        uint byte = 0;
        for (QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
            byte = byte * 10 + uint(c.unicode() - '0');
        }
        if (byte > 255)
            return std::nullopt;
        value = (value << 8) | byte;
    }
    return value;
}

bool isHexDigit(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
        || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

bool inEnFamily(const QString &name)
{
    return name.startsWith(QLatin1String("en")) || name.startsWith(QLatin1String("eth"))
        || name.startsWith(QLatin1String("wl"));
}

} // namespace

QList<Interface> interfaces()
{
    QList<Interface> result;
    const QList<QNetworkInterface> all = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : all) {
        const auto flags = iface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        const QList<QNetworkAddressEntry> entries = iface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries) {
            const QHostAddress ip = entry.ip();
            if (ip.isNull() || ip.protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            const QHostAddress mask = entry.netmask();
            if (mask.isNull() || mask.protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            result.append(Interface{iface.name(), ip.toIPv4Address(), mask.toIPv4Address()});
        }
    }
    return result;
}

std::optional<Interface> preferredInterface(const QList<Interface> &list,
                                            const std::optional<QString> &targetHost)
{
    if (targetHost) {
        if (const auto target = parseIPv4(*targetHost)) {
            for (const Interface &iface : list) {
                if ((iface.address & iface.netmask) == (*target & iface.netmask))
                    return iface;
            }
        }
    }
    for (const Interface &iface : list) {
        if (inEnFamily(iface.name))
            return iface;
    }
    if (!list.isEmpty())
        return list.front();
    return std::nullopt;
}

std::optional<Interface> preferredInterface(const std::optional<QString> &targetHost)
{
    return preferredInterface(interfaces(), targetHost);
}

QString formatIPv4(quint32 address)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg((address >> 24) & 0xff)
        .arg((address >> 16) & 0xff)
        .arg((address >> 8) & 0xff)
        .arg(address & 0xff);
}

quint32 directedBroadcast(const Interface &iface)
{
    return iface.address | ~iface.netmask;
}

quint32 wakeDestination(const QList<Interface> &list, const std::optional<QString> &targetHost)
{
    if (const auto iface = preferredInterface(list, targetHost))
        return directedBroadcast(*iface);
    return 0xffffffffu;
}

std::optional<QString> normalizeMAC(const QString &text)
{
    static const QRegularExpression separators(QStringLiteral("[:-]"));
    const QStringList pieces = text.split(separators, Qt::SkipEmptyParts);
    if (pieces.size() != 6)
        return std::nullopt;
    QStringList groups;
    groups.reserve(6);
    for (const QString &piece : pieces) {
        if (piece.size() > 2)
            return std::nullopt;
        for (QChar c : piece) {
            if (!isHexDigit(c))
                return std::nullopt;
        }
        groups.append(piece.toLower().rightJustified(2, QLatin1Char('0')));
    }
    return groups.join(QLatin1Char(':'));
}

std::optional<QString> macFromProcNetArp(const QString &table, const QString &ipv4)
{
    // Columns: IP address, HW type, Flags, HW address, Mask, Device. The first line is a header.
    const QStringList lines = table.split(QLatin1Char('\n'));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList columns = lines[i].split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (columns.size() < 4 || columns[0] != ipv4)
            continue;
        bool ok = false;
        const uint flags = columns[2].toUInt(&ok, 16);
        // Flags 0x0: the kernel is still resolving (or failed to); the address column is zeros.
        if (!ok || flags == 0)
            continue;
        const auto mac = normalizeMAC(columns[3]);
        if (mac && *mac != QLatin1String("00:00:00:00:00:00"))
            return mac;
    }
    return std::nullopt;
}

std::optional<QString> macFromArpOutput(const QString &output)
{
    static const QRegularExpression pattern(QStringLiteral("at ([0-9a-fA-F:]+)"));
    const QRegularExpressionMatch match = pattern.match(output);
    if (!match.hasMatch())
        return std::nullopt;
    return normalizeMAC(match.captured(1));
}

std::optional<QString> lookupMAC(const QString &ipv4)
{
#ifdef Q_OS_LINUX
    QFile file(QStringLiteral("/proc/net/arp"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    // The kernel reports the size as 0, so read until the end rather than by size.
    return macFromProcNetArp(QString::fromUtf8(file.readAll()), ipv4);
#else
    QProcess arp;
    arp.setProcessChannelMode(QProcess::SeparateChannels);
    arp.start(QStringLiteral("/usr/sbin/arp"), {QStringLiteral("-n"), ipv4});
    if (!arp.waitForStarted())
        return std::nullopt;
    // A hung tool must not hold the caller's thread forever.
    if (!arp.waitForFinished(5000)) {
        arp.kill();
        arp.waitForFinished(1000);
    }
    return macFromArpOutput(QString::fromUtf8(arp.readAllStandardOutput()));
#endif
}

QByteArray magicPacket(const QString &mac)
{
    const auto canonical = normalizeMAC(mac);
    if (!canonical)
        return {};
    QByteArray bytes;
    for (const QString &group : canonical->split(QLatin1Char(':')))
        bytes.append(char(group.toUInt(nullptr, 16)));
    QByteArray packet(6, char(0xff));
    packet.reserve(102);
    for (int i = 0; i < 16; ++i)
        packet.append(bytes);
    return packet;
}

bool wake(const QString &mac, const std::optional<QString> &targetHost)
{
    const auto canonical = normalizeMAC(mac);
    if (!canonical)
        return false;
    const QByteArray packet = magicPacket(*canonical);

    QUdpSocket socket;
    // Qt enables SO_BROADCAST on every UDP socket it creates; binding creates it now so a
    // failure shows here rather than as a failed send.
    if (!socket.bind(QHostAddress(QHostAddress::AnyIPv4), 0))
        return false;

    const quint32 destination = wakeDestination(interfaces(), targetHost);
    const QHostAddress address(destination);

    bool sent = false;
    for (int i = 0; i < kWakeCopies; ++i) {
        if (socket.writeDatagram(packet, address, kWakePort) == packet.size())
            sent = true;
    }
    veltrix::log(QStringLiteral("WOL ") + *canonical + QStringLiteral(" -> ") + formatIPv4(destination)
                 + QStringLiteral(" sent=") + (sent ? QStringLiteral("true") : QStringLiteral("false")));
    socket.close();
    return sent;
}

} // namespace LocalNetwork
