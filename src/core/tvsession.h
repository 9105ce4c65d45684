#pragma once

#include "core/connectionstate.h"
#include "core/devicestore.h"
#include "core/postregistrationhook.h"
#include "core/tvmodels.h"
#include "core/tvrequests.h"

#include "protocol/pointerclient.h"
#include "protocol/ssapclient.h"
#include "network/ssdpdiscovery.h"

#include <QHash>
#include <QImage>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QUrl>

#include <QCoro/QCoroTask>

#include <chrono>
#include <memory>
#include <optional>

// What the session needs from the local network. The real one multicasts, reads the ARP
// table and broadcasts; tests may inject their own.
class TVNetwork {
public:
    virtual ~TVNetwork() = default;
    virtual QCoro::Task<QList<SSDPDiscovery::Found>> discover(std::chrono::milliseconds timeout) = 0;
    virtual std::optional<QString> lookupMAC(const QString &host) = 0;
    virtual bool wake(const QString &mac, const std::optional<QString> &host) = 0;
};

// The real network: SSDP, the ARP table, Wake-on-LAN.
class SystemTVNetwork : public TVNetwork {
public:
    QCoro::Task<QList<SSDPDiscovery::Found>> discover(std::chrono::milliseconds timeout) override;
    std::optional<QString> lookupMAC(const QString &host) override;
    bool wake(const QString &mac, const std::optional<QString> &host) override;
};

// The one live connection to the selected TV and everything known about that TV. Main-thread
// state observed by the windows and the MCP tools; asynchronous work runs as coroutines on the
// main thread, and stale work is neutralised by checking that `client` is still the client
// the work started with.
class TVSession : public QObject {
    Q_OBJECT
    Q_PROPERTY(ConnectionState state READ state NOTIFY stateChanged)
    Q_PROPERTY(bool isStandby READ isStandby NOTIFY isStandbyChanged)
    Q_PROPERTY(int volume READ volume WRITE setVolume NOTIFY volumeChanged)
    Q_PROPERTY(bool muted READ muted NOTIFY mutedChanged)
    Q_PROPERTY(QList<ExternalInput> inputs READ inputs NOTIFY inputsChanged)
    Q_PROPERTY(QList<TVApp> apps READ apps NOTIFY appsChanged)
    Q_PROPERTY(QString foregroundAppId READ foregroundAppId NOTIFY foregroundAppIdChanged)
    Q_PROPERTY(QString foregroundTitle READ foregroundTitle NOTIFY foregroundTitleChanged)
    Q_PROPERTY(QString powerState READ powerState NOTIFY powerStateChanged)
    Q_PROPERTY(bool keyboardFocused READ keyboardFocused NOTIFY keyboardFocusedChanged)
    Q_PROPERTY(QList<SSDPDiscovery::Found> discovered READ discovered NOTIFY discoveredChanged)
    Q_PROPERTY(bool isScanning READ isScanning NOTIFY isScanningChanged)

public:
    // Timings of the wake loop, the ready wait and pointer coalescing. Production uses the
    // defaults; tests shorten them.
    struct Timing {
        std::chrono::milliseconds wakeFirstWait{3000};
        std::chrono::milliseconds wakeBetweenAttempts{3000};
        std::chrono::milliseconds wakePoll{200};
        int wakeAttempts = 10;
        std::chrono::milliseconds ensurePoll{100};
        std::chrono::milliseconds moveWindow{16};
        std::chrono::milliseconds scanWindow{3000};
        // Applied to every client the session creates (tests only).
        std::optional<std::chrono::milliseconds> helloTimeout;
        std::optional<std::chrono::milliseconds> registerTimeout;
    };

    explicit TVSession(DeviceStore *store, QObject *parent = nullptr);
    TVSession(DeviceStore *store, std::unique_ptr<TVNetwork> network, QObject *parent = nullptr);
    ~TVSession() override;

    void setTiming(const Timing &timing) { m_timing = timing; }
    // Awaited at the end of every post-registration setup; the hook must outlive the session
    // or be unset first.
    void setPostRegistrationHook(PostRegistrationHook *hook) { m_postRegistrationHook = hook; }
    const Timing &timing() const { return m_timing; }

    DeviceStore *store() const { return m_store; }
    ConnectionState state() const { return m_state; }
    bool isStandby() const;
    int volume() const { return m_volume; }
    void setVolume(int volume);  // the slider writes here; commitVolume() sends it
    bool muted() const { return m_muted; }
    QList<ExternalInput> inputs() const { return m_inputs; }
    QList<TVApp> apps() const { return m_apps; }
    QString foregroundAppId() const { return m_foregroundAppId; }
    QString foregroundTitle() const;
    QString powerState() const { return m_powerState; }
    bool keyboardFocused() const { return m_keyboardFocused; }
    QList<SSDPDiscovery::Found> discovered() const { return m_discovered; }
    bool isScanning() const { return m_isScanning; }
    SSAPClient *client() const { return m_client; }
    PointerClient *pointer() const { return m_pointer; }
    QPointF pendingMove() const { return m_pendingMove; }
    bool moveScheduled() const { return m_moveScheduled; }

