// Self-test of the simulated TV, driven by a bare web-socket client so that it checks the
// wire behaviour other tests rely on. Addresses 127.0.17.x.

#include "simulatedtv.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QSslConfiguration>
#include <QTest>
#include <QWebSocket>

#include <functional>
#include <memory>

namespace {

QSslConfiguration trustingConfig()
{
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setPeerVerifyMode(QSslSocket::VerifyNone);
    return config;
}

// A bare client: opens the socket, sends JSON, collects every text frame.
class RawClient {
public:
    RawClient()
    {
        m_socket.setSslConfiguration(trustingConfig());
        QObject::connect(&m_socket, &QWebSocket::textMessageReceived, &m_socket, [this](const QString &text) {
            m_frames.append(text);
            m_received.append(QJsonDocument::fromJson(text.toUtf8()).object());
        });
        QObject::connect(&m_socket, &QWebSocket::connected, &m_socket, [this] { m_wasConnected = true; });
        QObject::connect(&m_socket, qOverload<QAbstractSocket::SocketError>(&QWebSocket::error), &m_socket,
                         [this](QAbstractSocket::SocketError error) { m_errors.append(error); });
        QObject::connect(&m_socket, &QWebSocket::disconnected, &m_socket, [this] {
            m_closeCode = m_socket.closeCode();
            m_closeReason = m_socket.closeReason();
            m_closed = true;
        });
    }

    // Qt 6.4 leaks the close reason when a connected QWebSocket is destroyed; abort first.
    ~RawClient() { m_socket.abort(); }

    bool open(const QString &url)
    {
        m_socket.open(QUrl(url));
        // The upgrade counts even when the TV closes the socket straight after it.
        return QTest::qWaitFor([this] { return m_wasConnected || m_closed; }, 5000) && m_wasConnected;
    }

    void send(const QJsonObject &message)
    {
        m_socket.sendTextMessage(QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
    }

    void request(const QString &id, const QString &uri, const QJsonObject &payload = {},
                 const QString &type = QStringLiteral("request"))
    {
        send({{QStringLiteral("type"), type}, {QStringLiteral("id"), id}, {QStringLiteral("uri"), uri},
              {QStringLiteral("payload"), payload}});
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

    bool waitClosed(int timeoutMs = 5000) { return QTest::qWaitFor([this] { return m_closed; }, timeoutMs); }

    // Hello and a registration that the TV approves without asking.
    QString handshake()
    {
        send({{QStringLiteral("type"), QStringLiteral("hello")}, {QStringLiteral("id"), QStringLiteral("hello")},
              {QStringLiteral("payload"), QJsonObject()}});
        if (take(QStringLiteral("hello")).isEmpty())
            return {};
        send({{QStringLiteral("type"), QStringLiteral("register")}, {QStringLiteral("id"), QStringLiteral("register_0")},
              {QStringLiteral("payload"), QJsonObject{{QStringLiteral("pairingType"), QStringLiteral("PROMPT")}}}});
        for (;;) {
            const QJsonObject reply = take(QStringLiteral("register_0"));
            if (reply.isEmpty() || reply.value(QStringLiteral("type")) == QLatin1String("error"))
                return {};
            if (reply.value(QStringLiteral("type")) == QLatin1String("registered"))
                return reply.value(QStringLiteral("payload")).toObject().value(QStringLiteral("client-key")).toString();
        }
    }

    QWebSocket m_socket;
    QList<QJsonObject> m_received;
    QStringList m_frames;
    bool m_closed = false;
    bool m_wasConnected = false;
    QList<QAbstractSocket::SocketError> m_errors;
    int m_closeCode = 0;
    QString m_closeReason;
};

QJsonObject payloadOf(const QJsonObject &message)
{
    return message.value(QStringLiteral("payload")).toObject();
}

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
        m_tv = std::make_unique<SimulatedTV>(options);
        const bool started = m_tv->start();
        if (!started)
            qWarning() << m_tv->errorString();
        m_url = QStringLiteral("wss://") + m_tv->host() + QStringLiteral(":3001");
        return *m_tv;
    }

private Q_SLOTS:
    void cleanup() { m_tv.reset(); }

