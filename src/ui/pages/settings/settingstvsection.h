#pragma once

#include "ui/pages/settings/settingssection.h"

class QFormLayout;
class QLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class SettingsController;

// The selected TV: its name and MAC fields, model, host and pairing state, and save, wake
// and delete. Without a selected TV it says so and offers nothing to act on.
class SettingsTVSection : public SettingsSection {
    Q_OBJECT

public:
    explicit SettingsTVSection(SettingsController *controller, QWidget *parent = nullptr);

private:
    QWidget *buildEmpty();
    QWidget *buildForm();
    QLayout *buildButtons();
    QLineEdit *field(const QString &name, const QString &accessible, const QString &placeholder);
    QPushButton *button(const QString &name, const QString &text);
    void refresh();

    SettingsController *m_controller;
    QStackedWidget *m_stack;
    QWidget *m_empty = nullptr;
    QWidget *m_form = nullptr;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_mac = nullptr;
    QLabel *m_model = nullptr;
    QLabel *m_host = nullptr;
    QLabel *m_pairing = nullptr;
    QLabel *m_macError = nullptr;  // why the typed MAC was not saved
    QFormLayout *m_formLayout = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_wake = nullptr;
    QPushButton *m_delete = nullptr;
};
