#pragma once

#include "core/connectionstate.h"

#include <QColor>
#include <QString>

// The connection state as every screen names it; "待机" wins whenever the TV is in standby.
// Kept here so widgets need only this header; the wording lives with ConnectionState.
QString stateTitle(const ConnectionState &state, bool standby);

// The status dot's colour for a state; `dark` picks the brighter green of the dark appearance.
QColor statusDotColor(const ConnectionState &state, bool standby, bool dark);

// The red of errors: the status dot and every error text, readable on both appearances.
QColor errorColor();

// A two-tone theme colour from 24-bit RGB values: the first in the dark appearance.
QColor twoTone(quint32 darkRgb, quint32 lightRgb, bool dark);
