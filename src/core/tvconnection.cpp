#include "core/tvconnection.h"

#include "core/tvreplies.h"
#include "log/coretext.h"
#include "log/log.h"
#include "network/localnetwork.h"
#include "protocol/precisetimer.h"
#include "protocol/ssapuris.h"

using namespace std::chrono_literals;

namespace {

const QString kNoPairedTV = QStringLiteral("No paired TV. Pair one in the Veltrix app first.");
const QString kStandbyText = QStringLiteral("The TV is in standby: turn it on with tv_power first.");

// How an attempt reports any failure: SSAP errors as they are, anything else as a transport
// failure.
SSAPError asSSAPError(const std::exception &error)
{
    if (const auto *ssap = dynamic_cast<const SSAPError *>(&error))
        return *ssap;
    return SSAPError::transport(QString::fromUtf8(error.what()));
}

// "LG " and the first piece of the model name; the model is cosmetic, so a failed request
// gives none and pairing goes on.
QCoro::Task<std::optional<QString>> modelOf(QPointer<SSAPClient> client)
{
    QJsonObject info;
    try {
        info = co_await client->request(ssapuri::systemInfo, {});
    } catch (const SSAPError &) {
        co_return std::nullopt;
    }
    const auto modelName = tvreply::text(info, QStringLiteral("modelName"));
    if (!modelName)
        co_return std::nullopt;
    const QStringList pieces = modelName->split(QLatin1Char('.'), Qt::SkipEmptyParts);
    if (pieces.isEmpty())
        co_return std::nullopt;
    co_return QStringLiteral("LG ") + pieces.first();
}

// Only what an attempt learnt is written, onto the record as it is stored now: a name or MAC
// edited while the prompt was on screen stays, and a record removed meanwhile stays removed.
std::optional<TVDevice> saveRegistration(DeviceStore *store, const QString &deviceID, const QString &key,
                                         const std::optional<QString> &fingerprint,
                                         const std::optional<QString> &uuid, const std::optional<QString> &model)
{
    std::optional<TVDevice> stored = store->device(deviceID);
    if (!stored)
        return std::nullopt;
    stored->clientKey = key;
    stored->certFingerprint = fingerprint;
    if (uuid)
        stored->tvUUID = uuid;
    if (model)
        stored->model = *model;
    store->update(*stored);
    return stored;
}

} // namespace

