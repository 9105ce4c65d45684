#pragma once

#include "mcp/httprequest.h"
#include "mcp/httpresponse.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <chrono>

class QTcpSocket;

// One accepted connection of the MCP endpoint: frames a single request, hands it on, sends
// one reply and closes. Deletes itself once closed.
class MCPConnection : public QObject {
    Q_OBJECT

public:
    static constexpr qint64 readChunk = 1024 * 1024;
    static constexpr qsizetype bufferLimit = HTTPRequestReader::bufferLimit;

    // Takes ownership of the socket. A connection that sits idle for idleTimeout without a
    // complete request (or without letting its reply drain) is dropped.
    MCPConnection(QTcpSocket *socket, std::chrono::milliseconds idleTimeout, QObject *parent);

    void reply(const HTTPResponse &response);
    // Closes without a reply.
    void drop();

Q_SIGNALS:
    void requestReady(const HTTPRequest &request);

private:
    void readAvailable();
    void finish();

    QTcpSocket *m_socket;
    QTimer m_idle;
    HTTPRequestReader m_reader;
    bool m_requestSeen = false;
    bool m_closing = false;
};
