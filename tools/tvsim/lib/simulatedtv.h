#pragma once

// SimulatedTV: an LG webOS TV that lives inside the test process (or the veltrix-tvsim
// program). It speaks the control protocol over wss://ADDRESS:3001, hands out a pointer
// socket, serves screenshots and app icons over HTTPS, pairs by prompt or PIN, keeps real
// state (volume, apps, inputs, power, keyboard focus) and records everything a client sent.
//
//     SimulatedTV::Options options;
//     options.address = QHostAddress(QStringLiteral("127.0.13.2")); // own third octet per test
//     options.approveDelayMs = 0;                                   // prompt approved at once
//     SimulatedTV tv(options);
//     QVERIFY2(tv.start(), qPrintable(tv.errorString()));
//     ... let the client connect to tv.address() ...
//     QTRY_COMPARE(tv.requestCount(QStringLiteral("audio/setVolume")), 1);
//     QCOMPARE(tv.lastPayload(QStringLiteral("audio/setVolume"))[u"volume"].toInt(), 30);
//
//     tv.neverAnswer(QStringLiteral("audio/volumeUp"));   // scripted faults per URI
//     tv.setStandby(true);                                // refuse with 1008 "... Try Again Later"
//     tv.dropAll();                                       // abort every socket abruptly
//
// Everything runs on the thread that owns the object; nothing blocks. URIs may be given with
// or without the "ssap://" prefix. Every state setter tells subscribed clients, like the TV.

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPair>
#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QSslSocket;
class QWebSocket;
class QWebSocketServer;
class TlsListener;
struct HttpHead;

class SimulatedTV : public QObject {
    Q_OBJECT

public:
    // ---- configuration -------------------------------------------------------------------

    enum class Certificate { A, B };   // tests/data/tv-a.* and tv-b.*, built in
    enum class Pairing {
        Prompt,      // "pairingType":"PROMPT", approved after approveDelayMs or by approve()
        Pin,         // "pairingType":"PIN", approved by "ssap://pairing/setPin" with the PIN
        Auto,        // "registered" at once with a fresh key
        Reject,      // error "403 User denied access"
        AsRequested, // Pin when the client asked for "PIN", else Prompt (what a real TV does)
    };
    enum class ScreenshotMode {
        Ok,             // a valid JPEG of screenshotSize
        NotFound,       // 404
        AnnounceHuge,   // 200 with Content-Length 5000000, then nothing more
        ExactLimitBody, // 200, no Content-Length, exactly 4194304 bytes (valid JPEG + padding)
        OversizeBody,   // 200, no Content-Length, 4194304 + 1 bytes
        Garbage,        // 200 with a body that is no image
    };

    struct App {
        QString id;
        QString title;
    };
    struct Input {
        QString id;
        QString label;
        QString appId;
        bool connected = false;
    };

    struct Options {
        QHostAddress address{QStringLiteral("127.0.0.2")}; // tests use their own 127.0.N.x
        quint16 port = 3001; // 0 picks a free port (self-tests only; clients always dial 3001)
        QString uuid;        // empty: a fixed uuid derived from the address
        QString modelName = QStringLiteral("OLED55C1PUB.AUS");
        QString friendlyName = QStringLiteral("LG webOS TV");
        QString mac = QStringLiteral("a8:23:fe:01:02:03"); // default for wifiMac and wiredMac
        QString wifiMac;                                   // empty: mac
        QString wiredMac;                                  // empty: mac
        Certificate certificate = Certificate::A;
        Pairing pairing = Pairing::Prompt;
        int approveDelayMs = 50; // Prompt: auto-approve after this; < 0 waits for approve()
        QString pin = QStringLiteral("12345678");
        QStringList knownClientKeys;      // keys that register without pairing
        bool requireRegistration = false; // requests before "registered" get a 401 error

        // Initial TV state.
        int volume = 12;
        bool muted = false;
        QString foregroundAppId = QStringLiteral("com.webos.app.livetv");
        QString powerState = QStringLiteral("Active");
        bool keyboardFocused = false;
        bool standby = false;
        QList<App> apps = defaultApps();
        QList<Input> inputs = defaultInputs();

        QSize screenshotSize{1920, 1080};
        int turnOffCloseDelayMs = 300; // after "system/turnOff"; < 0 keeps the socket open
        int wakeDelayMs = 0;           // boot time after the waking magic packet
    };

    static QList<App> defaultApps();
    static QList<Input> defaultInputs();

    explicit SimulatedTV(QObject *parent = nullptr);
    explicit SimulatedTV(const Options &options, QObject *parent = nullptr);
    ~SimulatedTV() override;

    bool start(); // listens on address:port; false with errorString() on failure
    void stop();  // closes the listener and every socket
    bool isListening() const;
    QString errorString() const { return m_errorString; }
    const Options &options() const { return m_options; }
    QHostAddress address() const { return m_options.address; }
    QString host() const { return m_options.address.toString(); }
    quint16 port() const; // the bound port
    QString uuid() const { return m_options.uuid; }

