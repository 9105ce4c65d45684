#include "protocol/protocoltestsupport.h"

#include "protocol/pointerclient.h"
#include "protocol/ssapclient.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

using namespace testsupport;
using namespace std::chrono_literals;

namespace {

QUrl wss(const QString &address, const QString &path = QStringLiteral("/pointer"))
{
    return QUrl(QStringLiteral("wss://") + address + QStringLiteral(":3001") + path);
}

QUrl https(const QString &address)
{
    return QUrl(QStringLiteral("https://") + address + QStringLiteral(":3001/resources/shot.jpg"));
}

} // namespace

class TestTransfer : public QObject {
    Q_OBJECT

    // The second half of the range; test_ssapclient uses the first.
    QString address() { return nextAddress(128); }

private Q_SLOTS:
    void frames_data()
    {
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QString>("expected");
        QTest::newRow("button") << PointerClient::buttonFrame(QStringLiteral("ENTER"))
                                << QStringLiteral("type:button\nname:ENTER\n\n");
        QTest::newRow("button, spaces and non-ASCII")
            << PointerClient::buttonFrame(QStringLiteral("音量 加"))
            << QStringLiteral("type:button\nname:音量 加\n\n");
        QTest::newRow("move") << PointerClient::moveFrame(5, -3)
                              << QStringLiteral("type:move\ndx:5\ndy:-3\ndown:0\n\n");
        QTest::newRow("zero move") << PointerClient::moveFrame(0, 0)
                                   << QStringLiteral("type:move\ndx:0\ndy:0\ndown:0\n\n");
        QTest::newRow("scroll") << PointerClient::scrollFrame(-1, 12)
                                << QStringLiteral("type:scroll\ndx:-1\ndy:12\n\n");
        QTest::newRow("click") << PointerClient::clickFrame() << QStringLiteral("type:click\n\n");
    }

    void frames()
    {
        QFETCH(QString, frame);
        QFETCH(QString, expected);
        QCOMPARE(frame.toUtf8(), expected.toUtf8());
    }

    // Frames sent before the socket is up are kept and go out in order; what the TV sends is
    // drained; the TV closing the socket turns isOpen false once.
    void pointerLifecycle()
    {
        ScriptedTV tv(address());
        SSAPClient client(kTvAFingerprint);
        auto *pointer = new PointerClient(client.createPinnedWebSocket(), wss(tv.address()));
        QSignalSpy openChanged(pointer, &PointerClient::isOpenChanged);
        pointer->button(QStringLiteral("音量 加"));
        pointer->move(0, 0);
        pointer->click();
        QCOMPARE(tv.nextText(), QStringLiteral("type:button\nname:音量 加\n\n"));
        QCOMPARE(tv.nextText(), QStringLiteral("type:move\ndx:0\ndy:0\ndown:0\n\n"));
        QCOMPARE(tv.nextText(), QStringLiteral("type:click\n\n"));
        tv.sendText(QStringLiteral("{\"type\":\"hello\"}"));
        tv.peer()->sendBinaryMessage(QByteArray(1000, 'x'));
        pointer->scroll(0, -2);
        QCOMPARE(tv.nextText(), QStringLiteral("type:scroll\ndx:0\ndy:-2\n\n"));
        QVERIFY(pointer->isOpen());

        tv.peer()->close();
        QTRY_VERIFY(!pointer->isOpen());
        QCOMPARE(openChanged.size(), 1);
        pointer->click();  // lost, silently
        pointer->close();
        pointer->close();
        QCOMPARE(openChanged.size(), 1);
        delete pointer;
    }

    void pointerClosedByOwner()
    {
        ScriptedTV tv(address());
        SSAPClient client;
        PointerClient pointer(client.createPinnedWebSocket(), wss(tv.address()));
        pointer.click();
        QCOMPARE(tv.nextText(), PointerClient::clickFrame());
        pointer.close();
        QVERIFY(!pointer.isOpen());
        QTRY_VERIFY(tv.peerGone());
        QCOMPARE(tv.closeCode(), 1001);
        pointer.close();
    }

    // The pointer socket passes the control socket's certificate check.
    void pointerRefusedByPin()
    {
        ScriptedTV tv(address(), QStringLiteral("tv-b"));
        SSAPClient client(kTvAFingerprint);
        PointerClient pointer(client.createPinnedWebSocket(), wss(tv.address()));
        pointer.button(QStringLiteral("HOME"));
        QTRY_VERIFY(!pointer.isOpen());
        QCOMPARE(tv.connections(), 0);
        QCOMPARE(client.tls()->observedFingerprint(), std::optional<QString>(kTvBFingerprint));
    }

    // Closing the control client ends the sockets it handed out.
    void controlCloseEndsPointer()
    {
        ScriptedTV tv(address());
        SSAPClient client;
        auto hello = run(client.connect(tv.address()));
        tv.answerHello();
        QTRY_VERIFY(hello->done && hello->value);
        PointerClient pointer(client.createPinnedWebSocket(), wss(tv.address()));
        pointer.click();
        QTRY_COMPARE(tv.connections(), 2);
        client.close();
        QTRY_VERIFY(!pointer.isOpen());
    }

