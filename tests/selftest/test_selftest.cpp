// The scripted self-test against the simulated TV: exact log lines of each script, the
// once-per-process rule, failing steps, the source-change branches and the power script.

#include "session/sessionfixture.h"

#include "selftest/selftest.h"
#include "selftest/selftestformat.h"
#include "support/fakenetwork.h"

#include <QJsonArray>

namespace {

SelfTestScript::Timing fastTiming()
{
    SelfTestScript::Timing t;
    t.volumeSettle = 60ms;  // long enough for the volume and mute events to come back
    t.homeSettle = 20ms;
    t.arrowSettle = 5ms;
    t.backSettle = 10ms;
    t.pointerInterval = 2ms;
    t.pointerSettle = 40ms;
    t.sourceSettle = 60ms;
    t.powerOffSettle = 600ms;  // the simulated TV goes dark 300 ms after turning off
    t.standbySettle = 20ms;
    t.wakePoll = 50ms;
    return t;
}

struct Run {
    SessionFixture f;
    std::unique_ptr<SimulatedTV> tv;
    std::unique_ptr<SelfTest> selfTest;
    QString id;
    std::shared_ptr<PacketLog> packets = std::make_shared<PacketLog>();

    enum class Network { system, waking, silent };

    explicit Run(const std::optional<QString> &mode, SimulatedTV::Options options = tvOptions(2),
                 Network network = Network::system)
    {
        tv = std::make_unique<TestTV>(options);
        if (network == Network::waking)
            packets->onPacket = wakes(tv.get());
        if (network != Network::system)
            f.makeSession(std::make_unique<FakeNetwork>(packets));
        const Settings settings(f.env.path(QStringLiteral("app.ini")));
        Settings(settings).setAutotest(mode);
        selfTest = std::make_unique<SelfTest>(settings, fastTiming());
        f.session->setPostRegistrationHook(selfTest.get());
        id = f.addTV(*tv);
    }

    ~Run() { f.session->setPostRegistrationHook(nullptr); }

    QStringList autotestLines()
    {
        QStringList lines;
        for (const QString &line : f.logLines()) {
            if (line.startsWith(QStringLiteral("[autotest] ")))
                lines.append(line.mid(11));
        }
        return lines;
    }

    bool waitForLine(const QString &line, std::chrono::milliseconds limit = 10s)
    {
        return waitFor([&] { return autotestLines().contains(line); }, limit);
    }

    QString iconUrl(const QString &appId) const
    {
        return QStringLiteral("https://") + tv->host() + QStringLiteral(":3001") + SimulatedTV::largeIconPath(appId);
    }
};

const QString kNetwork = QStringLiteral(
    "✅ 网络信息: {\"isInternetConnectionAvailable\":false,\"returnValue\":true,"
    "\"wifiInfo\":{\"macAddress\":\"a8:23:fe:01:02:03\",\"state\":\"connected\"},"
    "\"wiredInfo\":{\"macAddress\":\"a8:23:fe:01:02:03\",\"state\":\"disconnected\"}}");

QString volumeLine(int volume, bool muted)
{
    return QStringLiteral("✅ 音量状态: {\"callerId\":\"secondscreen.client\",\"returnValue\":true,\"volumeStatus\":"
                          "{\"activeStatus\":true,\"adjustVolume\":true,\"maxVolume\":100,\"muteStatus\":%1,"
                          "\"soundOutput\":\"tv_speaker\",\"volume\":%2}}")
        .arg(muted ? QStringLiteral("true") : QStringLiteral("false"))
        .arg(volume);
}

QString foregroundLine(const QString &label, const QString &appId)
{
    return QStringLiteral("✅ %1: {\"appId\":\"%2\",\"processId\":\"\",\"returnValue\":true,\"windowId\":\"\"}")
        .arg(label, appId);
}

const QString kOk = QStringLiteral("{\"returnValue\":true}");

QStringList basicLines(const Run &run)
{
    const QString livetv = QStringLiteral("com.webos.app.livetv");
    return {
        QStringLiteral("开始"),
        kNetwork,
        volumeLine(12, false),
        foregroundLine(QStringLiteral("前台应用"), livetv),
        QStringLiteral("✅ Toast: {\"returnValue\":true,\"toastId\":\"com.webos.service.apiadapter-1\"}"),
        QStringLiteral("✅ 音量+: ") + kOk,
        QStringLiteral("音量 12 -> 13"),
        QStringLiteral("✅ 音量-: ") + kOk,
        QStringLiteral("音量回到 12"),
        QStringLiteral("输入源 [\"HDMI_1/HDMI 1/true\", \"HDMI_2/HDMI 2/false\", \"HDMI_3/HDMI 3/false\"]"),
        QStringLiteral("应用 5 个: [\"Live TV\", \"YouTube\", \"Netflix\", \"Web Browser\", \"Photo & Video\"]"),
        QStringLiteral("MAC a8:23:fe:01:02:03"),
        QStringLiteral("图标示例 [\"%1\", \"%2\"]").arg(run.iconUrl(livetv), run.iconUrl(QStringLiteral("youtube.leanback.v4"))),
        foregroundLine(QStringLiteral("HOME 后前台"), livetv),
        foregroundLine(QStringLiteral("BACK 后前台"), livetv),
    };
}

} // namespace

class TestSelfTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void summaryAndLists_data();
    void summaryAndLists();
    void basicAndFullScripts_data();
    void basicAndFullScripts();
    void runsOncePerProcess();
    void nothingWithoutTheSetting();
    void failedStepsDoNotStopTheScript();
    void sourceSteps_data();
    void sourceSteps();
    void powerWithoutMac();
    void powerWakesTheTV();
    void powerEndsWhenTheWakeUpEndsOffline();
};

void TestSelfTest::summaryAndLists_data()
{
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected");

    const QJsonObject inner{{QStringLiteral("y"), true}, {QStringLiteral("b"), QStringLiteral("电视")}};
    const QJsonObject nested{{QStringLiteral("z"), 1}, {QStringLiteral("a"), inner}};
    QTest::newRow("sorted, compact, unescaped UTF-8")
        << selftest::payloadSummary(nested) << QStringLiteral("{\"a\":{\"b\":\"电视\",\"y\":true},\"z\":1}");

    // The 800th character is astral (two UTF-16 units): it is kept whole, the rest is cut.
    const QString filler(793, QLatin1Char('x'));
    const QString astral = QString::fromUcs4(U"\U0001F4FA");
    const QJsonObject longText{{QStringLiteral("t"), QString(filler + astral + QStringLiteral("tail"))}};
    QTest::newRow("cut at 800 characters")
        << selftest::payloadSummary(longText) << QString(QStringLiteral("{\"t\":\"") + filler + astral);

    QTest::newRow("list") << selftest::quotedList({QStringLiteral("a"), QStringLiteral("b c")})
                          << QStringLiteral("[\"a\", \"b c\"]");
    QTest::newRow("empty list") << selftest::quotedList({}) << QStringLiteral("[]");
    QTest::newRow("escapes") << selftest::quotedList({QStringLiteral("say \"hi\"\\\n")})
                             << QStringLiteral("[\"say \\\"hi\\\"\\\\\\n\"]");
}

void TestSelfTest::summaryAndLists()
{
    QFETCH(QString, actual);
    QFETCH(QString, expected);
    QCOMPARE(actual, expected);
}

void TestSelfTest::basicAndFullScripts_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("full");
    QTest::newRow("empty text runs the basic script") << QString() << false;
    QTest::newRow("unknown text runs the basic script") << QStringLiteral("basic") << false;
    QTest::newRow("full") << QStringLiteral("full") << true;
}

void TestSelfTest::basicAndFullScripts()
{
    QFETCH(QString, mode);
    QFETCH(bool, full);
    Run run(mode);
    QVERIFY(run.f.pair(*run.tv));
    QVERIFY2(run.waitForLine(QStringLiteral("结束")), qPrintable(run.autotestLines().join(u'\n')));

    QStringList expected = basicLines(run);
    if (full) {
        const QString livetv = QStringLiteral("com.webos.app.livetv");
        expected += {
            QStringLiteral("✅ 静音: ") + kOk,
            QStringLiteral("muted=true"),
            QStringLiteral("✅ 取消静音: ") + kOk,
            QStringLiteral("muted=false"),
            QStringLiteral("✅ 设置音量: ") + kOk,
            QStringLiteral("指针移动已发送"),
            QStringLiteral("✅ 切换 HDMI 1: ") + kOk,
            QStringLiteral("前台 com.webos.app.hdmi1 当前来源 HDMI 1"),
            QStringLiteral("✅ 播放: ") + kOk,
            QStringLiteral("前台 com.webos.app.hdmi1（测试前 ") + livetv + QStringLiteral("）"),
            QStringLiteral("✅ 播放: ") + kOk,
        };
    }
    expected.append(QStringLiteral("结束"));
    QCOMPARE(run.autotestLines(), expected);

    // What reached the TV besides the log: the toast, the three keys, the pointer motion.
    QCOMPARE(run.tv->toasts(), QStringList{QStringLiteral("Veltrix 已连接")});
    QStringList buttons;
    int moved = 0;
    for (const QString &frame : run.tv->pointerFrames()) {
        if (frame.startsWith(QStringLiteral("type:button\nname:")))
            buttons.append(frame.section(u'\n', 1, 1).mid(5));
        if (frame.startsWith(QStringLiteral("type:move\n")))
            moved += frame.section(u'\n', 1, 1).mid(3).toInt();
    }
    QCOMPARE(buttons, (QStringList{QStringLiteral("HOME"), QStringLiteral("RIGHT"), QStringLiteral("LEFT"),
                                   QStringLiteral("BACK")}));
    QCOMPARE(moved, full ? 200 : 0);
    QCOMPARE(run.tv->lastPayload(QStringLiteral("audio/setVolume")).value(QStringLiteral("volume")).toInt(),
             full ? 12 : 0);
}

