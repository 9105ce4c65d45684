#include "core/tvsession.h"

#include "network/localnetwork.h"
#include "log/log.h"
#include "protocol/precisetimer.h"
#include "protocol/screenshot.h"
#include "protocol/ssapuris.h"
#include "core/tvreplies.h"

#include <QJsonArray>

#include <cmath>

using namespace std::chrono_literals;

namespace {

const QString kNoPairedTV = QStringLiteral("No paired TV. Pair one in the Veltrix app first.");
const QString kStandbyText = QStringLiteral("The TV is in standby: turn it on with tv_power first.");

QString describe(const std::exception &error)
{
    if (const auto *ssap = dynamic_cast<const SSAPError *>(&error))
        return ssap->description();
    return QString::fromUtf8(error.what());
}

std::optional<QString> textValue(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    if (value.isString())
        return value.toString();
    return std::nullopt;
}

// The list under `key` of a request's reply; none without a client, on failure, or when the
// reply holds no such list (the caller then keeps what it had).
QCoro::Task<std::optional<QJsonArray>> fetchList(QPointer<SSAPClient> client, QString uri, QString key)
{
    if (!client)
        co_return std::nullopt;
    QJsonObject payload;
    try {
        payload = co_await client->request(uri, {});
    } catch (const SSAPError &) {
        co_return std::nullopt;
    }
    const QJsonValue list = payload.value(key);
    if (!list.isArray())
        co_return std::nullopt;
    co_return list.toArray();
}

// Fire-and-forget request: failures end up as one log line, never at the caller.
QCoro::Task<> sendLogged(QPointer<SSAPClient> client, QString uri, QJsonObject payload)
{
    try {
        co_await client->request(uri, payload);
    } catch (const std::exception &error) {
        veltrix::log(uri + QStringLiteral(" 失败: ") + describe(error));
    }
}

} // namespace

// --- SystemTVNetwork ------------------------------------------------------------------

QCoro::Task<QList<SSDPDiscovery::Found>> SystemTVNetwork::discover(std::chrono::milliseconds timeout)
{
    return SSDPDiscovery::discover(timeout);
}

std::optional<QString> SystemTVNetwork::lookupMAC(const QString &host)
{
    return LocalNetwork::lookupMAC(host);
}

bool SystemTVNetwork::wake(const QString &mac, const std::optional<QString> &host)
{
    return LocalNetwork::wake(mac, host);
}

// --- TVSession --------------------------------------------------------------------------

TVSession::TVSession(DeviceStore *store, QObject *parent)
    : TVSession(store, std::make_unique<SystemTVNetwork>(), parent)
{
}

