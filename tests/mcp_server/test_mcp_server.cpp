#include "mcp_server/faketoolhost.h"
#include "support/testenv.h"
#include "mcp/httprequest.h"
#include "mcp/httpresponse.h"
#include "mcp/httpresponsereader.h"
#include "log/log.h"
#include "mcp/mcpconnection.h"
#include "mcp/mcpserver.h"
#include "mcp/mcpsettings.h"
#include "core/settings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>

#include <QCoro/QCoroTask>

#include <memory>

namespace {

QJsonObject object(const char *json)
{
    return QJsonDocument::fromJson(QByteArray(json)).object();
}

// A raw client connection that keeps everything the server sends and notes the close.
struct Peer {
    std::unique_ptr<QTcpSocket> socket = std::make_unique<QTcpSocket>();
    QByteArray received;
    bool closed = false;
    const quint16 port;

    explicit Peer(quint16 serverPort)
        : port(serverPort)
    {
        QObject::connect(socket.get(), &QTcpSocket::readyRead, [this] { received += socket->readAll(); });
        QObject::connect(socket.get(), &QTcpSocket::disconnected, [this] {
            received += socket->readAll();
            closed = true;
        });
        socket->connectToHost(QHostAddress::LocalHost, port);
        (void)QTest::qWaitFor([this] { return connected(); }, 5000);
    }

    bool connected() const { return socket->state() == QAbstractSocket::ConnectedState; }

    // "{port}" in a request stands for the server's port, which the data rows cannot know yet.
    void send(QByteArray bytes)
    {
        socket->write(bytes.replace("{port}", QByteArray::number(port)));
        socket->flush();
    }
};

struct Exchange {
    QByteArray reply;
    bool closed = false;
};

// Writes the pieces with pauses between them and collects everything until the server closes
// (or the wait ends).
Exchange exchange(quint16 port, const QList<QByteArray> &pieces, int pauseMs = 0, int waitMs = 10000)
{
    Peer peer(port);
    if (!peer.connected())
        return {};
    for (const QByteArray &piece : pieces) {
        peer.send(piece);
        if (pauseMs > 0)
            QTest::qWait(pauseMs);
    }
    (void)QTest::qWaitFor([&] { return peer.closed; }, waitMs);
    return {peer.received, peer.closed};
}

struct ParsedReply {
    QByteArray statusLine;
    QByteArray head;
    QByteArray body;
};

ParsedReply parseReply(const QByteArray &bytes)
{
    const qsizetype end = bytes.indexOf("\r\n\r\n");
    if (end < 0)
        return {};
    const QByteArray head = bytes.left(end + 4);
    return {head.left(head.indexOf("\r\n")), head, bytes.mid(end + 4)};
}

const QByteArray kHost = "Host: 127.0.0.1:{port}\r\n";

QByteArray post(const QByteArray &body, const QByteArray &path = "/mcp", const QByteArray &extra = {},
                const QByteArray &host = kHost)
{
    return "POST " + path + " HTTP/1.1\r\n" + host + extra + "Content-Length: "
        + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

// A host whose catalogue holds the screenshot tool, answering it with a picture and its
// data tool with structured content.
class PictureHost : public FakeToolHost {
public:
    QJsonArray definitions() const override
    {
        QJsonArray tools = FakeToolHost::definitions();
        tools.append(QJsonObject{{QStringLiteral("name"), MCPTools::screenshotTool}});
        return tools;
    }

    QCoro::Task<MCPToolResult> callTool(const QString &name, const QJsonObject &arguments) override
    {
        if (name == MCPTools::screenshotTool) {
            const QJsonObject image{{QStringLiteral("type"), QStringLiteral("image")},
                                    {QStringLiteral("mimeType"), QStringLiteral("image/jpeg")},
                                    {QStringLiteral("data"), QStringLiteral("/9j/")}};
            co_return MCPToolResult{QJsonArray{image, MCPToolResult::textItem(QStringLiteral("160x90"))}, std::nullopt};
        }
        if (name == QLatin1String("data"))
            co_return MCPToolResult{QJsonArray{MCPToolResult::textItem(QStringLiteral("[1]"))},
                                    QJsonObject{{QStringLiteral("list"), QJsonArray{1}}}};
        co_return co_await FakeToolHost::callTool(name, arguments);
    }
};

// An open GET event stream: the head, then every event the server sends.
struct EventStream : Peer {
    explicit EventStream(quint16 port, const QByteArray &extra = {})
        : Peer(port)
    {
        send("GET /mcp HTTP/1.1\r\n" + kHost + "Accept: text/event-stream\r\n" + extra + "\r\n");
    }
};

template <typename T>
T await(QCoro::Task<T> task)
{
    return QCoro::waitFor(std::move(task));
}

} // namespace

class TestMCPServer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void parseRequest_data();
    void parseRequest();
    void requestReaderLimit_data();
    void requestReaderLimit();
    void responseReader_data();
    void responseReader();
    void responseReaderLimit();
    void localOrigin_data();
    void localOrigin();

    void dispatch_data();
    void dispatch();
    void toolCall_data();
    void toolCall();
    void toolCallIsLogged();
    void instructionsNameNoOtherPlatform();

    void http_data();
    void http();
    void requestSplitAcrossSegments();
    void bytesAfterRequestIgnored();
    void oversizedRequestClosedWithoutReply();
    void idleConnectionDroppedOthersServed();
    void slowToolDoesNotBlockOtherConnections();
    void serverDestroyedDuringToolCall();

    void accessToken_data();
    void accessToken();
    void accessTokenFromSettings();

    void portRule_data();
    void portRule();
    void portInUseReportsFailure();
    void stopAndRestart();

    void screenshotToolOnlyWhileAllowed();
    void structuredContentBesideText();
    void eventStreamAnnouncesToolChanges();
    void eventStreamRefusals();

private:
    TestEnv m_env;
    const QString m_settingsPath = m_env.settingsFile();
    FakeToolHost m_host;
    std::unique_ptr<MCPServer> m_server;
};

void TestMCPServer::init()
{
    QFile::remove(m_settingsPath);
    m_server = std::make_unique<MCPServer>(&m_host);
    m_server->setSettingsFile(m_settingsPath);
    QVERIFY(m_server->start(0));
    QVERIFY(m_server->isRunning());
    QVERIFY(m_server->port() != 0);
}

