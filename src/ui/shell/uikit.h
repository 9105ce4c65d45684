#pragma once

#include "ui/uicontext.h"

#include <QObject>

// The window half of the wiring, over the services: the theme, the icons, the shortcut
// notices and the commands, filled into one UiContext. The windowed application, the window
// tests and the benchmarks build it here; it owns what it creates and outlives the windows.
class UiKit : public QObject {
    Q_OBJECT

public:
    UiKit(TVSession *session, DeviceStore *store, MCPServer *mcp, const Settings &settings,
          QObject *parent = nullptr);

    UiContext &context() { return m_ctx; }

private:
    UiContext m_ctx;
};
