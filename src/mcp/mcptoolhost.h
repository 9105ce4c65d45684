#pragma once

#include "mcp/mcptoolresult.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <QCoro/QCoroTask>

// What the dispatcher needs from a tool catalogue. The application hands in the real tools;
// tests and benchmarks hand in their own. call() reports an unknown name by throwing
// MCPTools::Failure::unknownTool; any other exception becomes a failed tool result.
class MCPToolHost {
public:
    virtual ~MCPToolHost() = default;
    virtual QJsonArray definitions() const = 0;
    virtual QCoro::Task<QString> call(const QString &name, const QJsonObject &arguments) = 0;
    // The whole result. Hosts whose tools only answer with text keep this default.
    virtual QCoro::Task<MCPToolResult> callTool(const QString &name, const QJsonObject &arguments)
    {
        return textOf(call(name, arguments));
    }

private:
    static QCoro::Task<MCPToolResult> textOf(QCoro::Task<QString> text)
    {
        co_return MCPToolResult::text(co_await std::move(text));
    }
};
