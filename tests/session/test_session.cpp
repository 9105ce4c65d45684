#include "session/sessionfixture.h"

#include "tvsim/lib/ssdpresponder.h"
#include "tvsim/lib/wakelistener.h"

class TestSession : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pairsByPromptAndReconnectsWithTheStoredKey()
    {
        SessionFixture f;
        TestTV tv(tvOptions(2));
        const QString id = f.addTV(tv);

        f.session->connect(id);
        QVERIFY(f.waitFor(ConnectionState::Kind::ready));
        const QList<ConnectionState> expected{ConnectionState::offline(), ConnectionState::connecting(),
                                              ConnectionState::awaitingApproval(false), ConnectionState::ready()};
        // offline is the initial state, so the first signal is connecting.
        QCOMPARE(f.states, expected.mid(1));

        const TVDevice saved = *f.store->device(id);
        QCOMPARE(saved.clientKey, tv.clientKeys().value(0));
        QCOMPARE(saved.certFingerprint, SimulatedTV::fingerprintOf(SimulatedTV::Certificate::A));
        QCOMPARE(saved.tvUUID, QStringLiteral("uuid-tv-2"));
        QCOMPARE(saved.model, QStringLiteral("LG OLED55C1PUB"));
        QVERIFY(f.logLines().contains(QStringLiteral("等待电视确认配对 (pin=false)")));
        QVERIFY(f.logLines().contains(QStringLiteral("已注册 LG OLED55C1PUB")));

        // The register message carried no key the first time and the stored key the second.
        f.session->disconnect();
        f.states.clear();
        f.session->connect(id);
        QVERIFY(f.waitFor(ConnectionState::Kind::ready));
        QCOMPARE(f.states, (QList<ConnectionState>{ConnectionState::connecting(), ConnectionState::ready()}));
        QCOMPARE(tv.pairingPrompts(), 1);
        int withKey = 0;
        for (const SimulatedTV::Message &m : tv.messages()) {
            if (m.json.value(QStringLiteral("type")) == QStringLiteral("register"))
                withKey += m.json.value(QStringLiteral("payload")).toObject().contains(QStringLiteral("client-key"));
        }
        QCOMPARE(withKey, 1);
    }

    void pairsByPin_data()
    {
        QTest::addColumn<bool>("askedForPin");
        QTest::newRow("PIN asked for, a wrong one first") << true;
        // A TV set to PIN pairing answers a prompt request with "PIN"; waiting for an approval
        // on its screen would wait for nothing.
        QTest::newRow("prompt asked for, the TV wants a PIN") << false;
    }

    void pairsByPin()
    {
        QFETCH(bool, askedForPin);
        SessionFixture f;
        SimulatedTV::Options options = tvOptions(2);
        options.pairing = SimulatedTV::Pairing::Pin;
        TestTV tv(options);
        const QString id = f.addTV(tv);

        f.session->connect(id, askedForPin);
        QVERIFY(f.waitFor(ConnectionState::Kind::awaitingApproval));
        QCOMPARE(f.session->state(), ConnectionState::awaitingApproval(true));
        QVERIFY(f.logLines().contains(QStringLiteral("等待电视确认配对 (pin=true)")));
        if (askedForPin) {
            f.session->submitPin(QStringLiteral("00000000"));
            QTRY_COMPARE(f.logCount(QStringLiteral("setPin 失败: ")), 1);
            QCOMPARE(f.session->state(), ConnectionState::awaitingApproval(true));
        }
        f.session->submitPin(options.pin);
        QVERIFY(f.waitFor(ConnectionState::Kind::ready));
        QVERIFY(f.store->device(id)->clientKey.has_value());
    }

    void rejectedPairingIsAnError()
    {
        SessionFixture f;
        SimulatedTV::Options options = tvOptions(2);
        options.pairing = SimulatedTV::Pairing::Reject;
        TestTV tv(options);
        const QString id = f.addTV(tv);
        f.session->connect(id);
        QVERIFY(f.waitFor(ConnectionState::Kind::error));
        QCOMPARE(f.session->state().text(), QStringLiteral("403 User denied access"));
        QVERIFY(!f.store->device(id)->clientKey);
        QVERIFY(!f.session->client());
    }

    void changedCertificateIsRefusedBeforeTheUpgrade()
    {
        SessionFixture f;
        TestTV tv(tvOptions(2));
        const QString id = f.addTV(tv);
        QVERIFY(f.pair(tv));
        f.session->disconnect();
        const TVDevice before = *f.store->device(id);
        const int upgrades = tv.controlConnections();

        tv.setCertificate(SimulatedTV::Certificate::B);
        f.session->connect(id);
        QVERIFY(f.waitFor(ConnectionState::Kind::error));
        const QString changed = QStringLiteral("电视证书已变化，请删除后重新配对");
        QCOMPARE(f.session->state().text(), changed);
        QCOMPARE(tv.controlConnections(), upgrades);  // no upgrade request ever reached the TV
        QCOMPARE(*f.store->device(id), before);
        QVERIFY(f.logLines().contains(QStringLiteral("TLS 证书指纹不匹配，拒绝连接")));
        QVERIFY(f.logLines().contains(QStringLiteral("连接失败: ") + changed));
    }

    void newTVIdentityPairsAfresh()
    {
        SessionFixture f;
        TestTV tv(tvOptions(2));
        const QString id = f.addTV(tv);
        QVERIFY(f.pair(tv));
        f.session->disconnect();
        const QString oldKey = *f.store->device(id)->clientKey;

        // Another TV (same certificate, as after a board swap) now answers at that address.
        tv.stop();
        SimulatedTV::Options options = tvOptions(2);
        options.uuid = QStringLiteral("uuid-replacement");
        TestTV other(options);

        f.session->connect(id);
        QVERIFY(f.waitFor(ConnectionState::Kind::ready));
        QVERIFY(f.logLines().contains(QStringLiteral("TV UUID 变化，清除旧配对")));
        QCOMPARE(other.pairingPrompts(), 1);
        const TVDevice saved = *f.store->device(id);
        QCOMPARE(saved.tvUUID, QStringLiteral("uuid-replacement"));
        QVERIFY(saved.clientKey != oldKey);
        QCOMPARE(saved.clientKey, other.clientKeys().value(0));
        QCOMPARE(saved.certFingerprint, SimulatedTV::fingerprintOf(SimulatedTV::Certificate::A));
    }

    void standbyRefusalDropAndSilence()
    {
        SessionFixture f;
        TestTV tv(tvOptions(2));
        const QString id = f.addTV(tv);

        tv.setStandby(true);
        f.session->connect(id);
        QVERIFY(f.waitFor(ConnectionState::Kind::sleeping));
        QVERIFY(f.session->isStandby());
        QVERIFY(f.logLines().contains(QStringLiteral("连接失败: 电视处于待机，可用网络唤醒开机")));

        tv.setStandby(false);
        QVERIFY(f.pair(tv));
        tv.dropAll();
        QVERIFY(f.waitFor(ConnectionState::Kind::offline));
        QVERIFY(!f.session->client());
        QVERIFY(!f.session->pointer());
        QCOMPARE(f.logCount(QStringLiteral("主通道断开: ")), 1);

        // Standby ending the socket while the model is asked for is still standby.
        tv.neverAnswer(QStringLiteral("system/getSystemInfo"));
        const int asked = tv.requestCount(QStringLiteral("system/getSystemInfo"));
        f.session->connect(id);
        QTRY_COMPARE(tv.requestCount(QStringLiteral("system/getSystemInfo")), asked + 1);
        tv.closeControl(1008, QStringLiteral("TV is in standby. Try Again Later"));
        QVERIFY(f.waitFor(ConnectionState::Kind::sleeping));
        QVERIFY(!f.session->client());
        tv.answerNormally(QStringLiteral("system/getSystemInfo"));

        // A hello that is never answered ends in the time-out text.
        tv.neverAnswer(QStringLiteral("hello"));
        f.session->connect(id);
        QVERIFY(f.waitFor(ConnectionState::Kind::error, 5s));
        QCOMPARE(f.session->state().text(), QStringLiteral("电视响应超时"));
    }

    void unreachableHostAndBadHostText()
    {
        SessionFixture f;
        const QString nobody = f.store->upsert(testAddress(9).toString()).id;
        f.session->connect(nobody);
        QVERIFY(f.waitFor(ConnectionState::Kind::error));
        QVERIFY(!f.session->state().text().isEmpty());

        const QString bad = f.store->upsert(QStringLiteral("tv host/with spaces")).id;
        f.session->connect(bad);
        QVERIFY(f.waitFor(ConnectionState::Kind::error));
        QVERIFY(!f.session->client());

        // An id that is not stored selects it and leaves the session offline.
        f.session->connect(QStringLiteral("NO-SUCH-ID"));
        QCOMPARE(f.session->state(), ConnectionState::offline());
        QCOMPARE(f.store->selectedID(), QStringLiteral("NO-SUCH-ID"));
    }

    void secondConnectSupersedesTheFirst()
    {
        SessionFixture f;
        SimulatedTV::Options slow = tvOptions(2);
        slow.approveDelayMs = 300;
        SimulatedTV first(slow);
        SimulatedTV second(tvOptions(3));
        QVERIFY(first.start());
        QVERIFY(second.start());
        const QString a = f.addTV(first);
        const QString b = f.addTV(second);

        f.session->connect(a);
        f.session->connect(b);
        QVERIFY(f.waitFor(ConnectionState::Kind::ready));
        QTest::qWait(500);  // the first TV's approval would have arrived by now
        QCOMPARE(f.session->state(), ConnectionState::ready());
        QCOMPARE(f.store->selectedID(), b);
        QVERIFY(!f.store->device(a)->clientKey);
        QVERIFY(f.store->device(b)->clientKey);
        // Only the second attempt moved the state after the second connect's own reset.
        const int lastOffline = f.states.lastIndexOf(ConnectionState::offline());
        QCOMPARE(f.states.mid(lastOffline),
                 (QList<ConnectionState>{ConnectionState::offline(), ConnectionState::connecting(),
                                         ConnectionState::awaitingApproval(false), ConnectionState::ready()}));
    }

    void ensureConnectedRules()
    {
        SessionFixture f;
        auto ensure = [&f]() -> QString {
            QString outcome;
            bool done = false;
            [](TVSession *session, QString *outcome, bool *done) -> QCoro::Task<> {
                try {
                    co_await session->ensureConnected(3000ms);
                    *outcome = QStringLiteral("ok");
                } catch (const SSAPError &error) {
                    *outcome = error.description();
                }
                *done = true;
            }(f.session.get(), &outcome, &done);
            waitFor([&] { return done; }, 10s);
            return outcome;
        };

        QCOMPARE(ensure(), QStringLiteral("No paired TV. Pair one in the Veltrix app first."));
        TestTV tv(tvOptions(2));
        const QString id = f.addTV(tv);
        QCOMPARE(ensure(), QStringLiteral("No paired TV. Pair one in the Veltrix app first."));
        QCOMPARE(f.session->state(), ConnectionState::offline());  // no attempt was started

        QVERIFY(f.pair(tv));
        f.session->disconnect();
        QCOMPARE(ensure(), QStringLiteral("ok"));
        QCOMPARE(tv.pairingPrompts(), 1);

        f.session->disconnect();
        tv.setStandby(true);
        QCOMPARE(ensure(), QStringLiteral("The TV is in standby: turn it on with tv_power first."));
    }

    void scanSavesEveryTVFound()
    {
        if (qEnvironmentVariableIsEmpty("VELTRIX_NETNS"))
            QSKIP("needs the private network namespace (scripts/netns-exec)");
        SessionFixture f;
        SsdpResponder living(testAddress(2), {}, SsdpResponder::usnFor(QStringLiteral("uuid-living")));
        living.setDescription(QStringLiteral("Living room"), QStringLiteral("OLED55C1"), QStringLiteral("uuid-living"));
        living.setAnswerCount(2);  // duplicate answers collapse
        SsdpResponder bedroom(testAddress(3), {}, SsdpResponder::usnFor(QStringLiteral("uuid-bedroom")));
        bedroom.setDescription(QStringLiteral("Bedroom"), QStringLiteral("NANO75"), QStringLiteral("uuid-bedroom"));
        QVERIFY2(living.start(), qPrintable(living.errorString()));
        QVERIFY2(bedroom.start(), qPrintable(bedroom.errorString()));

        QSignalSpy scanning(f.session.get(), &TVSession::isScanningChanged);
        f.session->scan();
        QVERIFY(f.session->isScanning());
        f.session->scan();  // a second scan while one runs does nothing
        QVERIFY(waitFor([&] { return !f.session->isScanning(); }, 10s));
        QCOMPARE(scanning.count(), 2);
        QCOMPARE(living.searchCount(), 2);  // one run sends its search twice

        const QList<SSDPDiscovery::Found> found = f.session->discovered();
        QCOMPARE(found.size(), 2);
        QCOMPARE(found[0].host, testAddress(2).toString());
        QCOMPARE(found[0].name, QStringLiteral("Living room"));
        QCOMPARE(found[1].model, QStringLiteral("NANO75"));
        QCOMPARE(f.store->devices().size(), 2);
        QCOMPARE(f.store->devices()[1].tvUUID, QStringLiteral("uuid-bedroom"));
        QCOMPARE(f.store->devices()[1].name, QStringLiteral("Bedroom"));
        QVERIFY(f.logLines().contains(QStringLiteral("SSDP 发现 2 台电视: [\"127.0.13.2\", \"127.0.13.3\"]")));
    }

    void wakeRetriesUntilTheTVAnswers()
    {
        if (qEnvironmentVariableIsEmpty("VELTRIX_NETNS"))
            QSKIP("needs the private network namespace (scripts/netns-exec)");
        SessionFixture f;
        TestTV tv(tvOptions(2));
        WakeListener listener(tv.options().mac);
        QVERIFY2(listener.start(), qPrintable(listener.errorString()));
        QObject::connect(&listener, &WakeListener::magicPacket, &tv, &SimulatedTV::notifyMagicPacket);
        const QString id = f.addTV(tv);
        QVERIFY(f.pair(tv));
        QTRY_COMPARE(f.store->device(id)->mac, tv.options().mac);

        // Asleep; the third connection attempt (after the fourth packet) finds it awake.
        tv.setStandby(true);
        QVERIFY(f.waitFor(ConnectionState::Kind::sleeping));
        tv.setWakeAfterPackets(3 * 3 + 1);  // each wake sends three copies
        f.session->wake();
        QCOMPARE(f.session->state(), ConnectionState::waking());
        QVERIFY(f.waitFor(ConnectionState::Kind::ready, 15s));
        QTest::qWait(200);
        QCOMPARE(listener.packetCount(), 4 * 3);  // every wake sends the packet three times
        QCOMPARE(f.logCount(QStringLiteral("WOL a8:23:fe:01:02:03 -> 255.255.255.255 sent=true")), 4);

        // A TV that never wakes: ten attempts, eleven packets, then the time-out text.
        f.session->disconnect();
        tv.setStandby(true);
        tv.setWakeAfterPackets(1000);
        const int before = listener.packetCount();
        f.session->wake();
        // Failed attempts pass through the error state; the wake-up's own end has its text.
        const ConnectionState gaveUp = ConnectionState::error(QStringLiteral("唤醒超时，请确认电视已开启网络唤醒"));
        QVERIFY(waitFor([&] { return f.session->state() == gaveUp; }, 30s));
        QCOMPARE(listener.packetCount() - before, 11 * 3);
    }

    void wakeWithoutMACSendsNothing()
    {
        SessionFixture f;
        f.store->upsert(testAddress(2).toString());
        f.session->wake();
        QCOMPARE(f.session->state(), ConnectionState::error(QStringLiteral("未记录电视 MAC，无法网络唤醒")));
        QCOMPARE(f.logCount(QStringLiteral("WOL ")), 0);
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "test_session.moc"
