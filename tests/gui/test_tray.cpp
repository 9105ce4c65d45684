// The tray: its icon and menu or the fallback command, the panel's "打开主窗口" with no, one
// minimised and two main windows, and the panel's own keys.

#include "gui/guifixture.h"

#include "ui/keys/appkeymonitor.h"
#include "ui/remote/dpadpanel.h"
#include "ui/keys/keyhits.h"
#include "ui/tray/menubarpanel.h"
#include "ui/theme/pressfeedback.h"
#include "ui/remote/remotekeybutton.h"
#include "ui/remote/remotepage.h"
#include "ui/theme/tvscreenpreview.h"
#include "preview/previewcontroller.h"
#include "ui/tray/traycontroller.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>

namespace {

struct TrayRig {
    GuiFixture f{54};
    int opened = 0;
    std::unique_ptr<TrayController> tray;

    explicit TrayRig(bool available)
        : tray(std::make_unique<TrayController>(f.ctx, available, [this] { ++opened; }))
    {
    }
    ~TrayRig() { tray.reset(); }

    MenuBarPanel *openPanel()
    {
        MenuBarPanel *panel = tray->panel();
        tray->togglePanel(QRect(600, 0, 22, 22));
        if (!QTest::qWaitForWindowExposed(panel))
            qWarning("panel not exposed");
        return panel;
    }
};

} // namespace

class TestTray : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void trayOrFallbackCommand_data();
    void trayOrFallbackCommand();
    void openMainWindowRestoresTheMinimisedOne();
    void openMainWindowKeepsExactlyOne();
    void openMainWindowOpensOneWhenNone();
    void panelKeysDriveTheTV();
    void panelShowsTheState();
    void panelKeysActOnThePanel();
    void panelAndWindowShareOneCaptureLoop();
    void shortcutsWorkFromThePanelWithoutTheWindow();
    void panelSnapshotIsWritten();
    void panelGeometry_data();
    void panelGeometry();
};

void TestTray::trayOrFallbackCommand_data()
{
    QTest::addColumn<bool>("available");
    QTest::newRow("tray") << true;
    QTest::newRow("no tray") << false;
}

void TestTray::trayOrFallbackCommand()
{
    QFETCH(bool, available);
    TrayRig rig(available);
    QCOMPARE(rig.tray->hasTray(), available);
    QCOMPARE(rig.tray->miniRemoteAction()->isVisible(), !available);
    if (available) {
        QCOMPARE(rig.tray->trayIcon()->contextMenu(), rig.tray->trayMenu());
        QStringList texts;
        for (QAction *action : rig.tray->trayMenu()->actions())
            texts.append(action->text());
        QCOMPARE(texts, (QStringList{QStringLiteral("打开主窗口"), QStringLiteral("退出")}));
        rig.openPanel();
        QCOMPARE(rig.tray->panel()->mode(), MenuBarPanel::Mode::popup);
        QVERIFY(rig.tray->panel()->windowFlags().testFlag(Qt::Popup));
        // The tray menu's "打开主窗口" does what the panel's button does.
        rig.tray->trayMenu()->actions().at(0)->trigger();
        QCOMPARE(rig.opened, 1);
        QSignalSpy quit(rig.f.ctx.actions, &Actions::quitRequested);
        rig.tray->trayMenu()->actions().at(1)->trigger();
        QCOMPARE(quit.size(), 1);
    } else {
        QVERIFY(!rig.tray->trayMenu());
        // Offered in the window's own menu.
        auto window = rig.f.makeWindow();
        bool listed = false;
        for (QMenu *menu : window->menuBar()->findChildren<QMenu *>())
            listed = listed || menu->actions().contains(rig.tray->miniRemoteAction());
        QVERIFY(listed);
        rig.tray->miniRemoteAction()->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(rig.tray->panel()));
        QCOMPARE(rig.tray->panel()->mode(), MenuBarPanel::Mode::toolWindow);
        QVERIFY((rig.tray->panel()->windowFlags() & Qt::WindowType_Mask) == Qt::Tool);
        // Asks to be tall enough for the whole remote (the screen bounds it, not the scroll area).
        const int remoteHeight = rig.tray->panel()->remote()->sizeHint().height();
        QVERIFY(rig.tray->panel()->sizeHint().height() > remoteHeight);
        // It closes when the user moves on to another window.
        QTRY_VERIFY(rig.tray->panel()->isActiveWindow());
        QApplication::setActiveWindow(window.get());
        QTRY_VERIFY(!rig.tray->panel()->isVisible());
    }
    // The same compact remote either way: one column, with the panel's own hits.
    QCOMPARE(rig.tray->panel()->remote()->viewLayout(), ViewLayout::trayPanel);
    QCOMPARE(rig.tray->panel()->remote()->hits(), rig.tray->panel()->hits());
    QVERIFY(!rig.tray->panel()->remote()->keyCapture());
}

