#include "ui/pages/settings/settingssection.h"

#include <QLabel>
#include <QVBoxLayout>

SettingsSection::SettingsSection(const QString &title, QWidget *parent)
    : Panel(parent)
    , m_title(new QLabel(title, this))
    , m_body(new QVBoxLayout)
{
    QFont font = m_title->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.15);
    m_title->setFont(font);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    layout->addWidget(m_title);
    m_body->setSpacing(8);
    layout->addLayout(m_body);
}

QLabel *SettingsSection::note(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}
