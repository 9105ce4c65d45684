// The remote page in the main window against a simulated TV: D-pad, direct keys, power,
// volume, the card and footer, layout at the smallest window and keyboard focus.

#include "gui/guifixture.h"

#include "ui/remote/dpadpanel.h"
#include "ui/keys/keyhits.h"
#include "ui/remote/powerbutton.h"
#include "ui/theme/pressfeedback.h"
#include "ui/remote/remotekeybutton.h"
#include "ui/remote/remotepage.h"
#include "ui/theme/roundiconbutton.h"
#include "ui/remote/touchpadpanel.h"
#include "ui/remote/tvcard.h"
#include "ui/remote/volumebar.h"

#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QStackedWidget>

namespace {

RemotePage *remotePage(MainWindow *window)
{
    return qobject_cast<RemotePage *>(window->pageWidget(Page::remote));
}

} // namespace

class TestRemote : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keysSendTheirButtons_data();
    void keysSendTheirButtons();
    void keyboardArrowFlashesItsKey();
    void sliderDragSendsOneVolume();
    void muteButtonFollowsTheTV();
    void powerAndTitleFollowTheState_data();
    void powerAndTitleFollowTheState();
    void cardAndFooterShowTheSelection();
    void nothingIsDisabledWithoutATV();
    void everythingFitsTheSmallestWindow();
    void textFieldTakesKeysOnlyWhenClicked();
};

void TestRemote::keysSendTheirButtons_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<int>("hits");
    QTest::newRow("up") << "UP" << "UP" << 1;
    QTest::newRow("down") << "DOWN" << "DOWN" << 1;
    QTest::newRow("centre counts OK, sends ENTER") << "OK" << "ENTER" << 1;
    QTest::newRow("back records nothing") << "BACK" << "BACK" << 0;
    QTest::newRow("home records nothing") << "HOME" << "HOME" << 0;
}

void TestRemote::keysSendTheirButtons()
{
    QFETCH(QString, key);
    QFETCH(QString, sent);
    QFETCH(int, hits);
    GuiFixture f(52);
    auto tv = f.pairedTV(2);
    auto window = f.makeWindow();
    RemotePage *page = remotePage(window.get());
    QVERIFY(page);
    RemoteKeyButton *button = page->dpad()->key(key);
    QVERIFY(button);
    tv->clearRecord();

    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_COMPARE(pointerButtons(*tv), QStringList{sent});
    QCOMPARE(page->hits()->total(), hits);
    QCOMPARE(page->hits()->count(key), hits);
    QCOMPARE(page->hits()->count(QStringLiteral("ENTER")), 0);
    QCOMPARE(button->feedback()->taps(), hits);
}

// The hits are the trigger: a key pressed on the keyboard flashes its on-screen key.
void TestRemote::keyboardArrowFlashesItsKey()
{
    GuiFixture f(52);
    auto tv = f.pairedTV(3);
    auto window = f.makeWindow();
    RemotePage *page = remotePage(window.get());
    tv->clearRecord();

    pressKey(window.get(), Qt::Key_Left);
    pressKey(window.get(), Qt::Key_Return);
    QTRY_COMPARE(pointerButtons(*tv), (QStringList{QStringLiteral("LEFT"), QStringLiteral("ENTER")}));
    QCOMPARE(page->dpad()->key(QStringLiteral("LEFT"))->feedback()->taps(), 1);
    QCOMPARE(page->dpad()->key(QStringLiteral("OK"))->feedback()->taps(), 1);
    QCOMPARE(page->dpad()->key(QStringLiteral("RIGHT"))->feedback()->taps(), 0);
}

