#include "core/devicestore.h"
#include "core/settings.h"
#include "core/tvdevice.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kLgDefault = QStringLiteral("LG 电视");

TVDevice record(const QString &id, const QString &host, const QString &name = QString())
{
    TVDevice device;
    device.id = id;
    device.name = name;
    device.model = QStringLiteral("OLED55C1");
    device.host = host;
    return device;
}

QByteArray encode(const QList<TVDevice> &devices)
{
    QJsonArray array;
    for (const TVDevice &device : devices)
        array.append(device.toJson());
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

} // namespace

class TestStore : public QObject {
    Q_OBJECT

private:
    QString m_file;
    std::unique_ptr<QTemporaryDir> m_dir;

    // What another process (or an older run) left in the file.
    void seed(const QVariant &devices, const QVariant &selected = QVariant())
    {
        QSettings settings(m_file, QSettings::IniFormat);
        if (devices.isValid())
            settings.setValue(QStringLiteral("devices.v1"), devices);
        if (selected.isValid())
            settings.setValue(QStringLiteral("devices.selected"), selected);
        settings.sync();
    }

    QVariant stored(const QString &key) const
    {
        return QSettings(m_file, QSettings::IniFormat).value(key);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        // A folder that does not exist yet, as on a first start.
        m_file = m_dir->filePath(QStringLiteral("config/Veltrix/Veltrix.conf"));
    }

    void firstRecordSelectedWhenNoneStored()
    {
        const TVDevice a = record(TVDevice::newId(), QStringLiteral("10.0.0.2"), QStringLiteral("客厅"));
        const TVDevice b = record(TVDevice::newId(), QStringLiteral("10.0.0.3"));
        seed(encode({a, b}));
        DeviceStore store(m_file);
        QCOMPARE(store.devices(), (QList<TVDevice>{a, b}));
        QCOMPARE(store.selectedID(), a.id);
        QCOMPARE(stored(QStringLiteral("devices.selected")).toString(), a.id);
        QCOMPARE(store.selectedDevice(), a);
    }

    void storedDefaultNameLoadsEmpty()
    {
        const TVDevice a = record(TVDevice::newId(), QStringLiteral("10.0.0.2"), kLgDefault);
        const QByteArray bytes = encode({a});
        seed(bytes);
        DeviceStore store(m_file);
        QCOMPARE(store.devices().size(), 1);
        QCOMPARE(store.devices().first().name, QString());
        QCOMPARE(store.devices().first().displayName(), kLgDefault);
        // Not written back until something is saved.
        QCOMPARE(stored(QStringLiteral("devices.v1")).toByteArray(), bytes);
        store.save();
        QVERIFY(!stored(QStringLiteral("devices.v1")).toByteArray().contains(kLgDefault.toUtf8()));
    }

    void exactJsonRoundTrip()
    {
        TVDevice bare = record(QStringLiteral("2F1C7B0E-5D9A-4C3B-8E6F-0A1B2C3D4E5F"),
                               QStringLiteral("tv.local"), QStringLiteral("卧室 \"B\""));
        TVDevice full = record(QStringLiteral("A0000000-0000-4000-8000-000000000001"),
                               QStringLiteral("192.168.1.20"));
        full.tvUUID = QStringLiteral("c3b1d2e4-0000-1000-8000-acde48001122");
        full.mac = QStringLiteral("a8:23:fe:01:02:03");
        full.clientKey = QStringLiteral("0123456789abcdef");
        full.certFingerprint = QString(64, QLatin1Char('e'));
        seed(encode({bare, full}));

        DeviceStore store(m_file);
        QCOMPARE(store.devices(), (QList<TVDevice>{bare, full}));
        store.save();
        const QByteArray expected =
            "[{\"host\":\"tv.local\",\"id\":\"2F1C7B0E-5D9A-4C3B-8E6F-0A1B2C3D4E5F\","
            "\"model\":\"OLED55C1\",\"name\":\"卧室 \\\"B\\\"\"},"
            "{\"certFingerprint\":\"" + QByteArray(64, 'e') + "\",\"clientKey\":\"0123456789abcdef\","
            "\"host\":\"192.168.1.20\",\"id\":\"A0000000-0000-4000-8000-000000000001\","
            "\"mac\":\"a8:23:fe:01:02:03\",\"model\":\"OLED55C1\",\"name\":\"\","
            "\"tvUUID\":\"c3b1d2e4-0000-1000-8000-acde48001122\"}]";
        QCOMPARE(stored(QStringLiteral("devices.v1")).toByteArray(), expected);

        // Unknown keys are ignored on the way in and not written back.
        QJsonObject extra = bare.toJson();
        extra.insert(QStringLiteral("nickname"), 7);
        QCOMPARE(TVDevice::fromJson(extra), bare);
    }

