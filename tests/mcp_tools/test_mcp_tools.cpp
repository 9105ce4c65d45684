#include "devicestore.h"
#include "log.h"
#include "mcptools.h"
#include "simulatedtv.h"
#include "tvsession.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using namespace std::chrono_literals;

namespace {

const QString kNoPairedTV = QStringLiteral("No paired TV. Pair one in the Veltrix app first.");
const QString kHostA = QStringLiteral("127.0.14.2");
const QString kHostB = QStringLiteral("127.0.14.3");

// Stands in for the machine's network: no discovery, no ARP table, and the magic packet is
// handed to the test so it can decide whether the TV wakes.
class FakeNetwork : public TVNetwork {
public:
    QCoro::Task<QList<SSDPDiscovery::Found>> discover(std::chrono::milliseconds) override
    {
        co_return QList<SSDPDiscovery::Found>();
    }
    std::optional<QString> lookupMAC(const QString &) override { return std::nullopt; }
    bool wake(const QString &mac, const std::optional<QString> &) override
    {
        ++packets;
        lastMac = mac;
        if (onWake)
            onWake(packets);
        return true;
    }

    int packets = 0;
    QString lastMac;
    std::function<void(int)> onWake;
};

struct Outcome {
    bool done = false;
    bool ok = false;
    std::optional<MCPTools::Failure::Kind> failure;
    QString text;
};

QCoro::Task<> runInto(MCPTools *tools, QString name, QJsonObject arguments,
                      std::shared_ptr<Outcome> outcome)
{
    try {
        outcome->text = co_await tools->call(name, arguments);
        outcome->ok = true;
    } catch (const MCPTools::Failure &failure) {
        outcome->failure = failure.kind();
        outcome->text = failure.message();
    } catch (const std::exception &error) {
        outcome->text = QString::fromUtf8(error.what());
    }
    outcome->done = true;
}

QJsonObject args(const char *json)
{
    return QJsonDocument::fromJson(QByteArray(json)).object();
}

QJsonValue parse(const QString &text)
{
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    return document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
}

QList<SimulatedTV::App> testApps()
{
    return {
        {QStringLiteral("com.example.netflixguide"), QStringLiteral("Netflix Guide")},
        {QStringLiteral("netflix"), QStringLiteral("Netflix")},
        {QStringLiteral("youtube.kids"), QStringLiteral("YouTube Kids")},
        {QStringLiteral("youtube.leanback.v4"), QStringLiteral("YouTube")},
        {QStringLiteral("com.webos.app.browser"), QStringLiteral("Web Browser")},
    };
}

QList<SimulatedTV::Input> testInputs()
{
    return {
        {QStringLiteral("HDMI_1"), QStringLiteral("Game Console"), QStringLiteral("com.webos.app.hdmi1"), true},
        {QStringLiteral("HDMI_2"), QStringLiteral("HDMI 2"), QStringLiteral("com.webos.app.hdmi2"), false},
        {QStringLiteral("AV_1"), QStringLiteral("AV"), QStringLiteral("com.webos.app.externalinput.av1"), false},
    };
}

SimulatedTV::Options tvOptions(const QString &host)
{
    SimulatedTV::Options options;
    options.address = QHostAddress(host);
    options.pairing = SimulatedTV::Pairing::Auto;
    options.apps = testApps();
    options.inputs = testInputs();
    return options;
}

} // namespace