void TestMCPServer::cleanup()
{
    m_server.reset();
}

void TestMCPServer::parseRequest_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("no terminator") << QByteArray("POST /mcp HTTP/1.1\r\nContent-Length: 2\r\n") << false << QString() << QString() << QByteArray();
    QTest::newRow("body short") << QByteArray("POST /mcp HTTP/1.1\r\nContent-Length: 5\r\n\r\n{}") << false << QString() << QString() << QByteArray();
    QTest::newRow("exact body") << QByteArray("POST /mcp HTTP/1.1\r\nContent-Length: 2\r\n\r\n{}") << true << QStringLiteral("POST") << QStringLiteral("/mcp") << QByteArray("{}");
    QTest::newRow("extra bytes cut") << QByteArray("POST /mcp HTTP/1.1\r\nContent-Length: 2\r\n\r\n{}GARBAGE") << true << QStringLiteral("POST") << QStringLiteral("/mcp") << QByteArray("{}");
    QTest::newRow("length any case") << QByteArray("POST /mcp HTTP/1.1\r\ncOnTeNt-LeNgTh:\t 3 \t\r\n\r\nabcd") << true << QStringLiteral("POST") << QStringLiteral("/mcp") << QByteArray("abc");
    QTest::newRow("no length, empty body") << QByteArray("POST /mcp HTTP/1.1\r\n\r\n{\"a\":1}") << true << QStringLiteral("POST") << QStringLiteral("/mcp") << QByteArray();
    QTest::newRow("malformed length") << QByteArray("POST /mcp HTTP/1.1\r\nContent-Length: 2x\r\n\r\n{}") << true << QStringLiteral("POST") << QStringLiteral("/mcp") << QByteArray();
    QTest::newRow("negative length") << QByteArray("POST /mcp HTTP/1.1\r\nContent-Length: -10\r\n\r\n{}") << true << QStringLiteral("POST") << QStringLiteral("/mcp") << QByteArray();
    QTest::newRow("later header wins") << QByteArray("POST /mcp HTTP/1.1\r\nContent-Length: 1\r\ncontent-length: 2\r\n\r\n{}") << true << QStringLiteral("POST") << QStringLiteral("/mcp") << QByteArray("{}");
    QTest::newRow("method case kept, query kept") << QByteArray("post   /mcp?x=1\r\n\r\n") << true << QStringLiteral("post") << QStringLiteral("/mcp?x=1") << QByteArray();
    QTest::newRow("one token never completes") << QByteArray("POST\r\nContent-Length: 0\r\n\r\n") << false << QString() << QString() << QByteArray();
    QTest::newRow("invalid utf8 head") << QByteArray("POST /m\xff\xfe HTTP/1.1\r\n\r\n") << true << QStringLiteral("POST") << QStringLiteral("/m\uFFFD\uFFFD") << QByteArray();
}

void TestMCPServer::parseRequest()
{
    QFETCH(QByteArray, buffer);
    QFETCH(bool, complete);
    // Whole, and one byte per read: framing must not depend on how the bytes arrive.
    HTTPRequestReader whole;
    HTTPRequestReader bytewise;
    QCOMPARE(whole.feed(buffer) == HTTPRequestReader::Status::complete, complete);
    for (qsizetype i = 0; i < buffer.size(); ++i)
        bytewise.feed(QByteArrayView(buffer).sliced(i, 1));
    QCOMPARE(bytewise.status(), whole.status());
    if (!complete)
        return;
    for (const HTTPRequestReader *reader : {&whole, &bytewise}) {
        QTEST(reader->request().method, "method");
        QTEST(reader->request().path, "path");
        QTEST(reader->request().body, "body");
    }
}

void TestMCPServer::requestReaderLimit_data()
{
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<int>("status");
    QTest::addColumn<qsizetype>("bodySize");
    using S = HTTPRequestReader::Status;
    const qsizetype limit = HTTPRequestReader::bufferLimit;
    const QByteArray head = "POST /mcp HTTP/1.1\r\nContent-Length: ";
    const auto request = [&](qsizetype length) -> QByteArray {
        return head + QByteArray::number(length) + "\r\n\r\n";
    };
    QTest::newRow("header block past the limit")
        << QList<QByteArray>{"POST /mcp HTTP/1.1\r\nX: " + QByteArray(limit, 'x')} << int(S::error) << qsizetype(0);
    QTest::newRow("declared body past the limit")
        << QList<QByteArray>{request(limit * 2), QByteArray(limit, 'x')} << int(S::error) << qsizetype(0);
    // The read that passes the limit also completes the request: it is served.
    QTest::newRow("completed by the read that passes the limit")
        << QList<QByteArray>{request(limit), QByteArray(limit - 100, 'x'), QByteArray(1024, 'y')} << int(S::complete) << limit;
    QTest::newRow("bytes after an error are ignored")
        << QList<QByteArray>{"GET\r\n" + QByteArray(limit, ' '), "\r\n\r\n"} << int(S::error) << qsizetype(0);
}

void TestMCPServer::requestReaderLimit()
{
    QFETCH(QList<QByteArray>, reads);
    QFETCH(int, status);
    HTTPRequestReader reader;
    for (const QByteArray &bytes : reads)
        reader.feed(bytes);
    QCOMPARE(int(reader.status()), status);
    if (reader.status() == HTTPRequestReader::Status::complete)
        QTEST(reader.request().body.size(), "bodySize");
}

void TestMCPServer::responseReader_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("closed");  // the peer closes after the bytes
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    using S = HTTPResponseReader::Status;
    QTest::newRow("length") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n{}") << false << int(S::complete) << QByteArray("{}");
    QTest::newRow("extra bytes cut") << QByteArray("HTTP/1.1 200 OK\r\ncontent-length:2\r\n\r\n{}{}") << false << int(S::complete) << QByteArray("{}");
    QTest::newRow("later length wins") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 9\r\nContent-Length: 1\r\n\r\nab") << false << int(S::complete) << QByteArray("a");
    QTest::newRow("empty body") << QByteArray("HTTP/1.1 202 Accepted\r\nContent-Length: 0\r\n\r\n") << false << int(S::complete) << QByteArray();
    QTest::newRow("no length: until close") << QByteArray("HTTP/1.0 200 OK\r\n\r\nabc") << true << int(S::complete) << QByteArray("abc");
    QTest::newRow("no length, still open") << QByteArray("HTTP/1.0 200 OK\r\n\r\nabc") << false << int(S::needMore) << QByteArray();
    QTest::newRow("malformed length: until close") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\nab") << true << int(S::complete) << QByteArray("ab");
    QTest::newRow("cut short") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nab") << true << int(S::error) << QByteArray();
    QTest::newRow("head cut short") << QByteArray("HTTP/1.1 200 OK\r\nContent-") << true << int(S::error) << QByteArray();
    QTest::newRow("not http") << QByteArray("SSH-2.0-OpenSSH\r\n\r\n") << false << int(S::error) << QByteArray();
    QTest::newRow("nothing") << QByteArray() << true << int(S::error) << QByteArray();
}

