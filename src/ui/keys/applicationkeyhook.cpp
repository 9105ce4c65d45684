#include "ui/keys/applicationkeyhook.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

ApplicationKeyHook::ApplicationKeyHook(QWidget *owner, bool wanted)
    : QObject(owner)
    , m_owner(owner)
    , m_wanted(wanted)
{
    owner->installEventFilter(this);
    if (owner->isVisible())
        install();
}

ApplicationKeyHook::~ApplicationKeyHook()
{
    remove();
}

void ApplicationKeyHook::install()
{
    if (!m_wanted || m_installed)
        return;
    qApp->installEventFilter(this);
    m_installed = true;
}

void ApplicationKeyHook::remove()
{
    if (!m_installed)
        return;
    qApp->removeEventFilter(this);
    m_installed = false;
}

bool ApplicationKeyHook::textEditorHasFocus()
{
    const QWidget *focus = QApplication::focusWidget();
    return focus && focus->testAttribute(Qt::WA_InputMethodEnabled);
}

bool ApplicationKeyHook::meantForOwner(QObject *watched) const
{
    // A press reaches the window first, then the focus widget and its parents: acting at the
    // window alone acts once per press.
    if (!m_owner || !watched->isWindowType())
        return false;
    QWidget *window = m_owner->window();
    return static_cast<QWindow *>(watched) == window->windowHandle() && window->isActiveWindow();
}

bool ApplicationKeyHook::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_owner) {
        if (event->type() == QEvent::Show)
            install();
        else if (event->type() == QEvent::Hide)
            remove();
        return false;
    }
    if (event->type() != QEvent::KeyPress || !meantForOwner(watched) || textEditorHasFocus())
        return false;
    return handleKey(static_cast<QKeyEvent *>(event));
}
