#pragma once

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
};