void TestMCPServer::responseReader()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, closed);
    HTTPResponseReader whole;
    HTTPResponseReader bytewise;
    whole.feed(bytes);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytewise.feed(QByteArrayView(bytes).sliced(i, 1));
    if (closed) {
        whole.finish();
        bytewise.finish();
    }
    for (const HTTPResponseReader *reader : {&whole, &bytewise}) {
        QTEST(int(reader->status()), "status");
        QTEST(reader->body(), "body");
    }
}

void TestMCPServer::responseReaderLimit()
{
    // A peer that never stops sending is cut off at the limit, not buffered without end.
    HTTPResponseReader reader;
    reader.feed("HTTP/1.1 200 OK\r\n\r\n");
    const QByteArray chunk(1024 * 1024, 'x');
    qsizetype fed = 0;
    while (reader.feed(chunk) == HTTPResponseReader::Status::needMore)
        fed += chunk.size();
    QCOMPARE(reader.status(), HTTPResponseReader::Status::error);
    QVERIFY(fed <= HTTPResponseReader::sizeLimit);
}

void TestMCPServer::localOrigin_data()
{
    QTest::addColumn<QString>("origin");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("localhost") << QStringLiteral("http://localhost") << true;
    QTest::newRow("localhost port") << QStringLiteral("http://localhost:6274") << true;
    QTest::newRow("loopback port") << QStringLiteral("http://127.0.0.1:8765") << true;
    QTest::newRow("lookalike host") << QStringLiteral("http://localhost.evil.example") << false;
    QTest::newRow("lookalike loopback") << QStringLiteral("http://127.0.0.1.evil.example") << false;
    QTest::newRow("userinfo trick") << QStringLiteral("http://localhost@evil.example") << false;
    QTest::newRow("port then host") << QStringLiteral("http://localhost:80.evil.example") << false;
    QTest::newRow("empty port") << QStringLiteral("http://localhost:") << false;
    QTest::newRow("port too big") << QStringLiteral("http://localhost:65536") << false;
    QTest::newRow("with path") << QStringLiteral("http://localhost/") << false;
    QTest::newRow("https") << QStringLiteral("https://localhost") << false;
    QTest::newRow("other host") << QStringLiteral("http://example.com") << false;
    QTest::newRow("null") << QStringLiteral("null") << false;
    QTest::newRow("empty") << QString() << false;
}

void TestMCPServer::localOrigin()
{
    QFETCH(QString, origin);
    QTEST(HTTPRequest::isLocalOrigin(origin), "allowed");
}

void TestMCPServer::dispatch_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QByteArray>("reply"); // empty: no reply

    const QByteArray instructions = QJsonDocument(QJsonArray{MCPServer::instructions()}).toJson(QJsonDocument::Compact);
    const QByteArray initResult = "\"capabilities\":{\"tools\":{\"listChanged\":true}},\"serverInfo\":{\"name\":\"veltrix\",\"title\":\"Veltrix (LG webOS TV)\",\"version\":\"1.0\"},\"instructions\":"
        + instructions.mid(1, instructions.size() - 2);

    QTest::newRow("initialized notification") << QByteArray(R"({"jsonrpc":"2.0","method":"notifications/initialized"})") << QByteArray();
    QTest::newRow("empty object") << QByteArray("{}") << QByteArray();
    QTest::newRow("notification of unknown method") << QByteArray(R"({"method":"nope"})") << QByteArray();
    QTest::newRow("id without method") << QByteArray(R"({"id":1})") << QByteArray();
    QTest::newRow("method not a string") << QByteArray(R"({"id":1,"method":5})") << QByteArray();
    QTest::newRow("ping without jsonrpc") << QByteArray(R"({"id":7,"method":"ping"})") << QByteArray(R"({"jsonrpc":"2.0","id":7,"result":{}})");
    QTest::newRow("string id") << QByteArray(R"({"id":"a-1","method":"ping"})") << QByteArray(R"({"jsonrpc":"2.0","id":"a-1","result":{}})");
    QTest::newRow("null id is a request") << QByteArray(R"({"id":null,"method":"ping"})") << QByteArray(R"({"jsonrpc":"2.0","id":null,"result":{}})");
    // A listed revision is answered as asked; any other, or none, gets the default.
    const QList<QPair<QByteArray, QByteArray>> initialize = {
        {R"("2025-03-26")", "2025-03-26"}, {R"("2025-11-25")", "2025-11-25"}, {R"("2024-11-05")", "2024-11-05"},
        {R"("2099-01-01")", "2025-06-18"}, {"20250326", "2025-06-18"}, {"null", "2025-06-18"}};
    for (const auto &[requested, answered] : initialize) {
        QTest::addRow("initialize %s", requested.constData())
            << R"({"id":1,"method":"initialize","params":{"protocolVersion":)" + requested + "}}"
            << "{\"jsonrpc\":\"2.0\",\"id\":1,\"result\":{\"protocolVersion\":\"" + answered + "\"," + initResult + "}}";
    }
    QTest::newRow("tools/list ignores cursor")
        << QByteArray(R"({"id":4,"method":"tools/list","params":{"cursor":"x"}})")
        << QByteArray(R"({"jsonrpc":"2.0","id":4,"result":{"tools":[{"name":"echo"},{"name":"slow"}]}})");
    QTest::newRow("method case-sensitive")
        << QByteArray(R"({"id":5,"method":"Ping"})")
        << QByteArray(R"({"jsonrpc":"2.0","id":5,"error":{"code":-32601,"message":"Method not found: Ping"}})");
}

