#include "tvsim/lib/simulatedtv.h"

#include "tvsim/lib/tlslistener.h"
#include "tvsim/lib/tvimages.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTimer>
#include <QUuid>
#include <QWebSocket>
#include <QWebSocketServer>

namespace {

constexpr qsizetype kScreenshotLimit = 4 * 1024 * 1024;
constexpr int kMaxTokens = 256;
constexpr int kStandbyCloseCode = 1008;

const QString kActive = QStringLiteral("Active");
const QString kActiveStandby = QStringLiteral("Active Standby");

QString normaliseUri(const QString &uri)
{
    static const QString prefix = QStringLiteral("ssap://");
    return uri.startsWith(prefix) ? uri.mid(prefix.size()) : uri;
}

QString standbyReason()
{
    return QStringLiteral("TV is in standby. Try Again Later");
}

QString resourcePath(SimulatedTV::Certificate certificate, const char *suffix)
{
    const QString name = certificate == SimulatedTV::Certificate::A ? QStringLiteral("tv-a")
                                                                    : QStringLiteral("tv-b");
    return QStringLiteral(":/veltrix/tvsim/") + name + QLatin1String(suffix);
}

QByteArray readResource(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QSslCertificate loadCertificate(SimulatedTV::Certificate certificate)
{
    return QSslCertificate(readResource(resourcePath(certificate, ".crt")), QSsl::Pem);
}

QSslKey loadKey(SimulatedTV::Certificate certificate)
{
    return QSslKey(readResource(resourcePath(certificate, ".key")), QSsl::Rsa, QSsl::Pem);
}

QJsonObject response(const QJsonValue &id, const QJsonObject &payload)
{
    return {{QStringLiteral("type"), QStringLiteral("response")},
            {QStringLiteral("id"), id},
            {QStringLiteral("payload"), payload}};
}

QJsonObject errorMessage(const QJsonValue &id, const QString &text)
{
    return {{QStringLiteral("type"), QStringLiteral("error")},
            {QStringLiteral("id"), id},
            {QStringLiteral("error"), text},
            {QStringLiteral("payload"), QJsonObject()}};
}

QJsonObject failure(const QString &errorText)
{
    return {{QStringLiteral("returnValue"), false}, {QStringLiteral("errorText"), errorText}};
}

// Ids travel back exactly as the client sent them (text or number); this is their map key.
QString idKey(const QJsonValue &id)
{
    if (id.isString())
        return id.toString();
    if (id.isDouble())
        return QString::number(id.toDouble(), 'g', 17);
    return QString();
}

bool readInteger(const QJsonValue &value, int *out)
{
    if (!value.isDouble())
        return false;
    const double d = value.toDouble();
    if (d != double(qint64(d)) || d < -1e9 || d > 1e9)
        return false;
    *out = int(d);
    return true;
}

const char *reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 503: return "Service Unavailable";
    default: return "Error";
    }
}

QByteArray responseHead(int status, const QByteArray &contentType, qint64 contentLength)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
    if (!contentType.isEmpty())
        head += "Content-Type: " + contentType + "\r\n";
    if (contentLength >= 0)
        head += "Content-Length: " + QByteArray::number(contentLength) + "\r\n";
    head += "Cache-Control: no-cache\r\nConnection: close\r\n\r\n";
    return head;
}

} // namespace

struct SimulatedTV::ControlConnection {
    enum class Waiting { None, Prompt, Pin };
    struct Subscription {
        QJsonValue id;
        QString uri;
    };

    int id = 0;
    QPointer<QWebSocket> socket;
    bool registered = false;
    QString clientKey;
    Waiting waiting = Waiting::None;
    QJsonValue registerId;
    QTimer *approveTimer = nullptr; // owned by the socket
    QList<Subscription> subscriptions;
};

struct SimulatedTV::Reply {
    enum class Kind { Response, Error };
    Kind kind = Kind::Response;
    QJsonObject payload;
    QString error;
};

// ---- construction ----------------------------------------------------------------------

QList<SimulatedTV::App> SimulatedTV::defaultApps()
{
    return {
        {QStringLiteral("com.webos.app.livetv"), QStringLiteral("Live TV")},
        {QStringLiteral("youtube.leanback.v4"), QStringLiteral("YouTube")},
        {QStringLiteral("netflix"), QStringLiteral("Netflix")},
        {QStringLiteral("com.webos.app.browser"), QStringLiteral("Web Browser")},
        {QStringLiteral("com.webos.app.photovideo"), QStringLiteral("Photo & Video")},
    };
}

QList<SimulatedTV::Input> SimulatedTV::defaultInputs()
{
    return {
        {QStringLiteral("HDMI_1"), QStringLiteral("HDMI 1"), QStringLiteral("com.webos.app.hdmi1"), true},
        {QStringLiteral("HDMI_2"), QStringLiteral("HDMI 2"), QStringLiteral("com.webos.app.hdmi2"), false},
        {QStringLiteral("HDMI_3"), QStringLiteral("HDMI 3"), QStringLiteral("com.webos.app.hdmi3"), false},
    };
}

SimulatedTV::SimulatedTV(QObject *parent)
    : SimulatedTV(Options(), parent)
{
}

SimulatedTV::SimulatedTV(const Options &options, QObject *parent)
    : QObject(parent)
    , m_options(options)
{
    if (m_options.uuid.isEmpty()) {
        m_options.uuid = QUuid::createUuidV5(QUuid(), QStringLiteral("veltrix-tvsim:") + m_options.address.toString())
                             .toString(QUuid::WithoutBraces);
    }
    if (m_options.wifiMac.isEmpty())
        m_options.wifiMac = m_options.mac;
    if (m_options.wiredMac.isEmpty())
        m_options.wiredMac = m_options.mac;
    m_clientKeys = m_options.knownClientKeys;
    m_volume = m_options.volume;
    m_muted = m_options.muted;
    m_foregroundAppId = m_options.foregroundAppId;
    m_powerState = m_options.powerState;
    m_keyboardFocused = m_options.keyboardFocused;
    m_apps = m_options.apps;
    m_inputs = m_options.inputs;
    m_standby = m_options.standby;
}

