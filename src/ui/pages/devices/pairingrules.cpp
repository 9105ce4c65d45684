#include "ui/pages/devices/pairingrules.h"

#include <QCoreApplication>

namespace pairing {

using Kind = ConnectionState::Kind;

MainAction mainAction(const ConnectionState &state)
{
    switch (state.kind()) {
    case Kind::awaitingApproval:
    case Kind::connecting:
        return MainAction::resendRequest;
    case Kind::sleeping:
        return MainAction::wake;
    case Kind::ready:
        return MainAction::disconnect;
    case Kind::offline:
    case Kind::waking:
    case Kind::error:
        break;
    }
    return MainAction::connect;
}

QString mainLabel(MainAction action)
{
    switch (action) {
    case MainAction::resendRequest:
        return QCoreApplication::translate("PairingRules", "重新发送配对请求");
    case MainAction::wake:
        return QCoreApplication::translate("PairingRules", "网络唤醒 (WOL)");
    case MainAction::disconnect:
        return QCoreApplication::translate("PairingRules", "断开连接");
    case MainAction::connect:
        break;
    }
    return QCoreApplication::translate("PairingRules", "连接电视");
}

int currentStep(const ConnectionState &state, bool hasSelection)
{
    if (state.is(Kind::awaitingApproval) || state.is(Kind::connecting))
        return 2;
    if (state.is(Kind::ready))
        return 3;
    return hasSelection ? 1 : 0;
}

bool showsPinEntry(const ConnectionState &state)
{
    return state.is(Kind::awaitingApproval) && state.pin();
}

bool showsConnecting(const ConnectionState &state)
{
    return state.is(Kind::connecting);
}

bool pinPairingEnabled(const ConnectionState &state, bool hasSelection)
{
    return hasSelection && !state.is(Kind::ready);
}

QString dots(int phase)
{
    const int count = ((phase % 4) + 4) % 4;
    return QString(count, QLatin1Char('.'));
}

}  // namespace pairing