void TestMCPServer::dispatch()
{
    QFETCH(QByteArray, message);
    QFETCH(QByteArray, reply);
    const std::optional<QJsonObject> got = await(m_server->handleMessage(QJsonDocument::fromJson(message).object()));
    if (reply.isEmpty()) {
        QVERIFY2(!got, got ? QJsonDocument(*got).toJson().constData() : "");
        return;
    }
    QVERIFY(got);
    QCOMPARE(*got, QJsonDocument::fromJson(reply).object());
}

void TestMCPServer::toolCall_data()
{
    QTest::addColumn<QByteArray>("params");
    QTest::addColumn<QByteArray>("expected"); // the whole reply minus jsonrpc/id

    QTest::newRow("text result") << QByteArray(R"({"name":"echo","arguments":{"level":5}})")
                                 << QByteArray(R"({"result":{"content":[{"type":"text","text":"{\"level\":5}"}],"isError":false}})");
    QTest::newRow("arguments not an object") << QByteArray(R"({"name":"echo","arguments":[1,2]})")
                                             << QByteArray(R"({"result":{"content":[{"type":"text","text":"{}"}],"isError":false}})");
    QTest::newRow("invalid failure") << QByteArray(R"({"name":"invalid"})")
                                     << QByteArray(R"({"result":{"content":[{"type":"text","text":"Missing argument: level"}],"isError":true}})");
    QTest::newRow("other failure utf8") << QByteArray(R"({"name":"boom"})")
                                        << QByteArray(R"({"result":{"content":[{"type":"text","text":"电视响应超时"}],"isError":true}})");
    QTest::newRow("unknown tool") << QByteArray(R"({"name":"tv_fly"})")
                                  << QByteArray(R"({"error":{"code":-32602,"message":"Unknown tool: tv_fly"}})");
    QTest::newRow("empty params") << QByteArray("{}")
                                  << QByteArray(R"({"error":{"code":-32602,"message":"Missing tool name"}})");
    QTest::newRow("name not a string") << QByteArray(R"({"name":3})")
                                       << QByteArray(R"({"error":{"code":-32602,"message":"Missing tool name"}})");
}

void TestMCPServer::toolCall()
{
    QFETCH(QByteArray, params);
    QFETCH(QByteArray, expected);
    QJsonObject message{{QStringLiteral("id"), 11}, {QStringLiteral("method"), QStringLiteral("tools/call")},
                        {QStringLiteral("params"), QJsonDocument::fromJson(params).object()}};
    const std::optional<QJsonObject> got = await(m_server->handleMessage(message));
    QVERIFY(got);
    QJsonObject want = QJsonDocument::fromJson(expected).object();
    want.insert(QStringLiteral("jsonrpc"), QStringLiteral("2.0"));
    want.insert(QStringLiteral("id"), 11);
    QCOMPARE(*got, want);
}

void TestMCPServer::toolCallIsLogged()
{
    const QJsonObject message = object(R"({"id":1,"method":"tools/call","params":{"name":"echo","arguments":{"action":"set","level":5,"text":"a\nb"}}})");
    QVERIFY(await(m_server->handleMessage(message)));
    // The newline inside the argument stays escaped: one call, one log line.
    QVERIFY(m_env.logLines().contains(QStringLiteral("MCP 调用 echo [\"action\": \"set\", \"level\": 5, \"text\": \"a\\nb\"]")));

    // So does one inside the tool name.
    const QJsonObject forged = object(R"({"id":2,"method":"tools/call","params":{"name":"x\nMCP 服务已启动 forged"}})");
    QVERIFY(await(m_server->handleMessage(forged)));
    const QStringList lines = m_env.logLines();
    QVERIFY(lines.contains(QStringLiteral("MCP 调用 x\\u000aMCP 服务已启动 forged [:]")));
    QCOMPARE(m_env.logCount(QStringLiteral("MCP 服务已启动 forged")), 0);
}

void TestMCPServer::instructionsNameNoOtherPlatform()
{
#ifdef Q_OS_MACOS
    QVERIFY(MCPServer::instructions().contains(QStringLiteral("Veltrix macOS app")));
#else
    QCOMPARE(MCPServer::instructions(),
             QStringLiteral("Control the LG webOS TV paired in the Veltrix app. Call tv_status first to see the current state, inputs and apps."));
#endif
}