void TestTray::openMainWindowRestoresTheMinimisedOne()
{
    TrayRig rig(true);
    auto window = rig.f.makeWindow();
    window->showMinimized();
    QVERIFY(window->isMinimized());
    MenuBarPanel *panel = rig.openPanel();
    QTest::mouseClick(panel->openWindowButton(), Qt::LeftButton);
    QVERIFY(!window->isMinimized());
    QVERIFY(window->isVisible());
    QCOMPARE(rig.opened, 0);
    QCOMPARE(mainWindows().size(), 1);
    QTRY_VERIFY(!panel->isVisible());
}

void TestTray::openMainWindowKeepsExactlyOne()
{
    TrayRig rig(true);
    auto first = rig.f.makeWindow();
    auto second = rig.f.makeWindow();
    auto closed = rig.f.makeWindow(false);  // never shown: not a candidate
    QCOMPARE(mainWindows().size(), 3);
    // The one used last is kept, even when it is minimised now.
    first->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(first.get()));
    first->showMinimized();
    MenuBarPanel *panel = rig.openPanel();
    QTest::mouseClick(panel->openWindowButton(), Qt::LeftButton);
    QVERIFY(first->isVisible());
    QVERIFY(!first->isMinimized());
    QVERIFY(!second->isVisible());
    QVERIFY(!closed->isVisible());
    QCOMPARE(rig.opened, 0);
    QTRY_VERIFY(first->isActiveWindow());
}

void TestTray::openMainWindowOpensOneWhenNone()
{
    TrayRig rig(true);
    auto hidden = rig.f.makeWindow();
    hidden->close();
    MenuBarPanel *panel = rig.openPanel();
    QTest::mouseClick(panel->openWindowButton(), Qt::LeftButton);
    QCOMPARE(rig.opened, 1);
    QTRY_VERIFY(!panel->isVisible());
}

// The panel captures the keys itself: an arrow flashes its own D-pad. (The gate on repeated
// keys is the key map's suite's business.)
void TestTray::panelKeysDriveTheTV()
{
    TrayRig rig(true);
    auto tv = rig.f.pairedTV(2);
    MenuBarPanel *panel = rig.openPanel();
    QTRY_VERIFY(panel->isActiveWindow());
    tv->clearRecord();
    pressKey(panel, Qt::Key_Down);
    QTRY_COMPARE(pointerButtons(*tv), QStringList{QStringLiteral("DOWN")});
    QCOMPARE(panel->hits()->count(QStringLiteral("DOWN")), 1);
    QCOMPARE(panel->remote()->dpad()->key(QStringLiteral("DOWN"))->feedback()->taps(), 1);
}

void TestTray::panelShowsTheState()
{
    TrayRig rig(true);
    MenuBarPanel *panel = rig.tray->panel();
    QCOMPARE(panel->stateLabel()->text(), QStringLiteral("未连接"));
    auto tv = rig.f.pairedTV(4);
    QTRY_COMPARE(panel->stateLabel()->text(), QStringLiteral("已连接"));
    tv->setPowerState(QStringLiteral("Suspend"));
    QTRY_COMPARE(panel->stateLabel()->text(), QStringLiteral("待机"));
}

// F5 and the card's chevron pressed in the open popup used to switch the page of the main
// window behind it: a popup never becomes the active window, so the main window took them.
void TestTray::panelKeysActOnThePanel()
{
    TrayRig rig(true);
    auto window = rig.f.makeWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    MenuBarPanel *panel = rig.openPanel();
    QTRY_VERIFY(panel->isActiveWindow());
    QVERIFY(QApplication::activePopupWidget() == panel);

    pressKey(panel, Qt::Key_F5);
    QCOMPARE(window->page(), Page::remote);
    QCOMPARE(panel->shortcutMonitor()->page(), Page::devices);
    auto *chevron = panel->remote()->findChild<QAbstractButton *>(QStringLiteral("showApps"));
    QVERIFY(chevron);
    QTest::mouseClick(chevron, Qt::LeftButton);
    QCOMPARE(window->page(), Page::remote);
    QCOMPARE(panel->shortcutMonitor()->page(), Page::apps);

    // Once the panel is closed the window's own keys are its own again.
    panel->close();
    QTRY_VERIFY(window->isActiveWindow());
    pressKey(window.get(), Qt::Key_F5);
    QCOMPARE(window->page(), Page::devices);
}

