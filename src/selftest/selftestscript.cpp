#include "selftest/selftestscript.h"

#include "selftest/selftestformat.h"

#include "log/log.h"
#include "protocol/ssaperror.h"
#include "protocol/ssapuris.h"
#include "core/tvsession.h"

#include <QCoro/QCoroTimer>

#include <QElapsedTimer>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;
using selftest::payloadSummary;
using selftest::quotedList;

namespace {

const QString kAuroraId = QStringLiteral("app.newtvaurora");
const QString kForegroundUri = ssapuri::foregroundApp;
const QString kPowerStateUri = ssapuri::powerState;
const QString kPlayUri = ssapuri::mediaControls + QStringLiteral("play");
constexpr int kListedApps = 12;
constexpr int kListedIcons = 2;
constexpr int kPointerMoves = 20;

QString boolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

std::optional<TVApp> installedApp(const TVSession &session, const QString &id)
{
    const QList<TVApp> apps = session.apps();
    const auto it = std::find_if(apps.cbegin(), apps.cend(), [&](const TVApp &app) { return app.id == id; });
    if (it == apps.cend())
        return std::nullopt;
    return *it;
}

QString selectedMac(const TVSession &session)
{
    const std::optional<TVDevice> record = session.store()->selectedDevice();
    return record && record->mac ? *record->mac : QStringLiteral("-");
}

// A running wake-up passes through "offline" only inside one synchronous step, so a poll that
// sees it finds the wake-up over (the TV removed or another one chosen meanwhile, or the TV
// dropped the new connection): waiting on would never end.
bool stillWaking(const ConnectionState &state)
{
    return state.is(ConnectionState::Kind::waking) || state.is(ConnectionState::Kind::connecting);
}

} // namespace

SelfTestScript::SelfTestScript(TVSession *session, const Timing &timing)
    : m_session(session)
    , m_timing(timing)
{
}

TVSession &SelfTestScript::session() const
{
    if (!m_session)
        throw SessionGone{};
    return *m_session;
}

void SelfTestScript::say(const QString &text)
{
    veltrix::log(QStringLiteral("[autotest] ") + text);
}

QCoro::Task<std::optional<QJsonObject>> SelfTestScript::step(QString label, QString uri, QJsonObject payload)
{
    std::optional<QJsonObject> reply;
    QString failure;
    try {
        // call() fails with notConnected when the session has no client.
        reply = co_await session().call(uri, payload);
    } catch (const SessionGone &) {
        throw;
    } catch (const std::exception &error) {
        failure = SSAPError::describe(error);
    }
    if (reply)
        say(QStringLiteral("✅ ") + label + QStringLiteral(": ") + payloadSummary(*reply));
    else
        say(QStringLiteral("❌ ") + label + QStringLiteral(": ") + failure);
    session();
    co_return reply;
}

QCoro::Task<std::optional<QJsonObject>> SelfTestScript::powerState()
{
    std::optional<QJsonObject> reply;
    try {
        reply = co_await session().call(kPowerStateUri, {});
    } catch (const SessionGone &) {
        throw;
    } catch (const std::exception &) {
    }
    session();
    co_return reply;
}

QCoro::Task<> SelfTestScript::pause(std::chrono::milliseconds duration)
{
    co_await QCoro::sleepFor(duration);
    session();
}

QCoro::Task<> SelfTestScript::press(QString key, std::chrono::milliseconds settle)
{
    // Started, not awaited: the pause is what gives the TV time to react.
    session().button(key);
    co_await pause(settle);
}

// --- general script -----------------------------------------------------------------------

QCoro::Task<> SelfTestScript::runGeneral(bool full)
{
    try {
        co_await general(full);
    } catch (const SessionGone &) {
    }
}

QCoro::Task<> SelfTestScript::general(bool full)
{
    say(QStringLiteral("开始"));
    co_await readState();
    logLists();
    co_await navigate();
    if (full) {
        const QString before = session().foregroundAppId();
        co_await muteAndVolume();
        co_await movePointer();
        co_await changeSource();
        say(QStringLiteral("前台 ") + session().foregroundAppId() + QStringLiteral("（测试前 ") + before
            + QStringLiteral("）"));
        co_await step(u"播放"_s, kPlayUri, {});
    }
    say(QStringLiteral("结束"));
}

QCoro::Task<> SelfTestScript::readState()
{
    co_await step(u"网络信息"_s, ssapuri::connectionInfo, {});
    co_await step(u"音量状态"_s, ssapuri::volumeStatus, {});
    co_await step(u"前台应用"_s, kForegroundUri, {});
    const QJsonObject toast{{QStringLiteral("message"), QStringLiteral("Veltrix 已连接")}};
    co_await step(u"Toast"_s, ssapuri::createToast, toast);

    const int start = session().volume();
    co_await step(u"音量+"_s, ssapuri::volumeUp, {});
    co_await pause(m_timing.volumeSettle);
    say(QStringLiteral("音量 ") + QString::number(start) + QStringLiteral(" -> ") + QString::number(session().volume()));
    co_await step(u"音量-"_s, ssapuri::volumeDown, {});
    co_await pause(m_timing.volumeSettle);
    say(QStringLiteral("音量回到 ") + QString::number(session().volume()));
}

