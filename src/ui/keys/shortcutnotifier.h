#pragma once

#include <QObject>
#include <QString>

// The one application-wide shortcut notification: menu commands and the F5 key post a short
// action text ("remote", "apps", "devices", "settings", "find", "refresh"); the key monitors
// of the windows turn it into page changes, search focus and rescans.
class ShortcutNotifier : public QObject {
    Q_OBJECT

public:
    explicit ShortcutNotifier(QObject *parent = nullptr) : QObject(parent) {}

    void post(const QString &action) { Q_EMIT posted(action); }

Q_SIGNALS:
    void posted(const QString &action);
};