SimulatedTV::~SimulatedTV()
{
    // Sockets die with us as children; their last signals must not reach a half-destroyed TV.
    const auto children = findChildren<QObject *>();
    for (QObject *child : children)
        QObject::disconnect(child, nullptr, this, nullptr);
    // Destroying a connected QWebSocket leaks its close reason in Qt 6.4; abort them first.
    for (QWebSocket *socket : findChildren<QWebSocket *>()) {
        socket->disconnect();
        socket->abort();
    }
}

bool SimulatedTV::start()
{
    if (isListening())
        return true;
    const QSslCertificate certificate = loadCertificate(m_options.certificate);
    const QSslKey key = loadKey(m_options.certificate);
    if (certificate.isNull() || key.isNull()) {
        m_errorString = QStringLiteral("built-in TV certificate missing");
        return false;
    }
    if (!QSslSocket::supportsSsl()) {
        m_errorString = QStringLiteral("no TLS backend available");
        return false;
    }
    if (!m_listener) {
        m_listener = new TlsListener(this);
        m_webSockets = new QWebSocketServer(QStringLiteral("webOS TV"), QWebSocketServer::NonSecureMode, this);
        QObject::connect(m_listener, &TlsListener::tcpAccepted, this, [this] { ++m_tcpConnections; });
        QObject::connect(m_listener, &TlsListener::handshakeCompleted, this, [this] { ++m_tlsHandshakes; });
        QObject::connect(m_listener, &TlsListener::webSocketRequested, this, &SimulatedTV::onWebSocketRequested);
        QObject::connect(m_listener, &TlsListener::httpRequested, this, &SimulatedTV::onHttpRequested);
        QObject::connect(m_webSockets, &QWebSocketServer::newConnection, this, &SimulatedTV::onNewWebSocket);
    }
    m_listener->setIdentity(certificate, key);
    if (!m_listener->listen(m_options.address, m_options.port)) {
        m_errorString = QStringLiteral("cannot listen on ") + m_options.address.toString() + QLatin1Char(':')
            + QString::number(m_options.port) + QStringLiteral(": ") + m_listener->errorString();
        return false;
    }
    m_errorString.clear();
    return true;
}

void SimulatedTV::stop()
{
    if (m_listener)
        m_listener->close();
    dropAll();
}

bool SimulatedTV::isListening() const
{
    return m_listener && m_listener->isListening();
}

quint16 SimulatedTV::port() const
{
    return isListening() ? m_listener->serverPort() : m_options.port;
}

// ---- identity and pairing --------------------------------------------------------------

void SimulatedTV::setCertificate(Certificate certificate)
{
    m_options.certificate = certificate;
    if (m_listener)
        m_listener->setIdentity(loadCertificate(certificate), loadKey(certificate));
}

QString SimulatedTV::certificateFingerprint() const
{
    return fingerprintOf(m_options.certificate);
}

QString SimulatedTV::fingerprintOf(Certificate certificate)
{
    return QString::fromLatin1(loadCertificate(certificate).digest(QCryptographicHash::Sha256).toHex());
}

void SimulatedTV::addClientKey(const QString &key)
{
    if (!key.isEmpty() && !m_clientKeys.contains(key))
        m_clientKeys.append(key);
}

bool SimulatedTV::isAwaitingApproval() const
{
    for (const auto &conn : m_connections) {
        if (conn->socket && conn->waiting != ControlConnection::Waiting::None)
            return true;
    }
    return false;
}

void SimulatedTV::approve()
{
    QList<int> waiting;
    for (const auto &conn : m_connections) {
        if (conn->waiting != ControlConnection::Waiting::None)
            waiting.append(conn->id);
    }
    for (int id : waiting) {
        if (ControlConnection *conn = connectionById(id))
            finishPairing(conn, true);
    }
}

void SimulatedTV::reject()
{
    QList<int> waiting;
    for (const auto &conn : m_connections) {
        if (conn->waiting != ControlConnection::Waiting::None)
            waiting.append(conn->id);
    }
    for (int id : waiting) {
        if (ControlConnection *conn = connectionById(id))
            finishPairing(conn, false);
    }
}

void SimulatedTV::finishPairing(ControlConnection *conn, bool approved)
{
    if (conn->waiting == ControlConnection::Waiting::None)
        return;
    conn->waiting = ControlConnection::Waiting::None;
    delete conn->approveTimer;
    conn->approveTimer = nullptr;
    if (approved)
        registerClient(conn, freshToken(QStringLiteral("client-key")));
    else
        send(conn, errorMessage(conn->registerId, QStringLiteral("403 User denied access")));
}

void SimulatedTV::registerClient(ControlConnection *conn, const QString &key)
{
    conn->registered = true;
    conn->clientKey = key;
    addClientKey(key);
    ++m_registrations;
    send(conn, {{QStringLiteral("type"), QStringLiteral("registered")},
                {QStringLiteral("id"), conn->registerId},
                {QStringLiteral("payload"), QJsonObject{{QStringLiteral("client-key"), key}}}});
    Q_EMIT clientRegistered(key);
}

QString SimulatedTV::freshToken(const QString &salt)
{
    // Deterministic per TV, so runs repeat exactly, yet distinct between TVs.
    const QString seed = m_options.uuid + QLatin1Char(':') + salt + QLatin1Char(':')
        + QString::number(++m_tokenCounter);
    return QString::fromLatin1(QCryptographicHash::hash(seed.toUtf8(), QCryptographicHash::Md5).toHex());
}

// ---- TV state --------------------------------------------------------------------------

void SimulatedTV::setVolume(int volume)
{
    changeState(m_volume, qBound(0, volume, 100), QStringLiteral("audio/getVolume"));
}

void SimulatedTV::setMuted(bool muted)
{
    changeState(m_muted, muted, QStringLiteral("audio/getVolume"));
}

