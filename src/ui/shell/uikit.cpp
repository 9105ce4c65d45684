#include "ui/shell/uikit.h"

#include "preview/sharedpreview.h"
#include "ui/keys/shortcutnotifier.h"
#include "ui/shell/actions.h"
#include "ui/theme/icons.h"
#include "ui/theme/theme.h"

#include <chrono>

UiKit::UiKit(TVSession *session, DeviceStore *store, MCPServer *mcp, const Settings &settings, QObject *parent)
    : QObject(parent)
{
    m_ctx.session = session;
    m_ctx.store = store;
    m_ctx.mcp = mcp;
    m_ctx.settings = settings;
    m_ctx.theme = new Theme(this);
    m_ctx.icons = new Icons(this);
    m_ctx.shortcuts = new ShortcutNotifier(this);
    m_ctx.actions = new Actions(session, m_ctx.shortcuts, &std::chrono::steady_clock::now, this);
    m_ctx.preview = new SharedPreview(session, this);
}
