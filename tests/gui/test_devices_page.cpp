// The devices page as a user drives it: typing an address, the saved TVs, the radar and the
// pairing panel, against simulated TVs.

#include "ui/pages/devices/connectingdots.h"
#include "ui/pages/devices/devicerow.h"
#include "ui/pages/devices/discoverypanel.h"
#include "ui/theme/pagebutton.h"
#include "ui/pages/devices/pairingpanel.h"
#include "ui/pages/devices/radarview.h"
#include "ui/pages/devices/stepsview.h"
#include "ui/pages/devices/devicespage.h"
#include "ui/theme/roundiconbutton.h"
#include "tvsim/lib/ssdpresponder.h"
#include "ui/theme/badgelabel.h"
#include "ui/theme/symbolview.h"
#include "gui/guifixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QtTest>

using Kind = ConnectionState::Kind;

namespace {

// A TV asking for the PIN 135790 when told to pair that way; a prompt it leaves unanswered.
SimulatedTV::Options panelTV(const GuiFixture &f, SimulatedTV::Pairing pairing)
{
    SimulatedTV::Options options = f.options(2);
    options.pairing = pairing;
    options.pin = QStringLiteral("135790");
    options.approveDelayMs = -1;
    return options;
}

// A saved and selected TV, then the devices page with its pairing panel.
struct PanelRig {
    explicit PanelRig(SimulatedTV::Pairing pairing)
        : tv(panelTV(f, pairing))
        , id(f.addTV(tv))
    {
        f.store->setSelectedID(id);
        page = std::make_unique<DevicesPage>(f.ctx);
        panel = page->pairingPanel();
    }

    GuiFixture f;
    TestTV tv;
    const QString id;
    // Made after the selection, as a user finds it.
    std::unique_ptr<DevicesPage> page;
    PairingPanel *panel = nullptr;
};

} // namespace