    void helloAndKnownKey()
    {
        SimulatedTV::Options options;
        options.uuid = QStringLiteral("uuid-1");
        options.approveDelayMs = 0;
        SimulatedTV &tv = makeTv(options);
        QVERIFY(tv.isListening());

        RawClient first;
        QVERIFY(first.open(m_url));
        first.send({{QStringLiteral("type"), QStringLiteral("hello")}, {QStringLiteral("id"), QStringLiteral("hello")},
                    {QStringLiteral("payload"), QJsonObject()}});
        const QJsonObject hello = first.take(QStringLiteral("hello"));
        QCOMPARE(hello.value(QStringLiteral("type")).toString(), QStringLiteral("hello"));
        QCOMPARE(payloadOf(hello).value(QStringLiteral("deviceUUID")).toString(), QStringLiteral("uuid-1"));
        QCOMPARE(payloadOf(hello).value(QStringLiteral("protocolVersion")).toInt(), 1);
        first.m_received.clear();
        const QString key = first.handshake();
        QVERIFY(!key.isEmpty());
        QCOMPARE(tv.pairingPrompts(), 1);
        QVERIFY(tv.clientKeys().contains(key));

        // A known key registers at once, with no prompt and the same key.
        RawClient second;
        QVERIFY(second.open(m_url));
        second.send({{QStringLiteral("type"), QStringLiteral("register")}, {QStringLiteral("id"), QStringLiteral("register_0")},
                     {QStringLiteral("payload"), QJsonObject{{QStringLiteral("client-key"), key}}}});
        const QJsonObject registered = second.take(QStringLiteral("register_0"));
        QCOMPARE(registered.value(QStringLiteral("type")).toString(), QStringLiteral("registered"));
        QCOMPARE(payloadOf(registered).value(QStringLiteral("client-key")).toString(), key);
        QCOMPARE(tv.pairingPrompts(), 1);
        QCOMPARE(tv.controlConnections(), 2);
        QCOMPARE(tv.tlsHandshakes(), 2);
        QCOMPARE(tv.openControlConnections(), 2);
    }

    void pairing_data()
    {
        QTest::addColumn<SimulatedTV::Pairing>("mode");
        QTest::addColumn<QString>("requested");
        QTest::addColumn<QString>("action"); // approve, reject, pin-wrong-then-right, none
        QTest::addColumn<QString>("promptType");
        QTest::addColumn<bool>("registers");

        QTest::newRow("prompt approved") << SimulatedTV::Pairing::Prompt << "PROMPT" << "approve" << "PROMPT" << true;
        QTest::newRow("prompt rejected") << SimulatedTV::Pairing::Prompt << "PROMPT" << "reject" << "PROMPT" << false;
        QTest::newRow("pin") << SimulatedTV::Pairing::Pin << "PROMPT" << "pin" << "PIN" << true;
        QTest::newRow("as requested pin") << SimulatedTV::Pairing::AsRequested << "PIN" << "pin" << "PIN" << true;
        QTest::newRow("auto") << SimulatedTV::Pairing::Auto << "PROMPT" << "none" << "" << true;
        QTest::newRow("reject mode") << SimulatedTV::Pairing::Reject << "PROMPT" << "none" << "" << false;
    }