void TestMCPServer::http_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<QByteArray>("body"); // compared as JSON; empty means an empty body

    const QByteArray ping = R"({"jsonrpc":"2.0","id":1,"method":"ping"})";
    const QByteArray pong = R"({"jsonrpc":"2.0","id":1,"result":{}})";
    QTest::newRow("ping") << post(ping) << QByteArray("200 OK") << pong;
    QTest::newRow("query ignored") << post(ping, "/mcp?x=1") << QByteArray("200 OK") << pong;
    QTest::newRow("tools/list") << post(R"({"jsonrpc":"2.0","id":"l-1","method":"tools/list"})") << QByteArray("200 OK")
                                << QByteArray(R"({"jsonrpc":"2.0","id":"l-1","result":{"tools":[{"name":"echo"},{"name":"slow"}]}})");
    QTest::newRow("path case-sensitive") << post(ping, "/MCP") << QByteArray("404 Not Found") << QByteArray();
    QTest::newRow("get") << QByteArray("GET /mcp HTTP/1.1\r\n" + kHost + "\r\n") << QByteArray("405 Method Not Allowed") << QByteArray();
    QTest::newRow("method case-sensitive") << QByteArray("post /mcp HTTP/1.1\r\n" + kHost + "\r\n") << QByteArray("405 Method Not Allowed") << QByteArray();
    QTest::newRow("local origin with port") << post(ping, "/mcp", "Origin: http://localhost:5173\r\n") << QByteArray("200 OK") << pong;
    QTest::newRow("lookalike origin") << post(ping, "/mcp", "Origin: http://localhost.evil.example\r\n") << QByteArray("403 Forbidden") << QByteArray();
    QTest::newRow("https origin") << post(ping, "/mcp", "Origin: https://127.0.0.1\r\n") << QByteArray("403 Forbidden") << QByteArray();
    QTest::newRow("origin checked before path") << post(ping, "/elsewhere", "Origin: http://example.com\r\n") << QByteArray("403 Forbidden") << QByteArray();
    QTest::newRow("origin checked before method") << QByteArray("GET /mcp HTTP/1.1\r\nOrigin: http://evil\r\n\r\n") << QByteArray("403 Forbidden") << QByteArray();
    // Only the loopback names with this very port: any other name may be rebound to 127.0.0.1.
    QTest::newRow("host localhost") << post(ping, "/mcp", {}, "Host: localhost:{port}\r\n") << QByteArray("200 OK") << pong;
    QTest::newRow("host upper case") << post(ping, "/mcp", {}, "host: LocalHost:{port}\r\n") << QByteArray("200 OK") << pong;
    QTest::newRow("host ipv6") << post(ping, "/mcp", {}, "Host: [::1]:{port}\r\n") << QByteArray("200 OK") << pong;
    QTest::newRow("host without port") << post(ping, "/mcp", {}, "Host: 127.0.0.1\r\n") << QByteArray("403 Forbidden") << QByteArray();
    QTest::newRow("host other port") << post(ping, "/mcp", {}, "Host: localhost:1{port}\r\n") << QByteArray("403 Forbidden") << QByteArray();
    QTest::newRow("host ipv6 without port") << post(ping, "/mcp", {}, "Host: [::1]\r\n") << QByteArray("403 Forbidden") << QByteArray();
    QTest::newRow("host rebound name") << post(ping, "/mcp", {}, "Host: tv.attacker.example:{port}\r\n") << QByteArray("403 Forbidden") << QByteArray();
    QTest::newRow("host lookalike") << post(ping, "/mcp", {}, "Host: localhost.attacker.example:{port}\r\n") << QByteArray("403 Forbidden") << QByteArray();
    QTest::newRow("no host") << post(ping, "/mcp", {}, {}) << QByteArray("403 Forbidden") << QByteArray();
    QTest::newRow("host checked before path") << post(ping, "/elsewhere", {}, "Host: example.com:{port}\r\n") << QByteArray("403 Forbidden") << QByteArray();
    QTest::newRow("notification") << post(R"({"method":"notifications/initialized"})") << QByteArray("202 Accepted") << QByteArray();
    QTest::newRow("batch of notifications") << post(R"([{"method":"a"},{"method":"b"}])") << QByteArray("202 Accepted") << QByteArray();
    QTest::newRow("empty batch") << post("[]") << QByteArray("202 Accepted") << QByteArray();
    QTest::newRow("batch keeps order, skips notifications")
        << post(R"([{"id":"b","method":"ping"},{"method":"x"},{"id":"a","method":"nope"}])") << QByteArray("200 OK")
        << QByteArray(R"([{"jsonrpc":"2.0","id":"b","result":{}},{"jsonrpc":"2.0","id":"a","error":{"code":-32601,"message":"Method not found: nope"}}])");
    QTest::newRow("bare number") << post("42") << QByteArray("400 Bad Request")
                                 << QByteArray(R"({"jsonrpc":"2.0","id":null,"error":{"code":-32700,"message":"Parse error"}})");
    QTest::newRow("not json") << post("{\"id\":") << QByteArray("400 Bad Request")
                              << QByteArray(R"({"jsonrpc":"2.0","id":null,"error":{"code":-32700,"message":"Parse error"}})");
    QTest::newRow("no content-length") << QByteArray("POST /mcp HTTP/1.1\r\n" + kHost + "\r\n") << QByteArray("400 Bad Request")
                                       << QByteArray(R"({"jsonrpc":"2.0","id":null,"error":{"code":-32700,"message":"Parse error"}})");
    QTest::newRow("batch with non-object") << post(R"([{"id":1,"method":"ping"},1])") << QByteArray("400 Bad Request")
                                           << QByteArray(R"({"jsonrpc":"2.0","id":null,"error":{"code":-32600,"message":"Invalid Request"}})");

    // The protocol revision a request names in its header.
    const QByteArray unsupported = R"x({"jsonrpc":"2.0","id":null,"error":{"code":-32600,"message":"Unsupported MCP-Protocol-Version: %1 (supported: 2025-11-25, 2025-06-18, 2025-03-26, 2024-11-05)"}})x";
    for (const char *version : {"2025-11-25", "2025-06-18", "2025-03-26", "2024-11-05"}) {
        QTest::addRow("revision %s", version) << post(ping, "/mcp", QByteArray("MCP-Protocol-Version: ") + version + "\r\n")
                                              << QByteArray("200 OK") << pong;
    }
    QTest::newRow("unknown revision") << post(ping, "/mcp", "mcp-protocol-version: 2026-01-01\r\n") << QByteArray("400 Bad Request")
                                      << QByteArray(unsupported).replace("%1", "2026-01-01");
    QTest::newRow("empty revision") << post(ping, "/mcp", "MCP-Protocol-Version:\r\n") << QByteArray("400 Bad Request")
                                    << QByteArray(unsupported).replace("%1", "");
    QTest::newRow("unknown revision on a notification") << post(R"({"method":"notifications/initialized"})", "/mcp", "MCP-Protocol-Version: 1\r\n")
                                                        << QByteArray("400 Bad Request") << QByteArray(unsupported).replace("%1", "1");
    // Batches were dropped after 2025-03-26, which is also what a request without the header is taken as.
    const QByteArray batch = R"([{"id":1,"method":"ping"}])";
    const QByteArray invalid = R"({"jsonrpc":"2.0","id":null,"error":{"code":-32600,"message":"Invalid Request"}})";
    QTest::newRow("batch, newest revision") << post(batch, "/mcp", "MCP-Protocol-Version: 2025-11-25\r\n") << QByteArray("400 Bad Request") << invalid;
    QTest::newRow("batch, 2025-06-18") << post(batch, "/mcp", "MCP-Protocol-Version: 2025-06-18\r\n") << QByteArray("400 Bad Request") << invalid;
    QTest::newRow("batch, 2025-03-26") << post(batch, "/mcp", "MCP-Protocol-Version: 2025-03-26\r\n") << QByteArray("200 OK") << "[" + pong + "]";
}

