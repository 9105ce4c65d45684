#pragma once

#include "ui/theme/panel.h"

class QLabel;
class QVBoxLayout;

// A titled card of the settings page; the sections put their rows under the title.
class SettingsSection : public Panel {
    Q_OBJECT

public:
    explicit SettingsSection(const QString &title, QWidget *parent = nullptr);

    QVBoxLayout *body() const { return m_body; }
    QLabel *titleLabel() const { return m_title; }

    // A secondary line of text (notes, descriptions): wraps, in the palette's softer colour.
    static QLabel *note(const QString &text, QWidget *parent);

private:
    QLabel *m_title;
    QVBoxLayout *m_body;
};
