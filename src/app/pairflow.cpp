#include "app/pairflow.h"

#include "protocol/completion.h"
#include "core/devicestore.h"
#include "log/coretext.h"
#include "protocol/ssaperror.h"
#include "app/terminal.h"
#include "core/textutil.h"
#include "core/tvsession.h"

PairFlow::PairFlow(TVSession *session, Terminal *terminal, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_terminal(terminal)
{
    QObject::connect(session, &TVSession::stateChanged, this, &PairFlow::wake);
    m_terminal->setLineHandler([this](const std::optional<QString> &line) {
        if (line)
            m_lines.append(*line);
        else
            m_inputEnded = true;
        wake();
    });
}

PairFlow::~PairFlow()
{
    m_terminal->setLineHandler({});
}

void PairFlow::start(const QString &host, bool usePin)
{
    run(host, usePin);
}

void PairFlow::interrupt()
{
    m_interrupted = true;
    wake();
}

void PairFlow::wake()
{
    if (auto event = std::exchange(m_event, {}))
        event->succeed(true);
}

QCoro::Task<> PairFlow::nextEvent()
{
    auto event = std::make_shared<veltrix::Completion<bool>>();
    m_event = event;
    co_await veltrix::wait(event);
}

QCoro::Task<> PairFlow::run(QString host, bool usePin)
{
    QPointer<PairFlow> self(this);
    int status = failed;
    try {
        status = co_await pair(host, usePin);
    } catch (const std::exception &error) {
        if (self) {
            restore();
            status = fail(QString::fromUtf8(error.what()));
        }
    }
    if (self)
        Q_EMIT self->finished(status);
}

namespace {

QString pinPrompt()
{
    return PairFlow::tr("请输入电视上显示的 PIN，然后按回车：") + QLatin1Char(' ');
}

} // namespace

QCoro::Task<int> PairFlow::pair(const QString &host, bool usePin)
{
    QPointer<PairFlow> self(this);
    DeviceStore *store = m_session->store();
    m_attempt = Attempt{host, QString(), store->selectedID(), false};
    for (const TVDevice &device : store->devices())
        m_attempt.knewTV = m_attempt.knewTV || device.host == host;
    m_attempt.id = store->upsert(host).id;

    m_terminal->write(tr("正在连接 %1 …\n").arg(host));
    m_session->connect(m_attempt.id, usePin);
    for (;;) {
        const ConnectionState state = m_session->state();
        if (const std::optional<int> status = outcome(state))
            co_return *status;
        const bool askingForPin = state.is(ConnectionState::Kind::awaitingApproval) && state.pin();
        if (askingForPin && !m_attempt.pinAccepted && !m_lines.isEmpty()) {
            co_await answerPinPrompt();
            if (!self)
                co_return failed;
            continue;  // the state may have moved on meanwhile
        }
        if (askingForPin && !m_attempt.pinAccepted && m_inputEnded) {
            restore();
            co_return fail(tr("输入在键入 PIN 之前结束了"));
        }
        if (state.is(ConnectionState::Kind::awaitingApproval) && !state.pin())
            m_lines.clear();  // nothing to type while the TV asks for a confirmation
        co_await nextEvent();
        if (!self)
            co_return failed;
    }
}

std::optional<int> PairFlow::outcome(const ConnectionState &state)
{
    if (m_interrupted) {
        restore();
        m_terminal->write(QLatin1Char('\n') + tr("已取消配对；未保存任何内容。") + QLatin1Char('\n'));
        return interrupted;
    }
    switch (state.kind()) {
    case ConnectionState::Kind::ready: {
        const TVDevice device = *m_session->store()->device(m_attempt.id);
        const QString model = device.model.isEmpty() ? QString() : QStringLiteral(" (") + device.model + QLatin1Char(')');
        m_terminal->write((m_attempt.askedForPin ? QStringLiteral("\n") : QString())
                          + tr("已与位于 %3 的 %1%2 配对，它现在是所选电视。").arg(device.displayName(), model, m_attempt.host)
                          + QLatin1Char('\n'));
        return paired;
    }
    case ConnectionState::Kind::error:
        restore();
        return fail(veltrix::shownText(state.text()));
    case ConnectionState::Kind::sleeping:
        restore();
        return fail(veltrix::shownText(SSAPError::asleep().description()));
    case ConnectionState::Kind::offline:
        restore();
        return fail(veltrix::shownText(SSAPError::notConnected().description()));
    case ConnectionState::Kind::awaitingApproval:
        if (!state.pin() && !std::exchange(m_attempt.toldToAccept, true))
            m_terminal->write(tr("请在电视屏幕上接受配对请求。") + QLatin1Char('\n'));
        if (state.pin() && !std::exchange(m_attempt.askedForPin, true))
            m_terminal->write(pinPrompt());
        return std::nullopt;
    case ConnectionState::Kind::connecting:
    case ConnectionState::Kind::waking:
        return std::nullopt;
    }
    return std::nullopt;
}

QCoro::Task<> PairFlow::answerPinPrompt()
{
    QPointer<PairFlow> self(this);
    const QString pin = veltrix::trimSpacesAndTabs(m_lines.takeFirst());
    if (pin.isEmpty()) {
        m_terminal->write(pinPrompt());
        co_return;
    }
    const std::optional<QString> refusal = co_await m_session->submitPin(pin);
    if (!self)
        co_return;
    if (refusal)
        m_terminal->write(tr("电视未接受该 PIN（%1）。请重新输入：").arg(veltrix::shownText(*refusal)) + QLatin1Char(' '));
    else
        m_attempt.pinAccepted = true;  // its registration reply follows
}

int PairFlow::fail(const QString &reason)
{
    m_terminal->write(QLatin1Char('\n') + tr("与 %1 配对失败：%2").arg(m_attempt.host, reason) + QLatin1Char('\n'));
    if (reason == veltrix::shownText(TVSession::certificateChangedText()))
        m_terminal->write(tr("电视现在出示的证书与配对时保存的不同。如果信任它，请删除此电视（设备管理页）后重新配对。")
                          + QLatin1Char('\n'));
    m_terminal->write(tr("未保存任何内容。") + QLatin1Char('\n'));
    return failed;
}

void PairFlow::restore()
{
    m_session->disconnect();
    DeviceStore *store = m_session->store();
    if (!m_attempt.knewTV)
        store->remove(m_attempt.id);
    store->setSelectedID(m_attempt.selectedBefore);
}
