// A saved TV edited while the session waits on it (the pairing prompt on screen, a wake-up in
// progress) keeps those edits: the session writes back only what it learnt, onto the record as
// it is stored by then, and never brings back a removed one.

#include "session/sessionfixture.h"

#include "support/fakenetwork.h"

namespace {

// True once the TV has been asked for its MAC, and the answer has had time to be stored.
bool macLearningDone(const SimulatedTV &tv)
{
    const auto asked = [&] {
        for (const SimulatedTV::Message &m : tv.messages()) {
            if (m.json.value(QStringLiteral("uri")).toString().endsWith(QStringLiteral("connectionmanager/getinfo")))
                return true;
        }
        return false;
    };
    if (!waitFor(asked, 5s))
        return false;
    QTest::qWait(100);
    return true;
}

} // namespace

class TestSessionStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void editsWhilePairingSurvive_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("mac");
        QTest::addColumn<bool>("byScan");
        QTest::newRow("renamed") << QStringLiteral("客厅") << QString() << false;
        QTest::newRow("MAC typed") << QString() << QStringLiteral("11:22:33:44:55:66") << false;
        QTest::newRow("renamed and MAC typed") << QStringLiteral("Den") << QStringLiteral("11:22:33:44:55:66") << false;
        QTest::newRow("named by a scan") << QStringLiteral("Bedroom") << QString() << true;
    }

    void editsWhilePairingSurvive()
    {
        QFETCH(QString, name);
        QFETCH(QString, mac);
        QFETCH(bool, byScan);
        SessionFixture f;
        f.makeSession(std::make_unique<FakeNetwork>());
        SimulatedTV::Options options = tvOptions(2);
        options.approveDelayMs = -1;
        options.mac = QString();  // reports no usable MAC, so only a typed one can be stored
        TestTV tv(options);
        const QString id = f.addTV(tv);

        f.session->connect(id);
        QVERIFY(f.waitFor(ConnectionState::Kind::awaitingApproval));
        if (byScan) {
            f.store->upsert(tv.host(), std::nullopt, name, QStringLiteral("NANO75"));
        } else {
            TVDevice edited = *f.store->device(id);
            edited.name = name;
            if (!mac.isEmpty())
                edited.mac = mac;
            f.store->update(edited);
        }
        tv.approve();
        QVERIFY(f.waitFor(ConnectionState::Kind::ready));
        QVERIFY(macLearningDone(tv));

        const TVDevice saved = *f.store->device(id);
        QCOMPARE(saved.name, name);
        QCOMPARE(saved.mac, mac.isEmpty() ? std::nullopt : std::optional<QString>(mac));
        QCOMPARE(saved.clientKey, tv.clientKeys().value(0));
        QCOMPARE(saved.certFingerprint, SimulatedTV::fingerprintOf(SimulatedTV::Certificate::A));
        QCOMPARE(saved.tvUUID, QStringLiteral("uuid-tv-2"));
        QCOMPARE(saved.model, QStringLiteral("LG OLED55C1PUB"));  // the TV's own word beats the scan's
        QCOMPARE(f.store->devices().size(), 1);
    }

    void removalWhilePairing_data()
    {
        QTest::addColumn<bool>("disconnectFirst");
        QTest::newRow("as the screens do: disconnect, then remove") << true;
        QTest::newRow("removed under a running attempt") << false;
    }

    void removalWhilePairing()
    {
        QFETCH(bool, disconnectFirst);
        SessionFixture f;
        f.makeSession(std::make_unique<FakeNetwork>());
        SimulatedTV::Options options = tvOptions(2);
        options.approveDelayMs = -1;
        TestTV tv(options);
        const TVDevice other = f.store->upsert(testAddress(3).toString(), QStringLiteral("uuid-other"),
                                               QStringLiteral("Kitchen"), std::nullopt);
        const QString id = f.addTV(tv);

        f.session->connect(id);
        QVERIFY(f.waitFor(ConnectionState::Kind::awaitingApproval));
        if (disconnectFirst)
            f.session->disconnect();
        f.store->remove(id);
        QCOMPARE(f.store->selectedID(), other.id);
        // Either way the attempt ends with the selection moving to another TV: nothing may
        // show that one as connected while the removed TV answers.
        QCOMPARE(f.session->state(), ConnectionState::offline());
        tv.approve();
        QTest::qWait(300);
        QCOMPARE(f.session->state(), ConnectionState::offline());

        // Neither the removed TV comes back nor does the now-selected one take its key or MAC.
        QCOMPARE(f.store->devices(), QList<TVDevice>{other});
        QCOMPARE(f.store->selectedID(), other.id);
        QCOMPARE(f.logCount(QStringLiteral("记录 MAC ")), 0);
    }

    void wakeFollowsTheStoredRecord_data()
    {
        QTest::addColumn<bool>("removed");
        QTest::newRow("MAC retyped while waking") << false;
        QTest::newRow("removed while waking") << true;
    }

    void wakeFollowsTheStoredRecord()
    {
        QFETCH(bool, removed);
        SessionFixture f;
        auto packets = std::make_shared<PacketLog>();
        f.makeSession(std::make_unique<FakeNetwork>(packets));
        const QStringList &woken = packets->macs;
        TVSession::Timing timing = f.session->timing();
        timing.wakeAttempts = 3;
        f.session->setTiming(timing);
        // Nothing listens at this address: every attempt fails at once and the loop goes on.
        TVDevice record = f.store->upsert(testAddress(9).toString());
        record.clientKey = QStringLiteral("key");
        record.mac = QStringLiteral("a8:23:fe:01:02:03");
        f.store->update(record);
        f.store->setSelectedID(record.id);

        f.session->wake();
        QCOMPARE(woken, QStringList{QStringLiteral("a8:23:fe:01:02:03")});
        const QString retyped = QStringLiteral("11:22:33:44:55:66");
        if (removed) {
            f.session->disconnect();
            f.store->remove(record.id);
        } else {
            record.mac = retyped;
            f.store->update(record);
        }

        if (removed) {
            QTest::qWait(400);
            QCOMPARE(woken.size(), 1);
            QCOMPARE(f.store->selectedID(), std::nullopt);  // not re-selected by a new attempt
            QVERIFY(f.store->devices().isEmpty());
            QCOMPARE(f.session->state(), ConnectionState::offline());
            QCOMPARE(f.logCount(QStringLiteral("连接 ")), 0);
        } else {
            // Failed attempts pass through the error state; the wake-up's own end has its text.
            const ConnectionState gaveUp = ConnectionState::error(QStringLiteral("唤醒超时，请确认电视已开启网络唤醒"));
            QVERIFY(waitFor([&] { return f.session->state() == gaveUp; }, 5s));
            QCOMPARE(woken.size(), 1 + timing.wakeAttempts);
            QCOMPARE(woken.mid(1), QStringList(timing.wakeAttempts, retyped));
        }
    }

    // Choosing another saved TV used to leave the old connection (or wake-up) running, so the
    // views named the new TV as connected while commands still reached the old one.
    void selectingAnotherTVEndsTheOldConnection()
    {
        SessionFixture f;
        auto packets = std::make_shared<PacketLog>();
        f.makeSession(std::make_unique<FakeNetwork>(packets));
        const QStringList &woken = packets->macs;
        TestTV first(tvOptions(2));
        TestTV second(tvOptions(3));
        const QString a = f.addTV(first);
        const QString b = f.addTV(second);
        QVERIFY(f.pair(first));

        f.store->setSelectedID(b);
        QCOMPARE(f.session->state(), ConnectionState::offline());
        QVERIFY(!f.session->client());
        QVERIFY(!f.session->pointer());

        // Connecting to the selection, and selecting the connected TV again, change nothing.
        f.session->connect(b);
        QVERIFY(f.waitFor(ConnectionState::Kind::ready));
        f.store->setSelectedID(b);
        QCOMPARE(f.session->state(), ConnectionState::ready());

        // A wake-up of the old TV ends too, rather than dialling it (and selecting it) later.
        TVDevice old = *f.store->device(a);
        old.mac = QStringLiteral("a8:23:fe:01:02:03");
        f.store->update(old);
        f.store->setSelectedID(a);
        f.session->wake();
        QCOMPARE(f.session->state(), ConnectionState::waking());
        f.store->setSelectedID(b);
        QCOMPARE(f.session->state(), ConnectionState::offline());
        QTest::qWait(300);  // several wake rounds would have run by now
        QCOMPARE(f.session->state(), ConnectionState::offline());
        QCOMPARE(f.store->selectedID(), b);
        QCOMPARE(woken.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSessionStore)
#include "test_session_store.moc"