    void undecodableListIsKept_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray ok = R"({"id":"X","name":"","model":"m","host":"h")";
        QTest::newRow("not json") << QByteArray("[{\"id\":");
        QTest::newRow("object, not array") << QByteArray(ok + "}");
        QTest::newRow("element not object") << QByteArray("[" + ok + "},3]");
        QTest::newRow("missing host") << QByteArray(R"([{"id":"X","name":"","model":"m"}])");
        QTest::newRow("number name") << QByteArray(R"([{"id":"X","name":5,"model":"m","host":"h"}])");
        QTest::newRow("null clientKey") << QByteArray("[" + ok + ",\"clientKey\":null}]");
        QTest::newRow("bool mac in second record")
            << QByteArray("[" + ok + "}," + ok + ",\"mac\":true}]");
    }

    void undecodableListIsKept()
    {
        QFETCH(QByteArray, bytes);
        seed(bytes, QStringLiteral("GONE"));
        {
            DeviceStore store(m_file);
            QVERIFY(store.devices().isEmpty());
            // The selection survives although it names no record.
            QCOMPARE(store.selectedID(), QStringLiteral("GONE"));
            QCOMPARE(store.selectedDevice(), std::nullopt);
            QCOMPARE(stored(QStringLiteral("devices.v1")).toByteArray(), bytes);
        }
        DeviceStore store(m_file);
        const TVDevice added = store.upsert(QStringLiteral("10.0.0.9"));
        QCOMPARE(stored(QStringLiteral("devices.v1")).toByteArray(), encode({added}));
        QCOMPARE(stored(QStringLiteral("devices.v1.unreadable")).toByteArray(), bytes);
        // A readable list replaced later does not clobber the kept copy.
        store.upsert(QStringLiteral("10.0.0.10"));
        QCOMPARE(stored(QStringLiteral("devices.v1.unreadable")).toByteArray(), bytes);
    }

    void upsertMatching()
    {
        TVDevice paired = record(TVDevice::newId(), QStringLiteral("10.0.0.2"), QStringLiteral("客厅"));
        paired.tvUUID = QStringLiteral("uuid-paired");
        paired.clientKey = QStringLiteral("key");
        TVDevice moved = record(TVDevice::newId(), QStringLiteral("10.0.0.3"));
        moved.tvUUID = QStringLiteral("uuid-moved");
        TVDevice unpaired = record(TVDevice::newId(), QStringLiteral("10.0.0.4"));
        seed(encode({paired, moved, unpaired}));
        DeviceStore store(m_file);

        // Same host as a paired record, new facts: host and identifier follow, name and model stay.
        TVDevice got = store.upsert(QStringLiteral("10.0.0.2"), QStringLiteral("uuid-new"),
                                    QStringLiteral("别名"), QStringLiteral("Other"));
        TVDevice want = paired;
        want.tvUUID = QStringLiteral("uuid-new");
        QCOMPARE(got, want);
        QCOMPARE(store.devices().at(0), want);

        // The TV moved to an address another record holds: the identifier wins.
        got = store.upsert(QStringLiteral("10.0.0.4"), QStringLiteral("uuid-moved"));
        QCOMPARE(got.id, moved.id);
        QCOMPARE(store.devices().at(1).host, QStringLiteral("10.0.0.4"));
        QCOMPARE(store.devices().at(2), unpaired);

        // Two records now share that address: the first in order takes the facts. Unpaired, it
        // takes the name; an absent model leaves the model alone.
        got = store.upsert(QStringLiteral("10.0.0.4"), std::nullopt, QStringLiteral("书房"),
                           std::nullopt);
        QCOMPARE(got.id, moved.id);
        QCOMPARE(got.name, QStringLiteral("书房"));
        QCOMPARE(got.model, moved.model);
        QCOMPARE(got.tvUUID, moved.tvUUID);
        QCOMPARE(store.devices().size(), 3);

        QCOMPARE(store.selectedID(), paired.id);
        QSettings check(m_file, QSettings::IniFormat);
        QCOMPARE(check.value(QStringLiteral("devices.v1")).toByteArray(), encode(store.devices()));
    }

    void upsertAppendsNewRecord()
    {
        DeviceStore store(m_file);
        QCOMPARE(store.selectedDevice(), std::nullopt);
        QVERIFY(!stored(QStringLiteral("devices.v1")).isValid());  // an empty store writes nothing
        QSignalSpy devicesSpy(&store, &DeviceStore::devicesChanged);
        QSignalSpy selectedSpy(&store, &DeviceStore::selectedIDChanged);
        const TVDevice added = store.upsert(QStringLiteral("10.0.0.7"));
        QVERIFY(QRegularExpression(QStringLiteral(
                    "^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"))
                    .match(added.id)
                    .hasMatch());
        QCOMPARE(added.name, QString());
        QCOMPARE(added.displayName(), kLgDefault);
        QCOMPARE(added.model, QStringLiteral("LG webOS TV"));
        QCOMPARE(added.tvUUID, std::nullopt);
        QVERIFY(!added.isPaired());
        QCOMPARE(store.devices(), QList<TVDevice>{added});
        QCOMPARE(devicesSpy.count(), 1);
        // Not selected by adding.
        QCOMPARE(store.selectedID(), std::nullopt);
        QCOMPARE(selectedSpy.count(), 0);

        // The same facts again change nothing observable.
        QCOMPARE(store.upsert(QStringLiteral("10.0.0.7")), added);
        QCOMPARE(devicesSpy.count(), 1);

        const TVDevice second = store.upsert(QStringLiteral("10.0.0.8"), QStringLiteral("u2"),
                                             QStringLiteral("卧室"), QStringLiteral("OLED"));
        QVERIFY(second.id != added.id);
        QCOMPARE(store.devices().last(), second);
        QCOMPARE(second.model, QStringLiteral("OLED"));
        QCOMPARE(devicesSpy.count(), 2);

        DeviceStore reloaded(m_file);
        QCOMPARE(reloaded.devices(), store.devices());
    }

    void updateAndRemove()
    {
        const TVDevice a = record(TVDevice::newId(), QStringLiteral("10.0.0.2"));
        const TVDevice b = record(TVDevice::newId(), QStringLiteral("10.0.0.3"));
        const TVDevice c = record(TVDevice::newId(), QStringLiteral("10.0.0.4"));
        seed(encode({a, b, c}), b.id);
        DeviceStore store(m_file);
        QSignalSpy devicesSpy(&store, &DeviceStore::devicesChanged);
        QSignalSpy selectedSpy(&store, &DeviceStore::selectedIDChanged);

        const QByteArray before = stored(QStringLiteral("devices.v1")).toByteArray();
        store.update(record(TVDevice::newId(), QStringLiteral("10.0.0.9")));
        QCOMPARE(store.devices(), (QList<TVDevice>{a, b, c}));
        QCOMPARE(stored(QStringLiteral("devices.v1")).toByteArray(), before);
        store.update(b);
        QCOMPARE(devicesSpy.count(), 0);

        TVDevice renamed = c;
        renamed.name = QStringLiteral("新名字");
        renamed.mac = QStringLiteral("00:11:22:33:44:55");
        store.update(renamed);
        QCOMPARE(store.devices().at(2), renamed);
        QCOMPARE(devicesSpy.count(), 1);
        QCOMPARE(stored(QStringLiteral("devices.v1")).toByteArray(), encode({a, b, renamed}));

        // Removing an unselected record keeps the selection.
        store.remove(a.id);
        QCOMPARE(store.selectedID(), b.id);
        QCOMPARE(selectedSpy.count(), 0);
        // Removing the selected one selects the first remaining.
        store.remove(b.id);
        QCOMPARE(store.devices(), QList<TVDevice>{renamed});
        QCOMPARE(store.selectedID(), renamed.id);
        QCOMPARE(stored(QStringLiteral("devices.selected")).toString(), renamed.id);
        QCOMPARE(selectedSpy.count(), 1);
        // Removing the last leaves no selection and no key.
        store.remove(renamed.id);
        QVERIFY(store.devices().isEmpty());
        QCOMPARE(store.selectedID(), std::nullopt);
        QVERIFY(!stored(QStringLiteral("devices.selected")).isValid());
        QCOMPARE(stored(QStringLiteral("devices.v1")).toByteArray(), QByteArray("[]"));
        QCOMPARE(selectedSpy.count(), 2);
        QCOMPARE(devicesSpy.count(), 4);
    }

    void selectionWrites()
    {
        DeviceStore store(m_file);
        QSignalSpy spy(&store, &DeviceStore::selectedIDChanged);
        store.setSelectedID(QStringLiteral("ABC"));
        QCOMPARE(stored(QStringLiteral("devices.selected")).toString(), QStringLiteral("ABC"));
        // The same value is written again (another process may have removed it meanwhile).
        {
            QSettings other(m_file, QSettings::IniFormat);
            other.remove(QStringLiteral("devices.selected"));
        }
        store.setSelectedID(QStringLiteral("ABC"));
        QCOMPARE(stored(QStringLiteral("devices.selected")).toString(), QStringLiteral("ABC"));
        QCOMPARE(spy.count(), 1);
        store.setSelectedID(std::nullopt);
        QVERIFY(!stored(QStringLiteral("devices.selected")).isValid());
        QCOMPARE(spy.count(), 2);
    }

    void fileIsOwnerOnly()
    {
        const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner
            | QFileDevice::ReadUser | QFileDevice::WriteUser;
        {
            DeviceStore store(m_file);
            QCOMPARE(QFile::permissions(m_file), ownerOnly);
            TVDevice device = store.upsert(QStringLiteral("10.0.0.2"));
            device.clientKey = QStringLiteral("secret");
            store.update(device);
            QCOMPARE(QFile::permissions(m_file), ownerOnly);
        }
        // A file left readable by others is tightened.
        QVERIFY(QFile::setPermissions(m_file, ownerOnly | QFileDevice::ReadGroup
                                                  | QFileDevice::ReadOther));
        DeviceStore store(m_file);
        QCOMPARE(QFile::permissions(m_file), ownerOnly);
        Settings settings(m_dir->filePath(QStringLiteral("other/s.conf")));
        settings.setMcpPort(9000);
        QCOMPARE(QFile::permissions(settings.fileName()), ownerOnly);
        QCOMPARE(settings.mcpPort(), 9000);
    }

    void settingsValues_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<int>("expectedPort");
        QTest::addColumn<QString>("enabled");
        QTest::addColumn<bool>("expectedEnabled");
        // The same text under "mcpScreenshots", which only a clear yes turns on.
        QTest::addColumn<bool>("expectedScreenshots");
        QTest::newRow("absent") << QString() << 8765 << QString() << true << false;
        QTest::newRow("zero, stored false") << QStringLiteral("0") << 8765 << QStringLiteral("false") << false << false;
        QTest::newRow("too big, true") << QStringLiteral("70000") << 8765 << QStringLiteral("true") << true << true;
        QTest::newRow("negative, not a bool") << QStringLiteral("-5") << 8765 << QStringLiteral("nope") << true << false;
        QTest::newRow("text") << QStringLiteral("abc") << 8765 << QStringLiteral("") << true << false;
        QTest::newRow("any case") << QStringLiteral("1") << 1 << QStringLiteral(" TRUE ") << true << true;
        QTest::newRow("limits") << QStringLiteral("65535") << 65535 << QString() << true << false;
        QTest::newRow("overflow") << QStringLiteral("4294976296") << 8765 << QString() << true << false;
    }

    void settingsValues()
    {
        QFETCH(QString, port);
        QFETCH(int, expectedPort);
        QFETCH(QString, enabled);
        QFETCH(bool, expectedEnabled);
        {
            QSettings raw(m_file, QSettings::IniFormat);
            if (!port.isNull())
                raw.setValue(QStringLiteral("mcpPort"), port);
            if (!enabled.isNull()) {
                raw.setValue(QStringLiteral("mcpEnabled"), enabled);
                raw.setValue(QStringLiteral("mcpScreenshots"), enabled);
            }
        }
        const Settings settings(m_file);
        QCOMPARE(settings.mcpPort(), expectedPort);
        QCOMPARE(settings.mcpEnabled(), expectedEnabled);
        QTEST(settings.mcpScreenshots(), "expectedScreenshots");
    }

    void settingsTexts()
    {
        Settings settings(m_file);
        QCOMPARE(settings.autoHost(), std::nullopt);
        QCOMPARE(settings.autotest(), std::nullopt);
        QCOMPARE(settings.snapshotDir(), std::nullopt);
        QCOMPARE(settings.appearance(), AppearancePreference::system);
        QVERIFY(!QFile::exists(m_file));  // reading creates nothing

        settings.setAutoHost(QStringLiteral(" \t192.168.1.5\t "));
        QCOMPARE(settings.autoHost(), QStringLiteral("192.168.1.5"));
        settings.setAutoHost(QStringLiteral(" \t "));
        QCOMPARE(settings.autoHost(), std::nullopt);
        // An empty text is still a text: it starts the self-test.
        settings.setAutotest(QString(QLatin1String("")));
        QCOMPARE(settings.autotest(), QString());
        settings.setSnapshotDir(QStringLiteral("/tmp/快照"));
        settings.setSnapshotDir(std::nullopt);
        QCOMPARE(settings.snapshotDir(), std::nullopt);

        settings.setAppearance(AppearancePreference::dark);
        QCOMPARE(settings.appearance(), AppearancePreference::dark);
        QCOMPARE(QSettings(m_file, QSettings::IniFormat).value(QStringLiteral("appearance")).toString(),
                 QStringLiteral("dark"));
        QSettings(m_file, QSettings::IniFormat).setValue(QStringLiteral("appearance"), QStringLiteral("Dark"));
        QCOMPARE(settings.appearance(), AppearancePreference::system);

    }

    // Settings written through one object are seen by a store on the same file and vice versa.
    void sharedFileAndEnvironment()
    {
        qputenv("VELTRIX_SETTINGS_FILE", m_file.toLocal8Bit());
        {
            DeviceStore store;
            Settings settings;
            QCOMPARE(store.settingsFileName(), m_file);
            QCOMPARE(settings.fileName(), m_file);
            const TVDevice added = store.upsert(QStringLiteral("10.0.0.2"));
            store.setSelectedID(added.id);
            settings.setMcpPort(9100);
            store.upsert(QStringLiteral("10.0.0.3"));
            QCOMPARE(settings.mcpPort(), 9100);
        }
        qunsetenv("VELTRIX_SETTINGS_FILE");
        DeviceStore store(m_file);
        QCOMPARE(store.devices().size(), 2);
        QCOMPARE(store.selectedDevice()->host, QStringLiteral("10.0.0.2"));
        QCOMPARE(Settings(m_file).mcpPort(), 9100);
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "test_store.moc"
