#pragma once

#include <QByteArray>

// One reply of the MCP endpoint: a status line text ("200 OK") and a body, which is JSON
// when it is not empty.
struct HTTPResponse {
    QByteArray status;
    QByteArray body;
    // The head of a server-sent event stream: the connection then stays open for
    // notifications, and its end (the close) ends the body.
    bool eventStream = false;

    static HTTPResponse empty(const QByteArray &status) { return {status, {}}; }
    static HTTPResponse stream() { return {"200 OK", {}, true}; }

    // Head and body as sent: the connection is always closed after one reply.
    QByteArray toBytes() const;
};
