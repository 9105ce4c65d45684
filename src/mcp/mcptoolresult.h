#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <optional>

// What a successful tool call returns: its content items (text, image) and, for the tools
// that return data, the same data as one JSON object that their output schema describes.
struct MCPToolResult {
    QJsonArray content;
    std::optional<QJsonObject> structured;

    static MCPToolResult text(const QString &text)
    {
        return MCPToolResult{QJsonArray{textItem(text)}, std::nullopt};
    }

    static QJsonObject textItem(const QString &text)
    {
        return QJsonObject{{QStringLiteral("type"), QStringLiteral("text")}, {QStringLiteral("text"), text}};
    }

    // The text of the first text item; empty when there is none.
    QString firstText() const
    {
        for (const QJsonValue &item : content) {
            const QJsonObject object = item.toObject();
            if (object.value(QStringLiteral("type")).toString() == QLatin1String("text"))
                return object.value(QStringLiteral("text")).toString();
        }
        return QString();
    }
};
