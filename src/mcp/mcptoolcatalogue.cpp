#include "mcp/mcptoolcatalogue.h"
#include "mcp/mcptools.h"

#include <QJsonArray>
#include <QJsonObject>

#include <initializer_list>
#include <utility>

namespace veltrix::mcptools {

const QStringList &buttonNames()
{
    static const QStringList names = [] {
        QStringList list = {
            QStringLiteral("UP"),          QStringLiteral("DOWN"),       QStringLiteral("LEFT"),
            QStringLiteral("RIGHT"),       QStringLiteral("OK"),         QStringLiteral("ENTER"),
            QStringLiteral("BACK"),        QStringLiteral("HOME"),       QStringLiteral("MENU"),
            QStringLiteral("EXIT"),        QStringLiteral("INFO"),       QStringLiteral("RED"),
            QStringLiteral("GREEN"),       QStringLiteral("YELLOW"),     QStringLiteral("BLUE"),
            QStringLiteral("PLAY"),        QStringLiteral("PAUSE"),      QStringLiteral("STOP"),
            QStringLiteral("REWIND"),      QStringLiteral("FASTFORWARD"), QStringLiteral("VOLUMEUP"),
            QStringLiteral("VOLUMEDOWN"),  QStringLiteral("MUTE"),       QStringLiteral("CHANNELUP"),
            QStringLiteral("CHANNELDOWN"),
        };
        for (int digit = 0; digit <= 9; ++digit)
            list.append(QString::number(digit));
        return list;
    }();
    return names;
}

} // namespace veltrix::mcptools

