#include "gui/guifixture.h"

#include "ui/keys/appkeymonitor.h"
#include "ui/shell/devicepicker.h"
#include "ui/keys/keyhits.h"
#include "app/launchoptions.h"
#include "ui/theme/pageheader.h"
#include "app/pexoremoteapp.h"
#include "ui/remote/remotepage.h"
#include "ui/shell/sidebar.h"
#include "ui/shell/snapshotrun.h"
#include "ui/shell/windowedapp.h"
#include "ui/tray/traycontroller.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <QSettings>

namespace {

// True when the image holds more than one colour in the given area.
bool hasInk(const QImage &image, const QRect &area)
{
    const QRgb first = image.pixel(area.topLeft());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixel(x, y) != first)
                return true;
        }
    }
    return false;
}

// The services and the windows wired as the program starts them, counting the start-ups the
// window asks for.
struct Program {
    explicit Program(const LaunchOptions &options)
        : app(options)
    {
    }

    bool prepare()
    {
        if (!app.prepare())
            return false;
        ui = std::make_unique<WindowedApp>(app.session(), app.store(), app.mcp(), Settings(app.settingsFile()));
        QObject::connect(ui.get(), &WindowedApp::startUpRequested, &app, [this] {
            ++startUps;
            app.startUp([this] { ui->applyStoredAppearance(); });
        });
        return true;
    }

    PexoRemoteApp app;
    std::unique_ptr<WindowedApp> ui;
    int startUps = 0;
};

} // namespace

