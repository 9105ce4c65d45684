#include "devicestore.h"
#include "launchoptions.h"
#include "log.h"
#include "mcpserver.h"
#include "pexoremoteapp.h"
#include "settings.h"
#include "simulatedtv.h"
#include "tvsession.h"

#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

namespace {

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

class TestApp : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_settings;

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_settings = m_dir->filePath(QStringLiteral("settings.ini"));
        qputenv("VELTRIX_SETTINGS_FILE", m_settings.toLocal8Bit());
        veltrix::setLogFilePath(m_dir->filePath(QStringLiteral("app.log")));
        Settings(m_settings).setMcpPort(freePort());
    }

    void parsesTheCommandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected");
        QTest::newRow("bridge wins") << QStringList{QStringLiteral("--demo"), QStringLiteral("--mcp-stdio"), QStringLiteral("--bogus")} << QStringLiteral("stdio");
        QTest::newRow("headless demo") << QStringList{QStringLiteral("--headless"), QStringLiteral("--demo")} << QStringLiteral("headless demo");
        QTest::newRow("host separate") << QStringList{QStringLiteral("--host"), QStringLiteral(" 10.0.0.5 ")} << QStringLiteral("host 10.0.0.5");
        QTest::newRow("host joined") << QStringList{QStringLiteral("--host=10.0.0.6")} << QStringLiteral("host 10.0.0.6");
        QTest::newRow("host missing") << QStringList{QStringLiteral("--host")} << QStringLiteral("error");
        QTest::newRow("unknown") << QStringList{QStringLiteral("--fast")} << QStringLiteral("error");
        QTest::newRow("demo and host") << QStringList{QStringLiteral("--demo"), QStringLiteral("--host=a")} << QStringLiteral("error");
    }

    void parsesTheCommandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        arguments.prepend(QStringLiteral("veltrix"));
        const LaunchOptions options = LaunchOptions::parse(arguments);
        QString actual;
        if (options.mcpStdio)
            actual = QStringLiteral("stdio");
        else if (!options.error.isEmpty())
            actual = QStringLiteral("error");
        else if (options.host)
            actual = QStringLiteral("host ") + *options.host;
        else
            actual = QStringList{options.headless ? QStringLiteral("headless") : QString(),
                                 options.demo ? QStringLiteral("demo") : QString()}.join(QLatin1Char(' ')).trimmed();
        QCOMPARE(actual, expected);
    }

    void startUpConnectsToTheAutoHostAndServesMCP()
    {
        SimulatedTV::Options tvOptions;
        tvOptions.address = QHostAddress(QStringLiteral("127.0.19.2"));
        tvOptions.approveDelayMs = 0;
        SimulatedTV tv(tvOptions);
        QVERIFY(tv.start());
        {
            // Something else was selected before; autoHost (with stray blanks) wins.
            DeviceStore store(m_settings);
            store.setSelectedID(store.upsert(QStringLiteral("127.0.19.9")).id);
        }
        Settings(m_settings).setAutoHost(QStringLiteral(" \t127.0.19.2  "));

        LaunchOptions options;
        options.headless = true;
        PexoRemoteApp app(options);
        QVERIFY(app.prepare());
        app.startUp();
        QVERIFY(app.mcp()->isRunning());
        QCOMPARE(app.mcp()->port(), quint16(Settings(m_settings).mcpPort()));
        QTRY_VERIFY_WITH_TIMEOUT(app.session()->state().is(ConnectionState::Kind::ready), 5000);
        QCOMPARE(app.store()->selectedDevice()->host, QStringLiteral("127.0.19.2"));
        QTRY_VERIFY_WITH_TIMEOUT(!app.session()->isScanning(), 8000);
    }

    void startUpHonoursTheSwitchAndTheSelection()
    {
        SimulatedTV::Options tvOptions;
        tvOptions.address = QHostAddress(QStringLiteral("127.0.19.3"));
        tvOptions.approveDelayMs = 0;
        SimulatedTV tv(tvOptions);
        QVERIFY(tv.start());
        {
            DeviceStore store(m_settings);
            TVDevice device = store.upsert(tv.host());
            device.clientKey = QStringLiteral("not-yet-known");  // paired earlier
            store.update(device);
            store.setSelectedID(device.id);
        }
        tv.addClientKey(QStringLiteral("not-yet-known"));
        Settings(m_settings).setMcpEnabled(false);

        LaunchOptions options;
        options.headless = true;
        PexoRemoteApp app(options);
        QVERIFY(app.prepare());
        app.startUp();
        QVERIFY(!app.mcp()->isRunning());
        QTRY_VERIFY_WITH_TIMEOUT(app.session()->state().is(ConnectionState::Kind::ready), 5000);
        QCOMPARE(tv.pairingPrompts(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!app.session()->isScanning(), 8000);
    }

    void cleanup()
    {
        veltrix::flushLog();
        m_dir.reset();
    }
};

QTEST_GUILESS_MAIN(TestApp)
#include "test_app.moc"
