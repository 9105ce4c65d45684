#pragma once

#include "core/connectionstate.h"
#include "core/devicestore.h"
#include "core/tvnetwork.h"

#include "protocol/ssapclient.h"
#include "network/ssdpdiscovery.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <QCoro/QCoroTask>

#include <chrono>
#include <memory>
#include <optional>

// Timings of the wake loop, the ready wait and pointer coalescing. Production uses the
// defaults; tests shorten them.
struct SessionTiming {
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

// What the connection asks of the session that owns it: everything that rides on the client
// or was learnt from it lives there.
class TVConnectionOwner {
public:
    virtual ~TVConnectionOwner() = default;
    // The client is about to go: drop what was opened through it, closing it first when the
    // user disconnects (after a lost connection there is no one left to say goodbye to).
    virtual void releaseChannels(bool close) = 0;
    // The user disconnected: forget what the TV last reported about its power.
    virtual void forgetPowerState() = 0;
    // Registration succeeded; awaited to its end by the attempt.
    virtual QCoro::Task<> afterRegistration(QPointer<SSAPClient> client, QString deviceID) = 0;
};

// The connection lifecycle of the session: discovery, connecting, pairing, registering,
// waking and disconnecting, as one state machine over the current client. Stale work is
// neutralised by checking that `client` is still the client the work started with.
class TVConnection : public QObject {
    Q_OBJECT

public:
    TVConnection(DeviceStore *store, std::unique_ptr<TVNetwork> network, TVConnectionOwner *owner,
                 QObject *parent = nullptr);
    ~TVConnection() override;

    void setTiming(const SessionTiming &timing) { m_timing = timing; }
    const SessionTiming &timing() const { return m_timing; }

    DeviceStore *store() const { return m_store; }
    ConnectionState state() const { return m_state; }
    SSAPClient *client() const { return m_client; }
    QList<SSDPDiscovery::Found> discovered() const { return m_discovered; }
    bool isScanning() const { return m_isScanning; }

    void connect(const QString &deviceID, bool usePin);
    void disconnect();
    // Closes the client without a word to the owner; the owner's destructor calls it.
    void shutDown();
    QCoro::Task<std::optional<QString>> submitPin(const QString &pin, QPointer<SSAPClient> client);
    static QString certificateChangedText();
    QCoro::Task<> scan();
    QCoro::Task<> ensureConnected(std::chrono::milliseconds timeout);
    void wake();
    // Records the MAC of the TV `client` registered with, by id.
    QCoro::Task<> learnMAC(QPointer<SSAPClient> client, QString deviceID);

Q_SIGNALS:
    void stateChanged(const ConnectionState &state);
    void discoveredChanged();
    void isScanningChanged(bool scanning);
    void clientChanged();

private:
    void setState(const ConnectionState &state);
    void setClient(SSAPClient *client);
    void followSelection();

    QCoro::Task<> attempt(TVDevice record, bool usePin, QPointer<SSAPClient> client);
    void attemptFailed(QPointer<SSAPClient> client, const SSAPError &error);
    void handleClose(SSAPClient *client, const std::optional<SSAPError> &error);
    QCoro::Task<> wakeLoop(QString mac, TVDevice record);

    DeviceStore *m_store;
    std::unique_ptr<TVNetwork> m_network;
    TVConnectionOwner *m_owner;
    SessionTiming m_timing;

    ConnectionState m_state;
    // The TV the state describes: the one last connected to or woken.
    std::optional<QString> m_deviceID;
    QList<SSDPDiscovery::Found> m_discovered;
    bool m_isScanning = false;
    QPointer<SSAPClient> m_client;
    bool m_clientRegistered = false;  // the current client finished registering
};