void SimulatedTV::setForegroundApp(const QString &appId)
{
    changeState(m_foregroundAppId, appId, QStringLiteral("com.webos.applicationManager/getForegroundAppInfo"));
}

void SimulatedTV::setPowerState(const QString &state)
{
    changeState(m_powerState, state, QStringLiteral("com.webos.service.tvpower/power/getPowerState"));
}

void SimulatedTV::setKeyboardFocus(bool focused)
{
    changeState(m_keyboardFocused, focused, QStringLiteral("com.webos.service.ime/registerRemoteKeyboard"));
}

QJsonObject SimulatedTV::statePayload(const QString &uri) const
{
    if (uri == QLatin1String("audio/getVolume")) {
        const QJsonObject status{{QStringLiteral("volume"), m_volume},
                                 {QStringLiteral("muteStatus"), m_muted},
                                 {QStringLiteral("activeStatus"), true},
                                 {QStringLiteral("adjustVolume"), true},
                                 {QStringLiteral("maxVolume"), 100},
                                 {QStringLiteral("soundOutput"), QStringLiteral("tv_speaker")}};
        return {{QStringLiteral("volumeStatus"), status},
                {QStringLiteral("callerId"), QStringLiteral("secondscreen.client")}};
    }
    if (uri == QLatin1String("com.webos.applicationManager/getForegroundAppInfo")) {
        return {{QStringLiteral("appId"), m_foregroundAppId},
                {QStringLiteral("processId"), QString()},
                {QStringLiteral("windowId"), QString()}};
    }
    if (uri == QLatin1String("com.webos.service.tvpower/power/getPowerState"))
        return {{QStringLiteral("state"), m_powerState}};
    if (uri == QLatin1String("com.webos.service.ime/registerRemoteKeyboard")) {
        const QJsonObject widget{{QStringLiteral("focus"), m_keyboardFocused},
                                 {QStringLiteral("contentType"), QStringLiteral("text")},
                                 {QStringLiteral("hasSurroundingText"), true}};
        return {{QStringLiteral("currentWidget"), widget}};
    }
    return {};
}

void SimulatedTV::notifySubscribers(const QString &uri)
{
    QJsonObject payload = statePayload(uri);
    payload.insert(QStringLiteral("subscribed"), true);
    payload.insert(QStringLiteral("returnValue"), true);
    pushEvent(uri, payload);
}

void SimulatedTV::pushEvent(const QString &uri, const QJsonObject &payload)
{
    const QString key = normaliseUri(uri);
    QList<QPair<int, QJsonValue>> targets;
    for (const auto &conn : m_connections) {
        for (const auto &sub : conn->subscriptions) {
            if (sub.uri == key)
                targets.append({conn->id, sub.id});
        }
    }
    for (const auto &target : targets) {
        if (ControlConnection *conn = connectionById(target.first))
            send(conn, response(target.second, payload));
    }
}

// ---- scripts ---------------------------------------------------------------------------

void SimulatedTV::neverAnswer(const QString &uri)
{
    m_scripts[normaliseUri(uri)].kind = Script::Kind::Never;
}

void SimulatedTV::failWith(const QString &uri, const QString &errorText)
{
    Script &script = m_scripts[normaliseUri(uri)];
    script.kind = Script::Kind::Fail;
    script.errorText = errorText;
}

void SimulatedTV::errorWith(const QString &uri, const QString &errorText)
{
    Script &script = m_scripts[normaliseUri(uri)];
    script.kind = Script::Kind::Error;
    script.errorText = errorText;
}

void SimulatedTV::replyWith(const QString &uri, const QJsonObject &payload)
{
    Script &script = m_scripts[normaliseUri(uri)];
    script.kind = Script::Kind::Custom;
    script.payload = payload;
}

void SimulatedTV::delayReply(const QString &uri, int ms)
{
    m_scripts[normaliseUri(uri)].delayMs = qMax(0, ms);
}

void SimulatedTV::answerNormally(const QString &uri)
{
    m_scripts.remove(normaliseUri(uri));
}

void SimulatedTV::resetScripts()
{
    m_scripts.clear();
}

// ---- connections -----------------------------------------------------------------------

void SimulatedTV::onWebSocketRequested(QSslSocket *socket)
{
    m_webSockets->handleConnection(socket);
}

void SimulatedTV::onNewWebSocket()
{
    while (m_webSockets->hasPendingConnections()) {
        QWebSocket *socket = m_webSockets->nextPendingConnection();
        if (!socket)
            break;
        socket->setParent(this);
        const QString path = socket->requestUrl().path();
        if (path.isEmpty() || path == QLatin1String("/")) {
            acceptControl(socket);
            continue;
        }
        const QStringList parts = path.split(QLatin1Char('/'));
        // "/resources/<token>/netinput.pointer.sock"
        if (parts.size() == 4 && parts.at(1) == QLatin1String("resources")
            && parts.at(3) == QLatin1String("netinput.pointer.sock") && m_pointerTokens.contains(parts.at(2))) {
            acceptPointer(socket);
            continue;
        }
        QObject::connect(socket, &QWebSocket::disconnected, socket, &QObject::deleteLater);
        socket->close(QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("404 no such socket"));
    }
}

// The TV always finishes the upgrade, then says no with a close frame, like the real one.
static void refuse(QWebSocket *socket, int code, const QString &reason)
{
    QObject::connect(socket, &QWebSocket::disconnected, socket, &QObject::deleteLater);
    socket->close(QWebSocketProtocol::CloseCode(code), reason);
    QTimer::singleShot(3000, socket, &QWebSocket::abort);
}

