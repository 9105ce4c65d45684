#pragma once

#include "mcp/mcptoolresult.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QPointer>
#include <QString>

#include <QCoro/QCoroTask>

#include <chrono>
#include <exception>

class TVSession;

// The agent-facing tools: their catalogue and their behaviour against the shared session.
// Every result carries one English text (the data tools add the same data as a structured
// object); failures are thrown.
class MCPTools {
public:
    // Thrown for an unknown tool name (a protocol error) or invalid arguments (a tool result
    // with isError). Every other failure thrown by call() derives from std::exception and its
    // what() is the UTF-8 text to show.
    class Failure : public std::exception {
    public:
        enum class Kind { unknownTool, invalid };
        static Failure unknownTool(const QString &name) { return Failure(Kind::unknownTool, name); }
        static Failure invalid(const QString &message) { return Failure(Kind::invalid, message); }
        Kind kind() const { return m_kind; }
        QString message() const { return m_message; }
        QString description() const { return m_message; }
        const char *what() const noexcept override { return m_utf8.constData(); }

    private:
        Failure(Kind kind, const QString &message)
            : m_kind(kind), m_message(message), m_utf8(message.toUtf8()) {}
        Kind m_kind;
        QString m_message;
        QByteArray m_utf8;
    };

    explicit MCPTools(TVSession *session);

    // The picture of the TV screen: implemented here, offered only while the user allows it.
    static inline const QString screenshotTool = QStringLiteral("tv_screenshot");

    // The 15 tool description objects, built once.
    static const QJsonArray &definitions();
    // The same followed by tv_screenshot.
    static const QJsonArray &definitionsWithScreenshot();

    // The result's first text; the dispatcher uses callTool() for the whole result.
    QCoro::Task<QString> call(const QString &name, const QJsonObject &arguments);
    QCoro::Task<MCPToolResult> callTool(const QString &name, const QJsonObject &arguments);

    // How long a tool waits for a ready session (15 s); tests shorten it.
    void setReadyTimeout(std::chrono::milliseconds timeout) { m_readyTimeout = timeout; }

private:
    QPointer<TVSession> m_session;
    std::chrono::milliseconds m_readyTimeout{15000};
};