    void pairing()
    {
        QFETCH(SimulatedTV::Pairing, mode);
        QFETCH(QString, requested);
        QFETCH(QString, action);
        QFETCH(QString, promptType);
        QFETCH(bool, registers);

        SimulatedTV::Options options;
        options.pairing = mode;
        options.approveDelayMs = -1;
        options.pin = QStringLiteral("4711");
        SimulatedTV &tv = makeTv(options);
        RawClient client;
        QVERIFY(client.open(m_url));
        client.send({{QStringLiteral("type"), QStringLiteral("register")}, {QStringLiteral("id"), QStringLiteral("register_0")},
                     {QStringLiteral("payload"), QJsonObject{{QStringLiteral("pairingType"), requested},
                                                             {QStringLiteral("client-key"), QStringLiteral("unknown")}}}});
        if (!promptType.isEmpty()) {
            const QJsonObject prompt = client.take(QStringLiteral("register_0"));
            QCOMPARE(prompt.value(QStringLiteral("type")).toString(), QStringLiteral("response"));
            QCOMPARE(payloadOf(prompt).value(QStringLiteral("pairingType")).toString(), promptType);
            QVERIFY(tv.isAwaitingApproval());
            // Nothing more comes until someone decides.
            QTest::qWait(100);
            QVERIFY(client.take(QStringLiteral("register_0"), 0).isEmpty());
        }
        if (action == QLatin1String("approve"))
            tv.approve();
        else if (action == QLatin1String("reject"))
            tv.reject();
        else if (action == QLatin1String("pin")) {
            client.request(QStringLiteral("1"), QStringLiteral("ssap://pairing/setPin"), {{QStringLiteral("pin"), QStringLiteral("0000")}});
            const QJsonObject wrong = client.take(QStringLiteral("1"));
            QCOMPARE(payloadOf(wrong).value(QStringLiteral("returnValue")).toBool(true), false);
            QVERIFY(tv.isAwaitingApproval());
            client.request(QStringLiteral("2"), QStringLiteral("ssap://pairing/setPin"), {{QStringLiteral("pin"), QStringLiteral("4711")}});
            QCOMPARE(payloadOf(client.take(QStringLiteral("2"))).value(QStringLiteral("returnValue")).toBool(), true);
        }
        const QJsonObject outcome = client.take(QStringLiteral("register_0"));
        if (registers) {
            QCOMPARE(outcome.value(QStringLiteral("type")).toString(), QStringLiteral("registered"));
            const QString key = payloadOf(outcome).value(QStringLiteral("client-key")).toString();
            QCOMPARE(key.size(), 32);
            QCOMPARE(tv.clientKeys(), QStringList{key});
        } else {
            QCOMPARE(outcome.value(QStringLiteral("type")).toString(), QStringLiteral("error"));
            QCOMPARE(outcome.value(QStringLiteral("error")).toString(), QStringLiteral("403 User denied access"));
            QVERIFY(tv.clientKeys().isEmpty());
        }
        QVERIFY(!tv.isAwaitingApproval());
    }

    void scriptedReplies()
    {
        SimulatedTV &tv = makeTv();
        RawClient client;
        QVERIFY(client.open(m_url));
        tv.neverAnswer(QStringLiteral("audio/volumeUp"));
        tv.failWith(QStringLiteral("ssap://audio/volumeDown"), QStringLiteral("busy"));
        tv.errorWith(QStringLiteral("tv/channelUp"), QStringLiteral("500 broken"));
        tv.replyWith(QStringLiteral("system/getSystemInfo"), {{QStringLiteral("odd"), 1}});
        tv.delayReply(QStringLiteral("tv/channelDown"), 300);

        client.request(QStringLiteral("1"), QStringLiteral("ssap://audio/volumeUp"));
        client.request(QStringLiteral("2"), QStringLiteral("ssap://audio/volumeDown"));
        client.request(QStringLiteral("3"), QStringLiteral("ssap://tv/channelUp"));
        client.request(QStringLiteral("4"), QStringLiteral("ssap://system/getSystemInfo"));
        client.request(QStringLiteral("5"), QStringLiteral("ssap://tv/channelDown"));
        client.request(QStringLiteral("6"), QStringLiteral("ssap://no/such"));
        client.send({{QStringLiteral("type"), QStringLiteral("request")}, {QStringLiteral("id"), 7},
                     {QStringLiteral("uri"), QStringLiteral("ssap://audio/getVolume")}});

        const QJsonObject failed = payloadOf(client.take(QStringLiteral("2")));
        QCOMPARE(failed.value(QStringLiteral("returnValue")).toBool(true), false);
        QCOMPARE(failed.value(QStringLiteral("errorText")).toString(), QStringLiteral("busy"));
        const QJsonObject error = client.take(QStringLiteral("3"));
        QCOMPARE(error.value(QStringLiteral("type")).toString(), QStringLiteral("error"));
        QCOMPARE(error.value(QStringLiteral("error")).toString(), QStringLiteral("500 broken"));
        QCOMPARE(payloadOf(client.take(QStringLiteral("4"))), (QJsonObject{{QStringLiteral("odd"), 1}}));
        const QJsonObject unknown = client.take(QStringLiteral("6"));
        QCOMPARE(unknown.value(QStringLiteral("error")).toString(), QStringLiteral("404 no such service or method"));
        // A numeric id comes back as a number.
        const QJsonObject numeric = client.take(QStringLiteral("7"));
        QVERIFY(numeric.value(QStringLiteral("id")).isDouble());
        QCOMPARE(payloadOf(numeric).value(QStringLiteral("volumeStatus")).toObject().value(QStringLiteral("volume")).toInt(), 12);
        // The delayed reply comes after the others; the silent one never.
        QVERIFY(!client.take(QStringLiteral("5")).isEmpty());
        QVERIFY(client.take(QStringLiteral("1"), 300).isEmpty());
        QCOMPARE(tv.volume(), 12);
        QCOMPARE(tv.channel(), 6);

        // The record keeps every frame in order, raw text included.
        const auto messages = tv.messages();
        QCOMPARE(messages.size(), 7);
        QCOMPARE(messages.first().raw, QStringLiteral("{\"id\":\"1\",\"payload\":{},\"type\":\"request\",\"uri\":\"ssap://audio/volumeUp\"}"));
        QCOMPARE(messages.first().connection, 1);
        QCOMPARE(messages.at(5).json.value(QStringLiteral("uri")).toString(), QStringLiteral("ssap://no/such"));
        QCOMPARE(tv.requestCount(QStringLiteral("audio/volumeUp")), 1);
        tv.answerNormally(QStringLiteral("audio/volumeUp"));
        client.request(QStringLiteral("8"), QStringLiteral("ssap://audio/volumeUp"));
        QVERIFY(!client.take(QStringLiteral("8")).isEmpty());
        QCOMPARE(tv.volume(), 13);
    }

