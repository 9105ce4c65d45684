// The session's own deadlines (wake-up waits, the ready-wait) never end early, a TV that
// answers just inside a deadline is answered, and a connection that cannot be made says why
// in the state, the log and the ready-wait's error alike.

#include "session/sessionfixture.h"

#include "support/fakenetwork.h"
#include "support/wait.h"

#include <QTcpServer>
#include <QTcpSocket>

namespace {

using Clock = std::chrono::steady_clock;

struct ReadyWait {
    bool done = false;
    std::optional<SSAPError> error;
    Clock::time_point finished;
};

QCoro::Task<> readyWait(TVSession *session, std::chrono::milliseconds timeout, std::shared_ptr<ReadyWait> out)
{
    try {
        co_await session->ensureConnected(timeout);
    } catch (const SSAPError &error) {
        out->error = error;
    }
    out->finished = Clock::now();
    out->done = true;
}

// A saved, selected TV at `host` that the session believes paired.
QString addPaired(DeviceStore &store, const QString &host)
{
    TVDevice record = store.upsert(host);
    record.clientKey = QStringLiteral("stale-key");
    record.mac = QStringLiteral("a8:23:fe:01:02:03");
    store.update(record);
    store.setSelectedID(record.id);
    return record.id;
}

} // namespace

class TestSessionDeadlines : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void wakeWaitsNeverEndEarly()
    {
        SessionFixture f;
        auto log = std::make_shared<PacketLog>();
        f.makeSession(std::make_unique<FakeNetwork>(log));
        const QList<Clock::time_point> &packets = log->times;
        TVSession::Timing timing = f.session->timing();
        timing.wakeFirstWait = 300ms;
        timing.wakeBetweenAttempts = 300ms;
        timing.wakeAttempts = 5;
        timing.wakePoll = 1ms;
        f.session->setTiming(timing);
        addPaired(*f.store, testAddress(9).toString());  // nothing listens: attempts fail at once
        // Each wait starts when the loop (re)enters `waking`; the packet after it ends it.
        QList<Clock::time_point> waking;
        QObject::connect(f.session.get(), &TVSession::stateChanged, [&waking](const ConnectionState &state) {
            if (state.is(ConnectionState::Kind::waking))
                waking.append(Clock::now());
        });

        f.session->wake();
        const ConnectionState gaveUp = ConnectionState::error(QStringLiteral("唤醒超时，请确认电视已开启网络唤醒"));
        QVERIFY(spinUntil([&] { return f.session->state() == gaveUp; }, 10s));
        QCOMPARE(packets.size(), 6);
        QCOMPARE(waking.size(), 6);
        for (qsizetype i = 1; i < packets.size(); ++i) {
            const auto wait = std::chrono::duration_cast<std::chrono::microseconds>(packets.at(i) - waking.at(i - 1));
            QVERIFY2(wait >= 300ms, qPrintable(QStringLiteral("wait %1 lasted %2 us").arg(i).arg(wait.count())));
        }
    }

    // Three waits on a TV whose pairing prompt nobody answers, started at different moments.
    void readyWaitNeverEndsEarly()
    {
        SessionFixture f;
        SimulatedTV::Options options = tvOptions(2);
        options.approveDelayMs = -1;
        TestTV tv(options);
        addPaired(*f.store, tv.host());

        QList<QPair<Clock::time_point, std::shared_ptr<ReadyWait>>> waits;
        for (int i = 0; i < 3; ++i) {
            if (i > 0)
                QTest::qWait(90);
            auto out = std::make_shared<ReadyWait>();
            waits.append({Clock::now(), out});
            readyWait(f.session.get(), 400ms, out);
        }
        for (const auto &[start, out] : waits) {
            QVERIFY(spinUntil([&] { return out->done; }, 5s));
            QCOMPARE(out->error, SSAPError::timeout());
            QVERIFY(out->finished - start >= 400ms);
        }
        QCOMPARE(f.session->state(), ConnectionState::awaitingApproval(false));
    }

    void answeredJustInside_data()
    {
        QTest::addColumn<QString>("step");
        for (const char *step : {"hello", "registration", "ready-wait"})
            QTest::newRow(step) << QString::fromLatin1(step);
    }

    // Deadlines of 600 ms (the ready-wait 900 ms) and a TV that answers shortly before, with
    // room for a loaded machine (and sanitizers) to carry the answer through TLS.
    void answeredJustInside()
    {
        QFETCH(QString, step);
        SessionFixture f;
        TVSession::Timing timing = f.session->timing();
        timing.helloTimeout = 600ms;
        timing.registerTimeout = 600ms;
        f.session->setTiming(timing);
        SimulatedTV::Options options = tvOptions(2);
        options.approveDelayMs = step == QLatin1String("hello") ? 0 : 480;
        TestTV tv(options);
        if (step == QLatin1String("hello"))
            tv.delayReply(QStringLiteral("hello"), 420);  // the handshake comes on top

        if (step == QLatin1String("ready-wait")) {
            addPaired(*f.store, tv.host());
            auto out = std::make_shared<ReadyWait>();
            readyWait(f.session.get(), 900ms, out);
            QVERIFY(spinUntil([&] { return out->done; }, 5s));
            QVERIFY2(!out->error, qPrintable(out->error ? out->error->description() : QString()));
        } else {
            f.session->connect(f.addTV(tv));
            QVERIFY(spinUntil([&] { return !f.session->state().is(ConnectionState::Kind::connecting)
                                           && !f.session->state().is(ConnectionState::Kind::awaitingApproval); }, 5s));
        }
        QCOMPARE(f.session->state(), ConnectionState::ready());
    }

    void connectionFailuresSayWhatHappened_data()
    {
        QTest::addColumn<QString>("peer");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing listening") << QStringLiteral("none") << QStringLiteral("电视拒绝连接 (Connection refused)");
        QTest::newRow("no route") << QStringLiteral("unroutable") << QStringLiteral("无法到达电视 (Network unreachable)");
        QTest::newRow("no answer") << QStringLiteral("silent") << QStringLiteral("电视在 0.4 秒内未回应连接");
    }

    void connectionFailuresSayWhatHappened()
    {
        QFETCH(QString, peer);
        QFETCH(QString, text);
        SessionFixture f;
        TVSession::Timing timing = f.session->timing();
        timing.helloTimeout = 400ms;
        f.session->setTiming(timing);
        QString host = testAddress(9).toString();
        QTcpServer silent;
        if (peer == QLatin1String("unroutable")) {
            // Only this namespace's loopback exists; outside it the address might be routed.
            if (qEnvironmentVariableIsEmpty("VELTRIX_NETNS"))
                QSKIP("needs the private network namespace (scripts/netns-exec)");
            host = QStringLiteral("10.255.255.1");
        } else if (peer == QLatin1String("silent")) {
            // Accepts the TCP connection and never says a word of TLS.
            host = testAddress(10).toString();
            QVERIFY(silent.listen(QHostAddress(host), 3001));
        }
        addPaired(*f.store, host);

        auto out = std::make_shared<ReadyWait>();
        readyWait(f.session.get(), 5000ms, out);
        QVERIFY(spinUntil([&] { return out->done; }, 10s));
        QVERIFY(out->error.has_value());
        QCOMPARE(out->error->description(), text);
        QCOMPARE(f.session->state(), ConnectionState::error(text));
        QCOMPARE(f.logCount(QStringLiteral("连接失败: ")), 1);
        QCOMPARE(f.logCount(QStringLiteral("连接失败: ") + text), 1);
    }
};

QTEST_GUILESS_MAIN(TestSessionDeadlines)
#include "test_session_deadlines.moc"
