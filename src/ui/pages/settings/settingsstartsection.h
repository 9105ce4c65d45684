#pragma once

#include "ui/pages/settings/settingssection.h"

class LoginItem;
class QCheckBox;
class QLabel;

// Start at login: the switch writes or removes the login item and shows what the item's file
// says whenever the page comes back into view, so an entry removed by hand shows as off.
class SettingsStartSection : public SettingsSection {
    Q_OBJECT

public:
    // Without a login item the switch is disabled.
    explicit SettingsStartSection(LoginItem *loginItem, QWidget *parent = nullptr);

    // Reads the state from the login item again.
    void refresh();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void toggled(bool on);

    LoginItem *m_loginItem;
    QCheckBox *m_switch;
    QLabel *m_error;
};