// With the panel open over the remote page the TV was asked for two screenshots a second, one
// per view.
void TestTray::panelAndWindowShareOneCaptureLoop()
{
    TrayRig rig(true);
    auto tv = rig.f.pairedTV(6);
    auto window = rig.f.makeWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    auto *inWindow = window->findChild<TVScreenPreview *>(QStringLiteral("tvScreenPreview"));
    QVERIFY(inWindow);
    QTRY_VERIFY(!inWindow->controller()->image().isNull());
    MenuBarPanel *panel = rig.openPanel();
    auto *inPanel = panel->findChild<TVScreenPreview *>(QStringLiteral("tvScreenPreview"));
    QVERIFY(inPanel);
    QTRY_VERIFY(!inPanel->controller()->image().isNull());
    QTRY_VERIFY(!inWindow->controller()->captureKey().isEmpty());
    // One shared loop for both views; that a shared loop asks once a pace is the preview
    // controller's suite's business.
    QCOMPARE(inPanel->controller()->shared(), inWindow->controller()->shared());
}

// The commands' shortcuts sat only in the main window's menu bar: with the window closed,
// Ctrl+Shift+H in the panel did nothing.
void TestTray::shortcutsWorkFromThePanelWithoutTheWindow()
{
    TrayRig rig(true);
    auto tv = rig.f.pairedTV(5);
    auto window = rig.f.makeWindow();
    window->close();
    MenuBarPanel *panel = rig.openPanel();
    QTRY_VERIFY(panel->isActiveWindow());
    tv->clearRecord();
    pressKey(panel, Qt::Key_H, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_COMPARE(pointerButtons(*tv), QStringList{QStringLiteral("HOME")});
    pressKey(panel, Qt::Key_3, Qt::ControlModifier);
    QCOMPARE(panel->shortcutMonitor()->page(), Page::devices);
    QVERIFY(!window->isVisible());
}

void TestTray::panelSnapshotIsWritten()
{
    TrayRig rig(true);
    QSignalSpy captured(rig.tray.get(), &TrayController::panelCaptured);
    rig.tray->capturePanel(rig.f.env.dir(), 300ms);
    QVERIFY(captured.wait(3000));
    const QString file = captured.at(0).at(0).toString();
    QCOMPARE(file, rig.f.env.path(QStringLiteral("trayPanel.png")));
    const QImage image(file);
    QCOMPARE(image.width(), MenuBarPanel::panelWidth);
    QVERIFY(image.height() > 400);
    QVERIFY(!rig.tray->panel()->isVisible());
}

void TestTray::panelGeometry_data()
{
    QTest::addColumn<QRect>("anchor");
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<int>("wanted");
    QTest::addColumn<QRect>("placed");
    const QRect fullHD(0, 0, 1920, 1080);
    QTest::newRow("top bar, middle") << QRect(900, 0, 24, 24) << fullHD << 700 << QRect(721, 30, 380, 700);
    QTest::newRow("top bar, right edge") << QRect(1896, 0, 24, 24) << fullHD << 700 << QRect(1540, 30, 380, 700);
    QTest::newRow("bottom panel, left edge") << QRect(0, 1056, 24, 24) << fullHD << 700 << QRect(0, 350, 380, 700);
    // A panel taller than the room beside the icon shrinks (its content scrolls) rather than
    // being pushed back over the icon that opened it.
    const QRect low(0, 0, 1280, 800);
    QTest::newRow("low screen, tray at the bottom") << QRect(1250, 776, 24, 24) << low << 900 << QRect(900, 0, 380, 770);
    QTest::newRow("low screen, tray at the top") << QRect(1250, 0, 24, 24) << low << 900 << QRect(900, 30, 380, 770);
    QTest::newRow("tray below the work area") << QRect(600, 780, 24, 24) << QRect(0, 0, 1280, 760) << 900
                                              << QRect(421, 0, 380, 760);
}

void TestTray::panelGeometry()
{
    QFETCH(QRect, anchor);
    QFETCH(QRect, screen);
    QFETCH(int, wanted);
    QFETCH(QRect, placed);
    const QRect got = ::panelGeometry(anchor, QSize(380, wanted), screen);
    QCOMPARE(got, placed);
    QVERIFY(!got.intersects(anchor));
    QVERIFY(screen.contains(got));
}

QTEST_MAIN(TestTray)
#include "test_tray.moc"
