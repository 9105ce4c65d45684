#pragma once

#include "core/connectionstate.h"
#include "core/devicestore.h"
#include "core/postregistrationhook.h"
#include "core/tvconnection.h"
#include "core/tvmodels.h"
#include "core/tvnetwork.h"
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

// The one live connection to the selected TV and everything known about that TV: the object
// the windows and the MCP tools observe and command. The connection lifecycle (connecting,
// pairing, waking) is its TVConnection; this class keeps the TV's state as last reported,
// the pointer channel and the commands. Main-thread state; asynchronous work runs as
// coroutines on the main thread.
class TVSession : public QObject, private TVConnectionOwner {
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
    using Timing = SessionTiming;

    explicit TVSession(DeviceStore *store, QObject *parent = nullptr);
    TVSession(DeviceStore *store, std::unique_ptr<TVNetwork> network, QObject *parent = nullptr);
    ~TVSession() override;

    void setTiming(const Timing &timing) { m_connection->setTiming(timing); }
    // Awaited at the end of every post-registration setup; the hook must outlive the session
    // or be unset first.
    void setPostRegistrationHook(PostRegistrationHook *hook) { m_postRegistrationHook = hook; }
    const Timing &timing() const { return m_connection->timing(); }

    DeviceStore *store() const { return m_connection->store(); }
    ConnectionState state() const { return m_connection->state(); }
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
    QList<SSDPDiscovery::Found> discovered() const { return m_connection->discovered(); }
    bool isScanning() const { return m_connection->isScanning(); }
    SSAPClient *client() const { return m_connection->client(); }
    PointerClient *pointer() const { return m_pointer; }
    QPointF pendingMove() const { return m_pendingMove; }
    bool moveScheduled() const { return m_moveScheduled; }

    // --- Connection ------------------------------------------------------------------
    void connect(const QString &deviceID, bool usePin = false) { m_connection->connect(deviceID, usePin); }
    void disconnect() { m_connection->disconnect(); }
    // The TV's refusal of the PIN (already logged), or nothing when it took it.
    QCoro::Task<std::optional<QString>> submitPin(const QString &pin, QPointer<SSAPClient> client)
    {
        return m_connection->submitPin(pin, client);
    }
    QCoro::Task<std::optional<QString>> submitPin(const QString &pin) { return submitPin(pin, client()); }
    // The error text when a paired TV presents another certificate than the pinned one.
    static QString certificateChangedText() { return TVConnection::certificateChangedText(); }
    QCoro::Task<> scan() { return m_connection->scan(); }
    // Throws SSAPError.
    QCoro::Task<> ensureConnected(std::chrono::milliseconds timeout) { return m_connection->ensureConnected(timeout); }
    void wake() { m_connection->wake(); }

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

    QCoro::Task<> setMute(bool mute);
    QCoro::Task<> button(QString name);  // by value, like icon()
    QCoro::Task<> click();
    QCoro::Task<> openPointer();
    void movePointer(double dx, double dy);
    // Vertical scroll steps on the open pointer channel; dropped without one.
    void scroll(int steps);

    // For the MCP tools: throws SSAPError (notConnected without a client).
    QCoro::Task<QJsonObject> call(const QString &uri, const QJsonObject &payload);
    QCoro::Task<QJsonObject> call(const TVRequest &request);
    // For the preview: throws SSAPError, ScreenshotError.
    QCoro::Task<QImage> captureScreen();

Q_SIGNALS:
    void stateChanged(const ConnectionState &state);
    void isStandbyChanged(bool standby);
    // Whatever a status title shows may read differently: the state, standby or the
    // foreground title changed. Views that show any of the three follow this one signal.
    void titleChanged();
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
    // TVConnectionOwner
    void releaseChannels(bool close) override;
    void forgetPowerState() override;
    QCoro::Task<> afterRegistration(QPointer<SSAPClient> client, QString deviceID) override;

    void setPowerState(const QString &powerState);
    void setForegroundAppId(const QString &appId);
    void setInputs(const QList<ExternalInput> &inputs);
    void setApps(const QList<TVApp> &apps);
    void setPointer(PointerClient *pointer);
    void setMutedValue(bool muted);
    void setKeyboardFocused(bool focused);
    bool updateStandby();  // whether it changed
    void foregroundTitleMayHaveChanged();
    void fireAndForget(const TVRequest &request);

    QCoro::Task<> flushMove();
    void handleVolumeEvent(const QJsonObject &payload);
    void handleKeyboardEvent(const QJsonObject &payload);

    TVConnection *m_connection;
    PostRegistrationHook *m_postRegistrationHook = nullptr;

    bool m_standby = false;
    int m_volume = 0;
    bool m_muted = false;
    QList<ExternalInput> m_inputs;
    QList<TVApp> m_apps;
    QString m_foregroundAppId;
    QString m_powerState;
    bool m_keyboardFocused = false;
    QPointer<PointerClient> m_pointer;
    QPointF m_pendingMove;
    bool m_moveScheduled = false;
    QHash<QUrl, QImage> m_iconCache;
};
