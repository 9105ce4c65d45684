#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

class QKeyEvent;

// An application-wide key-press hook that exists only while its owner widget is shown. It sees
// each press once, before the focused control, and only when the press is meant for the
// owner's window while that window is the active one and no text field has the focus.
class ApplicationKeyHook : public QObject {
    Q_OBJECT

public:
    // `wanted` false: never installs (the owner still gets the other behaviour of a subclass).
    ApplicationKeyHook(QWidget *owner, bool wanted);
    ~ApplicationKeyHook() override;

    QWidget *owner() const { return m_owner; }
    bool isInstalled() const { return m_installed; }

    // A text-editing widget has the keyboard focus: line and text edits, spin boxes and
    // editable combo boxes all accept input-method text.
    static bool textEditorHasFocus();

protected:
    // True consumes the press.
    virtual bool handleKey(QKeyEvent *event) = 0;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void install();
    void remove();
    bool meantForOwner(QObject *watched) const;

    QPointer<QWidget> m_owner;
    bool m_wanted;
    bool m_installed = false;
};
