// Self-test of the simulated TV, driven by a bare web-socket client. Every other suite runs
// against the simulator through the real client, so this one keeps what they do not reach:
// the raw wire behaviour of a session, standby refusal, and the web server's other paths.
// Addresses 127.0.17.x.

#include "support/simulatedtvs.h"

#include <QImage>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QSslConfiguration>
#include <QTest>
#include <QWebSocket>

#include <memory>

namespace {

QSslConfiguration trustingConfig()
{
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setPeerVerifyMode(QSslSocket::VerifyNone);
    return config;
}

QJsonObject payloadOf(const QJsonObject &message) { return message.value(QStringLiteral("payload")).toObject(); }

QString typeOf(const QJsonObject &message) { return message.value(QStringLiteral("type")).toString(); }

// A bare client: opens the socket, sends JSON, collects every text frame.
class RawClient {
public:
    RawClient()
    {
        m_socket.setSslConfiguration(trustingConfig());
        QObject::connect(&m_socket, &QWebSocket::textMessageReceived, &m_socket, [this](const QString &text) {
            m_received.append(QJsonDocument::fromJson(text.toUtf8()).object());
        });
        QObject::connect(&m_socket, &QWebSocket::connected, &m_socket, [this] { m_wasConnected = true; });
        QObject::connect(&m_socket, &QWebSocket::disconnected, &m_socket, [this] { m_closed = true; });
    }

    // Qt 6.4 leaks the close reason when a connected QWebSocket is destroyed; abort first.
    ~RawClient() { m_socket.abort(); }

    bool open(const QString &url)
    {
        m_socket.open(QUrl(url));
        // The upgrade counts even when the TV closes the socket straight after it.
        return QTest::qWaitFor([this] { return m_wasConnected || m_closed; }, 5000) && m_wasConnected;
    }

    void send(const QString &type, const QJsonValue &id, const QJsonObject &payload = {}, const QString &uri = {})
    {
        QJsonObject message{{QStringLiteral("type"), type}, {QStringLiteral("id"), id}, {QStringLiteral("payload"), payload}};
        if (!uri.isEmpty())
            message.insert(QStringLiteral("uri"), uri);
        m_socket.sendTextMessage(QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
    }

    void request(const QString &id, const QString &uri, const QJsonObject &payload = {})
    {
        send(QStringLiteral("request"), id, payload, uri);
    }

    // Waits for the first not yet taken message with this id; {} on time-out.
    QJsonObject take(const QString &id, int timeoutMs = 3000)
    {
        QJsonObject found;
        (void)QTest::qWaitFor([&] {
            for (qsizetype i = 0; i < m_received.size(); ++i) {
                if (m_received.at(i).value(QStringLiteral("id")).toVariant().toString() == id) {
                    found = m_received.takeAt(i);
                    return true;
                }
            }
            return false;
        }, timeoutMs);
        return found;
    }

    // A prompt registration that the TV approves on its own; the key, or empty.
    QString handshake()
    {
        send(QStringLiteral("register"), QStringLiteral("register_0"), {{QStringLiteral("pairingType"), QStringLiteral("PROMPT")}});
        QJsonObject reply = take(QStringLiteral("register_0"));
        if (typeOf(reply) == QLatin1String("response")) // the prompt on screen
            reply = take(QStringLiteral("register_0"));
        return typeOf(reply) == QLatin1String("registered")
            ? payloadOf(reply).value(QStringLiteral("client-key")).toString() : QString();
    }

    bool waitRefused() // closed with the code and reason of a TV in standby
    {
        return QTest::qWaitFor([this] { return m_closed; }, 5000) && m_socket.closeCode() == 1008
            && m_socket.closeReason().contains(QStringLiteral("Try Again Later"));
    }

    QWebSocket m_socket;
    QList<QJsonObject> m_received;
    bool m_closed = false;
    bool m_wasConnected = false;
};

} // namespace

class TestTvSim : public QObject {
    Q_OBJECT

private:
    int m_octet = 2;
    std::unique_ptr<SimulatedTV> m_tv;
    QString m_url;

