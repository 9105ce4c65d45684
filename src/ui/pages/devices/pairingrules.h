#pragma once

#include "core/connectionstate.h"

#include <QString>

// What the pairing panel shows and does for a connection state. No widgets: the panel and the
// tests read the same answers.
namespace pairing {

enum class MainAction { resendRequest, wake, disconnect, connect };

MainAction mainAction(const ConnectionState &state);
QString mainLabel(MainAction action);

// 0 with no TV selected, 1 selected, 2 while the TV is being reached or asked, 3 when ready.
int currentStep(const ConnectionState &state, bool hasSelection);

bool showsPinEntry(const ConnectionState &state);
bool showsConnecting(const ConnectionState &state);
bool pinPairingEnabled(const ConnectionState &state, bool hasSelection);

// "" "." ".." "..." for the animation phases 0 to 3 (any phase wraps).
QString dots(int phase);

}  // namespace pairing
