#pragma once

#include "shell.h"

#include <QWidget>

struct UiContext;
class KeyHits;
class PageHeader;

// The remote screen. For now: its header, the connection state and the keyboard capture.
class RemotePage : public QWidget {
    Q_OBJECT

public:
    RemotePage(UiContext &ctx, Shell shell, QWidget *parent = nullptr);

    KeyHits *hits() const { return m_hits; }

private:
    UiContext &m_ctx;
    Shell m_shell;
    KeyHits *m_hits;
    PageHeader *m_header;
};
