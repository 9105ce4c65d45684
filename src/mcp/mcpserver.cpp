#include "mcp/mcpserver.h"

#include "log/log.h"
#include "mcp/mcpconnection.h"
#include "mcp/mcpsettings.h"
#include "mcp/mcptoolhost.h"
#include "mcp/mcptools.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTcpSocket>

#include <utility>

namespace {

const QString kJsonRpc = QStringLiteral("2.0");
const QStringList kProtocolVersions = {
    QStringLiteral("2025-11-25"),
    QStringLiteral("2025-06-18"),
    QStringLiteral("2025-03-26"),
    QStringLiteral("2024-11-05"),
};
// The answer to a client that asks for a revision it does not name or that is not listed.
const QString kDefaultVersion = QStringLiteral("2025-06-18");
// A request without MCP-Protocol-Version comes from a client of this revision or older: the
// header was introduced after it.
const QString kVersionWithoutHeader = QStringLiteral("2025-03-26");
// From this revision on a POST carries exactly one message: batches were dropped.
const QString kFirstWithoutBatches = QStringLiteral("2025-06-18");

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray compact(const QJsonArray &array)
{
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

HTTPResponse failure(const QByteArray &status, int code, const QString &message)
{
    return HTTPResponse{status, compact(MCPServer::errorReply(QJsonValue::Null, code, message))};
}

// The revision a request speaks: the one its MCP-Protocol-Version header names, none when that
// is not one of ours. Revisions are dates, so their texts order like them.
std::optional<QString> revisionOf(const HTTPRequest &request)
{
    const auto header = request.headers.constFind(QStringLiteral("mcp-protocol-version"));
    if (header == request.headers.constEnd())
        return kVersionWithoutHeader;
    if (!kProtocolVersions.contains(header.value()))
        return std::nullopt;
    return header.value();
}

HTTPResponse unsupportedRevision(const HTTPRequest &request)
{
    return failure("400 Bad Request", -32600,
                   QStringLiteral("Unsupported MCP-Protocol-Version: ")
                       + request.headers.value(QStringLiteral("mcp-protocol-version")).left(64)
                       + QStringLiteral(" (supported: ") + kProtocolVersions.join(QStringLiteral(", "))
                       + QLatin1Char(')'));
}

QJsonObject success(const QJsonValue &id, const QJsonObject &result)
{
    return QJsonObject{{QStringLiteral("jsonrpc"), kJsonRpc}, {QStringLiteral("id"), id},
                       {QStringLiteral("result"), result}};
}

QJsonObject textResult(const QString &text, bool isError)
{
    const QJsonObject content{{QStringLiteral("type"), QStringLiteral("text")},
                              {QStringLiteral("text"), text}};
    return QJsonObject{{QStringLiteral("content"), QJsonArray{content}},
                       {QStringLiteral("isError"), isError}};
}

// The arguments as a dictionary literal for the log. Strings are escaped so that a tool
// argument cannot start a forged log line.
QString describe(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Object: {
        const QJsonObject object = value.toObject();
        if (object.isEmpty())
            return QStringLiteral("[:]");
        QStringList parts;
        for (auto it = object.begin(); it != object.end(); ++it)
            parts << describe(it.key()) + QStringLiteral(": ") + describe(it.value());
        return QLatin1Char('[') + parts.join(QStringLiteral(", ")) + QLatin1Char(']');
    }
    case QJsonValue::Array: {
        QStringList parts;
        for (const QJsonValue &element : value.toArray())
            parts << describe(element);
        return QLatin1Char('[') + parts.join(QStringLiteral(", ")) + QLatin1Char(']');
    }
    case QJsonValue::String: {
        const QByteArray quoted = compact(QJsonArray{value});
        return QString::fromUtf8(quoted.mid(1, quoted.size() - 2));
    }
    case QJsonValue::Double: {
        const QByteArray number = compact(QJsonArray{value});
        return QString::fromUtf8(number.mid(1, number.size() - 2));
    }
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    default:
        return QStringLiteral("<null>");
    }
}

// A tool name for the log: control characters escaped, so that the name cannot break the
// line either. Ordinary names come out unchanged.
QString logSafe(const QString &text)
{
    QString safe;
    safe.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            safe += QStringLiteral("\\u%1").arg(int(c.unicode()), 4, 16, QLatin1Char('0'));
        else
            safe += c;
    }
    return safe;
}

} // namespace

MCPServer::MCPServer(MCPToolHost *tools, QObject *parent)
    : QObject(parent), m_tools(tools), m_settingsFile(MCPSettings::defaultSettingsFile())
{
}

MCPServer::~MCPServer() = default;

