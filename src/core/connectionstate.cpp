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
    switch (m_kind) {
    case Kind::offline:
        return QCoreApplication::translate("ConnectionState", "未连接");
    case Kind::connecting:
        return QCoreApplication::translate("ConnectionState", "连接中");
    case Kind::awaitingApproval:
        return QCoreApplication::translate("ConnectionState", "等待配对");
    case Kind::ready:
        return QCoreApplication::translate("ConnectionState", "已连接");
    case Kind::waking:
        return QCoreApplication::translate("ConnectionState", "唤醒中");
    case Kind::sleeping:
        return QCoreApplication::translate("ConnectionState", "待机");
    case Kind::error:
        return QCoreApplication::translate("ConnectionState", "连接失败");
    }
    return QString();
}

QString ConnectionState::title(bool standby) const
{
    return standby ? QCoreApplication::translate("ConnectionState", "待机") : title();
}