void TestRemote::sliderDragSendsOneVolume()
{
    GuiFixture f(52);
    auto tv = f.startTV(4);
    tv->setVolume(20);
    QVERIFY(f.pair(*tv));
    QTRY_COMPARE(f.session->volume(), 20);
    auto window = f.makeWindow();
    VolumeBar *bar = remotePage(window.get())->volumeBar();
    QSlider *slider = bar->slider();
    QCOMPARE(slider->value(), 20);
    const QString uri = QStringLiteral("audio/setVolume");

    slider->setSliderDown(true);
    for (int value = 21; value <= 35; ++value) {
        slider->setSliderPosition(value);
        bar->finishAnimation();
        QCOMPARE(bar->number()->text(), QString::number(value));  // live while dragging
    }
    QTest::qWait(100);
    QCOMPARE(tv->requestCount(uri), 0);
    QCOMPARE(f.session->volume(), 35);
    slider->setSliderDown(false);
    QTRY_COMPARE(tv->requestCount(uri), 1);
    QCOMPARE(tv->lastPayload(uri).value(QStringLiteral("volume")).toInt(), 35);
    QTRY_COMPARE(tv->volume(), 35);
    QTest::qWait(150);
    QCOMPARE(tv->requestCount(uri), 1);

    // The TV changing its volume moves the slider, and sends nothing back.
    tv->setVolume(50);
    QTRY_COMPARE(slider->value(), 50);
    QTest::qWait(100);
    QCOMPARE(tv->requestCount(uri), 1);
}

void TestRemote::muteButtonFollowsTheTV()
{
    GuiFixture f(52);
    auto tv = f.pairedTV(5);
    auto window = f.makeWindow();
    RoundIconButton *mute = remotePage(window.get())->volumeBar()->muteButton();
    QCOMPARE(mute->symbol(), QStringLiteral("speaker.wave.2"));

    QTest::mouseClick(mute, Qt::LeftButton);
    QTRY_VERIFY(tv->muted());
    QTRY_COMPARE(mute->symbol(), QStringLiteral("speaker.slash"));
    QTest::mouseClick(mute, Qt::LeftButton);
    QTRY_VERIFY(!tv->muted());
    QTRY_COMPARE(mute->symbol(), QStringLiteral("speaker.wave.2"));
}

void TestRemote::powerAndTitleFollowTheState_data()
{
    QTest::addColumn<QString>("power");  // the TV's reported power state
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("turnsOff");
    QTest::newRow("on") << "Active" << "已连接" << true;
    QTest::newRow("standby") << "Active Standby" << "待机" << false;
    QTest::newRow("suspend") << "Suspend" << "待机" << false;
    QTest::newRow("screen off is not standby") << "Screen Off" << "已连接" << true;
}

void TestRemote::powerAndTitleFollowTheState()
{
    QFETCH(QString, power);
    QFETCH(QString, title);
    QFETCH(bool, turnsOff);
    GuiFixture f(52);
    auto tv = f.pairedTV(6);
    auto window = f.makeWindow();
    RemotePage *page = remotePage(window.get());
    tv->setPowerState(power);
    QTRY_COMPARE(page->stateLabel()->text(), title);
    PowerButton *button = page->powerButton();
    QCOMPARE(button->turnsOff(), turnsOff);

    QTest::mouseClick(button, Qt::LeftButton);
    if (turnsOff) {
        QTRY_COMPARE(tv->requestCount(QStringLiteral("system/turnOff")), 1);
    } else {
        // Waking leaves the connection and starts the wake loop (or says why it cannot).
        QTRY_VERIFY(f.session->state().is(ConnectionState::Kind::waking)
                    || f.session->state().is(ConnectionState::Kind::error));
        QCOMPARE(tv->requestCount(QStringLiteral("system/turnOff")), 0);
    }
}

void TestRemote::cardAndFooterShowTheSelection()
{
    GuiFixture f(52);
    auto window = f.makeWindow();
    RemotePage *page = remotePage(window.get());
    QCOMPARE(page->card()->nameLabel()->text(), QStringLiteral("未选择电视"));
    QCOMPARE(page->footerLabel()->text(), QStringLiteral("局域网连接"));
    QCOMPARE(page->card()->foregroundLabel()->text(), QStringLiteral("未连接"));
    QCOMPARE(page->stateLabel()->text(), QStringLiteral("未连接"));

    auto tv = f.pairedTV(7);
    TVDevice named = f.store->selectedDevice().value();
    named.name = QStringLiteral("客厅电视");
    f.store->update(named);
    QTRY_COMPARE(page->footerLabel()->text(), QStringLiteral("局域网连接 · ") + tv->host());
    QTRY_COMPARE(page->card()->nameLabel()->text(), QStringLiteral("客厅电视"));
    QTRY_COMPARE(page->card()->foregroundLabel()->text(), f.session->foregroundTitle());
    QVERIFY(!page->card()->foregroundLabel()->text().isEmpty());
    tv->setForegroundApp(QStringLiteral("netflix"));
    QTRY_COMPARE(page->card()->foregroundLabel()->text(), f.session->foregroundTitle());
}

