#include "core/devicestore.h"
#include "log/log.h"
#include "mcp/mcptools.h"
#include "support/fakenetwork.h"
#include "support/simulatedtvs.h"
#include "support/testenv.h"
#include "core/tvsession.h"

#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <functional>
#include <memory>

using namespace std::chrono_literals;

namespace {

const QString kNoPairedTV = QStringLiteral("No paired TV. Pair one in the Veltrix app first.");
const QString kHostA = QStringLiteral("127.0.14.2");
const QString kHostB = QStringLiteral("127.0.14.3");

struct Outcome {
    bool done = false;
    bool ok = false;
    std::optional<MCPTools::Failure::Kind> failure;
    QString text;
    MCPToolResult result;
};

QCoro::Task<> runInto(MCPTools *tools, QString name, QJsonObject arguments,
                      std::shared_ptr<Outcome> outcome)
{
    try {
        outcome->result = co_await tools->callTool(name, arguments);
        outcome->text = outcome->result.firstText();
        outcome->ok = true;
    } catch (const MCPTools::Failure &failure) {
        outcome->failure = failure.kind();
        outcome->text = failure.message();
    } catch (const std::exception &error) {
        outcome->text = QString::fromUtf8(error.what());
    }
    outcome->done = true;
}

// The part of JSON Schema the output schemas use: type (one or a list), properties,
// required and items. Returns where the value breaks the schema, empty when it fits.
QString schemaMismatch(const QJsonValue &value, const QJsonObject &schema, const QString &path = QStringLiteral("$"))
{
    auto typeName = [](const QJsonValue &v) -> QString {
        switch (v.type()) {
        case QJsonValue::Null: return QStringLiteral("null");
        case QJsonValue::Bool: return QStringLiteral("boolean");
        case QJsonValue::Double:
            return v.toDouble() == double(qint64(v.toDouble())) ? QStringLiteral("integer") : QStringLiteral("number");
        case QJsonValue::String: return QStringLiteral("string");
        case QJsonValue::Array: return QStringLiteral("array");
        case QJsonValue::Object: return QStringLiteral("object");
        default: return QStringLiteral("undefined");
        }
    };
    const QJsonValue type = schema.value(QStringLiteral("type"));
    const QStringList allowed = type.isArray() ? type.toVariant().toStringList() : QStringList{type.toString()};
    const QString actual = typeName(value);
    if (!allowed.contains(actual) && !(actual == QLatin1String("integer") && allowed.contains(QStringLiteral("number"))))
        return path + QStringLiteral(" is ") + actual + QStringLiteral(", not ") + allowed.join(QLatin1Char('|'));
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (const QJsonValue &key : schema.value(QStringLiteral("required")).toArray()) {
            if (!object.contains(key.toString()))
                return path + QStringLiteral(" lacks ") + key.toString();
        }
        const QJsonObject properties = schema.value(QStringLiteral("properties")).toObject();
        for (auto it = properties.begin(); it != properties.end(); ++it) {
            if (object.contains(it.key())) {
                const QString mismatch = schemaMismatch(object.value(it.key()), it.value().toObject(), path + QLatin1Char('.') + it.key());
                if (!mismatch.isEmpty())
                    return mismatch;
            }
        }
    }
    if (value.isArray() && schema.contains(QStringLiteral("items"))) {
        const QJsonArray array = value.toArray();
        for (qsizetype i = 0; i < array.size(); ++i) {
            const QString mismatch = schemaMismatch(array.at(i), schema.value(QStringLiteral("items")).toObject(),
                                                    path + QStringLiteral("[%1]").arg(i));
            if (!mismatch.isEmpty())
                return mismatch;
        }
    }
    return QString();
}

QJsonObject outputSchema(const QString &tool)
{
    for (const QJsonValue &definition : MCPTools::definitions()) {
        if (definition[QStringLiteral("name")].toString() == tool)
            return definition[QStringLiteral("outputSchema")].toObject();
    }
    return QJsonObject();
}

QJsonValue parse(const QString &text)
{
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    return document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
}

