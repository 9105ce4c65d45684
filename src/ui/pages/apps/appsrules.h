#pragma once

#include "core/connectionstate.h"
#include "core/tvmodels.h"

#include <QList>
#include <QString>

// What the apps and inputs page lists and says, without widgets.
namespace appsrules {

enum Tab { appsTab = 0, inputsTab = 1 };

// How many apps the inputs tab lists while nothing is searched.
inline constexpr int kInputsTabApps = 6;

// The apps in the session's order whose title contains the query, ignoring case (an empty
// query keeps all); on the inputs tab, with no query, only the first few.
QList<TVApp> shownApps(const QList<TVApp> &apps, const QString &query, int tab);

// The text of an empty app grid: the list is on its way once the TV is ready.
QString emptyAppsText(const ConnectionState &state);

// Index of the input the TV shows (the first whose app id is in the foreground), or -1.
int inputInUse(const QList<ExternalInput> &inputs, const QString &foregroundAppId);

// The current-input card: the foreground title while a TV is connected, else "未连接电视".
bool hasConnectedTV(const ConnectionState &state);
QString currentInputText(const ConnectionState &state, const QString &foregroundTitle);
QString currentInputSymbol(const ConnectionState &state);

QString switchTooltip(const ExternalInput &input);

// The find shortcut as this platform writes it ("Ctrl+F" on Linux).
QString searchHint();

}  // namespace appsrules