class TestDevicesPage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void manualEntry_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<bool>("byReturn");
        QTest::newRow("address, Return") << QStringLiteral("TV") << true << true;
        QTest::newRow("address, button") << QStringLiteral("TV") << true << false;
        QTest::newRow("three parts") << QStringLiteral("192.168.1") << false << true;
        QTest::newRow("host name") << QStringLiteral("living-room.local") << false << true;
    }

    // Typing enables the button only for a full address; Return and the button do the same.
    void manualEntry()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(bool, byReturn);
        GuiFixture f;
        TestTV tv(f.options(2));
        if (text == QLatin1String("TV"))
            text = tv.host();
        DevicesPage page(f.ctx);
        QVERIFY(showPage(page));
        DiscoveryPanel *discovery = page.discovery();
        QVERIFY(!discovery->manualField()->isVisible());
        QTest::mouseClick(find<QAbstractButton>(&page, QStringLiteral("manualOpener")), Qt::LeftButton);
        QVERIFY(discovery->manualField()->isVisible());

        QTest::keyClicks(discovery->manualField(), text);
        QCOMPARE(discovery->addButton()->isEnabled(), valid);
        if (byReturn)
            QTest::keyClick(discovery->manualField(), Qt::Key_Return);
        QTest::mouseClick(discovery->addButton(), Qt::LeftButton);  // hidden after Return
        if (!valid) {
            QCOMPARE(discovery->manualField()->text(), text);
            QVERIFY(discovery->manualField()->isVisible());
            QVERIFY(f.store->devices().isEmpty());
            QCOMPARE(f.session->state(), ConnectionState::offline());
            return;
        }
        QCOMPARE(f.store->devices().size(), 1);
        QVERIFY(discovery->manualField()->text().isEmpty());
        QVERIFY(!discovery->showManual());
        QVERIFY(!discovery->manualField()->isVisible());
        QVERIFY(f.waitFor(Kind::ready));
        QCOMPARE(page.rows().size(), 1);

        // The same address again updates the record instead of adding a second one.
        discovery->setShowManual(true);
        QTest::keyClicks(discovery->manualField(), text);
        QTest::keyClick(discovery->manualField(), Qt::Key_Return);
        QCOMPARE(f.store->devices().size(), 1);
    }

    void savedRowsShowPairingAndSelect()
    {
        GuiFixture f;
        TestTV tv(f.options(2));
        const QString other = f.store->upsert(f.address(9).toString(), std::nullopt, QString()).id;
        const QString id = f.addTV(tv);
        QVERIFY(f.pair(tv));
        DevicesPage page(f.ctx);
        QVERIFY(showPage(page));

        QCOMPARE(page.rows().size(), 2);
        DeviceRow *unpaired = page.rows().at(0);
        DeviceRow *paired = page.rows().at(1);
        QCOMPARE(unpaired->accessibleName(), QStringLiteral("LG 电视"));
        QVERIFY(!unpaired->findChild<BadgeLabel *>()->isVisible());
        QVERIFY(find<SymbolView>(unpaired, QStringLiteral("symbol.clock"))->isVisible());
        QCOMPARE(paired->findChild<BadgeLabel *>()->text(), QStringLiteral("已配对"));
        QVERIFY(paired->findChild<BadgeLabel *>()->isVisible());
        QVERIFY(paired->findChild<SymbolView *>(QStringLiteral("symbol.largecircle.fill.circle")));
        QVERIFY(unpaired->findChild<SymbolView *>(QStringLiteral("symbol.circle")));

        // Selecting the other TV does not connect to it, and ends the connection to the old
        // one: nothing may name the new TV while commands reach the old.
        const int connections = tv.controlConnections();
        QTest::mouseClick(unpaired, Qt::LeftButton);
        QCOMPARE(f.store->selectedID(), other);
        QVERIFY(unpaired->isSelectedTV());
        QVERIFY(!paired->isSelectedTV());
        QCOMPARE(f.session->state(), ConnectionState::offline());
        QCOMPARE(page.pairingPanel()->mainButton()->text(), QStringLiteral("连接电视"));
        QTest::qWait(50);
        QCOMPARE(tv.controlConnections(), connections);
    }

    void deleteFromRow()
    {
        GuiFixture f;
        TestTV tv(f.options(2));
        f.store->upsert(f.address(9).toString());
        const QString id = f.addTV(tv);
        QVERIFY(f.pair(tv));
        DevicesPage page(f.ctx);
        QVERIFY(showPage(page));

        // The other TV first: the connection stays.
        QTest::mouseClick(page.rows().at(0)->deleteButton(), Qt::LeftButton);
        QCOMPARE(f.store->devices().size(), 1);
        QTRY_COMPARE(page.rows().size(), 1);
        QCOMPARE(f.session->state(), ConnectionState::ready());

        // Then the selected one, through its own row's button: disconnected, row gone.
        QTest::mouseClick(page.rows().at(0)->deleteButton(), Qt::LeftButton);
        QCOMPARE(f.session->state(), ConnectionState::offline());
        QVERIFY(f.store->devices().isEmpty());
        QTRY_COMPARE(page.findChildren<DeviceRow *>().size(), 0);
        QVERIFY(!page.pairingPanel()->mainButton()->isEnabled());
    }

    void radarScansAndShowsFound()
    {
        GuiFixture f;
        SsdpResponder responder(f.address(7), {}, SsdpResponder::usnFor(QStringLiteral("uuid-found")));
        responder.setDescription(QStringLiteral("客厅电视"), QStringLiteral("OLED55C1"), QStringLiteral("uuid-found"));
        QVERIFY2(responder.start(), qPrintable(responder.errorString()));
        DevicesPage page(f.ctx);
        QVERIFY(showPage(page));
        DiscoveryPanel *discovery = page.discovery();
        QLabel *status = find<QLabel>(discovery, QStringLiteral("discoveryStatus"));
        QLabel *subtitle = find<QLabel>(discovery, QStringLiteral("discoverySubtitle"));
        // The page does not scan by itself.
        QVERIFY(!f.session->isScanning());
        QCOMPARE(status->text(), QStringLiteral("未发现电视，可点击雷达重新搜索或手动输入 IP"));
        QCOMPARE(subtitle->text(), QStringLiteral("搜索同一网络中的设备"));

        QTest::mouseClick(discovery->radar(), Qt::LeftButton);
        QVERIFY(f.session->isScanning());
        QVERIFY(discovery->radar()->isSweeping());
        QCOMPARE(status->text(), QStringLiteral("搜索中…"));
        QCOMPARE(subtitle->text(), QStringLiteral("正在搜索同一网络中的设备…"));
        const double before = discovery->radar()->angle();
        QTRY_VERIFY(discovery->radar()->angle() != before);

        QTRY_VERIFY(!f.session->isScanning());
        QVERIFY(!discovery->radar()->isSweeping());
        QVERIFY(!status->isVisible());
        const QList<QLabel *> found = discovery->findChildren<QLabel *>(QStringLiteral("foundTV"));
        QCOMPARE(found.size(), 1);
        QCOMPARE(found.first()->text(), QStringLiteral("客厅电视 · OLED55C1 · ") + f.address(7).toString());
        QCOMPARE(page.rows().size(), 1);  // the scan saved it too

        // The header's button runs the same scan.
        QTest::mouseClick(find<QAbstractButton>(&page, QStringLiteral("addTV")), Qt::LeftButton);
        QVERIFY(f.session->isScanning());
        QTRY_VERIFY(!f.session->isScanning());
    }

    void pairingPanelFollowsState()
    {
        GuiFixture f;
        TestTV tv(f.options(2));
        DevicesPage page(f.ctx);
        QVERIFY(showPage(page));
        PairingPanel *panel = page.pairingPanel();
        QVERIFY(!panel->mainButton()->isEnabled());
        QVERIFY(!panel->pinButton()->isEnabled());
        QCOMPARE(panel->steps()->current(), 0);
        QCOMPARE(panel->mainButton()->text(), QStringLiteral("连接电视"));

        const QString id = f.addTV(tv);
        f.store->setSelectedID(id);
        QVERIFY(panel->mainButton()->isEnabled());
        QCOMPARE(panel->steps()->current(), 1);
        QCOMPARE(find<QLabel>(panel, QStringLiteral("pairingName"))->text(), QStringLiteral("LG 电视"));

        // Held in "connecting" by a slow hello: the animated progress line.
        tv.delayReply(QStringLiteral("hello"), 600);
        QTest::mouseClick(panel->mainButton(), Qt::LeftButton);
        QCOMPARE(f.session->state(), ConnectionState::connecting());
        QVERIFY(panel->connectingRow()->isVisible());
        QCOMPARE(find<QLabel>(panel, QStringLiteral("connectingText"))->text(), QStringLiteral("正在连接 LG 电视"));
        QCOMPARE(panel->mainButton()->text(), QStringLiteral("重新发送配对请求"));
        QCOMPARE(panel->steps()->current(), 2);
        QVERIFY(panel->dots()->isActive());
        QTRY_VERIFY(panel->dots()->phase() > 0);

        QVERIFY(f.waitFor(Kind::ready));
        QVERIFY(!panel->connectingRow()->isVisible());
        QVERIFY(!panel->dots()->isActive());
        QCOMPARE(panel->mainButton()->text(), QStringLiteral("断开连接"));
        QVERIFY(!panel->pinButton()->isEnabled());
        QCOMPARE(panel->steps()->current(), 3);
        QVERIFY(!panel->pinEntry()->isVisible());

        QTest::mouseClick(panel->mainButton(), Qt::LeftButton);
        QCOMPARE(f.session->state(), ConnectionState::offline());
        QCOMPARE(panel->mainButton()->text(), QStringLiteral("连接电视"));
    }

    void promptApprovalShowsNoPinField()
    {
        PanelRig rig(SimulatedTV::Pairing::Prompt);
        auto [f, tv, panel] = std::tie(rig.f, rig.tv, rig.panel);
        QVERIFY(showPage(*rig.page));
        QTest::mouseClick(panel->mainButton(), Qt::LeftButton);
        QVERIFY(f.waitFor(Kind::awaitingApproval));
        QVERIFY(!panel->pinEntry()->isVisible());
        QCOMPARE(panel->mainButton()->text(), QStringLiteral("重新发送配对请求"));
        // Asking again makes the TV prompt again.
        QTest::mouseClick(panel->mainButton(), Qt::LeftButton);
        QTRY_COMPARE(tv.pairingPrompts(), 2);
        f.session->disconnect();
    }

    void pinPairingThroughThePanel()
    {
        PanelRig rig(SimulatedTV::Pairing::AsRequested);
        auto [f, tv, id, page, panel] = std::tie(rig.f, rig.tv, rig.id, *rig.page, rig.panel);
        QVERIFY(showPage(page));
        QVERIFY(!panel->pinEntry()->isVisible());

        QTest::mouseClick(panel->pinButton(), Qt::LeftButton);
        QVERIFY(f.waitFor(Kind::awaitingApproval));
        QVERIFY(panel->pinEntry()->isVisible());
        QVERIFY(!panel->pinField()->hasFocus());
        // A blank PIN is not sent; the typed one goes without its spaces.
        QTest::keyClicks(panel->pinField(), QStringLiteral("  "));
        QTest::keyClick(panel->pinField(), Qt::Key_Return);
        QCOMPARE(tv.requestCount(QStringLiteral("pairing/setPin")), 0);
        panel->pinField()->clear();
        QTest::keyClicks(panel->pinField(), QStringLiteral(" 135790 "));
        QTest::keyClick(panel->pinField(), Qt::Key_Return);
        QVERIFY(panel->pinField()->text().isEmpty());
        QVERIFY(f.waitFor(Kind::ready));
        QCOMPARE(tv.requestCount(QStringLiteral("pairing/setPin")), 1);
        QCOMPARE(tv.lastPayload(QStringLiteral("pairing/setPin"))[u"pin"].toString(), QStringLiteral("135790"));
        QVERIFY(f.store->device(id)->isPaired());
        QVERIFY(!panel->pinEntry()->isVisible());
        QCOMPARE(page.rows().first()->findChild<BadgeLabel *>()->text(), QStringLiteral("已配对"));
    }

    // A refused PIN used to clear the field and show nothing; a TV set to PIN pairing used to
    // leave the panel waiting for an approval that never comes.
    void refusedPinIsShownUnderTheField()
    {
        PanelRig rig(SimulatedTV::Pairing::Pin);
        auto [f, tv, id, page, panel] = std::tie(rig.f, rig.tv, rig.id, *rig.page, rig.panel);
        QVERIFY(showPage(page));

        QTest::mouseClick(panel->mainButton(), Qt::LeftButton);  // "连接电视": a prompt request
        QVERIFY(f.waitFor(Kind::awaitingApproval));
        QVERIFY(panel->pinEntry()->isVisible());
        QVERIFY(!panel->pinError()->isVisible());

        QTest::keyClicks(panel->pinField(), QStringLiteral("000000"));
        QTest::keyClick(panel->pinField(), Qt::Key_Return);
        QTRY_VERIFY(panel->pinError()->isVisible());
        QCOMPARE(panel->pinError()->text(), QStringLiteral("电视未接受此 PIN：Invalid PIN"));
        QVERIFY(panel->pinEntry()->isVisible());
        QVERIFY(f.session->state().is(Kind::awaitingApproval));

        QTest::keyClicks(panel->pinField(), QStringLiteral("135790"));
        QTest::keyClick(panel->pinField(), Qt::Key_Return);
        QVERIFY(!panel->pinError()->isVisible());
        QVERIFY(f.waitFor(Kind::ready));
        QVERIFY(f.store->device(id)->isPaired());
    }

    // Switching to the page must not put the caret in a text field.
    void noFieldTakesFocusOnShow()
    {
        GuiFixture f;
        f.store->setSelectedID(f.store->upsert(f.address(9).toString()).id);
        QStackedWidget stack;
        auto *first = new QLineEdit(&stack);
        auto *page = new DevicesPage(f.ctx);
        stack.addWidget(first);
        stack.addWidget(page);
        page->discovery()->setShowManual(true);
        stack.show();
        QApplication::setActiveWindow(&stack);
        first->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(&stack));
        stack.setCurrentWidget(page);
        QWidget *focus = QApplication::focusWidget();
        QVERIFY(!qobject_cast<QLineEdit *>(focus));
    }
};

QTEST_MAIN(TestDevicesPage)
#include "test_devices_page.moc"
