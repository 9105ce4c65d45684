#include "core/devicestore.h"
#include "log/log.h"
#include "mcp/mcpserver.h"
#include "mcp/mcpsettings.h"
#include "app/pexoremoteapp.h"
#include "core/settings.h"
#include "support/testenv.h"
#include "core/tvsession.h"

#include <QFile>
#include <QTest>

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// The user's own settings file under a private config folder, as a user without
// VELTRIX_SETTINGS_FILE has it.
class TestSettingsFile : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> m_home;
    QString m_conf;
    QString m_ini;

private Q_SLOTS:
    void init()
    {
        m_home = std::make_unique<TestEnv>(TestEnv::SettingsVariable::unset);
        qputenv("XDG_CONFIG_HOME", m_home->path(QStringLiteral("config")).toLocal8Bit());
        m_conf = m_home->path(QStringLiteral("config/Veltrix/Veltrix.conf"));
        m_ini = m_home->path(QStringLiteral("config/Veltrix/Veltrix.ini"));
        QDir().mkpath(m_home->path(QStringLiteral("config/Veltrix")));
    }

    void handWrittenValuesReachStartUpAndTheBridge_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::newRow("with section") << QByteArray("[General]\n");
        QTest::newRow("bare keys") << QByteArray();
    }

    void handWrittenValuesReachStartUpAndTheBridge()
    {
        QFETCH(QByteArray, header);
        const quint16 port = freePort();
        QVERIFY(writeFile(m_conf, header + "mcpPort=" + QByteArray::number(port) + "\nautoHost = 127.0.23.4\n"));

        QCOMPARE(MCPSettings::storedPort(MCPSettings::defaultSettingsFile()), port);
        PexoRemoteApp app{LaunchOptions{}};
        QVERIFY(app.prepare());
        app.startUp();
        QVERIFY(app.mcp()->isRunning());
        QCOMPARE(app.mcp()->port(), port);
        QVERIFY(app.store()->selectedDevice());
        QCOMPARE(app.store()->selectedDevice()->host, QStringLiteral("127.0.23.4"));
        QTRY_VERIFY_WITH_TIMEOUT(!app.session()->isScanning(), 8000);
    }

    void earlierFileIsAdopted_data()
    {
        QTest::addColumn<bool>("hasIni");
        QTest::addColumn<bool>("hasConf");
        QTest::addColumn<int>("expected");
        QTest::newRow("only the earlier file") << true << false << int(Settings::Adoption::moved);
        QTest::newRow("both") << true << true << int(Settings::Adoption::bothExist);
        QTest::newRow("only the new file") << false << true << int(Settings::Adoption::nothingToDo);
        QTest::newRow("none") << false << false << int(Settings::Adoption::nothingToDo);
    }

    void earlierFileIsAdopted()
    {
        QFETCH(bool, hasIni);
        QFETCH(bool, hasConf);
        QFETCH(int, expected);
        const quint16 iniPort = freePort();
        const QByteArray conf = "[General]\nmcpPort=9\n";
        QByteArray ini;
        if (hasIni) {
            // Written the way an earlier build wrote it.
            Settings(m_ini).setMcpPort(iniPort);
            DeviceStore store(m_ini);
            TVDevice device = store.upsert(QStringLiteral("10.1.2.3"));
            device.clientKey = QStringLiteral("k1");
            store.update(device);
            store.setSelectedID(device.id);
            ini = readFile(m_ini);
            QVERIFY(ini.contains("k1"));
        }
        if (hasConf)
            QVERIFY(writeFile(m_conf, conf));

        QCOMPARE(int(Settings::adoptLegacyFile()), expected);
        switch (Settings::Adoption(expected)) {
        case Settings::Adoption::moved:
            QVERIFY(!QFile::exists(m_ini));
            QCOMPARE(readFile(m_conf), ini);
            QVERIFY(!(QFile::permissions(m_conf) & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther)));
            QCOMPARE(MCPSettings::storedPort(MCPSettings::defaultSettingsFile()), iniPort);
            QCOMPARE(DeviceStore(m_conf).selectedDevice()->clientKey, QStringLiteral("k1"));
            // Once: the next start finds nothing to do.
            QCOMPARE(Settings::adoptLegacyFile(), Settings::Adoption::nothingToDo);
            break;
        case Settings::Adoption::bothExist:
            QCOMPARE(readFile(m_ini), ini);
            QCOMPARE(readFile(m_conf), conf);
            break;
        default:
            QCOMPARE(QFile::exists(m_conf), hasConf);
        }
    }

    void overriddenFileLeavesTheEarlierOneAlone()
    {
        QVERIFY(writeFile(m_ini, "[General]\nmcpPort=1234\n"));
        const QString own = m_home->path(QStringLiteral("own.conf"));
        qputenv("VELTRIX_SETTINGS_FILE", own.toLocal8Bit());
        QCOMPARE(Settings::defaultFileName(), own);
        QCOMPARE(Settings::adoptLegacyFile(), Settings::Adoption::nothingToDo);
        QVERIFY(QFile::exists(m_ini));
        QVERIFY(!QFile::exists(own));
    }

    void cleanup()
    {
        qunsetenv("VELTRIX_SETTINGS_FILE");
        m_home.reset();
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "test_settingsfile.moc"
