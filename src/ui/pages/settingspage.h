#pragma once

#include <QWidget>

struct UiContext;
class PageHeader;

// The settings screen.
class SettingsPage : public QWidget {
    Q_OBJECT

public:
    explicit SettingsPage(UiContext &ctx, QWidget *parent = nullptr);

private:
    UiContext &m_ctx;
    PageHeader *m_header;
};
