#include "core/connectionstate.h"

#include <QCoreApplication>

QString ConnectionState::debugName() const
{
    switch (m_kind) {
    case Kind::offline:
        return QStringLiteral("offline");
    case Kind::connecting:
        return QStringLiteral("connecting");
    case Kind::awaitingApproval:
        return m_pin ? QStringLiteral("awaitingApproval(pin)")
                     : QStringLiteral("awaitingApproval(prompt)");
    case Kind::ready:
        return QStringLiteral("ready");
    case Kind::waking:
        return QStringLiteral("waking");
    case Kind::sleeping:
        return QStringLiteral("sleeping");
    case Kind::error:
        return QStringLiteral("error(") + m_text + QLatin1Char(')');
    }
    return QStringLiteral("unknown");
}

QString ConnectionState::title() const
{
    auto tr = [](const char *text) { return QCoreApplication::translate("ConnectionState", text); };
    switch (m_kind) {
    case Kind::offline:
        return tr("未连接");
    case Kind::connecting:
        return tr("连接中");
    case Kind::awaitingApproval:
        return tr("等待配对");
    case Kind::ready:
        return tr("已连接");
    case Kind::waking:
        return tr("唤醒中");
    case Kind::sleeping:
        return tr("待机");
    case Kind::error:
        return tr("连接失败");
    }
    return QString();
}

QString ConnectionState::title(bool standby) const
{
    return standby ? QCoreApplication::translate("ConnectionState", "待机") : title();
}