// An expected value written as JSON, with %1, %2, ... filled in.
QJsonValue json(const char *text, const QStringList &fill = {})
{
    QString filled = QString::fromUtf8(text);
    for (const QString &value : fill)
        filled = filled.arg(value);
    return parse(filled);
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
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<DeviceStore> m_store;
    std::unique_ptr<TVSession> m_session;
    std::shared_ptr<PacketLog> m_packets;
    std::unique_ptr<SimulatedTV> m_tv;
    std::unique_ptr<SimulatedTV> m_tv2;
    std::unique_ptr<MCPTools> m_tools;

    Outcome run(const QString &name, const QJsonObject &arguments = QJsonObject())
    {
        auto outcome = std::make_shared<Outcome>();
        runInto(m_tools.get(), name, arguments, outcome);
        (void)QTest::qWaitFor([&] { return outcome->done; }, 20000);
        if (outcome->ok)
            checkStructured(name, *outcome);
        return *outcome;
    }

    Outcome run(const QString &name, const QByteArray &arguments)
    {
        return run(name, QJsonDocument::fromJson(arguments).object());
    }

    // Every successful call of a data tool, in whatever state the test put the session,
    // carries the text's data as structured content, and that fits the advertised schema:
    // clients reject a result that does not.
    static void checkStructured(const QString &name, const Outcome &outcome)
    {
        const QJsonObject schema = outputSchema(name);
        if (schema.isEmpty()) {
            QVERIFY2(!outcome.result.structured, qPrintable(name));
            return;
        }
        QVERIFY2(outcome.result.structured, qPrintable(name));
        const QJsonObject structured = *outcome.result.structured;
        const QJsonValue text = parse(outcome.text);
        if (text.isArray()) {
            QCOMPARE(structured.size(), 1);
            QCOMPARE(structured.begin().value(), text);
        } else {
            QCOMPARE(QJsonValue(structured), text);
        }
        const QString mismatch = schemaMismatch(structured, schema);
        QVERIFY2(mismatch.isEmpty(), qPrintable(name + QStringLiteral(": ") + mismatch));
    }

    void setTiming(const std::function<void(TVSession::Timing &)> &change)
    {
        TVSession::Timing timing = m_session->timing();
        change(timing);
        m_session->setTiming(timing);
    }

    SimulatedTV *startTV(std::unique_ptr<SimulatedTV> &slot, const QString &host)
    {
        slot = std::make_unique<TestTV>(tvOptions(host));
        return slot.get();
    }

    // Saves the TV, connects and waits until pairing, the pointer socket, the lists and the
    // MAC are all in.
    bool pair(const QString &host, const QString &name = QString())
    {
        const TVDevice device = m_store->upsert(host, std::nullopt,
                                                name.isEmpty() ? std::nullopt : std::optional<QString>(name));
        const SimulatedTV *tv = host == kHostA ? m_tv.get() : m_tv2.get();
        m_session->connect(device.id);
        return QTest::qWaitFor([&] {
            const std::optional<TVDevice> saved = m_store->device(device.id);
            return m_session->state().is(ConnectionState::Kind::ready) && saved && saved->mac
                && tv->openPointerConnections() > 0
                && m_session->inputs().size() == tv->inputs().size()
                && m_session->apps().size() == tv->apps().size()
                && m_session->powerState() == QLatin1String("Active");
        }, 10000);
    }

    // The usual start: TV A running, paired and connected, its record cleared.
    bool pairedA()
    {
        startTV(m_tv, kHostA);
        const bool paired = pair(kHostA);
        m_tv->clearRecord();
        return paired;
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
        m_env = std::make_unique<TestEnv>();
        m_store = std::make_unique<DeviceStore>(m_env->settingsFile());
        m_packets = std::make_shared<PacketLog>();
        m_session = std::make_unique<TVSession>(m_store.get(), std::make_unique<FakeNetwork>(m_packets));
        setTiming([](TVSession::Timing &t) {
            t = quickTiming();
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
        m_tv.reset();
        m_tv2.reset();
        m_store.reset();
        m_env.reset();
    }

    // ---- catalogue --------------------------------------------------------------------

    // What agents read before calling: the tools in their order, each with a title and a
    // description, an input schema a client can follow (required members declared, each typed,
    // bounds in order), and hints that follow what the tool does to the TV.
    void catalogue_data()
    {
        // r: only reads; s: sets a named state (a repeat changes nothing); a: acts on every
        // call; p: power, which the agent may not be able to undo.
        QTest::addColumn<char>("kind");
        QTest::addColumn<int>("position");
        const QList<QPair<const char *, char>> tools = {
            {"tv_status", 'r'},       {"tv_list_devices", 'r'}, {"tv_select_device", 's'}, {"tv_list_apps", 'r'},
            {"tv_launch_app", 's'},   {"tv_list_inputs", 'r'},  {"tv_switch_input", 's'},  {"tv_press_button", 'a'},
            {"tv_volume", 'a'},       {"tv_mute", 's'},         {"tv_media", 'a'},         {"tv_channel", 'a'},
            {"tv_input_text", 'a'},   {"tv_power", 'p'},        {"tv_notify", 'a'},       {"tv_screenshot", 'r'},
        };
        for (int i = 0; i < tools.size(); ++i)
            QTest::newRow(tools.at(i).first) << tools.at(i).second << i;
    }

    void catalogue()
    {
        QFETCH(char, kind);
        QFETCH(int, position);
        // The picture tool comes last, after the same fifteen; each list is built once.
        const QJsonArray &tools = MCPTools::definitionsWithScreenshot();
        QCOMPARE(tools.size(), 16);
        QJsonArray fifteen = tools;
        fifteen.removeLast();
        QCOMPARE(MCPTools::definitions(), fifteen);
        QCOMPARE(&MCPTools::definitions(), &MCPTools::definitions());
        QCOMPARE(&MCPTools::definitionsWithScreenshot(), &tools);
        const QJsonObject tool = tools.at(position).toObject();
        QCOMPARE(tool[u"name"].toString(), QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(!tool[u"title"].toString().isEmpty());
        QVERIFY(!tool[u"description"].toString().isEmpty());
        const QJsonObject hints{{QStringLiteral("readOnlyHint"), kind == 'r'},
                                {QStringLiteral("destructiveHint"), kind == 'p'},
                                {QStringLiteral("idempotentHint"), kind != 'a'},
                                {QStringLiteral("openWorldHint"), false}};
        QCOMPARE(tool[u"annotations"].toObject(), hints);
        const QJsonObject schema = tool[u"inputSchema"].toObject();
        QCOMPARE(schema[u"type"].toString(), QStringLiteral("object"));
        const QJsonObject properties = schema[u"properties"].toObject();
        for (const QJsonValue &required : schema[u"required"].toArray())
            QVERIFY2(properties.contains(required.toString()), qPrintable(required.toString()));
        for (const QJsonValue &property : properties) {
            QVERIFY(!property[u"type"].toString().isEmpty());
            QVERIFY(property[u"minimum"].toInt() <= property[u"maximum"].toInt());
        }
    }

    void unknownTool()
    {
        // Names are matched exactly.
        for (const QString &name : {QStringLiteral("tv_reboot"), QStringLiteral("TV_STATUS")}) {
            const Outcome outcome = run(name);
            QVERIFY(outcome.done && !outcome.ok);
            QCOMPARE(outcome.failure, std::optional(MCPTools::Failure::Kind::unknownTool));
        }
    }

    // ---- without a paired TV ----------------------------------------------------------

    void noPairedTV_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("arguments");
        QTest::addColumn<bool>("unpairedRecord");
        const QList<QPair<const char *, const char *>> calls = {
            {"tv_list_apps", "{}"}, {"tv_launch_app", R"({"app":"YouTube"})"}, {"tv_list_inputs", "{}"},
            {"tv_switch_input", R"({"input":"HDMI_1"})"}, {"tv_press_button", R"({"button":"OK"})"},
            {"tv_volume", R"({"action":"up"})"}, {"tv_mute", R"({"muted":true})"}, {"tv_media", R"({"action":"play"})"},
            {"tv_channel", R"({"action":"up"})"}, {"tv_input_text", R"({"text":"hi"})"},
            {"tv_power", R"({"action":"off"})"}, {"tv_notify", R"({"message":"hi"})"},
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
        expectFailure(run(name, arguments), kNoPairedTV);
        QCOMPARE(m_session->state(), ConnectionState::offline());
        QCOMPARE(tv->tcpConnections(), 0);
    }

    // Status and the device list answer without a TV; an unpaired one is shown, not dialled.
    void statusWithoutPairedTV()
    {
        const Outcome outcome = run(QStringLiteral("tv_status"));
        QVERIFY(outcome.ok);
        QJsonObject status = parse(outcome.text).toObject();
        QVERIFY(status.contains(QStringLiteral("foreground")));
        status.remove(QStringLiteral("foreground"));
        QCOMPARE(status, json(R"({"connection":"offline","device":null,"power":"unknown","volume":0,"muted":false,"inputs":[]})"));
        expectSuccess(run(QStringLiteral("tv_list_devices")), QStringLiteral("[\n]"));

        SimulatedTV *tv = startTV(m_tv, kHostA);
        m_store->setSelectedID(m_store->upsert(kHostA, std::nullopt, QStringLiteral("Den")).id);
        const Outcome unpaired = run(QStringLiteral("tv_status"));
        QVERIFY(unpaired.ok);
        QCOMPARE(parse(unpaired.text)[QStringLiteral("device")],
                 json(R"({"name":"Den","model":"LG webOS TV","host":"%1","paired":false})", {kHostA}));
        QCOMPARE(tv->tcpConnections(), 0);
    }

    // ---- status and lists -------------------------------------------------------------

    void status_data()
    {
        QTest::addColumn<QString>("foreground");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("active");
        // What the window shows for the same state: it must name the same input or app.
        QTest::addColumn<QString>("windowTitle");
        QTest::newRow("input") << "com.webos.app.hdmi1" << "Game Console" << "HDMI_1" << "Game Console";
        QTest::newRow("app") << "netflix" << "Netflix" << "" << "Netflix";
        QTest::newRow("unknown") << "com.example.other" << "com.example.other" << "" << "com.example.other";
        QTest::newRow("home") << "com.webos.app.home" << "com.webos.app.home" << "" << "主页";
        // An input the TV gave no app id must not count as showing when nothing is known,
        // neither for the agents nor in the window.
        QTest::newRow("empty") << "" << "" << "" << "—";
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
        QJsonArray listed;
        for (const SimulatedTV::Input &input : inputs) {
            listed.append(QJsonObject({{QStringLiteral("id"), input.id}, {QStringLiteral("label"), input.label},
                                       {QStringLiteral("connected"), input.connected},
                                       {QStringLiteral("active"), input.id == active}}));
        }
        QJsonObject expected = json(R"({"connection":"ready","power":"Active","volume":33,"muted":true,
                                        "device":{"name":"LG 电视","model":"LG OLED55C1PUB","host":"%1","paired":true},
                                        "foreground":{"id":"%2","title":"%3"}})", {kHostA, foreground, title}).toObject();
        expected.insert(QStringLiteral("inputs"), listed);
        QCOMPARE(parse(outcome.text).toObject(), expected);
        QTEST(m_session->foregroundTitle(), "windowTitle");
        // The inputs tool reloads the list and reports it in the same form.
        tv->clearRecord();
        const Outcome listedInputs = run(QStringLiteral("tv_list_inputs"));
        QVERIFY(listedInputs.ok);
        QCOMPARE(parse(listedInputs.text).toArray(), listed);
        QCOMPARE(tv->requestCount(QStringLiteral("tv/getExternalInputList")), 1);
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
        QCOMPARE(parse(devices.text),
                 json(R"([{"id":"%1","name":"Spare","model":"LG 43UK","host":"127.0.14.9","paired":false,"selected":false},
                          {"id":"%2","name":"LG 电视","model":"LG OLED55C1PUB","host":"%3","paired":true,"selected":true}])",
                      {spare.id, paired.id, kHostA}));
        // Pretty-printed: one member per line.
        QVERIFY(devices.text.contains(QLatin1Char('\n')));

        m_tv->setApps({{QStringLiteral("a.b"), QStringLiteral("Äpp")}, {QStringLiteral("c"), QStringLiteral("C")}});
        const Outcome apps = run(QStringLiteral("tv_list_apps"));
        QVERIFY(apps.ok);
        QCOMPARE(parse(apps.text), json(R"([{"id":"a.b","title":"Äpp"},{"id":"c","title":"C"}])"));
    }

    // ---- selecting a TV ---------------------------------------------------------------

    void selectDevice_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("expected"); // "A", "B", "Hall" (saved, never paired) or an error text
        QTest::newRow("host") << kHostB << "B";
        QTest::newRow("id") << "id:B" << "B";
        QTest::newRow("name part, any case") << "BEDR" << "B";
        QTest::newRow("same TV") << "living" << "A";
        QTest::newRow("unpaired") << "hall" << "Hall";
        QTest::newRow("host exact only") << "127.0.14" << "No saved TV matches '127.0.14'";
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
        const QString hall = m_store->upsert(QStringLiteral("127.0.14.9"), std::nullopt, QStringLiteral("Hall")).id;
        const QList<TVDevice> devices = m_store->devices();
        const QString idA = devices.at(1).id;
        const QString idB = devices.at(0).id;
        if (query == QLatin1String("id:B"))
            query = idB;
        const int connectionsA = m_tv->controlConnections();
        const int connectionsB = m_tv2->controlConnections();
        m_tv->clearRecord();

        const Outcome outcome = run(QStringLiteral("tv_select_device"), QJsonObject({{QStringLiteral("device"), query}}));
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
        } else if (expected == QLatin1String("Hall")) {
            expectFailure(outcome, kNoPairedTV);
            QCOMPARE(m_store->selectedIDText(), hall);
            // Commands must not keep reaching the previous TV under the new selection.
            QCOMPARE(m_session->state(), ConnectionState::offline());
            expectFailure(run(QStringLiteral("tv_channel"), QByteArray(R"({"action":"up"})")), kNoPairedTV);
            QCOMPARE(m_tv->requestCount(QStringLiteral("tv/channelUp")), 0);
        } else {
            expectFailure(outcome, expected);
            QCOMPARE(outcome.failure, std::optional(MCPTools::Failure::Kind::invalid));
            QCOMPARE(m_store->selectedIDText(), idA);
            QCOMPARE(m_tv2->controlConnections(), connectionsB);
        }
    }

    // ---- commands ---------------------------------------------------------------------

    // Every argument the tools refuse: nothing reaches the TV and the failure is "invalid".
    void argumentErrors_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QByteArray>("arguments");
        QTest::addColumn<QString>("text");
        auto row = [](const char *tag, const char *tool, const char *arguments, const char *text) {
            QTest::newRow(tag) << QString::fromLatin1(tool) << QByteArray(arguments) << QString::fromUtf8(text);
        };
        row("app no match", "tv_launch_app", R"({"app":"Hulu"})", "No app matches 'Hulu'. Use tv_list_apps.");
        row("app empty", "tv_launch_app", R"({"app":""})", "Missing 'app'");
        row("input no match", "tv_switch_input", R"({"input":"DVI"})", "No input matches 'DVI'. Use tv_list_inputs.");
        row("input empty", "tv_switch_input", R"({"input":""})", "Missing 'input'");
        row("button unsupported", "tv_press_button", R"({"button":"power"})", "Unsupported button 'POWER'");
        row("button missing", "tv_press_button", R"({"repeat":2})", "Missing 'button'");
        row("button not a string", "tv_press_button", R"({"button":1})", "Missing 'button'");
        const char *range = "'level' must be 0-100";
        row("volume 101", "tv_volume", R"({"action":"set","level":101})", range);
        row("volume -1", "tv_volume", R"({"action":"set","level":-1})", range);
        row("volume 50.5", "tv_volume", R"({"action":"set","level":50.5})", range);
        row("volume string", "tv_volume", R"({"action":"set","level":"50"})", range);
        row("volume no level", "tv_volume", R"({"action":"set"})", range);
        row("volume wrong case", "tv_volume", R"({"action":"UP"})", "action must be up, down or set");
        row("volume missing", "tv_volume", "{}", "Missing 'action'");
        row("mute string", "tv_mute", R"({"muted":"true"})", "'muted' must be boolean");
        row("mute missing", "tv_mute", "{}", "'muted' must be boolean");
        row("media case", "tv_media", R"({"action":"Play"})", "Unsupported action");
        row("media empty", "tv_media", R"({"action":""})", "Missing 'action'");
        row("channel other", "tv_channel", R"({"action":"next"})", "action must be up or down");
        row("notify null", "tv_notify", R"({"message":null})", "Missing 'message'");
        row("text empty", "tv_input_text", R"({"text":"","submit":true})", "Missing 'text'");
        row("power other", "tv_power", R"({"action":"reboot"})", "action must be on or off");
        row("power missing", "tv_power", "{}", "Missing 'action'");
    }

    void argumentErrors()
    {
        QFETCH(QString, tool);
        QFETCH(QByteArray, arguments);
        QFETCH(QString, text);
        QVERIFY(pairedA());
        const Outcome outcome = run(tool, arguments);
        expectFailure(outcome, text);
        QCOMPARE(outcome.failure, std::optional(MCPTools::Failure::Kind::invalid));
        QTest::qWait(50);
        QCOMPARE(m_tv->messages().size(), 0);
        QCOMPARE(m_tv->pointerFrames(), QStringList());
    }

    // Commands that send one request; the reply text and the request are checked.
    void commands_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QByteArray>("arguments");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("uri");
        QTest::addColumn<QByteArray>("payload");
        auto row = [](const char *tag, const char *tool, const char *arguments, const char *result, const char *uri,
                      const char *payload) {
            QTest::newRow(tag) << QString::fromLatin1(tool) << QByteArray(arguments) << QString::fromUtf8(result)
                               << QString::fromLatin1(uri) << QByteArray(payload);
        };
        const char *launch = "system.launcher/launch";
        const char *input = "tv/switchInput";
        row("exact app id beats a title containing it", "tv_launch_app", R"({"app":"netflix"})", "Launched Netflix (netflix)", launch, R"({"id":"netflix"})");
        row("app title in any case beats containment", "tv_launch_app", R"({"app":"youtube"})", "Launched YouTube (youtube.leanback.v4)", launch, R"({"id":"youtube.leanback.v4"})");
        row("first app containing it in list order", "tv_launch_app", R"({"app":"tube"})", "Launched YouTube Kids (youtube.kids)", launch, R"({"id":"youtube.kids"})");
        row("partial app title any case", "tv_launch_app", R"({"app":"BROWSER"})", "Launched Web Browser (com.webos.app.browser)", launch, R"({"id":"com.webos.app.browser"})");
        row("partial app id", "tv_launch_app", R"({"app":"app.brow"})", "Launched Web Browser (com.webos.app.browser)", launch, R"({"id":"com.webos.app.browser"})");
        row("input id any case", "tv_switch_input", R"({"input":"hdmi_2"})", "Switched to HDMI 2 (HDMI_2)", input, R"({"inputId":"HDMI_2"})");
        row("input label part", "tv_switch_input", R"({"input":"game"})", "Switched to Game Console (HDMI_1)", input, R"({"inputId":"HDMI_1"})");
        row("input label before partial id", "tv_switch_input", R"({"input":"hdmi"})", "Switched to HDMI 2 (HDMI_2)", input, R"({"inputId":"HDMI_2"})");
        row("short input label", "tv_switch_input", R"({"input":"AV"})", "Switched to AV (AV_1)", input, R"({"inputId":"AV_1"})");
        row("volume set", "tv_volume", R"({"action":"set","level":50})", "Volume: 50", "audio/setVolume", R"({"volume":50})");
        row("volume set 0", "tv_volume", R"({"action":"set","level":0})", "Volume: 0", "audio/setVolume", R"({"volume":0})");
        row("mute", "tv_mute", R"({"muted":true})", "Muted", "audio/setMute", R"({"mute":true})");
        row("unmute", "tv_mute", R"({"muted":false})", "Unmuted", "audio/setMute", R"({"mute":false})");
        for (const char *action : {"play", "pause", "stop", "rewind", "fastForward"}) {
            QTest::addRow("media %s", action) << "tv_media" << (QByteArray(R"({"action":")") + action + "\"}")
                << QStringLiteral("Media ") + QLatin1String(action)
                << QStringLiteral("media.controls/") + QLatin1String(action) << QByteArray("{}");
        }
        row("channel up", "tv_channel", R"({"action":"up"})", "Channel up", "tv/channelUp", "{}");
        row("channel down", "tv_channel", R"({"action":"down"})", "Channel down", "tv/channelDown", "{}");
        row("notify", "tv_notify", R"({"message":"晚饭好了"})", "Notification shown", "system.notifications/createToast", R"({"message":"晚饭好了"})");
        row("power off", "tv_power", R"({"action":"off"})", "TV turned off (standby)", "system/turnOff", "{}");
    }

    void commands()
    {
        QFETCH(QString, tool);
        QFETCH(QByteArray, arguments);
        QFETCH(QString, result);
        QFETCH(QString, uri);
        QFETCH(QByteArray, payload);
        QVERIFY(pairedA());
        expectSuccess(run(tool, arguments), result);
        QCOMPARE(m_tv->requestCount(uri), 1);
        QCOMPARE(m_tv->lastPayload(uri), QJsonDocument::fromJson(payload).object());
        const QStringList volumeUris = {QStringLiteral("audio/setVolume"), QStringLiteral("audio/volumeUp"),
                                        QStringLiteral("audio/volumeDown")};
        if (uri == volumeUris.first()) {
            QCOMPARE(m_tv->volume(), m_tv->lastPayload(uri).value(QStringLiteral("volume")).toInt());
            QCOMPARE(m_tv->requestCount(volumeUris.at(1)) + m_tv->requestCount(volumeUris.at(2)), 0);
        }
    }

    // A step reports the level from the reply, else the session's; "set" reports its own.
    void volumeReportsLevel()
    {
        QVERIFY(pairedA());
        m_tv->replyWith(QStringLiteral("audio/volumeUp"),
                        QJsonObject({{QStringLiteral("returnValue"), true}, {QStringLiteral("volume"), 77}}));
        // A level next to a step is ignored.
        expectSuccess(run(QStringLiteral("tv_volume"), QByteArray(R"({"action":"up","level":90})")), QStringLiteral("Volume: 77"));
        QCOMPARE(m_tv->requestCount(QStringLiteral("audio/setVolume")), 0);
        m_tv->replyWith(QStringLiteral("audio/volumeDown"), QJsonObject({{QStringLiteral("returnValue"), true}}));
        const int known = m_session->volume();
        expectSuccess(run(QStringLiteral("tv_volume"), QByteArray(R"({"action":"down"})")),
                      QStringLiteral("Volume: ") + QString::number(known));
        QCOMPARE(m_tv->requestCount(QStringLiteral("audio/volumeDown")), 1);
        // A level no integer holds is not taken from the reply.
        m_tv->replyWith(QStringLiteral("audio/volumeDown"),
                        QJsonObject({{QStringLiteral("returnValue"), true}, {QStringLiteral("volume"), 1e300}}));
        expectSuccess(run(QStringLiteral("tv_volume"), QByteArray(R"({"action":"down"})")),
                      QStringLiteral("Volume: ") + QString::number(known));
        m_tv->replyWith(QStringLiteral("audio/setVolume"), QJsonObject({{QStringLiteral("returnValue"), true}}));
        expectSuccess(run(QStringLiteral("tv_volume"), QByteArray(R"({"action":"set","level":64})")),
                      QStringLiteral("Volume: 64"));
    }

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
    }

    void pressButton()
    {
        QFETCH(QByteArray, arguments);
        QFETCH(QString, result);
        QFETCH(QString, key);
        QFETCH(int, presses);
        QVERIFY(pairedA());
        QElapsedTimer clock;
        clock.start();
        expectSuccess(run(QStringLiteral("tv_press_button"), arguments), result);
        const qint64 elapsed = clock.elapsed();
        const QString frame = QStringLiteral("type:button\nname:") + key + QStringLiteral("\n\n");
        QTRY_COMPARE(m_tv->pointerFrames().size(), presses);
        QCOMPARE(m_tv->pointerFrames(), QStringList(QList<QString>(presses, frame)));
        // Presses are spaced, not fired in one burst.
        QVERIFY2(elapsed >= (presses - 1) * 170, qPrintable(QString::number(elapsed)));
    }

    void inputText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("submit");
        QTest::addColumn<bool>("focused");
        QTest::addColumn<QString>("result");
        QTest::newRow("submit") << "news" << true << true << "Typed 4 characters";
        // User-perceived characters: a skin-toned emoji and a combining accent count once.
        QTest::newRow("graphemes") << QStringLiteral("e\u0301 \U0001F44D\U0001F3FD 中文") << false << true << "Typed 6 characters";
        QTest::newRow("no field") << "hi" << false << false
                                  << "Typed 2 characters (warning: no focused text field reported)";
    }

    void inputText()
    {
        QFETCH(QString, text);
        QFETCH(bool, submit);
        QFETCH(bool, focused);
        QFETCH(QString, result);
        QVERIFY(pairedA());
        m_tv->setKeyboardFocus(focused);
        QTRY_COMPARE(m_session->keyboardFocused(), focused);
        QJsonObject arguments{{QStringLiteral("text"), text}};
        if (submit)
            arguments.insert(QStringLiteral("submit"), true);
        expectSuccess(run(QStringLiteral("tv_input_text"), arguments), result);
        QCOMPARE(m_tv->lastPayload(QStringLiteral("com.webos.service.ime/insertText")),
                 QJsonObject({{QStringLiteral("text"), text}, {QStringLiteral("replace"), false}}));
        QCOMPARE(m_tv->requestCount(QStringLiteral("com.webos.service.ime/sendEnterKey")), submit ? 1 : 0);
    }

    // ---- failures passed through --------------------------------------------------------

    // ---- the screen picture -------------------------------------------------------------

    void screenshot_data()
    {
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<QByteArray>("arguments");
        QTest::addColumn<QSize>("picture");
        QTest::newRow("default width") << QSize(1920, 1080) << QByteArray("{}") << QSize(1280, 720);
        QTest::newRow("smallest") << QSize(1920, 1080) << QByteArray(R"({"maxWidth":160})") << QSize(160, 90);
        QTest::newRow("largest keeps the frame") << QSize(1920, 1080) << QByteArray(R"({"maxWidth":1920})") << QSize(1920, 1080);
        QTest::newRow("never scaled up") << QSize(640, 360) << QByteArray(R"({"maxWidth":1280})") << QSize(640, 360);
        QTest::newRow("aspect kept") << QSize(1280, 1024) << QByteArray(R"({"maxWidth":640.0})") << QSize(640, 512);
    }

    void screenshot()
    {
        QFETCH(QSize, frame);
        QFETCH(QByteArray, arguments);
        QFETCH(QSize, picture);
        startTV(m_tv, kHostA)->setScreenshotSize(frame);
        QVERIFY(pair(kHostA));
        m_tv->setForegroundApp(QStringLiteral("netflix"));
        QTRY_COMPARE(m_session->foregroundAppId(), QStringLiteral("netflix"));
        m_tv->clearRecord();

        const Outcome outcome = run(QStringLiteral("tv_screenshot"), arguments);
        QVERIFY2(outcome.ok, qPrintable(outcome.text));
        // The preview's own request to the TV.
        QCOMPARE(m_tv->requestCount(QStringLiteral("tv/executeOneShot")), 1);
        const QJsonArray content = outcome.result.content;
        QCOMPARE(content.size(), 2);
        const QJsonObject image = content.at(0).toObject();
        QCOMPARE(image.value(QStringLiteral("type")).toString(), QStringLiteral("image"));
        QCOMPARE(image.value(QStringLiteral("mimeType")).toString(), QStringLiteral("image/jpeg"));
        const QByteArray jpeg = QByteArray::fromBase64(image.value(QStringLiteral("data")).toString().toLatin1(),
                                                       QByteArray::AbortOnBase64DecodingErrors);
        QVERIFY(jpeg.startsWith("\xff\xd8"));
        QCOMPARE(QImage::fromData(jpeg, "JPEG").size(), picture);
        QCOMPARE(outcome.text, QStringLiteral("TV screen, %1x%2 JPEG (captured at %3x%4). Foreground app: Netflix (netflix)")
                                   .arg(picture.width()).arg(picture.height()).arg(frame.width()).arg(frame.height()));
    }

    void screenshotFailures_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QByteArray>("arguments");
        QTest::addColumn<QString>("text");
        const QString badWidth = QStringLiteral("'maxWidth' must be an integer from 160 to 1920");
        QTest::newRow("too narrow") << "" << QByteArray(R"({"maxWidth":159})") << badWidth;
        QTest::newRow("too wide") << "" << QByteArray(R"({"maxWidth":1921})") << badWidth;
        QTest::newRow("fraction") << "" << QByteArray(R"({"maxWidth":640.5})") << badWidth;
        QTest::newRow("text") << "" << QByteArray(R"({"maxWidth":"800"})") << badWidth;
        QTest::newRow("null") << "" << QByteArray(R"({"maxWidth":null})") << badWidth;
        QTest::newRow("no paired TV") << "unpaired" << QByteArray("{}") << kNoPairedTV;
        QTest::newRow("standby") << "standby" << QByteArray("{}")
                                 << QStringLiteral("The TV is in standby: turn it on with tv_power first.");
        QTest::newRow("download refused") << "404" << QByteArray("{}") << QStringLiteral("Screen capture failed: 电视截图下载失败");
        QTest::newRow("not a picture") << "garbage" << QByteArray("{}") << QStringLiteral("Screen capture failed: 无法解码电视截图");
    }

    void screenshotFailures()
    {
        QFETCH(QString, setup);
        QFETCH(QByteArray, arguments);
        if (setup != QLatin1String("unpaired"))
            QVERIFY(pairedA());
        if (setup == QLatin1String("standby")) {
            m_tv->setStandby(true);
            QTRY_COMPARE(m_session->state(), ConnectionState::sleeping());
        } else if (setup == QLatin1String("404")) {
            m_tv->setScreenshotMode(SimulatedTV::ScreenshotMode::NotFound);
        } else if (setup == QLatin1String("garbage")) {
            m_tv->setScreenshotMode(SimulatedTV::ScreenshotMode::Garbage);
        }
        const Outcome outcome = run(QStringLiteral("tv_screenshot"), arguments);
        QTEST(outcome.text, "text");
        QVERIFY(outcome.done && !outcome.ok);
        // Bad arguments are refused before anything is asked of the TV.
        if (setup.isEmpty())
            QCOMPARE(m_tv->requestCount(QStringLiteral("tv/executeOneShot")), 0);
    }

    void failuresPassThrough()
    {
        QVERIFY(pairedA());
        m_tv->errorWith(QStringLiteral("system.notifications/createToast"), QStringLiteral("500 Application error"));
        expectFailure(run(QStringLiteral("tv_notify"), QByteArray(R"({"message":"x"})")), QStringLiteral("500 Application error"));

        // A TV that never answers the hello ends the ready-wait with the time-out text: the
        // ready-wait's 300 ms, not a hello time-out longer than the test waits for the tool.
        m_session->disconnect();
        m_tv->neverAnswer(QStringLiteral("hello"));
        setTiming([](TVSession::Timing &t) { t.helloTimeout = 60s; });
        m_tools->setReadyTimeout(300ms);
        expectFailure(run(QStringLiteral("tv_channel"), QByteArray(R"({"action":"up"})")), QStringLiteral("电视响应超时"));
        QCOMPARE(m_tv->requestCount(QStringLiteral("tv/channelUp")), 0);
    }

    // ---- power on ---------------------------------------------------------------------

    // On: power-on sends nothing, and a status call reconnects. In standby: the status says
    // so, other commands refuse and point to tv_power, which wakes the TV.
    void powerOn()
    {
        QVERIFY(pairedA());
        expectSuccess(run(QStringLiteral("tv_power"), QByteArray(R"({"action":"on"})")), QStringLiteral("TV is already on"));
        QCOMPARE(m_tv->messages().size(), 0);
        QCOMPARE(m_packets->count(), 0);
        QCOMPARE(m_session->state(), ConnectionState::ready());
        m_session->disconnect();
        const Outcome outcome = run(QStringLiteral("tv_status"));
        QVERIFY(outcome.ok);
        QCOMPARE(parse(outcome.text)[QStringLiteral("connection")].toString(), QStringLiteral("ready"));

        m_packets->onPacket = wakes(m_tv.get());
        m_tv->setStandby(true);
        QTRY_COMPARE(m_session->state(), ConnectionState::sleeping());
        const Outcome asleep = run(QStringLiteral("tv_status")); // a failing ready-wait is no failure
        QVERIFY(asleep.ok);
        QCOMPARE(parse(asleep.text)[QStringLiteral("connection")].toString(), QStringLiteral("standby"));
        expectFailure(run(QStringLiteral("tv_mute"), QByteArray(R"({"muted":true})")),
                      QStringLiteral("The TV is in standby: turn it on with tv_power first."));
        QCOMPARE(m_packets->count(), 0);
        expectSuccess(run(QStringLiteral("tv_power"), QByteArray(R"({"action":"on"})")), QStringLiteral("TV is on"));
        QCOMPARE(m_packets->macs.last(), QStringLiteral("a8:23:fe:01:02:03"));
        QVERIFY(!m_tv->isStandby());
        QCOMPARE(m_session->state(), ConnectionState::ready());
    }

    // A TV that is still booting refuses connections: each failed attempt of the wake-up
    // shows an error state for a moment, which must not end the tool while the wake-up
    // goes on.
    void powerOnOutlastsFailedAttempts()
    {
        QVERIFY(pairedA());
        setTiming([](TVSession::Timing &t) {
            t.wakeFirstWait = 100ms;
            t.wakeBetweenAttempts = 100ms;
            t.wakePoll = 250ms;
            t.wakeAttempts = 10;
        });
        m_session->disconnect();
        m_tv->stop();
        QPointer<SimulatedTV> tv = m_tv.get();
        m_packets->onPacket = [tv](int packets) {
            if (tv && packets == 4)
                tv->start();
        };
        int errors = 0;
        QObject::connect(m_session.get(), &TVSession::stateChanged, m_session.get(),
                         [&errors](const ConnectionState &state) {
                             errors += state.is(ConnectionState::Kind::error) ? 1 : 0;
                         });
        expectSuccess(run(QStringLiteral("tv_power"), QByteArray(R"({"action":"on"})")), QStringLiteral("TV is on"));
        QVERIFY2(errors >= 2, qPrintable(QString::number(errors)));
        QCOMPARE(m_packets->count(), 4);
    }

    // A TV that never comes back: the last of the packets, then the time-out text. Without
    // a MAC no packet goes out at all.
    void powerOnGivesUp()
    {
        QVERIFY(pairedA());
        setTiming([](TVSession::Timing &t) { t.wakeAttempts = 2; });
        m_session->disconnect();
        m_tv->stop();
        expectFailure(run(QStringLiteral("tv_power"), QByteArray(R"({"action":"on"})")),
                      QStringLiteral("唤醒超时，请确认电视已开启网络唤醒"));
        QCOMPARE(m_packets->count(), 3);

        TVDevice device = *m_store->selectedDevice();
        device.mac.reset();
        m_store->update(device);
        expectFailure(run(QStringLiteral("tv_power"), QByteArray(R"({"action":"on"})")),
                      QStringLiteral("TV MAC address unknown; cannot Wake-on-LAN"));
        QCOMPARE(m_packets->count(), 3);
    }
};

QTEST_GUILESS_MAIN(TestMCPTools)
#include "test_mcp_tools.moc"
