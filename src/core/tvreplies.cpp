#include "core/tvreplies.h"

#include <QJsonValue>

namespace tvreply {

std::optional<QString> text(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    if (value.isString())
        return value.toString();
    return std::nullopt;
}

std::optional<ExternalInput> input(const QJsonObject &object)
{
    const std::optional<QString> id = text(object, QStringLiteral("id"));
    if (!id)
        return std::nullopt;
    ExternalInput input;
    input.id = *id;
    input.label = text(object, QStringLiteral("label")).value_or(*id);
    input.appId = text(object, QStringLiteral("appId")).value_or(QString());
    const QJsonValue connected = object.value(QStringLiteral("connected"));
    input.connected = connected.isBool() && connected.toBool();
    return input;
}

std::optional<TVApp> app(const QJsonObject &object)
{
    const std::optional<QString> id = text(object, QStringLiteral("id"));
    const std::optional<QString> title = text(object, QStringLiteral("title"));
    if (!id || !title)
        return std::nullopt;
    return TVApp{*id, *title, iconURL(object)};
}

std::optional<QUrl> iconURL(const QJsonObject &object)
{
    const QString key = object.contains(QStringLiteral("largeIcon")) ? QStringLiteral("largeIcon")
                                                                      : QStringLiteral("icon");
    const std::optional<QString> value = text(object, key);
    if (!value)
        return std::nullopt;
    const QUrl url(*value, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty())
        return std::nullopt;
    return url;
}

} // namespace tvreply