    void subscriptionsFollowState()
    {
        SimulatedTV &tv = makeTv();
        RawClient client;
        QVERIFY(client.open(m_url));
        QVERIFY(!client.handshake().isEmpty());
        client.request(QStringLiteral("1"), QStringLiteral("ssap://audio/getVolume"), {}, QStringLiteral("subscribe"));
        client.request(QStringLiteral("2"), QStringLiteral("ssap://com.webos.applicationManager/getForegroundAppInfo"), {},
                       QStringLiteral("subscribe"));
        client.request(QStringLiteral("3"), QStringLiteral("ssap://com.webos.service.ime/registerRemoteKeyboard"), {},
                       QStringLiteral("subscribe"));
        QCOMPARE(payloadOf(client.take(QStringLiteral("1"))).value(QStringLiteral("volumeStatus")).toObject()
                     .value(QStringLiteral("volume")).toInt(), 12);
        QCOMPARE(payloadOf(client.take(QStringLiteral("2"))).value(QStringLiteral("appId")).toString(),
                 QStringLiteral("com.webos.app.livetv"));
        QCOMPARE(payloadOf(client.take(QStringLiteral("3"))).value(QStringLiteral("currentWidget")).toObject()
                     .value(QStringLiteral("focus")).toBool(true), false);

        // The event reaches the client before the reply to the request that caused it.
        client.request(QStringLiteral("4"), QStringLiteral("ssap://audio/setVolume"), {{QStringLiteral("volume"), 30}});
        QVERIFY(!client.take(QStringLiteral("4")).isEmpty());
        const QJsonObject volumeEvent = client.take(QStringLiteral("1"), 0);
        QCOMPARE(payloadOf(volumeEvent).value(QStringLiteral("volumeStatus")).toObject().value(QStringLiteral("volume")).toInt(), 30);

        client.request(QStringLiteral("5"), QStringLiteral("ssap://tv/switchInput"), {{QStringLiteral("inputId"), QStringLiteral("HDMI_2")}});
        QCOMPARE(payloadOf(client.take(QStringLiteral("2"))).value(QStringLiteral("appId")).toString(),
                 QStringLiteral("com.webos.app.hdmi2"));
        client.request(QStringLiteral("6"), QStringLiteral("ssap://system.launcher/launch"), {{QStringLiteral("id"), QStringLiteral("netflix")}});
        QCOMPARE(payloadOf(client.take(QStringLiteral("2"))).value(QStringLiteral("appId")).toString(), QStringLiteral("netflix"));
        client.request(QStringLiteral("7"), QStringLiteral("ssap://system.launcher/launch"), {{QStringLiteral("id"), QStringLiteral("nope")}});
        QCOMPARE(payloadOf(client.take(QStringLiteral("7"))).value(QStringLiteral("returnValue")).toBool(true), false);
        tv.setKeyboardFocus(true);
        QCOMPARE(payloadOf(client.take(QStringLiteral("3"))).value(QStringLiteral("currentWidget")).toObject()
                     .value(QStringLiteral("focus")).toBool(), true);
        // Invalid volumes are refused and change nothing.
        client.request(QStringLiteral("8"), QStringLiteral("ssap://audio/setVolume"), {{QStringLiteral("volume"), 50.5}});
        QCOMPARE(payloadOf(client.take(QStringLiteral("8"))).value(QStringLiteral("returnValue")).toBool(true), false);
        QCOMPARE(tv.volume(), 30);

        // Lists the session loads, icons pointing back at the TV.
        client.request(QStringLiteral("9"), QStringLiteral("ssap://com.webos.applicationManager/listLaunchPoints"));
        const QJsonArray points = payloadOf(client.take(QStringLiteral("9"))).value(QStringLiteral("launchPoints")).toArray();
        QCOMPARE(points.size(), SimulatedTV::defaultApps().size());
        QCOMPARE(points.at(1).toObject().value(QStringLiteral("icon")).toString(),
                 QString(QStringLiteral("https://") + tv.host() + QStringLiteral(":3001/resources/icons/youtube.leanback.v4.png")));
        client.request(QStringLiteral("10"), QStringLiteral("ssap://tv/getExternalInputList"));
        const QJsonArray devices = payloadOf(client.take(QStringLiteral("10"))).value(QStringLiteral("devices")).toArray();
        QCOMPARE(devices.at(0).toObject().value(QStringLiteral("appId")).toString(), QStringLiteral("com.webos.app.hdmi1"));
        QCOMPARE(devices.at(0).toObject().value(QStringLiteral("connected")).toBool(), true);
    }

