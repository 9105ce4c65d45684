#include "ui/shell/actions.h"

#include "ui/keys/shortcutnotifier.h"
#include "core/tvsession.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

Actions::Actions(TVSession *session, ShortcutNotifier *shortcuts, KeyGate::Clock clock, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_shortcuts(shortcuts)
    , m_homeGate(std::move(clock))
{
    postOnTrigger(make(QStringLiteral("settings"), tr("设置…"), QKeySequence(Qt::CTRL | Qt::Key_Comma)),
                  Shortcut::settings);
    postOnTrigger(make(QStringLiteral("remote"), tr("遥控器"), QKeySequence(Qt::CTRL | Qt::Key_1)),
                  Shortcut::remote);
    postOnTrigger(make(QStringLiteral("apps"), tr("应用与输入"), QKeySequence(Qt::CTRL | Qt::Key_2)),
                  Shortcut::apps);
    postOnTrigger(make(QStringLiteral("devices"), tr("设备管理"), QKeySequence(Qt::CTRL | Qt::Key_3)),
                  Shortcut::devices);
    postOnTrigger(make(QStringLiteral("find"), tr("搜索应用"), QKeySequence(Qt::CTRL | Qt::Key_F)),
                  Shortcut::find);
    postOnTrigger(make(QStringLiteral("refresh"), tr("重新搜索电视"), QKeySequence(Qt::CTRL | Qt::Key_R)),
                  Shortcut::refresh);
    QObject::connect(make(QStringLiteral("home"), tr("主页"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H)),
                     &QAction::triggered, this, &Actions::home);
    // Opens the compact remote as a small window; only shown where the desktop has no tray.
    make(QStringLiteral("miniRemote"), tr("迷你遥控器"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M))
        ->setVisible(false);
    QAction *quit = make(QStringLiteral("quit"), tr("退出"), QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);
    QObject::connect(quit, &QAction::triggered, this, &Actions::quitRequested);
}

QAction *Actions::make(const QString &name, const QString &text, const QKeySequence &shortcut)
{
    auto *action = new QAction(text, this);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    // The commands work from every window of the program, the tray panel included.
    action->setShortcutContext(Qt::ApplicationShortcut);
    action->setMenuRole(QAction::NoRole);
    m_byName.insert(name, action);
    m_ordered.append(action);
    return action;
}

void Actions::postOnTrigger(QAction *action, Shortcut shortcut)
{
    QObject::connect(action, &QAction::triggered, this, [this, shortcut] { m_shortcuts->post(shortcut); });
}

void Actions::home()
{
    if (m_homeGate.allow(QStringLiteral("home")))
        m_session->button(QStringLiteral("HOME"));
}

QAction *Actions::action(const QString &name) const
{
    return m_byName.value(name);
}

void Actions::fillMenuBar(QMenuBar *bar) const
{
    QMenu *app = bar->addMenu(QStringLiteral("Veltrix"));
    app->setObjectName(QStringLiteral("menuApplication"));
    app->addAction(action(QStringLiteral("settings")));
    app->addAction(action(QStringLiteral("miniRemote")));
    app->addSeparator();
    app->addAction(action(QStringLiteral("quit")));

    QMenu *go = bar->addMenu(tr("前往"));
    go->setObjectName(QStringLiteral("menuGo"));
    for (const char *name : {"remote", "apps", "devices"})
        go->addAction(action(QLatin1String(name)));
    go->addSeparator();
    go->addAction(action(QStringLiteral("find")));
    go->addAction(action(QStringLiteral("refresh")));

    QMenu *tv = bar->addMenu(tr("电视"));
    tv->setObjectName(QStringLiteral("menuTV"));
    tv->addAction(action(QStringLiteral("home")));
}
