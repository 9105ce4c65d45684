#pragma once

#include "ui/theme/panel.h"
#include "ui/theme/viewlayout.h"

class Icons;
class QLabel;
class QLineEdit;
class QWidget;
class RoundIconButton;
class TouchpadSurface;
class TVSession;

// The touchpad card: the surface that moves, clicks and scrolls on the TV, and a text row
// that types into the TV's focused input field.
class TouchpadPanel : public Panel {
    Q_OBJECT

public:
    // Motion on the surface is scaled by this before it reaches the TV.
    static constexpr double motionScale = 1.5;

    TouchpadPanel(TVSession *session, Icons *icons, ViewLayout layout, QWidget *parent = nullptr);

    TouchpadSurface *surface() const { return m_surface; }
    QLineEdit *field() const { return m_field; }
    RoundIconButton *sendButton() const { return m_send; }

    // Sends the field's text to the TV and empties the field; an empty field sends nothing.
    void sendText();

private:
    void showKeyboardFocus(bool focused);

    TVSession *m_session;
    TouchpadSurface *m_surface;
    QWidget *m_textRow;
    QLineEdit *m_field;
    RoundIconButton *m_send;
};