    void turnOffStandbyAndWake()
    {
        SimulatedTV::Options options;
        options.turnOffCloseDelayMs = 100;
        SimulatedTV &tv = makeTv(options);
        RawClient client;
        QVERIFY(client.open(m_url));
        QVERIFY(!client.handshake().isEmpty());
        client.request(QStringLiteral("1"), QStringLiteral("ssap://com.webos.service.tvpower/power/getPowerState"), {},
                       QStringLiteral("subscribe"));
        QCOMPARE(payloadOf(client.take(QStringLiteral("1"))).value(QStringLiteral("state")).toString(), QStringLiteral("Active"));
        client.request(QStringLiteral("2"), QStringLiteral("ssap://system/turnOff"));
        QVERIFY(!client.take(QStringLiteral("2")).isEmpty());
        QCOMPARE(payloadOf(client.take(QStringLiteral("1"))).value(QStringLiteral("state")).toString(), QStringLiteral("Active Standby"));
        QVERIFY(client.waitClosed());
        QCOMPARE(client.m_closeCode, 1008);
        QVERIFY(client.m_closeReason.contains(QStringLiteral("Try Again Later")));
        QVERIFY(tv.isStandby());

        // While asleep every new control socket is upgraded and then refused the same way.
        RawClient refused;
        QVERIFY(refused.open(m_url));
        QVERIFY(refused.waitClosed());
        QCOMPARE(refused.m_closeCode, 1008);
        QVERIFY(refused.m_closeReason.contains(QStringLiteral("Try Again Later")));
        QCOMPARE(tv.standbyRefusals(), 1);

        // Wakes at the third magic packet.
        tv.setWakeAfterPackets(3);
        tv.notifyMagicPacket();
        tv.notifyMagicPacket();
        QTest::qWait(20);
        QVERIFY(tv.isStandby());
        tv.notifyMagicPacket();
        QTRY_VERIFY(!tv.isStandby());
        QCOMPARE(tv.wakeCount(), 1);
        QCOMPARE(tv.magicPacketCount(), 3);
        QCOMPARE(tv.powerState(), QStringLiteral("Active"));
        tv.notifyMagicPacket(); // awake: counted, nothing else
        QCOMPARE(tv.wakeCount(), 1);

        RawClient again;
        QVERIFY(again.open(m_url));
        QVERIFY(!again.handshake().isEmpty());
    }

