#pragma once

// Helpers shared by the protocol tests: a scripted TV (secure web-socket server on port 3001 of
// its own loopback address), a raw TLS listener that records what reaches it, and a way to
// run a coroutine from a plain test function and look at its outcome.

#include "protocol/downloaderror.h"
#include "protocol/ssaperror.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTest>
#include <QWebSocket>
#include <QWebSocketServer>

#include <QCoro/QCoroTask>

#include <chrono>
#include <memory>
#include <optional>

namespace testsupport {

// Fingerprints of the fixtures, computed with `openssl x509 -outform DER | sha256sum`.
inline const QString kTvAFingerprint =
    QStringLiteral("71b39f98c2c7571406aaaec5e6ff742581d8250a333edd30beea539f88e90f61");
inline const QString kTvBFingerprint =
    QStringLiteral("a561124123db3d250ecea9543f612ecfe15770dc9f7e2c867c73420def69c6ba");
inline const QString kChainLeafFingerprint =
    QStringLiteral("c0542ed9117ef836ac8b41475bfd04c09c14fb93281926023fb1c18bcee796c7");
inline const QString kChainRootFingerprint =
    QStringLiteral("2ca40b741b25b949ad114c18ec65deb6d79feaeac1ad9bb2c3ece59048b729f2");

inline QString dataPath(const QString &name)
{
    return qEnvironmentVariable("VELTRIX_TEST_DATA") + QLatin1Char('/') + name;
}

// Server configuration for the fixture "tv-a", "tv-b" or "tv-chain" (leaf + CA).
inline QSslConfiguration serverTls(const QString &name)
{
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    QFile keyFile(dataPath(name + QStringLiteral(".key")));
    if (!keyFile.open(QIODevice::ReadOnly))
        qFatal("missing test key (VELTRIX_TEST_DATA not set?)");
    config.setPrivateKey(QSslKey(&keyFile, QSsl::Rsa));
    config.setLocalCertificateChain(QSslCertificate::fromPath(dataPath(name + QStringLiteral(".crt"))));
    config.setPeerVerifyMode(QSslSocket::VerifyNone);
    return config;
}

// Each server gets a loopback address of its own so no two ever share 127.0.10.x:3001.
inline QString nextAddress(int base)
{
    static int next = 0;
    return QStringLiteral("127.0.10.") + QString::number(base + next++);
}

// Runs a task to its end and records the value or the error.
template<typename T>
struct Outcome {
    bool done = false;
    std::optional<T> value;
    std::optional<SSAPError> error;
    std::optional<DownloadError> downloadError;
    // When the task ended (not when the test looked).
    std::chrono::steady_clock::time_point finished;
};

template<typename T>
QCoro::Task<> capture(QCoro::Task<T> task, std::shared_ptr<Outcome<T>> out)
{
    try {
        out->value = co_await std::move(task);
    } catch (const SSAPError &error) {
        out->error = error;
    } catch (const DownloadError &error) {
        out->downloadError = error;
    }
    out->finished = std::chrono::steady_clock::now();
    out->done = true;
}

template<typename T>
std::shared_ptr<Outcome<T>> run(QCoro::Task<T> task)
{
    auto out = std::make_shared<Outcome<T>>();
    capture(std::move(task), out);
    return out;
}

// A TV whose every message the test scripts by hand.
class ScriptedTV : public QObject {
public:
    explicit ScriptedTV(const QString &address, const QString &cert = QStringLiteral("tv-a"))
        : m_server(QStringLiteral("scripted tv"), QWebSocketServer::SecureMode)
        , m_address(address)
    {
        m_server.setSslConfiguration(serverTls(cert));
        if (!m_server.listen(QHostAddress(address), 3001))
            qFatal("cannot listen on %s:3001", qPrintable(address));
        QObject::connect(&m_server, &QWebSocketServer::newConnection, this, [this]() {
            QWebSocket *peer = m_server.nextPendingConnection();
            peer->setParent(this);  // handed over without an owner
            m_peer = peer;
            ++m_connections;
            QObject::connect(peer, &QWebSocket::textMessageReceived, this,
                             [this](const QString &text) { m_received.append(text); });
            QObject::connect(peer, &QWebSocket::disconnected, this, [this, peer]() {
                m_closeCode = peer->closeCode();
                m_peerGone = true;
            });
        });
    }

    QString address() const { return m_address; }
    QWebSocket *peer() const { return m_peer; }
    int connections() const { return m_connections; }
    bool peerGone() const { return m_peerGone; }
    int closeCode() const { return m_closeCode; }
    QStringList &received() { return m_received; }

    // The next text frame from the client, waiting up to 5 s; empty on time-out.
    QString nextText()
    {
        if (!QTest::qWaitFor([this]() { return !m_received.isEmpty(); }, 5000))
            return QString();
        return m_received.takeFirst();
    }
    QJsonObject nextMessage() { return QJsonDocument::fromJson(nextText().toUtf8()).object(); }

    void send(const QJsonObject &message)
    {
        m_peer->sendTextMessage(QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
    }
    void sendText(const QString &text) { m_peer->sendTextMessage(text); }

    // Answers the pending hello.
    void answerHello(const QJsonObject &payload = {})
    {
        const QJsonObject hello = nextMessage();
        QCOMPARE(hello.value(QLatin1String("type")).toString(), QStringLiteral("hello"));
        send({{QStringLiteral("type"), QStringLiteral("hello")}, {QStringLiteral("payload"), payload}});
    }

private:
    QWebSocketServer m_server;
    QString m_address;
    QPointer<QWebSocket> m_peer;
    QStringList m_received;
    int m_connections = 0;
    bool m_peerGone = false;
    int m_closeCode = -1;
};

// A TLS listener that only records: whether a handshake started and every decrypted byte that
// arrives. A scripted answer, when set, is written once the request head is complete.
class RawTLSServer : public QObject {
public:
    explicit RawTLSServer(const QString &address, const QString &cert = QStringLiteral("tv-a"))
        : m_address(address)
    {
        m_server.setSslConfiguration(serverTls(cert));
        if (!m_server.listen(QHostAddress(address), 3001))
            qFatal("cannot listen on %s:3001", qPrintable(address));
        QObject::connect(&m_server, &QSslServer::startedEncryptionHandshake, this,
                         [this](QSslSocket *socket) {
                             ++m_handshakes;
                             QObject::connect(socket, &QSslSocket::readyRead, this,
                                              [this, socket]() { onData(socket); });
                         });
    }

    QString address() const { return m_address; }
    int handshakes() const { return m_handshakes; }
    QByteArray bytes() const { return m_bytes; }
    int requests() const { return m_requests; }

    // Called with each socket once a complete request head has arrived.
    std::function<void(QSslSocket *)> onRequest;

private:
    void onData(QSslSocket *socket)
    {
        const QByteArray chunk = socket->readAll();
        m_bytes += chunk;
        QByteArray &head = m_heads[socket];
        head += chunk;
        if (head.contains("\r\n\r\n") && !head.startsWith("done")) {
            head = "done";
            ++m_requests;
            if (onRequest)
                onRequest(socket);
        }
    }

    QSslServer m_server;
    QString m_address;
    int m_handshakes = 0;
    int m_requests = 0;
    QByteArray m_bytes;
    QHash<QSslSocket *, QByteArray> m_heads;
};

} // namespace testsupport
