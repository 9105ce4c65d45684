// SSDP answers and description documents come from anything on the local network.
#include "network/ssdpdiscovery.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));

    const QMap<QString, QString> headers = SSDPDiscovery::parseHeaders(text);
    for (auto it = headers.cbegin(); it != headers.cend(); ++it) {
        if (it.key() != it.key().toLower() || it.key().contains(QLatin1Char(':')))
            abort();
    }
    if (const auto usn = headers.constFind(QStringLiteral("usn")); usn != headers.constEnd()) {
        const auto uuid = SSDPDiscovery::uuidFromUsn(*usn);
        if (!uuid || uuid->contains(QStringLiteral("::")))
            abort();
    }

    for (const QString &name : {QStringLiteral("friendlyName"), QStringLiteral("modelName"), QStringLiteral("UDN")}) {
        const auto value = SSDPDiscovery::elementText(text, name);
        if (value && !text.contains(QLatin1Char('<') + name + QLatin1Char('>') + *value + QStringLiteral("</") + name + QLatin1Char('>')))
            abort();
    }

    SSDPDiscovery::Found found{QStringLiteral("192.168.1.5"), QStringLiteral("x"), {}, {}, {}};
    SSDPDiscovery::applyDescription(found, text);
    if (found.host != QLatin1String("192.168.1.5") || !found.uuid)
        abort();
    return 0;
}