    void download_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<qint64>("bodySize");
        QTest::addColumn<bool>("closeAfter");
        QTest::addColumn<int>("expectedSize");       // -1: failure expected
        QTest::addColumn<int>("expectedKind");       // DownloadError::Kind when failing
        QTest::addColumn<int>("expectedStatus");

        const qint64 limit = 4194304;
        const int tooLarge = int(DownloadError::Kind::tooLarge);
        const int status = int(DownloadError::Kind::httpStatus);
        QTest::newRow("exactly the limit, streamed")
            << QByteArray("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n") << limit << true
            << int(limit) << 0 << 0;
        QTest::newRow("one byte over, streamed")
            << QByteArray("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n") << limit + 1 << true
            << -1 << tooLarge << 0;
        QTest::newRow("exactly the limit, announced")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 4194304\r\n\r\n") << limit << false
            << int(limit) << 0 << 0;
        // Only the head arrives: the refusal must not wait for a body.
        QTest::newRow("announced 5000000")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 5000000\r\n\r\n") << qint64(0)
            << false << -1 << tooLarge << 0;
        QTest::newRow("not found")
            << QByteArray("HTTP/1.1 404 Not Found\r\nContent-Length: 3\r\n\r\n") << qint64(3)
            << false << -1 << status << 404;
        QTest::newRow("redirect not followed")
            << QByteArray("HTTP/1.1 302 Found\r\nLocation: https://example.com/\r\nContent-Length: 0\r\n\r\n")
            << qint64(0) << false << -1 << status << 302;
    }

    void download()
    {
        QFETCH(QByteArray, head);
        QFETCH(qint64, bodySize);
        QFETCH(bool, closeAfter);
        QFETCH(int, expectedSize);
        QFETCH(int, expectedKind);
        QFETCH(int, expectedStatus);

        RawTLSServer server(address());
        server.onRequest = [head, bodySize, closeAfter](QSslSocket *socket) {
            socket->write(head);
            socket->write(QByteArray(bodySize, 'j'));
            if (closeAfter)
                socket->disconnectFromHost();
        };
        SSAPClient client;
        QElapsedTimer clock;
        clock.start();
        // A time-out far beyond any delay of a busy machine, so a refusal that waited for it
        // is told apart from one that did not.
        auto out = run(client.download(https(server.address()), 4194304, 60000ms));
        QTRY_VERIFY_WITH_TIMEOUT(out->done, 70000);
        if (expectedSize >= 0) {
            QVERIFY2(out->value.has_value(),
                     out->downloadError ? qPrintable(out->downloadError->description()) : "");
            QCOMPARE(out->value->size(), expectedSize);
        } else {
            QVERIFY(out->downloadError.has_value());
            QCOMPARE(int(out->downloadError->kind()), expectedKind);
            QCOMPARE(out->downloadError->status(), expectedStatus);
            QVERIFY2(clock.elapsed() < 30000, "a refusal waited for the time-out");
        }
        QVERIFY(server.bytes().startsWith("GET /resources/shot.jpg HTTP/1.1\r\n"));
        QVERIFY(server.bytes().toLower().contains("cache-control: no-cache\r\n"));
        QCOMPARE(client.tls()->observedFingerprint(), std::optional<QString>(kTvAFingerprint));
    }

    void downloadFailures()
    {
        // A silent server: the time-out, never before its time. Several transfers started at
        // different moments, because a coarse timer ends only some of them early.
        {
            RawTLSServer silent(address());
            SSAPClient client;
            QList<QPair<std::chrono::steady_clock::time_point, std::shared_ptr<Outcome<QByteArray>>>> transfers;
            for (int i = 0; i < 5; ++i) {
                const auto start = std::chrono::steady_clock::now();
                transfers.append({start, run(client.download(https(silent.address()), 100, 300ms))});
                QTest::qWait(37);
            }
            for (const auto &[start, out] : transfers) {
                QTRY_VERIFY(out->done);
                QCOMPARE(out->downloadError, DownloadError::timeout());
                QVERIFY(out->finished - start >= 300ms);
            }
        }
        // A certificate other than the pinned one: refused before any request is written.
        {
            RawTLSServer other(address(), QStringLiteral("tv-b"));
            SSAPClient client(kTvAFingerprint);
            auto out = run(client.download(https(other.address()), 100, 3000ms));
            QTRY_VERIFY(out->done);
            QVERIFY(out->downloadError.has_value());
            QCOMPARE(out->downloadError->kind(), DownloadError::Kind::transport);
            QCOMPARE(out->downloadError->text(), QStringLiteral("TLS 证书指纹不匹配，拒绝连接"));
            QVERIFY(other.bytes().isEmpty());
        }
        // The client goes away mid-transfer: the caller is told, not left hanging.
        {
            RawTLSServer slow(address());
            auto *client = new SSAPClient;
            auto out = run(client->download(https(slow.address()), 100, 5000ms));
            QTRY_VERIFY(slow.requests() == 1);
            delete client;
            QTRY_VERIFY(out->done);
            QCOMPARE(out->downloadError, DownloadError::cancelled());
        }
    }
};

QTEST_GUILESS_MAIN(TestTransfer)
#include "test_transfer.moc"
