#include "app/singleinstance.h"
#include "support/testenv.h"

#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace {

// A later launch runs in its own process; here it runs on a thread, because handOver blocks
// until the owner, served by this thread's event loop, acknowledges.
bool handOverFromAnotherThread(const QString &settingsFile)
{
    std::atomic<bool> delivered = false;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        SingleInstance later(settingsFile);
        delivered = later.handOver(SingleInstance::Request::activate);
    }));
    thread->start();
    if (!QTest::qWaitFor([&] { return thread->isFinished(); }, 5000))
        thread->wait();
    return delivered;
}

// What an owner that crashed leaves behind: a socket file nobody listens on.
bool leaveStaleSocket(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = QFile::encodeName(path);
    std::memcpy(address.sun_path, bytes.constData(), std::min<size_t>(bytes.size(), sizeof address.sun_path - 1));
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return bound && QFile::exists(path);
}

// ... and the lock file of that owner, naming a process that no longer exists.
bool leaveStaleLock(const QString &path)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    QFile lock(path);
    if (!lock.open(QIODevice::WriteOnly))
        return false;
    lock.write(QByteArray::number(child) + "\nveltrix\n" + QSysInfo::machineHostName().toUtf8() + '\n');
    return true;
}

} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;

    QString settingsFile(const QString &name) const { return m_env->path(name); }

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<TestEnv>();
        // Sockets of this test stay in its own folder, whatever the session's runtime folder.
        qputenv("XDG_RUNTIME_DIR", m_env->dir().toLocal8Bit());
    }

    void laterLaunchHandsOverToTheOwner()
    {
        SingleInstance first(settingsFile(QStringLiteral("a.conf")));
        QVERIFY(first.acquire());
        QVERIFY(first.isOwner());
        QVERIFY((QFile::permissions(first.socketPath()) & (QFile::ReadOther | QFile::WriteOther)) == 0);
        QSignalSpy activated(&first, &SingleInstance::activationRequested);

        SingleInstance second(settingsFile(QStringLiteral("a.conf")));
        QVERIFY(!second.acquire());
        QVERIFY(!second.isOwner());
        QVERIFY(handOverFromAnotherThread(settingsFile(QStringLiteral("a.conf"))));
        QCOMPARE(activated.size(), 1);
        QVERIFY(handOverFromAnotherThread(settingsFile(QStringLiteral("a.conf"))));
        QCOMPARE(activated.size(), 2);
    }

    void ownerIgnoresMalformedMessages_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("wrong magic") << QByteArray("XV\x01\x01", 4);
        QTest::newRow("unknown format") << QByteArray("VX\x02\x01", 4);
        QTest::newRow("unknown request") << QByteArray("VX\x01\x09", 4);
        QTest::newRow("trailing bytes") << QByteArray("VX\x01\x01zz", 6);
    }

    void ownerIgnoresMalformedMessages()
    {
        QFETCH(QByteArray, bytes);
        SingleInstance owner(settingsFile(QStringLiteral("b.conf")));
        QVERIFY(owner.acquire());
        QSignalSpy activated(&owner, &SingleInstance::activationRequested);
        QLocalSocket peer;
        peer.connectToServer(owner.socketPath());
        QVERIFY(peer.waitForConnected(1000));
        peer.write(bytes);
        QTRY_COMPARE(peer.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(peer.readAll(), QByteArray());
        QCOMPARE(activated.size(), 0);
        // It still serves a proper request afterwards.
        QVERIFY(handOverFromAnotherThread(settingsFile(QStringLiteral("b.conf"))));
        QCOMPARE(activated.size(), 1);
    }

    void staleSocketDoesNotBlockANewOwner()
    {
        const QString file = settingsFile(QStringLiteral("c.conf"));
        QVERIFY(leaveStaleSocket(SingleInstance::socketPath(file)));
        QVERIFY(leaveStaleLock(SingleInstance::socketPath(file) + QStringLiteral(".lock")));
        SingleInstance owner(file);
        QVERIFY(owner.acquire());
        QSignalSpy activated(&owner, &SingleInstance::activationRequested);
        QVERIFY(handOverFromAnotherThread(file));
        QCOMPARE(activated.size(), 1);
    }

    void separateSettingsFilesNeverMeet()
    {
        SingleInstance a(settingsFile(QStringLiteral("one/Veltrix.conf")));
        SingleInstance b(settingsFile(QStringLiteral("two/Veltrix.conf")));
        QVERIFY(a.socketPath() != b.socketPath());
        QVERIFY(a.acquire());
        QVERIFY(b.acquire());
        // The same file named two ways is still one owner.
        SingleInstance again(settingsFile(QStringLiteral("one/../one/Veltrix.conf")));
        QVERIFY(!again.acquire());
    }

    void handOverWithoutAnOwnerFails()
    {
        SingleInstance nobody(settingsFile(QStringLiteral("d.conf")));
        QVERIFY(!nobody.handOver(SingleInstance::Request::activate, std::chrono::milliseconds(300)));
        QVERIFY(!nobody.errorString().isEmpty());
    }

    void ownerGoneFreesTheName()
    {
        const QString file = settingsFile(QStringLiteral("e.conf"));
        {
            SingleInstance owner(file);
            QVERIFY(owner.acquire());
        }
        SingleInstance next(file);
        QVERIFY(next.acquire());
    }

    void cleanup() { m_env.reset(); }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_singleinstance.moc"
