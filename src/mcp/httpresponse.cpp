#include "mcp/httpresponse.h"

#include <QStringBuilder>

QByteArray HTTPResponse::toBytes() const
{
    if (eventStream)
        return QByteArray("HTTP/1.1 ") + status
            + "\r\nContent-Type: text/event-stream\r\nCache-Control: no-cache\r\nConnection: close\r\n\r\n";
    QByteArray bytes;
    bytes.reserve(128 + body.size());
    bytes += QByteArray("HTTP/1.1 ") + status + "\r\n";
    bytes += QByteArray("Content-Length: ") + QByteArray::number(body.size()) + "\r\n";
    bytes += "Connection: close\r\n";
    if (!body.isEmpty())
        bytes += "Content-Type: application/json\r\n";
    if (status.startsWith("401"))
        bytes += "WWW-Authenticate: Bearer\r\n";
    if (status.startsWith("405"))
        bytes += "Allow: POST\r\n";
    bytes += "\r\n";
    bytes += body;
    return bytes;
}
