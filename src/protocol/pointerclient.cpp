#include "protocol/pointerclient.h"

#include "protocol/precisetimer.h"

#include <QWebSocket>

PointerClient::PointerClient(QWebSocket *socket, const QUrl &url, QObject *parent)
    : QObject(parent)
    , m_socket(socket)
{
    socket->setParent(this);
    // Nothing the TV says here is read; a flood must not pile up in memory.
    socket->setMaxAllowedIncomingMessageSize(1024 * 1024);
    QObject::connect(socket, &QWebSocket::connected, this, [this]() {
        const QStringList frames = std::exchange(m_queue, {});
        for (const QString &frame : frames)
            send(frame);
    });
    QObject::connect(socket, &QWebSocket::disconnected, this, &PointerClient::markClosed);
    QObject::connect(socket, qOverload<QAbstractSocket::SocketError>(&QWebSocket::error), this,
                     [this](QAbstractSocket::SocketError) { markClosed(); });
    veltrix::callAtDeadline(this, veltrix::MonotonicClock::now() + kOpenTimeout, [this]() {
        if (m_socket && m_socket->state() != QAbstractSocket::ConnectedState && m_isOpen) {
            markClosed();
            m_socket->abort();
        }
    });
    socket->open(url);
}

PointerClient::~PointerClient()
{
    if (m_socket)
        QObject::disconnect(m_socket, nullptr, this, nullptr);
}

QString PointerClient::buttonFrame(const QString &name)
{
    return QStringLiteral("type:button\nname:") + name + QStringLiteral("\n\n");
}

QString PointerClient::moveFrame(int dx, int dy)
{
    return QStringLiteral("type:move\ndx:") + QString::number(dx) + QStringLiteral("\ndy:")
        + QString::number(dy) + QStringLiteral("\ndown:0\n\n");
}

QString PointerClient::scrollFrame(int dx, int dy)
{
    return QStringLiteral("type:scroll\ndx:") + QString::number(dx) + QStringLiteral("\ndy:")
        + QString::number(dy) + QStringLiteral("\n\n");
}

QString PointerClient::clickFrame()
{
    return QStringLiteral("type:click\n\n");
}

void PointerClient::button(const QString &name)
{
    send(buttonFrame(name));
}

void PointerClient::move(int dx, int dy)
{
    send(moveFrame(dx, dy));
}

void PointerClient::scroll(int dx, int dy)
{
    send(scrollFrame(dx, dy));
}

void PointerClient::click()
{
    send(clickFrame());
}

void PointerClient::close()
{
    markClosed();
    m_queue.clear();
    if (m_socket)
        m_socket->close(QWebSocketProtocol::CloseCodeGoingAway);
}

void PointerClient::send(const QString &frame)
{
    if (!m_socket)
        return;
    switch (m_socket->state()) {
    case QAbstractSocket::ConnectedState:
        if (m_socket->sendTextMessage(frame) <= 0)
            markClosed();
        return;
    case QAbstractSocket::HostLookupState:
    case QAbstractSocket::ConnectingState:
        if (m_isOpen)
            m_queue.append(frame);
        return;
    default:
        // A failed frame is not re-sent.
        markClosed();
        return;
    }
}

void PointerClient::markClosed()
{
    if (!m_isOpen)
        return;
    m_isOpen = false;
    m_queue.clear();
    Q_EMIT isOpenChanged(false);
}
