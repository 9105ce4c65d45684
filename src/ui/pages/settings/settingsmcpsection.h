#pragma once

#include "ui/pages/settings/settingssection.h"

class QCheckBox;
class QLabel;
class QPushButton;
class SettingsController;

// The MCP service: the switch, whether agents may see the TV screen, whether the server runs
// and why it does not, its address, the access token switch with a new token shown once, and
// the two client configurations to copy.
class SettingsMCPSection : public SettingsSection {
    Q_OBJECT

public:
    explicit SettingsMCPSection(SettingsController *controller, QWidget *parent = nullptr);

private:
    void buildSwitches();
    void buildStatus();
    void buildToken();
    void connectController();
    QPushButton *copyButton(const QString &name, const QString &label);
    void refreshServer();
    void refreshCopied();
    void refreshToken();

    SettingsController *m_controller;
    QCheckBox *m_switch;
    QCheckBox *m_screenshots;
    QLabel *m_status;
    QLabel *m_error;
    QLabel *m_address;
    QPushButton *m_copyHTTP;
    QPushButton *m_copyStdio;
    QCheckBox *m_tokenSwitch;
    QWidget *m_tokenPanel;
    QLabel *m_token;
    QPushButton *m_copyToken;
};
