// The TV follows the computer, against a simulated logind on a private bus and a simulated TV:
// what is sent before the computer may go on, how long it waits, when the TV is woken again,
// and what happens without logind.

#include "session/sessionfixture.h"

#include "platform/fakesleepmonitor.h"
#include "support/fakenetwork.h"
#include "logindsim/privatebus.h"
#include "logindsim/simulatedlogind.h"
#include "platform/followcomputer.h"
#include "platform/logindsleepmonitor.h"

#include <QDBusConnection>

namespace {

QString busName()
{
    static int count = 0;
    return QStringLiteral("veltrix-follow-%1").arg(++count);
}

// A paired, connected TV, a logind on a bus of its own, and the controller between them.
struct Rig {
    SessionFixture f;
    SimulatedTV tv{tvOptions(2)};
    PrivateBus bus;
    std::unique_ptr<SimulatedLogind> logind;
    QString connection = busName();
    std::unique_ptr<LogindSleepMonitor> monitor;
    std::unique_ptr<FollowComputer> follow;
    std::shared_ptr<PacketLog> packets = std::make_shared<PacketLog>();
    QStringList order;  // "turnOff" as the TV receives it, "released" as logind sees the lock close

    bool start(bool withLogind = true)
    {
        if (!bus.start())
            return false;
        logind = std::make_unique<SimulatedLogind>(bus.address());
        if (withLogind && !logind->start())
            return false;
        QObject::connect(logind.get(), &SimulatedLogind::lockReleased, [this] { order.append(QStringLiteral("released")); });
        QObject::connect(&tv, &SimulatedTV::messageReceived, [this](const QJsonObject &message) {
            if (message.value(QStringLiteral("uri")).toString().endsWith(QLatin1String("system/turnOff")))
                order.append(QStringLiteral("turnOff"));
        });
        packets->onPacket = wakes(&tv);
        f.makeSession(std::make_unique<FakeNetwork>(packets, tv.options().mac));
        return tv.start();
    }

    void makeController(bool off, bool on)
    {
        Settings settings(f.env.settingsFile());
        settings.setFollowComputerOff(off);
        settings.setFollowComputerOn(on);
        monitor = std::make_unique<LogindSleepMonitor>(QDBusConnection::connectToBus(bus.address(), connection));
        follow = std::make_unique<FollowComputer>(f.session.get(), monitor.get(), settings);
        follow->setAnswerLimit(500ms);
    }

    bool pairAndLearnMAC()
    {
        const QString id = f.addTV(tv);
        return f.pair(tv) && QTest::qWaitFor([&] { return f.store->device(id)->mac.has_value(); }, 5000);
    }

    ~Rig()
    {
        follow.reset();
        monitor.reset();
        QDBusConnection::disconnectFromBus(connection);
        logind.reset();
    }
};

} // namespace

class TestFollowComputer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void turnsTheTVOffBeforeTheComputerGoesOn_data();
    void turnsTheTVOffBeforeTheComputerGoesOn();
    void stopsWaitingForATVThatNeverAnswers();
    void resumeWakesOnlyATVTurnedOffHere_data();
    void resumeWakesOnlyATVTurnedOffHere();
    void switchesOffTakeNoLockAndSendNothing();
    void switchesTakeEffectAtOnce();
    void followsLogindComingAndGoing();
    void noBusMeansUnavailable();
    void lateAnswersAndOverlappingAnnouncements();
    void systemBusComesFromTheEnvironment();
};

void TestFollowComputer::turnsTheTVOffBeforeTheComputerGoesOn_data()
{
    QTest::addColumn<bool>("shutdown");
    QTest::newRow("sleep") << false;
    QTest::newRow("shutdown") << true;
}

