#pragma once

// Where a view is drawn: in the main window, or smaller in the tray's compact panel.
enum class Shell { window, menuBar };
