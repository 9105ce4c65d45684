#include "ui/pages/devices/ipv4text.h"

#include <arpa/inet.h>

bool isDottedIPv4(const QString &text)
{
    // Non-ASCII text cannot be an address; converting it to Latin-1 would map it to '?'.
    for (const QChar c : text) {
        if (c.unicode() > 0x7f || c.unicode() == 0)
            return false;
    }
    const QByteArray bytes = text.toLatin1();
    in_addr address{};
    return inet_pton(AF_INET, bytes.constData(), &address) == 1;
}
