#pragma once

#include "ui/keys/applicationkeyhook.h"
#include "ui/keys/keygate.h"
#include "ui/page.h"

#include <memory>

class KeyCommands;
class ShortcutNotifier;
enum class Shortcut;
class TVSession;

// The window-wide keyboard and shortcut routing: media keys on every page, navigation keys on
// the pages other than the remote (which has its own capture), and the shortcut notification
// turned into page changes, search focus and rescans for its own window.
class AppKeyMonitor : public ApplicationKeyHook {
    Q_OBJECT
    Q_PROPERTY(Page page READ page WRITE setPage NOTIFY pageRequested)

public:
    AppKeyMonitor(QWidget *owner, TVSession *session, ShortcutNotifier *shortcuts, bool captureKeys);
    AppKeyMonitor(QWidget *owner, TVSession *session, std::shared_ptr<KeyCommands> commands,
                  ShortcutNotifier *shortcuts, bool captureKeys, KeyGate::Clock clock = &std::chrono::steady_clock::now);

    // The page the owner shows now; the owner keeps it current.
    Page page() const { return m_page; }
    void setPage(Page page) { m_page = page; }

    // Acts on one notification when it is meant for this monitor's window.
    void onShortcut(Shortcut shortcut);

Q_SIGNALS:
    void pageRequested(Page page);
    void focusSearchRequested();

protected:
    bool handleKey(QKeyEvent *event) override;

private:
    bool shortcutIsForUs() const;
    void request(Page page);

    TVSession *m_session;
    std::shared_ptr<KeyCommands> m_commands;
    ShortcutNotifier *m_shortcuts;
    KeyGate m_gate;
    Page m_page = Page::remote;
};
