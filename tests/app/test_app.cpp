#include "core/devicestore.h"
#include "app/launchoptions.h"
#include "log/log.h"
#include "mcp/mcpserver.h"
#include "app/pexoremoteapp.h"
#include "core/settings.h"
#include "support/simulatedtvs.h"
#include "support/testenv.h"
#include "core/tvsession.h"

#include <QTcpServer>
#include <QTest>

class TestApp : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    QString m_settings;

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<TestEnv>();
        m_settings = m_env->settingsFile();
        Settings(m_settings).setMcpPort(freePort());
    }

    void parsesTheCommandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected");
        const auto args = [](const char *text) { return QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts); };
        QTest::newRow("nothing") << args("") << QString();
        QTest::newRow("bridge wins") << args("--demo --mcp-stdio --bogus") << QStringLiteral("stdio");
        QTest::newRow("bridge wins over help") << args("--help --mcp-stdio") << QStringLiteral("stdio");
        QTest::newRow("bridge only as a whole argument") << args("--mcp-stdio=1") << QStringLiteral("error");
        QTest::newRow("headless demo") << args("--headless --demo") << QStringLiteral("headless demo");
        QTest::newRow("host separate") << QStringList{QStringLiteral("--host"), QStringLiteral(" 10.0.0.5 ")} << QStringLiteral("host 10.0.0.5");
        QTest::newRow("host joined") << args("--host=10.0.0.6") << QStringLiteral("host 10.0.0.6");
        QTest::newRow("host missing") << args("--host") << QStringLiteral("error");
        QTest::newRow("host blank") << QStringList{QStringLiteral("--host"), QStringLiteral(" \t")} << QStringLiteral("error");
        QTest::newRow("unknown") << args("--fast") << QStringLiteral("error");
        QTest::newRow("stray word") << args("--headless tv") << QStringLiteral("error");
        QTest::newRow("demo and host") << args("--demo --host=a") << QStringLiteral("error");
        QTest::newRow("help") << args("--help --bogus") << QStringLiteral("error");
        QTest::newRow("help short") << args("-h") << QStringLiteral("help");
        QTest::newRow("version") << args("--version") << QStringLiteral("version");
        QTest::newRow("pair") << args("--pair 10.0.0.7") << QStringLiteral("pair 10.0.0.7");
        QTest::newRow("pair pin") << args("--pin --pair=10.0.0.8") << QStringLiteral("pair 10.0.0.8 pin");
        QTest::newRow("pair headless") << args("--headless --pair 10.0.0.9") << QStringLiteral("pair 10.0.0.9");
        QTest::newRow("pair missing") << args("--pair") << QStringLiteral("error");
        QTest::newRow("pin alone") << args("--pin") << QStringLiteral("error");
        QTest::newRow("pair and demo") << args("--pair 10.0.0.7 --demo") << QStringLiteral("error");
        QTest::newRow("pair and host") << args("--pair 10.0.0.7 --host 10.0.0.8") << QStringLiteral("error");
        QTest::newRow("background") << args("--background") << QStringLiteral("background");
        QTest::newRow("background demo") << args("--demo --background") << QStringLiteral("background demo");
        QTest::newRow("background headless") << args("--background --headless") << QStringLiteral("error");
        QTest::newRow("background pair") << args("--background --pair 10.0.0.7") << QStringLiteral("error");
    }

    void parsesTheCommandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        arguments.prepend(QStringLiteral("veltrix"));
        const LaunchOptions options = LaunchOptions::parse(arguments);
        QStringList actual;
        if (options.mcpStdio)
            actual << QStringLiteral("stdio");
        else if (!options.error.isEmpty())
            actual << QStringLiteral("error");
        else if (options.help)
            actual << QStringLiteral("help");
        else if (options.version)
            actual << QStringLiteral("version");
        else if (options.pair)
            actual << QStringLiteral("pair ") + *options.pair << (options.pairWithPin ? QStringLiteral("pin") : QString());
        else if (options.host)
            actual << QStringLiteral("host ") + *options.host;
        else
            actual << (options.headless ? QStringLiteral("headless") : QString())
                   << (options.background ? QStringLiteral("background") : QString())
                   << (options.demo ? QStringLiteral("demo") : QString());
        actual.removeAll(QString());
        QCOMPARE(actual.join(QLatin1Char(' ')), expected);
    }

    void helpTextDescribesEveryMode()
    {
        const QString help = LaunchOptions::helpText();
        for (const char *option : {"--help", "--version", "--headless", "--background", "--demo", "--host <address>",
                                   "--pair <address>", "--pin", "--mcp-stdio"})
            QVERIFY2(help.contains(QLatin1String(option)), option);
    }

    void startUpConnectsAndServesMCP_data()
    {
        QTest::addColumn<bool>("autoHost");
        // Something else was selected before; autoHost (with stray blanks) wins.
        QTest::newRow("autoHost, MCP on") << true;
        QTest::newRow("TV paired earlier and selected, MCP off") << false;
    }

    void startUpConnectsAndServesMCP()
    {
        QFETCH(bool, autoHost);
        SimulatedTV::Options tvOptions;
        tvOptions.address = QHostAddress(QStringLiteral("127.0.19.2"));
        tvOptions.approveDelayMs = 0;
        TestTV tv(tvOptions);
        {
            DeviceStore store(m_settings);
            TVDevice device = store.upsert(autoHost ? QStringLiteral("127.0.19.9") : tv.host());
            if (!autoHost) {
                device.clientKey = QStringLiteral("not-yet-known");
                store.update(device);
                tv.addClientKey(*device.clientKey);
            }
            store.setSelectedID(device.id);
        }
        if (autoHost)
            Settings(m_settings).setAutoHost(QStringLiteral(" \t127.0.19.2  "));
        else
            Settings(m_settings).setMcpEnabled(false);

        LaunchOptions options;
        options.headless = true;
        PexoRemoteApp app(options);
        QVERIFY(app.prepare());
        app.startUp();
        QCOMPARE(app.mcp()->isRunning(), autoHost);
        if (autoHost)
            QCOMPARE(app.mcp()->port(), quint16(Settings(m_settings).mcpPort()));
        QTRY_VERIFY_WITH_TIMEOUT(app.session()->state().is(ConnectionState::Kind::ready), 5000);
        QCOMPARE(app.store()->selectedDevice()->host, tv.host());
        QCOMPARE(tv.pairingPrompts(), autoHost ? 1 : 0);
        QTRY_VERIFY_WITH_TIMEOUT(!app.session()->isScanning(), 8000);
    }

    void cleanup() { m_env.reset(); }
};

QTEST_GUILESS_MAIN(TestApp)
#include "test_app.moc"
