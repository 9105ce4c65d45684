#include "protocol/ssapclient.h"

#include "protocol/completion.h"
#include "log/coretext.h"
#include "log/log.h"
#include "protocol/precisetimer.h"
#include "protocol/socketend.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QTimer>
#include <QTimerEvent>
#include <QWebSocket>

#include <utility>

namespace {

using veltrix::Completion;
using veltrix::MonotonicClock;
using ReplyCompletion = std::shared_ptr<Completion<QJsonObject>>;
using KeyCompletion = std::shared_ptr<Completion<QString>>;
using BodyCompletion = std::shared_ptr<Completion<QByteArray>>;

const QString kHelloId = QStringLiteral("hello");
const QString kRegisterId = QStringLiteral("register_0");

QString compact(const QJsonObject &message)
{
    return QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact));
}

// "id" is a string, or an integer taken as its decimal text; anything else is "".
QString idText(const QJsonValue &value)
{
    if (value.isString())
        return value.toString();
    if (value.isDouble()) {
        const double number = value.toDouble();
        const qint64 integer = value.toInteger();
        if (static_cast<double>(integer) == number)
            return QString::number(integer);
    }
    return QString();
}

QString serverErrorText(const QJsonObject &message, const QJsonObject &payload)
{
    const QJsonValue error = message.value(QLatin1String("error"));
    if (error.isString())
        return error.toString();
    const QJsonValue errorText = payload.value(QLatin1String("errorText"));
    if (errorText.isString())
        return errorText.toString();
    return veltrix::coreText(QT_TRANSLATE_NOOP("CoreText", "电视返回错误"));
}

// The host goes into the URL as typed, so anything that would change the URL's meaning
// (path, user info, query, fragment, escapes, whitespace) or make it unparsable is refused.
std::optional<QUrl> controlUrl(const QString &host)
{
    if (host.isEmpty())
        return std::nullopt;
    for (const QChar c : host) {
        if (c.isSpace() || c.unicode() < 0x20 || c.unicode() == 0x7f
            || QStringLiteral("/\\@?#%").contains(c))
            return std::nullopt;
    }
    const QUrl url(QStringLiteral("wss://") + host + QLatin1Char(':')
                       + QString::number(SSAPClient::kPort),
                   QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || url.port() != SSAPClient::kPort
        || !url.path().isEmpty() || !url.userInfo().isEmpty())
        return std::nullopt;
    return url;
}

// A GET through the client's certificate check that bypasses every cache.
QNetworkRequest downloadRequest(const QUrl &url, std::chrono::milliseconds timeout)
{
    QNetworkRequest request(url);
    request.setSslConfiguration(PinnedTLSDelegate::configuration());
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setRawHeader("Cache-Control", "no-cache");
    // The connection goes as soon as its reply is done. Qt gives every later socket of a kept
    // connection the TLS context of its first one, and OpenSSL's client session cache in that
    // context keeps every new session (peer certificate included) for its lifetime, hours.
    // A TV that closes after each response means a full handshake per picture, so a kept
    // connection grew by several kB a picture; the context and its cache now go with it.
    request.setAttribute(QNetworkRequest::ConnectionCacheExpiryTimeoutSecondsAttribute, 0);
    // Only a backstop: Qt's inactivity timer is coarse and may fire early, so it is set well
    // past the precise deadline the download keeps, which decides.
    request.setTransferTimeout(int(2 * timeout.count()));
    return request;
}

// Any status but 200 fails a download; redirects are not followed.
std::optional<DownloadError> statusError(QNetworkReply *reply)
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && status.toInt() != 200)
        return DownloadError::httpStatus(status.toInt());
    return std::nullopt;
}

// Why a finished reply failed, if it did.
std::optional<DownloadError> finishedError(QNetworkReply *reply, const PinnedTLSDelegate &tls)
{
    if (auto error = statusError(reply))
        return error;
    switch (reply->error()) {
    case QNetworkReply::NoError:
        return std::nullopt;
    case QNetworkReply::OperationCanceledError:  // the request's transfer time-out
    case QNetworkReply::TimeoutError:
        return DownloadError::timeout();
    case QNetworkReply::SslHandshakeFailedError:
        return DownloadError::transport(tls.lastRefused() ? PinnedTLSDelegate::refusalText()
                                                          : reply->errorString());
    default:
        return DownloadError::transport(reply->errorString());
    }
}