    SimulatedTV &makeTv(SimulatedTV::Options options = {})
    {
        options.address = QHostAddress(QStringLiteral("127.0.17.") + QString::number(m_octet++));
        m_tv = std::make_unique<TestTV>(options);
        m_url = QStringLiteral("wss://") + m_tv->host() + QStringLiteral(":3001");
        return *m_tv;
    }

private Q_SLOTS:
    void cleanup() { m_tv.reset(); }

    // One session on the wire: hello, a prompt that waits for approval, an event racing its
    // cause, an unknown method, the record, and a second connection that brings the key back.
    void session()
    {
        SimulatedTV::Options options;
        options.uuid = QStringLiteral("uuid-1");
        options.approveDelayMs = -1;
        SimulatedTV &tv = makeTv(options);
        RawClient client;
        QVERIFY(client.open(m_url));
        client.send(QStringLiteral("hello"), QStringLiteral("hello"));
        const QJsonObject hello = payloadOf(client.take(QStringLiteral("hello")));
        QCOMPARE(hello.value(QStringLiteral("deviceUUID")).toString(), QStringLiteral("uuid-1"));
        QCOMPARE(hello.value(QStringLiteral("protocolVersion")).toInt(), 1);

        client.send(QStringLiteral("register"), QStringLiteral("register_0"), {{QStringLiteral("pairingType"), QStringLiteral("PROMPT")}});
        const QJsonObject prompt = client.take(QStringLiteral("register_0"));
        QCOMPARE(typeOf(prompt), QStringLiteral("response"));
        QCOMPARE(payloadOf(prompt).value(QStringLiteral("pairingType")).toString(), QStringLiteral("PROMPT"));
        QVERIFY(tv.isAwaitingApproval());
        QVERIFY(client.take(QStringLiteral("register_0"), 100).isEmpty()); // nothing until someone decides
        tv.approve();
        const QJsonObject registered = client.take(QStringLiteral("register_0"));
        QCOMPARE(typeOf(registered), QStringLiteral("registered"));
        const QString key = payloadOf(registered).value(QStringLiteral("client-key")).toString();
        QCOMPARE(key.size(), 32);
        QCOMPARE(tv.clientKeys(), QStringList{key});

        auto volumeOf = [](const QJsonObject &m) {
            return payloadOf(m).value(QStringLiteral("volumeStatus")).toObject().value(QStringLiteral("volume")).toInt();
        };
        client.send(QStringLiteral("subscribe"), QStringLiteral("v"), {}, QStringLiteral("ssap://audio/getVolume"));
        QCOMPARE(volumeOf(client.take(QStringLiteral("v"))), 12);
        // The event reaches the client before the reply to the request that caused it.
        client.request(QStringLiteral("1"), QStringLiteral("ssap://audio/setVolume"), {{QStringLiteral("volume"), 30}});
        QVERIFY(!client.take(QStringLiteral("1")).isEmpty());
        QCOMPARE(volumeOf(client.take(QStringLiteral("v"), 0)), 30);
        client.request(QStringLiteral("2"), QStringLiteral("ssap://no/such"));
        QCOMPARE(client.take(QStringLiteral("2")).value(QStringLiteral("error")).toString(),
                 QStringLiteral("404 no such service or method"));

        // The record keeps every frame in order, raw text included.
        QCOMPARE(tv.messages().size(), 5);
        QCOMPARE(tv.messages().last().raw,
                 QStringLiteral("{\"id\":\"2\",\"payload\":{},\"type\":\"request\",\"uri\":\"ssap://no/such\"}"));

        // A known key registers at once: no prompt, same key.
        RawClient second;
        QVERIFY(second.open(m_url));
        second.send(QStringLiteral("register"), QStringLiteral("register_0"), {{QStringLiteral("client-key"), key}});
        const QJsonObject again = second.take(QStringLiteral("register_0"));
        QCOMPARE(typeOf(again), QStringLiteral("registered"));
        QCOMPARE(payloadOf(again).value(QStringLiteral("client-key")).toString(), key);
        QCOMPARE(tv.pairingPrompts(), 1);
        QCOMPARE(tv.openControlConnections(), 2);
    }