bool MCPServer::start()
{
    setAccessToken(MCPSettings::storedToken(m_settingsFile));
    return start(MCPSettings::storedPort(m_settingsFile));
}

bool MCPServer::start(quint16 port)
{
    stop();
    auto *listener = new QTcpServer(this);
    // Bursts of short-lived connections are the normal load.
    listener->setListenBacklogSize(256);
    if (!listener->listen(QHostAddress::LocalHost, port)) {
        const QString error = listener->errorString();
        delete listener;
        setLastError(error);
        veltrix::log(QStringLiteral("MCP 服务失败: ") + error);
        return false;
    }
    m_listener = listener;
    QObject::connect(listener, &QTcpServer::newConnection, this, &MCPServer::acceptConnections);
    QObject::connect(listener, &QTcpServer::acceptError, this, [this, listener](QAbstractSocket::SocketError) {
        if (m_listener != listener)
            return;
        const QString error = listener->errorString();
        setRunning(false);
        setLastError(error);
        veltrix::log(QStringLiteral("MCP 服务失败: ") + error);
    });
    setLastError(std::nullopt);
    setRunning(true);
    veltrix::log(QStringLiteral("MCP 服务已启动 ") + endpointURL());
    return true;
}

void MCPServer::stop()
{
    if (m_listener) {
        m_listener->close();
        m_listener->deleteLater();
        m_listener = nullptr;
    }
    // A stopped service has nothing more to announce; the clients see the end of the stream.
    closeEventStreams();
    setRunning(false);
}

void MCPServer::setAccessToken(const QString &token)
{
    if (m_accessToken == token)
        return;
    m_accessToken = token;
    closeEventStreams();
}

void MCPServer::closeEventStreams()
{
    const QList<QPointer<MCPConnection>> streams = std::exchange(m_streams, {});
    for (const QPointer<MCPConnection> &stream : streams) {
        if (stream)
            stream->drop();
    }
}

void MCPServer::setScreenshotsAllowed(bool allowed)
{
    if (m_screenshotsAllowed == allowed)
        return;
    m_screenshotsAllowed = allowed;
    m_listedTools.reset();
    m_listedToolsJson.reset();
    announceToolsChanged();
}

int MCPServer::eventStreamCount() const
{
    int count = 0;
    for (const QPointer<MCPConnection> &stream : m_streams)
        count += stream ? 1 : 0;
    return count;
}

const QJsonArray &MCPServer::listedTools()
{
    if (!m_listedTools) {
        // Hosts hand out a fixed catalogue, so the filtered list is made once per switch.
        QJsonArray listed;
        for (const QJsonValue &tool : m_tools->definitions()) {
            if (m_screenshotsAllowed || tool[QStringLiteral("name")].toString() != MCPTools::screenshotTool)
                listed.append(tool);
        }
        m_listedTools = listed;
    }
    return *m_listedTools;
}

const QByteArray &MCPServer::listedToolsJson()
{
    if (!m_listedToolsJson)
        m_listedToolsJson = compact(listedTools());
    return *m_listedToolsJson;
}

void MCPServer::announceToolsChanged()
{
    m_streams.removeAll(QPointer<MCPConnection>());
    if (m_streams.isEmpty())
        return;
    const QJsonObject notification{{QStringLiteral("jsonrpc"), kJsonRpc},
                                   {QStringLiteral("method"), QStringLiteral("notifications/tools/list_changed")}};
    const QByteArray event = "data: " + compact(notification) + "\n\n";
    for (const QPointer<MCPConnection> &stream : std::as_const(m_streams)) {
        if (stream)
            stream->sendEvent(event);
    }
}

quint16 MCPServer::port() const
{
    return m_listener ? m_listener->serverPort() : 0;
}

QString MCPServer::endpointURL() const
{
    return MCPSettings::endpointURL(m_listener ? m_listener->serverPort()
                                               : MCPSettings::storedPort(m_settingsFile));
}

void MCPServer::setRunning(bool running)
{
    if (m_isRunning == running)
        return;
    m_isRunning = running;
    Q_EMIT isRunningChanged(running);
}

void MCPServer::setLastError(const std::optional<QString> &error)
{
    if (m_lastError == error)
        return;
    m_lastError = error;
    Q_EMIT lastErrorChanged(error.value_or(QString()));
}

void MCPServer::acceptConnections()
{
    if (!m_listener)
        return;
    while (QTcpSocket *socket = m_listener->nextPendingConnection()) {
        const quint16 localPort = socket->localPort();
        auto *connection = new MCPConnection(socket, m_idleTimeout, this);
        QObject::connect(connection, &MCPConnection::requestReady, this, [this, connection, localPort](const HTTPRequest &request) {
            HTTPRequest arrived = request;
            arrived.localPort = localPort;
            serve(QPointer<MCPConnection>(connection), std::move(arrived));
        });
    }
}