void SimulatedTV::acceptControl(QWebSocket *socket)
{
    ++m_controlConnections;
    if (m_standby) {
        ++m_standbyRefusals;
        refuse(socket, kStandbyCloseCode, standbyReason());
        return;
    }
    auto conn = std::make_unique<ControlConnection>();
    const int id = m_nextConnectionId++;
    conn->id = id;
    conn->socket = socket;
    m_connections.push_back(std::move(conn));

    QObject::connect(socket, &QWebSocket::textMessageReceived, this, [this, id](const QString &text) {
        if (ControlConnection *c = connectionById(id))
            onControlMessage(c, text, false);
    });
    QObject::connect(socket, &QWebSocket::binaryMessageReceived, this, [this, id](const QByteArray &bytes) {
        if (ControlConnection *c = connectionById(id))
            onControlMessage(c, QString::fromUtf8(bytes), true);
    });
    QObject::connect(socket, &QWebSocket::disconnected, this, [this, id, socket] {
        socket->deleteLater();
        if (ControlConnection *c = connectionById(id)) {
            c->socket = nullptr;
            c->waiting = ControlConnection::Waiting::None;
            // Erased later: a caller further up the stack may still hold the pointer.
            QTimer::singleShot(0, this, [this, id] {
                std::erase_if(m_connections, [id](const auto &c) { return c->id == id; });
            });
            Q_EMIT controlDisconnected(id);
        }
    });
    Q_EMIT controlConnected(id);
}

void SimulatedTV::acceptPointer(QWebSocket *socket)
{
    if (m_standby) {
        refuse(socket, kStandbyCloseCode, standbyReason());
        return;
    }
    ++m_pointerConnections;
    m_pointerSockets.append(socket);
    auto record = [this](const QString &frame) {
        m_pointerFrames.append(frame);
        Q_EMIT pointerFrameReceived(frame);
    };
    QObject::connect(socket, &QWebSocket::textMessageReceived, this, record);
    QObject::connect(socket, &QWebSocket::binaryMessageReceived, this,
                     [record](const QByteArray &bytes) { record(QString::fromUtf8(bytes)); });
    QObject::connect(socket, &QWebSocket::disconnected, this, [this, socket] {
        m_pointerSockets.removeAll(socket);
        socket->deleteLater();
    });
    Q_EMIT pointerConnected();
}

SimulatedTV::ControlConnection *SimulatedTV::connectionById(int id) const
{
    for (const auto &conn : m_connections) {
        if (conn->id == id)
            return conn->socket ? conn.get() : nullptr;
    }
    return nullptr;
}

int SimulatedTV::openControlConnections() const
{
    int open = 0;
    for (const auto &conn : m_connections) {
        if (conn->socket && conn->socket->state() == QAbstractSocket::ConnectedState)
            ++open;
    }
    return open;
}

int SimulatedTV::openPointerConnections() const
{
    int open = 0;
    for (QWebSocket *socket : m_pointerSockets) {
        if (socket->state() == QAbstractSocket::ConnectedState)
            ++open;
    }
    return open;
}