// Feeds the reply's body into `finish` (error, data), which ends the download at its first
// call: a status but 200, a body over maxBytes, a transfer error, or the whole body.
template<typename Finish>
void watchDownload(QObject *context, QNetworkReply *reply, qint64 maxBytes, const PinnedTLSDelegate *tls,
                   Finish finish)
{
    auto body = std::make_shared<QByteArray>();
    QObject::connect(reply, &QNetworkReply::metaDataChanged, context, [reply, maxBytes, finish]() {
        if (const auto error = statusError(reply))
            finish(*error, {});
        else if (const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
                 length.isValid() && length.toLongLong() > maxBytes)
            finish(DownloadError::tooLarge(), {});
    });
    QObject::connect(reply, &QNetworkReply::readyRead, context, [reply, maxBytes, body, finish]() {
        body->append(reply->readAll());
        if (body->size() > maxBytes)
            finish(DownloadError::tooLarge(), {});
    });
    QObject::connect(reply, &QNetworkReply::finished, context, [reply, maxBytes, body, finish, tls]() {
        if (const auto error = finishedError(reply, *tls)) {
            finish(*error, {});
            return;
        }
        body->append(reply->readAll());
        if (body->size() > maxBytes)
            finish(DownloadError::tooLarge(), {});
        else
            finish(std::nullopt, *body);
    });
}

} // namespace

struct SSAPClient::Private {
    QNetworkAccessManager *network = nullptr;
    // Callers waiting for a reply, by id, each with its time-out timer. The timer is killed
    // when the entry goes, so thousands of answered requests leave no timers behind.
    struct Waiter {
        ReplyCompletion completion;
        int timerId = 0;
        MonotonicClock::time_point deadline;
    };
    QHash<QString, Waiter> pending;
    QHash<int, QString> timerIds;
    QHash<QString, EventHandler> subscriptions;
    KeyCompletion registration;
    std::function<void(const QString &)> registerPrompt;
    qint64 nextId = 1;
    // Frames sent while the socket is still connecting; QWebSocket would drop them.
    QStringList outbox;
    // Sockets handed out by createPinnedWebSocket(); close() ends them with the client.
    QList<QPointer<QWebSocket>> handedOut;
    QHash<QNetworkReply *, BodyCompletion> downloads;
};

