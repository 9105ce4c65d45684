#pragma once

#include <QString>

#include <functional>

class KeyCommands;
class KeyGate;
class KeyHits;
class QKeyEvent;

using NavigateAction = std::function<void(const QString &name)>;  // "UP", "DOWN", "LEFT", "RIGHT", "OK"
using RefreshAction = std::function<void()>;

// The whole key map. True when the key was consumed; false passes the event on to the focused
// control. `navigate` and `refresh` may be empty.
bool handleRemoteKey(const QKeyEvent &event, KeyCommands &commands, KeyGate &gate, const NavigateAction &navigate,
                     bool media, const RefreshAction &refresh);

// The D-pad press shared by the on-screen D-pad and the keyboard: "OK" goes out as "ENTER".
QString buttonForNavigation(const QString &name);

// A D-pad press from a click or a key: records the hit (when there are hits to flash), then
// sends the button.
void pressDPad(const QString &name, KeyCommands &commands, KeyHits *hits);
