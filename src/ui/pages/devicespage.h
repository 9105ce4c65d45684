#pragma once

#include <QWidget>

struct UiContext;
class PageHeader;

// The devices and pairing screen.
class DevicesPage : public QWidget {
    Q_OBJECT

public:
    explicit DevicesPage(UiContext &ctx, QWidget *parent = nullptr);

private:
    UiContext &m_ctx;
    PageHeader *m_header;
};
