#include "mcp_server/faketoolhost.h"
#include "support/testenv.h"
#include "log/log.h"
#include "mcp/mcpbridge.h"
#include "mcp/mcpserver.h"
#include "core/settings.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>

#include <QtTest>

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

struct BridgeRun {
    QByteArray out;
    QByteArray err;
    int launches = 0;
};

// Runs the bridge on its own thread over in-memory streams while this thread keeps serving.
BridgeRun runBridge(const QByteArray &input, MCPBridge::Options options, const std::function<void()> &onLaunch = {})
{
    BridgeRun result;
    std::atomic<int> launches{0};
    options.launch = [&] {
        ++launches;
        if (onLaunch)
            onLaunch();
    };
    char *outBuffer = nullptr;
    size_t outSize = 0;
    char *errBuffer = nullptr;
    size_t errSize = 0;
    QByteArray inputCopy = input;
    std::FILE *in = fmemopen(inputCopy.data(), inputCopy.size(), "r");
    std::FILE *out = open_memstream(&outBuffer, &outSize);
    std::FILE *err = open_memstream(&errBuffer, &errSize);
    std::atomic<bool> done{false};
    std::thread thread([&] {
        MCPBridge bridge(options);
        bridge.run(in, out, err);
        done = true;
    });
    (void)QTest::qWaitFor([&] { return done.load(); }, 60000);
    thread.join();
    std::fclose(in);
    std::fclose(out);
    std::fclose(err);
    result.out = QByteArray(outBuffer, outSize);
    result.err = QByteArray(errBuffer, errSize);
    std::free(outBuffer);
    std::free(errBuffer);
    result.launches = launches;
    return result;
}

} // namespace

class TestMCPBridge : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void forwardsRequestsSkipsBlankAndNotifications();
    void launchesOnceAndRetries();
    void sendsTokenFromSettings();
    void unreachableReplies_data();
    void unreachableReplies();
    void unreachableReportedOnceLaunchedWithoutWaiting();
    void namesRevisionAndRelaysNotifications();

private:
    TestEnv m_env;
    FakeToolHost m_host;
};

void TestMCPBridge::forwardsRequestsSkipsBlankAndNotifications()
{
    MCPServer server(&m_host);
    QVERIFY(server.start(0));
    MCPBridge::Options options;
    options.port = server.port();
    const QByteArray input = "\n \t \n{\"jsonrpc\":\"2.0\",\"method\":\"notifications/initialized\"}\n"
                             "{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"ping\"}\r\n"
                             "GET\n" // 400 with a body: passed through
                             "{\"jsonrpc\":\"2.0\",\"id\":\"x\",\"method\":\"tools/call\",\"params\":{\"name\":\"echo\",\"arguments\":{\"t\":\"中文\"}}}"; // no final newline
    const BridgeRun run = runBridge(input, options);
    QCOMPARE(run.launches, 0);
    QCOMPARE(run.err, QByteArray());
    const QList<QByteArray> lines = run.out.split('\n');
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.at(0), QByteArray(R"({"id":1,"jsonrpc":"2.0","result":{}})"));
    QCOMPARE(lines.at(1), QByteArray(R"({"error":{"code":-32700,"message":"Parse error"},"id":null,"jsonrpc":"2.0"})"));
    QVERIFY2(lines.at(2).contains(R"({\"t\":\"中文\"})"), lines.at(2).constData());
    QCOMPARE(lines.at(3), QByteArray());
}

void TestMCPBridge::launchesOnceAndRetries()
{
    MCPServer server(&m_host);
    QVERIFY(server.start(0));
    const quint16 port = server.port();
    server.stop();

    MCPBridge::Options options;
    options.port = port;
    options.launchInterval = std::chrono::milliseconds(20);
    // The "application" comes up a little after the launch.
    const BridgeRun run = runBridge("{\"id\":5,\"method\":\"ping\"}\n{\"id\":6,\"method\":\"ping\"}\n", options, [&] {
        QMetaObject::invokeMethod(&server, [&server, port] {
            QTimer::singleShot(100, &server, [&server, port] { server.start(port); });
        }, Qt::QueuedConnection);
    });
    QCOMPARE(run.launches, 1);
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.out, QByteArray("{\"id\":5,\"jsonrpc\":\"2.0\",\"result\":{}}\n{\"id\":6,\"jsonrpc\":\"2.0\",\"result\":{}}\n"));
}

