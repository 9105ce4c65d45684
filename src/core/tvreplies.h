#pragma once

#include "core/tvmodels.h"

#include <QJsonObject>
#include <QUrl>

#include <optional>

// The entries of the TV's list replies, read the way the session keeps them. Whatever the TV
// sends, an entry either makes a whole record or is skipped.
namespace tvreply {

// The value under `key` when it is text.
std::optional<QString> text(const QJsonObject &object, const QString &key);

// One object of "devices" (tv/getExternalInputList): needs "id" as text; "label" falls back
// to the id, "appId" to empty, "connected" to false.
std::optional<ExternalInput> input(const QJsonObject &object);

// One object of "launchPoints": needs "id" and "title" as text; the icon is iconURL().
std::optional<TVApp> app(const QJsonObject &object);

// "largeIcon", or "icon" when "largeIcon" is missing, when that value is text and a valid
// URL with a scheme. A "largeIcon" that is present but not text gives no icon.
std::optional<QUrl> iconURL(const QJsonObject &object);

} // namespace tvreply
