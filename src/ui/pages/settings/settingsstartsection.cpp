#include "ui/pages/settings/settingsstartsection.h"

#include "platform/loginitem.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

SettingsStartSection::SettingsStartSection(LoginItem *loginItem, QWidget *parent)
    : SettingsSection(tr("启动"), parent)
    , m_loginItem(loginItem)
    , m_switch(new QCheckBox(tr("登录时启动"), this))
    , m_error(note(QString(), this))
{
    setObjectName(QStringLiteral("settingsStartSection"));
    m_switch->setObjectName(QStringLiteral("startAtLoginSwitch"));
    m_switch->setAccessibleName(m_switch->text());
    m_switch->setToolTip(tr("登录后在托盘中启动，不打开主窗口。"));
    m_switch->setEnabled(m_loginItem != nullptr);
    m_error->setObjectName(QStringLiteral("startAtLoginError"));
    m_error->hide();
    body()->addWidget(m_switch);
    body()->addWidget(m_error);
    refresh();
    QObject::connect(m_switch, &QCheckBox::toggled, this, &SettingsStartSection::toggled);
    // Back from another program (a file manager, a terminal): the entry may have changed.
    QObject::connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive && isVisible())
            refresh();
    });
}

void SettingsStartSection::refresh()
{
    const QSignalBlocker blocker(m_switch);
    m_switch->setChecked(m_loginItem && m_loginItem->isEnabled());
}

void SettingsStartSection::showEvent(QShowEvent *event)
{
    SettingsSection::showEvent(event);
    refresh();
}

void SettingsStartSection::toggled(bool on)
{
    if (!m_loginItem)
        return;
    const bool done = m_loginItem->setEnabled(on);
    m_error->setVisible(!done);
    m_error->setText(done ? QString() : tr("无法更改登录时启动。%1").arg(m_loginItem->errorString()));
    refresh();
}