QCoro::Task<void> MCPServer::serve(QPointer<MCPConnection> connection, HTTPRequest request)
{
    QPointer<MCPServer> self(this);
    HTTPResponse response;
    try {
        response = co_await handleRequest(std::move(request));
    } catch (const std::exception &error) {
        veltrix::log(QStringLiteral("MCP 请求失败: ") + QString::fromUtf8(error.what()));
        if (connection)
            connection->drop();
        co_return;
    } catch (...) {
        veltrix::log(QStringLiteral("MCP 请求失败"));
        if (connection)
            connection->drop();
        co_return;
    }
    if (!connection)
        co_return;
    if (response.eventStream) {
        if (!self || !m_listener) {
            connection->drop();
            co_return;
        }
        m_streams.append(connection);
        connection->openStream(response);
        co_return;
    }
    connection->reply(response);
}

// Who may ask and where: a page in a browser, a foreign host name, a missing token or another
// path is turned away before the body is read.
std::optional<HTTPResponse> MCPServer::refuseAccess(const HTTPRequest &request) const
{
    const auto origin = request.headers.constFind(QStringLiteral("origin"));
    if (origin != request.headers.constEnd() && !HTTPRequest::isLocalOrigin(origin.value()))
        return HTTPResponse::empty("403 Forbidden");
    if (!HTTPRequest::isLocalHost(request.headers.value(QStringLiteral("host")), request.localPort))
        return HTTPResponse::empty("403 Forbidden");
    if (!m_accessToken.isEmpty()
        && !HTTPRequest::carriesToken(request.headers.value(QStringLiteral("authorization")), m_accessToken))
        return failure("401 Unauthorized", -32001, QStringLiteral("Unauthorized: missing or wrong access token"));
    if (request.route() != QLatin1String("/mcp"))
        return HTTPResponse::empty("404 Not Found");
    return std::nullopt;
}

// GET opens an event stream for notifications, for clients that ask for one while there is
// room; any other GET, and any other method, is refused as before.
bool MCPServer::opensEventStream(const HTTPRequest &request) const
{
    return request.method == QLatin1String("GET")
        && request.headers.value(QStringLiteral("accept")).contains(QLatin1String("text/event-stream"), Qt::CaseInsensitive)
        && eventStreamCount() < maxEventStreams;
}

QCoro::Task<HTTPResponse> MCPServer::handleRequest(HTTPRequest request)
{
    if (std::optional<HTTPResponse> refused = refuseAccess(request))
        co_return *refused;
    const bool streamRequest = opensEventStream(request);
    if (request.method != QLatin1String("POST") && !streamRequest)
        co_return HTTPResponse::empty("405 Method Not Allowed");
    const std::optional<QString> revision = revisionOf(request);
    if (!revision)
        co_return unsupportedRevision(request);
    if (streamRequest)
        co_return HTTPResponse::stream();

    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(request.body, &parseError);
    if (parseError.error != QJsonParseError::NoError || (!document.isObject() && !document.isArray()))
        co_return failure("400 Bad Request", -32700, QStringLiteral("Parse error"));
    if (document.isObject()) {
        QJsonObject message = document.object();
        co_return co_await answerMessage(std::move(message));
    }
    if (*revision >= kFirstWithoutBatches)
        co_return failure("400 Bad Request", -32600, QStringLiteral("Invalid Request"));
    QJsonArray batch = document.array();
    co_return co_await answerBatch(std::move(batch));
}

QCoro::Task<HTTPResponse> MCPServer::answerMessage(QJsonObject message)
{
    // The tool list is the largest reply and the same every time: its bytes are made once
    // per catalogue and only the id is put around them.
    const auto id = message.constFind(QStringLiteral("id"));
    if (id != message.constEnd() && message.value(QStringLiteral("method")).toString() == QLatin1String("tools/list")) {
        const QByteArray idJson = compact(QJsonArray{id.value()});
        co_return HTTPResponse{"200 OK", "{\"id\":" + idJson.mid(1, idJson.size() - 2)
                                             + ",\"jsonrpc\":\"2.0\",\"result\":{\"tools\":" + listedToolsJson() + "}}"};
    }
    const std::optional<QJsonObject> reply = co_await handleMessage(std::move(message));
    if (!reply)
        co_return HTTPResponse::empty("202 Accepted");
    co_return HTTPResponse{"200 OK", compact(*reply)};
}