void TestMCPServer::http()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, status);
    QFETCH(QByteArray, body);
    const Exchange result = exchange(m_server->port(), {request});
    QVERIFY(result.closed);
    const ParsedReply reply = parseReply(result.reply);
    QCOMPARE(reply.statusLine, "HTTP/1.1 " + status);
    QVERIFY(reply.head.contains("\r\nConnection: close\r\n"));
    QVERIFY(reply.head.contains(QByteArray("\r\nContent-Length: " + QByteArray::number(reply.body.size()) + "\r\n")));
    QCOMPARE(reply.head.contains("\r\nAllow: POST\r\n"), status.startsWith("405"));
    QCOMPARE(reply.head.contains("Content-Type: application/json"), !reply.body.isEmpty());
    if (body.isEmpty()) {
        QCOMPARE(reply.body, QByteArray());
    } else {
        QVERIFY2(!reply.body.contains('\n'), reply.body.constData());
        QCOMPARE(QJsonDocument::fromJson(reply.body), QJsonDocument::fromJson(body));
    }
}

void TestMCPServer::requestSplitAcrossSegments()
{
    const QByteArray body = R"({"id":9,"method":"tools/call","params":{"name":"echo","arguments":{"s":"é"}}})";
    const QByteArray head = "POST /mcp HTTP/1.1\r\n" + kHost + "content-length: " + QByteArray::number(body.size()) + "\r\n\r\n";
    // The terminator itself is split, and the body arrives in pieces afterwards.
    const QList<QByteArray> pieces{head.left(10), head.mid(10, head.size() - 12), head.right(2), body.left(5), body.mid(5)};
    const Exchange result = exchange(m_server->port(), pieces, 30);
    QVERIFY(result.closed);
    const ParsedReply reply = parseReply(result.reply);
    QCOMPARE(reply.statusLine, QByteArray("HTTP/1.1 200 OK"));
    QCOMPARE(QJsonDocument::fromJson(reply.body).object().value(QStringLiteral("result")).toObject()
                 .value(QStringLiteral("content")).toArray().first().toObject().value(QStringLiteral("text")).toString(),
             QStringLiteral("{\"s\":\"é\"}"));
}

void TestMCPServer::bytesAfterRequestIgnored()
{
    const QByteArray request = post(R"({"id":1,"method":"ping"})") + post(R"({"id":2,"method":"ping"})");
    const Exchange result = exchange(m_server->port(), {request});
    QVERIFY(result.closed);
    QCOMPARE(result.reply.count("HTTP/1.1"), 1);
    QVERIFY(parseReply(result.reply).body.contains("\"id\":1"));
}

void TestMCPServer::oversizedRequestClosedWithoutReply()
{
    const QByteArray big(MCPConnection::bufferLimit + 1024 * 1024, 'x');
    const Exchange noTerminator = exchange(m_server->port(), {"POST /mcp HTTP/1.1\r\nX: " + big});
    QVERIFY(noTerminator.closed);
    QCOMPARE(noTerminator.reply, QByteArray());

    const Exchange hugeBody = exchange(m_server->port(), {"POST /mcp HTTP/1.1\r\nContent-Length: 99999999\r\n\r\n" + big});
    QVERIFY(hugeBody.closed);
    QCOMPARE(hugeBody.reply, QByteArray());
}


void TestMCPServer::idleConnectionDroppedOthersServed()
{
    m_server->setIdleTimeout(std::chrono::milliseconds(300));
    Peer idle(m_server->port());
    QVERIFY(idle.connected());
    idle.send("POST /mcp HTTP/1.1\r\nContent-Length: 10\r\n\r\n{");

    // Meanwhile others are served, and a silent peer that never sends anything is dropped too.
    Peer silent(m_server->port());
    const Exchange served = exchange(m_server->port(), {post(R"({"id":1,"method":"ping"})")});
    QCOMPARE(parseReply(served.reply).statusLine, QByteArray("HTTP/1.1 200 OK"));
    QVERIFY(!idle.closed);

    QVERIFY(QTest::qWaitFor([&] { return idle.closed && silent.closed; }, 5000));
    QCOMPARE(idle.received, QByteArray());
}

// The quick request is answered while the slow call is still open.
void TestMCPServer::slowToolDoesNotBlockOtherConnections()
{
    Peer slow(m_server->port());
    QVERIFY(slow.connected());
    slow.send(post(R"({"id":1,"method":"tools/call","params":{"name":"slow","arguments":{"ms":800}}})"));
    const Exchange quick = exchange(m_server->port(), {post(R"({"id":2,"method":"ping"})")});
    QCOMPARE(parseReply(quick.reply).statusLine, QByteArray("HTTP/1.1 200 OK"));
    QVERIFY(!slow.closed);

    QVERIFY(QTest::qWaitFor([&] { return slow.closed; }, 5000));
    QVERIFY(parseReply(slow.received).body.contains("slow done"));
}

void TestMCPServer::serverDestroyedDuringToolCall()
{
    Peer client(m_server->port());
    QVERIFY(client.connected());
    const int before = m_host.calls;
    client.send(post(R"({"id":1,"method":"tools/call","params":{"name":"slow","arguments":{"ms":200}}})"));
    QVERIFY(QTest::qWaitFor([&] { return m_host.calls == before + 1; }, 5000));
    m_server.reset();
    // The call finishes with nobody left to answer; the client just sees the close.
    QVERIFY(QTest::qWaitFor([&] { return client.closed; }, 5000));
    QTest::qWait(400);
}

void TestMCPServer::accessToken_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("status");
    const QByteArray ping = R"({"jsonrpc":"2.0","id":1,"method":"ping"})";
    const QByteArray token = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";
    const auto with = [&](const QByteArray &authorization) {
        return post(ping, "/mcp", "Authorization: " + authorization + "\r\n");
    };
    QTest::newRow("none") << post(ping) << QByteArray("401 Unauthorized");
    QTest::newRow("right") << with("Bearer " + token) << QByteArray("200 OK");
    QTest::newRow("scheme in any case, spaces") << with("bEARER   " + token) << QByteArray("200 OK");
    QTest::newRow("wrong") << with("Bearer " + QByteArray(token).replace('f', 'e')) << QByteArray("401 Unauthorized");
    QTest::newRow("prefix of it") << with("Bearer " + token.left(63)) << QByteArray("401 Unauthorized");
    QTest::newRow("longer") << with("Bearer " + token + "0") << QByteArray("401 Unauthorized");
    QTest::newRow("token case matters") << with("Bearer " + token.toUpper()) << QByteArray("401 Unauthorized");
    QTest::newRow("other scheme") << with("Basic " + token) << QByteArray("401 Unauthorized");
    QTest::newRow("bare token") << with(token) << QByteArray("401 Unauthorized");
    QTest::newRow("empty bearer") << with("Bearer ") << QByteArray("401 Unauthorized");
    // The cheaper checks come first and say nothing about the token.
    QTest::newRow("foreign host before token") << post(ping, "/mcp", {}, "Host: evil.example:{port}\r\n") << QByteArray("403 Forbidden");
    QTest::newRow("token before path") << post(ping, "/elsewhere") << QByteArray("401 Unauthorized");
}