void TestMCPBridge::sendsTokenFromSettings()
{
    MCPServer server(&m_host);
    QVERIFY(server.start(0));
    server.setAccessToken(QStringLiteral("tok-1"));
    const QString settingsFile = m_env.path(QStringLiteral("token.conf"));
    Settings settings(settingsFile);
    settings.setMcpPort(server.port());
    settings.setMcpToken(QStringLiteral("tok-1"));

    const QByteArray ping = "{\"id\":1,\"method\":\"ping\"}\n";
    MCPBridge::Options options = MCPBridge::optionsFromSettings(settingsFile);
    QCOMPARE(options.port, server.port());
    BridgeRun run = runBridge(ping, options);
    QCOMPARE(run.out, QByteArray("{\"id\":1,\"jsonrpc\":\"2.0\",\"result\":{}}\n"));

    // A wrong token: the endpoint's refusal reaches the client as it is.
    settings.setMcpToken(QStringLiteral("tok-2"));
    run = runBridge(ping, options);
    QCOMPARE(QJsonDocument::fromJson(run.out).object().value(QStringLiteral("error")).toObject()
                 .value(QStringLiteral("code")).toInt(), -32001);
    QCOMPARE(run.launches, 0);
}

void TestMCPBridge::unreachableReplies_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("reply"); // empty: nothing on standard output
    const QByteArray tail = ",\"error\":{\"code\":-32000,\"message\":\"Veltrix app is not running or MCP is disabled\"}}";
    QTest::newRow("number id") << QByteArray(R"({"jsonrpc":"2.0","id":42,"method":"ping"})") << "{\"jsonrpc\":\"2.0\",\"id\":42" + tail;
    QTest::newRow("string id") << QByteArray(R"({"id":"req-1","method":"ping"})") << "{\"jsonrpc\":\"2.0\",\"id\":\"req-1\"" + tail;
    QTest::newRow("null id") << QByteArray(R"({"id":null,"method":"ping"})") << "{\"jsonrpc\":\"2.0\",\"id\":null" + tail;
    QTest::newRow("fraction id") << QByteArray(R"({"id":1.5})") << "{\"jsonrpc\":\"2.0\",\"id\":1.5" + tail;
    QTest::newRow("notification") << QByteArray(R"({"method":"notifications/initialized"})") << QByteArray();
    QTest::newRow("batch") << QByteArray(R"([{"id":1,"method":"ping"}])") << QByteArray();
    QTest::newRow("not json") << QByteArray("hello") << QByteArray();
}

void TestMCPBridge::unreachableReplies()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, reply);
    QCOMPARE(MCPBridge::unreachableReply(line), reply);
}

void TestMCPBridge::unreachableReportedOnceLaunchedWithoutWaiting()
{
    // An endpoint that hangs up on every connection is as good as none, and counts the tries.
    QTcpServer hangsUp;
    QVERIFY(hangsUp.listen(QHostAddress::LocalHost, 0));
    int connections = 0;
    QObject::connect(&hangsUp, &QTcpServer::newConnection, &hangsUp, [&] {
        while (QTcpSocket *socket = hangsUp.nextPendingConnection()) {
            ++connections;
            socket->close();
            socket->deleteLater();
        }
    });
    MCPBridge::Options options;
    options.port = hangsUp.serverPort();
    options.launchAttempts = 5;
    options.launchInterval = std::chrono::milliseconds(20);
    const BridgeRun run = runBridge("{\"id\":\"a\",\"method\":\"ping\"}\n{\"method\":\"x\"}\n{\"id\":2,\"method\":\"ping\"}\n", options);
    // Only the first line waits for the launch (1 + 5 tries); the later ones fail at once.
    QCOMPARE(connections, 6 + 1 + 1);
    QCOMPARE(run.launches, 1);
    const QByteArray errLine = "veltrix: app not reachable at http://127.0.0.1:" + QByteArray::number(options.port) + "/mcp\n";
    QCOMPARE(run.err, errLine + errLine + errLine);
    const QList<QByteArray> lines = run.out.split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines.at(0).startsWith("{\"jsonrpc\":\"2.0\",\"id\":\"a\",\"error\""));
    QVERIFY(lines.at(1).startsWith("{\"jsonrpc\":\"2.0\",\"id\":2,\"error\""));
}

