#pragma once

#include "ui/page.h"

#include <QObject>

#include <optional>

// What a menu command or key asks the windows for: a page, the app search, or a rescan.
enum class Shortcut { remote, apps, devices, settings, find, refresh };

// The page a shortcut shows by itself; find and refresh also show a page but do more.
inline std::optional<Page> shortcutPage(Shortcut shortcut)
{
    switch (shortcut) {
    case Shortcut::remote: return Page::remote;
    case Shortcut::apps: return Page::apps;
    case Shortcut::devices: return Page::devices;
    case Shortcut::settings: return Page::settings;
    case Shortcut::find:
    case Shortcut::refresh: break;
    }
    return std::nullopt;
}

// The one application-wide shortcut notification: menu commands and the F5 key post a
// shortcut; the key monitors of the windows turn it into page changes, search focus and
// rescans.
class ShortcutNotifier : public QObject {
    Q_OBJECT

public:
    explicit ShortcutNotifier(QObject *parent = nullptr) : QObject(parent) {}

    void post(Shortcut shortcut) { Q_EMIT posted(shortcut); }

Q_SIGNALS:
    void posted(Shortcut shortcut);
};
