#pragma once

// A session on a private settings file and log, and simulated TVs on this test's own
// loopback addresses (127.0.13.x).

#include "core/devicestore.h"
#include "log/log.h"
#include "tvsim/lib/simulatedtv.h"
#include "core/tvsession.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace std::chrono_literals;

inline QHostAddress testAddress(int last)
{
    return QHostAddress(QStringLiteral("127.0.13.%1").arg(last));
}

struct SessionFixture {
    QTemporaryDir dir;
    std::unique_ptr<DeviceStore> store;
    std::unique_ptr<TVSession> session;
    QList<ConnectionState> states;

    SessionFixture()
    {
        veltrix::setLogFilePath(dir.filePath(QStringLiteral("app.log")));
        store = std::make_unique<DeviceStore>(dir.filePath(QStringLiteral("settings.ini")));
        makeSession();
    }

    ~SessionFixture()
    {
        session.reset();
        // Let queued resumptions of closed clients run so that no coroutine stays suspended.
        QTest::qWait(20);
        veltrix::flushLog();
    }

    void makeSession(std::unique_ptr<TVNetwork> network = nullptr)
    {
        session.reset();
        session = network ? std::make_unique<TVSession>(store.get(), std::move(network))
                          : std::make_unique<TVSession>(store.get());
        TVSession::Timing timing;
        timing.wakeFirstWait = 50ms;
        timing.wakeBetweenAttempts = 50ms;
        timing.wakePoll = 20ms;
        timing.ensurePoll = 10ms;
        timing.scanWindow = 1000ms;
        timing.helloTimeout = 1500ms;
        session->setTiming(timing);
        states.clear();
        QObject::connect(session.get(), &TVSession::stateChanged,
                         [this](const ConnectionState &state) { states.append(state); });
    }

    QStringList logLines()
    {
        veltrix::flushLog();
        QFile file(dir.filePath(QStringLiteral("app.log")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines;
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (line.size() > 13)
                lines.append(QString::fromUtf8(line.mid(13)));  // drop "HH:mm:ss.zzz "
        }
        return lines;
    }

    int logCount(const QString &prefix)
    {
        int count = 0;
        for (const QString &line : logLines())
            count += line.startsWith(prefix) ? 1 : 0;
        return count;
    }

    QString addTV(const SimulatedTV &tv)
    {
        return store->upsert(tv.host()).id;
    }

    bool waitFor(ConnectionState::Kind kind, int ms = 5000)
    {
        return QTest::qWaitFor([&] { return session->state().is(kind); }, ms);
    }

    // Pairs by prompt and waits until the post-pairing setup has loaded the app list.
    bool pair(SimulatedTV &tv, const QString &id)
    {
        session->connect(id);
        return waitFor(ConnectionState::Kind::ready)
            && QTest::qWaitFor([&] { return !session->apps().isEmpty() && session->pointer(); }, 5000);
    }
};

inline SimulatedTV::Options tvOptions(int last)
{
    SimulatedTV::Options options;
    options.address = testAddress(last);
    options.approveDelayMs = 30;
    options.uuid = QStringLiteral("uuid-tv-%1").arg(last);
    return options;
}
