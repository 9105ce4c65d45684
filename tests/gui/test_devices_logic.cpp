// Devices page rules and actions, without widgets: address entry, the pairing panel's state
// table, deleting, and the PIN flow against the simulated TV.

#include "ui/pages/devices/devicesactions.h"
#include "ui/pages/devices/ipv4text.h"
#include "ui/pages/devices/pairingrules.h"
#include "gui/test_apps_devices_fixture.h"

#include <QtTest>

using Kind = ConnectionState::Kind;

class TestDevicesLogic : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void dottedAddress_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("full") << QStringLiteral("192.168.1.105") << true;
        QTest::newRow("zeros") << QStringLiteral("0.0.0.0") << true;
        QTest::newRow("top") << QStringLiteral("255.255.255.255") << true;
        QTest::newRow("three parts") << QStringLiteral("192.168.1") << false;
        QTest::newRow("five parts") << QStringLiteral("1.2.3.4.5") << false;
        QTest::newRow("host name") << QStringLiteral("livingroom-tv.local") << false;
        QTest::newRow("over 255") << QStringLiteral("192.168.1.256") << false;
        QTest::newRow("leading zero") << QStringLiteral("192.168.001.1") << false;
        QTest::newRow("trailing space") << QStringLiteral("192.168.1.105 ") << false;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("trailing dot") << QStringLiteral("192.168.1.") << false;
        QTest::newRow("wide digits") << QStringLiteral("１92.168.1.1") << false;
        QTest::newRow("embedded nul") << QStringLiteral("1.2.3.4") + QChar(0) + QStringLiteral("x") << false;
        QTest::newRow("ipv6") << QStringLiteral("::1") << false;
    }

    void dottedAddress()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QCOMPARE(isDottedIPv4(text), valid);
    }

    void pairingPanelByState_data()
    {
        QTest::addColumn<ConnectionState>("state");
        QTest::addColumn<bool>("selected");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("pinEntry");
        QTest::addColumn<bool>("pinPairing");
        const QString resend = QStringLiteral("重新发送配对请求");
        const QString connect = QStringLiteral("连接电视");
        QTest::newRow("offline, none selected") << ConnectionState::offline() << false << connect << 0 << false << false;
        QTest::newRow("offline") << ConnectionState::offline() << true << connect << 1 << false << true;
        QTest::newRow("connecting") << ConnectionState::connecting() << true << resend << 2 << false << true;
        QTest::newRow("prompt on TV") << ConnectionState::awaitingApproval(false) << true << resend << 2 << false << true;
        QTest::newRow("PIN on TV") << ConnectionState::awaitingApproval(true) << true << resend << 2 << true << true;
        QTest::newRow("ready") << ConnectionState::ready() << true << QStringLiteral("断开连接") << 3 << false << false;
        QTest::newRow("sleeping") << ConnectionState::sleeping() << true << QStringLiteral("网络唤醒 (WOL)") << 1 << false << true;
        QTest::newRow("waking") << ConnectionState::waking() << true << connect << 1 << false << true;
        QTest::newRow("error") << ConnectionState::error(QStringLiteral("x")) << true << connect << 1 << false << true;
    }

    void pairingPanelByState()
    {
        QFETCH(ConnectionState, state);
        QFETCH(bool, selected);
        QFETCH(QString, label);
        QFETCH(int, step);
        QFETCH(bool, pinEntry);
        QFETCH(bool, pinPairing);
        QCOMPARE(pairing::mainLabel(pairing::mainAction(state)), label);
        QCOMPARE(pairing::currentStep(state, selected), step);
        QCOMPARE(pairing::showsPinEntry(state), pinEntry);
        QCOMPARE(pairing::pinPairingEnabled(state, selected), pinPairing);
    }

    void connectingDotsCycle()
    {
        const QStringList seen{pairing::dots(0), pairing::dots(1), pairing::dots(2), pairing::dots(3),
                               pairing::dots(4), pairing::dots(-1)};
        QCOMPARE(seen, (QStringList{QString(), QStringLiteral("."), QStringLiteral(".."),
                                    QStringLiteral("..."), QString(), QStringLiteral("...")}));
    }

    void manualAddressSavesAndConnects()
    {
        PageFixture f;
        SimulatedTV tv(f.options(2));
        QVERIFY(tv.start());
        DevicesActions actions(f.session.get());

        QVERIFY(!actions.addManualHost(QStringLiteral("127.0.40")));
        QVERIFY(!actions.addManualHost(QStringLiteral("localhost")));
        QVERIFY(f.store->devices().isEmpty());
        QCOMPARE(f.session->state(), ConnectionState::offline());

        QVERIFY(actions.addManualHost(tv.host()));
        QCOMPARE(f.store->devices().size(), 1);
        const TVDevice device = f.store->devices().first();
        QCOMPARE(device.host, tv.host());
        QCOMPARE(device.model, QStringLiteral("LG webOS TV"));
        QCOMPARE(f.store->selectedID(), device.id);
        QVERIFY(f.waitFor(Kind::ready));
        QVERIFY(f.store->device(device.id)->isPaired());
        QCOMPARE(tv.pairingPrompts(), 1);

        // The same address again updates the record instead of adding a second one.
        QVERIFY(actions.addManualHost(tv.host()));
        QCOMPARE(f.store->devices().size(), 1);
    }

    void deleteDisconnectsOnlyTheSelectedTV()
    {
        PageFixture f;
        SimulatedTV tv(f.options(2));
        QVERIFY(tv.start());
        const QString other = f.store->upsert(f.address(9).toString()).id;
        const QString id = f.addTV(tv);
        QVERIFY(f.pairWithApps(tv));
        DevicesActions actions(f.session.get());

        actions.remove(other);
        QVERIFY(!f.store->device(other));
        QTest::qWait(50);
        QCOMPARE(f.session->state(), ConnectionState::ready());
        QCOMPARE(tv.openControlConnections(), 1);

        const QString third = f.store->upsert(f.address(10).toString()).id;
        actions.remove(id);
        QCOMPARE(f.session->state(), ConnectionState::offline());
        QVERIFY(!f.session->client());
        QTRY_COMPARE(tv.openControlConnections(), 0);
        QVERIFY(!f.store->device(id));
        QCOMPARE(f.store->selectedID(), third);
    }

    void selectDoesNotConnect()
    {
        PageFixture f;
        SimulatedTV tv(f.options(2));
        QVERIFY(tv.start());
        const QString id = f.addTV(tv);
        f.store->upsert(f.address(9).toString());
        f.store->setSelectedID(std::nullopt);
        DevicesActions actions(f.session.get());
        QSignalSpy selections(f.store.get(), &DeviceStore::selectedIDChanged);

        actions.select(id);
        actions.select(id);
        QCOMPARE(selections.size(), 1);
        QTest::qWait(100);
        QCOMPARE(f.session->state(), ConnectionState::offline());
        QCOMPARE(tv.controlConnections(), 0);
    }

    void mainButtonFollowsState()
    {
        PageFixture f;
        SimulatedTV tv(f.options(2));
        QVERIFY(tv.start());
        const QString id = f.addTV(tv);
        f.store->setSelectedID(id);
        DevicesActions actions(f.session.get());

        actions.runMainAction();  // offline: connect
        QVERIFY(f.waitFor(Kind::ready));
        QTRY_VERIFY(f.store->device(id)->mac.has_value());
        actions.runMainAction();  // ready: disconnect
        QCOMPARE(f.session->state(), ConnectionState::offline());

        actions.runMainAction();
        QVERIFY(f.waitFor(Kind::ready));
        tv.setStandby(true);
        QVERIFY(f.waitFor(Kind::sleeping));
        actions.runMainAction();  // sleeping: wake
        QCOMPARE(f.session->state(), ConnectionState::waking());
        QVERIFY(f.logLines().contains(QStringLiteral("WOL a8:23:fe:01:02:03 -> 255.255.255.255 sent=true")));
        // The TV stays asleep: the wake loop gives up after its (shortened) attempts.
        QVERIFY(f.waitFor(Kind::error, 10000));
    }

    void mainButtonWithoutSavedSelectionDoesNothing()
    {
        PageFixture f;
        f.store->setSelectedID(QStringLiteral("no-such-tv"));
        DevicesActions actions(f.session.get());
        QSignalSpy states(f.session.get(), &TVSession::stateChanged);
        QVERIFY(!actions.hasSelection());
        actions.runMainAction();
        actions.pairWithPin();
        QCOMPARE(f.session->state(), ConnectionState::offline());
        QVERIFY(states.isEmpty());
    }

    void pinPairingEndToEnd()
    {
        PageFixture f;
        SimulatedTV::Options options = f.options(2);
        options.pairing = SimulatedTV::Pairing::AsRequested;
        options.pin = QStringLiteral("482913");
        SimulatedTV tv(options);
        QVERIFY(tv.start());
        const QString id = f.addTV(tv);
        f.store->setSelectedID(id);
        DevicesActions actions(f.session.get());
        QSignalSpy prompts(&tv, &SimulatedTV::pairingPrompted);

        actions.pairWithPin();
        QVERIFY(f.waitFor(Kind::awaitingApproval));
        QVERIFY(f.session->state().pin());
        QCOMPARE(prompts.first().first().toString(), QStringLiteral("PIN"));

        // A blank PIN is not sent; the typed one goes without its spaces.
        QVERIFY(!actions.submitPin(QStringLiteral("  ")));
        QCOMPARE(tv.requestCount(QStringLiteral("pairing/setPin")), 0);
        QVERIFY(actions.submitPin(QStringLiteral(" 482913 ")));
        QTRY_COMPARE(tv.requestCount(QStringLiteral("pairing/setPin")), 1);
        QCOMPARE(tv.lastPayload(QStringLiteral("pairing/setPin"))[u"pin"].toString(), QStringLiteral("482913"));
        QVERIFY(f.waitFor(Kind::ready));
        QVERIFY(f.store->device(id)->isPaired());

        // Ready: asking for a PIN again is refused.
        actions.pairWithPin();
        QCOMPARE(f.session->state(), ConnectionState::ready());
    }
};

QTEST_MAIN(TestDevicesLogic)
#include "test_devices_logic.moc"
