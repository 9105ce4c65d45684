#pragma once

#include <QByteArray>

// One reply of the MCP endpoint: a status line text ("200 OK") and a body, which is JSON
// when it is not empty.
struct HTTPResponse {
    QByteArray status;
    QByteArray body;

    static HTTPResponse empty(const QByteArray &status) { return {status, {}}; }

    // Head and body as sent: the connection is always closed after one reply.
    QByteArray toBytes() const;
};