TVSession::TVSession(DeviceStore *store, std::unique_ptr<TVNetwork> network, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_network(std::move(network))
{
    qRegisterMetaType<ConnectionState>();
}

TVSession::~TVSession()
{
    // Close the sockets while the session still exists so that waiting work resumes, finds
    // itself superseded and ends; nothing is left suspended.
    if (m_pointer) {
        m_pointer->close();
        delete m_pointer.data();
    }
    if (SSAPClient *client = m_client.data()) {
        m_client = nullptr;
        client->close();
        delete client;
    }
}

// --- observable fields ------------------------------------------------------------------

bool TVSession::isStandby() const
{
    if (m_state.is(ConnectionState::Kind::sleeping))
        return true;
    if (m_state.is(ConnectionState::Kind::ready))
        return m_powerState.contains(QStringLiteral("Standby")) || m_powerState == QStringLiteral("Suspend");
    return false;
}

void TVSession::updateStandby()
{
    const bool standby = isStandby();
    if (standby != m_standby) {
        m_standby = standby;
        Q_EMIT isStandbyChanged(standby);
    }
}

void TVSession::setState(const ConnectionState &state)
{
    if (m_state == state)
        return;
    m_state = state;
    Q_EMIT stateChanged(m_state);
    updateStandby();
}

void TVSession::setPowerState(const QString &powerState)
{
    if (m_powerState == powerState)
        return;
    m_powerState = powerState;
    Q_EMIT powerStateChanged(powerState);
    updateStandby();
}

void TVSession::setVolume(int volume)
{
    if (m_volume == volume)
        return;
    m_volume = volume;
    Q_EMIT volumeChanged(volume);
}

void TVSession::setMutedValue(bool muted)
{
    if (m_muted == muted)
        return;
    m_muted = muted;
    Q_EMIT mutedChanged(muted);
}

void TVSession::setKeyboardFocused(bool focused)
{
    if (m_keyboardFocused == focused)
        return;
    m_keyboardFocused = focused;
    Q_EMIT keyboardFocusedChanged(focused);
}

void TVSession::setForegroundAppId(const QString &appId)
{
    if (m_foregroundAppId == appId)
        return;
    m_foregroundAppId = appId;
    Q_EMIT foregroundAppIdChanged(appId);
    Q_EMIT foregroundTitleChanged();
}

void TVSession::setInputs(const QList<ExternalInput> &inputs)
{
    if (m_inputs == inputs)
        return;
    m_inputs = inputs;
    Q_EMIT inputsChanged();
    Q_EMIT foregroundTitleChanged();
}

void TVSession::setApps(const QList<TVApp> &apps)
{
    if (m_apps == apps)
        return;
    m_apps = apps;
    Q_EMIT appsChanged();
    Q_EMIT foregroundTitleChanged();
}

void TVSession::setClient(SSAPClient *client)
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

void TVSession::setPointer(PointerClient *pointer)
{
    PointerClient *old = m_pointer.data();
    if (old == pointer)
        return;
    m_pointer = pointer;
    if (old)
        old->deleteLater();
    Q_EMIT pointerChanged();
}

QString TVSession::foregroundTitle() const
{
    if (const std::optional<QString> name = foregroundName(m_inputs, m_apps, m_foregroundAppId))
        return *name;
    if (m_foregroundAppId.isEmpty())
        return QStringLiteral("—");
    if (m_foregroundAppId == QStringLiteral("com.webos.app.home"))
        return tr("主页");
    if (m_foregroundAppId == QStringLiteral("com.webos.app.livetv"))
        return tr("电视直播");
    if (m_foregroundAppId == QStringLiteral("com.webos.app.screensaver"))
        return tr("屏幕保护");
    return m_foregroundAppId;
}

// --- connecting -------------------------------------------------------------------------

void TVSession::connect(const QString &deviceID, bool usePin)
{
    disconnect();
    // Rewritten even when unchanged, so "devices.selected" always names the TV last used.
    m_store->setSelectedID(deviceID);
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
    QPointer<TVSession> self(this);
    client->setOnClose([self, client](const std::optional<SSAPError> &error) {
        if (self)
            self->handleClose(client, error);
    });
    attempt(*record, usePin, client);
}

QCoro::Task<> TVSession::attempt(TVDevice record, bool usePin, QPointer<SSAPClient> client)
{
    QPointer<TVSession> self(this);
    veltrix::log(QStringLiteral("连接 ") + record.host);

    QJsonObject hello;
    try {
        hello = co_await client->connect(record.host);
    } catch (const SSAPError &error) {
        if (self)
            self->attemptFailed(client, error);
        co_return;
    } catch (const std::exception &error) {
        if (self)
            self->attemptFailed(client, SSAPError::transport(QString::fromUtf8(error.what())));
        co_return;
    }
    if (!self || !client || m_client != client)
        co_return;

    // The TV's own identity: a different TV at a stored address must pair afresh.
    const std::optional<QString> uuid = textValue(hello, QStringLiteral("deviceUUID"));
    if (uuid && record.tvUUID && *record.tvUUID != *uuid) {
        veltrix::log(QStringLiteral("TV UUID 变化，清除旧配对"));
        record.clientKey.reset();
        record.certFingerprint.reset();
    }

    std::optional<QString> model;
    try {
        const QJsonObject info = co_await client->request(ssapuri::systemInfo, {});
        if (const auto modelName = textValue(info, QStringLiteral("modelName"))) {
            const QStringList pieces = modelName->split(QLatin1Char('.'), Qt::SkipEmptyParts);
            if (!pieces.isEmpty())
                model = QStringLiteral("LG ") + pieces.first();
        }
    } catch (const SSAPError &) {
        // The model is cosmetic; pairing goes on without it.
    }
    if (!self || !client || m_client != client)
        co_return;
    // The socket ended meanwhile: the close notification, queued behind this step, fails the
    // attempt with the real reason (standby, transport) rather than a bare "not connected".
    if (!client->hasSocket())
        co_return;

    const QString pairingType = usePin ? QStringLiteral("PIN") : QStringLiteral("PROMPT");
    auto onPrompt = [self, usePin] {
        veltrix::log(QStringLiteral("等待电视确认配对 (pin=") + (usePin ? QStringLiteral("true") : QStringLiteral("false"))
                     + QStringLiteral(")"));
        if (self)
            self->setState(ConnectionState::awaitingApproval(usePin));
    };
    QString key;
    try {
        key = co_await client->registerClient(record.clientKey, pairingType, onPrompt);
    } catch (const SSAPError &error) {
        if (self)
            self->attemptFailed(client, error);
        co_return;
    } catch (const std::exception &error) {
        if (self)
            self->attemptFailed(client, SSAPError::transport(QString::fromUtf8(error.what())));
        co_return;
    }
    if (!self || !client || m_client != client)
        co_return;

    // Only what this attempt learnt is written, onto the record as it is stored now: a name
    // or MAC edited while the prompt was on screen stays, and a record removed meanwhile stays
    // removed.
    std::optional<TVDevice> stored = m_store->device(record.id);
    if (stored) {
        stored->clientKey = key;
        stored->certFingerprint = client->tls()->observedFingerprint();
        if (uuid)
            stored->tvUUID = uuid;
        if (model)
            stored->model = *model;
        m_store->update(*stored);
    }
    m_clientRegistered = true;
    setState(ConnectionState::ready());
    veltrix::log(QStringLiteral("已注册 ") + (stored ? stored->model : model.value_or(record.model)));

    co_await postRegistration(client, record.id);
}

void TVSession::attemptFailed(QPointer<SSAPClient> client, const SSAPError &error)
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

void TVSession::handleClose(SSAPClient *client, const std::optional<SSAPError> &error)
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
    setPointer(nullptr);
    setClient(nullptr);
    if (error && error->kind() == SSAPError::Kind::asleep)
        setState(ConnectionState::sleeping());
    else
        setState(ConnectionState::offline());
}