// A client on pipes: after initialize the bridge names the negotiated revision in every post
// (seen here because that revision refuses batches), and the endpoint's notification that the
// tool list changed reaches the client between replies.
void TestMCPBridge::namesRevisionAndRelaysNotifications()
{
    MCPServer server(&m_host);
    QVERIFY(server.start(0));
    int in[2];
    int out[2];
    QVERIFY(::pipe2(in, O_CLOEXEC) == 0);
    QVERIFY(::pipe2(out, O_CLOEXEC) == 0);
    ::fcntl(out[0], F_SETFL, O_NONBLOCK);
    std::FILE *inFile = ::fdopen(in[0], "r");
    std::FILE *outFile = ::fdopen(out[1], "w");
    std::FILE *errFile = std::tmpfile();
    MCPBridge::Options options;
    options.port = server.port();
    options.launch = [] {};
    std::atomic<bool> done{false};
    std::thread thread([&] {
        MCPBridge bridge(options);
        bridge.run(inFile, outFile, errFile);
        done = true;
    });
    QByteArray received;
    auto nextLine = [&]() -> QByteArray {
        (void)QTest::qWaitFor([&] {
            char chunk[4096];
            const ssize_t n = ::read(out[0], chunk, sizeof chunk);
            if (n > 0)
                received.append(chunk, n);
            return received.contains('\n');
        }, 10000);
        const qsizetype end = received.indexOf('\n');
        if (end < 0)
            return QByteArray();
        const QByteArray line = received.left(end);
        received.remove(0, end + 1);
        return line;
    };
    auto send = [&](const QByteArray &line) { return ::write(in[1], line.constData(), line.size()) == line.size(); };

    QVERIFY(send(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"protocolVersion":"2025-11-25"}})" "\n"));
    QVERIFY(nextLine().contains(R"("protocolVersion":"2025-11-25")"));
    QVERIFY(send(R"([{"jsonrpc":"2.0","id":2,"method":"ping"}])" "\n"));
    QCOMPARE(nextLine(), QByteArray(R"({"error":{"code":-32600,"message":"Invalid Request"},"id":null,"jsonrpc":"2.0"})"));

    QTRY_COMPARE(server.eventStreamCount(), 1);
    server.setScreenshotsAllowed(true);
    QCOMPARE(nextLine(), QByteArray(R"({"jsonrpc":"2.0","method":"notifications/tools/list_changed"})"));
    QVERIFY(send(R"({"jsonrpc":"2.0","id":3,"method":"ping"})" "\n"));
    QCOMPARE(nextLine(), QByteArray(R"({"id":3,"jsonrpc":"2.0","result":{}})"));

    ::close(in[1]);
    QVERIFY(QTest::qWaitFor([&] { return done.load(); }, 10000));
    thread.join();
    // The bridge closed its stream on the way out.
    QTRY_COMPARE(server.eventStreamCount(), 0);
    std::fclose(inFile);
    std::fclose(outFile);
    std::fclose(errFile);
    ::close(out[0]);
}

QTEST_GUILESS_MAIN(TestMCPBridge)
#include "test_mcp_bridge.moc"