TVConnection::TVConnection(DeviceStore *store, std::unique_ptr<TVNetwork> network, TVConnectionOwner *owner,
                           QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_network(std::move(network))
    , m_owner(owner)
{
    qRegisterMetaType<ConnectionState>();
    QObject::connect(m_store, &DeviceStore::selectedIDChanged, this, &TVConnection::followSelection);
}

// Every view and the status tool name the selected TV, so a connection, attempt or wake-up
// that belongs to another one ends the moment the selection leaves it: nothing may show the
// new TV as connected while commands still reach the old one.
void TVConnection::followSelection()
{
    if (m_state.is(ConnectionState::Kind::offline) || m_store->selectedID() == m_deviceID)
        return;
    veltrix::log(QStringLiteral("选择了另一台电视，断开当前连接"));
    disconnect();
}

TVConnection::~TVConnection()
{
    shutDown();
}

void TVConnection::shutDown()
{
    // Close the socket while the owner still exists so that waiting work resumes, finds
    // itself superseded and ends; nothing is left suspended.
    if (SSAPClient *client = m_client.data()) {
        m_client = nullptr;
        client->close();
        delete client;
    }
}

void TVConnection::setState(const ConnectionState &state)
{
    if (m_state == state)
        return;
    m_state = state;
    Q_EMIT stateChanged(m_state);
}

void TVConnection::setClient(SSAPClient *client)
{
    SSAPClient *old = m_client.data();
    if (old == client)
        return;
    m_client = client;
    m_clientRegistered = false;
    if (old)
        old->deleteLater();
    Q_EMIT clientChanged();
}

// --- connecting -------------------------------------------------------------------------

void TVConnection::connect(const QString &deviceID, bool usePin)
{
    disconnect();
    // Rewritten even when unchanged, so "devices.selected" always names the TV last used.
    m_store->setSelectedID(deviceID);
    m_deviceID = deviceID;
    const std::optional<TVDevice> record = m_store->device(deviceID);
    if (!record)
        return;
    setState(ConnectionState::connecting());

    // An unpaired record never enforces a stored fingerprint.
    const std::optional<QString> pinned = record->clientKey ? record->certFingerprint : std::nullopt;
    auto *client = new SSAPClient(pinned, this);
    if (m_timing.helloTimeout)
        client->setHelloTimeout(*m_timing.helloTimeout);
    if (m_timing.registerTimeout)
        client->setRegisterTimeout(*m_timing.registerTimeout);
    setClient(client);
    QPointer<TVConnection> self(this);
    client->setOnClose([self, client](const std::optional<SSAPError> &error) {
        if (self)
            self->handleClose(client, error);
    });
    attempt(*record, usePin, client);
}

QCoro::Task<> TVConnection::attempt(TVDevice record, bool usePin, QPointer<SSAPClient> client)
{
    QPointer<TVConnection> self(this);
    veltrix::log(QStringLiteral("连接 ") + record.host);

    QJsonObject hello;
    try {
        hello = co_await client->connect(record.host);
    } catch (const std::exception &error) {
        if (self)
            self->attemptFailed(client, asSSAPError(error));
        co_return;
    }
    if (!self || !client || m_client != client)
        co_return;

    // The TV's own identity: a different TV at a stored address must pair afresh.
    const std::optional<QString> uuid = tvreply::text(hello, QStringLiteral("deviceUUID"));
    if (uuid && record.tvUUID && *record.tvUUID != *uuid) {
        veltrix::log(QStringLiteral("TV UUID 变化，清除旧配对"));
        record.clientKey.reset();
        record.certFingerprint.reset();
    }

    const std::optional<QString> model = co_await modelOf(client);
    if (!self || !client || m_client != client)
        co_return;
    // The socket ended meanwhile: the close notification, queued behind this step, fails the
    // attempt with the real reason (standby, transport) rather than a bare "not connected".
    if (!client->hasSocket())
        co_return;

    const QString pairingType = usePin ? QStringLiteral("PIN") : QStringLiteral("PROMPT");
    // A TV set to PIN pairing answers a prompt request with "PIN": ask for the PIN at once,
    // since no approval on its screen will ever come.
    auto onPrompt = [self, usePin](const QString &shown) {
        const bool pin = usePin || shown == QLatin1String("PIN");
        veltrix::log(QStringLiteral("等待电视确认配对 (pin=") + (pin ? QStringLiteral("true") : QStringLiteral("false"))
                     + QStringLiteral(")"));
        if (self)
            self->setState(ConnectionState::awaitingApproval(pin));
    };
    QString key;
    try {
        key = co_await client->registerClient(record.clientKey, pairingType, onPrompt);
    } catch (const std::exception &error) {
        if (self)
            self->attemptFailed(client, asSSAPError(error));
        co_return;
    }
    if (!self || !client || m_client != client)
        co_return;

    const std::optional<TVDevice> stored =
        saveRegistration(m_store, record.id, key, client->tls()->observedFingerprint(), uuid, model);
    m_clientRegistered = true;
    setState(ConnectionState::ready());
    veltrix::log(QStringLiteral("已注册 ") + (stored ? stored->model : model.value_or(record.model)));
    co_await m_owner->afterRegistration(client, record.id);
}

void TVConnection::attemptFailed(QPointer<SSAPClient> client, const SSAPError &error)
{
    if (!client || m_client != client)
        return;
    const auto expected = client->tls()->expectedFingerprint();
    const auto observed = client->tls()->observedFingerprint();
    const QString message = (expected && observed && *expected != *observed)
        ? certificateChangedText()
        : error.description();
    veltrix::log(QStringLiteral("连接失败: ") + message);
    client->close();
    setClient(nullptr);
    if (error.kind() == SSAPError::Kind::asleep)
        setState(ConnectionState::sleeping());
    else
        setState(ConnectionState::error(message));
}

void TVConnection::handleClose(SSAPClient *client, const std::optional<SSAPError> &error)
{
    if (m_client.data() != client)
        return;
    if (!m_clientRegistered) {
        // The socket ended while the attempt was still running: that is the attempt's failure,
        // whichever of the two notifications arrives first.
        attemptFailed(client, error.value_or(SSAPError::notConnected()));
        return;
    }
    veltrix::log(QStringLiteral("主通道断开: ") + (error ? error->description() : QStringLiteral("-")));
    m_owner->releaseChannels(false);
    setClient(nullptr);
    if (error && error->kind() == SSAPError::Kind::asleep)
        setState(ConnectionState::sleeping());
    else
        setState(ConnectionState::offline());
}

void TVConnection::disconnect()
{
    m_owner->releaseChannels(true);
    if (SSAPClient *client = m_client.data()) {
        client->close();
        setClient(nullptr);
    }
    m_owner->forgetPowerState();
    setState(ConnectionState::offline());
}

QCoro::Task<std::optional<QString>> TVConnection::submitPin(const QString &pin, QPointer<SSAPClient> client)
{
    try {
        if (!client)
            throw SSAPError::notConnected();
        // Built outside the co_await expression: g++ 12 rejects braced QJsonObject
        // initialisers inside one.
        const QJsonObject payload{{QStringLiteral("pin"), pin}};
        co_await client->request(ssapuri::setPin, payload);
    } catch (const std::exception &error) {
        veltrix::log(QStringLiteral("setPin 失败: ") + SSAPError::describe(error));
        co_return SSAPError::describe(error);
    }
    co_return std::nullopt;
}

QString TVConnection::certificateChangedText()
{
    return veltrix::coreText(QT_TRANSLATE_NOOP("CoreText", "电视证书已变化，请删除后重新配对"));
}

// The record is the one `client` registered for, found by id: the selection may have moved
// on meanwhile, and a newer connection's TV must not lend this record its MAC.
QCoro::Task<> TVConnection::learnMAC(QPointer<SSAPClient> client, QString deviceID)
{
    QPointer<TVConnection> self(this);
    std::optional<TVDevice> record = m_store->device(deviceID);
    if (!record || !client || m_client != client)
        co_return;

    std::optional<QString> mac = m_network->lookupMAC(record->host);
    if (!mac) {
        QJsonObject info;
        try {
            info = co_await client->request(ssapuri::connectionInfo, {});
        } catch (const SSAPError &) {
            co_return;
        }
        if (!self || m_client != client)
            co_return;
        // Wi-Fi first: a TV woken from standby usually listens on the interface it slept on.
        for (const QString &group : QStringList{QStringLiteral("wifiInfo"), QStringLiteral("wiredInfo")}) {
            const auto candidate = tvreply::text(info.value(group).toObject(), QStringLiteral("macAddress"));
            if (!candidate)
                continue;
            if (const auto normalized = LocalNetwork::normalizeMAC(*candidate)) {
                mac = normalized;
                break;
            }
        }
        if (!mac)
            co_return;
        // The store may have changed while we waited; work on its current copy.
        record = m_store->device(record->id);
        if (!record)
            co_return;
    }
    if (record->mac != mac) {
        record->mac = mac;
        m_store->update(*record);
        veltrix::log(QStringLiteral("记录 MAC ") + *mac);
    }
}

QCoro::Task<> TVConnection::scan()
{
    if (m_isScanning)
        co_return;
    QPointer<TVConnection> self(this);
    m_isScanning = true;
    Q_EMIT isScanningChanged(true);

    QList<SSDPDiscovery::Found> found;
    try {
        found = co_await m_network->discover(m_timing.scanWindow);
    } catch (const std::exception &error) {
        veltrix::log(QStringLiteral("SSDP 失败: ") + SSAPError::describe(error));
    }
    if (!self)
        co_return;
    m_discovered = found;
    Q_EMIT discoveredChanged();
    for (const SSDPDiscovery::Found &tv : std::as_const(found))
        m_store->upsert(tv.host, tv.uuid, tv.name, tv.model);
    m_isScanning = false;
    Q_EMIT isScanningChanged(false);
}

QCoro::Task<> TVConnection::ensureConnected(std::chrono::milliseconds timeout)
{
    if (m_state.is(ConnectionState::Kind::ready))
        co_return;
    const std::optional<TVDevice> record = m_store->selectedDevice();
    if (!record || !record->clientKey)
        throw SSAPError::server(kNoPairedTV);
    // A running attempt (or a pairing prompt on screen) is waited for, not restarted.
    if (!m_state.is(ConnectionState::Kind::connecting) && !m_state.is(ConnectionState::Kind::awaitingApproval))
        connect(record->id, false);

    QPointer<TVConnection> self(this);
    const auto deadline = veltrix::MonotonicClock::now() + timeout;
    for (;;) {
        if (!self)
            throw SSAPError::cancelled();
        const ConnectionState state = m_state;
        if (state.is(ConnectionState::Kind::ready))
            co_return;
        const auto left = veltrix::remainingUntil(deadline);
        if (left <= 0ms)
            throw SSAPError::timeout();
        if (state.is(ConnectionState::Kind::error))
            throw SSAPError::server(state.text());
        if (state.is(ConnectionState::Kind::sleeping))
            throw SSAPError::server(kStandbyText);
        co_await veltrix::sleepAtLeast(std::min(m_timing.ensurePoll, left));
    }
}

// --- power ------------------------------------------------------------------------------

void TVConnection::wake()
{
    const std::optional<TVDevice> record = m_store->selectedDevice();
    m_deviceID = m_store->selectedID();
    if (!record || !record->mac) {
        setState(ConnectionState::error(veltrix::coreText(QT_TRANSLATE_NOOP("CoreText", "未记录电视 MAC，无法网络唤醒"))));
        return;
    }
    disconnect();
    setState(ConnectionState::waking());
    m_network->wake(*record->mac, record->host);
    wakeLoop(*record->mac, *record);
}

QCoro::Task<> TVConnection::wakeLoop(QString mac, TVDevice record)
{
    QPointer<TVConnection> self(this);
    int attempts = 0;
    for (;;) {
        co_await veltrix::sleepAtLeast(attempts == 0 ? m_timing.wakeFirstWait : m_timing.wakeBetweenAttempts);
        if (!self)
            co_return;
        const auto kind = m_state.kind();
        // Anything else means a connection the user started (or success) has taken over.
        if (kind != ConnectionState::Kind::waking && kind != ConnectionState::Kind::offline
            && kind != ConnectionState::Kind::sleeping && kind != ConnectionState::Kind::error)
            co_return;
        // Another TV was chosen meanwhile: this wake-up is no longer wanted.
        if (m_store->selectedID() != record.id)
            co_return;
        // The stored record may have changed while we slept: wake its current address, and
        // stop for a removed one rather than selecting and dialling it again.
        const std::optional<TVDevice> current = m_store->device(record.id);
        if (!current) {
            setState(ConnectionState::offline());
            co_return;
        }
        record = *current;
        mac = record.mac.value_or(mac);
        m_network->wake(mac, record.host);
        connect(record.id, false);
        while (m_state.is(ConnectionState::Kind::connecting)) {
            co_await veltrix::sleepAtLeast(m_timing.wakePoll);
            if (!self)
                co_return;
        }
        if (m_state.is(ConnectionState::Kind::ready))
            co_return;
        setState(ConnectionState::waking());
        if (++attempts >= m_timing.wakeAttempts) {
            setState(ConnectionState::error(veltrix::coreText(QT_TRANSLATE_NOOP("CoreText", "唤醒超时，请确认电视已开启网络唤醒"))));
            co_return;
        }
    }
}
