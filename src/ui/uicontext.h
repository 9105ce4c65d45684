#pragma once

#include "core/settings.h"

class Actions;
class DeviceStore;
class FileRevealer;
class FollowComputer;
class Icons;
class LoginItem;
class MCPServer;
class SharedPreview;
class ShortcutNotifier;
class TVSession;
class Theme;

// The shared objects every page, the main window and the tray work with. The windowed
// application creates it once and passes it by reference; it lives as long as the windows.
struct UiContext {
    TVSession *session = nullptr;
    DeviceStore *store = nullptr;
    MCPServer *mcp = nullptr;
    Settings settings;
    Icons *icons = nullptr;
    Theme *theme = nullptr;
    Actions *actions = nullptr;
    ShortcutNotifier *shortcuts = nullptr;
    FileRevealer *revealer = nullptr;  // shows the log file in the desktop's file manager
    FollowComputer *followComputer = nullptr;  // the TV follows the computer's sleep; none in tests
    LoginItem *loginItem = nullptr;    // start at login
    SharedPreview *preview = nullptr;  // the one capture loop every live picture shares
};