// Without any TV every control still takes its press (the session decides what happens); the
// apps button opens the apps page.
void TestRemote::nothingIsDisabledWithoutATV()
{
    GuiFixture f(52);
    auto window = f.makeWindow();
    RemotePage *page = remotePage(window.get());
    const QList<QWidget *> widgets = page->findChildren<QWidget *>();
    for (QWidget *widget : widgets)
        QVERIFY2(widget->isEnabled(), qPrintable(widget->objectName()));
    for (QAbstractButton *button : page->findChildren<QAbstractButton *>()) {
        QVERIFY2(!button->objectName().isEmpty(), qPrintable(button->accessibleName()));
        QVERIFY2(!button->accessibleName().isEmpty(), qPrintable(button->objectName()));
    }
    QTest::mouseClick(page->card()->appsButton(), Qt::LeftButton);
    QTRY_COMPARE(window->page(), Page::apps);
}

void TestRemote::everythingFitsTheSmallestWindow()
{
    GuiFixture f(52);
    auto window = f.makeWindow();
    window->resize(MainWindow::minimumWindowSize);
    QTRY_COMPARE(window->size(), MainWindow::minimumWindowSize);
    RemotePage *page = remotePage(window.get());
    QTRY_VERIFY(page->isVisible());
    const QRect inside = page->rect();
    const QList<QWidget *> pieces{page->card(), page->dpad(), page->powerButton(), page->volumeBar(),
                                  page->touchpad(), page->footerLabel(), page->stateLabel()};
    for (QWidget *piece : pieces) {
        const QRect at(piece->mapTo(page, QPoint(0, 0)), piece->size());
        QVERIFY2(inside.contains(at), qPrintable(piece->objectName()));
        QVERIFY2(piece->height() >= piece->minimumSizeHint().height(), qPrintable(piece->objectName()));
    }
    for (RemoteKeyButton *key : page->dpad()->findChildren<RemoteKeyButton *>())
        QVERIFY2(key->size() == key->sizeHint(), qPrintable(key->objectName()));
    auto *hint = find<QLabel>(page, "remoteKeyHint");
    QVERIFY(hint->width() >= hint->sizeHint().width());
}

// The keys drive the TV until the user clicks into the text field; a click elsewhere on the
// page gives them back. Neither start-up nor a page switch focuses the field.
void TestRemote::textFieldTakesKeysOnlyWhenClicked()
{
    GuiFixture f(52);
    auto tv = f.pairedTV(8);
    auto window = f.makeWindow();
    RemotePage *page = remotePage(window.get());
    QLineEdit *field = page->touchpad()->field();
    QVERIFY(!field->hasFocus());
    window->setPage(Page::settings);
    window->setPage(Page::remote);
    QVERIFY(!field->hasFocus());
    tv->clearRecord();

    QTest::mouseClick(field, Qt::LeftButton);
    QVERIFY(field->hasFocus());
    pressKey(window.get(), Qt::Key_A);
    pressKey(window.get(), Qt::Key_Left);
    QCOMPARE(field->text(), QStringLiteral("a"));
    QTest::qWait(100);
    QVERIFY(pointerButtons(*tv).isEmpty());

    QTest::mouseClick(page->card(), Qt::LeftButton, {}, QPoint(4, 4));
    QVERIFY(!field->hasFocus());
    pressKey(window.get(), Qt::Key_Up);
    QTRY_COMPARE(pointerButtons(*tv), QStringList{QStringLiteral("UP")});
}

QTEST_MAIN(TestRemote)
#include "test_remote.moc"
