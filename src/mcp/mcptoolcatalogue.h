#pragma once

#include <QStringList>

// The button names are shared by the catalogue and tv_press_button, so the advertised enum and
// the accepted values can never drift apart.
namespace veltrix::mcptools {

// The remote-control keys tv_press_button accepts, in catalogue order.
const QStringList &buttonNames();

} // namespace veltrix::mcptools
