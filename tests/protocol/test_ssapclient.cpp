#include "protocol/protocoltestsupport.h"

#include "support/testenv.h"
#include "support/wait.h"
#include "log/log.h"
#include "protocol/pinnedtlsdelegate.h"
#include "protocol/precisetimer.h"
#include "protocol/ssapclient.h"

#include <QJsonArray>
#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

#include <algorithm>

using namespace testsupport;
using namespace std::chrono_literals;

namespace {

// JSON written with single quotes, to keep the literals readable.
QByteArray json(const char *text)
{
    return QByteArray(text).replace('\'', '"');
}

QJsonObject obj(const char *text)
{
    return QJsonDocument::fromJson(json(text)).object();
}

using Clock = std::chrono::steady_clock;

// The registration's key as an object, so every kind of wait fits one Outcome type.
QCoro::Task<QJsonObject> keyAsObject(QCoro::Task<QString> registration)
{
    const QString key = co_await std::move(registration);
    co_return QJsonObject{{QStringLiteral("client-key"), key}};
}

struct CloseRecord {
    int calls = 0;
    std::optional<SSAPError> error;
    // How many of the watched waiters had finished when onClose ran.
    int waitersDoneBefore = 0;
};

} // namespace

class TestSSAPClient : public QObject {
    Q_OBJECT

private:
    TestEnv m_env;

    QString address() { return nextAddress(2); }

    // A client connected to a fresh scripted TV, hello answered.
    void connectPair(SSAPClient &client, ScriptedTV &tv)
    {
        auto hello = run(client.connect(tv.address()));
        tv.answerHello();
        QTRY_VERIFY(hello->done);
        QVERIFY(hello->value.has_value());
    }

private Q_SLOTS:
    void envelopeIdsAndRouting()
    {
        ScriptedTV tv(address());
        SSAPClient client;
        auto hello = run(client.connect(tv.address()));
        QCOMPARE(tv.nextText(), QStringLiteral("{\"id\":\"hello\",\"payload\":{},\"type\":\"hello\"}"));
        // A hello reply without an id still answers the hello.
        tv.send(obj("{'type':'hello','payload':{'deviceUUID':'u-1'}}"));
        QTRY_VERIFY(hello->done);
        QCOMPARE(hello->value->value(QLatin1String("deviceUUID")).toString(), QStringLiteral("u-1"));

        auto first = run(client.request(QStringLiteral("system/getSystemInfo"), {}));
        auto second = run(client.request(QStringLiteral("ssap://audio/getVolume"),
                                         obj("{'x':1}")));
        const QJsonObject m1 = tv.nextMessage();
        const QJsonObject m2 = tv.nextMessage();
        const QJsonObject want1 = obj("{'id':'1','type':'request','uri':'ssap://system/getSystemInfo','payload':{}}");
        const QJsonObject want2 = obj("{'id':'2','type':'request','uri':'ssap://audio/getVolume','payload':{'x':1}}");
        QCOMPARE(m1, want1);
        QCOMPARE(m2, want2);

        // Out of order, the second by a numeric id; an unknown id and junk are dropped.
        tv.send(obj("{'type':'response','id':99,'payload':{}}"));
        tv.sendText(QStringLiteral("not json"));
        tv.sendText(QStringLiteral("[1,2]"));
        tv.send(obj("{'type':'response','id':2,'payload':{'volume':7}}"));
        tv.send(obj("{'type':'response','id':'1','payload':{'modelName':'OLED'}}"));
        QTRY_VERIFY(first->done && second->done);
        QCOMPARE(first->value->value(QLatin1String("modelName")).toString(), QStringLiteral("OLED"));
        QCOMPARE(second->value->value(QLatin1String("volume")).toInt(), 7);

        // Binary frames are read as UTF-8 text.
        auto third = run(client.request(QStringLiteral("a/b"), {}));
        QCOMPARE(tv.nextMessage().value(QLatin1String("id")).toString(), QStringLiteral("3"));
        tv.peer()->sendBinaryMessage(json("{'type':'response','id':'3','payload':{'t':'电视'}}"));
        QTRY_VERIFY(third->done);
        QCOMPARE(third->value->value(QLatin1String("t")).toString(), QStringLiteral("电视"));
    }

