#include "core/tvrequests.h"

#include "protocol/ssapuris.h"

namespace tvrequest {

TVRequest launch(const QString &appId)
{
    return {ssapuri::launch, {{QStringLiteral("id"), appId}}};
}

TVRequest switchInput(const QString &inputId)
{
    return {ssapuri::switchInput, {{QStringLiteral("inputId"), inputId}}};
}

TVRequest insertText(const QString &text)
{
    return {ssapuri::insertText, {{QStringLiteral("text"), text}, {QStringLiteral("replace"), false}}};
}

TVRequest volumeUp()
{
    return {ssapuri::volumeUp, {}};
}

TVRequest volumeDown()
{
    return {ssapuri::volumeDown, {}};
}

TVRequest setVolume(int level)
{
    return {ssapuri::setVolume, {{QStringLiteral("volume"), level}}};
}

TVRequest setMute(bool mute)
{
    return {ssapuri::setMute, {{QStringLiteral("mute"), mute}}};
}

TVRequest turnOff()
{
    return {ssapuri::turnOff, {}};
}

} // namespace tvrequest