void TVSession::disconnect()
{
    if (PointerClient *pointer = m_pointer.data()) {
        pointer->close();
        setPointer(nullptr);
    }
    if (SSAPClient *client = m_client.data()) {
        client->close();
        setClient(nullptr);
    }
    setPowerState(QString());
    setState(ConnectionState::offline());
}

QCoro::Task<std::optional<QString>> TVSession::submitPin(const QString &pin, QPointer<SSAPClient> client)
{
    try {
        if (!client)
            throw SSAPError::notConnected();
        // Built outside the co_await expression: g++ 12 rejects braced QJsonObject
        // initialisers inside one.
        const QJsonObject payload{{QStringLiteral("pin"), pin}};
        co_await client->request(ssapuri::setPin, payload);
    } catch (const std::exception &error) {
        veltrix::log(QStringLiteral("setPin 失败: ") + describe(error));
        co_return describe(error);
    }
    co_return std::nullopt;
}

QString TVSession::certificateChangedText()
{
    return tr("电视证书已变化，请删除后重新配对");
}

QCoro::Task<> TVSession::postRegistration(QPointer<SSAPClient> client, QString deviceID)
{
    QPointer<TVSession> self(this);
    co_await openPointer();
    if (!self || !client || m_client != client)
        co_return;

    client->subscribe(ssapuri::volumeStatus, {}, [self](const QJsonObject &payload) {
        if (self)
            self->handleVolumeEvent(payload);
    });
    client->subscribe(ssapuri::foregroundApp, {},
                      [self](const QJsonObject &payload) {
                          if (self)
                              self->setForegroundAppId(textValue(payload, QStringLiteral("appId")).value_or(QString()));
                      });
    client->subscribe(ssapuri::powerState, {},
                      [self](const QJsonObject &payload) {
                          if (self)
                              self->setPowerState(textValue(payload, QStringLiteral("state")).value_or(QString()));
                      });
    client->subscribe(ssapuri::remoteKeyboard, {},
                      [self](const QJsonObject &payload) {
                          if (self)
                              self->handleKeyboardEvent(payload);
                      });

    co_await refreshInputs();
    if (!self)
        co_return;
    co_await refreshApps();
    if (!self)
        co_return;
    co_await learnMAC(client, deviceID);
    if (!self || !m_postRegistrationHook)
        co_return;
    co_await m_postRegistrationHook->afterRegistration(this);
}