    void replyRules_data()
    {
        QTest::addColumn<QByteArray>("reply");  // %1 stands for the request id
        QTest::addColumn<QString>("errorText"); // empty: success expected
        QTest::addColumn<QString>("payloadKey"); // present in the delivered payload

        QTest::newRow("returnValue false, no text")
            << json("{'type':'response','id':'%1','payload':{'returnValue':false}}")
            << QStringLiteral("请求失败") << QString();
        QTest::newRow("returnValue false with text")
            << json("{'type':'response','id':'%1','payload':{'returnValue':false,'errorText':'no app'}}")
            << QStringLiteral("no app") << QString();
        QTest::newRow("returnValue true")
            << json("{'type':'response','id':'%1','payload':{'returnValue':true,'k':1}}")
            << QString() << QStringLiteral("k");
        QTest::newRow("returnValue not a boolean")
            << json("{'type':'response','id':'%1','payload':{'returnValue':0,'k':1}}")
            << QString() << QStringLiteral("k");
        QTest::newRow("error with top-level text")
            << json("{'type':'error','id':'%1','error':'401 insufficient permissions','payload':{'errorText':'x'}}")
            << QStringLiteral("401 insufficient permissions") << QString();
        QTest::newRow("error with payload text")
            << json("{'type':'error','id':'%1','error':5,'payload':{'errorText':'bad'}}")
            << QStringLiteral("bad") << QString();
        QTest::newRow("error without text")
            << json("{'type':'error','id':'%1'}") << QStringLiteral("电视返回错误") << QString();
        QTest::newRow("unknown type counts as response")
            << json("{'type':'weird','id':'%1','payload':{'k':2}}") << QString()
            << QStringLiteral("k");
        QTest::newRow("payload not an object")
            << json("{'type':'response','id':'%1','payload':[1]}") << QString() << QString();
    }

