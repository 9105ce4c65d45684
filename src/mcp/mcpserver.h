#pragma once

#include "mcp/httprequest.h"
#include "mcp/httpresponse.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QJsonValue>
#include <QObject>
#include <QPointer>
#include <QString>

#include <QCoro/QCoroTask>

#include <chrono>
#include <optional>

class MCPConnection;
class MCPToolHost;
class QTcpServer;

// The MCP endpoint: JSON-RPC 2.0 over HTTP/1.1 on 127.0.0.1, one message (or batch) per
// connection at "/mcp". Main thread only.
class MCPServer : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isRunning READ isRunning NOTIFY isRunningChanged)
    Q_PROPERTY(QString lastError READ lastError NOTIFY lastErrorChanged)
    Q_PROPERTY(quint16 port READ port NOTIFY isRunningChanged)

public:
    static constexpr std::chrono::milliseconds defaultIdleTimeout{30000};

    // The host must outlive the server.
    explicit MCPServer(MCPToolHost *tools, QObject *parent = nullptr);
    ~MCPServer() override;

    // Where "mcpPort" is read; MCPSettings::defaultSettingsFile() unless set.
    void setSettingsFile(const QString &path) { m_settingsFile = path; }
    QString settingsFile() const { return m_settingsFile; }

    // (Re)starts the listener on the port stored under "mcpPort", asking for the token stored
    // under "mcpToken". False on failure, with lastError set and, for a listen failure, a log
    // line.
    bool start();
    // (Re)starts on exactly this port; 0 picks a free one (tests, benchmarks).
    bool start(quint16 port);
    // Stops listening. Connections already accepted are still answered.
    void stop();

    bool isRunning() const { return m_isRunning; }
    // Text of the last start failure; empty when there is none.
    QString lastError() const { return m_lastError.value_or(QString()); }
    bool hasLastError() const { return m_lastError.has_value(); }
    // The listening port, 0 while stopped.
    quint16 port() const;
    // The URL clients use: the listening port while running, else the stored port.
    QString endpointURL() const;

    // When not empty, every request must carry "Authorization: Bearer <token>"; others get
    // 401. Takes effect for requests that arrive afterwards.
    // A changed token also ends the open event streams: they were let in under the old one.
    void setAccessToken(const QString &token);
    QString accessToken() const { return m_accessToken; }

    // How long an accepted connection may stay silent before it has sent a whole request.
    void setIdleTimeout(std::chrono::milliseconds timeout) { m_idleTimeout = timeout; }

    // tv_screenshot is listed and callable only while this is on (off at first). A change
    // is announced to every client with an open event stream.
    void setScreenshotsAllowed(bool allowed);
    bool screenshotsAllowed() const { return m_screenshotsAllowed; }

    // Clients may keep a GET event stream open to hear that the tool list changed; beyond
    // this many a GET is refused as before (405), which clients take as "no stream".
    static constexpr int maxEventStreams = 16;
    int eventStreamCount() const;

    // JSON-RPC: one message in, an optional reply out (none for notifications).
    QCoro::Task<std::optional<QJsonObject>> handleMessage(QJsonObject message);
    // One framed HTTP request in, the reply to send out.
    QCoro::Task<HTTPResponse> handleRequest(HTTPRequest request);

    static QJsonObject errorReply(const QJsonValue &id, int code, const QString &message);
    static QString instructions();

Q_SIGNALS:
    void isRunningChanged(bool running);
    void lastErrorChanged(const QString &error);

private:
    void setRunning(bool running);
    void setLastError(const std::optional<QString> &error);
    void acceptConnections();
    QCoro::Task<void> serve(QPointer<MCPConnection> connection, HTTPRequest request);
    std::optional<HTTPResponse> refuseAccess(const HTTPRequest &request) const;
    bool opensEventStream(const HTTPRequest &request) const;
    QCoro::Task<HTTPResponse> answerMessage(QJsonObject message);
    QCoro::Task<HTTPResponse> answerBatch(QJsonArray batch);
    QCoro::Task<std::optional<QJsonObject>> callTool(QJsonValue id, QJsonObject params);
    const QJsonArray &listedTools();
    const QByteArray &listedToolsJson();
    void announceToolsChanged();
    void closeEventStreams();

    MCPToolHost *m_tools;
    QString m_settingsFile;
    QTcpServer *m_listener = nullptr;
    bool m_isRunning = false;
    std::optional<QString> m_lastError;
    QString m_accessToken;
    std::chrono::milliseconds m_idleTimeout = defaultIdleTimeout;
    bool m_screenshotsAllowed = false;
    std::optional<QJsonArray> m_listedTools; // the host's catalogue as offered now
    std::optional<QByteArray> m_listedToolsJson;
    QList<QPointer<MCPConnection>> m_streams;
};
