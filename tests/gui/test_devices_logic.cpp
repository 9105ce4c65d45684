// Devices page rules and actions, without widgets: the address check, deleting, selecting and
// the main button against the simulated TV.

#include "ui/pages/devices/devicesactions.h"
#include "ui/pages/devices/ipv4text.h"
#include "gui/guifixture.h"

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

    void deleteDisconnectsOnlyTheSelectedTV()
    {
        GuiFixture f;
        TestTV tv(f.options(2));
        const QString other = f.store->upsert(f.address(9).toString()).id;
        const QString id = f.addTV(tv);
        QVERIFY(f.pair(tv));
        DevicesActions actions(f.session);

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
        GuiFixture f;
        TestTV tv(f.options(2));
        const QString id = f.addTV(tv);
        f.store->upsert(f.address(9).toString());
        f.store->setSelectedID(std::nullopt);
        DevicesActions actions(f.session);
        QSignalSpy selections(f.store, &DeviceStore::selectedIDChanged);

        actions.select(id);
        actions.select(id);
        QCOMPARE(selections.size(), 1);
        QTest::qWait(100);
        QCOMPARE(f.session->state(), ConnectionState::offline());
        QCOMPARE(tv.controlConnections(), 0);
    }

    void mainButtonFollowsState()
    {
        GuiFixture f;
        TestTV tv(f.options(2));
        const QString id = f.addTV(tv);
        f.store->setSelectedID(id);
        DevicesActions actions(f.session);

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
        QVERIFY(f.waitFor(Kind::error, 10s));
    }

    void mainButtonWithoutSavedSelectionDoesNothing()
    {
        GuiFixture f;
        f.store->setSelectedID(QStringLiteral("no-such-tv"));
        DevicesActions actions(f.session);
        QSignalSpy states(f.session, &TVSession::stateChanged);
        QVERIFY(!actions.hasSelection());
        actions.runMainAction();
        actions.pairWithPin();
        QCOMPARE(f.session->state(), ConnectionState::offline());
        QVERIFY(states.isEmpty());
    }
};

QTEST_MAIN(TestDevicesLogic)
#include "test_devices_logic.moc"