SSAPClient::SSAPClient(const std::optional<QString> &expectedFingerprint, QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
    , m_tls(new PinnedTLSDelegate(expectedFingerprint, this))
{
    d->network = new QNetworkAccessManager(this);
    // A TV is on the local network; a proxy from the environment must never see its traffic.
    d->network->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
}

SSAPClient::~SSAPClient()
{
    if (m_socket)
        QObject::disconnect(m_socket, nullptr, this, nullptr);
    m_socket = nullptr;
    failAllPending(SSAPError::notConnected());
    finishRegistration(std::nullopt, SSAPError::notConnected());
    const auto downloads = std::exchange(d->downloads, {});
    for (auto it = downloads.cbegin(); it != downloads.cend(); ++it) {
        QObject::disconnect(it.key(), nullptr, this, nullptr);
        it.value()->fail(DownloadError::cancelled());
    }
    // Sockets, replies and the access manager are children and go with the QObject base.
}

QString SSAPClient::fullUri(const QString &uri)
{
    if (uri.contains(QLatin1String("://")))
        return uri;
    return QStringLiteral("ssap://") + uri;
}

const QJsonObject &SSAPClient::registerPayload()
{
    static const QJsonObject payload = [] {
        const QJsonArray permissions{
            QStringLiteral("LAUNCH"),
            QStringLiteral("CONTROL_AUDIO"),
            QStringLiteral("CONTROL_POWER"),
            QStringLiteral("CONTROL_DISPLAY"),
            QStringLiteral("CONTROL_INPUT_JOYSTICK"),
            QStringLiteral("CONTROL_INPUT_MEDIA_PLAYBACK"),
            QStringLiteral("CONTROL_INPUT_TEXT"),
            QStringLiteral("CONTROL_INPUT_TV"),
            QStringLiteral("CONTROL_MOUSE_AND_KEYBOARD"),
            QStringLiteral("READ_APP_STATUS"),
            QStringLiteral("READ_CURRENT_CHANNEL"),
            QStringLiteral("READ_INPUT_DEVICE_LIST"),
            QStringLiteral("READ_INSTALLED_APPS"),
            QStringLiteral("READ_NETWORK_STATE"),
            QStringLiteral("READ_POWER_STATE"),
            QStringLiteral("READ_RUNNING_APPS"),
            QStringLiteral("READ_TV_CHANNEL_LIST"),
            QStringLiteral("WRITE_NOTIFICATION_TOAST"),
        };
        const QJsonObject manifest{
            {QStringLiteral("manifestVersion"), 1},
            {QStringLiteral("appVersion"), QStringLiteral("1.0")},
            {QStringLiteral("permissions"), permissions},
        };
        return QJsonObject{
            {QStringLiteral("forcePairing"), false},
            {QStringLiteral("manifest"), manifest},
        };
    }();
    return payload;
}

// --- Connection --------------------------------------------------------------------------

QCoro::Task<QJsonObject> SSAPClient::connect(const QString &host)
{
    m_host = host;
    const std::optional<QUrl> url = controlUrl(host);
    if (!url)
        throw SSAPError::server(veltrix::coreText(veltrix::texts::invalidTVAddress, host));

    // A second connect replaces the first socket; whoever waited on it is told notConnected.
    if (QWebSocket *old = m_socket) {
        closeStep(old, std::nullopt, false);
        retireSocket(old, true);
    }

    auto *socket = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
    socket->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    socket->setMaxAllowedIncomingMessageSize(kMaxIncomingMessage);
    m_tls->attach(socket);
    QObject::connect(socket, &QWebSocket::connected, this, [this, socket]() {
        if (socket == m_socket)
            flushOutbox();
    });
    QObject::connect(socket, &QWebSocket::textMessageReceived, this,
                     &SSAPClient::handleTextFrame);
    QObject::connect(socket, &QWebSocket::binaryMessageReceived, this,
                     [this](const QByteArray &bytes) { handleTextFrame(QString::fromUtf8(bytes)); });
    // The end is read one turn later, once both signals are in: a refused connection emits
    // `disconnected` before its error, and some failures (a failed handshake) never reach
    // `disconnected` at all. Guarded: a retired socket's address may be reused by a new one.
    const auto endSoon = [this, socket]() {
        const QPointer<QWebSocket> guard(socket);
        QMetaObject::invokeMethod(
            this,
            [this, guard]() {
                if (guard)
                    socketEnded(guard);
            },
            Qt::QueuedConnection);
    };
    QObject::connect(socket, &QWebSocket::disconnected, this, endSoon);
    QObject::connect(socket, qOverload<QAbstractSocket::SocketError>(&QWebSocket::error), this,
                     endSoon);
    m_socket = socket;
    socket->open(*url);

    const QJsonObject hello{
        {QStringLiteral("id"), kHelloId},
        {QStringLiteral("type"), QStringLiteral("hello")},
        {QStringLiteral("payload"), QJsonObject()},
    };
    const ReplyCompletion completion = startSend(hello, kHelloId, m_helloTimeout);
    co_return co_await veltrix::wait(completion);
}

ReplyCompletion SSAPClient::startSend(const QJsonObject &message, const QString &id,
                                             std::chrono::milliseconds timeout)
{
    auto completion = std::make_shared<Completion<QJsonObject>>();
    if (!m_socket) {
        completion->fail(SSAPError::notConnected());
        return completion;
    }
    const QString text = compact(message);
    // The same id again (a second hello) supersedes the first waiter; it must not hang.
    if (const ReplyCompletion previous = takePending(id))
        previous->fail(SSAPError::cancelled());
    const int timerId = startTimer(timeout, Qt::PreciseTimer);
    d->pending.insert(id, {completion, timerId, MonotonicClock::now() + timeout});
    d->timerIds.insert(timerId, id);

    std::optional<SSAPError> error;
    if (!transmit(text, &error)) {
        takePending(id);
        completion->fail(*error);
    }
    return completion;
}

ReplyCompletion SSAPClient::takePending(const QString &id)
{
    const auto it = d->pending.find(id);
    if (it == d->pending.end())
        return nullptr;
    const Private::Waiter waiter = it.value();
    d->pending.erase(it);
    if (waiter.timerId) {
        killTimer(waiter.timerId);
        d->timerIds.remove(waiter.timerId);
    }
    return waiter.completion;
}

void SSAPClient::failAllPending(const SSAPError &error)
{
    const auto pending = std::exchange(d->pending, {});
    for (const Private::Waiter &waiter : pending) {
        if (waiter.timerId)
            killTimer(waiter.timerId);
        waiter.completion->fail(error);
    }
    d->timerIds.clear();
}

void SSAPClient::timerEvent(QTimerEvent *event)
{
    const auto it = d->timerIds.find(event->timerId());
    if (it == d->timerIds.end()) {
        QObject::timerEvent(event);
        return;
    }
    const QString id = it.value();
    const auto waiter = d->pending.find(id);
    if (waiter != d->pending.end() && MonotonicClock::now() < waiter->deadline) {
        // Woken early: wait for the rest.
        killTimer(event->timerId());
        d->timerIds.erase(it);
        waiter->timerId = startTimer(veltrix::remainingUntil(waiter->deadline), Qt::PreciseTimer);
        d->timerIds.insert(waiter->timerId, id);
        return;
    }
    const ReplyCompletion completion = takePending(id);
    if (!completion)
        return;
    // A hello that never got its socket open: the TV did not answer the connection itself.
    if (id == kHelloId && m_socket && m_socket->state() != QAbstractSocket::ConnectedState)
        completion->fail(connectTimeoutError(m_helloTimeout));
    else
        completion->fail(SSAPError::timeout());
}

bool SSAPClient::transmit(const QString &text, std::optional<SSAPError> *error)
{
    if (!m_socket) {
        *error = SSAPError::notConnected();
        return false;
    }
    switch (m_socket->state()) {
    case QAbstractSocket::ConnectedState:
        if (m_socket->sendTextMessage(text) > 0)
            return true;
        break;
    case QAbstractSocket::HostLookupState:
    case QAbstractSocket::ConnectingState:
        d->outbox.append(text);
        return true;
    default:
        break;
    }
    // Some failures (no route) end the socket inside open(), before the first frame.
    *error = m_socket->error() == QAbstractSocket::UnknownSocketError
        ? SSAPError::transport(veltrix::coreText(QT_TRANSLATE_NOOP("CoreText", "连接未打开")))
        : socketEndError(endOf(m_socket));
    return false;
}

void SSAPClient::flushOutbox()
{
    const QStringList frames = std::exchange(d->outbox, {});
    for (const QString &frame : frames) {
        // A frame that cannot go out means the socket is ending; its waiter is failed by the
        // close step or its time-out.
        if (!m_socket || m_socket->sendTextMessage(frame) <= 0)
            return;
    }
}

// --- Registration ------------------------------------------------------------------------

QCoro::Task<QString> SSAPClient::registerClient(const std::optional<QString> &clientKey,
                                                const QString &pairingType,
                                                std::function<void(const QString &pairingType)> onPrompt)
{
    const KeyCompletion completion = startRegister(clientKey, pairingType, std::move(onPrompt));
    co_return co_await veltrix::wait(completion);
}

KeyCompletion SSAPClient::startRegister(const std::optional<QString> &clientKey,
                                               const QString &pairingType,
                                               std::function<void(const QString &pairingType)> onPrompt)
{
    auto completion = std::make_shared<Completion<QString>>();
    if (!m_socket) {
        completion->fail(SSAPError::notConnected());
        return completion;
    }
    QJsonObject payload = registerPayload();
    payload.insert(QStringLiteral("pairingType"), pairingType);
    if (clientKey)
        payload.insert(QStringLiteral("client-key"), *clientKey);
    const QJsonObject message{
        {QStringLiteral("id"), kRegisterId},
        {QStringLiteral("type"), QStringLiteral("register")},
        {QStringLiteral("payload"), payload},
    };
    const QString text = compact(message);

    if (const KeyCompletion previous = std::exchange(d->registration, completion))
        previous->fail(SSAPError::cancelled());
    d->registerPrompt = std::move(onPrompt);

    std::optional<SSAPError> error;
    if (!transmit(text, &error)) {
        finishRegistration(std::nullopt, error);
        return completion;
    }
    veltrix::callAtDeadline(this, MonotonicClock::now() + m_registerTimeout, [this, completion]() {
        if (d->registration == completion)
            finishRegistration(std::nullopt, SSAPError::timeout());
    });
    return completion;
}

void SSAPClient::finishRegistration(const std::optional<QString> &key,
                                    const std::optional<SSAPError> &error)
{
    const KeyCompletion completion = std::exchange(d->registration, nullptr);
    d->registerPrompt = nullptr;
    if (!completion)
        return;
    if (key)
        completion->succeed(*key);
    else
        completion->fail(error.value_or(SSAPError::notConnected()));
}

// --- Requests and subscriptions ----------------------------------------------------------

QCoro::Task<QJsonObject> SSAPClient::request(const QString &uri, const QJsonObject &payload,
                                             std::chrono::milliseconds timeout)
{
    // The id is taken even when there is no socket: a failed request still uses a number.
    const QString id = QString::number(d->nextId++);
    const QJsonObject message{
        {QStringLiteral("id"), id},
        {QStringLiteral("type"), QStringLiteral("request")},
        {QStringLiteral("uri"), fullUri(uri)},
        {QStringLiteral("payload"), payload},
    };
    const ReplyCompletion completion = startSend(message, id, timeout);
    co_return co_await veltrix::wait(completion);
}

void SSAPClient::subscribe(const QString &uri, const QJsonObject &payload, EventHandler handler)
{
    if (!m_socket)
        return;
    const QString id = QString::number(d->nextId++);
    d->subscriptions.insert(id, std::move(handler));
    const QJsonObject message{
        {QStringLiteral("id"), id},
        {QStringLiteral("type"), QStringLiteral("subscribe")},
        {QStringLiteral("uri"), fullUri(uri)},
        {QStringLiteral("payload"), payload},
    };
    std::optional<SSAPError> ignored;
    transmit(compact(message), &ignored);
}

// --- Incoming messages -------------------------------------------------------------------

void SSAPClient::handleTextFrame(const QString &text)
{
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    if (!document.isObject())
        return;
    const QJsonObject message = document.object();
    const QString type = message.value(QLatin1String("type")).toString();
    const QString id = idText(message.value(QLatin1String("id")));
    const QJsonObject payload = message.value(QLatin1String("payload")).toObject();

    if (id == kRegisterId) {
        if (type == QLatin1String("registered")) {
            const QJsonValue key = payload.value(QLatin1String("client-key"));
            if (key.isString())
                finishRegistration(key.toString(), std::nullopt);
            else
                finishRegistration(std::nullopt,
                                   SSAPError::server(veltrix::coreText(QT_TRANSLATE_NOOP("CoreText", "配对返回缺少 client-key"))));
        } else if (type == QLatin1String("error")) {
            finishRegistration(std::nullopt,
                               SSAPError::server(serverErrorText(message, payload)));
        } else if (payload.contains(QLatin1String("pairingType")) && d->registerPrompt) {
            // A copy: the callback may start a new registration and replace the slot.
            const std::function<void(const QString &)> prompt = d->registerPrompt;
            prompt(payload.value(QLatin1String("pairingType")).toString());
        }
        return;
    }

    if (type == QLatin1String("hello")) {
        if (const ReplyCompletion completion = takePending(kHelloId))
            completion->succeed(payload);
        return;
    }

    if (const auto it = d->subscriptions.constFind(id); it != d->subscriptions.cend()) {
        if (type != QLatin1String("error")) {
            const EventHandler handler = it.value();
            handler(payload);
        }
        return;
    }

    const ReplyCompletion completion = takePending(id);
    if (!completion)
        return;
    if (type == QLatin1String("error")) {
        completion->fail(SSAPError::server(serverErrorText(message, payload)));
        return;
    }
    const QJsonValue returnValue = payload.value(QLatin1String("returnValue"));
    if (returnValue.isBool() && !returnValue.toBool()) {
        const QJsonValue errorText = payload.value(QLatin1String("errorText"));
        completion->fail(SSAPError::server(errorText.isString() ? errorText.toString()
                                                                : veltrix::coreText(QT_TRANSLATE_NOOP("CoreText", "请求失败"))));
        return;
    }
    completion->succeed(payload);
}

// --- Ending ------------------------------------------------------------------------------

void SSAPClient::socketEnded(QWebSocket *socket)
{
    if (!socket || socket != m_socket)
        return;
    closeStep(socket, socketEndError(endOf(socket)), true);
    retireSocket(socket, false);
}

SocketEnd SSAPClient::endOf(QWebSocket *socket) const
{
    SocketEnd end;
    end.error = socket->error();
    end.systemText = socket->errorString();
    end.closeCode = int(socket->closeCode());
    end.closeReason = socket->closeReason();
    end.pinRefused = m_tls->lastRefused();
    return end;
}

void SSAPClient::closeStep(QWebSocket *socket, const std::optional<SSAPError> &error,
                           bool notify)
{
    if (!m_socket || socket != m_socket)
        return;
    m_socket = nullptr;
    d->outbox.clear();
    const SSAPError delivered = error.value_or(SSAPError::notConnected());
    failAllPending(delivered);
    d->subscriptions.clear();
    finishRegistration(std::nullopt, delivered);
    if (notify && m_onClose) {
        // Queued behind the resumptions above; the owner may drop the client in its handler.
        QMetaObject::invokeMethod(
            this,
            [this, error]() {
                const CloseHandler handler = m_onClose;
                if (handler)
                    handler(error);
            },
            Qt::QueuedConnection);
    }
}

void SSAPClient::retireSocket(QWebSocket *socket, bool sendClose)
{
    QObject::disconnect(socket, nullptr, this, nullptr);
    if (!sendClose || socket->state() == QAbstractSocket::UnconnectedState) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    // Keep the socket until the close frame is out (or the peer never answers).
    QObject::connect(socket, &QWebSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(std::chrono::seconds(2), socket, &QObject::deleteLater);
    socket->close(QWebSocketProtocol::CloseCodeGoingAway);
    socket->flush();
}

void SSAPClient::close()
{
    QWebSocket *socket = m_socket;
    if (!socket)
        return;
    closeStep(socket, std::nullopt, false);
    retireSocket(socket, true);

    // Like invalidating the session: every socket and transfer of this client ends.
    const auto handedOut = std::exchange(d->handedOut, {});
    for (const QPointer<QWebSocket> &other : handedOut) {
        if (other)
            other->close(QWebSocketProtocol::CloseCodeGoingAway);
    }
    const auto downloads = std::exchange(d->downloads, {});
    for (auto it = downloads.cbegin(); it != downloads.cend(); ++it) {
        QNetworkReply *reply = it.key();
        QObject::disconnect(reply, nullptr, this, nullptr);
        it.value()->fail(DownloadError::cancelled());
        reply->abort();
        reply->deleteLater();
    }
    d->network->clearConnectionCache();
}

QWebSocket *SSAPClient::createPinnedWebSocket(QObject *parent) const
{
    auto *socket = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, parent);
    socket->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    m_tls->attach(socket);
    d->handedOut.removeAll(QPointer<QWebSocket>());
    d->handedOut.append(socket);
    return socket;
}

// --- Downloads ---------------------------------------------------------------------------

QCoro::Task<QByteArray> SSAPClient::download(const QUrl &url, qint64 maxBytes,
                                             std::chrono::milliseconds timeout)
{
    const BodyCompletion completion = startDownload(url, maxBytes, timeout);
    co_return co_await veltrix::wait(completion);
}

BodyCompletion SSAPClient::startDownload(const QUrl &url, qint64 maxBytes,
                                                std::chrono::milliseconds timeout)
{
    auto completion = std::make_shared<Completion<QByteArray>>();
    if (!url.isValid()
        || (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http"))) {
        completion->fail(DownloadError::transport(QStringLiteral("无效的下载地址: ")
                                                  + url.toDisplayString()));
        return completion;
    }

    QNetworkReply *reply = d->network->get(downloadRequest(url, timeout));
    // Bounded buffering: an oversized body is noticed chunk by chunk, not after the fact.
    reply->setReadBufferSize(256 * 1024);
    m_tls->attach(reply);
    d->downloads.insert(reply, completion);

    // Ends the transfer once; later signals of the reply find it gone from the map.
    const auto finish = [this, reply, completion](const std::optional<DownloadError> &error,
                                                  const QByteArray &data) {
        if (d->downloads.value(reply) != completion)
            return;
        d->downloads.remove(reply);
        QObject::disconnect(reply, nullptr, this, nullptr);
        if (error)
            completion->fail(*error);
        else
            completion->succeed(data);
        // Aborting from inside the reply's own signal upsets its error bookkeeping; one turn
        // later the transfer is stopped and the reply released.
        QMetaObject::invokeMethod(
            reply,
            [reply]() {
                if (reply->isRunning())
                    reply->abort();
                reply->deleteLater();
            },
            Qt::QueuedConnection);
    };
    watchDownload(this, reply, maxBytes, m_tls, finish);
    veltrix::callAtDeadline(reply, MonotonicClock::now() + timeout,
                            [finish]() { finish(DownloadError::timeout(), {}); });
    return completion;
}
