#include "connectionstate.h"

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
