#pragma once

// A session over a store on the test's own settings and log, with short wake and scan
// timings, recording every state it passes through. Simulated TVs on 127.0.13.x.

#include "core/devicestore.h"
#include "core/tvsession.h"
#include "support/simulatedtvs.h"
#include "support/testenv.h"
#include "support/wait.h"

#include <QSignalSpy>

#include <memory>

inline QHostAddress testAddress(int last)
{
    return testAddress(13, last);
}

inline SimulatedTV::Options tvOptions(int last)
{
    SimulatedTV::Options options = tvOptions(testAddress(last));
    options.uuid = QStringLiteral("uuid-tv-%1").arg(last);
    return options;
}

struct SessionFixture {
    TestEnv env;
    DeviceStore storeObject{env.settingsFile()};
    DeviceStore *store = &storeObject;
    std::unique_ptr<TVSession> session;
    QList<ConnectionState> states;

    SessionFixture() { makeSession(); }

    ~SessionFixture()
    {
        session.reset();
        settle();  // queued resumptions of closed clients
    }

    void makeSession(std::unique_ptr<TVNetwork> network = nullptr)
    {
        session.reset();
        session = network ? std::make_unique<TVSession>(store, std::move(network))
                          : std::make_unique<TVSession>(store);
        session->setTiming(quickTiming());
        states.clear();
        QObject::connect(session.get(), &TVSession::stateChanged,
                         [this](const ConnectionState &state) { states.append(state); });
    }

    QStringList logLines() const { return env.logLines(); }
    int logCount(const QString &prefix) const { return env.logCount(prefix); }
    QString addTV(const SimulatedTV &tv) { return store->upsert(tv.host()).id; }

    bool waitFor(ConnectionState::Kind kind, std::chrono::milliseconds limit = 5s)
    {
        return ::waitFor([&] { return session->state().is(kind); }, limit);
    }

    bool pair(SimulatedTV &tv) { return ::pair(*session, *store, tv); }
};