void TestSelfTest::runsOncePerProcess()
{
    Run run(QStringLiteral("basic"));
    QVERIFY(run.f.pair(*run.tv));
    QVERIFY(run.waitForLine(QStringLiteral("结束")));
    QVERIFY(run.selfTest->hasRun());

    // A second registration in the same process skips it.
    run.f.session->disconnect();
    QVERIFY(run.f.pair(*run.tv));
    QTest::qWait(300);
    QCOMPARE(run.autotestLines().count(QStringLiteral("开始")), 1);
    QCOMPARE(run.tv->toasts().size(), 1);
}

void TestSelfTest::nothingWithoutTheSetting()
{
    Run run(std::nullopt);
    QVERIFY(run.f.pair(*run.tv));
    QTest::qWait(300);
    QVERIFY(run.autotestLines().isEmpty());
    QVERIFY(!run.selfTest->hasRun());
    QVERIFY(run.tv->toasts().isEmpty());
}

void TestSelfTest::failedStepsDoNotStopTheScript()
{
    Run run(QStringLiteral("basic"));
    run.tv->failWith(QStringLiteral("com.webos.service.connectionmanager/getinfo"), QStringLiteral("no network"));
    run.tv->errorWith(QStringLiteral("system.notifications/createToast"), QStringLiteral("500 toast broken"));
    QVERIFY(run.f.pair(*run.tv));
    QVERIFY(run.waitForLine(QStringLiteral("结束")));
    const QStringList lines = run.autotestLines();
    QVERIFY2(lines.contains(QStringLiteral("❌ 网络信息: no network")), qPrintable(lines.join(u'\n')));
    QVERIFY2(lines.contains(QStringLiteral("❌ Toast: 500 toast broken")), qPrintable(lines.join(u'\n')));
    QVERIFY(lines.contains(QStringLiteral("MAC -")));  // nothing learnt from the failed getinfo
    QVERIFY(lines.contains(foregroundLine(QStringLiteral("BACK 后前台"), QStringLiteral("com.webos.app.livetv"))));
}

void TestSelfTest::sourceSteps_data()
{
    QTest::addColumn<bool>("inputConnected");
    QTest::addColumn<bool>("aurora");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("uris");

    const QString play = QStringLiteral("media.controls/play");
    const QString launch = QStringLiteral("system.launcher/launch");
    QTest::newRow("nothing connected, no aurora: play twice")
        << false << false << QStringList{QStringLiteral("播放"), QStringLiteral("播放")} << QStringList{play, play};
    QTest::newRow("nothing connected, aurora installed: launch twice")
        << false << true << QStringList{QStringLiteral("启动 Aurora"), QStringLiteral("启动 Aurora")}
        << QStringList{launch, launch};
    QTest::newRow("connected input first, then aurora")
        << true << true << QStringList{QStringLiteral("切换 HDMI 1"), QStringLiteral("启动 Aurora")}
        << QStringList{QStringLiteral("tv/switchInput"), launch};
}

void TestSelfTest::sourceSteps()
{
    QFETCH(bool, inputConnected);
    QFETCH(bool, aurora);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, uris);

    SimulatedTV::Options options = tvOptions(3);
    for (SimulatedTV::Input &input : options.inputs)
        input.connected = inputConnected && input.id == QStringLiteral("HDMI_1");
    if (aurora)
        options.apps.append({QStringLiteral("app.newtvaurora"), QStringLiteral("Aurora")});
    Run run(QStringLiteral("full"), options);
    QVERIFY(run.f.pair(*run.tv));
    QVERIFY(run.waitForLine(QStringLiteral("结束")));

    // The two source steps sit between the pointer line and the final foreground line.
    const QStringList lines = run.autotestLines();
    const qsizetype from = lines.indexOf(QStringLiteral("指针移动已发送"));
    QVERIFY(from > 0);
    QStringList labels;
    for (qsizetype i = from + 1; i < lines.size() && labels.size() < 2; ++i) {
        if (lines[i].startsWith(QStringLiteral("✅ ")))
            labels.append(lines[i].mid(2).section(QStringLiteral(": "), 0, 0));
    }
    QCOMPARE(labels, steps);

    // And on the wire, in order, after the pointer moves: the two source requests, then the
    // closing "play".
    QStringList sent;
    for (const SimulatedTV::Message &message : run.tv->messages()) {
        const QString uri = message.json.value(QStringLiteral("uri")).toString().mid(7);
        if (uri == QStringLiteral("tv/switchInput") || uri == QStringLiteral("system.launcher/launch")
            || uri == QStringLiteral("media.controls/play"))
            sent.append(uri);
    }
    QCOMPARE(sent, uris + QStringList{QStringLiteral("media.controls/play")});
}

