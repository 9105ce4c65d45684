#pragma once

#include "protocol/downloaderror.h"
#include "protocol/pinnedtlsdelegate.h"
#include "protocol/ssaperror.h"

#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <QCoro/QCoroTask>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QNetworkAccessManager;
class QWebSocket;
struct SocketEnd;

namespace veltrix {
template<typename T>
class Completion;
}

// One secure control connection to a TV (JSON messages over wss://host:3001): hello,
// registration, requests answered by id, subscriptions, and an orderly end in which every
// waiting caller is resumed exactly once. Lives on the main thread; the session makes a new
// client for every connection attempt.
//
// Waiting callers are resumed from the event loop, one turn after their answer arrived, never
// from inside the client's own code. Failures are SSAPError: server (the TV's text, or an
// invalid host), notConnected, timeout, asleep, transport (socket/TLS, worded by
// socketEndError(); a TV that never completes the connection fails the hello with
// connectTimeoutError()), and cancelled for a waiter superseded by a second connect() or
// registerClient() before it was answered. No time-out ever ends before its time.
class SSAPClient : public QObject {
    Q_OBJECT

public:
    using Payload = QJsonObject;
    using EventHandler = std::function<void(const QJsonObject &payload)>;
    using CloseHandler = std::function<void(const std::optional<SSAPError> &error)>;

    static constexpr int kPort = 3001;
    static constexpr qint64 kMaxIncomingMessage = 4 * 1024 * 1024;
    static constexpr std::chrono::milliseconds kRequestTimeout{8000};
    static constexpr std::chrono::milliseconds kRegisterTimeout{120000};

    explicit SSAPClient(const std::optional<QString> &expectedFingerprint = std::nullopt,
                        QObject *parent = nullptr);
    // Fails everything still waiting with notConnected; never calls onClose.
    ~SSAPClient() override;

    // Opens wss://host:3001 and yields the payload of the TV's hello reply. A host that
    // does not form a valid URL fails with SSAPError::server.
    QCoro::Task<QJsonObject> connect(const QString &host);

    // Registers with the stored key, or pairs by prompt/PIN when none is given; yields the
    // client key from the TV's "registered" reply. onPrompt runs each time the TV shows its
    // pairing question, with the kind it shows ("PROMPT" or "PIN"): a TV set to PIN pairing
    // asks for a PIN even when a prompt was requested.
    QCoro::Task<QString> registerClient(const std::optional<QString> &clientKey,
                                        const QString &pairingType,
                                        std::function<void(const QString &pairingType)> onPrompt);

    // Sends a request with a fresh id and yields the reply payload.
    QCoro::Task<QJsonObject> request(const QString &uri, const QJsonObject &payload,
                                     std::chrono::milliseconds timeout = kRequestTimeout);

    // Sends a subscribe message; every later non-error message with its id goes to handler.
    // Does nothing without a socket.
    void subscribe(const QString &uri, const QJsonObject &payload, EventHandler handler);

    // Ends the connection on the owner's request: close code 1001, everything pending fails
    // with notConnected, onClose is not called.
    void close();

    // Told once when the TV or the network ends the socket (not after close()). Called from
    // the event loop after the callers still waiting have been resumed with the error, so the
    // handler may delete the client.
    void setOnClose(CloseHandler handler) { m_onClose = std::move(handler); }

    // Handles one message from the TV exactly as the control socket delivers it: replies by
    // id, registration steps, hello and subscription events. The socket calls this for every
    // frame it receives; anything that is not a JSON object is ignored.
    void handleTextFrame(const QString &text);

    bool hasSocket() const { return m_socket != nullptr; }
    PinnedTLSDelegate *tls() const { return m_tls; }

    // The host given to connect(), as given.
    QString host() const { return m_host; }

    // A web socket (not yet opened) that passes the same certificate check as the control
    // socket; the caller owns it. Used for the pointer socket. close() also closes it, like
    // every other socket this client handed out.
    QWebSocket *createPinnedWebSocket(QObject *parent = nullptr) const;

    // HTTPS/HTTP GET through this client's certificate check, bypassing every cache. Yields
    // the body; throws DownloadError: httpStatus for any status but 200 (redirects are not
    // followed), tooLarge as soon as the announced Content-Length or the received bytes exceed
    // maxBytes (exactly maxBytes is accepted), transport for network/TLS failures, timeout
    // when the whole exchange takes longer than `timeout`, cancelled when the client is
    // closed or destroyed meanwhile.
    QCoro::Task<QByteArray> download(const QUrl &url, qint64 maxBytes,
                                     std::chrono::milliseconds timeout = kRequestTimeout);

    // Shortened time-outs for tests; production code never calls these.
    void setHelloTimeout(std::chrono::milliseconds timeout) { m_helloTimeout = timeout; }
    void setRegisterTimeout(std::chrono::milliseconds timeout) { m_registerTimeout = timeout; }

    // Builds the outgoing URI: unchanged when it contains "://", else "ssap://" + uri.
    static QString fullUri(const QString &uri);

    // The register payload (manifest with its 18 permissions), built once.
    static const QJsonObject &registerPayload();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    struct Private;
    std::shared_ptr<veltrix::Completion<QJsonObject>> startSend(const QJsonObject &message,
                                                                const QString &id,
                                                                std::chrono::milliseconds timeout);
    std::shared_ptr<veltrix::Completion<QString>> startRegister(
        const std::optional<QString> &clientKey, const QString &pairingType,
        std::function<void(const QString &pairingType)> onPrompt);
    std::shared_ptr<veltrix::Completion<QByteArray>> startDownload(
        const QUrl &url, qint64 maxBytes, std::chrono::milliseconds timeout);
    std::shared_ptr<veltrix::Completion<QJsonObject>> takePending(const QString &id);
    void failAllPending(const SSAPError &error);
    bool transmit(const QString &text, std::optional<SSAPError> *error);
    void flushOutbox();
    void socketEnded(QWebSocket *socket);
    SocketEnd endOf(QWebSocket *socket) const;
    void closeStep(QWebSocket *socket, const std::optional<SSAPError> &error, bool notify);
    void finishRegistration(const std::optional<QString> &key, const std::optional<SSAPError> &error);
    void retireSocket(QWebSocket *socket, bool sendClose);

    std::unique_ptr<Private> d;
    PinnedTLSDelegate *m_tls = nullptr;
    QWebSocket *m_socket = nullptr;
    QString m_host;
    CloseHandler m_onClose;
    std::chrono::milliseconds m_helloTimeout = kRequestTimeout;
    std::chrono::milliseconds m_registerTimeout = kRegisterTimeout;
};