    // --- Connection ------------------------------------------------------------------
    void connect(const QString &deviceID, bool usePin = false);
    void disconnect();
    // The TV's refusal of the PIN (already logged), or nothing when it took it.
    QCoro::Task<std::optional<QString>> submitPin(const QString &pin, QPointer<SSAPClient> client);
    QCoro::Task<std::optional<QString>> submitPin(const QString &pin) { return submitPin(pin, m_client); }
    // The error text when a paired TV presents another certificate than the pinned one.
    static QString certificateChangedText();
    QCoro::Task<> scan();
    // Throws SSAPError.
    QCoro::Task<> ensureConnected(std::chrono::milliseconds timeout);

    // --- TV state and commands ------------------------------------------------------
    QCoro::Task<> refreshInputs();
    QCoro::Task<> refreshApps();
    // By value: a caller that leaves it running may drop its own copy meanwhile.
    QCoro::Task<std::optional<QImage>> icon(QUrl url);

    void switchInput(const ExternalInput &input);
    void launch(const TVApp &app);
    void insertText(const QString &text);
    void volumeUp();
    void volumeDown();
    void commitVolume();
    void turnOff();
    void wake();

    QCoro::Task<> setMute(bool mute);
    QCoro::Task<> button(QString name);  // by value, like icon()
    QCoro::Task<> click();
    QCoro::Task<> openPointer();
    void movePointer(double dx, double dy);
    void scroll(int dx, int dy);

    // For the MCP tools: throws SSAPError (notConnected without a client).
    QCoro::Task<QJsonObject> call(const QString &uri, const QJsonObject &payload);
    QCoro::Task<QJsonObject> call(const TVRequest &request);
    // For the preview: throws SSAPError, ScreenshotError.
    QCoro::Task<QImage> captureScreen();

Q_SIGNALS:
    void stateChanged(const ConnectionState &state);
    void isStandbyChanged(bool standby);
    void volumeChanged(int volume);
    void mutedChanged(bool muted);
    void inputsChanged();
    void appsChanged();
    void foregroundAppIdChanged(const QString &appId);
    void foregroundTitleChanged();
    void powerStateChanged(const QString &powerState);
    void keyboardFocusedChanged(bool focused);
    void discoveredChanged();
    void isScanningChanged(bool scanning);
    void clientChanged();
    void pointerChanged();

private:
    void setState(const ConnectionState &state);
    void setPowerState(const QString &powerState);
    void setForegroundAppId(const QString &appId);
    void setInputs(const QList<ExternalInput> &inputs);
    void setApps(const QList<TVApp> &apps);
    void setClient(SSAPClient *client);
    void setPointer(PointerClient *pointer);
    void setMutedValue(bool muted);
    void setKeyboardFocused(bool focused);
    void updateStandby();
    void fireAndForget(const TVRequest &request);

    QCoro::Task<> attempt(TVDevice record, bool usePin, QPointer<SSAPClient> client);
    void attemptFailed(QPointer<SSAPClient> client, const SSAPError &error);
    void handleClose(SSAPClient *client, const std::optional<SSAPError> &error);
    QCoro::Task<> postRegistration(QPointer<SSAPClient> client, QString deviceID);
    QCoro::Task<> learnMAC(QPointer<SSAPClient> client, QString deviceID);
    QCoro::Task<> wakeLoop(QString mac, TVDevice record);
    QCoro::Task<> flushMove();
    void handleVolumeEvent(const QJsonObject &payload);
    void handleKeyboardEvent(const QJsonObject &payload);

    DeviceStore *m_store;
    std::unique_ptr<TVNetwork> m_network;
    Timing m_timing;
    PostRegistrationHook *m_postRegistrationHook = nullptr;

    ConnectionState m_state;
    bool m_standby = false;
    int m_volume = 0;
    bool m_muted = false;
    QList<ExternalInput> m_inputs;
    QList<TVApp> m_apps;
    QString m_foregroundAppId;
    QString m_powerState;
    bool m_keyboardFocused = false;
    QList<SSDPDiscovery::Found> m_discovered;
    bool m_isScanning = false;
    QPointer<SSAPClient> m_client;
    bool m_clientRegistered = false;  // the current client finished registering
    QPointer<PointerClient> m_pointer;
    QPointF m_pendingMove;
    bool m_moveScheduled = false;
    QHash<QUrl, QImage> m_iconCache;
};
