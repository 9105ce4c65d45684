#include "ui/pages/settings/settingssection.h"

#include "ui/theme/metrics.h"

#include <QLabel>
#include <QVBoxLayout>

SettingsSection::SettingsSection(const QString &title, QWidget *parent)
    : Panel(parent)
    , m_title(new QLabel(title, this))
    , m_body(new QVBoxLayout)
{
    m_title->setFont(boldFont(m_title->font(), fontScale::section));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(margins::none);
    layout->setSpacing(spacing::items);
    layout->addWidget(m_title);
    m_body->setSpacing(spacing::related);
    layout->addLayout(m_body);
}

QLabel *SettingsSection::note(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}