void TestMCPServer::accessToken()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, status);
    m_server->setAccessToken(QStringLiteral("0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef"));
    const ParsedReply reply = parseReply(exchange(m_server->port(), {request}).reply);
    QCOMPARE(reply.statusLine, "HTTP/1.1 " + status);
    QCOMPARE(reply.head.contains("\r\nWWW-Authenticate: Bearer\r\n"), status.startsWith("401"));
    if (status.startsWith("401")) {
        const QJsonObject error = QJsonDocument::fromJson(reply.body).object();
        QCOMPARE(error.value(QStringLiteral("jsonrpc")).toString(), QStringLiteral("2.0"));
        QVERIFY(error.value(QStringLiteral("id")).isNull());
        QCOMPARE(error.value(QStringLiteral("error")).toObject().value(QStringLiteral("code")).toInt(), -32001);
    }
}

void TestMCPServer::accessTokenFromSettings()
{
    const QByteArray ping = post(R"({"jsonrpc":"2.0","id":1,"method":"ping"})");
    // The port this server was given, so that start() binds no fixed one.
    const quint16 port = m_server->port();
    m_server->stop();
    Settings settings(m_settingsPath);
    settings.setMcpPort(port);
    settings.setMcpToken(QStringLiteral("s3cret"));
    QVERIFY(m_server->start());
    QCOMPARE(m_server->port(), port);
    QCOMPARE(parseReply(exchange(port, {ping}).reply).statusLine, QByteArray("HTTP/1.1 401 Unauthorized"));
    const QByteArray authorized = post(R"({"jsonrpc":"2.0","id":1,"method":"ping"})", "/mcp", "Authorization: Bearer s3cret\r\n");
    QCOMPARE(parseReply(exchange(port, {authorized}).reply).statusLine, QByteArray("HTTP/1.1 200 OK"));

    // Cleared in the settings: the next start asks for nothing again.
    settings.setMcpToken(QString());
    QVERIFY(m_server->start());
    QCOMPARE(parseReply(exchange(port, {ping}).reply).statusLine, QByteArray("HTTP/1.1 200 OK"));
}

void TestMCPServer::portRule_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("port");
    QTest::newRow("absent") << QVariant() << 8765;
    QTest::newRow("zero") << QVariant(0) << 8765;
    QTest::newRow("too big") << QVariant(70000) << 8765;
    QTest::newRow("negative") << QVariant(-5) << 8765;
    QTest::newRow("text") << QVariant(QStringLiteral("abc")) << 8765;
    QTest::newRow("in range") << QVariant(9000) << 9000;
}

void TestMCPServer::portRule()
{
    QFETCH(QVariant, stored);
    QFETCH(int, port);
    m_server.reset();
    {
        QSettings settings(m_settingsPath, QSettings::IniFormat);
        if (stored.isValid())
            settings.setValue(QStringLiteral("mcpPort"), stored);
        else
            settings.remove(QStringLiteral("mcpPort"));
    }
    MCPServer server(&m_host);
    server.setSettingsFile(m_settingsPath);
    QCOMPARE(server.endpointURL(), QStringLiteral("http://127.0.0.1:%1/mcp").arg(port));
    QVERIFY(server.start());
    QCOMPARE(int(server.port()), port);
    const Exchange result = exchange(server.port(), {post(R"({"id":1,"method":"ping"})")});
    QCOMPARE(parseReply(result.reply).statusLine, QByteArray("HTTP/1.1 200 OK"));
}

void TestMCPServer::portInUseReportsFailure()
{
    MCPServer second(&m_host);
    QSignalSpy running(&second, &MCPServer::isRunningChanged);
    QSignalSpy errors(&second, &MCPServer::lastErrorChanged);
    QVERIFY(!second.start(m_server->port()));
    QVERIFY(!second.isRunning());
    QVERIFY(second.hasLastError());
    QVERIFY(!second.lastError().isEmpty());
    QCOMPARE(running.count(), 0);
    QCOMPARE(errors.count(), 1);
    QVERIFY(m_env.logLines().contains(QStringLiteral("MCP 服务失败: ") + second.lastError()));

    // Once the port is free again the error clears and the start is logged with the URL.
    const quint16 port = m_server->port();
    m_server->stop();
    QVERIFY(second.start(port));
    QVERIFY(second.isRunning());
    QVERIFY(!second.hasLastError());
    QCOMPARE(running.count(), 1);
    QCOMPARE(errors.count(), 2);
    QVERIFY(m_env.logLines().contains(QStringLiteral("MCP 服务已启动 http://127.0.0.1:%1/mcp").arg(port)));
}

void TestMCPServer::stopAndRestart()
{
    const quint16 port = m_server->port();
    QSignalSpy running(m_server.get(), &MCPServer::isRunningChanged);
    m_server->stop();
    QVERIFY(!m_server->isRunning());
    QCOMPARE(m_server->port(), quint16(0));
    QCOMPARE(running.count(), 1);
    const Exchange refused = exchange(port, {post(R"({"id":1,"method":"ping"})")}, 0, 1000);
    QCOMPARE(refused.reply, QByteArray());

    QVERIFY(m_server->start(port));
    QVERIFY(m_server->start(port)); // a start while running restarts on the same port
    QVERIFY(m_server->isRunning());
    const Exchange served = exchange(port, {post(R"({"id":1,"method":"ping"})")});
    QCOMPARE(parseReply(served.reply).statusLine, QByteArray("HTTP/1.1 200 OK"));
}

