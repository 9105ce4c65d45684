#include "ui/keys/appkeymonitor.h"

#include "ui/keys/keycommands.h"
#include "ui/keys/remotekeys.h"
#include "ui/keys/shortcutnotifier.h"
#include "core/tvsession.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenu>

AppKeyMonitor::AppKeyMonitor(QWidget *owner, TVSession *session, ShortcutNotifier *shortcuts, bool captureKeys)
    : AppKeyMonitor(owner, session, std::make_shared<SessionKeyCommands>(session), shortcuts, captureKeys)
{
}

AppKeyMonitor::AppKeyMonitor(QWidget *owner, TVSession *session, std::shared_ptr<KeyCommands> commands,
                             ShortcutNotifier *shortcuts, bool captureKeys, KeyGate::Clock clock)
    : ApplicationKeyHook(owner, captureKeys)
    , m_session(session)
    , m_commands(std::move(commands))
    , m_shortcuts(shortcuts)
    , m_gate(std::move(clock))
{
    QObject::connect(shortcuts, &ShortcutNotifier::posted, this, &AppKeyMonitor::onShortcut);
}

bool AppKeyMonitor::handleKey(QKeyEvent *event)
{
    NavigateAction navigate;
    if (m_page != Page::remote)
        navigate = [this](const QString &name) { m_commands->button(buttonForNavigation(name)); };
    const RefreshAction refresh = [this] { m_shortcuts->post(Shortcut::refresh); };
    return handleRemoteKey(*event, *m_commands, m_gate, navigate, true, refresh);
}

bool AppKeyMonitor::shortcutIsForUs() const
{
    if (!owner())
        return false;
    const QWidget *mine = owner()->window();
    // An open popup (the tray panel) has the keys without ever becoming the active window:
    // what is pressed there is for it, not for the window behind it. A menu is part of the
    // window it drops from.
    const QWidget *popup = QApplication::activePopupWidget();
    if (popup && !qobject_cast<const QMenu *>(popup))
        return popup == mine;
    // The active window, or the main window when none of ours is active.
    if (const QWidget *active = QApplication::activeWindow())
        return active == mine;
    return qobject_cast<const QMainWindow *>(mine) != nullptr;
}

void AppKeyMonitor::request(Page page)
{
    m_page = page;
    Q_EMIT pageRequested(page);
}

void AppKeyMonitor::onShortcut(Shortcut shortcut)
{
    if (!shortcutIsForUs())
        return;
    if (const auto page = shortcutPage(shortcut)) {
        request(*page);
    } else if (shortcut == Shortcut::find) {
        request(Page::apps);
        Q_EMIT focusSearchRequested();
    } else if (shortcut == Shortcut::refresh) {
        request(Page::devices);
        m_session->scan();
    }
}
