// The settings page's logic without widgets: what saving the TV's name and MAC stores, how
// the fields follow the store, the client configuration texts, and revealing the log file
// over D-Bus or by opening its folder.

#include "gui/settingsfixture.h"

#include "logindsim/privatebus.h"
#include "mcp/mcpclientconfig.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTest>


namespace {

// A file manager on a private bus that records what it was asked to show.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QStringList shown;
    QString startupId;

public Q_SLOTS:
    void ShowItems(const QStringList &uris, const QString &startup)
    {
        shown += uris;
        startupId = startup;
    }
};

} // namespace

class TestSettingsController : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void saveTrimsAndNormalises_data();
    void saveTrimsAndNormalises();
    void unreadableMACIsRefused_data();
    void unreadableMACIsRefused();
    void storeChangesRefreshUntouchedFields();
    void noTVSelected();
    void configurationTexts_data();
    void configurationTexts();
    void revealFallsBackToTheFolder();
    void revealThroughTheFileManager_data();
    void revealThroughTheFileManager();
};

void TestSettingsController::saveTrimsAndNormalises_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QString>("storedName");
    QTest::addColumn<QString>("storedMac");  // empty: no MAC stored

    QTest::newRow("spaces around the name, dashed upper-case MAC")
        << QStringLiteral("  Bedroom TV  ") << QStringLiteral("A8-23-FE-01-02-0B") << QStringLiteral("Bedroom TV")
        << QStringLiteral("a8:23:fe:01:02:0b");
    QTest::newRow("tabs and line breaks around the name")
        << QStringLiteral("\tKitchen\n") << QStringLiteral("a8:23:fe:01:02:03") << QStringLiteral("Kitchen")
        << QStringLiteral("a8:23:fe:01:02:03");
    QTest::newRow("pasted MAC with blanks") << QStringLiteral("Den") << QStringLiteral(" a8:23:fe:1:2:3 \n")
                                            << QStringLiteral("Den") << QStringLiteral("a8:23:fe:01:02:03");
    QTest::newRow("empty MAC stores none") << QStringLiteral("Den") << QString() << QStringLiteral("Den") << QString();
    QTest::newRow("blank name stays empty") << QStringLiteral("   ") << QString() << QString() << QString();
}

void TestSettingsController::saveTrimsAndNormalises()
{
    QFETCH(QString, name);
    QFETCH(QString, mac);
    QFETCH(QString, storedName);
    QFETCH(QString, storedMac);

    SettingsFixture f;
    const TVDevice before = f.addSelected(QStringLiteral("192.168.1.20"), QStringLiteral("00:11:22:33:44:55"));
    SettingsController c(f.controllerServices());
    QCOMPARE(c.name(), QStringLiteral("Living Room"));
    QCOMPARE(c.mac(), QStringLiteral("00:11:22:33:44:55"));
    QVERIFY(!c.canSave());

    c.setName(name);
    c.setMac(mac);
    QVERIFY(c.canSave());
    c.save();

    // Stored, and still there for the next process.
    const std::optional<TVDevice> reloaded = DeviceStore(f.settingsFile).device(before.id);
    QVERIFY(reloaded);
    QCOMPARE(reloaded->name, storedName);
    QCOMPARE(reloaded->mac, storedMac.isEmpty() ? std::nullopt : std::optional<QString>(storedMac));
    // Nothing else in the record changed.
    TVDevice expected = before;
    expected.name = reloaded->name;
    expected.mac = reloaded->mac;
    QCOMPARE(*reloaded, expected);
    // The fields show what was stored.
    QCOMPARE(c.name(), storedName);
    QCOMPARE(c.mac(), storedMac);
    QVERIFY(!c.canSave());
}

void TestSettingsController::unreadableMACIsRefused_data()
{
    QTest::addColumn<QString>("mac");
    QTest::newRow("two groups") << QStringLiteral("aa:bb");
    QTest::newRow("five groups") << QStringLiteral("a8:23:fe:01:02");
    QTest::newRow("seven groups") << QStringLiteral("a8:23:fe:01:02:03:04");
    QTest::newRow("not hexadecimal") << QStringLiteral("a8:23:fe:01:02:zz");
    QTest::newRow("group too long") << QStringLiteral("a8:23:fe:01:02:003");
}

// Unreadable text used to drop the stored MAC in silence, and with it Wake-on-LAN.
void TestSettingsController::unreadableMACIsRefused()
{
    QFETCH(QString, mac);
    SettingsFixture f;
    const TVDevice before = f.addSelected(QStringLiteral("192.168.1.20"), QStringLiteral("00:11:22:33:44:55"));
    SettingsController c(f.controllerServices());
    QSignalSpy devices(f.store, &DeviceStore::devicesChanged);

    c.setName(QStringLiteral("Den"));
    c.setMac(mac);
    c.save();
    QCOMPARE(devices.count(), 0);
    QCOMPARE(*DeviceStore(f.settingsFile).device(before.id), before);
    QVERIFY(c.canWake());
    QVERIFY(!c.macError().isEmpty());
    // The typed text stays to be corrected; the next edit clears the message.
    QCOMPARE(c.mac(), mac);
    QCOMPARE(c.name(), QStringLiteral("Den"));
    c.setMac(QStringLiteral("a8:23:fe:01:02:03"));
    QCOMPARE(c.macError(), QString());
    c.save();
    QCOMPARE(f.store->device(before.id)->mac, QStringLiteral("a8:23:fe:01:02:03"));
    QCOMPARE(f.store->device(before.id)->name, QStringLiteral("Den"));
    QCOMPARE(c.macError(), QString());
}

