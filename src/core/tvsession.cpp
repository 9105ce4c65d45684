#include "core/tvsession.h"

#include "core/tvreplies.h"
#include "log/log.h"
#include "protocol/precisetimer.h"
#include "protocol/screenshot.h"
#include "protocol/ssapuris.h"

#include <QJsonArray>

#include <cmath>

namespace {

// The list under `key` of a request's reply; none without a client, on failure, or when the
// reply holds no such list (the caller then keeps what it had).
// The list the TV answers under `key`, each entry read by `parse`; entries it cannot read are
// left out. Nothing when the request fails or the answer holds no list.
template <typename Item>
QCoro::Task<std::optional<QList<Item>>> fetchList(QPointer<SSAPClient> client, QString uri, QString key,
                                                  std::optional<Item> (*parse)(const QJsonObject &))
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
    QList<Item> items;
    for (const QJsonValue &value : list.toArray()) {
        if (std::optional<Item> item = parse(value.toObject()))
            items.append(*item);
    }
    co_return items;
}

// Fire-and-forget request: failures end up as one log line, never at the caller.
QCoro::Task<> sendLogged(QPointer<SSAPClient> client, QString uri, QJsonObject payload)
{
    try {
        co_await client->request(uri, payload);
    } catch (const std::exception &error) {
        veltrix::log(uri + QStringLiteral(" 失败: ") + SSAPError::describe(error));
    }
}

} // namespace

TVSession::TVSession(DeviceStore *store, QObject *parent)
    : TVSession(store, std::make_unique<SystemTVNetwork>(), parent)
{
}

TVSession::TVSession(DeviceStore *store, std::unique_ptr<TVNetwork> network, QObject *parent)
    : QObject(parent)
    , m_connection(new TVConnection(store, std::move(network), this, this))
{
    QObject::connect(m_connection, &TVConnection::stateChanged, this, [this](const ConnectionState &state) {
        Q_EMIT stateChanged(state);
        updateStandby();
        Q_EMIT titleChanged();
    });
    QObject::connect(m_connection, &TVConnection::discoveredChanged, this, &TVSession::discoveredChanged);
    QObject::connect(m_connection, &TVConnection::isScanningChanged, this, &TVSession::isScanningChanged);
    QObject::connect(m_connection, &TVConnection::clientChanged, this, &TVSession::clientChanged);
}

TVSession::~TVSession()
{
    // Close the sockets while the session still exists so that waiting work resumes, finds
    // itself superseded and ends; nothing is left suspended.
    if (m_pointer) {
        m_pointer->close();
        delete m_pointer.data();
    }
    m_connection->shutDown();
}

// --- observable fields ------------------------------------------------------------------

bool TVSession::isStandby() const
{
    const ConnectionState current = state();
    if (current.is(ConnectionState::Kind::sleeping))
        return true;
    if (current.is(ConnectionState::Kind::ready))
        return m_powerState.contains(QStringLiteral("Standby")) || m_powerState == QStringLiteral("Suspend");
    return false;
}

bool TVSession::updateStandby()
{
    const bool standby = isStandby();
    if (standby == m_standby)
        return false;
    m_standby = standby;
    Q_EMIT isStandbyChanged(standby);
    return true;
}

void TVSession::setPowerState(const QString &powerState)
{
    if (m_powerState == powerState)
        return;
    m_powerState = powerState;
    Q_EMIT powerStateChanged(powerState);
    if (updateStandby())
        Q_EMIT titleChanged();
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
    foregroundTitleMayHaveChanged();
}

void TVSession::setInputs(const QList<ExternalInput> &inputs)
{
    if (m_inputs == inputs)
        return;
    m_inputs = inputs;
    Q_EMIT inputsChanged();
    foregroundTitleMayHaveChanged();
}

void TVSession::setApps(const QList<TVApp> &apps)
{
    if (m_apps == apps)
        return;
    m_apps = apps;
    Q_EMIT appsChanged();
    foregroundTitleMayHaveChanged();
}

