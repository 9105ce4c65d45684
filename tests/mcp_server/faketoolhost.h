#pragma once

#include "mcp/mcptoolhost.h"
#include "mcp/mcptools.h"

#include <QJsonDocument>

#include <QCoro/QCoroTimer>

#include <stdexcept>

// A catalogue of test tools: "echo" answers with its arguments, "slow" waits the given
// milliseconds, "invalid" and "boom" fail, anything else is unknown.
class FakeToolHost : public MCPToolHost {
public:
    QJsonArray definitions() const override
    {
        return QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("echo")}},
                          QJsonObject{{QStringLiteral("name"), QStringLiteral("slow")}}};
    }

    QCoro::Task<QString> call(const QString &name, const QJsonObject &arguments) override
    {
        ++calls;
        return run(name, arguments);
    }

    int calls = 0;

private:
    static QCoro::Task<QString> run(QString name, QJsonObject arguments)
    {
        if (name == QLatin1String("echo"))
            co_return QString::fromUtf8(QJsonDocument(arguments).toJson(QJsonDocument::Compact));
        if (name == QLatin1String("slow")) {
            co_await QCoro::sleepFor(std::chrono::milliseconds(arguments.value(QStringLiteral("ms")).toInt()));
            co_return QStringLiteral("slow done");
        }
        if (name == QLatin1String("invalid"))
            throw MCPTools::Failure::invalid(QStringLiteral("Missing argument: level"));
        if (name == QLatin1String("boom"))
            throw std::runtime_error("电视响应超时");
        throw MCPTools::Failure::unknownTool(name);
    }
};