    // ---- identity and pairing ------------------------------------------------------------

    void setUuid(const QString &uuid) { m_options.uuid = uuid; }
    void setModelName(const QString &modelName) { m_options.modelName = modelName; }
    void setCertificate(Certificate certificate); // applies to new connections
    QString certificateFingerprint() const;       // SHA-256 of the DER, lower-case hex
    static QString fingerprintOf(Certificate certificate);

    void setPairing(Pairing pairing) { m_options.pairing = pairing; }
    void setApproveDelay(int ms) { m_options.approveDelayMs = ms; }
    void setPin(const QString &pin) { m_options.pin = pin; }
    QStringList clientKeys() const { return m_clientKeys; }
    void addClientKey(const QString &key);
    void forgetClientKeys() { m_clientKeys.clear(); } // as after a factory reset
    bool isAwaitingApproval() const;                  // a prompt or PIN is on screen
    int pairingPrompts() const { return m_pairingPrompts; }
    int registrations() const { return m_registrations; }

public Q_SLOTS:
    void approve(); // every connection waiting for approval is registered
    void reject();  // every connection waiting for approval gets "403 User denied access"

public:
    // ---- TV state ------------------------------------------------------------------------

    int volume() const { return m_volume; }
    bool muted() const { return m_muted; }
    QString foregroundAppId() const { return m_foregroundAppId; }
    QString powerState() const { return m_powerState; }
    bool keyboardFocused() const { return m_keyboardFocused; }
    QList<App> apps() const { return m_apps; }
    QList<Input> inputs() const { return m_inputs; }
    int channel() const { return m_channel; }

    void setVolume(int volume);
    void setMuted(bool muted);
    void setForegroundApp(const QString &appId);
    void setPowerState(const QString &state);
    void setKeyboardFocus(bool focused);
    void setApps(const QList<App> &apps) { m_apps = apps; }
    void setInputs(const QList<Input> &inputs) { m_inputs = inputs; }

    // What clients did to the TV.
    QString typedText() const { return m_typedText; } // all "insertText" texts, joined
    int enterKeyCount() const { return m_enterKeys; }
    QStringList toasts() const { return m_toasts; }
    QStringList mediaActions() const { return m_mediaActions; } // "play", "pause", ...

    // ---- scripted replies per URI --------------------------------------------------------
    // The pseudo URIs "hello" and "register" script the hello and register messages.

    void neverAnswer(const QString &uri);
    void failWith(const QString &uri, const QString &errorText);  // returnValue false
    void errorWith(const QString &uri, const QString &errorText); // type "error"
    void replyWith(const QString &uri, const QJsonObject &payload); // payload sent verbatim
    void delayReply(const QString &uri, int ms);                    // then answer as scripted
    void answerNormally(const QString &uri); // drops the script and the delay of this URI
    void resetScripts();

    // ---- faults --------------------------------------------------------------------------

    void dropAll(); // aborts every socket (control, pointer, HTTP, handshakes) without a close frame
    void closeControl(int code, const QString &reason); // close frame on every control socket
    void closePointer(int code = 1000, const QString &reason = QString());
    void sendRaw(const QString &text);        // text frame on every control socket
    void sendBinary(const QByteArray &bytes); // binary frame on every control socket
    // Sends payload as an event to every subscription of uri (returnValue is not added).
    void pushEvent(const QString &uri, const QJsonObject &payload);

    // ---- power and wake ------------------------------------------------------------------

    // Standby refuses every new control and pointer socket (upgrade, then close 1008 "... Try
    // Again Later") and answers HTTPS with 503; entering it closes the open sockets the same
    // way. Leaving it (or wakeUp()) restores the power state "Active".
    void setStandby(bool standby);
    bool isStandby() const { return m_standby; }
    void turnOff(); // what "system/turnOff" does
    int wakeCount() const { return m_wakeCount; }
    int magicPacketCount() const { return m_magicPackets; }
    void setWakeAfterPackets(int packets); // wake on the n-th magic packet since going to sleep

public Q_SLOTS:
    void wakeUp();            // leaves standby (and a standby power state) at once
    void notifyMagicPacket(); // a Wake-on-LAN packet for this TV arrived

public:
    // ---- screenshots and icons -----------------------------------------------------------

    void setScreenshotMode(ScreenshotMode mode) { m_screenshotMode = mode; }
    void setScreenshotSize(const QSize &size);
    // Replaces the "imageUri" of "tv/executeOneShot"; an empty text ends the override.
    void setImageUriOverride(const QString &uri) { m_imageUriOverride = uri; }
    QByteArray screenshotJpeg(); // the JPEG served in mode Ok (made once per size)
    static QString iconPath(const QString &appId);      // "/resources/icons/<id>.png"
    static QString largeIconPath(const QString &appId); // "/resources/icons/large/<id>.png"

    // ---- the record ----------------------------------------------------------------------

