#include "ui/theme/statetitle.h"

QString stateTitle(const ConnectionState &state, bool standby)
{
    return state.title(standby);
}

QColor twoTone(quint32 darkRgb, quint32 lightRgb, bool dark)
{
    const quint32 rgb = dark ? darkRgb : lightRgb;
    return QColor::fromRgb(int((rgb >> 16) & 0xff), int((rgb >> 8) & 0xff), int(rgb & 0xff));
}

QColor errorColor()
{
    return QColor::fromRgb(255, 77, 94);
}

QColor statusDotColor(const ConnectionState &state, bool standby, bool dark)
{
    static const QColor orange = QColor::fromRgb(255, 149, 0);
    if (standby)
        return orange;
    switch (state.kind()) {
    case ConnectionState::Kind::awaitingApproval: return orange;
    case ConnectionState::Kind::error: return errorColor();
    case ConnectionState::Kind::offline: return QColor::fromRgb(142, 142, 147);
    case ConnectionState::Kind::ready: return twoTone(0x34D47A, 0x1FA85A, dark);
    case ConnectionState::Kind::connecting:
    case ConnectionState::Kind::waking:
    case ConnectionState::Kind::sleeping: return orange;
    }
    return orange;
}
