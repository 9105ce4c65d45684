#pragma once

#include "ui/theme/roundiconbutton.h"

class TVSession;

// Turns a connected, awake TV off; in every other state wakes it over the network.
class PowerButton : public RoundIconButton {
    Q_OBJECT
    Q_PROPERTY(bool turnsOff READ turnsOff NOTIFY turnsOffChanged)

public:
    PowerButton(TVSession *session, Icons *icons, int size, QWidget *parent = nullptr);

    // True when a press turns the TV off, false when it wakes it.
    bool turnsOff() const { return m_turnsOff; }

Q_SIGNALS:
    void turnsOffChanged(bool turnsOff);

private:
    void refresh();
    void press();

    TVSession *m_session;
    bool m_turnsOff = false;
};