// The main window as a whole: geometry, pages, sidebar, menus, shortcut routing, the device
// picker, the start-up sequence and the snapshot run.
class TestShell : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void windowHasItsTitleSizeAndPages()
    {
        GuiFixture f;
        auto window = f.makeWindow();
        QCOMPARE(window->windowTitle(), QStringLiteral("Veltrix"));
        QCOMPARE(window->size(), QSize(1024, 640));
        QCOMPARE(window->minimumSize(), QSize(1000, 640));
        QCOMPARE(window->stack()->count(), 4);
        const QList<Page> pages = allPages();
        const QStringList subtitles{QString(), QStringLiteral("启动电视应用或切换输入源"),
                                    QStringLiteral("在同一网络中发现并管理您的 LG 电视"),
                                    QStringLiteral("电视连接、外观与 MCP 服务")};
        for (int i = 0; i < pages.size(); ++i) {
            const auto *header = window->stack()->widget(i)->findChild<PageHeader *>();
            QVERIFY(header);
            QCOMPARE(header->title(), pageTitle(pages.at(i)));
            QCOMPARE(header->subtitle(), subtitles.at(i));
            QCOMPARE(window->sidebar()->item(pages.at(i))->text(), pageTitle(pages.at(i)));
        }
        QCOMPARE(window->page(), Page::remote);
        const QStringList menus{QStringLiteral("Veltrix"), QStringLiteral("前往"), QStringLiteral("电视")};
        QStringList shown;
        for (QAction *menu : window->menuBar()->actions())
            shown.append(menu->text());
        QCOMPARE(shown, menus);
    }

    void commandsHaveDistinctNamesAndShortcuts()
    {
        GuiFixture f;
        QSet<QString> names;
        QSet<QString> sequences;
        for (QAction *action : f.ctx.actions->all()) {
            QVERIFY(!action->objectName().isEmpty());
            QVERIFY(!action->shortcut().isEmpty());
            names.insert(action->objectName());
            sequences.insert(action->shortcut().toString());
        }
        QCOMPARE(names.size(), f.ctx.actions->all().size());
        QCOMPARE(sequences.size(), f.ctx.actions->all().size());
        QCOMPARE(f.ctx.actions->action(QStringLiteral("home"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+H")));
        QCOMPARE(f.ctx.actions->action(QStringLiteral("quit"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    }

    void sidebarAndShortcutsSwitchPages_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("searchFocus");
        QTest::addColumn<bool>("scans");
        QTest::newRow("Ctrl+2") << int(Qt::Key_2) << int(Page::apps) << false << false;
        QTest::newRow("Ctrl+3") << int(Qt::Key_3) << int(Page::devices) << false << false;
        QTest::newRow("Ctrl+,") << int(Qt::Key_Comma) << int(Page::settings) << false << false;
        QTest::newRow("Ctrl+F") << int(Qt::Key_F) << int(Page::apps) << true << false;
        QTest::newRow("Ctrl+R") << int(Qt::Key_R) << int(Page::devices) << false << true;
    }

    void sidebarAndShortcutsSwitchPages()
    {
        QFETCH(int, key);
        QFETCH(int, page);
        QFETCH(bool, searchFocus);
        QFETCH(bool, scans);
        GuiFixture f;
        auto window = f.makeWindow();
        QSignalSpy search(window->keyMonitor(), &AppKeyMonitor::focusSearchRequested);
        QSignalSpy scanning(f.session, &TVSession::isScanningChanged);

        pressKey(window.get(), Qt::Key(key), Qt::ControlModifier);
        QCOMPARE(window->page(), Page(page));
        QCOMPARE(window->stack()->currentWidget(), window->pageWidget(Page(page)));
        QVERIFY(window->sidebar()->item(Page(page))->isChecked());
        QCOMPARE(search.size(), searchFocus ? 1 : 0);
        QCOMPARE(!scanning.isEmpty(), scans);

        // Back with Ctrl+1, then by clicking the sidebar.
        pressKey(window.get(), Qt::Key_1, Qt::ControlModifier);
        QCOMPARE(window->page(), Page::remote);
        QTest::mouseClick(window->sidebar()->item(Page(page)), Qt::LeftButton);
        QCOMPARE(window->page(), Page(page));
        window->sidebar()->finishAnimation();
        QCOMPARE(window->sidebar()->highlightRect(), QRectF(window->sidebar()->item(Page(page))->geometry()));
    }

    void homeShortcutSendsOneHomePerSecond()
    {
        GuiFixture f;
        auto tv = f.pairedTV(2);
        auto window = f.makeWindow();
        tv->clearRecord();
        pressKey(window.get(), Qt::Key_H, Qt::ControlModifier | Qt::ShiftModifier);
        pressKey(window.get(), Qt::Key_H, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_COMPARE(pointerButtons(*tv), QStringList{QStringLiteral("HOME")});
        QTest::qWait(200);
        QCOMPARE(pointerButtons(*tv), QStringList{QStringLiteral("HOME")});
    }

    void keysDriveTheTvOnEveryPage_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("hits");  // recorded by the remote page
        for (const Page page : allPages()) {
            const bool remote = page == Page::remote;
            QTest::addRow("%s: Escape", qPrintable(pageId(page))) << int(page) << int(Qt::Key_Escape) << QStringLiteral("BACK") << 0;
            QTest::addRow("%s: Return", qPrintable(pageId(page))) << int(page) << int(Qt::Key_Return) << QStringLiteral("ENTER") << (remote ? 1 : 0);
            QTest::addRow("%s: Left", qPrintable(pageId(page))) << int(page) << int(Qt::Key_Left) << QStringLiteral("LEFT") << (remote ? 1 : 0);
            QTest::addRow("%s: Space", qPrintable(pageId(page))) << int(page) << int(Qt::Key_Space) << QStringLiteral("PLAY") << 0;
        }
    }

    void keysDriveTheTvOnEveryPage()
    {
        QFETCH(int, page);
        QFETCH(int, key);
        QFETCH(QString, button);
        QFETCH(int, hits);
        GuiFixture f;
        auto tv = f.pairedTV(3);
        auto window = f.makeWindow();
        window->setPage(Page(page));
        window->centralWidget()->setFocus();
        tv->clearRecord();
        pressKey(window.get(), Qt::Key(key));
        QTRY_COMPARE(pointerButtons(*tv), QStringList{button});
        QTest::qWait(100);
        QCOMPARE(pointerButtons(*tv), QStringList{button});  // one press, one button
        auto *remote = qobject_cast<RemotePage *>(window->pageWidget(Page::remote));
        QCOMPARE(remote->hits()->total(), hits);
    }

    void pickerListsSavedTvsAndConnects()
    {
        GuiFixture f;
        auto window = f.makeWindow();
        auto *picker = find<DevicePicker>(window.get(), "devicePicker");
        QCOMPARE(picker->text(), QStringLiteral("选择电视"));
        QCOMPARE(picker->symbol(), QStringLiteral("tv"));
        QVERIFY(picker->devicesMenu()->actions().isEmpty());

        auto first = f.startTV(4, QStringLiteral("客厅"));
        auto second = f.startTV(5, QStringLiteral("卧室"));
        QVERIFY(f.pair(*first));
        TVDevice other = f.store->upsert(second->host());
        other.name = QStringLiteral("卧室");
        f.store->update(other);
        QCOMPARE(picker->devicesMenu()->actions().size(), 2);
        QCOMPARE(picker->symbol(), QStringLiteral("chevron.down"));

        auto *entry = picker->devicesMenu()->findChild<QAction *>(QStringLiteral("connect.") + other.id);
        QVERIFY(entry);
        QCOMPARE(entry->text(), QStringLiteral("连接到 卧室"));
        entry->trigger();
        // The old TV is let go and the chosen one connected and selected.
        QTRY_VERIFY_WITH_TIMEOUT(f.session->state().is(ConnectionState::Kind::ready)
                                     && f.store->selectedID() == other.id, 5000);
        QCOMPARE(picker->text(), QStringLiteral("卧室"));
        QTRY_COMPARE(second->registrations(), 1);
    }

    void startUpRunsWhenTheWindowFirstAppears_data()
    {
        QTest::addColumn<QString>("appearance");
        QTest::addColumn<bool>("mcpSwitchedOff");
        QTest::addColumn<bool>("autoHost");
        QTest::addColumn<bool>("dark");
        QTest::newRow("dark, MCP on, autoHost") << QStringLiteral("dark") << false << true << true;
        QTest::newRow("light, MCP off, selected TV") << QStringLiteral("light") << true << false << false;
        QTest::newRow("unknown appearance") << QStringLiteral("purple") << false << false << false;
    }

    void startUpRunsWhenTheWindowFirstAppears()
    {
        QFETCH(QString, appearance);
        QFETCH(bool, mcpSwitchedOff);
        QFETCH(bool, autoHost);
        QFETCH(bool, dark);
        GuiFixture f;
        auto tv = f.startTV(6);
        Settings settings(f.settingsFile);
        settings.setMcpPort(freePort());
        if (mcpSwitchedOff)
            settings.setMcpEnabled(false);
        {
            QSettings raw(f.settingsFile, QSettings::IniFormat);
            raw.setValue(QStringLiteral("appearance"), appearance);
        }
        if (autoHost) {
            f.store->setSelectedID(f.store->upsert(QStringLiteral("127.0.40.99")).id);
            settings.setAutoHost(QStringLiteral("  ") + tv->host() + QStringLiteral("\t"));
        } else {
            TVDevice paired = f.store->upsert(tv->host());
            paired.clientKey = QStringLiteral("key-from-an-earlier-run");
            f.store->update(paired);
            f.store->setSelectedID(paired.id);
            tv->addClientKey(*paired.clientKey);
        }
        f.store->save();

        Program program{LaunchOptions()};
        QVERIFY(program.prepare());
        auto [app, ui, startUps] = std::tie(program.app, *program.ui, program.startUps);
        ui.showWindow();
        QTRY_COMPARE(startUps, 1);
        QCOMPARE(ui.context().theme->isDark(), dark);
        QCOMPARE(app.mcp()->isRunning(), !mcpSwitchedOff);
        QTRY_VERIFY_WITH_TIMEOUT(app.session()->state().is(ConnectionState::Kind::ready), 5000);
        QCOMPARE(app.store()->selectedDevice()->host, tv->host());
        QCOMPARE(tv->pairingPrompts(), autoHost ? 1 : 0);

        // Closing leaves everything running; showing again does not start a second time.
        ui.window()->close();
        QVERIFY(!ui.window()->isVisible());
        QVERIFY(!QApplication::quitOnLastWindowClosed());
        ui.showWindow();
        QVERIFY(ui.window()->isVisible());
        QTest::qWait(50);
        QCOMPARE(startUps, 1);
        QVERIFY(app.session()->state().is(ConnectionState::Kind::ready));
        ui.context().theme->apply(AppearancePreference::system);
    }

    // Started with --background (the login entry's command): the start-up sequence runs
    // without the window; with no tray (as here) the window opens minimised so the program
    // stays reachable, and opening it later starts nothing a second time.
    void backgroundStartOpensNoWindow()
    {
        GuiFixture f;
        Settings(f.settingsFile).setMcpPort(freePort());
        auto tv = f.startTV(8);
        QVERIFY(f.pair(*tv));
        f.store->save();
        f.session->disconnect();

        Program program(LaunchOptions::parse({QStringLiteral("veltrix"), QStringLiteral("--background")}));
        QVERIFY(program.prepare());
        auto [app, ui, startUps] = std::tie(program.app, *program.ui, program.startUps);
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

    void snapshotRunWritesOnePictureOfEachPage()
    {
        GuiFixture f;
        auto window = f.makeWindow();
        const QString folder = f.env.path(QStringLiteral("shots/new"));
        SnapshotRun run(window.get(), folder, SnapshotRun::Timing{std::chrono::milliseconds(20), std::chrono::milliseconds(20)});
        QSignalSpy finished(&run, &SnapshotRun::finished);
        run.start();
        QVERIFY(finished.wait(5000));
        QStringList expected;
        for (const Page page : allPages())
            expected.append(QDir(folder).filePath(pageId(page) + QStringLiteral(".png")));
        QCOMPARE(run.written(), expected);

        for (const Page page : allPages()) {
            const QImage image(QDir(folder).filePath(pageId(page) + QStringLiteral(".png")));
            QCOMPARE(image.size(), window->size() * window->devicePixelRatio());
            // The page title: every character drawn, and different characters drawn differently
            // (a font without Chinese draws the same empty box for each).
            const auto *title = window->pageWidget(page)->findChild<QLabel *>(QStringLiteral("pageTitle"));
            const QRect area(title->mapTo(window.get(), QPoint(0, 0)), title->size());
            const QFontMetrics metrics(title->font());
            QList<QImage> glyphs;
            int x = area.left();
            for (const QChar ch : title->text()) {
                const int advance = metrics.horizontalAdvance(ch);
                const QRect cell(x, area.top(), advance, area.height());
                QVERIFY2(hasInk(image, cell), qPrintable(pageId(page) + QStringLiteral(": blank ") + ch));
                glyphs.append(image.copy(cell));
                x += advance;
            }
            for (int i = 1; i < glyphs.size(); ++i)
                QVERIFY2(glyphs.at(i) != glyphs.at(i - 1), qPrintable(pageId(page) + QStringLiteral(": boxes")));
        }
        QCOMPARE(window->page(), Page::settings);
    }

    // The stack passed the focus on to the new page's remembered or first focusable child, a
    // text field on the settings page or one clicked earlier, so M or Space typed there.
    void pageSwitchNeverFocusesATextField()
    {
        GuiFixture f;
        f.store->setSelectedID(f.store->upsert(QStringLiteral("192.168.1.20")).id);
        auto window = f.makeWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        const auto typing = [] {
            const QWidget *focus = QApplication::focusWidget();
            return focus && focus->testAttribute(Qt::WA_InputMethodEnabled);
        };
        int fields = 0;
        for (const Page page : allPages()) {
            window->setPage(page);
            for (QLineEdit *field : window->pageWidget(page)->findChildren<QLineEdit *>()) {
                if (!field->isVisible() || !field->isEnabled())
                    continue;
                ++fields;
                for (const Page other : allPages()) {
                    if (other == page)
                        continue;
                    QTest::mouseClick(field, Qt::LeftButton);
                    QVERIFY(field->hasFocus());
                    window->setPage(other);
                    QVERIFY2(!typing(), qPrintable(pageId(page) + QStringLiteral(" -> ") + pageId(other)));
                    window->setPage(page);
                    QVERIFY2(!typing(), qPrintable(pageId(other) + QStringLiteral(" -> ") + pageId(page)));
                }
            }
        }
        QVERIFY(fields >= 4);  // touchpad text, app search, TV name and MAC
    }

    // A visible window without an object name used to be written as the page's own picture,
    // over the main window's.
    void snapshotOfAnUnnamedWindowKeepsItsOwnFile()
    {
        GuiFixture f;
        auto window = f.makeWindow();
        QWidget unnamed;
        unnamed.resize(120, 80);
        unnamed.show();
        QVERIFY(QTest::qWaitForWindowExposed(&unnamed));
        const QString folder = f.env.path(QStringLiteral("shots"));
        QVERIFY(QDir().mkpath(folder));

        const QStringList files = SnapshotRun::captureWindows(folder, QStringLiteral("remote"));
        const QString own = QDir(folder).filePath(QStringLiteral("remote.png"));
        const QString other = QDir(folder).filePath(QStringLiteral("remote-QWidget.png"));
        QCOMPARE(QSet<QString>(files.cbegin(), files.cend()), (QSet<QString>{own, other}));
        QCOMPARE(QImage(own).size(), window->size() * window->devicePixelRatio());
        QCOMPARE(QImage(other).size(), unnamed.size() * unnamed.devicePixelRatio());
    }
};

QTEST_MAIN(TestShell)
#include "test_shell.moc"
