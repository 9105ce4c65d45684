#include "log/log.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <thread>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// Physical lines, each checked to end with LF.
QStringList lines(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return {};
    if (!bytes.endsWith('\n'))
        return {QStringLiteral("<missing final LF>")};
    QStringList result = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    result.removeLast();
    return result;
}

const QRegularExpression kStamp(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} "));

} // namespace

class TestLog : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString freshPath(const QString &relative)
    {
        const QString path = m_dir.filePath(relative);
        veltrix::setLogFilePath(path);
        return path;
    }

private Q_SLOTS:
    void folderCreatedAndLineFormat()
    {
        const QString path = freshPath(QStringLiteral("a/b/Veltrix/app.log"));
        QVERIFY(!QDir(QFileInfo(path).absolutePath()).exists());
        const QTime before = QTime::currentTime();
        veltrix::log(QStringLiteral("连接 192.168.1.20"));
        veltrix::flushLog();
        const QByteArray bytes = readAll(path);
        const QStringList got = lines(bytes);
        QCOMPARE(got.size(), 1);
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} 连接 192\\.168\\.1\\.20$"))
                     .match(got.first())
                     .hasMatch(),
                 qPrintable(got.first()));
        // Stored as UTF-8, not escaped.
        QVERIFY(bytes.endsWith(QByteArray("\xe8\xbf\x9e\xe6\x8e\xa5 192.168.1.20\n")));
        // The stamp is the local time of the call.
        const QTime stamp = QTime::fromString(got.first().left(12), QStringLiteral("HH:mm:ss.zzz"));
        QVERIFY(stamp.isValid());
        QVERIFY(qAbs(before.msecsTo(stamp)) < 5000);
        QCOMPARE(QFile::permissions(path) & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                 QFileDevice::Permissions());
    }

    // Lines already in the file stay; a message's own line breaks start lines without a stamp.
    void appendsAndSplitsLines()
    {
        const QString path = freshPath(QStringLiteral("existing/app.log"));
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("older line\n");
        file.close();
        veltrix::log(QStringLiteral("第一行\n第二行"));
        veltrix::log(QString());
        veltrix::flushLog();
        const QStringList got = lines(readAll(path));
        QCOMPARE(got.size(), 4);
        QCOMPARE(got.at(0), QStringLiteral("older line"));
        QVERIFY(got.at(1).endsWith(QStringLiteral(" 第一行")));
        QCOMPARE(got.at(2), QStringLiteral("第二行"));
        QVERIFY(kStamp.match(got.at(3)).hasMatch());
        QCOMPARE(got.at(3).size(), 13);
    }

    void twoThreads()
    {
        const QString path = freshPath(QStringLiteral("threads/app.log"));
        // Call order across threads is kept.
        std::thread([] { veltrix::log(QStringLiteral("first")); }).join();
        std::thread([] { veltrix::log(QStringLiteral("second")); }).join();
        veltrix::flushLog();
        QStringList got = lines(readAll(path));
        QCOMPARE(got.size(), 2);
        QVERIFY(got.at(0).endsWith(QStringLiteral(" first")));
        QVERIFY(got.at(1).endsWith(QStringLiteral(" second")));

        // Concurrent callers: every line whole, each thread's own lines in its order.
        QFile::remove(path);
        constexpr int perThread = 400;
        std::atomic<bool> go{false};
        auto writer = [&go](QChar tag) {
            while (!go.load())
                std::this_thread::yield();
            for (int i = 0; i < perThread; ++i)
                veltrix::log(QString(tag) + QString::number(i) + QStringLiteral(" 电视"));
        };
        std::thread a(writer, QLatin1Char('a'));
        std::thread b(writer, QLatin1Char('b'));
        go = true;
        a.join();
        b.join();
        veltrix::flushLog();
        got = lines(readAll(path));
        QCOMPARE(got.size(), 2 * perThread);
        int nextA = 0;
        int nextB = 0;
        const QRegularExpression shape(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} ([ab])(\\d+) 电视$"));
        for (const QString &line : got) {
            const QRegularExpressionMatch match = shape.match(line);
            QVERIFY2(match.hasMatch(), qPrintable(line));
            int &next = match.captured(1) == QLatin1String("a") ? nextA : nextB;
            QCOMPARE(match.captured(2).toInt(), next);
            ++next;
        }
    }

    void unwritableFolder()
    {
        // A regular file where the folder should be: no permission bits involved, so this
        // holds even when the tests run as root.
        const QString blocker = m_dir.filePath(QStringLiteral("blocker"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        veltrix::setLogFilePath(blocker + QStringLiteral("/Veltrix/app.log"));
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 50; ++i)
            veltrix::log(QStringLiteral("lost"));
        veltrix::flushLog();
        QVERIFY(timer.elapsed() < 30000);  // no waiting on the failing path
        QCOMPARE(QFileInfo(blocker).size(), 0);

        // The writer is still alive for a good path.
        const QString path = freshPath(QStringLiteral("after/app.log"));
        veltrix::log(QStringLiteral("back"));
        veltrix::flushLog();
        QCOMPARE(lines(readAll(path)).size(), 1);
    }

    void rotation_data()
    {
        QTest::addColumn<QByteArray>("older"); // an earlier app.log.1; empty: none
        QTest::newRow("first rotation") << QByteArray();
        QTest::newRow("replaces an older app.log.1") << QByteArray("older rotated line\n");
    }

    void rotation()
    {
        QFETCH(QByteArray, older);
        const QString path = freshPath(QStringLiteral("rotation/%1/app.log").arg(QString::fromLatin1(QTest::currentDataTag())));
        const QString rotated = path + QStringLiteral(".1");
        QCOMPARE(veltrix::rotatedLogFilePath(), rotated);
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (!older.isEmpty()) {
            QFile file(rotated);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(older);
        }
        // Each line is 13 + 7 bytes: five fit into 100, the sixth starts a new file.
        constexpr qint64 limit = 100;
        veltrix::setLogSizeLimit(limit);
        const auto restore = qScopeGuard([] { veltrix::setLogSizeLimit(veltrix::defaultLogSizeLimit); });
        for (int i = 0; i < 13; ++i)
            veltrix::log(QStringLiteral("line%1").arg(i, 2, 10, QLatin1Char('0')));
        veltrix::flushLog();

        // Two rotations: lines 0-4 were replaced by 5-9, and 10-12 are in the new file.
        const QStringList current = lines(readAll(path));
        const QStringList previous = lines(readAll(rotated));
        QCOMPARE(previous.size(), 5);
        QCOMPARE(current.size(), 3);
        for (int i = 0; i < 5; ++i)
            QVERIFY2(previous.at(i).endsWith(QStringLiteral(" line%1").arg(i + 5, 2, 10, QLatin1Char('0'))), qPrintable(previous.at(i)));
        for (int i = 0; i < 3; ++i)
            QVERIFY2(current.at(i).endsWith(QStringLiteral(" line%1").arg(i + 10)), qPrintable(current.at(i)));
        QVERIFY(QFileInfo(path).size() <= limit);
        // The new file is as private as the first one.
        QCOMPARE(QFile::permissions(path) & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                 QFileDevice::Permissions());
    }

    void unrenamableLogKeepsAppending_data()
    {
        QTest::addColumn<bool>("readOnlyFolder"); // else a folder sits at app.log.1
        QTest::newRow("read-only folder") << true;
        QTest::newRow("app.log.1 taken by a folder") << false;
    }

    void unrenamableLogKeepsAppending()
    {
        QFETCH(bool, readOnlyFolder);
        const QString path = freshPath(QStringLiteral("stuck/%1/app.log").arg(QString::fromLatin1(QTest::currentDataTag())));
        const QString folder = QFileInfo(path).absolutePath();
        QDir().mkpath(folder);
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(150, 'x') + '\n');
        }
        if (readOnlyFolder) {
            QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        } else {
            QVERIFY(QDir().mkpath(path + QStringLiteral(".1/inside")));
        }
        const auto restore = qScopeGuard([folder] {
            veltrix::setLogSizeLimit(veltrix::defaultLogSizeLimit);
            QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        });
        if (readOnlyFolder && QFile(folder + QStringLiteral("/probe")).open(QIODevice::WriteOnly))
            QSKIP("permission bits do not bind this user (root); the folder row covers the failure");

        veltrix::setLogSizeLimit(100);
        for (int i = 0; i < 20; ++i)
            veltrix::log(QStringLiteral("kept%1").arg(i));
        veltrix::flushLog();
        const QStringList got = lines(readAll(path));
        // The old content, one note about the failed rotation, then every line.
        QCOMPARE(got.size(), 1 + 1 + 20);
        QCOMPARE(got.first(), QString(150, QLatin1Char('x')));
        QVERIFY2(got.at(1).contains(QStringLiteral(" 日志无法轮换，继续写入 ") + path + QStringLiteral(": ")), qPrintable(got.at(1)));
        for (int i = 0; i < 20; ++i)
            QVERIFY2(got.at(i + 2).endsWith(QStringLiteral(" kept%1").arg(i)), qPrintable(got.at(i + 2)));
    }

    void deviceAsLogKeepsItsMode()
    {
        // A pipe stands in for /dev/null: the log must not make it private (as root that
        // would lock every other user out of the device).
        const QString pipe = m_dir.filePath(QStringLiteral("pipe"));
        QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0666) == 0);
        QVERIFY(QFile::setPermissions(pipe, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                | QFileDevice::ReadOther | QFileDevice::WriteOther));
        const QFileDevice::Permissions before = QFileInfo(pipe).permissions();
        // Held open for reading, so the writer's open never blocks.
        const int reader = ::open(QFile::encodeName(pipe).constData(), O_RDWR | O_NONBLOCK);
        QVERIFY(reader >= 0);
        veltrix::setLogFilePath(pipe);
        veltrix::log(QStringLiteral("discarded"));
        veltrix::flushLog();
        QCOMPARE(QFileInfo(pipe).permissions(), before);
        char bytes[256];
        const ssize_t got = ::read(reader, bytes, sizeof bytes);
        ::close(reader);
        QVERIFY(got > 0 && QByteArray(bytes, got).endsWith("discarded\n"));
    }
};

QTEST_GUILESS_MAIN(TestLog)
#include "test_log.moc"