    void faults()
    {
        SimulatedTV &tv = makeTv();
        RawClient a;
        QVERIFY(a.open(m_url));
        tv.sendRaw(QStringLiteral("{\"type\":\"response\",\"id\":\"x\"}"));
        QVERIFY(!a.take(QStringLiteral("x")).isEmpty());
        QSignalSpy binary(&a.m_socket, &QWebSocket::binaryMessageReceived);
        tv.sendBinary(QByteArray("\xff\x01", 2));
        QVERIFY(binary.wait(3000));
        tv.closeControl(4001, QStringLiteral("bye"));
        QVERIFY(a.waitClosed());
        QCOMPARE(a.m_closeCode, 4001);
        QCOMPARE(a.m_closeReason, QStringLiteral("bye"));

        RawClient b;
        QVERIFY(b.open(m_url));
        QTRY_COMPARE(tv.openControlConnections(), 1);
        tv.dropAll();
        QVERIFY(b.waitClosed());
        // No close frame: the client sees the connection vanish.
        QVERIFY(b.m_closeReason.isEmpty());
        QVERIFY(b.m_errors.contains(QAbstractSocket::RemoteHostClosedError));
        QTRY_COMPARE(tv.openControlConnections(), 0);

        // The hello itself can be scripted away.
        tv.neverAnswer(QStringLiteral("hello"));
        RawClient c;
        QVERIFY(c.open(m_url));
        c.send({{QStringLiteral("type"), QStringLiteral("hello")}, {QStringLiteral("id"), QStringLiteral("hello")}});
        QVERIFY(c.take(QStringLiteral("hello"), 300).isEmpty());
        QTRY_COMPARE(tv.messages().size(), 1);
    }

    void robustness()
    {
        SimulatedTV::Options options;
        options.requireRegistration = true;
        options.turnOffCloseDelayMs = -1;
        SimulatedTV &tv = makeTv(options);
        RawClient client;
        QVERIFY(client.open(m_url));

        // Frames that are not JSON objects are recorded and otherwise ignored.
        client.m_socket.sendTextMessage(QStringLiteral("not json"));
        client.m_socket.sendBinaryMessage(QByteArray("[1,2]"));
        QTRY_COMPARE(tv.messages().size(), 2);
        QVERIFY(tv.messages().at(0).json.isEmpty());
        QCOMPARE(tv.messages().at(0).raw, QStringLiteral("not json"));
        QVERIFY(tv.messages().at(1).binary);

        client.request(QStringLiteral("1"), QStringLiteral("ssap://audio/getVolume"));
        QCOMPARE(client.take(QStringLiteral("1")).value(QStringLiteral("error")).toString(),
                 QStringLiteral("401 insufficient permissions (not registered)"));
        QVERIFY(!client.handshake().isEmpty());

        // A screen-off that keeps the socket: standby is only reported, and a wake reports Active.
        client.request(QStringLiteral("2"), QStringLiteral("ssap://com.webos.service.tvpower/power/getPowerState"), {},
                       QStringLiteral("subscribe"));
        QVERIFY(!client.take(QStringLiteral("2")).isEmpty());
        client.request(QStringLiteral("3"), QStringLiteral("ssap://system/turnOff"));
        QCOMPARE(payloadOf(client.take(QStringLiteral("2"))).value(QStringLiteral("state")).toString(), QStringLiteral("Active Standby"));
        QTest::qWait(100);
        QVERIFY(!client.m_closed);
        QVERIFY(!tv.isStandby());
        tv.notifyMagicPacket();
        QCOMPARE(payloadOf(client.take(QStringLiteral("2"))).value(QStringLiteral("state")).toString(), QStringLiteral("Active"));
        QCOMPARE(tv.wakeCount(), 1);

        // Unsubscribed: no more events.
        client.send({{QStringLiteral("type"), QStringLiteral("unsubscribe")}, {QStringLiteral("id"), QStringLiteral("2")}});
        QTRY_COMPARE(tv.messages().last().json.value(QStringLiteral("type")).toString(), QStringLiteral("unsubscribe"));
        tv.pushEvent(QStringLiteral("ssap://com.webos.service.tvpower/power/getPowerState"), {{QStringLiteral("state"), QStringLiteral("x")}});
        QVERIFY(client.take(QStringLiteral("2"), 200).isEmpty());

        // A listener that drops everything while a message is being handled must not crash the TV.
        QObject::connect(&tv, &SimulatedTV::messageReceived, &tv, [&tv] { tv.dropAll(); });
        client.request(QStringLiteral("4"), QStringLiteral("ssap://audio/setVolume"), {{QStringLiteral("volume"), 40}});
        QVERIFY(client.waitClosed());
        QCOMPARE(tv.volume(), 12);
        QTRY_COMPARE(tv.openControlConnections(), 0);
    }

