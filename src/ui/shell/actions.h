#pragma once

#include "ui/keys/keygate.h"

#include <QHash>
#include <QKeySequence>
#include <QObject>

class QAction;
class QMenuBar;
class ShortcutNotifier;
enum class Shortcut;
class TVSession;

// Every menu command with its shortcut, made in one place. The page commands post the
// shortcut notification; "主页" sends HOME through its own one-second gate; "退出" asks the
// application to quit.
class Actions : public QObject {
    Q_OBJECT

public:
    Actions(TVSession *session, ShortcutNotifier *shortcuts, KeyGate::Clock clock = &std::chrono::steady_clock::now,
            QObject *parent = nullptr);

    // By object name: "settings", "remote", "apps", "devices", "find", "refresh", "home",
    // "miniRemote", "quit".
    QAction *action(const QString &name) const;
    QList<QAction *> all() const { return m_ordered; }

    // The application menu, "前往" and "电视", in that order.
    void fillMenuBar(QMenuBar *bar) const;

Q_SIGNALS:
    void quitRequested();

private:
    QAction *make(const QString &name, const QString &text, const QKeySequence &shortcut);
    void postOnTrigger(QAction *action, Shortcut shortcut);
    void home();

    TVSession *m_session;
    ShortcutNotifier *m_shortcuts;
    KeyGate m_homeGate;
    QHash<QString, QAction *> m_byName;
    QList<QAction *> m_ordered;
};