// The record is the one `client` registered for, found by id: the selection may have moved
// on meanwhile, and a newer connection's TV must not lend this record its MAC.
QCoro::Task<> TVSession::learnMAC(QPointer<SSAPClient> client, QString deviceID)
{
    QPointer<TVSession> self(this);
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
            const auto candidate = textValue(info.value(group).toObject(), QStringLiteral("macAddress"));
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

QCoro::Task<> TVSession::scan()
{
    if (m_isScanning)
        co_return;
    QPointer<TVSession> self(this);
    m_isScanning = true;
    Q_EMIT isScanningChanged(true);

    QList<SSDPDiscovery::Found> found;
    try {
        found = co_await m_network->discover(m_timing.scanWindow);
    } catch (const std::exception &error) {
        veltrix::log(QStringLiteral("SSDP 失败: ") + describe(error));
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

QCoro::Task<> TVSession::ensureConnected(std::chrono::milliseconds timeout)
{
    if (m_state.is(ConnectionState::Kind::ready))
        co_return;
    const std::optional<TVDevice> record = m_store->selectedDevice();
    if (!record || !record->clientKey)
        throw SSAPError::server(kNoPairedTV);
    // A running attempt (or a pairing prompt on screen) is waited for, not restarted.
    if (!m_state.is(ConnectionState::Kind::connecting) && !m_state.is(ConnectionState::Kind::awaitingApproval))
        connect(record->id, false);

    QPointer<TVSession> self(this);
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

// --- TV state -------------------------------------------------------------------------

void TVSession::handleVolumeEvent(const QJsonObject &payload)
{
    const QJsonValue status = payload.value(QStringLiteral("volumeStatus"));
    const QJsonObject s = status.isObject() ? status.toObject() : payload;
    const QJsonValue volume = s.value(QStringLiteral("volume"));
    // Only whole numbers count: a fractional or out-of-range value is not a volume level.
    if (volume.isDouble()) {
        const double v = volume.toDouble();
        if (std::isfinite(v) && v == std::floor(v) && std::abs(v) <= 1e9)
            setVolume(static_cast<int>(v));
    }
    const QJsonValue mute = s.contains(QStringLiteral("muteStatus")) ? s.value(QStringLiteral("muteStatus"))
                                                                      : s.value(QStringLiteral("muted"));
    if (mute.isBool())
        setMutedValue(mute.toBool());
}

void TVSession::handleKeyboardEvent(const QJsonObject &payload)
{
    const QJsonValue widget = payload.value(QStringLiteral("currentWidget"));
    if (!widget.isObject())
        return;
    const QJsonValue focus = widget.toObject().value(QStringLiteral("focus"));
    setKeyboardFocused(focus.isBool() ? focus.toBool() : false);
}

QCoro::Task<> TVSession::refreshInputs()
{
    QPointer<TVSession> self(this);
    const std::optional<QJsonArray> devices = co_await fetchList(m_client, ssapuri::inputList, QStringLiteral("devices"));
    if (!self || !devices)
        co_return;
    QList<ExternalInput> inputs;
    for (const QJsonValue &value : *devices) {
        if (const std::optional<ExternalInput> input = tvreply::input(value.toObject()))
            inputs.append(*input);
    }
    setInputs(inputs);
}

QCoro::Task<> TVSession::refreshApps()
{
    QPointer<TVSession> self(this);
    const std::optional<QJsonArray> points = co_await fetchList(m_client, ssapuri::launchPoints, QStringLiteral("launchPoints"));
    if (!self || !points)
        co_return;
    QList<TVApp> apps;
    for (const QJsonValue &value : *points) {
        if (const std::optional<TVApp> app = tvreply::app(value.toObject()))
            apps.append(*app);
    }
    setApps(apps);
}

QCoro::Task<std::optional<QImage>> TVSession::icon(QUrl url)
{
    if (const auto it = m_iconCache.constFind(url); it != m_iconCache.constEnd())
        co_return *it;
    QPointer<SSAPClient> client = m_client;
    if (!client)
        co_return std::nullopt;
    QPointer<TVSession> self(this);
    QByteArray bytes;
    try {
        bytes = co_await client->download(url, SSAPClient::kMaxIncomingMessage);
    } catch (const std::exception &) {
        co_return std::nullopt;
    }
    QImage image = QImage::fromData(bytes);
    if (image.isNull())
        co_return std::nullopt;
    if (self)
        m_iconCache.insert(url, image);
    co_return image;
}

// --- commands -------------------------------------------------------------------------

void TVSession::fireAndForget(const TVRequest &request)
{
    if (!m_client)
        return;
    sendLogged(m_client, request.uri, request.payload);
}

void TVSession::switchInput(const ExternalInput &input)
{
    fireAndForget(tvrequest::switchInput(input.id));
}

void TVSession::launch(const TVApp &app)
{
    fireAndForget(tvrequest::launch(app.id));
}

void TVSession::insertText(const QString &text)
{
    fireAndForget(tvrequest::insertText(text));
}

void TVSession::volumeUp()
{
    fireAndForget(tvrequest::volumeUp());
}

void TVSession::volumeDown()
{
    fireAndForget(tvrequest::volumeDown());
}

void TVSession::commitVolume()
{
    fireAndForget(tvrequest::setVolume(m_volume));
}

void TVSession::turnOff()
{
    fireAndForget(tvrequest::turnOff());
}

QCoro::Task<QJsonObject> TVSession::call(const QString &uri, const QJsonObject &payload)
{
    QPointer<SSAPClient> client = m_client;
    if (!client)
        throw SSAPError::notConnected();
    co_return co_await client->request(uri, payload);
}

QCoro::Task<QJsonObject> TVSession::call(const TVRequest &request)
{
    return call(request.uri, request.payload);
}

QCoro::Task<> TVSession::setMute(bool mute)
{
    QPointer<SSAPClient> client = m_client;
    if (!client)
        co_return;
    QPointer<TVSession> self(this);
    bool failed = false;
    try {
        const TVRequest request = tvrequest::setMute(mute);
        co_await client->request(request.uri, request.payload);
    } catch (const SSAPError &) {
        failed = true;
    }
    // Some TVs refuse setMute; the MUTE key toggles instead.
    if (failed && self)
        co_await button(QStringLiteral("MUTE"));
}

QCoro::Task<> TVSession::openPointer()
{
    QPointer<SSAPClient> client = m_client;
    if (!client)
        co_return;
    QPointer<TVSession> self(this);
    QJsonObject payload;
    try {
        payload = co_await client->request(ssapuri::pointerInputSocket, {});
    } catch (const SSAPError &error) {
        veltrix::log(QStringLiteral("获取 pointer socket 失败: ") + error.description());
        co_return;
    }
    if (!self || !client || m_client != client)
        co_return;
    const auto path = textValue(payload, QStringLiteral("socketPath"));
    if (!path)
        co_return;
    const QUrl url(*path, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty())
        co_return;
    if (PointerClient *old = m_pointer.data())
        old->close();
    setPointer(new PointerClient(client->createPinnedWebSocket(), url, this));
}

QCoro::Task<> TVSession::button(QString name)
{
    QPointer<TVSession> self(this);
    if (!m_pointer || !m_pointer->isOpen()) {
        co_await openPointer();
        if (!self)
            co_return;
    }
    if (m_pointer)
        m_pointer->button(name);
}

QCoro::Task<> TVSession::click()
{
    QPointer<TVSession> self(this);
    if (!m_pointer || !m_pointer->isOpen()) {
        co_await openPointer();
        if (!self)
            co_return;
    }
    if (m_pointer)
        m_pointer->click();
}

void TVSession::scroll(int dx, int dy)
{
    if (m_pointer && m_pointer->isOpen()) {
        m_pointer->scroll(dx, dy);
        return;
    }
    [](QPointer<TVSession> self, int dx, int dy) -> QCoro::Task<> {
        co_await self->openPointer();
        if (self && self->m_pointer)
            self->m_pointer->scroll(dx, dy);
    }(this, dx, dy);
}

void TVSession::movePointer(double dx, double dy)
{
    m_pendingMove += QPointF(dx, dy);
    if (m_moveScheduled)
        return;
    m_moveScheduled = true;
    flushMove();
}

QCoro::Task<> TVSession::flushMove()
{
    QPointer<TVSession> self(this);
    // Never shorter than the window, or two frames would arrive less than one window apart.
    co_await veltrix::sleepAtLeast(m_timing.moveWindow);
    if (!self)
        co_return;
    m_moveScheduled = false;
    // std::round rounds halves away from zero; the remainders ride along to the next flush.
    const double ix = std::round(m_pendingMove.x());
    const double iy = std::round(m_pendingMove.y());
    m_pendingMove -= QPointF(ix, iy);
    if (ix == 0 && iy == 0)
        co_return;
    if (!m_pointer || !m_pointer->isOpen()) {
        co_await openPointer();
        if (!self)
            co_return;
    }
    if (m_pointer)
        m_pointer->move(static_cast<int>(ix), static_cast<int>(iy));
}

// --- power ------------------------------------------------------------------------------

void TVSession::wake()
{
    const std::optional<TVDevice> record = m_store->selectedDevice();
    if (!record || !record->mac) {
        setState(ConnectionState::error(tr("未记录电视 MAC，无法网络唤醒")));
        return;
    }
    disconnect();
    setState(ConnectionState::waking());
    m_network->wake(*record->mac, record->host);
    wakeLoop(*record->mac, *record);
}

QCoro::Task<> TVSession::wakeLoop(QString mac, TVDevice record)
{
    QPointer<TVSession> self(this);
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
            setState(ConnectionState::error(tr("唤醒超时，请确认电视已开启网络唤醒")));
            co_return;
        }
    }
}

// --- screen -----------------------------------------------------------------------------

QCoro::Task<QImage> TVSession::captureScreen()
{
    QPointer<SSAPClient> client = m_client;
    const std::optional<TVDevice> record = m_store->selectedDevice();
    if (!m_state.is(ConnectionState::Kind::ready) || isStandby() || !client || !record)
        throw SSAPError::notConnected();
    QPointer<TVSession> self(this);
    const QByteArray bytes = co_await captureScreenshot(client, record->host);
    if (!self || !client || m_client != client || !m_state.is(ConnectionState::Kind::ready) || isStandby())
        throw SSAPError::cancelled();
    QImage image = QImage::fromData(bytes);
    if (image.isNull())
        throw ScreenshotError::decode();
    co_return image;
}