    void pointerSocket()
    {
        SimulatedTV &tv = makeTv();
        RawClient control;
        QVERIFY(control.open(m_url));
        control.request(QStringLiteral("1"), QStringLiteral("ssap://com.webos.service.networkinput/getPointerInputSocket"));
        const QString path = payloadOf(control.take(QStringLiteral("1"))).value(QStringLiteral("socketPath")).toString();
        QVERIFY2(path.startsWith(QString(QStringLiteral("wss://") + tv.host() + QStringLiteral(":3001/resources/"))), qPrintable(path));
        QVERIFY(path.endsWith(QStringLiteral("/netinput.pointer.sock")));

        QWebSocket pointer;
        pointer.setSslConfiguration(trustingConfig());
        QSignalSpy connected(&pointer, &QWebSocket::connected);
        pointer.open(QUrl(path));
        QVERIFY(connected.wait(5000));
        const QString click = QStringLiteral("type:click\n\n");
        const QString move = QStringLiteral("type:move\ndx:5\ndy:-3\ndown:0\n\n");
        pointer.sendTextMessage(click);
        pointer.sendTextMessage(move);
        QTRY_COMPARE(tv.pointerFrames(), (QStringList{click, move}));
        QCOMPARE(tv.pointerConnections(), 1);
        QCOMPARE(tv.controlConnections(), 1);

        QSignalSpy gone(&pointer, &QWebSocket::disconnected);
        tv.closePointer(1001, QStringLiteral("restart"));
        QVERIFY(gone.wait(5000));
        QCOMPARE(int(pointer.closeCode()), 1001);

        // A path the TV never handed out is refused.
        QWebSocket stranger;
        stranger.setSslConfiguration(trustingConfig());
        QSignalSpy strangerGone(&stranger, &QWebSocket::disconnected);
        stranger.open(QUrl(QString(QStringLiteral("wss://") + tv.host() + QStringLiteral(":3001/resources/x/netinput.pointer.sock"))));
        QVERIFY(strangerGone.wait(5000));
        QCOMPARE(tv.pointerConnections(), 1);
    }

    void certificateSwitch()
    {
        SimulatedTV &tv = makeTv();
        QVERIFY(SimulatedTV::fingerprintOf(SimulatedTV::Certificate::A) != SimulatedTV::fingerprintOf(SimulatedTV::Certificate::B));
        QCOMPARE(tv.certificateFingerprint().size(), 64);
        auto seen = [this] {
            RawClient client;
            client.open(m_url);
            return QString::fromLatin1(client.m_socket.sslConfiguration().peerCertificate().digest(QCryptographicHash::Sha256).toHex());
        };
        QCOMPARE(seen(), SimulatedTV::fingerprintOf(SimulatedTV::Certificate::A));
        tv.setCertificate(SimulatedTV::Certificate::B);
        QCOMPARE(seen(), SimulatedTV::fingerprintOf(SimulatedTV::Certificate::B));
    }

    void screenshots_data()
    {
        QTest::addColumn<SimulatedTV::ScreenshotMode>("mode");
        QTest::addColumn<int>("status");
        QTest::addColumn<qint64>("bodySize"); // -1: a decodable JPEG
        QTest::addColumn<bool>("decodes");

        QTest::newRow("ok") << SimulatedTV::ScreenshotMode::Ok << 200 << qint64(-1) << true;
        QTest::newRow("404") << SimulatedTV::ScreenshotMode::NotFound << 404 << qint64(10) << false;
        QTest::newRow("garbage") << SimulatedTV::ScreenshotMode::Garbage << 200 << qint64(22 * 64) << false;
        QTest::newRow("exact limit") << SimulatedTV::ScreenshotMode::ExactLimitBody << 200 << qint64(4194304) << true;
        QTest::newRow("one byte over") << SimulatedTV::ScreenshotMode::OversizeBody << 200 << qint64(4194305) << true;
    }

