#include "ui/pages/devices/devicesactions.h"

#include "core/devicestore.h"
#include "ui/pages/devices/ipv4text.h"
#include "core/tvsession.h"

#include <QPointer>

namespace {

QCoro::Task<> sendPin(QPointer<TVSession> session, QString pin, std::function<void(const QString &)> onRefused)
{
    if (!session)
        co_return;
    const std::optional<QString> refusal = co_await session->submitPin(pin);
    if (refusal && onRefused)
        onRefused(*refusal);
}

} // namespace

DevicesActions::DevicesActions(TVSession *session)
    : m_session(session)
{
}

DeviceStore *DevicesActions::store() const
{
    return m_session->store();
}

bool DevicesActions::addManualHost(const QString &text)
{
    if (!isDottedIPv4(text))
        return false;
    const TVDevice device = store()->upsert(text.trimmed());
    m_session->connect(device.id, false);
    return true;
}

void DevicesActions::select(const QString &id)
{
    if (store()->selectedID() != id)
        store()->setSelectedID(id);
}

void DevicesActions::remove(const QString &id)
{
    if (store()->selectedID() == id)
        m_session->disconnect();
    store()->remove(id);
}

bool DevicesActions::hasSelection() const
{
    return store()->selectedDevice().has_value();
}

pairing::MainAction DevicesActions::mainAction() const
{
    return pairing::mainAction(m_session->state());
}

void DevicesActions::runMainAction()
{
    const std::optional<TVDevice> selected = store()->selectedDevice();
    if (!selected)
        return;
    switch (mainAction()) {
    case pairing::MainAction::wake:
        m_session->wake();
        return;
    case pairing::MainAction::disconnect:
        m_session->disconnect();
        return;
    case pairing::MainAction::resendRequest:
    case pairing::MainAction::connect:
        m_session->connect(selected->id, false);
        return;
    }
}

void DevicesActions::pairWithPin()
{
    const std::optional<TVDevice> selected = store()->selectedDevice();
    if (!selected || !pairing::pinPairingEnabled(m_session->state(), true))
        return;
    m_session->connect(selected->id, true);
}

bool DevicesActions::submitPin(const QString &pin, std::function<void(const QString &reason)> onRefused)
{
    const QString trimmed = pin.trimmed();
    if (trimmed.isEmpty())
        return false;
    sendPin(m_session, trimmed, std::move(onRefused));
    return true;
}

void DevicesActions::scan()
{
    m_session->scan();
}
