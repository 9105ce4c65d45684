#include "mcp/mcptools.h"

#include "mcp/mcptoolcatalogue.h"
#include "log/log.h"
#include "protocol/ssaperror.h"
#include "protocol/ssapuris.h"
#include "core/tvrequests.h"
#include "core/tvsession.h"

#include <QBuffer>
#include <QImage>
#include <QJsonDocument>
#include <QScopeGuard>
#include <QTextBoundaryFinder>

#include <QCoro/QCoroTimer>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>

using namespace std::chrono_literals;

namespace {

using Failure = MCPTools::Failure;
using Clock = std::chrono::steady_clock;

constexpr auto kButtonSpacing = 180ms;
constexpr auto kWakeDeadline = 45s;
constexpr auto kWakePoll = 300ms;
constexpr int kShotMinWidth = 160;
constexpr int kShotMaxWidth = 1920;
constexpr int kShotDefaultWidth = 1280;
constexpr int kShotQuality = 80;

// What a running tool needs. Tools copy it and never touch the MCPTools object after their
// first suspension, so the owner may go away while a tool is still waiting on the TV.
struct Context {
    QPointer<TVSession> session;
    std::chrono::milliseconds readyTimeout;
};

// The session outlives the tools in the application; without it there is nothing to talk to.
TVSession *live(const QPointer<TVSession> &session)
{
    if (!session)
        throw SSAPError::notConnected();
    return session.data();
}

QString requiredString(const QJsonObject &arguments, const QString &key)
{
    const QJsonValue value = arguments.value(key);
    if (!value.isString() || value.toString().isEmpty())
        throw Failure::invalid(QStringLiteral("Missing '") + key + QStringLiteral("'"));
    return value.toString();
}

// A JSON number without a fractional part. Kept as a double so that huge values still compare
// and clamp correctly instead of wrapping around.
std::optional<double> integral(const QJsonValue &value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (!std::isfinite(number) || std::trunc(number) != number)
        return std::nullopt;
    return number;
}

std::optional<bool> boolean(const QJsonObject &arguments, const QString &key)
{
    const QJsonValue value = arguments.value(key);
    if (!value.isBool())
        return std::nullopt;
    return value.toBool();
}

bool containsIgnoringCase(const QString &haystack, const QString &needle)
{
    return haystack.contains(needle, Qt::CaseInsensitive);
}

bool equalIgnoringCase(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString jsonText(const QJsonDocument &document)
{
    QByteArray text = document.toJson(QJsonDocument::Indented);
    if (text.isEmpty())
        return QStringLiteral("{}");
    if (text.endsWith('\n'))
        text.chop(1);
    return QString::fromUtf8(text);
}

// A data tool's result: the pretty JSON text older clients read, and the same data as the
// structured object. Lists are wrapped in an object under their name, because structured
// content is always an object; the text keeps the bare array.
MCPToolResult dataResult(const QJsonObject &object)
{
    return MCPToolResult{QJsonArray{MCPToolResult::textItem(jsonText(QJsonDocument(object)))}, object};
}

MCPToolResult listResult(const QString &name, const QJsonArray &list)
{
    return MCPToolResult{QJsonArray{MCPToolResult::textItem(jsonText(QJsonDocument(list)))},
                         QJsonObject{{name, list}}};
}

QString connectionText(const ConnectionState &state)
{
    switch (state.kind()) {
    case ConnectionState::Kind::offline:
        return QStringLiteral("offline");
    case ConnectionState::Kind::connecting:
        return QStringLiteral("connecting");
    case ConnectionState::Kind::awaitingApproval:
        return QStringLiteral("awaiting_approval");
    case ConnectionState::Kind::ready:
        return QStringLiteral("ready");
    case ConnectionState::Kind::waking:
        return QStringLiteral("waking");
    case ConnectionState::Kind::sleeping:
        return QStringLiteral("standby");
    case ConnectionState::Kind::error:
        return QStringLiteral("error: ") + state.text();
    }
    return QStringLiteral("offline");
}

QJsonArray inputsJson(const TVSession *session)
{
    const QString foreground = session->foregroundAppId();
    QJsonArray array;
    for (const ExternalInput &input : session->inputs()) {
        array.append(QJsonObject{
            {QStringLiteral("id"), input.id},
            {QStringLiteral("label"), input.label},
            {QStringLiteral("connected"), input.connected},
            {QStringLiteral("active"), isForeground(input.appId, foreground)},
        });
    }
    return array;
}

// Unlike the window's title, an unknown or empty id is shown as it is.
QString foregroundTitle(const TVSession *session)
{
    const QString foreground = session->foregroundAppId();
    return foregroundName(session->inputs(), session->apps(), foreground).value_or(foreground);
}

std::optional<TVApp> firstApp(const QList<TVApp> &apps,
                             const std::function<bool(const TVApp &)> &predicate)
{
    for (const TVApp &app : apps) {
        if (predicate(app))
            return app;
    }
    return std::nullopt;
}

int graphemeCount(const QString &text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

QCoro::Task<> readyWait(Context context)
{
    co_await live(context.session)->ensureConnected(context.readyTimeout);
    live(context.session);
}

// Callers build the request into a named value before awaiting this: g++ 12 may destroy a
// temporary made inside a co_await expression twice.
QCoro::Task<QJsonObject> request(Context context, TVRequest request)
{
    const QJsonObject reply = co_await live(context.session)->call(request);
    live(context.session);
    co_return reply;
}

// One key press, left running on its own: the tool does not wait for delivery, and nothing
// thrown may escape a task nobody awaits.
QCoro::Task<> pressDetached(QPointer<TVSession> session, QString key)
{
    if (!session)
        co_return;
    try {
        co_await session->button(key);
    } catch (const std::exception &error) {
        veltrix::log(QStringLiteral("按键 ") + key + QStringLiteral(" 失败: ")
                     + QString::fromUtf8(error.what()));
    }
}

// --- The tools -----------------------------------------------------------------------------

QCoro::Task<MCPToolResult> tvStatus(Context context)
{
    const std::optional<TVDevice> selected = live(context.session)->store()->selectedDevice();
    if (selected && selected->isPaired()) {
        try {
            co_await readyWait(context);
        } catch (const std::exception &) {
            // The status reports whatever state the attempt left behind.
        }
    }
    const TVSession *session = live(context.session);
    const std::optional<TVDevice> device = session->store()->selectedDevice();

    QJsonObject status;
    status.insert(QStringLiteral("connection"), connectionText(session->state()));
    status.insert(QStringLiteral("power"), session->powerState().isEmpty()
                                               ? QStringLiteral("unknown")
                                               : session->powerState());
    if (device) {
        status.insert(QStringLiteral("device"), QJsonObject{
            {QStringLiteral("name"), device->displayName()},
            {QStringLiteral("model"), device->model},
            {QStringLiteral("host"), device->host},
            {QStringLiteral("paired"), device->isPaired()},
        });
    } else {
        status.insert(QStringLiteral("device"), QJsonValue(QJsonValue::Null));
    }
    status.insert(QStringLiteral("volume"), session->volume());
    status.insert(QStringLiteral("muted"), session->muted());
    status.insert(QStringLiteral("foreground"), QJsonObject{
        {QStringLiteral("id"), session->foregroundAppId()},
        {QStringLiteral("title"), foregroundTitle(session)},
    });
    status.insert(QStringLiteral("inputs"), inputsJson(session));
    co_return dataResult(status);
}

QCoro::Task<MCPToolResult> tvListDevices(Context context)
{
    const DeviceStore *store = live(context.session)->store();
    const QString selected = store->selectedIDText();
    const bool hasSelection = store->selectedID().has_value();
    QJsonArray array;
    for (const TVDevice &device : store->devices()) {
        array.append(QJsonObject{
            {QStringLiteral("id"), device.id},
            {QStringLiteral("name"), device.displayName()},
            {QStringLiteral("model"), device.model},
            {QStringLiteral("host"), device.host},
            {QStringLiteral("paired"), device.isPaired()},
            {QStringLiteral("selected"), hasSelection && device.id == selected},
        });
    }
    co_return listResult(QStringLiteral("devices"), array);
}

QCoro::Task<QString> tvSelectDevice(Context context, QJsonObject arguments)
{
    const QString query = requiredString(arguments, QStringLiteral("device"));
    TVSession *session = live(context.session);
    DeviceStore *store = session->store();
    const QList<TVDevice> devices = store->devices();

    std::optional<TVDevice> match;
    for (const TVDevice &device : devices) {
        if (device.id == query || device.host == query) {
            match = device;
            break;
        }
    }
    if (!match) {
        for (const TVDevice &device : devices) {
            if (containsIgnoringCase(device.displayName(), query)) {
                match = device;
                break;
            }
        }
    }
    if (!match)
        throw Failure::invalid(QStringLiteral("No saved TV matches '") + query + QStringLiteral("'"));

    const bool selectionChanged = store->selectedID() != std::optional<QString>(match->id);
    store->setSelectedID(match->id);

    // A live or pending connection to the previously selected TV would make the ready-wait
    // report the new TV as connected while commands still reach the old one. An unpaired TV
    // is not paired from here: the old connection ends and the ready-wait says why.
    const SSAPClient *client = session->client();
    const bool elsewhere = selectionChanged || (client && client->host() != match->host);
    if (elsewhere && !session->state().is(ConnectionState::Kind::offline)) {
        if (match->isPaired())
            session->connect(match->id);
        else
            session->disconnect();
    }

    co_await readyWait(context);
    co_return QStringLiteral("Connected to ") + match->displayName() + QStringLiteral(" (")
        + match->host + QStringLiteral(")");
}

QCoro::Task<MCPToolResult> tvListApps(Context context)
{
    co_await readyWait(context);
    co_await live(context.session)->refreshApps();
    QJsonArray array;
    for (const TVApp &app : live(context.session)->apps()) {
        array.append(QJsonObject{
            {QStringLiteral("id"), app.id},
            {QStringLiteral("title"), app.title},
        });
    }
    co_return listResult(QStringLiteral("apps"), array);
}

QCoro::Task<QString> tvLaunchApp(Context context, QJsonObject arguments)
{
    co_await readyWait(context);
    if (live(context.session)->apps().isEmpty())
        co_await live(context.session)->refreshApps();
    const QString query = requiredString(arguments, QStringLiteral("app"));

    const QList<TVApp> apps = live(context.session)->apps();
    std::optional<TVApp> app = firstApp(apps, [&query](const TVApp &a) { return a.id == query; });
    if (!app) {
        app = firstApp(apps, [&query](const TVApp &a) { return equalIgnoringCase(a.title, query); });
    }
    if (!app) {
        app = firstApp(apps, [&query](const TVApp &a) {
            return containsIgnoringCase(a.title, query) || containsIgnoringCase(a.id, query);
        });
    }
    if (!app) {
        throw Failure::invalid(QStringLiteral("No app matches '") + query
                               + QStringLiteral("'. Use tv_list_apps."));
    }

    const TVRequest launch = tvrequest::launch(app->id);
    co_await request(context, launch);
    co_return QStringLiteral("Launched ") + app->title + QStringLiteral(" (") + app->id
        + QStringLiteral(")");
}

QCoro::Task<MCPToolResult> tvListInputs(Context context)
{
    co_await readyWait(context);
    co_await live(context.session)->refreshInputs();
    co_return listResult(QStringLiteral("inputs"), inputsJson(live(context.session)));
}

QCoro::Task<QString> tvSwitchInput(Context context, QJsonObject arguments)
{
    co_await readyWait(context);
    if (live(context.session)->inputs().isEmpty())
        co_await live(context.session)->refreshInputs();
    const QString query = requiredString(arguments, QStringLiteral("input"));

    const QList<ExternalInput> inputs = live(context.session)->inputs();
    std::optional<ExternalInput> input;
    for (const ExternalInput &candidate : inputs) {
        if (equalIgnoringCase(candidate.id, query)) {
            input = candidate;
            break;
        }
    }
    if (!input) {
        for (const ExternalInput &candidate : inputs) {
            if (containsIgnoringCase(candidate.label, query)) {
                input = candidate;
                break;
            }
        }
    }
    if (!input) {
        throw Failure::invalid(QStringLiteral("No input matches '") + query
                               + QStringLiteral("'. Use tv_list_inputs."));
    }

    const TVRequest switchInput = tvrequest::switchInput(input->id);
    co_await request(context, switchInput);
    co_return QStringLiteral("Switched to ") + input->label + QStringLiteral(" (") + input->id
        + QStringLiteral(")");
}

QCoro::Task<QString> tvPressButton(Context context, QJsonObject arguments)
{
    co_await readyWait(context);
    const QString name = requiredString(arguments, QStringLiteral("button")).toUpper();
    if (!veltrix::mcptools::buttonNames().contains(name))
        throw Failure::invalid(QStringLiteral("Unsupported button '") + name + QStringLiteral("'"));

    const double requested = integral(arguments.value(QStringLiteral("repeat"))).value_or(1.0);
    const int count = static_cast<int>(std::clamp(requested, 1.0, 20.0));
    const QString key = name == QLatin1String("OK") ? QStringLiteral("ENTER") : name;

    for (int press = 0; press < count; ++press) {
        pressDetached(context.session, key);
        if (press + 1 < count) {
            co_await QCoro::sleepFor(kButtonSpacing);
            live(context.session);
        }
    }

    QString result = QStringLiteral("Pressed ") + name;
    if (requested >= 2)
        result += QStringLiteral(" \u00D7") + QString::number(count);
    co_return result;
}

QCoro::Task<QString> tvVolume(Context context, QJsonObject arguments)
{
    co_await readyWait(context);
    const QString action = requiredString(arguments, QStringLiteral("action"));

    QJsonObject reply;
    std::optional<int> requestedLevel;
    if (action == QLatin1String("up") || action == QLatin1String("down")) {
        const TVRequest step = action == QLatin1String("up") ? tvrequest::volumeUp() : tvrequest::volumeDown();
        reply = co_await request(context, step);
    } else if (action == QLatin1String("set")) {
        const std::optional<double> level = integral(arguments.value(QStringLiteral("level")));
        if (!level || *level < 0 || *level > 100)
            throw Failure::invalid(QStringLiteral("'level' must be 0-100"));
        requestedLevel = static_cast<int>(*level);
        const TVRequest setVolume = tvrequest::setVolume(*requestedLevel);
        reply = co_await request(context, setVolume);
    } else {
        throw Failure::invalid(QStringLiteral("action must be up, down or set"));
    }

    // The TV's reply usually carries no volume and the subscription event may still be on its
    // way, so after "set" the level just set is the truthful answer, not the stale field.
    // A reported level past what an integer holds is not a level (and must not be cast).
    qint64 volume = live(context.session)->volume();
    const std::optional<double> reported = integral(reply.value(QStringLiteral("volume")));
    if (reported && std::abs(*reported) < 9.0e18)
        volume = static_cast<qint64>(*reported);
    else if (requestedLevel)
        volume = *requestedLevel;
    co_return QStringLiteral("Volume: ") + QString::number(volume);
}

QCoro::Task<QString> tvMute(Context context, QJsonObject arguments)
{
    co_await readyWait(context);
    const std::optional<bool> muted = boolean(arguments, QStringLiteral("muted"));
    if (!muted)
        throw Failure::invalid(QStringLiteral("'muted' must be boolean"));
    const TVRequest setMute = tvrequest::setMute(*muted);
    co_await request(context, setMute);
    co_return *muted ? QStringLiteral("Muted") : QStringLiteral("Unmuted");
}

QCoro::Task<QString> tvMedia(Context context, QJsonObject arguments)
{
    co_await readyWait(context);
    const QString action = requiredString(arguments, QStringLiteral("action"));
    static const QStringList actions = {
        QStringLiteral("play"), QStringLiteral("pause"), QStringLiteral("stop"),
        QStringLiteral("rewind"), QStringLiteral("fastForward"),
    };
    if (!actions.contains(action))
        throw Failure::invalid(QStringLiteral("Unsupported action"));
    const TVRequest media{ssapuri::mediaControls + action, {}};
    co_await request(context, media);
    co_return QStringLiteral("Media ") + action;
}

QCoro::Task<QString> tvChannel(Context context, QJsonObject arguments)
{
    co_await readyWait(context);
    const QString action = requiredString(arguments, QStringLiteral("action"));
    QString uri;
    if (action == QLatin1String("up"))
        uri = ssapuri::channelUp;
    else if (action == QLatin1String("down"))
        uri = ssapuri::channelDown;
    else
        throw Failure::invalid(QStringLiteral("action must be up or down"));
    const TVRequest channel{uri, {}};
    co_await request(context, channel);
    co_return QStringLiteral("Channel ") + action;
}

QCoro::Task<QString> tvInputText(Context context, QJsonObject arguments)
{
    co_await readyWait(context);
    const QString text = requiredString(arguments, QStringLiteral("text"));
    const TVRequest insertText = tvrequest::insertText(text);
    co_await request(context, insertText);
    if (boolean(arguments, QStringLiteral("submit")).value_or(false)) {
        const TVRequest enter{ssapuri::sendEnterKey, {}};
        co_await request(context, enter);
    }
    QString result = QStringLiteral("Typed ") + QString::number(graphemeCount(text))
        + QStringLiteral(" characters");
    if (!live(context.session)->keyboardFocused())
        result += QStringLiteral(" (warning: no focused text field reported)");
    co_return result;
}

QCoro::Task<QString> tvPowerOn(Context context)
{
    TVSession *session = live(context.session);
    if (session->state().is(ConnectionState::Kind::ready) && !session->isStandby())
        co_return QStringLiteral("TV is already on");

    const std::optional<TVDevice> device = session->store()->selectedDevice();
    if (!device || !device->mac)
        throw Failure::invalid(QStringLiteral("TV MAC address unknown; cannot Wake-on-LAN"));

    // Every failed attempt of the wake-up passes through a short-lived error state before the
    // wake loop goes back to waking. Only an error that stays put (no state change for longer
    // than the loop's poll) is the wake-up's final word.
    auto changes = std::make_shared<quint64>(0);
    const QMetaObject::Connection watch = QObject::connect(
        session, &TVSession::stateChanged, session, [changes] { ++*changes; });
    const auto unwatch = qScopeGuard([watch] { QObject::disconnect(watch); });
    const auto settle = std::max<std::chrono::milliseconds>(2 * session->timing().wakePoll,
                                                            kWakePoll);

    session->wake();
    const auto deadline = Clock::now() + kWakeDeadline;
    std::optional<quint64> errorMark;
    Clock::time_point errorSince;
    for (;;) {
        session = live(context.session);
        const auto now = Clock::now();
        if (now >= deadline) {
            throw Failure::invalid(
                QStringLiteral("Wake-on-LAN sent but TV did not come online in 45s"));
        }
        const ConnectionState state = session->state();
        if (state.is(ConnectionState::Kind::ready) && !session->isStandby()
            && session->powerState() == QLatin1String("Active")) {
            co_return QStringLiteral("TV is on");
        }
        if (state.is(ConnectionState::Kind::error)) {
            if (errorMark != *changes) {
                errorMark = *changes;
                errorSince = now;
            } else if (now - errorSince >= settle) {
                throw Failure::invalid(state.text());
            }
        } else {
            errorMark.reset();
        }
        co_await QCoro::sleepFor(kWakePoll);
    }
}

QCoro::Task<QString> tvPower(Context context, QJsonObject arguments)
{
    const QString action = requiredString(arguments, QStringLiteral("action"));
    if (action == QLatin1String("off")) {
        co_await readyWait(context);
        const TVRequest turnOff = tvrequest::turnOff();
        co_await request(context, turnOff);
        co_return QStringLiteral("TV turned off (standby)");
    }
    if (action == QLatin1String("on"))
        co_return co_await tvPowerOn(context);
    throw Failure::invalid(QStringLiteral("action must be on or off"));
}

QCoro::Task<QString> tvNotify(Context context, QJsonObject arguments)
{
    co_await readyWait(context);
    const QString message = requiredString(arguments, QStringLiteral("message"));
    const TVRequest toast{ssapuri::createToast, {{QStringLiteral("message"), message}}};
    co_await request(context, toast);
    co_return QStringLiteral("Notification shown");
}

// The picture goes through the preview's own capture path, so the agent sees what the
// window shows and the TV serves no extra kind of request.
QCoro::Task<MCPToolResult> tvScreenshot(Context context, QJsonObject arguments)
{
    int maxWidth = kShotDefaultWidth;
    if (arguments.contains(QStringLiteral("maxWidth"))) {
        const std::optional<double> value = integral(arguments.value(QStringLiteral("maxWidth")));
        if (!value || *value < kShotMinWidth || *value > kShotMaxWidth)
            throw Failure::invalid(QStringLiteral("'maxWidth' must be an integer from 160 to 1920"));
        maxWidth = int(*value);
    }
    co_await readyWait(context);
    // Ready but in standby: the screen is dark, and the capture would only be refused.
    if (live(context.session)->isStandby())
        throw Failure::invalid(QStringLiteral("The TV is in standby: turn it on with tv_power first."));

    QImage frame;
    QString failure;
    try {
        frame = co_await live(context.session)->captureScreen();
    } catch (const std::exception &error) {
        failure = QString::fromUtf8(error.what());
    }
    if (!failure.isEmpty())
        throw Failure::invalid(QStringLiteral("Screen capture failed: ") + failure);
    const TVSession *session = live(context.session);

    // Scaled down only: a small frame stays as the TV sent it.
    const QImage picture = frame.width() > maxWidth
        ? frame.scaledToWidth(maxWidth, Qt::SmoothTransformation)
        : frame;
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "JPEG", kShotQuality))
        throw Failure::invalid(QStringLiteral("Screen capture failed: the picture could not be encoded as JPEG"));

    const QString foreground = session->foregroundAppId();
    const QString app = foreground.isEmpty()
        ? QStringLiteral("unknown")
        : foregroundTitle(session) + QStringLiteral(" (") + foreground + QLatin1Char(')');
    const QString text = QStringLiteral("TV screen, %1x%2 JPEG (captured at %3x%4). Foreground app: %5")
                             .arg(picture.width()).arg(picture.height())
                             .arg(frame.width()).arg(frame.height()).arg(app);
    const QJsonObject image{
        {QStringLiteral("type"), QStringLiteral("image")},
        {QStringLiteral("mimeType"), QStringLiteral("image/jpeg")},
        {QStringLiteral("data"), QString::fromLatin1(jpeg.toBase64())},
    };
    co_return MCPToolResult{QJsonArray{image, MCPToolResult::textItem(text)}, std::nullopt};
}

QCoro::Task<QString> firstText(QCoro::Task<MCPToolResult> result)
{
    const MCPToolResult done = co_await std::move(result);
    co_return done.firstText();
}

QCoro::Task<MCPToolResult> run(Context context, QString name, QJsonObject arguments)
{
    if (name == QLatin1String("tv_status"))
        co_return co_await tvStatus(context);
    if (name == QLatin1String("tv_list_devices"))
        co_return co_await tvListDevices(context);
    if (name == QLatin1String("tv_select_device"))
        co_return MCPToolResult::text(co_await tvSelectDevice(context, arguments));
    if (name == QLatin1String("tv_list_apps"))
        co_return co_await tvListApps(context);
    if (name == QLatin1String("tv_launch_app"))
        co_return MCPToolResult::text(co_await tvLaunchApp(context, arguments));
    if (name == QLatin1String("tv_list_inputs"))
        co_return co_await tvListInputs(context);
    if (name == QLatin1String("tv_switch_input"))
        co_return MCPToolResult::text(co_await tvSwitchInput(context, arguments));
    if (name == QLatin1String("tv_press_button"))
        co_return MCPToolResult::text(co_await tvPressButton(context, arguments));
    if (name == QLatin1String("tv_volume"))
        co_return MCPToolResult::text(co_await tvVolume(context, arguments));
    if (name == QLatin1String("tv_mute"))
        co_return MCPToolResult::text(co_await tvMute(context, arguments));
    if (name == QLatin1String("tv_media"))
        co_return MCPToolResult::text(co_await tvMedia(context, arguments));
    if (name == QLatin1String("tv_channel"))
        co_return MCPToolResult::text(co_await tvChannel(context, arguments));
    if (name == QLatin1String("tv_input_text"))
        co_return MCPToolResult::text(co_await tvInputText(context, arguments));
    if (name == QLatin1String("tv_power"))
        co_return MCPToolResult::text(co_await tvPower(context, arguments));
    if (name == MCPTools::screenshotTool)
        co_return co_await tvScreenshot(context, arguments);
    if (name == QLatin1String("tv_notify"))
        co_return MCPToolResult::text(co_await tvNotify(context, arguments));
    throw Failure::unknownTool(name);
}

} // namespace

MCPTools::MCPTools(TVSession *session)
    : m_session(session)
{
}

QCoro::Task<MCPToolResult> MCPTools::callTool(const QString &name, const QJsonObject &arguments)
{
    // The tool works on copies: this object may be destroyed while the tool waits.
    return run(Context{m_session, m_readyTimeout}, name, arguments);
}

QCoro::Task<QString> MCPTools::call(const QString &name, const QJsonObject &arguments)
{
    return firstText(callTool(name, arguments));
}