    struct Message {
        QJsonObject json; // empty when the frame was not a JSON object
        QString raw;      // the frame as received (binary frames decoded as UTF-8)
        int connection = 0; // 1 for the first control connection, 2 for the next, ...
        bool binary = false;
    };
    struct HttpRequest {
        QString method;
        QString path; // with query
        QList<QPair<QByteArray, QByteArray>> headers; // names lower-cased
        int status = 0;                               // what was answered
    };

    QList<Message> messages() const { return m_messages; } // control socket, in order
    QList<QJsonObject> requests(const QString &uri) const; // "request"/"subscribe" messages
    int requestCount(const QString &uri) const;
    QJsonObject lastPayload(const QString &uri) const; // payload of the latest one, or {}
    QStringList pointerFrames() const { return m_pointerFrames; }
    QList<HttpRequest> httpRequests() const { return m_httpRequests; }
    void clearRecord(); // messages, pointer frames, HTTP requests

    // Counters since construction.
    int tcpConnections() const { return m_tcpConnections; }
    int tlsHandshakes() const { return m_tlsHandshakes; }
    int controlConnections() const { return m_controlConnections; } // upgrades to "/"
    int standbyRefusals() const { return m_standbyRefusals; }
    int openControlConnections() const;
    int pointerConnections() const { return m_pointerConnections; }
    int openPointerConnections() const;

Q_SIGNALS:
    void messageReceived(const QJsonObject &message); // every control frame (json may be {})
    void pointerFrameReceived(const QString &frame);
    void controlConnected(int connection);
    void controlDisconnected(int connection);
    void pointerConnected();
    void pairingPrompted(const QString &pairingType);
    void clientRegistered(const QString &clientKey);
    void httpServed(const QString &path, int status);
    void standbyChanged(bool standby);
    void woken();

private:
    struct ControlConnection;
    struct Reply;
    struct Script {
        enum class Kind { Normal, Never, Fail, Error, Custom };
        Kind kind = Kind::Normal;
        QString errorText;
        QJsonObject payload;
        int delayMs = 0;
    };

    void onWebSocketRequested(QSslSocket *socket);
    void onHttpRequested(QSslSocket *socket, const HttpHead &head);
    void onNewWebSocket();
    void acceptControl(QWebSocket *socket);
    void acceptPointer(QWebSocket *socket);

    void onControlMessage(ControlConnection *conn, const QString &raw, bool binary);
    void handleMessage(ControlConnection *conn, const QJsonObject &message);
    void handleHello(ControlConnection *conn, const QJsonObject &message);
    void handleRegister(ControlConnection *conn, const QJsonObject &message);
    void handleRequest(ControlConnection *conn, const QJsonObject &message);
    Reply serve(ControlConnection *conn, const QString &uri, const QJsonObject &payload);
    void finishPairing(ControlConnection *conn, bool approved);
    void registerClient(ControlConnection *conn, const QString &key);
    QString freshToken(const QString &salt);
    ControlConnection *connectionById(int id) const;
    void send(ControlConnection *conn, const QJsonObject &message);
    void notifySubscribers(const QString &uri);
    // Sets one piece of state and tells the subscribers of `uri`, only when it changes.
    template <typename T>
    void changeState(T &field, const T &value, const QString &uri)
    {
        if (field == value)
            return;
        field = value;
        notifySubscribers(uri);
    }
    QJsonObject statePayload(const QString &uri) const;
    void enterStandby();
    void serveScreenshot(QSslSocket *socket, HttpRequest &record);

    Options m_options;
    QString m_errorString;
    TlsListener *m_listener = nullptr;
    QWebSocketServer *m_webSockets = nullptr;
    std::vector<std::unique_ptr<ControlConnection>> m_connections;
    QList<QWebSocket *> m_pointerSockets;
    QList<QSslSocket *> m_httpSockets;
    QStringList m_pointerTokens;
    QStringList m_screenshotTokens;
    QHash<QString, Script> m_scripts;
    int m_nextConnectionId = 1;
    quint64 m_tokenCounter = 0;

    QStringList m_clientKeys;
    int m_pairingPrompts = 0;
    int m_registrations = 0;

    int m_volume = 0;
    bool m_muted = false;
    QString m_foregroundAppId;
    QString m_powerState;
    bool m_keyboardFocused = false;
    QList<App> m_apps;
    QList<Input> m_inputs;
    int m_channel = 7;
    QString m_typedText;
    int m_enterKeys = 0;
    QStringList m_toasts;
    QStringList m_mediaActions;

    bool m_standby = false;
    int m_wakeCount = 0;
    int m_magicPackets = 0;
    int m_packetsSinceSleep = 0;
    int m_wakeAfterPackets = 1;
    bool m_wakePending = false;

    ScreenshotMode m_screenshotMode = ScreenshotMode::Ok;
    QString m_imageUriOverride;
    QSize m_jpegSize;
    QByteArray m_jpeg;

    QList<Message> m_messages;
    QStringList m_pointerFrames;
    QList<HttpRequest> m_httpRequests;
    int m_tcpConnections = 0;
    int m_tlsHandshakes = 0;
    int m_controlConnections = 0;
    int m_standbyRefusals = 0;
    int m_pointerConnections = 0;
};
