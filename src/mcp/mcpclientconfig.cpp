#include "mcp/mcpclientconfig.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

// The text as a JSON string literal: a path with a quote or a backslash must not break the
// configuration it is pasted into.
QString jsonString(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

QString wrap(const QString &server)
{
    return QStringLiteral("{\n  \"mcpServers\": {\n    \"veltrix\": ") + server + QStringLiteral("\n  }\n}");
}

} // namespace

namespace MCPClientConfig {

QString http(const QString &endpointURL, const QString &token)
{
    if (token.isEmpty())
        return wrap(QStringLiteral("{ \"url\": ") + jsonString(endpointURL) + QStringLiteral(" }"));
    return wrap(QStringLiteral("{\n      \"url\": ") + jsonString(endpointURL)
                + QStringLiteral(",\n      \"headers\": { \"Authorization\": ")
                + jsonString(QStringLiteral("Bearer ") + token) + QStringLiteral(" }\n    }"));
}

QString stdio(const QString &executablePath)
{
    return wrap(QStringLiteral("{ \"command\": ") + jsonString(executablePath)
                + QStringLiteral(", \"args\": [\"--mcp-stdio\"] }"));
}

QString executablePath()
{
    const QString path = QCoreApplication::applicationFilePath();
    return path.isEmpty() ? QStringLiteral("Veltrix") : path;
}

} // namespace MCPClientConfig