void SimulatedTV::send(ControlConnection *conn, const QJsonObject &message)
{
    if (conn->socket && conn->socket->state() == QAbstractSocket::ConnectedState)
        conn->socket->sendTextMessage(QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
}

// ---- control messages ------------------------------------------------------------------

void SimulatedTV::onControlMessage(ControlConnection *conn, const QString &raw, bool binary)
{
    const int id = conn->id;
    const QJsonDocument doc = QJsonDocument::fromJson(raw.toUtf8());
    const QJsonObject json = doc.isObject() ? doc.object() : QJsonObject();
    m_messages.append({json, raw, id, binary});
    Q_EMIT messageReceived(json);
    // A listener may have dropped the socket meanwhile.
    conn = connectionById(id);
    if (!conn || json.isEmpty())
        return;

    const QString type = json.value(QStringLiteral("type")).toString();
    QString key;
    if (type == QLatin1String("hello"))
        key = QStringLiteral("hello");
    else if (type == QLatin1String("register"))
        key = QStringLiteral("register");
    else
        key = normaliseUri(json.value(QStringLiteral("uri")).toString());
    const Script script = m_scripts.value(key);
    if (script.kind == Script::Kind::Never)
        return;
    if (script.delayMs > 0) {
        // Precise: a delay meant to land just inside a client's deadline must not come early.
        QTimer::singleShot(script.delayMs, Qt::PreciseTimer, this, [this, id, json] {
            if (ControlConnection *c = connectionById(id))
                handleMessage(c, json);
        });
        return;
    }
    handleMessage(conn, json);
}

void SimulatedTV::handleMessage(ControlConnection *conn, const QJsonObject &message)
{
    const QString type = message.value(QStringLiteral("type")).toString();
    const QJsonValue id = message.value(QStringLiteral("id"));
    QString key;
    QString replyType = QStringLiteral("response");
    if (type == QLatin1String("hello")) {
        key = QStringLiteral("hello");
        replyType = QStringLiteral("hello");
    } else if (type == QLatin1String("register")) {
        key = QStringLiteral("register");
    } else {
        key = normaliseUri(message.value(QStringLiteral("uri")).toString());
    }

    const auto scripted = m_scripts.constFind(key);
    if (scripted != m_scripts.constEnd() && type != QLatin1String("unsubscribe")) {
        switch (scripted->kind) {
        case Script::Kind::Fail:
            send(conn, response(id, failure(scripted->errorText)));
            return;
        case Script::Kind::Error:
            send(conn, errorMessage(id, scripted->errorText));
            return;
        case Script::Kind::Custom: {
            QJsonObject reply = response(id, scripted->payload);
            reply.insert(QStringLiteral("type"), replyType);
            send(conn, reply);
            return;
        }
        case Script::Kind::Never:
            return;
        case Script::Kind::Normal:
            break;
        }
    }

    if (type == QLatin1String("hello"))
        handleHello(conn, message);
    else if (type == QLatin1String("register"))
        handleRegister(conn, message);
    else if (type == QLatin1String("request") || type == QLatin1String("subscribe"))
        handleRequest(conn, message);
    else if (type == QLatin1String("unsubscribe")) {
        const QString subId = idKey(id);
        conn->subscriptions.removeIf([&subId](const auto &sub) { return idKey(sub.id) == subId; });
    }
}

void SimulatedTV::handleHello(ControlConnection *conn, const QJsonObject &message)
{
    const QJsonValue id = message.value(QStringLiteral("id"));
    const QJsonObject payload{
        {QStringLiteral("protocolVersion"), 1},
        {QStringLiteral("deviceType"), QStringLiteral("tv")},
        {QStringLiteral("deviceOS"), QStringLiteral("webOS")},
        {QStringLiteral("deviceOSVersion"), QStringLiteral("4.1.0")},
        {QStringLiteral("deviceOSReleaseVersion"), QStringLiteral("6.3.0")},
        {QStringLiteral("deviceUUID"), m_options.uuid},
        {QStringLiteral("pairingTypes"), QJsonArray{QStringLiteral("PIN"), QStringLiteral("PROMPT"), QStringLiteral("COMBINED")}},
    };
    send(conn, {{QStringLiteral("type"), QStringLiteral("hello")},
                {QStringLiteral("id"), id.isUndefined() ? QJsonValue(QStringLiteral("hello")) : id},
                {QStringLiteral("payload"), payload}});
}

void SimulatedTV::handleRegister(ControlConnection *conn, const QJsonObject &message)
{
    const QJsonObject payload = message.value(QStringLiteral("payload")).toObject();
    const QString key = payload.value(QStringLiteral("client-key")).toString();
    conn->registerId = message.value(QStringLiteral("id"));
    if (conn->registerId.isUndefined())
        conn->registerId = QStringLiteral("register_0");
    conn->waiting = ControlConnection::Waiting::None;
    delete conn->approveTimer;
    conn->approveTimer = nullptr;

    if (!key.isEmpty() && m_clientKeys.contains(key)) {
        registerClient(conn, key);
        return;
    }
    Pairing mode = m_options.pairing;
    if (mode == Pairing::AsRequested)
        mode = payload.value(QStringLiteral("pairingType")).toString() == QLatin1String("PIN") ? Pairing::Pin : Pairing::Prompt;
    switch (mode) {
    case Pairing::Auto:
        registerClient(conn, freshToken(QStringLiteral("client-key")));
        return;
    case Pairing::Reject:
        send(conn, errorMessage(conn->registerId, QStringLiteral("403 User denied access")));
        return;
    case Pairing::Prompt:
    case Pairing::Pin:
    case Pairing::AsRequested:
        break;
    }
    const bool pin = mode == Pairing::Pin;
    const QString pairingType = pin ? QStringLiteral("PIN") : QStringLiteral("PROMPT");
    ++m_pairingPrompts;
    conn->waiting = pin ? ControlConnection::Waiting::Pin : ControlConnection::Waiting::Prompt;
    send(conn, response(conn->registerId, {{QStringLiteral("pairingType"), pairingType},
                                           {QStringLiteral("returnValue"), true}}));
    if (!pin && m_options.approveDelayMs >= 0) {
        const int id = conn->id;
        conn->approveTimer = new QTimer(conn->socket);
        conn->approveTimer->setSingleShot(true);
        QObject::connect(conn->approveTimer, &QTimer::timeout, this, [this, id] {
            if (ControlConnection *c = connectionById(id)) {
                c->approveTimer->deleteLater();
                c->approveTimer = nullptr;
                finishPairing(c, true);
            }
        });
        conn->approveTimer->start(m_options.approveDelayMs);
    }
    Q_EMIT pairingPrompted(pairingType);
}

void SimulatedTV::handleRequest(ControlConnection *conn, const QJsonObject &message)
{
    const QJsonValue id = message.value(QStringLiteral("id"));
    const QString uri = normaliseUri(message.value(QStringLiteral("uri")).toString());
    const QJsonObject payload = message.value(QStringLiteral("payload")).toObject();
    const int connId = conn->id;

    if (uri == QLatin1String("pairing/setPin")) {
        const QJsonValue pinValue = payload.value(QStringLiteral("pin"));
        const QString pin = pinValue.isDouble() ? QString::number(pinValue.toInteger()) : pinValue.toString();
        if (conn->waiting != ControlConnection::Waiting::Pin) {
            send(conn, response(id, failure(QStringLiteral("no PIN pairing in progress"))));
        } else if (pin != m_options.pin) {
            send(conn, response(id, failure(QStringLiteral("Invalid PIN"))));
        } else {
            send(conn, response(id, {{QStringLiteral("returnValue"), true}}));
            finishPairing(conn, true);
        }
        return;
    }
    if (m_options.requireRegistration && !conn->registered) {
        send(conn, errorMessage(id, QStringLiteral("401 insufficient permissions (not registered)")));
        return;
    }

    Reply reply = serve(conn, uri, payload);
    conn = connectionById(connId);
    if (!conn)
        return;
    if (reply.kind == Reply::Kind::Error) {
        send(conn, errorMessage(id, reply.error));
        return;
    }
    if (!reply.payload.contains(QStringLiteral("returnValue")))
        reply.payload.insert(QStringLiteral("returnValue"), true);
    if (message.value(QStringLiteral("type")).toString() == QLatin1String("subscribe")
        && reply.payload.value(QStringLiteral("returnValue")).toBool()) {
        const QString subId = idKey(id);
        conn->subscriptions.removeIf([&subId](const auto &sub) { return idKey(sub.id) == subId; });
        conn->subscriptions.append({id, uri});
        reply.payload.insert(QStringLiteral("subscribed"), true);
    }
    send(conn, response(id, reply.payload));
}

SimulatedTV::Reply SimulatedTV::serve(ControlConnection *conn, const QString &uri, const QJsonObject &payload)
{
    Q_UNUSED(conn);
    auto ok = [](const QJsonObject &p = QJsonObject()) { return Reply{Reply::Kind::Response, p, {}}; };
    auto fail = [](const QString &text) { return Reply{Reply::Kind::Response, failure(text), {}}; };

    if (uri == QLatin1String("system/getSystemInfo")) {
        return ok({{QStringLiteral("modelName"), m_options.modelName},
                   {QStringLiteral("receiverType"), QStringLiteral("atsc")},
                   {QStringLiteral("programMode"), QStringLiteral("false")},
                   {QStringLiteral("features"), QJsonObject{{QStringLiteral("3d"), false}, {QStringLiteral("dvr"), true}}}});
    }
    if (uri == QLatin1String("audio/getVolume") || uri == QLatin1String("com.webos.applicationManager/getForegroundAppInfo")
        || uri == QLatin1String("com.webos.service.tvpower/power/getPowerState")
        || uri == QLatin1String("com.webos.service.ime/registerRemoteKeyboard")) {
        return ok(statePayload(uri));
    }
    if (uri == QLatin1String("audio/setVolume")) {
        int volume = 0;
        if (!readInteger(payload.value(QStringLiteral("volume")), &volume) || volume < 0 || volume > 100)
            return fail(QStringLiteral("volume must be an integer 0-100"));
        setVolume(volume);
        return ok();
    }
    if (uri == QLatin1String("audio/volumeUp") || uri == QLatin1String("audio/volumeDown")) {
        setVolume(m_volume + (uri.endsWith(QLatin1String("Up")) ? 1 : -1));
        return ok();
    }
    if (uri == QLatin1String("audio/setMute")) {
        const QJsonValue mute = payload.value(QStringLiteral("mute"));
        if (!mute.isBool())
            return fail(QStringLiteral("mute must be a boolean"));
        setMuted(mute.toBool());
        return ok();
    }
    if (uri == QLatin1String("system.launcher/launch")) {
        const QString appId = payload.value(QStringLiteral("id")).toString();
        bool known = appId == QLatin1String("com.webos.app.home");
        for (const App &app : std::as_const(m_apps))
            known = known || app.id == appId;
        for (const Input &input : std::as_const(m_inputs))
            known = known || input.appId == appId;
        if (!known)
            return fail(QStringLiteral("Application not found"));
        setForegroundApp(appId);
        return ok({{QStringLiteral("id"), appId}, {QStringLiteral("sessionId"), freshToken(QStringLiteral("session"))}});
    }
    if (uri == QLatin1String("system.launcher/open")) {
        const QString target = payload.value(QStringLiteral("target")).toString();
        if (target.isEmpty())
            return fail(QStringLiteral("target is required"));
        setForegroundApp(QStringLiteral("com.webos.app.browser"));
        return ok({{QStringLiteral("id"), QStringLiteral("com.webos.app.browser")}});
    }
    if (uri == QLatin1String("tv/getExternalInputList")) {
        QJsonArray devices;
        for (const Input &input : std::as_const(m_inputs)) {
            devices.append(QJsonObject{{QStringLiteral("id"), input.id},
                                       {QStringLiteral("label"), input.label},
                                       {QStringLiteral("appId"), input.appId},
                                       {QStringLiteral("connected"), input.connected},
                                       {QStringLiteral("port"), devices.size() + 1}});
        }
        return ok({{QStringLiteral("devices"), devices}});
    }
    if (uri == QLatin1String("tv/switchInput")) {
        const QString inputId = payload.value(QStringLiteral("inputId")).toString();
        for (const Input &input : std::as_const(m_inputs)) {
            if (input.id == inputId) {
                setForegroundApp(input.appId);
                return ok();
            }
        }
        return fail(QStringLiteral("Unknown input"));
    }
    if (uri == QLatin1String("com.webos.applicationManager/listLaunchPoints")) {
        const QString base = QStringLiteral("https://") + host() + QLatin1Char(':') + QString::number(port());
        QJsonArray points;
        for (const App &app : std::as_const(m_apps)) {
            points.append(QJsonObject{{QStringLiteral("id"), app.id},
                                      {QStringLiteral("title"), app.title},
                                      {QStringLiteral("icon"), QString(base + iconPath(app.id))},
                                      {QStringLiteral("largeIcon"), QString(base + largeIconPath(app.id))}});
        }
        return ok({{QStringLiteral("launchPoints"), points}});
    }
    if (uri == QLatin1String("com.webos.service.ime/insertText")) {
        const QJsonValue text = payload.value(QStringLiteral("text"));
        if (!text.isString())
            return fail(QStringLiteral("text is required"));
        if (payload.value(QStringLiteral("replace")).toBool())
            m_typedText.clear();
        m_typedText += text.toString();
        return ok();
    }
    if (uri == QLatin1String("com.webos.service.ime/sendEnterKey")) {
        ++m_enterKeys;
        return ok();
    }
    if (uri == QLatin1String("com.webos.service.networkinput/getPointerInputSocket")) {
        const QString token = freshToken(QStringLiteral("pointer"));
        m_pointerTokens.append(token);
        while (m_pointerTokens.size() > kMaxTokens)
            m_pointerTokens.removeFirst();
        const QString path = QStringLiteral("wss://") + host() + QLatin1Char(':') + QString::number(port())
            + QStringLiteral("/resources/") + token + QStringLiteral("/netinput.pointer.sock");
        return ok({{QStringLiteral("socketPath"), path}});
    }
    if (uri == QLatin1String("com.webos.service.connectionmanager/getinfo")) {
        return ok({{QStringLiteral("wifiInfo"), QJsonObject{{QStringLiteral("macAddress"), m_options.wifiMac},
                                                            {QStringLiteral("state"), QStringLiteral("connected")}}},
                   {QStringLiteral("wiredInfo"), QJsonObject{{QStringLiteral("macAddress"), m_options.wiredMac},
                                                             {QStringLiteral("state"), QStringLiteral("disconnected")}}},
                   {QStringLiteral("isInternetConnectionAvailable"), false}});
    }
    if (uri == QLatin1String("system/turnOff")) {
        turnOff();
        return ok();
    }
    if (uri == QLatin1String("tv/executeOneShot")) {
        if (!m_imageUriOverride.isEmpty())
            return ok({{QStringLiteral("imageUri"), m_imageUriOverride}});
        const QString token = freshToken(QStringLiteral("screenshot"));
        m_screenshotTokens.append(token);
        while (m_screenshotTokens.size() > kMaxTokens)
            m_screenshotTokens.removeFirst();
        const QString imageUri = QStringLiteral("https://") + host() + QLatin1Char(':') + QString::number(port())
            + QStringLiteral("/resources/") + token + QStringLiteral("/screenshot.jpg");
        return ok({{QStringLiteral("imageUri"), imageUri}});
    }
    if (uri == QLatin1String("system.notifications/createToast")) {
        const QJsonValue text = payload.value(QStringLiteral("message"));
        if (!text.isString() || text.toString().isEmpty())
            return fail(QStringLiteral("message is required"));
        m_toasts.append(text.toString());
        return ok({{QStringLiteral("toastId"), QString(QStringLiteral("com.webos.service.apiadapter-") + QString::number(m_toasts.size()))}});
    }
    static const QStringList mediaActions{QStringLiteral("play"), QStringLiteral("pause"), QStringLiteral("stop"),
                                          QStringLiteral("rewind"), QStringLiteral("fastForward")};
    if (uri.startsWith(QLatin1String("media.controls/")) && mediaActions.contains(uri.mid(15))) {
        m_mediaActions.append(uri.mid(15));
        return ok();
    }
    if (uri == QLatin1String("tv/channelUp") || uri == QLatin1String("tv/channelDown")) {
        m_channel = qMax(1, m_channel + (uri.endsWith(QLatin1String("Up")) ? 1 : -1));
        return ok();
    }
    if (uri == QLatin1String("tv/getCurrentChannel")) {
        return ok({{QStringLiteral("channelNumber"), QString::number(m_channel)},
                   {QStringLiteral("channelName"), QString(QStringLiteral("Channel ") + QString::number(m_channel))}});
    }
    return Reply{Reply::Kind::Error, {}, QStringLiteral("404 no such service or method")};
}

// ---- faults ----------------------------------------------------------------------------

void SimulatedTV::dropAll()
{
    QList<QPointer<QWebSocket>> sockets;
    for (const auto &conn : m_connections)
        sockets.append(conn->socket);
    for (QWebSocket *socket : std::as_const(m_pointerSockets))
        sockets.append(socket);
    for (const auto &socket : sockets) {
        if (socket)
            socket->abort();
    }
    const QList<QPointer<QSslSocket>> http(m_httpSockets.cbegin(), m_httpSockets.cend());
    for (const auto &socket : http) {
        if (socket)
            socket->abort();
    }
    if (m_listener)
        m_listener->abortPending();
}

void SimulatedTV::closeControl(int code, const QString &reason)
{
    QList<QPointer<QWebSocket>> sockets;
    for (const auto &conn : m_connections)
        sockets.append(conn->socket);
    for (const auto &socket : sockets) {
        if (socket)
            socket->close(QWebSocketProtocol::CloseCode(code), reason);
    }
}

void SimulatedTV::closePointer(int code, const QString &reason)
{
    const QList<QPointer<QWebSocket>> sockets(m_pointerSockets.cbegin(), m_pointerSockets.cend());
    for (const auto &socket : sockets) {
        if (socket)
            socket->close(QWebSocketProtocol::CloseCode(code), reason);
    }
}

void SimulatedTV::sendRaw(const QString &text)
{
    for (const auto &conn : m_connections) {
        if (conn->socket && conn->socket->state() == QAbstractSocket::ConnectedState)
            conn->socket->sendTextMessage(text);
    }
}

void SimulatedTV::sendBinary(const QByteArray &bytes)
{
    for (const auto &conn : m_connections) {
        if (conn->socket && conn->socket->state() == QAbstractSocket::ConnectedState)
            conn->socket->sendBinaryMessage(bytes);
    }
}

// ---- power and wake --------------------------------------------------------------------

void SimulatedTV::turnOff()
{
    setPowerState(kActiveStandby);
    if (m_options.turnOffCloseDelayMs < 0)
        return;
    QTimer::singleShot(m_options.turnOffCloseDelayMs, this, [this] {
        // Woken again before the screen went dark: stay on.
        if (m_powerState == kActiveStandby && !m_standby)
            setStandby(true);
    });
}

void SimulatedTV::setStandby(bool standby)
{
    if (standby == m_standby)
        return;
    m_standby = standby;
    if (standby) {
        m_packetsSinceSleep = 0;
        m_powerState = kActiveStandby;
        closeControl(kStandbyCloseCode, standbyReason());
        closePointer(kStandbyCloseCode, standbyReason());
    } else {
        m_powerState = kActive;
    }
    Q_EMIT standbyChanged(standby);
}

void SimulatedTV::wakeUp()
{
    if (!m_standby && m_powerState == kActive)
        return;
    setStandby(false);
    setPowerState(kActive); // tells clients that stayed connected through a screen-off
    ++m_wakeCount;
    Q_EMIT woken();
}

void SimulatedTV::setWakeAfterPackets(int packets)
{
    m_wakeAfterPackets = qMax(1, packets);
}

void SimulatedTV::notifyMagicPacket()
{
    ++m_magicPackets;
    if (!m_standby && m_powerState == kActive)
        return;
    ++m_packetsSinceSleep;
    if (m_packetsSinceSleep < m_wakeAfterPackets || m_wakePending)
        return;
    m_wakePending = true;
    QTimer::singleShot(qMax(0, m_options.wakeDelayMs), this, [this] {
        m_wakePending = false;
        wakeUp();
    });
}

// ---- HTTPS resources -------------------------------------------------------------------

QString SimulatedTV::iconPath(const QString &appId)
{
    return QStringLiteral("/resources/icons/") + QString::fromLatin1(QUrl::toPercentEncoding(appId)) + QStringLiteral(".png");
}

QString SimulatedTV::largeIconPath(const QString &appId)
{
    return QStringLiteral("/resources/icons/large/") + QString::fromLatin1(QUrl::toPercentEncoding(appId))
        + QStringLiteral(".png");
}

void SimulatedTV::setScreenshotSize(const QSize &size)
{
    m_options.screenshotSize = size;
}

QByteArray SimulatedTV::screenshotJpeg()
{
    if (m_jpeg.isEmpty() || m_jpegSize != m_options.screenshotSize) {
        m_jpegSize = m_options.screenshotSize;
        m_jpeg = TvImages::screenshotJpeg(m_jpegSize);
    }
    return m_jpeg;
}

void SimulatedTV::onHttpRequested(QSslSocket *socket, const HttpHead &head)
{
    socket->setParent(this);
    m_httpSockets.append(socket);
    QObject::connect(socket, &QSslSocket::disconnected, this, [this, socket] {
        m_httpSockets.removeAll(socket);
        socket->deleteLater();
    });

    HttpRequest record{head.method, head.target, head.headers, 0};
    const QString path = head.target.section(QLatin1Char('?'), 0, 0);
    const bool headOnly = head.method == QLatin1String("HEAD");
    auto answer = [&](int status, const QByteArray &type, const QByteArray &body) {
        record.status = status;
        socket->write(responseHead(status, type, body.size()));
        if (!headOnly)
            socket->write(body);
        socket->disconnectFromHost();
    };

    static const QString iconsLarge = QStringLiteral("/resources/icons/large/");
    static const QString icons = QStringLiteral("/resources/icons/");
    auto appFromIconPath = [this](const QString &rest) -> QString {
        if (!rest.endsWith(QLatin1String(".png")))
            return {};
        const QString id = QUrl::fromPercentEncoding(rest.chopped(4).toUtf8());
        for (const App &app : std::as_const(m_apps)) {
            if (app.id == id)
                return id;
        }
        return {};
    };

    if (m_standby) {
        answer(503, "text/plain", "standby\n");
    } else if (head.method != QLatin1String("GET") && !headOnly) {
        answer(405, "text/plain", "method not allowed\n");
    } else if (path.startsWith(iconsLarge)) {
        const QString id = appFromIconPath(path.mid(iconsLarge.size()));
        if (id.isEmpty())
            answer(404, "text/plain", "not found\n");
        else
            answer(200, "image/png", TvImages::iconPng(id, 130));
    } else if (path.startsWith(icons)) {
        const QString id = appFromIconPath(path.mid(icons.size()));
        if (id.isEmpty())
            answer(404, "text/plain", "not found\n");
        else
            answer(200, "image/png", TvImages::iconPng(id, 80));
    } else {
        const QStringList parts = path.split(QLatin1Char('/'));
        if (parts.size() == 4 && parts.at(1) == QLatin1String("resources")
            && parts.at(3) == QLatin1String("screenshot.jpg") && m_screenshotTokens.contains(parts.at(2))) {
            serveScreenshot(socket, record);
        } else {
            answer(404, "text/plain", "not found\n");
        }
    }
    m_httpRequests.append(record);
    Q_EMIT httpServed(path, record.status);
}

void SimulatedTV::serveScreenshot(QSslSocket *socket, HttpRequest &record)
{
    auto bodyOfSize = [this](qsizetype size) {
        QByteArray body = screenshotJpeg();
        body.resize(size, '\0'); // bytes after the end-of-image marker are ignored by decoders
        return body;
    };
    switch (m_screenshotMode) {
    case ScreenshotMode::Ok: {
        const QByteArray body = screenshotJpeg();
        record.status = 200;
        socket->write(responseHead(200, "image/jpeg", body.size()));
        socket->write(body);
        socket->disconnectFromHost();
        return;
    }
    case ScreenshotMode::NotFound:
        record.status = 404;
        socket->write(responseHead(404, "text/plain", 10));
        socket->write("not found\n");
        socket->disconnectFromHost();
        return;
    case ScreenshotMode::AnnounceHuge:
        // The length is a lie and the body never comes; the client has to give up.
        record.status = 200;
        socket->write(responseHead(200, "image/jpeg", 5000000));
        QTimer::singleShot(30000, socket, &QSslSocket::abort);
        return;
    case ScreenshotMode::ExactLimitBody:
    case ScreenshotMode::OversizeBody: {
        const qsizetype size = kScreenshotLimit + (m_screenshotMode == ScreenshotMode::OversizeBody ? 1 : 0);
        record.status = 200;
        socket->write(responseHead(200, "image/jpeg", -1)); // length known only at the close
        socket->write(bodyOfSize(size));
        socket->disconnectFromHost();
        return;
    }
    case ScreenshotMode::Garbage: {
        const QByteArray body = QByteArray("this is not a picture\n").repeated(64);
        record.status = 200;
        socket->write(responseHead(200, "image/jpeg", body.size()));
        socket->write(body);
        socket->disconnectFromHost();
        return;
    }
    }
}

// ---- the record ------------------------------------------------------------------------

QList<QJsonObject> SimulatedTV::requests(const QString &uri) const
{
    const QString key = normaliseUri(uri);
    QList<QJsonObject> found;
    for (const Message &m : m_messages) {
        const QString type = m.json.value(QStringLiteral("type")).toString();
        if ((type == QLatin1String("request") || type == QLatin1String("subscribe"))
            && normaliseUri(m.json.value(QStringLiteral("uri")).toString()) == key) {
            found.append(m.json);
        }
    }
    return found;
}

int SimulatedTV::requestCount(const QString &uri) const
{
    return int(requests(uri).size());
}

QJsonObject SimulatedTV::lastPayload(const QString &uri) const
{
    const QList<QJsonObject> found = requests(uri);
    return found.isEmpty() ? QJsonObject() : found.last().value(QStringLiteral("payload")).toObject();
}

void SimulatedTV::clearRecord()
{
    m_messages.clear();
    m_pointerFrames.clear();
    m_httpRequests.clear();
}