void TestFollowComputer::turnsTheTVOffBeforeTheComputerGoesOn()
{
    QFETCH(bool, shutdown);
    Rig rig;
    if (!rig.start())
        QSKIP("dbus-daemon is not available");
    QVERIFY(rig.pairAndLearnMAC());
    rig.makeController(true, true);
    QTRY_COMPARE(rig.logind->heldLocks(), 1);
    const SimulatedLogind::Lock lock = rig.logind->locks().first();
    QCOMPARE(lock.what, QStringLiteral("sleep:shutdown"));
    QCOMPARE(lock.who, QStringLiteral("Veltrix"));
    QCOMPARE(lock.mode, QStringLiteral("delay"));
    QVERIFY(!lock.why.isEmpty());

    if (shutdown)
        rig.logind->prepareForShutdown(true);
    else
        rig.logind->prepareForSleep(true);
    QTRY_COMPARE(rig.logind->heldLocks(), 0);
    // The power-off reached the TV before the computer was let go.
    QCOMPARE(rig.order, (QStringList{QStringLiteral("turnOff"), QStringLiteral("released")}));
    QCOMPARE(rig.tv.requestCount(QStringLiteral("ssap://system/turnOff")), 1);
    QTRY_VERIFY(rig.f.session->isStandby() || !rig.f.session->state().is(ConnectionState::Kind::ready));
    const QStringList lines = rig.f.logLines();
    QVERIFY(lines.contains(shutdown ? QStringLiteral("电脑即将关机，正在关闭电视")
                                    : QStringLiteral("电脑即将休眠，正在关闭电视")));
    QVERIFY(lines.contains(QStringLiteral("电视已关闭")));
    QCOMPARE(rig.f.logCount(QStringLiteral("已释放休眠延迟锁，电脑等待了 ")), 1);

    // Coming back (or calling the shutdown off) takes a new lock for the next time.
    if (shutdown)
        rig.logind->prepareForShutdown(false);
    else
        rig.logind->prepareForSleep(false);
    QTRY_COMPARE(rig.logind->heldLocks(), 1);
    QCOMPARE(rig.logind->locks().size(), 2);
}

void TestFollowComputer::stopsWaitingForATVThatNeverAnswers()
{
    Rig rig;
    if (!rig.start())
        QSKIP("dbus-daemon is not available");
    QVERIFY(rig.pairAndLearnMAC());
    rig.tv.neverAnswer(QStringLiteral("ssap://system/turnOff"));
    rig.makeController(true, false);
    QTRY_COMPARE(rig.logind->heldLocks(), 1);

    rig.logind->prepareForSleep(true);
    QTRY_COMPARE_WITH_TIMEOUT(rig.logind->heldLocks(), 0, 10000);
    // It did wait for the TV, but only up to the limit.
    const SimulatedLogind::Lock lock = rig.logind->locks().first();
    QVERIFY(*lock.releasedNs - rig.logind->lastAnnouncementNs() >= 500'000'000);
    QCOMPARE(rig.order, (QStringList{QStringLiteral("turnOff"), QStringLiteral("released")}));
    QVERIFY(rig.f.logLines().contains(QStringLiteral("电视 0.5 秒内未应答，不再等待")));
}

void TestFollowComputer::resumeWakesOnlyATVTurnedOffHere_data()
{
    QTest::addColumn<bool>("wakeSwitch");
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("woken");
    QTest::newRow("turned off at sleep: woken") << true << QString() << true;
    QTest::newRow("already in standby: stays off") << true << QStringLiteral("standby") << false;
    QTest::newRow("the TV refused to turn off: left alone") << true << QStringLiteral("refuse") << false;
    QTest::newRow("another TV selected meanwhile: left alone") << true << QStringLiteral("reselect") << false;
    QTest::newRow("wake switch off: stays off") << false << QString() << false;
}

