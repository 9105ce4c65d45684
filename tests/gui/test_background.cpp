// Started with --background (the login entry's command): the start-up sequence runs without
// the window being opened; where there is no tray (as here), the window opens minimised so the
// program stays reachable, and opening it later does not start anything a second time.

#include "gui/settingsfixture.h"

#include "app/launchoptions.h"
#include "app/pexoremoteapp.h"
#include "ui/shell/mainwindow.h"
#include "ui/shell/windowedapp.h"
#include "ui/tray/traycontroller.h"

class TestBackground : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startsWithoutTheWindow()
    {
        SettingsFixture f;
        auto tv = f.startTV(8);
        QVERIFY(f.pair(*tv));
        f.store->save();
        f.session->disconnect();

        LaunchOptions options = LaunchOptions::parse({QStringLiteral("veltrix"), QStringLiteral("--background")});
        QVERIFY(options.background);
        PexoRemoteApp app(options);
        QVERIFY(app.prepare());
        WindowedApp ui(app.session(), app.store(), app.mcp(), Settings(app.settingsFile()));
        int startUps = 0;
        QObject::connect(&ui, &WindowedApp::startUpRequested, &app, [&] {
            ++startUps;
            app.startUp([&ui] { ui.applyStoredAppearance(); });
        });
        QVERIFY(!ui.tray()->hasTray());
        ui.startInBackground();
        QTRY_COMPARE(startUps, 1);
        QVERIFY(app.mcp()->isRunning());
        QTRY_VERIFY_WITH_TIMEOUT(app.session()->state().is(ConnectionState::Kind::ready), 5000);
        QVERIFY(ui.window()->isMinimized());

        ui.showWindow();
        QVERIFY(ui.window()->isVisible());
        QVERIFY(!ui.window()->isMinimized());
        QTest::qWait(50);
        QCOMPARE(startUps, 1);
    }
};

QTEST_MAIN(TestBackground)
#include "test_background.moc"