QCoro::Task<HTTPResponse> MCPServer::answerBatch(QJsonArray batch)
{
    for (const QJsonValue &element : batch) {
        if (!element.isObject())
            co_return failure("400 Bad Request", -32600, QStringLiteral("Invalid Request"));
    }
    QPointer<MCPServer> self(this);
    QJsonArray replies;
    for (const QJsonValue &element : batch) {
        if (!self)
            break;
        const std::optional<QJsonObject> reply = co_await handleMessage(element.toObject());
        if (reply)
            replies.append(*reply);
    }
    if (replies.isEmpty())
        co_return HTTPResponse::empty("202 Accepted");
    co_return HTTPResponse{"200 OK", compact(replies)};
}

QCoro::Task<std::optional<QJsonObject>> MCPServer::handleMessage(QJsonObject message)
{
    const auto idMember = message.constFind(QStringLiteral("id"));
    if (idMember == message.constEnd())
        co_return std::nullopt;
    const QJsonValue id = idMember.value();
    const QJsonValue methodValue = message.value(QStringLiteral("method"));
    if (!methodValue.isString())
        co_return std::nullopt;
    const QString method = methodValue.toString();
    const QJsonObject params = message.value(QStringLiteral("params")).toObject();

    if (method == QLatin1String("initialize")) {
        const QString requested = params.value(QStringLiteral("protocolVersion")).toString();
        const QString version = kProtocolVersions.contains(requested) ? requested : kDefaultVersion;
        co_return success(id, QJsonObject{
            {QStringLiteral("protocolVersion"), version},
            {QStringLiteral("capabilities"),
             QJsonObject{{QStringLiteral("tools"), QJsonObject{{QStringLiteral("listChanged"), true}}}}},
            {QStringLiteral("serverInfo"),
             QJsonObject{{QStringLiteral("name"), QStringLiteral("veltrix")},
                         {QStringLiteral("title"), QStringLiteral("Veltrix (LG webOS TV)")},
                         {QStringLiteral("version"), QStringLiteral("1.0")}}},
            {QStringLiteral("instructions"), instructions()},
        });
    }
    if (method == QLatin1String("ping"))
        co_return success(id, QJsonObject{});
    if (method == QLatin1String("tools/list"))
        co_return success(id, QJsonObject{{QStringLiteral("tools"), listedTools()}});
    if (method == QLatin1String("tools/call"))
        co_return co_await callTool(id, params);
    co_return errorReply(id, -32601, QStringLiteral("Method not found: ") + method);
}

QCoro::Task<std::optional<QJsonObject>> MCPServer::callTool(QJsonValue id, QJsonObject params)
{
    const QJsonValue nameValue = params.value(QStringLiteral("name"));
    if (!nameValue.isString())
        co_return errorReply(id, -32602, QStringLiteral("Missing tool name"));
    const QString name = nameValue.toString();
    const QJsonObject arguments = params.value(QStringLiteral("arguments")).toObject();
    veltrix::log(QStringLiteral("MCP 调用 ") + logSafe(name) + QLatin1Char(' ') + describe(arguments));
    // Switched off, the screenshot tool does not exist for clients.
    if (name == MCPTools::screenshotTool && !m_screenshotsAllowed)
        co_return errorReply(id, -32602, QStringLiteral("Unknown tool: ") + name);

    // Nothing below the await touches the server: it may be gone by then.
    QString failure;
    try {
        const MCPToolResult result = co_await m_tools->callTool(name, arguments);
        QJsonObject reply{{QStringLiteral("content"), result.content}, {QStringLiteral("isError"), false}};
        if (result.structured)
            reply.insert(QStringLiteral("structuredContent"), *result.structured);
        co_return success(id, reply);
    } catch (const MCPTools::Failure &error) {
        if (error.kind() == MCPTools::Failure::Kind::unknownTool)
            co_return errorReply(id, -32602, QStringLiteral("Unknown tool: ") + name);
        failure = error.message();
    } catch (const std::exception &error) {
        failure = QString::fromUtf8(error.what());
    } catch (...) {
        failure = QStringLiteral("Unknown error");
    }
    co_return success(id, textResult(failure, true));
}

QJsonObject MCPServer::errorReply(const QJsonValue &id, int code, const QString &message)
{
    return QJsonObject{
        {QStringLiteral("jsonrpc"), kJsonRpc},
        {QStringLiteral("id"), id.isUndefined() ? QJsonValue(QJsonValue::Null) : id},
        {QStringLiteral("error"), QJsonObject{{QStringLiteral("code"), code}, {QStringLiteral("message"), message}}},
    };
}

QString MCPServer::instructions()
{
#ifdef Q_OS_MACOS
    return QStringLiteral("Control the LG webOS TV paired in the Veltrix macOS app. Call tv_status first to see the current state, inputs and apps.");
#else
    return QStringLiteral("Control the LG webOS TV paired in the Veltrix app. Call tv_status first to see the current state, inputs and apps.");
#endif
}
