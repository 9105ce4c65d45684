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

QJsonObject tool(const QString &name, const QString &description,
                 std::initializer_list<Property> properties = {},
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
        {QStringLiteral("description"), description},
        {QStringLiteral("inputSchema"), schema},
    };
}

QJsonArray buildDefinitions()
{
    const QString string = QStringLiteral("string");
    const QString boolean = QStringLiteral("boolean");
    const QString action = QStringLiteral("action");

    QJsonArray tools;
    tools.append(tool(QStringLiteral("tv_status"),
                      QStringLiteral("Get TV connection, power state, volume, mute, foreground "
                                     "app/input and the list of inputs.")));
    tools.append(tool(QStringLiteral("tv_list_devices"),
                      QStringLiteral("List TVs saved in Veltrix and which one is selected.")));
    tools.append(tool(QStringLiteral("tv_select_device"),
                      QStringLiteral("Select a saved, paired TV and connect to it."),
                      {{QStringLiteral("device"),
                        described(string, QStringLiteral("Device id, name or IP address from "
                                                         "tv_list_devices"))}},
                      {QStringLiteral("device")}));
    tools.append(tool(QStringLiteral("tv_list_apps"),
                      QStringLiteral("List installed TV apps (id and title).")));
    tools.append(tool(QStringLiteral("tv_launch_app"),
                      QStringLiteral("Launch a TV app by id or (partial) title."),
                      {{QStringLiteral("app"),
                        described(string, QStringLiteral("App id like 'youtube.leanback.v4' or a "
                                                         "title like 'YouTube'"))}},
                      {QStringLiteral("app")}));
    tools.append(tool(QStringLiteral("tv_list_inputs"),
                      QStringLiteral("List external inputs (HDMI etc.) with connection status.")));
    tools.append(tool(QStringLiteral("tv_switch_input"),
                      QStringLiteral("Switch to an external input by id (e.g. HDMI_2) or label."),
                      {{QStringLiteral("input"),
                        described(string, QStringLiteral("Input id or label from tv_list_inputs"))}},
                      {QStringLiteral("input")}));
    tools.append(tool(QStringLiteral("tv_press_button"),
                      QStringLiteral("Press a remote-control button. OK/ENTER confirms the "
                                     "focused item."),
                      {{QStringLiteral("button"), enumerated(veltrix::mcptools::buttonNames())},
                       {QStringLiteral("repeat"),
                        bounded(1, 20, QStringLiteral("Times to press, default 1"))}},
                      {QStringLiteral("button")}));
    tools.append(tool(QStringLiteral("tv_volume"),
                      QStringLiteral("Change volume: step up/down or set an absolute level "
                                     "(0-100). Returns the new volume."),
                      {{action, enumerated({QStringLiteral("up"), QStringLiteral("down"),
                                            QStringLiteral("set")})},
                       {QStringLiteral("level"),
                        bounded(0, 100, QStringLiteral("Required when action is 'set'"))}},
                      {action}));
    tools.append(tool(QStringLiteral("tv_mute"), QStringLiteral("Mute or unmute the TV."),
                      {{QStringLiteral("muted"), typed(boolean)}}, {QStringLiteral("muted")}));
    tools.append(tool(QStringLiteral("tv_media"),
                      QStringLiteral("Media playback control for the current app."),
                      {{action, enumerated({QStringLiteral("play"), QStringLiteral("pause"),
                                            QStringLiteral("stop"), QStringLiteral("rewind"),
                                            QStringLiteral("fastForward")})}},
                      {action}));
    tools.append(tool(QStringLiteral("tv_channel"), QStringLiteral("Change live TV channel."),
                      {{action, enumerated({QStringLiteral("up"), QStringLiteral("down")})}},
                      {action}));
    tools.append(tool(QStringLiteral("tv_input_text"),
                      QStringLiteral("Type text into the focused text field on the TV (e.g. a "
                                     "search box)."),
                      {{QStringLiteral("text"), typed(string)},
                       {QStringLiteral("submit"),
                        described(boolean, QStringLiteral("Press Enter after typing, default "
                                                          "false"))}},
                      {QStringLiteral("text")}));
    tools.append(tool(QStringLiteral("tv_power"),
                      QStringLiteral("Turn the TV off, or on via Wake-on-LAN (requires TV network "
                                     "wake setting)."),
                      {{action, enumerated({QStringLiteral("on"), QStringLiteral("off")})}},
                      {action}));
    tools.append(tool(QStringLiteral("tv_notify"),
                      QStringLiteral("Show a toast notification on the TV screen."),
                      {{QStringLiteral("message"), typed(string)}}, {QStringLiteral("message")}));
    return tools;
}

} // namespace

const QJsonArray &MCPTools::definitions()
{
    // Function-local static: built once, thread-safe, never changed afterwards.
    static const QJsonArray tools = buildDefinitions();
    return tools;
}