void TestSettingsController::storeChangesRefreshUntouchedFields()
{
    SettingsFixture f;
    TVDevice tv = f.addSelected(QStringLiteral("192.168.1.20"));
    SettingsController c(f.controllerServices());

    // The session learns the MAC after pairing: the untouched field shows it.
    tv.mac = QStringLiteral("a8:23:fe:01:02:03");
    f.store->update(tv);
    QCOMPARE(c.mac(), QStringLiteral("a8:23:fe:01:02:03"));

    // A name being typed survives a change made elsewhere.
    c.setName(QStringLiteral("Typed"));
    tv.model = QStringLiteral("LG C2");
    f.store->update(tv);
    QCOMPARE(c.name(), QStringLiteral("Typed"));

    // Selecting another TV shows that TV.
    const TVDevice other = f.store->upsert(QStringLiteral("192.168.1.21"), std::nullopt, QStringLiteral("Office"));
    f.store->setSelectedID(other.id);
    QCOMPARE(c.name(), QStringLiteral("Office"));
    QCOMPARE(c.mac(), QString());
}

void TestSettingsController::noTVSelected()
{
    SettingsFixture f;
    SettingsController c(f.controllerServices());
    QVERIFY(!c.hasTV());
    QVERIFY(!c.canSave());
    QVERIFY(!c.canWake());
    c.setName(QStringLiteral("Ghost"));
    c.save();
    c.wake();
    c.removeTV();
    QVERIFY(f.store->devices().isEmpty());
    QCOMPARE(f.session->state(), ConnectionState::offline());  // no "no MAC" error either
}

void TestSettingsController::configurationTexts_data()
{
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected");
    QTest::newRow("stdio, plain path")
        << MCPClientConfig::stdio(QStringLiteral("/opt/Veltrix/veltrix"))
        << QStringLiteral("{\n  \"mcpServers\": {\n    \"veltrix\": { \"command\": \"/opt/Veltrix/veltrix\", \"args\": [\"--mcp-stdio\"] }\n  }\n}");
    QTest::newRow("stdio, path with a quote, a backslash and CJK")
        << MCPClientConfig::stdio(QStringLiteral("/home/a\"b\\c/电视/veltrix"))
        << QStringLiteral("{\n  \"mcpServers\": {\n    \"veltrix\": { \"command\": \"/home/a\\\"b\\\\c/电视/veltrix\", \"args\": [\"--mcp-stdio\"] }\n  }\n}");
    QTest::newRow("http")
        << MCPClientConfig::http(QStringLiteral("http://127.0.0.1:8765/mcp"))
        << QStringLiteral("{\n  \"mcpServers\": {\n    \"veltrix\": { \"url\": \"http://127.0.0.1:8765/mcp\" }\n  }\n}");
    QTest::newRow("http with a token")
        << MCPClientConfig::http(QStringLiteral("http://127.0.0.1:8765/mcp"), QStringLiteral("ab\"c"))
        << QStringLiteral("{\n  \"mcpServers\": {\n    \"veltrix\": {\n      \"url\": \"http://127.0.0.1:8765/mcp\",\n"
                          "      \"headers\": { \"Authorization\": \"Bearer ab\\\"c\" }\n    }\n  }\n}");
}

void TestSettingsController::configurationTexts()
{
    QFETCH(QString, actual);
    QFETCH(QString, expected);
    QCOMPARE(actual, expected);
}

void TestSettingsController::revealFallsBackToTheFolder()
{
    // No session bus at all: the folder opens at once.
    QList<QUrl> opened;
    DesktopFileRevealer revealer(QDBusConnection(QStringLiteral("nowhere")), [&](const QUrl &url) { opened.append(url); });
    revealer.reveal(QStringLiteral("/tmp/logs/app.log"));
    QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/tmp/logs"))});
}

void TestSettingsController::revealThroughTheFileManager_data()
{
    QTest::addColumn<bool>("fileManagerRuns");
    QTest::newRow("file manager answers: the file is shown") << true;
    QTest::newRow("no file manager on the bus: the folder opens") << false;
}

void TestSettingsController::revealThroughTheFileManager()
{
    QFETCH(bool, fileManagerRuns);
    PrivateBus bus;
    if (!bus.start())
        QSKIP("dbus-daemon is not available");

    FakeFileManager manager;
    QDBusConnection service = QDBusConnection::connectToBus(bus.address(), QStringLiteral("file-manager"));
    if (fileManagerRuns) {
        QVERIFY(service.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager,
                                       QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    }

    QList<QUrl> opened;
    const QDBusConnection client = QDBusConnection::connectToBus(bus.address(), QStringLiteral("veltrix"));
    QVERIFY(client.isConnected());
    DesktopFileRevealer revealer(client, [&](const QUrl &url) { opened.append(url); });
    revealer.reveal(QStringLiteral("/tmp/log dir/app.log"));

    if (fileManagerRuns) {
        QTRY_COMPARE(manager.shown, QStringList{QStringLiteral("file:///tmp/log%20dir/app.log")});
        QTest::qWait(50);
        QVERIFY(opened.isEmpty());
    } else {
        QTRY_COMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/tmp/log dir"))});
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("veltrix"));
    QDBusConnection::disconnectFromBus(QStringLiteral("file-manager"));
}

QTEST_MAIN(TestSettingsController)
#include "test_settings_controller.moc"