namespace {

using Property = std::pair<QString, QJsonObject>;

QJsonArray stringArray(const QStringList &values)
{
    QJsonArray array;
    for (const QString &value : values)
        array.append(value);
    return array;
}

QJsonObject typed(const QString &type)
{
    return QJsonObject{{QStringLiteral("type"), type}};
}

QJsonObject described(const QString &type, const QString &description)
{
    QJsonObject schema = typed(type);
    schema.insert(QStringLiteral("description"), description);
    return schema;
}

QJsonObject enumerated(const QStringList &values)
{
    QJsonObject schema = typed(QStringLiteral("string"));
    schema.insert(QStringLiteral("enum"), stringArray(values));
    return schema;
}

QJsonObject bounded(int minimum, int maximum, const QString &description)
{
    QJsonObject schema = typed(QStringLiteral("integer"));
    schema.insert(QStringLiteral("minimum"), minimum);
    schema.insert(QStringLiteral("maximum"), maximum);
    schema.insert(QStringLiteral("description"), description);
    return schema;
}

// What a tool does to the TV, for clients that decide from it whether to ask the user first.
// Every field is given, so no client falls back to the protocol's cautious defaults.
struct Hints {
    bool readOnly = false;
    bool destructive = false;
    bool idempotent = false;
};

// Only reads.
const Hints kReads{true, false, true};
// Brings the TV into a named state: a repeat changes nothing more.
const Hints kSetsState{false, false, true};
// Acts on every call (a key press, a volume step, a toast).
const Hints kActs{};
// Power off: the agent may not be able to wake the TV again.
const Hints kPower{false, true, true};

QJsonObject annotations(const Hints &hints)
{
    return QJsonObject{
        {QStringLiteral("readOnlyHint"), hints.readOnly},
        {QStringLiteral("destructiveHint"), hints.destructive},
        {QStringLiteral("idempotentHint"), hints.idempotent},
        // Everything stays on the local network, with the TVs saved in the app.
        {QStringLiteral("openWorldHint"), false},
    };
}

QJsonObject tool(const QString &name, const QString &title, const QString &description,
                 const Hints &hints, std::initializer_list<Property> properties = {},
                 const QStringList &required = {})
{
    QJsonObject props;
    for (const Property &property : properties)
        props.insert(property.first, property.second);
    const QJsonObject schema{
        {QStringLiteral("type"), QStringLiteral("object")},
        {QStringLiteral("properties"), props},
        {QStringLiteral("required"), stringArray(required)},
    };
    return QJsonObject{
        {QStringLiteral("name"), name},
        {QStringLiteral("title"), title},
        {QStringLiteral("description"), description},
        {QStringLiteral("inputSchema"), schema},
        {QStringLiteral("annotations"), annotations(hints)},
    };
}

// Output schemas: each names every member the tool returns, in every session state (offline,
// standby, nothing selected), because clients reject a result that does not match.
QJsonObject object(std::initializer_list<Property> properties)
{
    QJsonObject props;
    QJsonArray required;
    for (const Property &property : properties) {
        props.insert(property.first, property.second);
        required.append(property.first);
    }
    return QJsonObject{
        {QStringLiteral("type"), QStringLiteral("object")},
        {QStringLiteral("properties"), props},
        {QStringLiteral("required"), required},
    };
}

QJsonObject arrayOf(const QJsonObject &items)
{
    return QJsonObject{{QStringLiteral("type"), QStringLiteral("array")}, {QStringLiteral("items"), items}};
}

QJsonObject inputItem()
{
    return object({{QStringLiteral("id"), typed(QStringLiteral("string"))},
                   {QStringLiteral("label"), typed(QStringLiteral("string"))},
                   {QStringLiteral("connected"), typed(QStringLiteral("boolean"))},
                   {QStringLiteral("active"), described(QStringLiteral("boolean"),
                                                        QStringLiteral("The input is on screen"))}});
}

QJsonObject statusOutput()
{
    const QString string = QStringLiteral("string");
    QJsonObject device = object({{QStringLiteral("name"), typed(string)},
                                 {QStringLiteral("model"), typed(string)},
                                 {QStringLiteral("host"), typed(string)},
                                 {QStringLiteral("paired"), typed(QStringLiteral("boolean"))}});
    device.insert(QStringLiteral("type"), QJsonArray{QStringLiteral("object"), QStringLiteral("null")});
    device.insert(QStringLiteral("description"), QStringLiteral("The selected TV; null when none is selected"));
    return object({
        {QStringLiteral("connection"),
         described(string, QStringLiteral("offline, connecting, awaiting_approval, ready, waking, standby, "
                                          "or 'error: ' followed by the reason"))},
        {QStringLiteral("power"), described(string, QStringLiteral("The TV's power state, 'unknown' when not known"))},
        {QStringLiteral("device"), device},
        {QStringLiteral("volume"), typed(QStringLiteral("integer"))},
        {QStringLiteral("muted"), typed(QStringLiteral("boolean"))},
        {QStringLiteral("foreground"), object({{QStringLiteral("id"), typed(string)},
                                               {QStringLiteral("title"), typed(string)}})},
        {QStringLiteral("inputs"), arrayOf(inputItem())},
    });
}

QJsonObject devicesOutput()
{
    const QString string = QStringLiteral("string");
    const QString boolean = QStringLiteral("boolean");
    return object({{QStringLiteral("devices"),
                    arrayOf(object({{QStringLiteral("id"), typed(string)},
                                    {QStringLiteral("name"), typed(string)},
                                    {QStringLiteral("model"), typed(string)},
                                    {QStringLiteral("host"), typed(string)},
                                    {QStringLiteral("paired"), typed(boolean)},
                                    {QStringLiteral("selected"), typed(boolean)}}))}});
}

QJsonObject appsOutput()
{
    return object({{QStringLiteral("apps"),
                    arrayOf(object({{QStringLiteral("id"), typed(QStringLiteral("string"))},
                                    {QStringLiteral("title"), typed(QStringLiteral("string"))}}))}});
}

QJsonObject inputsOutput()
{
    return object({{QStringLiteral("inputs"), arrayOf(inputItem())}});
}

QJsonObject returning(QJsonObject tool, const QJsonObject &outputSchema)
{
    tool.insert(QStringLiteral("outputSchema"), outputSchema);
    return tool;
}

// What the TV is doing, and which saved TV the tools act on.
void addDeviceTools(QJsonArray &tools)
{
    const QString string = QStringLiteral("string");
    tools.append(returning(tool(QStringLiteral("tv_status"),
                      QStringLiteral("TV status"),
                      QStringLiteral("Get TV connection, power state, volume, mute, foreground "
                                     "app/input and the list of inputs."), kReads), statusOutput()));
    tools.append(returning(tool(QStringLiteral("tv_list_devices"),
                      QStringLiteral("List saved TVs"),
                      QStringLiteral("List TVs saved in Veltrix and which one is selected."), kReads), devicesOutput()));
    tools.append(tool(QStringLiteral("tv_select_device"),
                      QStringLiteral("Select a TV"),
                      QStringLiteral("Select a saved, paired TV and connect to it."), kSetsState,
                      {{QStringLiteral("device"),
                        described(string, QStringLiteral("Device id, name or IP address from "
                                                         "tv_list_devices"))}},
                      {QStringLiteral("device")}));
}

// What runs on screen: apps and external inputs.
void addAppAndInputTools(QJsonArray &tools)
{
    const QString string = QStringLiteral("string");
    tools.append(returning(tool(QStringLiteral("tv_list_apps"),
                      QStringLiteral("List TV apps"),
                      QStringLiteral("List installed TV apps (id and title)."), kReads), appsOutput()));
    tools.append(tool(QStringLiteral("tv_launch_app"),
                      QStringLiteral("Launch an app"),
                      QStringLiteral("Launch a TV app by id or (partial) title."), kSetsState,
                      {{QStringLiteral("app"),
                        described(string, QStringLiteral("App id like 'youtube.leanback.v4' or a "
                                                         "title like 'YouTube'"))}},
                      {QStringLiteral("app")}));
    tools.append(returning(tool(QStringLiteral("tv_list_inputs"),
                      QStringLiteral("List inputs"),
                      QStringLiteral("List external inputs (HDMI etc.) with connection status."), kReads), inputsOutput()));
    tools.append(tool(QStringLiteral("tv_switch_input"),
                      QStringLiteral("Switch input"),
                      QStringLiteral("Switch to an external input by id (e.g. HDMI_2) or label."), kSetsState,
                      {{QStringLiteral("input"),
                        described(string, QStringLiteral("Input id or label from tv_list_inputs"))}},
                      {QStringLiteral("input")}));
}

// The remote control's keys, volume and playback.
void addRemoteTools(QJsonArray &tools)
{
    const QString boolean = QStringLiteral("boolean");
    const QString action = QStringLiteral("action");
    tools.append(tool(QStringLiteral("tv_press_button"),
                      QStringLiteral("Press a remote button"),
                      QStringLiteral("Press a remote-control button. OK/ENTER confirms the "
                                     "focused item."), kActs,
                      {{QStringLiteral("button"), enumerated(veltrix::mcptools::buttonNames())},
                       {QStringLiteral("repeat"),
                        bounded(1, 20, QStringLiteral("Times to press, default 1"))}},
                      {QStringLiteral("button")}));
    tools.append(tool(QStringLiteral("tv_volume"),
                      QStringLiteral("Change the volume"),
                      QStringLiteral("Change volume: step up/down or set an absolute level "
                                     "(0-100). Returns the new volume."), kActs,
                      {{action, enumerated({QStringLiteral("up"), QStringLiteral("down"),
                                            QStringLiteral("set")})},
                       {QStringLiteral("level"),
                        bounded(0, 100, QStringLiteral("Required when action is 'set'"))}},
                      {action}));
    tools.append(tool(QStringLiteral("tv_mute"), QStringLiteral("Mute or unmute"),
                      QStringLiteral("Mute or unmute the TV."), kSetsState,
                      {{QStringLiteral("muted"), typed(boolean)}}, {QStringLiteral("muted")}));
    tools.append(tool(QStringLiteral("tv_media"),
                      QStringLiteral("Media playback"),
                      QStringLiteral("Media playback control for the current app."), kActs,
                      {{action, enumerated({QStringLiteral("play"), QStringLiteral("pause"),
                                            QStringLiteral("stop"), QStringLiteral("rewind"),
                                            QStringLiteral("fastForward")})}},
                      {action}));
    tools.append(tool(QStringLiteral("tv_channel"), QStringLiteral("Change channel"),
                      QStringLiteral("Change live TV channel."), kActs,
                      {{action, enumerated({QStringLiteral("up"), QStringLiteral("down")})}},
                      {action}));
}

// Typing, power and messages on the screen.
void addTextPowerAndNoticeTools(QJsonArray &tools)
{
    const QString string = QStringLiteral("string");
    const QString boolean = QStringLiteral("boolean");
    const QString action = QStringLiteral("action");
    tools.append(tool(QStringLiteral("tv_input_text"),
                      QStringLiteral("Type text"),
                      QStringLiteral("Type text into the focused text field on the TV (e.g. a "
                                     "search box)."), kActs,
                      {{QStringLiteral("text"), typed(string)},
                       {QStringLiteral("submit"),
                        described(boolean, QStringLiteral("Press Enter after typing, default "
                                                          "false"))}},
                      {QStringLiteral("text")}));
    tools.append(tool(QStringLiteral("tv_power"),
                      QStringLiteral("Turn the TV on or off"),
                      QStringLiteral("Turn the TV off, or on via Wake-on-LAN (requires TV network "
                                     "wake setting)."), kPower,
                      {{action, enumerated({QStringLiteral("on"), QStringLiteral("off")})}},
                      {action}));
    tools.append(tool(QStringLiteral("tv_notify"),
                      QStringLiteral("Show a notification"),
                      QStringLiteral("Show a toast notification on the TV screen."), kActs,
                      {{QStringLiteral("message"), typed(string)}}, {QStringLiteral("message")}));
}

QJsonArray buildDefinitions()
{
    QJsonArray tools;
    addDeviceTools(tools);
    addAppAndInputTools(tools);
    addRemoteTools(tools);
    addTextPowerAndNoticeTools(tools);
    return tools;
}

} // namespace

const QJsonArray &MCPTools::definitionsWithScreenshot()
{
    static const QJsonArray tools = [] {
        QJsonArray all = definitions();
        all.append(tool(MCPTools::screenshotTool, QStringLiteral("See the TV screen"),
                        QStringLiteral("Take a picture of what the TV shows (JPEG, scaled down to maxWidth) "
                                       "and name the foreground app. The picture may show private content."),
                        kReads,
                        {{QStringLiteral("maxWidth"),
                          bounded(160, 1920, QStringLiteral("Largest picture width in pixels, default 1280; "
                                                            "smaller pictures cost fewer tokens"))}}));
        return all;
    }();
    return tools;
}

const QJsonArray &MCPTools::definitions()
{
    // Function-local static: built once, thread-safe, never changed afterwards.
    static const QJsonArray tools = buildDefinitions();
    return tools;
}