void TestFollowComputer::resumeWakesOnlyATVTurnedOffHere()
{
    QFETCH(bool, wakeSwitch);
    QFETCH(QString, before);
    QFETCH(bool, woken);
    Rig rig;
    if (!rig.start())
        QSKIP("dbus-daemon is not available");
    QVERIFY(rig.pairAndLearnMAC());
    rig.makeController(true, wakeSwitch);
    QTRY_COMPARE(rig.logind->heldLocks(), 1);
    if (before == QLatin1String("standby")) {
        rig.tv.setStandby(true);
        QTRY_VERIFY(rig.f.session->state().is(ConnectionState::Kind::sleeping));
    } else if (before == QLatin1String("refuse")) {
        rig.tv.failWith(QStringLiteral("ssap://system/turnOff"), QStringLiteral("not now"));
    }

    rig.logind->prepareForSleep(true);
    QTRY_COMPARE(rig.logind->heldLocks(), 0);
    QTRY_VERIFY(rig.tv.isStandby() || before != QString());
    if (before == QLatin1String("reselect"))
        rig.f.store->setSelectedID(rig.f.store->upsert(QStringLiteral("127.0.13.9")).id);
    const int packetsBefore = rig.tv.magicPacketCount();
    rig.logind->prepareForSleep(false);
    QTRY_COMPARE(rig.logind->heldLocks(), 1);

    if (woken) {
        QTRY_VERIFY(rig.f.session->state().is(ConnectionState::Kind::ready) && !rig.f.session->isStandby());
        QVERIFY(!rig.tv.isStandby());
        QVERIFY(rig.f.logLines().contains(QStringLiteral("电脑已唤醒，正在打开电视")));
    } else {
        // The resume was handled (its new lock is there); give a wake-up time to show itself.
        QTest::qWait(200);
        QCOMPARE(rig.packets->count(), 0);
        QCOMPARE(rig.tv.magicPacketCount(), packetsBefore);
    }
}

void TestFollowComputer::switchesOffTakeNoLockAndSendNothing()
{
    Rig rig;
    if (!rig.start())
        QSKIP("dbus-daemon is not available");
    QVERIFY(rig.pairAndLearnMAC());
    rig.makeController(false, false);
    QTRY_VERIFY(rig.follow->isAvailable());
    QSignalSpy announcements(rig.monitor.get(), &SleepMonitor::prepareForSleep);
    rig.logind->prepareForSleep(true);
    rig.logind->prepareForSleep(false);
    QTRY_COMPARE(announcements.size(), 2);
    QTest::qWait(200);
    QVERIFY(rig.logind->locks().isEmpty());
    QCOMPARE(rig.tv.requestCount(QStringLiteral("ssap://system/turnOff")), 0);
    QCOMPARE(rig.packets->count(), 0);
    QVERIFY(rig.f.session->state().is(ConnectionState::Kind::ready));
}

void TestFollowComputer::switchesTakeEffectAtOnce()
{
    Rig rig;
    if (!rig.start())
        QSKIP("dbus-daemon is not available");
    rig.makeController(false, false);
    QTRY_VERIFY(rig.follow->isAvailable());
    QSignalSpy offChanges(rig.follow.get(), &FollowComputer::turnsOffChanged);

    rig.follow->setTurnsOff(true);
    QTRY_COMPARE(rig.logind->heldLocks(), 1);
    rig.follow->setTurnsOff(false);
    QTRY_COMPARE(rig.logind->heldLocks(), 0);
    rig.follow->setTurnsOn(true);
    QCOMPARE(offChanges.size(), 2);

    // Stored where the headless program reads it.
    const Settings stored(rig.f.env.settingsFile());
    QCOMPARE(stored.followComputerOff(), false);
    QCOMPARE(stored.followComputerOn(), true);
    // Nothing was connected: the computer is let go at once, nothing is sent.
    rig.follow->setTurnsOff(true);
    QTRY_COMPARE(rig.logind->heldLocks(), 1);
    rig.logind->prepareForSleep(true);
    QTRY_COMPARE(rig.logind->heldLocks(), 0);
    QVERIFY(rig.f.logLines().contains(QStringLiteral("电视未开启，无需关闭")));
}

