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

    // Sends the head of an event stream and keeps the connection open for sendEvent() until
    // the peer leaves; no idle limit applies any more.
    void openStream(const HTTPResponse &head);
    bool isStreaming() const { return m_streaming; }
    // One event on the open stream. A peer that stops reading is dropped once this much is
    // waiting for it.
    static constexpr qint64 streamBacklogLimit = 1024 * 1024;
    void sendEvent(const QByteArray &event);

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
    bool m_streaming = false;
};
