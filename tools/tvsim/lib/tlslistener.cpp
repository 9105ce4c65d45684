#include "tvsim/lib/tlslistener.h"

#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>

QByteArray HttpHead::header(const QByteArray &lowerName) const
{
    for (const auto &h : headers) {
        if (h.first == lowerName)
            return h.second;
    }
    return {};
}

bool HttpHead::isWebSocketUpgrade() const
{
    return header("upgrade").toLower().contains("websocket");
}

bool HttpHead::parse(const QByteArray &bytes, HttpHead *head)
{
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.isEmpty())
        return false;
    const QList<QByteArray> request = lines.first().trimmed().split(' ');
    if (request.size() != 3 || !request.at(2).startsWith("HTTP/1."))
        return false;
    head->method = QString::fromLatin1(request.at(0));
    head->target = QString::fromUtf8(request.at(1));
    head->headers.clear();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        if (line.isEmpty())
            break;
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return false;
        head->headers.append({line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed()});
    }
    return true;
}

TlsListener::TlsListener(QObject *parent)
    : QTcpServer(parent)
{
}

void TlsListener::setIdentity(const QSslCertificate &certificate, const QSslKey &key)
{
    m_certificate = certificate;
    m_key = key;
}

void TlsListener::abortPending()
{
    const auto pending = m_pending;
    for (const auto &socket : pending) {
        if (socket)
            socket->abort();
    }
}

void TlsListener::incomingConnection(qintptr socketDescriptor)
{
    auto *socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(socketDescriptor)) {
        delete socket;
        return;
    }
    Q_EMIT tcpAccepted();
    m_pending.append(socket);

    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setLocalCertificate(m_certificate);
    config.setPrivateKey(m_key);
    config.setPeerVerifyMode(QSslSocket::VerifyNone);
    socket->setSslConfiguration(config);

    // A client that stalls in the handshake or the head must not hold the socket forever.
    auto *deadline = new QTimer(socket);
    deadline->setSingleShot(true);
    deadline->setObjectName(QStringLiteral("headDeadline"));
    QObject::connect(deadline, &QTimer::timeout, socket, &QSslSocket::abort);
    deadline->start(kHeadTimeoutMs);

    QObject::connect(socket, &QSslSocket::encrypted, this, [this, socket] {
        Q_EMIT handshakeCompleted();
        inspect(socket);
    });
    QObject::connect(socket, &QSslSocket::readyRead, this, [this, socket] { inspect(socket); });
    QObject::connect(socket, &QSslSocket::disconnected, this, [this, socket] {
        m_pending.removeAll(socket);
        socket->deleteLater();
    });
    QObject::connect(socket, &QSslSocket::errorOccurred, this, [socket](QAbstractSocket::SocketError) {
        // The peer refused our certificate or vanished; disconnected follows when connected.
        if (socket->state() == QAbstractSocket::UnconnectedState)
            socket->deleteLater();
    });
    socket->startServerEncryption();
}

void TlsListener::inspect(QSslSocket *socket)
{
    if (!socket->isEncrypted())
        return;
    const QByteArray seen = socket->peek(kMaxHeadBytes);
    const qsizetype end = seen.indexOf("\r\n\r\n");
    if (end < 0) {
        if (seen.size() >= kMaxHeadBytes)
            socket->abort();
        return;
    }
    HttpHead head;
    if (!HttpHead::parse(seen.left(end + 4), &head)) {
        socket->write("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        release(socket);
        QObject::connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
        socket->disconnectFromHost();
        return;
    }
    release(socket);
    if (head.isWebSocketUpgrade()) {
        Q_EMIT webSocketRequested(socket);
    } else {
        socket->read(end + 4);
        Q_EMIT httpRequested(socket, head);
    }
}

// Hands the socket on: our own handlers and the deadline go, the receiver owns its fate.
void TlsListener::release(QSslSocket *socket)
{
    m_pending.removeAll(socket);
    QObject::disconnect(socket, nullptr, this, nullptr);
    delete socket->findChild<QTimer *>(QStringLiteral("headDeadline"), Qt::FindDirectChildrenOnly);
}