void TestFollowComputer::followsLogindComingAndGoing()
{
    Rig rig;
    if (!rig.start(false))
        QSKIP("dbus-daemon is not available");
    rig.makeController(true, true);
    QSignalSpy availability(rig.follow.get(), &FollowComputer::availableChanged);
    QTest::qWait(200);
    QVERIFY(!rig.follow->isAvailable());
    QVERIFY(rig.logind->locks().isEmpty());

    // logind appears: the lock is taken; it goes away: unavailable again.
    QVERIFY(rig.logind->start());
    QTRY_VERIFY(rig.follow->isAvailable());
    QTRY_COMPARE(rig.logind->heldLocks(), 1);
    rig.logind->stop();
    QTRY_VERIFY(!rig.follow->isAvailable());
    QCOMPARE(availability.size(), 2);
    QVERIFY(!rig.monitor->holdsLock());
}

void TestFollowComputer::noBusMeansUnavailable()
{
    LogindSleepMonitor monitor(QDBusConnection(QStringLiteral("nowhere")));
    monitor.takeLock(QStringLiteral("test"));
    QVERIFY(!monitor.isAvailable());
    QVERIFY(!monitor.holdsLock());
}

void TestFollowComputer::systemBusComesFromTheEnvironment()
{
    PrivateBus bus;
    if (!bus.start())
        QSKIP("dbus-daemon is not available");
    SimulatedLogind logind(bus.address());
    QVERIFY(logind.start());
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus.address().toUtf8());
    LogindSleepMonitor monitor;
    QTRY_VERIFY(monitor.isAvailable());
    monitor.takeLock(QStringLiteral("test"));
    QTRY_COMPARE(logind.heldLocks(), 1);
    monitor.releaseLock();
    QTRY_COMPARE(logind.heldLocks(), 0);
}

void TestFollowComputer::lateAnswersAndOverlappingAnnouncements()
{
    SessionFixture f;
    SimulatedTV::Options options = tvOptions(3);
    options.turnOffCloseDelayMs = -1;  // stays connected, reporting standby
    SimulatedTV tv(options);
    QVERIFY(tv.start());
    f.addTV(tv);
    QVERIFY(f.pair(tv));
    tv.delayReply(QStringLiteral("ssap://system/turnOff"), 2000);
    Settings settings(f.env.settingsFile());
    settings.setFollowComputerOff(true);
    FakeSleepMonitor monitor;
    FollowComputer follow(f.session.get(), &monitor, settings);
    follow.setAnswerLimit(200ms);
    QVERIFY(monitor.holdsLock());

    // Sleep and shutdown announced together: one power-off, one release.
    Q_EMIT monitor.prepareForSleep(true);
    Q_EMIT monitor.prepareForShutdown(true);
    QTRY_VERIFY(!monitor.holdsLock());
    QCOMPARE(monitor.released, 1);
    QTRY_COMPARE(tv.requestCount(QStringLiteral("ssap://system/turnOff")), 1);

    // Resumed and asleep again before the slow TV answered the first time; the second request
    // is not answered in time. The first answer must not end the second wait.
    tv.delayReply(QStringLiteral("ssap://system/turnOff"), 60000);
    Q_EMIT monitor.prepareForSleep(false);
    QVERIFY(monitor.holdsLock());
    follow.setAnswerLimit(30s);
    Q_EMIT monitor.prepareForSleep(true);
    QTRY_COMPARE(tv.requestCount(QStringLiteral("ssap://system/turnOff")), 2);
    QTRY_VERIFY(tv.powerState() != QStringLiteral("Active"));  // it answers the first as it turns off
    QTest::qWait(200);
    QVERIFY(follow.isHoldingComputer());
    QVERIFY(monitor.holdsLock());
    QCOMPARE(monitor.released, 1);
    Q_EMIT monitor.prepareForSleep(false);
}

QTEST_MAIN(TestFollowComputer)
#include "test_followcomputer.moc"
