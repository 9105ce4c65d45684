// MAC texts come from users, from the TV and from the ARP table; all pass the normaliser.
#include "network/localnetwork.h"

#include <cstdint>
#include <cstdlib>

namespace {

void checkCanonical(const std::optional<QString> &mac)
{
    if (!mac)
        return;
    if (mac->size() != 17)
        abort();
    for (qsizetype i = 0; i < 17; ++i) {
        const QChar c = mac->at(i);
        const bool ok = i % 3 == 2 ? c == QLatin1Char(':')
                                   : ((c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                                      || (c >= QLatin1Char('a') && c <= QLatin1Char('f')));
        if (!ok)
            abort();
    }
    if (LocalNetwork::normalizeMAC(*mac) != mac)
        abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));

    const auto mac = LocalNetwork::normalizeMAC(text);
    checkCanonical(mac);
    const QByteArray packet = LocalNetwork::magicPacket(text);
    if (packet.size() != (mac ? 102 : 0))
        abort();

    // Treat the input as an ARP table and look up the address its second line starts with.
    const QString ip = text.section(QLatin1Char('\n'), 1, 1).section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
    checkCanonical(LocalNetwork::macFromProcNetArp(text, ip));
    checkCanonical(LocalNetwork::macFromArpOutput(text));

    LocalNetwork::formatIPv4(size > 3 ? quint32(data[0]) << 24 | quint32(data[1]) << 16 | quint32(data[2]) << 8 | data[3] : 0);
    return 0;
}
