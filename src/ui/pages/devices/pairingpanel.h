#pragma once

#include "ui/theme/panel.h"

class ConnectingDots;
class DeviceStore;
class DevicesActions;
class Icons;
class PageButton;
class QLabel;
class QLayout;
class QLineEdit;
class StepsView;
class TVSession;

// Connecting and pairing with the selected TV: steps, progress, PIN entry and the main button.
class PairingPanel : public Panel {
    Q_OBJECT

public:
    PairingPanel(TVSession *session, DevicesActions *actions, Icons *icons, QWidget *parent = nullptr);

    StepsView *steps() const { return m_steps; }
    PageButton *mainButton() const { return m_main; }
    PageButton *pinButton() const { return m_pinPairing; }
    QLineEdit *pinField() const { return m_pinField; }
    QWidget *pinEntry() const { return m_pinEntry; }
    // The TV's refusal of the last PIN, under the field; hidden otherwise.
    QLabel *pinError() const { return m_pinError; }
    QWidget *connectingRow() const { return m_connecting; }
    ConnectingDots *dots() const { return m_dots; }

private:
    QLayout *buildHeading();
    QLayout *buildNote(Icons *icons);
    QWidget *buildPinEntry(Icons *icons);
    void refresh();
    void submitPin();
    void showPinRefusal(const QString &reason);

    TVSession *m_session;
    DeviceStore *m_store;
    DevicesActions *m_actions;
    QLabel *m_name;
    StepsView *m_steps;
    QWidget *m_connecting;
    QLabel *m_connectingText;
    ConnectingDots *m_dots;
    PageButton *m_pinPairing;
    QWidget *m_pinEntry;
    QLineEdit *m_pinField;
    QLabel *m_pinError;
    PageButton *m_submit;
    PageButton *m_main;
};
