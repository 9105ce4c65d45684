#pragma once

#include "ui/pages/devices/pairingrules.h"

#include <QString>

#include <functional>

class DeviceStore;
class TVSession;

// Everything the devices page does to the session and the saved TVs, apart from the widgets
// that ask for it.
class DevicesActions {
public:
    explicit DevicesActions(TVSession *session);

    // Saves the typed address and connects to it (prompt pairing). False, with nothing done,
    // when the text is not a dotted IPv4 address.
    bool addManualHost(const QString &text);
    // Makes the TV the selected one; does not connect.
    void select(const QString &id);
    // The selected TV is disconnected before it goes; another TV's removal leaves the
    // connection alone.
    void remove(const QString &id);
    // The pairing panel's main button for the current state; nothing without a saved,
    // selected TV.
    void runMainAction();
    // Connects to the selected TV asking it for a PIN instead of the prompt.
    void pairWithPin();
    // Hands the trimmed PIN to the session; false (nothing sent) when it is empty. onRefused
    // gets the TV's reason when it does not take the PIN (the session logs it as well).
    bool submitPin(const QString &pin, std::function<void(const QString &reason)> onRefused = {});
    void scan();

    bool hasSelection() const;
    pairing::MainAction mainAction() const;

private:
    DeviceStore *store() const;

    TVSession *m_session;
};
