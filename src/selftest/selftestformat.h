#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace selftest {

// A reply payload as one log-friendly text: compact JSON with sorted keys, cut to its first
// 800 characters.
QString payloadSummary(const QJsonObject &payload);

// ["a", "b"]: each text quoted, quotes and backslashes escaped, so the list reads back
// unambiguously whatever the TV named its inputs and apps.
QString quotedList(const QStringList &items);

} // namespace selftest