void TVSession::foregroundTitleMayHaveChanged()
{
    Q_EMIT foregroundTitleChanged();
    Q_EMIT titleChanged();
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

// --- what the connection asks of the session --------------------------------------------

void TVSession::releaseChannels(bool close)
{
    PointerClient *pointer = m_pointer.data();
    if (!pointer)
        return;
    if (close)
        pointer->close();
    setPointer(nullptr);
}

void TVSession::forgetPowerState()
{
    setPowerState(QString());
}

QCoro::Task<> TVSession::afterRegistration(QPointer<SSAPClient> client, QString deviceID)
{
    QPointer<TVSession> self(this);
    co_await openPointer();
    if (!self || !client || this->client() != client)
        co_return;

    client->subscribe(ssapuri::volumeStatus, {}, [self](const QJsonObject &payload) {
        if (self)
            self->handleVolumeEvent(payload);
    });
    client->subscribe(ssapuri::foregroundApp, {},
                      [self](const QJsonObject &payload) {
                          if (self)
                              self->setForegroundAppId(tvreply::text(payload, QStringLiteral("appId")).value_or(QString()));
                      });
    client->subscribe(ssapuri::powerState, {},
                      [self](const QJsonObject &payload) {
                          if (self)
                              self->setPowerState(tvreply::text(payload, QStringLiteral("state")).value_or(QString()));
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
    co_await m_connection->learnMAC(client, deviceID);
    if (!self || !m_postRegistrationHook)
        co_return;
    co_await m_postRegistrationHook->afterRegistration(this);
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
    const std::optional<QList<ExternalInput>> inputs =
        co_await fetchList(this->client(), ssapuri::inputList, QStringLiteral("devices"), &tvreply::input);
    if (self && inputs)
        setInputs(*inputs);
}

QCoro::Task<> TVSession::refreshApps()
{
    QPointer<TVSession> self(this);
    const std::optional<QList<TVApp>> apps =
        co_await fetchList(this->client(), ssapuri::launchPoints, QStringLiteral("launchPoints"), &tvreply::app);
    if (self && apps)
        setApps(*apps);
}

QCoro::Task<std::optional<QImage>> TVSession::icon(QUrl url)
{
    if (const auto it = m_iconCache.constFind(url); it != m_iconCache.constEnd())
        co_return *it;
    QPointer<SSAPClient> client = this->client();
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
    QPointer<SSAPClient> client = this->client();
    if (!client)
        return;
    sendLogged(client, request.uri, request.payload);
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
    QPointer<SSAPClient> client = this->client();
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
    QPointer<SSAPClient> client = this->client();
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
    QPointer<SSAPClient> client = this->client();
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
    if (!self || !client || this->client() != client)
        co_return;
    const auto path = tvreply::text(payload, QStringLiteral("socketPath"));
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

void TVSession::scroll(int steps)
{
    // Scrolling is not worth opening a socket for; without one the steps are dropped.
    if (m_pointer && m_pointer->isOpen())
        m_pointer->scroll(0, steps);
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
    co_await veltrix::sleepAtLeast(timing().moveWindow);
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

// --- screen -----------------------------------------------------------------------------

QCoro::Task<QImage> TVSession::captureScreen()
{
    QPointer<SSAPClient> client = this->client();
    const std::optional<TVDevice> record = store()->selectedDevice();
    if (!state().is(ConnectionState::Kind::ready) || isStandby() || !client || !record)
        throw SSAPError::notConnected();
    QPointer<TVSession> self(this);
    const QByteArray bytes = co_await captureScreenshot(client, record->host);
    if (!self || !client || this->client() != client || !state().is(ConnectionState::Kind::ready) || isStandby())
        throw SSAPError::cancelled();
    QImage image = QImage::fromData(bytes);
    if (image.isNull())
        throw ScreenshotError::decode();
    co_return image;
}
