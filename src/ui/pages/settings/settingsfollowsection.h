#pragma once

#include "ui/pages/settings/settingssection.h"

class FollowComputer;
class QCheckBox;
class QLabel;

// The TV follows the computer: off when it sleeps or shuts down, on again when it wakes. Both
// switches are disabled, with the reason, where the computer does not announce its sleep.
class SettingsFollowSection : public SettingsSection {
    Q_OBJECT

public:
    explicit SettingsFollowSection(FollowComputer *follow, QWidget *parent = nullptr);

private:
    void refresh();

    FollowComputer *m_follow;
    QCheckBox *m_off;
    QCheckBox *m_on;
    QLabel *m_unavailable;
};
