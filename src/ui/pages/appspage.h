#pragma once

#include "shell.h"

#include <QWidget>

struct UiContext;
class PageHeader;

// The apps and inputs screen.
class AppsPage : public QWidget {
    Q_OBJECT

public:
    AppsPage(UiContext &ctx, Shell shell, QWidget *parent = nullptr);

public Q_SLOTS:
    // Gives the search field the keyboard focus (the "搜索应用" command).
    void focusSearch();

private:
    UiContext &m_ctx;
    Shell m_shell;
    PageHeader *m_header;
};
