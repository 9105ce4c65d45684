#pragma once

#include <QLatin1StringView>

// Every request URI the program sends to the TV, in one place. Written as passed to
// SSAPClient, which puts "ssap://" in front.
namespace ssapuri {

// Connection and pairing.
inline constexpr QLatin1StringView systemInfo{"system/getSystemInfo"};
inline constexpr QLatin1StringView setPin{"pairing/setPin"};
inline constexpr QLatin1StringView connectionInfo{"com.webos.service.connectionmanager/getinfo"};

// Subscriptions.
inline constexpr QLatin1StringView volumeStatus{"audio/getVolume"};
inline constexpr QLatin1StringView foregroundApp{"com.webos.applicationManager/getForegroundAppInfo"};
inline constexpr QLatin1StringView powerState{"com.webos.service.tvpower/power/getPowerState"};
inline constexpr QLatin1StringView remoteKeyboard{"com.webos.service.ime/registerRemoteKeyboard"};

// Lists.
inline constexpr QLatin1StringView inputList{"tv/getExternalInputList"};
inline constexpr QLatin1StringView launchPoints{"com.webos.applicationManager/listLaunchPoints"};

// Commands.
inline constexpr QLatin1StringView switchInput{"tv/switchInput"};
inline constexpr QLatin1StringView launch{"system.launcher/launch"};
inline constexpr QLatin1StringView insertText{"com.webos.service.ime/insertText"};
inline constexpr QLatin1StringView sendEnterKey{"com.webos.service.ime/sendEnterKey"};
inline constexpr QLatin1StringView volumeUp{"audio/volumeUp"};
inline constexpr QLatin1StringView volumeDown{"audio/volumeDown"};
inline constexpr QLatin1StringView setVolume{"audio/setVolume"};
inline constexpr QLatin1StringView setMute{"audio/setMute"};
inline constexpr QLatin1StringView channelUp{"tv/channelUp"};
inline constexpr QLatin1StringView channelDown{"tv/channelDown"};
// Followed by the action: "play", "pause", "stop", "rewind", "fastForward".
inline constexpr QLatin1StringView mediaControls{"media.controls/"};
inline constexpr QLatin1StringView createToast{"system.notifications/createToast"};
inline constexpr QLatin1StringView turnOff{"system/turnOff"};

// The pointer socket and the screen.
inline constexpr QLatin1StringView pointerInputSocket{"com.webos.service.networkinput/getPointerInputSocket"};
inline constexpr QLatin1StringView screenshot{"tv/executeOneShot"};

} // namespace ssapuri
