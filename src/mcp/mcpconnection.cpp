#include "mcp/mcpconnection.h"

#include <QTcpSocket>

MCPConnection::MCPConnection(QTcpSocket *socket, std::chrono::milliseconds idleTimeout, QObject *parent)
    : QObject(parent), m_socket(socket)
{
    m_socket->setParent(this);
    m_idle.setSingleShot(true);
    m_idle.setInterval(idleTimeout);
    QObject::connect(&m_idle, &QTimer::timeout, this, &MCPConnection::drop);
    QObject::connect(m_socket, &QTcpSocket::readyRead, this, &MCPConnection::readAvailable);
    // Peer gone or failed before a request was complete: nothing to answer.
    QObject::connect(m_socket, &QTcpSocket::disconnected, this, &MCPConnection::finish);
    QObject::connect(m_socket, &QAbstractSocket::errorOccurred, this, [this] {
        if (!m_requestSeen)
            drop();
    });
    m_idle.start();
    // Bytes may have arrived before the handlers were installed.
    if (m_socket->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &MCPConnection::readAvailable, Qt::QueuedConnection);
}

void MCPConnection::readAvailable()
{
    if (m_streaming) {
        // Nothing more is expected from a stream's client; what it sends is not kept.
        m_socket->readAll();
        return;
    }
    if (m_requestSeen || m_closing)
        return;
    while (m_socket->bytesAvailable() > 0) {
        // Sized to what is there: a fixed 1 MiB read would allocate that much per request.
        const QByteArray chunk = m_socket->read(qMin(m_socket->bytesAvailable(), readChunk));
        if (chunk.isEmpty())
            break;
        m_idle.start();
        switch (m_reader.feed(chunk)) {
        case HTTPRequestReader::Status::needMore:
            break;
        case HTTPRequestReader::Status::complete:
            m_requestSeen = true;
            m_idle.stop();
            Q_EMIT requestReady(m_reader.request());
            return;
        case HTTPRequestReader::Status::error:
            drop();
            return;
        }
    }
}

void MCPConnection::reply(const HTTPResponse &response)
{
    if (m_closing)
        return;
    if (m_socket->state() != QAbstractSocket::ConnectedState) {
        drop();
        return;
    }
    m_closing = true;
    m_socket->write(response.toBytes());
    // A peer that never reads its reply must not hold the socket either.
    m_idle.start();
    m_socket->disconnectFromHost();
    if (m_socket->state() == QAbstractSocket::UnconnectedState)
        finish();
}

void MCPConnection::openStream(const HTTPResponse &head)
{
    if (m_closing || m_streaming)
        return;
    if (m_socket->state() != QAbstractSocket::ConnectedState) {
        drop();
        return;
    }
    m_streaming = true;
    m_idle.stop();
    m_socket->write(head.toBytes());
    if (m_socket->bytesAvailable() > 0)
        readAvailable();
}

void MCPConnection::sendEvent(const QByteArray &event)
{
    if (!m_streaming || m_closing)
        return;
    if (m_socket->state() != QAbstractSocket::ConnectedState || m_socket->bytesToWrite() > streamBacklogLimit) {
        drop();
        return;
    }
    m_socket->write(event);
}

void MCPConnection::drop()
{
    m_closing = true;
    m_idle.stop();
    m_socket->abort();
    finish();
}

void MCPConnection::finish()
{
    // While a request is being handled, the reply (or its failure) closes the connection.
    if (m_requestSeen && !m_closing && !m_streaming)
        return;
    m_idle.stop();
    deleteLater();
}