    // Turning off closes the socket with 1008, new sockets are upgraded and refused the same
    // way, and a magic packet brings the TV back.
    void standbyRefusalAndWake()
    {
        SimulatedTV::Options options;
        options.turnOffCloseDelayMs = 100;
        SimulatedTV &tv = makeTv(options);
        RawClient client;
        QVERIFY(client.open(m_url));
        QVERIFY(!client.handshake().isEmpty());
        client.send(QStringLiteral("subscribe"), QStringLiteral("p"), {},
                    QStringLiteral("ssap://com.webos.service.tvpower/power/getPowerState"));
        QVERIFY(!client.take(QStringLiteral("p")).isEmpty());
        client.request(QStringLiteral("1"), QStringLiteral("ssap://system/turnOff"));
        QVERIFY(!client.take(QStringLiteral("1")).isEmpty());
        QCOMPARE(payloadOf(client.take(QStringLiteral("p"))).value(QStringLiteral("state")).toString(),
                 QStringLiteral("Active Standby"));
        QVERIFY(client.waitRefused());
        QVERIFY(tv.isStandby());
        RawClient refused;
        QVERIFY(refused.open(m_url));
        QVERIFY(refused.waitRefused());
        QCOMPARE(tv.standbyRefusals(), 1);

        tv.notifyMagicPacket();
        QTRY_VERIFY(!tv.isStandby());
        QCOMPARE(tv.powerState(), QStringLiteral("Active"));
        RawClient again;
        QVERIFY(again.open(m_url));
        QVERIFY(!again.handshake().isEmpty());
    }

    // The web server's icons, unknown paths and standby. The screenshot modes are checked
    // through the real client by the capture tests.
    void http_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("standby");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("width"); // of the decoded image; -1: not checked

        QTest::newRow("large icon") << SimulatedTV::largeIconPath(QStringLiteral("netflix")) << false << 200 << 130;
        QTest::newRow("icon") << SimulatedTV::iconPath(QStringLiteral("netflix")) << false << 200 << 80;
        QTest::newRow("unknown icon") << SimulatedTV::iconPath(QStringLiteral("nope")) << false << 404 << -1;
        QTest::newRow("unknown shot") << "/resources/unknown/screenshot.jpg" << false << 404 << -1;
        QTest::newRow("standby") << SimulatedTV::iconPath(QStringLiteral("netflix")) << true << 503 << -1;
    }

    void http()
    {
        QFETCH(QString, path);
        QFETCH(bool, standby);
        QFETCH(int, status);
        QFETCH(int, width);

        SimulatedTV &tv = makeTv();
        tv.setStandby(standby);
        QNetworkAccessManager manager;
        QNetworkRequest request{QUrl(QStringLiteral("https://") + tv.host() + QStringLiteral(":3001") + path)};
        request.setSslConfiguration(trustingConfig());
        request.setRawHeader("Cache-Control", "no-cache");
        std::unique_ptr<QNetworkReply> reply(manager.get(request));
        QSignalSpy finished(reply.get(), &QNetworkReply::finished);
        QVERIFY(finished.wait(10000));
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), status);
        if (width >= 0)
            QCOMPARE(QImage::fromData(reply->readAll()).width(), width);
        QCOMPARE(tv.httpRequests().last().status, status);
        QVERIFY(tv.httpRequests().last().headers.contains(qMakePair(QByteArray("cache-control"), QByteArray("no-cache"))));
    }
};

QTEST_MAIN(TestTvSim)
#include "test_tvsim.moc"