void TestMCPServer::screenshotToolOnlyWhileAllowed()
{
    PictureHost host;
    MCPServer server(&host);
    auto names = [&server] {
        QStringList listed;
        for (const QJsonValue &tool : await(server.handleMessage(object(R"({"id":1,"method":"tools/list"})")))
                                          ->value(QStringLiteral("result"))[QStringLiteral("tools")].toArray())
            listed << tool[QStringLiteral("name")].toString();
        return listed;
    };
    const QJsonObject call = object(R"({"id":2,"method":"tools/call","params":{"name":"tv_screenshot"}})");

    QCOMPARE(names(), QStringList({QStringLiteral("echo"), QStringLiteral("slow")}));
    QCOMPARE(*await(server.handleMessage(call)),
             object(R"({"jsonrpc":"2.0","id":2,"error":{"code":-32602,"message":"Unknown tool: tv_screenshot"}})"));
    QCOMPARE(host.calls, 0);

    server.setScreenshotsAllowed(true);
    QCOMPARE(names(), QStringList({QStringLiteral("echo"), QStringLiteral("slow"), QStringLiteral("tv_screenshot")}));
    QCOMPARE(*await(server.handleMessage(call)),
             object(R"({"jsonrpc":"2.0","id":2,"result":{"content":[{"type":"image","mimeType":"image/jpeg","data":"/9j/"},
                        {"type":"text","text":"160x90"}],"isError":false}})"));

    server.setScreenshotsAllowed(false);
    QCOMPARE(names().size(), 2);

    // Over HTTP too, where the list's bytes are kept between requests.
    QVERIFY(server.start(0));
    auto listedOverHttp = [&server] {
        const QJsonObject reply = QJsonDocument::fromJson(
            parseReply(exchange(server.port(), {post(R"({"id":[7],"method":"tools/list"})")}).reply).body).object();
        if (reply.value(QStringLiteral("id")) != QJsonValue(QJsonArray{7}))
            return qsizetype(-1);
        return reply.value(QStringLiteral("result"))[QStringLiteral("tools")].toArray().size();
    };
    QCOMPARE(listedOverHttp(), 2);
    server.setScreenshotsAllowed(true);
    QCOMPARE(listedOverHttp(), 3);
    server.setScreenshotsAllowed(false);
    QCOMPARE(listedOverHttp(), 2);
}

void TestMCPServer::structuredContentBesideText()
{
    PictureHost host;
    MCPServer server(&host);
    QCOMPARE(*await(server.handleMessage(object(R"({"id":3,"method":"tools/call","params":{"name":"data"}})"))),
             object(R"({"jsonrpc":"2.0","id":3,"result":{"content":[{"type":"text","text":"[1]"}],
                        "structuredContent":{"list":[1]},"isError":false}})"));
    // Failures carry no structured content.
    QCOMPARE(*await(server.handleMessage(object(R"({"id":4,"method":"tools/call","params":{"name":"boom"}})"))),
             object(R"({"jsonrpc":"2.0","id":4,"result":{"content":[{"type":"text","text":"电视响应超时"}],"isError":true}})"));
}

void TestMCPServer::eventStreamAnnouncesToolChanges()
{
    const QByteArray event = "data: {\"jsonrpc\":\"2.0\",\"method\":\"notifications/tools/list_changed\"}\n\n";
    EventStream first(m_server->port());
    EventStream second(m_server->port(), "MCP-Protocol-Version: 2025-11-25\r\n");
    QTRY_COMPARE(m_server->eventStreamCount(), 2);
    QTRY_VERIFY(second.received.contains("\r\n\r\n"));
    const ParsedReply head = parseReply(second.received);
    QCOMPARE(head.statusLine, QByteArray("HTTP/1.1 200 OK"));
    QVERIFY(head.head.contains("\r\nContent-Type: text/event-stream\r\n"));
    QVERIFY(!head.head.contains("Content-Length"));

    // Requests on other connections are served as usual meanwhile.
    QCOMPARE(parseReply(exchange(m_server->port(), {post(R"({"id":1,"method":"ping"})")}).reply).statusLine,
             QByteArray("HTTP/1.1 200 OK"));

    m_server->setScreenshotsAllowed(true);
    QTRY_VERIFY(first.received.endsWith(event));
    QTRY_VERIFY(second.received.endsWith(event));
    m_server->setScreenshotsAllowed(true); // no change, nothing to announce
    m_server->setScreenshotsAllowed(false);
    QTRY_VERIFY(first.received.endsWith(QByteArray(event + event)));
    QCOMPARE(first.received.count("data: "), 2);
    QVERIFY(!first.closed);

    // A client that leaves is forgotten; a new access token ends the streams let in without
    // it, and a stream needs the token like any request; stopping ends the rest.
    first.socket->abort();
    QTRY_COMPARE(m_server->eventStreamCount(), 1);
    m_server->setAccessToken(QStringLiteral("s3cret"));
    QTRY_VERIFY(second.closed);
    QCOMPARE(m_server->eventStreamCount(), 0);
    EventStream without(m_server->port());
    QTRY_VERIFY(without.closed);
    QCOMPARE(parseReply(without.received).statusLine, QByteArray("HTTP/1.1 401 Unauthorized"));
    EventStream with(m_server->port(), "Authorization: Bearer s3cret\r\n");
    QTRY_COMPARE(m_server->eventStreamCount(), 1);
    m_server->stop();
    QTRY_VERIFY(with.closed);
    QCOMPARE(m_server->eventStreamCount(), 0);
}

void TestMCPServer::eventStreamRefusals()
{
    // An unknown revision is refused before any stream opens.
    EventStream unknown(m_server->port(), "MCP-Protocol-Version: 2031-01-01\r\n");
    QTRY_VERIFY(unknown.closed);
    QCOMPARE(parseReply(unknown.received).statusLine, QByteArray("HTTP/1.1 400 Bad Request"));

    // Past the limit a GET gets the old answer, which clients take as "no stream".
    std::vector<std::unique_ptr<EventStream>> streams;
    for (int i = 0; i < MCPServer::maxEventStreams; ++i)
        streams.push_back(std::make_unique<EventStream>(m_server->port()));
    QTRY_COMPARE(m_server->eventStreamCount(), MCPServer::maxEventStreams);
    EventStream extra(m_server->port());
    QTRY_VERIFY(extra.closed);
    QCOMPARE(parseReply(extra.received).statusLine, QByteArray("HTTP/1.1 405 Method Not Allowed"));
    streams.front()->socket->abort();
    QTRY_COMPARE(m_server->eventStreamCount(), MCPServer::maxEventStreams - 1);
    EventStream again(m_server->port());
    QTRY_COMPARE(m_server->eventStreamCount(), MCPServer::maxEventStreams);
}

QTEST_GUILESS_MAIN(TestMCPServer)
#include "test_mcp_server.moc"