class TestMCPTools : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DeviceStore> m_store;
    std::unique_ptr<TVSession> m_session;
    FakeNetwork *m_network = nullptr;
    std::unique_ptr<SimulatedTV> m_tv;
    std::unique_ptr<SimulatedTV> m_tv2;
    std::unique_ptr<MCPTools> m_tools;

    Outcome run(const QString &name, const QJsonObject &arguments = QJsonObject(),
                int timeoutMs = 20000)
    {
        auto outcome = std::make_shared<Outcome>();
        runInto(m_tools.get(), name, arguments, outcome);
        (void)QTest::qWaitFor([&] { return outcome->done; }, timeoutMs);
        return *outcome;
    }

    void setTiming(const std::function<void(TVSession::Timing &)> &change)
    {
        TVSession::Timing timing = m_session->timing();
        change(timing);
        m_session->setTiming(timing);
    }

    SimulatedTV *startTV(std::unique_ptr<SimulatedTV> &slot, const QString &host)
    {
        slot = std::make_unique<SimulatedTV>(tvOptions(host));
        if (!slot->start())
            qWarning("simulated TV on %s: %s", qPrintable(host), qPrintable(slot->errorString()));
        return slot.get();
    }

    // Saves the TV, connects and waits until pairing, the lists and the MAC are all in.
    bool pair(const QString &host, const QString &name = QString())
    {
        const TVDevice device = m_store->upsert(host, std::nullopt,
                                                name.isEmpty() ? std::nullopt : std::optional<QString>(name));
        const SimulatedTV *tv = host == kHostA ? m_tv.get() : m_tv2.get();
        m_session->connect(device.id);
        return QTest::qWaitFor([&] {
            const std::optional<TVDevice> saved = m_store->device(device.id);
            return m_session->state().is(ConnectionState::Kind::ready) && saved && saved->mac
                && m_session->inputs().size() == tv->inputs().size()
                && m_session->apps().size() == tv->apps().size()
                && m_session->powerState() == QLatin1String("Active");
        }, 10000);
    }

    void expectFailure(const Outcome &outcome, const QString &text)
    {
        QVERIFY2(outcome.done, "tool did not finish");
        QVERIFY2(!outcome.ok, qPrintable(QStringLiteral("unexpected success: ") + outcome.text));
        QCOMPARE(outcome.text, text);
    }

    void expectSuccess(const Outcome &outcome, const QString &text)
    {
        QVERIFY2(outcome.done, "tool did not finish");
        QVERIFY2(outcome.ok, qPrintable(QStringLiteral("unexpected failure: ") + outcome.text));
        QCOMPARE(outcome.text, text);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        veltrix::setLogFilePath(m_dir->filePath(QStringLiteral("app.log")));
        m_store = std::make_unique<DeviceStore>(m_dir->filePath(QStringLiteral("settings.ini")));
        auto network = std::make_unique<FakeNetwork>();
        m_network = network.get();
        m_session = std::make_unique<TVSession>(m_store.get(), std::move(network));
        setTiming([](TVSession::Timing &t) {
            t.wakeFirstWait = 50ms;
            t.wakeBetweenAttempts = 50ms;
            t.wakePoll = 20ms;
            t.ensurePoll = 20ms;
            t.helloTimeout = 2000ms;
            t.registerTimeout = 2000ms;
        });
        m_tools = std::make_unique<MCPTools>(m_session.get());
    }

    void cleanup()
    {
        m_tools.reset();
        m_session.reset();
        m_network = nullptr;
        m_tv.reset();
        m_tv2.reset();
        m_store.reset();
        veltrix::flushLog();
        m_dir.reset();
    }

    // ---- catalogue --------------------------------------------------------------------

    void catalogue_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QByteArray>("properties");
        QTest::addColumn<QByteArray>("required");

        const QByteArray buttons =
            R"(["UP","DOWN","LEFT","RIGHT","OK","ENTER","BACK","HOME","MENU","EXIT","INFO","RED","GREEN","YELLOW","BLUE","PLAY","PAUSE","STOP","REWIND","FASTFORWARD","VOLUMEUP","VOLUMEDOWN","MUTE","CHANNELUP","CHANNELDOWN","0","1","2","3","4","5","6","7","8","9"])";
        QTest::newRow("1") << "tv_status"
            << "Get TV connection, power state, volume, mute, foreground app/input and the list of inputs."
            << QByteArray("{}") << QByteArray("[]");
        QTest::newRow("2") << "tv_list_devices" << "List TVs saved in Veltrix and which one is selected."
            << QByteArray("{}") << QByteArray("[]");
        QTest::newRow("3") << "tv_select_device" << "Select a saved, paired TV and connect to it."
            << QByteArray(R"({"device":{"type":"string","description":"Device id, name or IP address from tv_list_devices"}})")
            << QByteArray(R"(["device"])");
        QTest::newRow("4") << "tv_list_apps" << "List installed TV apps (id and title)."
            << QByteArray("{}") << QByteArray("[]");
        QTest::newRow("5") << "tv_launch_app" << "Launch a TV app by id or (partial) title."
            << QByteArray(R"({"app":{"type":"string","description":"App id like 'youtube.leanback.v4' or a title like 'YouTube'"}})")
            << QByteArray(R"(["app"])");
        QTest::newRow("6") << "tv_list_inputs" << "List external inputs (HDMI etc.) with connection status."
            << QByteArray("{}") << QByteArray("[]");
        QTest::newRow("7") << "tv_switch_input" << "Switch to an external input by id (e.g. HDMI_2) or label."
            << QByteArray(R"({"input":{"type":"string","description":"Input id or label from tv_list_inputs"}})")
            << QByteArray(R"(["input"])");
        QTest::newRow("8") << "tv_press_button"
            << "Press a remote-control button. OK/ENTER confirms the focused item."
            << (QByteArray(R"({"button":{"type":"string","enum":)") + buttons
                + R"(},"repeat":{"type":"integer","minimum":1,"maximum":20,"description":"Times to press, default 1"}})")
            << QByteArray(R"(["button"])");
        QTest::newRow("9") << "tv_volume"
            << "Change volume: step up/down or set an absolute level (0-100). Returns the new volume."
            << QByteArray(R"({"action":{"type":"string","enum":["up","down","set"]},"level":{"type":"integer","minimum":0,"maximum":100,"description":"Required when action is 'set'"}})")
            << QByteArray(R"(["action"])");
        QTest::newRow("10") << "tv_mute" << "Mute or unmute the TV."
            << QByteArray(R"({"muted":{"type":"boolean"}})") << QByteArray(R"(["muted"])");
        QTest::newRow("11") << "tv_media" << "Media playback control for the current app."
            << QByteArray(R"({"action":{"type":"string","enum":["play","pause","stop","rewind","fastForward"]}})")
            << QByteArray(R"(["action"])");
        QTest::newRow("12") << "tv_channel" << "Change live TV channel."
            << QByteArray(R"({"action":{"type":"string","enum":["up","down"]}})") << QByteArray(R"(["action"])");
        QTest::newRow("13") << "tv_input_text"
            << "Type text into the focused text field on the TV (e.g. a search box)."
            << QByteArray(R"({"text":{"type":"string"},"submit":{"type":"boolean","description":"Press Enter after typing, default false"}})")
            << QByteArray(R"(["text"])");
        QTest::newRow("14") << "tv_power"
            << "Turn the TV off, or on via Wake-on-LAN (requires TV network wake setting)."
            << QByteArray(R"({"action":{"type":"string","enum":["on","off"]}})") << QByteArray(R"(["action"])");
        QTest::newRow("15") << "tv_notify" << "Show a toast notification on the TV screen."
            << QByteArray(R"({"message":{"type":"string"}})") << QByteArray(R"(["message"])");
    }

    void catalogue()
    {
        QFETCH(QString, name);
        QFETCH(QString, description);
        QFETCH(QByteArray, properties);
        QFETCH(QByteArray, required);

        const QJsonArray &tools = MCPTools::definitions();
        QCOMPARE(tools.size(), 15);
        const int index = QString::fromLatin1(QTest::currentDataTag()).toInt() - 1;
        const QJsonObject tool = tools.at(index).toObject();
        QCOMPARE(tool.keys(), QStringList({QStringLiteral("description"), QStringLiteral("inputSchema"),
                                           QStringLiteral("name")}));
        QCOMPARE(tool.value(QStringLiteral("name")).toString(), name);
        QCOMPARE(tool.value(QStringLiteral("description")).toString(), description);

        const QJsonObject schema = tool.value(QStringLiteral("inputSchema")).toObject();
        QCOMPARE(schema.keys(), QStringList({QStringLiteral("properties"), QStringLiteral("required"),
                                             QStringLiteral("type")}));
        QCOMPARE(schema.value(QStringLiteral("type")).toString(), QStringLiteral("object"));
        QVERIFY(schema.value(QStringLiteral("properties")).isObject());
        QVERIFY(schema.value(QStringLiteral("required")).isArray());
        QCOMPARE(schema.value(QStringLiteral("properties")).toObject(),
                 QJsonDocument::fromJson(properties).object());
        QCOMPARE(schema.value(QStringLiteral("required")).toArray(),
                 QJsonDocument::fromJson(required).array());
        // Built once: every call hands out the same array.
        QCOMPARE(&MCPTools::definitions(), &tools);
    }

    void unknownTool()
    {
        const Outcome outcome = run(QStringLiteral("tv_reboot"));
        QVERIFY(outcome.done && !outcome.ok);
        QCOMPARE(outcome.failure, std::optional(MCPTools::Failure::Kind::unknownTool));
        // Names are matched exactly.
        QCOMPARE(run(QStringLiteral("TV_STATUS")).failure,
                 std::optional(MCPTools::Failure::Kind::unknownTool));
    }

    // ---- without a paired TV ----------------------------------------------------------

    void noPairedTV_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("arguments");
        QTest::addColumn<bool>("unpairedRecord");
        const QList<QPair<const char *, const char *>> calls = {
            {"tv_list_apps", "{}"},
            {"tv_launch_app", R"({"app":"YouTube"})"},
            {"tv_list_inputs", "{}"},
            {"tv_switch_input", R"({"input":"HDMI_1"})"},
            {"tv_press_button", R"({"button":"OK"})"},
            {"tv_volume", R"({"action":"up"})"},
            {"tv_mute", R"({"muted":true})"},
            {"tv_media", R"({"action":"play"})"},
            {"tv_channel", R"({"action":"up"})"},
            {"tv_input_text", R"({"text":"hi"})"},
            {"tv_power", R"({"action":"off"})"},
            {"tv_notify", R"({"message":"hi"})"},
        };
        for (const auto &call : calls) {
            QTest::addRow("%s none", call.first) << QString::fromLatin1(call.first) << QByteArray(call.second) << false;
            QTest::addRow("%s unpaired", call.first) << QString::fromLatin1(call.first) << QByteArray(call.second) << true;
        }
    }

    void noPairedTV()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, arguments);
        QFETCH(bool, unpairedRecord);
        SimulatedTV *tv = startTV(m_tv, kHostA);
        if (unpairedRecord)
            m_store->setSelectedID(m_store->upsert(kHostA).id);
        expectFailure(run(name, args(arguments.constData())), kNoPairedTV);
        QCOMPARE(m_session->state(), ConnectionState::offline());
        QCOMPARE(tv->tcpConnections(), 0);
    }

    void statusWithoutTV()
    {
        const Outcome outcome = run(QStringLiteral("tv_status"));
        QVERIFY(outcome.ok);
        const QJsonObject status = parse(outcome.text).toObject();
        QCOMPARE(status.value(QStringLiteral("connection")).toString(), QStringLiteral("offline"));
        QVERIFY(status.value(QStringLiteral("device")).isNull());
        QCOMPARE(status.value(QStringLiteral("power")).toString(), QStringLiteral("unknown"));
        QCOMPARE(status.value(QStringLiteral("volume")).toInt(-1), 0);
        QCOMPARE(status.value(QStringLiteral("muted")).toBool(true), false);
        QCOMPARE(status.value(QStringLiteral("inputs")).toArray(), QJsonArray());
        QCOMPARE(status.keys().size(), 7);
        expectSuccess(run(QStringLiteral("tv_list_devices")), QStringLiteral("[\n]"));
    }

    void statusUnpairedDoesNotConnect()
    {
        SimulatedTV *tv = startTV(m_tv, kHostA);
        m_store->setSelectedID(m_store->upsert(kHostA, std::nullopt, QStringLiteral("Den")).id);
        const Outcome outcome = run(QStringLiteral("tv_status"));
        QVERIFY(outcome.ok);
        const QJsonObject device = parse(outcome.text).toObject().value(QStringLiteral("device")).toObject();
        QCOMPARE(device.value(QStringLiteral("name")).toString(), QStringLiteral("Den"));
        QCOMPARE(device.value(QStringLiteral("host")).toString(), kHostA);
        QCOMPARE(device.value(QStringLiteral("model")).toString(), QStringLiteral("LG webOS TV"));
        QCOMPARE(device.value(QStringLiteral("paired")).toBool(true), false);
        QCOMPARE(tv->tcpConnections(), 0);
    }

    // ---- status and lists -------------------------------------------------------------

    void status_data()
    {
        QTest::addColumn<QString>("foreground");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("active");
        QTest::newRow("input") << "com.webos.app.hdmi1" << "Game Console" << "HDMI_1";
        QTest::newRow("app") << "netflix" << "Netflix" << "";
        QTest::newRow("unknown") << "com.example.other" << "com.example.other" << "";
        // An input the TV gave no app id must not count as showing when nothing is known.
        QTest::newRow("empty") << "" << "" << "";
    }

    void status()
    {
        QFETCH(QString, foreground);
        QFETCH(QString, title);
        QFETCH(QString, active);
        SimulatedTV *tv = startTV(m_tv, kHostA);
        QList<SimulatedTV::Input> inputs = testInputs();
        inputs.append({QStringLiteral("HDMI_3"), QStringLiteral("HDMI 3"), QString(), false});
        tv->setInputs(inputs);
        tv->setVolume(33);
        tv->setMuted(true);
        QVERIFY(pair(kHostA));
        tv->setForegroundApp(foreground);
        QTRY_COMPARE(m_session->foregroundAppId(), foreground);
        QTRY_COMPARE(m_session->volume(), 33);
        QTRY_VERIFY(m_session->muted());

        const Outcome outcome = run(QStringLiteral("tv_status"));
        QVERIFY(outcome.ok);
        const QJsonObject status = parse(outcome.text).toObject();
        QCOMPARE(status.value(QStringLiteral("connection")).toString(), QStringLiteral("ready"));
        QCOMPARE(status.value(QStringLiteral("power")).toString(), QStringLiteral("Active"));
        QCOMPARE(status.value(QStringLiteral("volume")).toInt(), 33);
        QCOMPARE(status.value(QStringLiteral("muted")).toBool(), true);
        QCOMPARE(status.value(QStringLiteral("device")).toObject(),
                 QJsonObject({{QStringLiteral("name"), QStringLiteral("LG 电视")},
                              {QStringLiteral("model"), QStringLiteral("LG OLED55C1PUB")},
                              {QStringLiteral("host"), kHostA},
                              {QStringLiteral("paired"), true}}));
        QCOMPARE(status.value(QStringLiteral("foreground")).toObject(),
                 QJsonObject({{QStringLiteral("id"), foreground}, {QStringLiteral("title"), title}}));
        const QJsonArray listed = status.value(QStringLiteral("inputs")).toArray();
        QCOMPARE(listed.size(), inputs.size());
        for (int i = 0; i < inputs.size(); ++i) {
            const QJsonObject input = listed.at(i).toObject();
            QCOMPARE(input, QJsonObject({{QStringLiteral("id"), inputs[i].id},
                                         {QStringLiteral("label"), inputs[i].label},
                                         {QStringLiteral("connected"), inputs[i].connected},
                                         {QStringLiteral("active"), inputs[i].id == active}}));
        }
        // The inputs tool reloads the list and reports it in the same form.
        tv->clearRecord();
        const Outcome listedInputs = run(QStringLiteral("tv_list_inputs"));
        QVERIFY(listedInputs.ok);
        QCOMPARE(parse(listedInputs.text).toArray(), listed);
        QCOMPARE(tv->requestCount(QStringLiteral("tv/getExternalInputList")), 1);
    }

    void statusReconnectsPairedTV()
    {
        startTV(m_tv, kHostA);
        QVERIFY(pair(kHostA));
        m_session->disconnect();
        const Outcome outcome = run(QStringLiteral("tv_status"));
        QVERIFY(outcome.ok);
        QCOMPARE(parse(outcome.text).toObject().value(QStringLiteral("connection")).toString(),
                 QStringLiteral("ready"));

        // A failing ready-wait is reported in the status, not as a failure.
        m_tv->setStandby(true);
        QTRY_COMPARE(m_session->state(), ConnectionState::sleeping());
        const Outcome asleep = run(QStringLiteral("tv_status"));
        QVERIFY(asleep.ok);
        QCOMPARE(parse(asleep.text).toObject().value(QStringLiteral("connection")).toString(),
                 QStringLiteral("standby"));
    }

    void listDevicesAndApps()
    {
        startTV(m_tv, kHostA);
        const TVDevice spare = m_store->upsert(QStringLiteral("127.0.14.9"), std::nullopt,
                                               QStringLiteral("Spare"), QStringLiteral("LG 43UK"));
        QVERIFY(pair(kHostA));
        const TVDevice paired = *m_store->selectedDevice();

        const Outcome devices = run(QStringLiteral("tv_list_devices"));
        QVERIFY(devices.ok);
        QCOMPARE(parse(devices.text).toArray(),
                 QJsonArray({QJsonObject({{QStringLiteral("id"), spare.id},
                                          {QStringLiteral("name"), QStringLiteral("Spare")},
                                          {QStringLiteral("model"), QStringLiteral("LG 43UK")},
                                          {QStringLiteral("host"), QStringLiteral("127.0.14.9")},
                                          {QStringLiteral("paired"), false},
                                          {QStringLiteral("selected"), false}}),
                             QJsonObject({{QStringLiteral("id"), paired.id},
                                          {QStringLiteral("name"), QStringLiteral("LG 电视")},
                                          {QStringLiteral("model"), QStringLiteral("LG OLED55C1PUB")},
                                          {QStringLiteral("host"), kHostA},
                                          {QStringLiteral("paired"), true},
                                          {QStringLiteral("selected"), true}})}));
        // Pretty-printed: one member per line.
        QVERIFY(devices.text.contains(QLatin1Char('\n')));

        m_tv->setApps({{QStringLiteral("a.b"), QStringLiteral("Äpp")}, {QStringLiteral("c"), QStringLiteral("C")}});
        const Outcome apps = run(QStringLiteral("tv_list_apps"));
        QVERIFY(apps.ok);
        QCOMPARE(parse(apps.text).toArray(),
                 QJsonArray({QJsonObject({{QStringLiteral("id"), QStringLiteral("a.b")},
                                          {QStringLiteral("title"), QStringLiteral("Äpp")}}),
                             QJsonObject({{QStringLiteral("id"), QStringLiteral("c")},
                                          {QStringLiteral("title"), QStringLiteral("C")}})}));
    }

    // ---- selecting a TV ---------------------------------------------------------------

    void selectDevice_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("expected"); // "A", "B" or an error text
        QTest::newRow("host") << kHostB << "B";
        QTest::newRow("id") << "id:B" << "B";
        QTest::newRow("name part, any case") << "BEDR" << "B";
        QTest::newRow("same TV") << "living" << "A";
        QTest::newRow("host exact only") << "127.0.14" << "No saved TV matches '127.0.14'";
        QTest::newRow("no match") << "Kitchen" << "No saved TV matches 'Kitchen'";
        QTest::newRow("empty") << "" << "Missing 'device'";
    }

    void selectDevice()
    {
        QFETCH(QString, query);
        QFETCH(QString, expected);
        startTV(m_tv, kHostA);
        startTV(m_tv2, kHostB);
        QVERIFY(pair(kHostB, QStringLiteral("Bedroom")));
        QVERIFY(pair(kHostA, QStringLiteral("Living Room")));
        const QList<TVDevice> devices = m_store->devices();
        const QString idA = devices.at(1).id;
        const QString idB = devices.at(0).id;
        if (query == QLatin1String("id:B"))
            query = idB;
        const int connectionsA = m_tv->controlConnections();
        const int connectionsB = m_tv2->controlConnections();

        const Outcome outcome = run(QStringLiteral("tv_select_device"),
                                    QJsonObject({{QStringLiteral("device"), query}}));
        if (expected == QLatin1String("B")) {
            expectSuccess(outcome, QStringLiteral("Connected to Bedroom (127.0.14.3)"));
            QCOMPARE(m_store->selectedIDText(), idB);
            // The session really talks to the newly selected TV.
            QCOMPARE(m_session->client()->host(), kHostB);
            QCOMPARE(m_tv2->controlConnections(), connectionsB + 1);
        } else if (expected == QLatin1String("A")) {
            expectSuccess(outcome, QStringLiteral("Connected to Living Room (127.0.14.2)"));
            QCOMPARE(m_store->selectedIDText(), idA);
            QCOMPARE(m_tv->controlConnections(), connectionsA);
        } else {
            expectFailure(outcome, expected);
            QCOMPARE(outcome.failure, std::optional(MCPTools::Failure::Kind::invalid));
            QCOMPARE(m_store->selectedIDText(), idA);
            QCOMPARE(m_tv2->controlConnections(), connectionsB);
        }
    }

    void selectUnpairedKeepsSelection()
    {
        startTV(m_tv, kHostA);
        QVERIFY(pair(kHostA));
        const TVDevice unpaired = m_store->upsert(QStringLiteral("127.0.14.9"), std::nullopt,
                                                  QStringLiteral("Hall"));
        expectFailure(run(QStringLiteral("tv_select_device"),
                          args(R"({"device":"hall"})")), kNoPairedTV);
        QCOMPARE(m_store->selectedIDText(), unpaired.id);
        // Commands must not keep reaching the previous TV under the new selection.
        QCOMPARE(m_session->state(), ConnectionState::offline());
        expectFailure(run(QStringLiteral("tv_channel"), args(R"({"action":"up"})")), kNoPairedTV);
        QCOMPARE(m_tv->requestCount(QStringLiteral("tv/channelUp")), 0);
    }

    // ---- apps and inputs --------------------------------------------------------------

    void launchApp_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("launched");
        QTest::newRow("exact id beats a title containing it") << "netflix" << "Launched Netflix (netflix)" << "netflix";
        QTest::newRow("title in any case beats containment") << "youtube" << "Launched YouTube (youtube.leanback.v4)" << "youtube.leanback.v4";
        QTest::newRow("first containing in list order") << "tube" << "Launched YouTube Kids (youtube.kids)" << "youtube.kids";
        QTest::newRow("partial title any case") << "BROWSER" << "Launched Web Browser (com.webos.app.browser)" << "com.webos.app.browser";
        QTest::newRow("partial id") << "app.brow" << "Launched Web Browser (com.webos.app.browser)" << "com.webos.app.browser";
        QTest::newRow("no match") << "Hulu" << "No app matches 'Hulu'. Use tv_list_apps." << "";
        QTest::newRow("empty") << "" << "Missing 'app'" << "";
    }

    void launchApp()
    {
        QFETCH(QString, query);
        QFETCH(QString, result);
        QFETCH(QString, launched);
        startTV(m_tv, kHostA);
        QVERIFY(pair(kHostA));
        m_tv->clearRecord();
        const Outcome outcome = run(QStringLiteral("tv_launch_app"), QJsonObject({{QStringLiteral("app"), query}}));
        if (launched.isEmpty()) {
            expectFailure(outcome, result);
            QCOMPARE(m_tv->requestCount(QStringLiteral("system.launcher/launch")), 0);
        } else {
            expectSuccess(outcome, result);
            QCOMPARE(m_tv->requestCount(QStringLiteral("system.launcher/launch")), 1);
            QCOMPARE(m_tv->lastPayload(QStringLiteral("system.launcher/launch")),
                     QJsonObject({{QStringLiteral("id"), launched}}));
        }
    }

    void switchInput_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("switched");
        QTest::newRow("id any case") << "hdmi_2" << "Switched to HDMI 2 (HDMI_2)" << "HDMI_2";
        QTest::newRow("label part") << "game" << "Switched to Game Console (HDMI_1)" << "HDMI_1";
        QTest::newRow("label before partial id") << "hdmi" << "Switched to HDMI 2 (HDMI_2)" << "HDMI_2";
        QTest::newRow("short label") << "AV" << "Switched to AV (AV_1)" << "AV_1";
        QTest::newRow("no match") << "DVI" << "No input matches 'DVI'. Use tv_list_inputs." << "";
        QTest::newRow("empty") << "" << "Missing 'input'" << "";
    }

    void switchInput()
    {
        QFETCH(QString, query);
        QFETCH(QString, result);
        QFETCH(QString, switched);
        startTV(m_tv, kHostA);
        QVERIFY(pair(kHostA));
        m_tv->clearRecord();
        const Outcome outcome = run(QStringLiteral("tv_switch_input"), QJsonObject({{QStringLiteral("input"), query}}));
        if (switched.isEmpty()) {
            expectFailure(outcome, result);
            QCOMPARE(m_tv->requestCount(QStringLiteral("tv/switchInput")), 0);
        } else {
            expectSuccess(outcome, result);
            QCOMPARE(m_tv->lastPayload(QStringLiteral("tv/switchInput")),
                     QJsonObject({{QStringLiteral("inputId"), switched}}));
        }
    }

    // ---- buttons ----------------------------------------------------------------------

    void pressButton_data()
    {
        QTest::addColumn<QByteArray>("arguments");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("presses");
        QTest::newRow("ok is enter") << QByteArray(R"({"button":"ok"})") << "Pressed OK" << "ENTER" << 1;
        QTest::newRow("repeat clamped") << QByteArray(R"({"button":"up","repeat":50})") << "Pressed UP \u00D720" << "UP" << 20;
        QTest::newRow("repeat 3") << QByteArray(R"({"button":"5","repeat":3})") << "Pressed 5 \u00D73" << "5" << 3;
        QTest::newRow("repeat 0") << QByteArray(R"({"button":"up","repeat":0})") << "Pressed UP" << "UP" << 1;
        QTest::newRow("fractional repeat") << QByteArray(R"({"button":"Back","repeat":2.5})") << "Pressed BACK" << "BACK" << 1;
        QTest::newRow("string repeat") << QByteArray(R"({"button":"HOME","repeat":"3"})") << "Pressed HOME" << "HOME" << 1;
        QTest::newRow("unsupported") << QByteArray(R"({"button":"power"})") << "Unsupported button 'POWER'" << "" << 0;
        QTest::newRow("missing") << QByteArray(R"({"repeat":2})") << "Missing 'button'" << "" << 0;
        QTest::newRow("not a string") << QByteArray(R"({"button":1})") << "Missing 'button'" << "" << 0;
    }

    void pressButton()
    {
        QFETCH(QByteArray, arguments);
        QFETCH(QString, result);
        QFETCH(QString, key);
        QFETCH(int, presses);
        startTV(m_tv, kHostA);
        QVERIFY(pair(kHostA));
        QTRY_VERIFY(m_tv->openPointerConnections() > 0);
        m_tv->clearRecord();

        QElapsedTimer clock;
        clock.start();
        const Outcome outcome = run(QStringLiteral("tv_press_button"), args(arguments.constData()));
        const qint64 elapsed = clock.elapsed();
        if (presses == 0) {
            expectFailure(outcome, result);
            QTest::qWait(100);
            QCOMPARE(m_tv->pointerFrames(), QStringList());
            return;
        }
        expectSuccess(outcome, result);
        const QString frame = QStringLiteral("type:button\nname:") + key + QStringLiteral("\n\n");
        QTRY_COMPARE(m_tv->pointerFrames().size(), presses);
        QCOMPARE(m_tv->pointerFrames(), QStringList(QList<QString>(presses, frame)));
        // Presses are spaced, not fired in one burst.
        QVERIFY2(elapsed >= (presses - 1) * 170, qPrintable(QString::number(elapsed)));
    }

    // ---- volume, mute, media, channel -------------------------------------------------

    void volume_data()
    {
        QTest::addColumn<QByteArray>("arguments");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("uri");
        QTest::newRow("set") << QByteArray(R"({"action":"set","level":50})") << "Volume: 50" << "audio/setVolume";
        QTest::newRow("set 0") << QByteArray(R"({"action":"set","level":0})") << "Volume: 0" << "audio/setVolume";
        QTest::newRow("up ignores level") << QByteArray(R"({"action":"up","level":90})") << "" << "audio/volumeUp";
        QTest::newRow("down") << QByteArray(R"({"action":"down"})") << "" << "audio/volumeDown";
        const QString range = QStringLiteral("'level' must be 0-100");
        QTest::newRow("101") << QByteArray(R"({"action":"set","level":101})") << range << "";
        QTest::newRow("-1") << QByteArray(R"({"action":"set","level":-1})") << range << "";
        QTest::newRow("50.5") << QByteArray(R"({"action":"set","level":50.5})") << range << "";
        QTest::newRow("string") << QByteArray(R"({"action":"set","level":"50"})") << range << "";
        QTest::newRow("no level") << QByteArray(R"({"action":"set"})") << range << "";
        QTest::newRow("wrong case") << QByteArray(R"({"action":"UP"})") << "action must be up, down or set" << "";
        QTest::newRow("missing") << QByteArray("{}") << "Missing 'action'" << "";
    }

    void volume()
    {
        QFETCH(QByteArray, arguments);
        QFETCH(QString, result);
        QFETCH(QString, uri);
        startTV(m_tv, kHostA);
        QVERIFY(pair(kHostA));
        QTRY_COMPARE(m_session->volume(), 12);
        m_tv->clearRecord();
        const Outcome outcome = run(QStringLiteral("tv_volume"), args(arguments.constData()));
        const QStringList all = {QStringLiteral("audio/setVolume"), QStringLiteral("audio/volumeUp"),
                                 QStringLiteral("audio/volumeDown")};
        if (uri.isEmpty()) {
            expectFailure(outcome, result);
            for (const QString &u : all)
                QCOMPARE(m_tv->requestCount(u), 0);
            return;
        }
        QVERIFY2(outcome.ok, qPrintable(outcome.text));
        if (!result.isEmpty())
            QCOMPARE(outcome.text, result);
        else
            QVERIFY(outcome.text.startsWith(QStringLiteral("Volume: ")));
        for (const QString &u : all)
            QCOMPARE(m_tv->requestCount(u), u == uri ? 1 : 0);
        if (uri == QLatin1String("audio/setVolume")) {
            const int level = args(arguments.constData()).value(QStringLiteral("level")).toInt();
            QCOMPARE(m_tv->lastPayload(uri), QJsonObject({{QStringLiteral("volume"), level}}));
            QCOMPARE(m_tv->volume(), level);
        }
    }

    void volumeReportsReplyLevel()
    {
        startTV(m_tv, kHostA);
        QVERIFY(pair(kHostA));
        m_tv->replyWith(QStringLiteral("audio/volumeUp"),
                        QJsonObject({{QStringLiteral("returnValue"), true}, {QStringLiteral("volume"), 77}}));
        expectSuccess(run(QStringLiteral("tv_volume"), args(R"({"action":"up"})")), QStringLiteral("Volume: 77"));
        // Without a level in the reply, a step reports the session's value.
        m_tv->replyWith(QStringLiteral("audio/volumeDown"), QJsonObject({{QStringLiteral("returnValue"), true}}));
        const int known = m_session->volume();
        expectSuccess(run(QStringLiteral("tv_volume"), args(R"({"action":"down"})")),
                      QStringLiteral("Volume: ") + QString::number(known));
        // ...and "set" reports the level it set, not the value from before.
        m_tv->replyWith(QStringLiteral("audio/setVolume"), QJsonObject({{QStringLiteral("returnValue"), true}}));
        expectSuccess(run(QStringLiteral("tv_volume"), args(R"({"action":"set","level":64})")),
                      QStringLiteral("Volume: 64"));
    }

    void simpleCommands_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QByteArray>("arguments");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("uri"); // empty: nothing may be sent
        QTest::addColumn<QByteArray>("payload");
        QTest::newRow("mute") << "tv_mute" << QByteArray(R"({"muted":true})") << "Muted" << "audio/setMute" << QByteArray(R"({"mute":true})");
        QTest::newRow("unmute") << "tv_mute" << QByteArray(R"({"muted":false})") << "Unmuted" << "audio/setMute" << QByteArray(R"({"mute":false})");
        QTest::newRow("mute string") << "tv_mute" << QByteArray(R"({"muted":"true"})") << "'muted' must be boolean" << "" << QByteArray();
        QTest::newRow("mute missing") << "tv_mute" << QByteArray("{}") << "'muted' must be boolean" << "" << QByteArray();
        for (const char *action : {"play", "pause", "stop", "rewind", "fastForward"}) {
            QTest::addRow("media %s", action) << "tv_media" << (QByteArray(R"({"action":")") + action + "\"}")
                << QStringLiteral("Media ") + QLatin1String(action)
                << QStringLiteral("media.controls/") + QLatin1String(action) << QByteArray("{}");
        }
        QTest::newRow("media case") << "tv_media" << QByteArray(R"({"action":"Play"})") << "Unsupported action" << "" << QByteArray();
        QTest::newRow("media missing") << "tv_media" << QByteArray(R"({"action":""})") << "Missing 'action'" << "" << QByteArray();
        QTest::newRow("channel up") << "tv_channel" << QByteArray(R"({"action":"up"})") << "Channel up" << "tv/channelUp" << QByteArray("{}");
        QTest::newRow("channel down") << "tv_channel" << QByteArray(R"({"action":"down"})") << "Channel down" << "tv/channelDown" << QByteArray("{}");
        QTest::newRow("channel other") << "tv_channel" << QByteArray(R"({"action":"next"})") << "action must be up or down" << "" << QByteArray();
        QTest::newRow("notify") << "tv_notify" << QByteArray(R"({"message":"晚饭好了"})") << "Notification shown"
            << "system.notifications/createToast" << QByteArray(R"({"message":"晚饭好了"})");
        QTest::newRow("notify missing") << "tv_notify" << QByteArray(R"({"message":null})") << "Missing 'message'" << "" << QByteArray();
        QTest::newRow("text empty") << "tv_input_text" << QByteArray(R"({"text":"","submit":true})") << "Missing 'text'" << "" << QByteArray();
        QTest::newRow("power off") << "tv_power" << QByteArray(R"({"action":"off"})") << "TV turned off (standby)" << "system/turnOff" << QByteArray("{}");
        QTest::newRow("power other") << "tv_power" << QByteArray(R"({"action":"reboot"})") << "action must be on or off" << "" << QByteArray();
        QTest::newRow("power missing") << "tv_power" << QByteArray("{}") << "Missing 'action'" << "" << QByteArray();
    }

    void simpleCommands()
    {
        QFETCH(QString, tool);
        QFETCH(QByteArray, arguments);
        QFETCH(QString, result);
        QFETCH(QString, uri);
        QFETCH(QByteArray, payload);
        startTV(m_tv, kHostA);
        QVERIFY(pair(kHostA));
        m_tv->clearRecord();
        const Outcome outcome = run(tool, args(arguments.constData()));
        if (uri.isEmpty()) {
            expectFailure(outcome, result);
            QCOMPARE(outcome.failure, std::optional(MCPTools::Failure::Kind::invalid));
            QCOMPARE(m_tv->messages().size(), 0);
            return;
        }
        expectSuccess(outcome, result);
        QCOMPARE(m_tv->requestCount(uri), 1);
        QCOMPARE(m_tv->lastPayload(uri), QJsonDocument::fromJson(payload).object());
    }

    void inputText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("submit");
        QTest::addColumn<bool>("focused");
        QTest::addColumn<QString>("result");
        const QString warning = QStringLiteral(" (warning: no focused text field reported)");
        QTest::newRow("plain") << "hello" << false << true << "Typed 5 characters";
        QTest::newRow("submit") << "news" << true << true << "Typed 4 characters";
        // User-perceived characters: a skin-toned emoji and a combining accent count once.
        QTest::newRow("graphemes") << QStringLiteral("e\u0301 \U0001F44D\U0001F3FD 中文") << false << true << "Typed 6 characters";
        QTest::newRow("no field") << "hi" << false << false << QStringLiteral("Typed 2 characters") + warning;
    }

    void inputText()
    {
        QFETCH(QString, text);
        QFETCH(bool, submit);
        QFETCH(bool, focused);
        QFETCH(QString, result);
        startTV(m_tv, kHostA);
        QVERIFY(pair(kHostA));
        m_tv->setKeyboardFocus(focused);
        QTRY_COMPARE(m_session->keyboardFocused(), focused);
        m_tv->clearRecord();
        QJsonObject arguments{{QStringLiteral("text"), text}};
        if (submit)
            arguments.insert(QStringLiteral("submit"), true);
        expectSuccess(run(QStringLiteral("tv_input_text"), arguments), result);
        QCOMPARE(m_tv->lastPayload(QStringLiteral("com.webos.service.ime/insertText")),
                 QJsonObject({{QStringLiteral("text"), text}, {QStringLiteral("replace"), false}}));
        QCOMPARE(m_tv->requestCount(QStringLiteral("com.webos.service.ime/sendEnterKey")), submit ? 1 : 0);
    }

    // ---- failures passed through --------------------------------------------------------

    void tvErrorPassesThrough()
    {
        startTV(m_tv, kHostA);
        QVERIFY(pair(kHostA));
        m_tv->errorWith(QStringLiteral("system.notifications/createToast"), QStringLiteral("500 Application error"));
        expectFailure(run(QStringLiteral("tv_notify"), args(R"({"message":"x"})")),
                      QStringLiteral("500 Application error"));
    }

    void readyWaitTimesOut()
    {
        startTV(m_tv, kHostA);
        QVERIFY(pair(kHostA));
        m_session->disconnect();
        m_tv->neverAnswer(QStringLiteral("hello"));
        m_tools->setReadyTimeout(300ms);
        QElapsedTimer clock;
        clock.start();
        expectFailure(run(QStringLiteral("tv_channel"), args(R"({"action":"up"})")),
                      QStringLiteral("电视响应超时"));
        QVERIFY(clock.elapsed() < 1500);
        QCOMPARE(m_tv->requestCount(QStringLiteral("tv/channelUp")), 0);
    }

    void readyWaitInStandby()
    {
        startTV(m_tv, kHostA);
        QVERIFY(pair(kHostA));
        m_tv->setStandby(true);
        QTRY_COMPARE(m_session->state(), ConnectionState::sleeping());
        expectFailure(run(QStringLiteral("tv_mute"), args(R"({"muted":true})")),
                      QStringLiteral("The TV is in standby: turn it on with tv_power first."));
    }

    // ---- power on ---------------------------------------------------------------------

    void powerOnAlreadyOn()
    {
        startTV(m_tv, kHostA);
        QVERIFY(pair(kHostA));
        m_tv->clearRecord();
        expectSuccess(run(QStringLiteral("tv_power"), args(R"({"action":"on"})")), QStringLiteral("TV is already on"));
        QCOMPARE(m_tv->messages().size(), 0);
        QCOMPARE(m_network->packets, 0);
        QCOMPARE(m_session->state(), ConnectionState::ready());
    }

    void powerOnWithoutMac()
    {
        startTV(m_tv, kHostA);
        QVERIFY(pair(kHostA));
        m_session->disconnect();
        TVDevice device = *m_store->selectedDevice();
        device.mac.reset();
        m_store->update(device);
        expectFailure(run(QStringLiteral("tv_power"), args(R"({"action":"on"})")),
                      QStringLiteral("TV MAC address unknown; cannot Wake-on-LAN"));
        QCOMPARE(m_network->packets, 0);
    }

    void powerOnWakesTV()
    {
        startTV(m_tv, kHostA);
        QVERIFY(pair(kHostA));
        QPointer<SimulatedTV> tv = m_tv.get();
        m_network->onWake = [tv](int) {
            if (tv)
                tv->notifyMagicPacket();
        };
        m_tv->setStandby(true);
        QTRY_COMPARE(m_session->state(), ConnectionState::sleeping());
        expectSuccess(run(QStringLiteral("tv_power"), args(R"({"action":"on"})")), QStringLiteral("TV is on"));
        QCOMPARE(m_network->lastMac, QStringLiteral("a8:23:fe:01:02:03"));
        QVERIFY(!m_tv->isStandby());
        QCOMPARE(m_session->state(), ConnectionState::ready());
    }

    // A TV that is still booting refuses connections: each failed attempt of the wake-up
    // shows an error state for a moment, which must not end the tool while the wake-up
    // goes on.
    void powerOnOutlastsFailedAttempts()
    {
        startTV(m_tv, kHostA);
        QVERIFY(pair(kHostA));
        setTiming([](TVSession::Timing &t) {
            t.wakeFirstWait = 100ms;
            t.wakeBetweenAttempts = 100ms;
            t.wakePoll = 250ms;
            t.wakeAttempts = 10;
        });
        m_session->disconnect();
        m_tv->stop();
        QPointer<SimulatedTV> tv = m_tv.get();
        m_network->onWake = [tv](int packets) {
            if (tv && packets == 4)
                tv->start();
        };
        int errors = 0;
        QObject::connect(m_session.get(), &TVSession::stateChanged, m_session.get(),
                         [&errors](const ConnectionState &state) {
                             errors += state.is(ConnectionState::Kind::error) ? 1 : 0;
                         });
        expectSuccess(run(QStringLiteral("tv_power"), args(R"({"action":"on"})")), QStringLiteral("TV is on"));
        QVERIFY2(errors >= 2, qPrintable(QString::number(errors)));
        QCOMPARE(m_network->packets, 4);
    }

    void powerOnGivesUp()
    {
        startTV(m_tv, kHostA);
        QVERIFY(pair(kHostA));
        setTiming([](TVSession::Timing &t) { t.wakeAttempts = 2; });
        m_session->disconnect();
        m_tv->stop();
        expectFailure(run(QStringLiteral("tv_power"), args(R"({"action":"on"})")),
                      QStringLiteral("唤醒超时，请确认电视已开启网络唤醒"));
        QCOMPARE(m_network->packets, 3);
    }
};

QTEST_GUILESS_MAIN(TestMCPTools)
#include "test_mcp_tools.moc"
