#pragma once

#include <QWidget>

struct UiContext;
class PageHeader;
class QButtonGroup;
class SettingsController;

// The settings screen: the selected TV, the appearance, the MCP service and the log file.
class SettingsPage : public QWidget {
    Q_OBJECT

public:
    explicit SettingsPage(UiContext &ctx, QWidget *parent = nullptr);

    SettingsController *controller() const { return m_controller; }

private:
    QWidget *buildAppearance();
    QWidget *buildLog();

    UiContext &m_ctx;
    SettingsController *m_controller;
    PageHeader *m_header;
    QButtonGroup *m_appearance = nullptr;
};