    void screenshots()
    {
        QFETCH(SimulatedTV::ScreenshotMode, mode);
        QFETCH(int, status);
        QFETCH(qint64, bodySize);
        QFETCH(bool, decodes);

        SimulatedTV &tv = makeTv();
        tv.setScreenshotSize(QSize(640, 360));
        tv.setScreenshotMode(mode);
        RawClient control;
        QVERIFY(control.open(m_url));
        control.request(QStringLiteral("1"), QStringLiteral("ssap://tv/executeOneShot"));
        const QString uri = payloadOf(control.take(QStringLiteral("1"))).value(QStringLiteral("imageUri")).toString();
        QVERIFY2(uri.startsWith(QString(QStringLiteral("https://") + tv.host() + QStringLiteral(":3001/resources/"))), qPrintable(uri));

        QNetworkAccessManager manager;
        QNetworkRequest request{QUrl(uri)};
        request.setSslConfiguration(trustingConfig());
        request.setRawHeader("Cache-Control", "no-cache");
        std::unique_ptr<QNetworkReply> reply(manager.get(request));
        QSignalSpy finished(reply.get(), &QNetworkReply::finished);
        QVERIFY(finished.wait(10000));
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), status);
        const QByteArray body = reply->readAll();
        if (bodySize >= 0)
            QCOMPARE(body.size(), bodySize);
        if (status == 200) {
            const QImage image = QImage::fromData(body);
            QCOMPARE(!image.isNull(), decodes);
            if (decodes)
                QCOMPARE(image.size(), QSize(640, 360));
        }
        QCOMPARE(tv.httpRequests().size(), 1);
        QCOMPARE(tv.httpRequests().first().status, status);
        QVERIFY(tv.httpRequests().first().headers.contains(qMakePair(QByteArray("cache-control"), QByteArray("no-cache"))));
    }

    void resources()
    {
        SimulatedTV &tv = makeTv();
        tv.setScreenshotMode(SimulatedTV::ScreenshotMode::AnnounceHuge);
        RawClient control;
        QVERIFY(control.open(m_url));
        control.request(QStringLiteral("1"), QStringLiteral("ssap://tv/executeOneShot"));
        const QString uri = payloadOf(control.take(QStringLiteral("1"))).value(QStringLiteral("imageUri")).toString();
        const QString base = QStringLiteral("https://") + tv.host() + QStringLiteral(":3001");

        QNetworkAccessManager manager;
        auto get = [&](const QString &url) {
            QNetworkRequest request{QUrl(url)};
            request.setSslConfiguration(trustingConfig());
            return manager.get(request);
        };
        // The announced length arrives, the body never does.
        std::unique_ptr<QNetworkReply> huge(get(uri));
        QSignalSpy meta(huge.get(), &QNetworkReply::metaDataChanged);
        QVERIFY(meta.wait(5000));
        QCOMPARE(huge->header(QNetworkRequest::ContentLengthHeader).toLongLong(), 5000000);
        QTest::qWait(200);
        QVERIFY(!huge->isFinished());
        QCOMPARE(huge->bytesAvailable(), 0);
        huge->abort();

        const QStringList urls{base + SimulatedTV::largeIconPath(QStringLiteral("netflix")),
                               base + SimulatedTV::iconPath(QStringLiteral("netflix")),
                               base + SimulatedTV::iconPath(QStringLiteral("nope")),
                               base + QStringLiteral("/resources/unknown/screenshot.jpg")};
        const QList<int> expected{200, 200, 404, 404};
        for (int i = 0; i < urls.size(); ++i) {
            std::unique_ptr<QNetworkReply> reply(get(urls.at(i)));
            QSignalSpy finished(reply.get(), &QNetworkReply::finished);
            QVERIFY(finished.wait(5000));
            QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), expected.at(i));
            if (expected.at(i) == 200)
                QCOMPARE(QImage::fromData(reply->readAll(), "PNG").width(), i == 0 ? 130 : 80);
        }

        // Standby closes the web server too.
        tv.setStandby(true);
        std::unique_ptr<QNetworkReply> asleep(get(base + SimulatedTV::iconPath(QStringLiteral("netflix"))));
        QSignalSpy finished(asleep.get(), &QNetworkReply::finished);
        QVERIFY(finished.wait(5000));
        QCOMPARE(asleep->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 503);
    }
};

QTEST_MAIN(TestTvSim)
#include "test_tvsim.moc"