    void replyRules()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, errorText);
        QFETCH(QString, payloadKey);
        ScriptedTV tv(address());
        SSAPClient client;
        connectPair(client, tv);
        auto out = run(client.request(QStringLiteral("x/y"), {}));
        const QString id = tv.nextMessage().value(QLatin1String("id")).toString();
        tv.sendText(QString::fromUtf8(reply).arg(id));
        QTRY_VERIFY(out->done);
        if (errorText.isEmpty()) {
            QVERIFY(out->value.has_value());
            if (!payloadKey.isEmpty())
                QVERIFY(out->value->contains(payloadKey));
        } else {
            QVERIFY(out->error.has_value());
            QCOMPARE(out->error->kind(), SSAPError::Kind::server);
            QCOMPARE(out->error->description(), errorText);
        }
    }

    void subscriptions()
    {
        ScriptedTV tv(address());
        SSAPClient client;
        QList<QJsonObject> events;
        // Before connecting nothing is sent and no id is used.
        client.subscribe(QStringLiteral("audio/getVolume"), {},
                         [&events](const QJsonObject &p) { events.append(p); });
        connectPair(client, tv);
        client.subscribe(QStringLiteral("audio/getVolume"), {},
                         [&events](const QJsonObject &p) { events.append(p); });
        const QJsonObject wanted = obj("{'id':'1','type':'subscribe','uri':'ssap://audio/getVolume','payload':{}}");
        QCOMPARE(tv.nextMessage(), wanted);
        auto pending = run(client.request(QStringLiteral("x"), {}));
        QCOMPARE(tv.nextMessage().value(QLatin1String("id")).toString(), QStringLiteral("2"));

        tv.send(obj("{'type':'response','id':'1','payload':{'volume':3}}"));
        tv.send(obj("{'type':'error','id':'1','error':'nope'}"));
        tv.send(obj("{'type':'response','id':1,'payload':{'volume':4}}"));
        QTRY_COMPARE(events.size(), 2);
        QCOMPARE(events.at(0).value(QLatin1String("volume")).toInt(), 3);
        QCOMPARE(events.at(1).value(QLatin1String("volume")).toInt(), 4);
        QVERIFY(!pending->done);  // the subscription's error failed nobody
        tv.send(obj("{'type':'response','id':'2','payload':{}}"));
        QTRY_VERIFY(pending->done && pending->value);
    }

    void notConnected()
    {
        SSAPClient client;
        auto request = run(client.request(QStringLiteral("x"), {}));
        auto reg = run(client.registerClient(std::nullopt, QStringLiteral("PROMPT"), [](const QString &) {}));
        QVERIFY(request->done && reg->done);
        QCOMPARE(request->error, SSAPError::notConnected());
        QCOMPARE(reg->error, SSAPError::notConnected());

        // The failed request used up id 1.
        ScriptedTV tv(address());
        connectPair(client, tv);
        run(client.request(QStringLiteral("x"), {}));
        QCOMPARE(tv.nextMessage().value(QLatin1String("id")).toString(), QStringLiteral("2"));
    }

    void invalidHost_data()
    {
        QTest::addColumn<QString>("host");
        for (const char *host : {"", "tv box", "tv/x", "user@tv", "tv:80", "[::1", "tv#x", "tv%41"})
            QTest::newRow(host) << QString::fromUtf8(host);
    }

    void invalidHost()
    {
        QFETCH(QString, host);
        SSAPClient client;
        auto out = run(client.connect(host));
        QVERIFY(out->done);
        QCOMPARE(out->error, SSAPError::server(QStringLiteral("无效的电视地址: ") + host));
        QVERIFY(!client.hasSocket());
    }

    void registration_data()
    {
        QTest::addColumn<bool>("withKey");
        QTest::newRow("pair by prompt") << false;
        QTest::newRow("stored key") << true;
    }

    void registration()
    {
        QFETCH(bool, withKey);
        ScriptedTV tv(address());
        SSAPClient client;
        connectPair(client, tv);
        int prompts = 0;
        const std::optional<QString> key = withKey ? std::optional<QString>(QStringLiteral("k-old"))
                                                   : std::nullopt;
        auto reg = run(client.registerClient(key, QStringLiteral("PIN"), [&prompts](const QString &) { ++prompts; }));

        const QJsonObject message = tv.nextMessage();
        QCOMPARE(message.value(QLatin1String("id")).toString(), QStringLiteral("register_0"));
        QCOMPARE(message.value(QLatin1String("type")).toString(), QStringLiteral("register"));
        const QJsonObject payload = message.value(QLatin1String("payload")).toObject();
        QCOMPARE(payload.value(QLatin1String("forcePairing")), QJsonValue(false));
        QCOMPARE(payload.value(QLatin1String("pairingType")).toString(), QStringLiteral("PIN"));
        QCOMPARE(payload.contains(QLatin1String("client-key")), withKey);
        if (withKey)
            QCOMPARE(payload.value(QLatin1String("client-key")).toString(), QStringLiteral("k-old"));
        const QJsonObject manifest = payload.value(QLatin1String("manifest")).toObject();
        QCOMPARE(manifest.value(QLatin1String("manifestVersion")), QJsonValue(1));
        QCOMPARE(manifest.value(QLatin1String("appVersion")), QJsonValue(QStringLiteral("1.0")));
        QStringList permissions;
        for (const QJsonValue &p : manifest.value(QLatin1String("permissions")).toArray())
            permissions.append(p.toString());
        QCOMPARE(permissions.join(QLatin1Char(',')),
                 QStringLiteral("LAUNCH,CONTROL_AUDIO,CONTROL_POWER,CONTROL_DISPLAY,"
                                "CONTROL_INPUT_JOYSTICK,CONTROL_INPUT_MEDIA_PLAYBACK,"
                                "CONTROL_INPUT_TEXT,CONTROL_INPUT_TV,CONTROL_MOUSE_AND_KEYBOARD,"
                                "READ_APP_STATUS,READ_CURRENT_CHANNEL,READ_INPUT_DEVICE_LIST,"
                                "READ_INSTALLED_APPS,READ_NETWORK_STATE,READ_POWER_STATE,"
                                "READ_RUNNING_APPS,READ_TV_CHANNEL_LIST,WRITE_NOTIFICATION_TOAST"));

        // The prompt may come more than once; a reply without pairingType is not a prompt.
        tv.send(obj("{'type':'response','id':'register_0','payload':{'pairingType':'PIN'}}"));
        tv.send(obj("{'type':'response','id':'register_0','payload':{}}"));
        tv.send(obj("{'type':'response','id':'register_0','payload':{'pairingType':null}}"));
        QTRY_COMPARE(prompts, 2);
        QVERIFY(!reg->done);
        tv.send(obj("{'type':'registered','id':'register_0','payload':{'client-key':'k-new'}}"));
        QTRY_VERIFY(reg->done);
        QCOMPARE(*reg->value, QStringLiteral("k-new"));
        // The callback is gone once the registration finished.
        tv.send(obj("{'type':'response','id':'register_0','payload':{'pairingType':'PIN'}}"));
        QTest::qWait(50);
        QCOMPARE(prompts, 2);
    }

    void registrationFailures_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("errorText");
        QTest::newRow("registered without key")
            << json("{'type':'registered','id':'register_0','payload':{'client-key':5}}")
            << QStringLiteral("配对返回缺少 client-key");
        QTest::newRow("refused")
            << json("{'type':'error','id':'register_0','error':'403 User denied access'}")
            << QStringLiteral("403 User denied access");
    }

    void registrationFailures()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, errorText);
        ScriptedTV tv(address());
        SSAPClient client;
        connectPair(client, tv);
        auto reg = run(client.registerClient(std::nullopt, QStringLiteral("PROMPT"), [](const QString &) {}));
        tv.nextMessage();
        tv.sendText(QString::fromUtf8(reply));
        QTRY_VERIFY(reg->done);
        QCOMPARE(reg->error, SSAPError::server(errorText));
    }

    void timeouts()
    {
        {
            ScriptedTV silent(address());
            SSAPClient client;
            client.setHelloTimeout(150ms);
            auto hello = run(client.connect(silent.address()));
            QTRY_VERIFY(hello->done);
            QCOMPARE(hello->error, SSAPError::timeout());
        }
        ScriptedTV tv(address());
        SSAPClient client;
        client.setRegisterTimeout(200ms);
        connectPair(client, tv);
        auto request = run(client.request(QStringLiteral("x"), {}, 100ms));
        auto reg = run(client.registerClient(std::nullopt, QStringLiteral("PROMPT"), [](const QString &) {}));
        QTRY_VERIFY(request->done && reg->done);
        QCOMPARE(request->error, SSAPError::timeout());
        QCOMPARE(reg->error, SSAPError::timeout());
        // Late answers find nobody waiting; the connection carries on.
        tv.send(obj("{'type':'response','id':'1','payload':{}}"));
        tv.send(obj("{'type':'registered','id':'register_0','payload':{'client-key':'k'}}"));
        auto next = run(client.request(QStringLiteral("x"), {}));
        tv.received().clear();
        QTRY_VERIFY(client.hasSocket());
        tv.send(obj("{'type':'response','id':'2','payload':{}}"));
        QTRY_VERIFY(next->done && next->value);
    }

    // Several waits of each kind, started at different moments: a coarse timer ends only some
    // of them early. Longer than 2 s, where Qt's single-shot timers turn coarse by default.
    void deadlinesNeverEndEarly()
    {
        constexpr auto deadline = 2100ms;
        std::vector<std::unique_ptr<ScriptedTV>> tvs;
        std::vector<std::unique_ptr<SSAPClient>> clients;
        for (int i = 0; i < 7; ++i) {
            tvs.push_back(std::make_unique<ScriptedTV>(address()));
            clients.push_back(std::make_unique<SSAPClient>());
            clients.back()->setHelloTimeout(deadline);
            clients.back()->setRegisterTimeout(deadline);
        }
        // Client 0 carries the requests, 1 to 3 one registration each, 4 to 6 an unanswered hello.
        for (int i = 0; i < 4; ++i)
            connectPair(*clients[i], *tvs[i]);

        struct Probe {
            QString what;
            Clock::time_point start;
            std::shared_ptr<Outcome<QJsonObject>> out;
        };
        QList<Probe> probes;
        for (int phase = 0; phase < 3; ++phase) {
            if (phase > 0)
                QTest::qWait(170);
            probes.append({QStringLiteral("request"), Clock::now(),
                           run(clients[0]->request(QStringLiteral("x"), {}, deadline))});
            probes.append({QStringLiteral("registration"), Clock::now(),
                           run(keyAsObject(clients[1 + phase]->registerClient(
                               std::nullopt, QStringLiteral("PROMPT"), [](const QString &) {})))});
            probes.append({QStringLiteral("hello"), Clock::now(),
                           run(clients[4 + phase]->connect(tvs[4 + phase]->address()))});
        }
        QVERIFY(spinUntil([&] {
            return std::all_of(probes.cbegin(), probes.cend(), [](const Probe &p) { return p.out->done; });
        }, 10s));
        for (const Probe &probe : probes) {
            QCOMPARE(probe.out->error, SSAPError::timeout());
            const auto took = std::chrono::duration_cast<std::chrono::microseconds>(probe.out->finished - probe.start);
            QVERIFY2(took >= deadline, qPrintable(QStringLiteral("%1 gave up after %2 us")
                                                      .arg(probe.what).arg(took.count())));
        }
    }

    void answeredJustInsideTheDeadline_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char *kind : {"request", "hello", "registration"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }

    // A TV that answers shortly before the deadline is answered, not timed out. The margin
    // leaves room for a loaded machine (and sanitizers) to carry the answer through TLS.
    void answeredJustInsideTheDeadline()
    {
        QFETCH(QString, kind);
        constexpr auto deadline = 600ms;
        constexpr auto answerAt = 480ms;
        ScriptedTV tv(address());
        SSAPClient client;
        client.setHelloTimeout(deadline);
        client.setRegisterTimeout(deadline);
        if (kind != QLatin1String("hello"))
            connectPair(client, tv);

        const Clock::time_point start = Clock::now();
        std::shared_ptr<Outcome<QJsonObject>> out;
        QJsonObject answer;
        if (kind == QLatin1String("request")) {
            out = run(client.request(QStringLiteral("x"), {}, deadline));
            answer = obj("{'type':'response','id':'1','payload':{}}");
        } else if (kind == QLatin1String("hello")) {
            out = run(client.connect(tv.address()));
            answer = obj("{'type':'hello','payload':{}}");
        } else {
            out = run(keyAsObject(client.registerClient(std::nullopt, QStringLiteral("PROMPT"), [](const QString &) {})));
            answer = obj("{'type':'registered','id':'register_0','payload':{'client-key':'k'}}");
        }
        QVERIFY(!tv.nextText().isEmpty());
        QTimer::singleShot(veltrix::remainingUntil(start + answerAt), Qt::PreciseTimer, &tv,
                           [&tv, answer] { tv.send(answer); });
        QVERIFY(spinUntil([&] { return out->done; }, 5s));
        QVERIFY2(out->value.has_value(), qPrintable(out->error ? out->error->description() : QString()));
    }

    void connectionFailuresSayWhatHappened_data()
    {
        QTest::addColumn<QString>("peer");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing listening") << QStringLiteral("none")
                                           << QStringLiteral("电视拒绝连接 (Connection refused)");
        QTest::newRow("no route") << QStringLiteral("unroutable")
                                  << QStringLiteral("无法到达电视 (Network unreachable)");
        QTest::newRow("TCP accepted, no TLS") << QStringLiteral("tcp")
                                              << QStringLiteral("电视在 0.3 秒内未回应连接");
        QTest::newRow("TLS done, no upgrade") << QStringLiteral("tls")
                                              << QStringLiteral("电视在 0.3 秒内未回应连接");
        QTest::newRow("plain text instead of TLS") << QStringLiteral("plain")
                                                   << QStringLiteral("与电视的加密握手失败 (");
    }

    // The hello's failure (what the session shows and logs) names what went wrong.
    void connectionFailuresSayWhatHappened()
    {
        QFETCH(QString, peer);
        QFETCH(QString, text);
        QString host = address();
        QTcpServer tcp;
        std::optional<RawTLSServer> tls;
        if (peer == QLatin1String("unroutable")) {
            // Only this namespace's loopback exists, so nothing can leave; outside it the
            // address might be routed somewhere real.
            if (qEnvironmentVariableIsEmpty("VELTRIX_NETNS"))
                QSKIP("needs the private network namespace (scripts/netns-exec)");
            host = QStringLiteral("10.255.255.1");
        } else if (peer == QLatin1String("tcp") || peer == QLatin1String("plain")) {
            QVERIFY(tcp.listen(QHostAddress(host), 3001));
            QObject::connect(&tcp, &QTcpServer::newConnection, &tcp, [&tcp, peer] {
                QTcpSocket *socket = tcp.nextPendingConnection();
                if (peer == QLatin1String("plain"))
                    socket->write("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n");
            });
        } else if (peer == QLatin1String("tls")) {
            tls.emplace(host);
        }
        SSAPClient client;
        // Short only where the time-out is the point; elsewhere the failure must come first.
        client.setHelloTimeout(text.startsWith(QStringLiteral("电视在")) ? 300ms : 5000ms);
        std::optional<SSAPError> closed;
        client.setOnClose([&closed](const std::optional<SSAPError> &error) { closed = error; });
        auto hello = run(client.connect(host));
        QTRY_VERIFY(hello->done);
        QVERIFY(hello->error.has_value());
        QVERIFY2(hello->error->description().startsWith(text), qPrintable(hello->error->description()));
        if (peer == QLatin1String("none") || peer == QLatin1String("unroutable")) {
            QCOMPARE(hello->error->description(), text);
            QTRY_VERIFY(closed.has_value());  // the owner hears the same reason
            QCOMPARE(closed, hello->error);
        }
    }

    void ends_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("asleep");
        QTest::newRow("standby") << 1008 << QStringLiteral("Try Again Later") << true;
        QTest::newRow("standby, longer reason") << 1008 << QStringLiteral("busy: Try Again Later!") << true;
        QTest::newRow("policy, other reason") << 1008 << QStringLiteral("go away") << false;
        QTest::newRow("normal close") << 1000 << QString() << false;
    }

    void ends()
    {
        QFETCH(int, code);
        QFETCH(QString, reason);
        QFETCH(bool, asleep);
        ScriptedTV tv(address());
        SSAPClient client;
        connectPair(client, tv);
        auto record = std::make_shared<CloseRecord>();
        auto request = run(client.request(QStringLiteral("x"), {}));
        auto reg = run(client.registerClient(std::nullopt, QStringLiteral("PROMPT"), [](const QString &) {}));
        client.setOnClose([record, request, reg](const std::optional<SSAPError> &error) {
            ++record->calls;
            record->error = error;
            record->waitersDoneBefore = int(request->done) + int(reg->done);
        });
        QList<QJsonObject> events;
        client.subscribe(QStringLiteral("s"), {}, [&events](const QJsonObject &p) { events.append(p); });
        QTRY_COMPARE(tv.received().size(), 3);
        tv.peer()->close(QWebSocketProtocol::CloseCode(code), reason);
        QTRY_VERIFY(request->done && reg->done);
        QTRY_COMPARE(record->calls, 1);
        QCOMPARE(record->waitersDoneBefore, 2);
        QVERIFY(!client.hasSocket());
        QVERIFY(record->error.has_value());
        if (asleep) {
            QCOMPARE(*record->error, SSAPError::asleep());
            QCOMPARE(request->error, SSAPError::asleep());
            QCOMPARE(reg->error, SSAPError::asleep());
        } else {
            QCOMPARE(record->error->kind(), SSAPError::Kind::transport);
            QVERIFY(!record->error->description().isEmpty());
            QCOMPARE(request->error, record->error);
        }
        QTest::qWait(100);
        QCOMPARE(record->calls, 1);
        // Subscriptions went with the socket.
        client.subscribe(QStringLiteral("s"), {}, [](const QJsonObject &) {});
        QVERIFY(events.isEmpty());
    }

    void closeByOwner()
    {
        ScriptedTV tv(address());
        SSAPClient client;
        connectPair(client, tv);
        int closes = 0;
        client.setOnClose([&closes](const std::optional<SSAPError> &) { ++closes; });
        auto request = run(client.request(QStringLiteral("x"), {}));
        auto reg = run(client.registerClient(std::nullopt, QStringLiteral("PROMPT"), [](const QString &) {}));
        QTRY_COMPARE(tv.received().size(), 2);
        client.close();
        client.close();  // harmless
        QTRY_VERIFY(request->done && reg->done);
        QCOMPARE(request->error, SSAPError::notConnected());
        QCOMPARE(reg->error, SSAPError::notConnected());
        QTRY_VERIFY(tv.peerGone());
        QCOMPARE(tv.closeCode(), 1001);
        QTest::qWait(100);
        QCOMPARE(closes, 0);
        auto after = run(client.request(QStringLiteral("x"), {}));
        QCOMPARE(after->error, SSAPError::notConnected());
    }

    void destroyedWhileWaiting()
    {
        ScriptedTV tv(address());
        auto *client = new SSAPClient;
        int closes = 0;
        client->setOnClose([&closes](const std::optional<SSAPError> &) { ++closes; });
        connectPair(*client, tv);
        auto request = run(client->request(QStringLiteral("x"), {}));
        auto reg = run(client->registerClient(std::nullopt, QStringLiteral("PROMPT"), [](const QString &) {}));
        delete client;
        QTRY_VERIFY(request->done && reg->done);
        QCOMPARE(request->error, SSAPError::notConnected());
        QCOMPARE(reg->error, SSAPError::notConnected());
        QTest::qWait(50);
        QCOMPARE(closes, 0);
    }

    void oversizedMessage()
    {
        ScriptedTV tv(address());
        SSAPClient client;
        connectPair(client, tv);
        int closes = 0;
        client.setOnClose([&closes](const std::optional<SSAPError> &) { ++closes; });
        // Exactly the limit is accepted...
        auto fits = run(client.request(QStringLiteral("x"), {}));
        const QByteArray head = json("{'type':'response','id':'1','payload':{'d':'");
        const QByteArray tail = json("'}}");
        QByteArray exact = head + QByteArray(SSAPClient::kMaxIncomingMessage - head.size() - tail.size(), 'a') + tail;
        QCOMPARE(exact.size(), SSAPClient::kMaxIncomingMessage);
        tv.nextText();
        tv.sendText(QString::fromUtf8(exact));
        QTRY_VERIFY_WITH_TIMEOUT(fits->done, 10000);
        QVERIFY(fits->value);
        // ...one byte more ends the connection, and the waiter with it.
        auto big = run(client.request(QStringLiteral("x"), {}));
        tv.nextText();
        QByteArray over = exact;
        over.replace("\"id\":\"1\"", "\"id\":\"2\"");
        over.insert(head.size(), 'b');
        tv.sendText(QString::fromUtf8(over));
        QTRY_VERIFY_WITH_TIMEOUT(big->done, 10000);
        QVERIFY(big->error.has_value());
        QTRY_COMPARE(closes, 1);
        QVERIFY(!client.hasSocket());
    }

    void pinning_data()
    {
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("accepted");
        QString oneDigitOff = kChainLeafFingerprint;
        oneDigitOff[63] = oneDigitOff[63] == QLatin1Char('7') ? QLatin1Char('8') : QLatin1Char('7');
        QTest::newRow("first use") << QString() << true;
        QTest::newRow("pinned leaf") << kChainLeafFingerprint << true;
        QTest::newRow("one digit off") << oneDigitOff << false;
        QTest::newRow("upper case") << kChainLeafFingerprint.toUpper() << false;
        QTest::newRow("root of the chain") << kChainRootFingerprint << false;
    }

    // The server presents leaf + CA: the fingerprint is the leaf's, and a refused certificate
    // ends the handshake before the upgrade request is written.
    void pinning()
    {
        QFETCH(QString, expected);
        QFETCH(bool, accepted);
        RawTLSServer server(address(), QStringLiteral("tv-chain"));
        const std::optional<QString> pin = expected.isEmpty() ? std::nullopt
                                                              : std::optional<QString>(expected);
        SSAPClient client(pin);
        std::optional<SSAPError> closed;
        int closes = 0;
        client.setOnClose([&](const std::optional<SSAPError> &error) { ++closes; closed = error; });
        const int logBefore = m_env.logCount(PinnedTLSDelegate::refusalText());

        auto hello = run(client.connect(server.address()));
        if (accepted) {
            QTRY_VERIFY(server.bytes().contains("\r\n\r\n"));
            QVERIFY(server.bytes().startsWith("GET / HTTP/1.1\r\n"));
            QVERIFY(server.bytes().toLower().contains("upgrade: websocket"));
            QVERIFY(!hello->done);
            client.close();
            QTRY_VERIFY(hello->done);
            QCOMPARE(hello->error, SSAPError::notConnected());
            QCOMPARE(closes, 0);
        } else {
            QTRY_VERIFY(hello->done);
            QVERIFY(hello->error.has_value());
            QCOMPARE(hello->error->kind(), SSAPError::Kind::transport);
            QCOMPARE(hello->error->description(), QStringLiteral("TLS 证书指纹不匹配，拒绝连接"));
            QTRY_COMPARE(closes, 1);
            QCOMPARE(closed, hello->error);
            QCOMPARE(server.handshakes(), 1);
            QVERIFY2(server.bytes().isEmpty(), server.bytes().constData());
            QCOMPARE(m_env.logCount(PinnedTLSDelegate::refusalText()), logBefore + 1);
        }
        QCOMPARE(client.tls()->expectedFingerprint(), pin);
        QCOMPARE(client.tls()->observedFingerprint(), std::optional<QString>(kChainLeafFingerprint));
    }
};

QTEST_GUILESS_MAIN(TestSSAPClient)
#include "test_ssapclient.moc"