void SelfTestScript::logLists()
{
    const TVSession &s = session();
    QStringList inputs;
    for (const ExternalInput &input : s.inputs())
        inputs.append(input.id + QLatin1Char('/') + input.label + QLatin1Char('/') + boolText(input.connected));
    say(QStringLiteral("输入源 ") + quotedList(inputs));

    const QList<TVApp> apps = s.apps();
    QStringList titles;
    QStringList icons;
    for (qsizetype i = 0; i < apps.size(); ++i) {
        if (i < kListedApps)
            titles.append(apps[i].title);
        if (i < kListedIcons)
            icons.append(apps[i].icon ? apps[i].icon->toString(QUrl::FullyEncoded) : QStringLiteral("nil"));
    }
    say(QStringLiteral("应用 ") + QString::number(apps.size()) + QStringLiteral(" 个: ") + quotedList(titles));
    say(QStringLiteral("MAC ") + selectedMac(s));
    say(QStringLiteral("图标示例 ") + quotedList(icons));
}

QCoro::Task<> SelfTestScript::navigate()
{
    co_await press(u"HOME"_s, m_timing.homeSettle);
    co_await step(u"HOME 后前台"_s, kForegroundUri, {});
    co_await press(u"RIGHT"_s, m_timing.arrowSettle);
    co_await press(u"LEFT"_s, m_timing.arrowSettle);
    co_await press(u"BACK"_s, m_timing.backSettle);
    co_await step(u"BACK 后前台"_s, kForegroundUri, {});
}

QCoro::Task<> SelfTestScript::muteAndVolume()
{
    const QString uri = ssapuri::setMute;
    const QJsonObject mute{{QStringLiteral("mute"), true}};
    co_await step(u"静音"_s, uri, mute);
    co_await pause(m_timing.volumeSettle);
    say(QStringLiteral("muted=") + boolText(session().muted()));
    const QJsonObject unmute{{QStringLiteral("mute"), false}};
    co_await step(u"取消静音"_s, uri, unmute);
    co_await pause(m_timing.volumeSettle);
    say(QStringLiteral("muted=") + boolText(session().muted()));
    const QJsonObject volume{{QStringLiteral("volume"), session().volume()}};
    co_await step(u"设置音量"_s, ssapuri::setVolume, volume);
}

QCoro::Task<> SelfTestScript::movePointer()
{
    for (int i = 0; i < kPointerMoves; ++i) {
        session().movePointer(10, 5);
        co_await pause(m_timing.pointerInterval);
    }
    co_await pause(m_timing.pointerSettle);
    say(QStringLiteral("指针移动已发送"));
}

QCoro::Task<> SelfTestScript::changeSource()
{
    const QList<ExternalInput> inputs = session().inputs();
    const auto input = std::find_if(inputs.cbegin(), inputs.cend(), [](const ExternalInput &i) { return i.connected; });
    if (input != inputs.cend()) {
        const QJsonObject payload{{QStringLiteral("inputId"), input->id}};
        co_await step(u"切换 "_s + input->label, ssapuri::switchInput, payload);
        co_await pause(m_timing.sourceSettle);
    } else {
        co_await launchAuroraOrPlay();
    }
    say(QStringLiteral("前台 ") + session().foregroundAppId() + QStringLiteral(" 当前来源 ") + session().foregroundTitle());
    co_await launchAuroraOrPlay();
}

QCoro::Task<> SelfTestScript::launchAuroraOrPlay()
{
    if (const std::optional<TVApp> aurora = installedApp(session(), kAuroraId)) {
        const QJsonObject payload{{QStringLiteral("id"), kAuroraId}};
        co_await step(u"启动 "_s + aurora->title, ssapuri::launch, payload);
    } else {
        co_await step(u"播放"_s, kPlayUri, {});
    }
    co_await pause(m_timing.sourceSettle);
}

// --- power script ---------------------------------------------------------------------

QCoro::Task<> SelfTestScript::runPower()
{
    try {
        co_await power();
    } catch (const SessionGone &) {
    }
}

QCoro::Task<> SelfTestScript::power()
{
    if (session().client()) {
        if (const auto state = co_await powerState())
            say(QStringLiteral("关机前电源状态 ") + payloadSummary(*state));
    }
    say(QStringLiteral("关机，MAC ") + selectedMac(session()));
    session().turnOff();
    co_await pause(m_timing.powerOffSettle);
    if (const auto state = co_await powerState()) {
        say(QStringLiteral("关机 8s 后电源状态 ") + payloadSummary(*state) + QStringLiteral("，界面状态 ")
            + session().state().title(session().isStandby()));
    }
    co_await pause(m_timing.standbySettle);

    say(QStringLiteral("关机后状态 ") + session().state().title() + QStringLiteral("，发送 WOL"));
    QElapsedTimer clock;
    clock.start();
    session().wake();
    co_await waitForWakeUp();
    say(QStringLiteral("唤醒结果 ") + session().state().title() + QStringLiteral("，耗时 ")
        + QString::number(clock.elapsed() / 1000) + QStringLiteral("s"));
    if (const auto state = co_await powerState())
        say(QStringLiteral("电源状态 ") + payloadSummary(*state));
}

QCoro::Task<> SelfTestScript::waitForWakeUp()
{
    // Between a failed attempt and the wake-up's next one the state shows that attempt's
    // outcome (sleeping, an error) for one poll of the wake-up, which is shorter than ours;
    // only such a state seen twice in a row ends the wait.
    bool seenOnce = false;
    for (;;) {
        const ConnectionState state = session().state();
        if (state.is(ConnectionState::Kind::ready) || state.is(ConnectionState::Kind::offline))
            co_return;
        if (stillWaking(state)) {
            seenOnce = false;
        } else if (seenOnce) {
            co_return;
        } else {
            seenOnce = true;
        }
        co_await pause(m_timing.wakePoll);
    }
}
