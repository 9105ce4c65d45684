#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <QTcpServer>

class QSslSocket;

// The request line and headers of one HTTP request, as read off a fresh connection.
struct HttpHead {
    QString method;
    QString target; // path with query, as sent
    QList<QPair<QByteArray, QByteArray>> headers; // names lower-cased, values trimmed

    QByteArray header(const QByteArray &lowerName) const;
    bool isWebSocketUpgrade() const;
    // Parses a complete head (up to and including the blank line); false when malformed.
    static bool parse(const QByteArray &bytes, HttpHead *head);
};

// TLS listener of the simulated TV. Runs the server handshake on every connection, then
// looks at the HTTP head without consuming it: web-socket upgrades are handed on with the
// head still unread (so a QWebSocketServer can take them), plain requests are handed on
// with the head consumed. Connections that never finish their handshake or head are dropped.
class TlsListener : public QTcpServer {
    Q_OBJECT

public:
    static constexpr int kMaxHeadBytes = 16 * 1024;
    static constexpr int kHeadTimeoutMs = 10000;

    explicit TlsListener(QObject *parent = nullptr);

    void setIdentity(const QSslCertificate &certificate, const QSslKey &key);
    // Aborts every connection that has not been handed on yet.
    void abortPending();

Q_SIGNALS:
    void tcpAccepted();
    void handshakeCompleted();
    void webSocketRequested(QSslSocket *socket);
    void httpRequested(QSslSocket *socket, const HttpHead &head);

protected:
    void incomingConnection(qintptr socketDescriptor) override;

private:
    void inspect(QSslSocket *socket);
    void release(QSslSocket *socket);

    QSslCertificate m_certificate;
    QSslKey m_key;
    QList<QPointer<QSslSocket>> m_pending;
};
