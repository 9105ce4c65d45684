#include "ui/pages/apps/appsrules.h"

#include <QCoreApplication>
#include <QKeySequence>

namespace appsrules {

QList<TVApp> shownApps(const QList<TVApp> &apps, const QString &query, int tab)
{
    QList<TVApp> shown;
    if (query.isEmpty()) {
        shown = apps;
    } else {
        for (const TVApp &app : apps) {
            // Not trimmed on purpose: a query of one space finds titles with a space.
            if (app.title.contains(query, Qt::CaseInsensitive))
                shown.append(app);
        }
    }
    if (tab == inputsTab && query.isEmpty() && shown.size() > kInputsTabApps)
        shown.resize(kInputsTabApps);
    return shown;
}

QString emptyAppsText(const ConnectionState &state)
{
    return state.is(ConnectionState::Kind::ready) ? QCoreApplication::translate("AppsRules", "正在读取应用列表…")
                                                 : QCoreApplication::translate("AppsRules", "连接电视后显示应用");
}

int inputInUse(const QList<ExternalInput> &inputs, const QString &foregroundAppId)
{
    if (foregroundAppId.isEmpty())
        return -1;
    for (qsizetype i = 0; i < inputs.size(); ++i) {
        if (inputs.at(i).appId == foregroundAppId)
            return int(i);
    }
    return -1;
}

bool hasConnectedTV(const ConnectionState &state)
{
    return state.is(ConnectionState::Kind::ready);
}

QString currentInputText(const ConnectionState &state, const QString &foregroundTitle)
{
    return hasConnectedTV(state) ? foregroundTitle : QCoreApplication::translate("AppsRules", "未连接电视");
}

QString currentInputSymbol(const ConnectionState &state)
{
    return hasConnectedTV(state) ? QStringLiteral("app.badge")
                                 : QStringLiteral("cable.connector.horizontal");
}

QString switchTooltip(const ExternalInput &input)
{
    return QCoreApplication::translate("AppsRules", "切换到 %1").arg(input.label);
}

QString searchHint()
{
    // Ctrl stands for Command on macOS, so this reads "⌘F" there.
    return QKeySequence(Qt::CTRL | Qt::Key_F).toString(QKeySequence::NativeText);
}

}  // namespace appsrules