void TestSelfTest::powerWithoutMac()
{
    SimulatedTV::Options options = tvOptions(4);
    options.mac.clear();  // getinfo reports nothing the MAC parser reads
    options.turnOffCloseDelayMs = -1;  // stays connected, reporting standby
    Run run(QStringLiteral("power"), options);
    QVERIFY(run.f.pair(*run.tv));
    QVERIFY2(run.waitForLine(QStringLiteral("电源状态 {\"returnValue\":true,\"state\":\"Active Standby\"}")),
             qPrintable(run.autotestLines().join(u'\n')));
    QCOMPARE(run.autotestLines(), (QStringList{
        QStringLiteral("关机前电源状态 {\"returnValue\":true,\"state\":\"Active\"}"),
        QStringLiteral("关机，MAC -"),
        QStringLiteral("关机 8s 后电源状态 {\"returnValue\":true,\"state\":\"Active Standby\"}，界面状态 待机"),
        QStringLiteral("关机后状态 已连接，发送 WOL"),
        QStringLiteral("唤醒结果 连接失败，耗时 0s"),
        // Still connected: the failed wake did not drop the connection.
        QStringLiteral("电源状态 {\"returnValue\":true,\"state\":\"Active Standby\"}"),
    }));
    QCOMPARE(run.f.session->state(), ConnectionState::error(QStringLiteral("未记录电视 MAC，无法网络唤醒")));
    QCOMPARE(run.tv->requestCount(QStringLiteral("system/turnOff")), 1);
}

void TestSelfTest::powerWakesTheTV()
{
    Run run(QStringLiteral("power"), tvOptions(5), Run::Network::waking);
    QVERIFY(run.f.pair(*run.tv));
    QVERIFY2(run.waitForLine(QStringLiteral("唤醒结果 已连接，耗时 0s")), qPrintable(run.autotestLines().join(u'\n')));
    QVERIFY(run.waitForLine(QStringLiteral("电源状态 {\"returnValue\":true,\"state\":\"Active\"}")));
    QCOMPARE(run.autotestLines(), (QStringList{
        QStringLiteral("关机前电源状态 {\"returnValue\":true,\"state\":\"Active\"}"),
        QStringLiteral("关机，MAC a8:23:fe:01:02:03"),
        // The TV has closed the socket by now: no power state, so no line for step 4.
        QStringLiteral("关机后状态 待机，发送 WOL"),
        QStringLiteral("唤醒结果 已连接，耗时 0s"),
        QStringLiteral("电源状态 {\"returnValue\":true,\"state\":\"Active\"}"),
    }));
    // Reconnecting registered again without running the script a second time.
    QCOMPARE(run.tv->registrations(), 2);
    QCOMPARE(run.autotestLines().count(QStringLiteral("关机，MAC a8:23:fe:01:02:03")), 1);
}

// The wait for the wake-up counted "offline" as still waking and polled forever once the
// wake-up had stopped there.
void TestSelfTest::powerEndsWhenTheWakeUpEndsOffline()
{
    Run run(QStringLiteral("power"), tvOptions(6), Run::Network::silent);
    QVERIFY(run.f.pair(*run.tv));
    QVERIFY2(run.waitForLine(QStringLiteral("关机后状态 待机，发送 WOL")), qPrintable(run.autotestLines().join(u'\n')));
    run.f.store->remove(run.id);  // the wake-up stops: nothing left to wake
    QVERIFY(QTest::qWaitFor([&] { return run.f.session->state().is(ConnectionState::Kind::offline); }, 5000));
    const auto ended = [&] {
        const QStringList lines = run.autotestLines();
        return std::any_of(lines.cbegin(), lines.cend(),
                           [](const QString &line) { return line.startsWith(QStringLiteral("唤醒结果 未连接，耗时 ")); });
    };
    QVERIFY2(QTest::qWaitFor(ended, 5000), qPrintable(run.autotestLines().join(u'\n')));
}

QTEST_GUILESS_MAIN(TestSelfTest)
#include "test_selftest.moc"
