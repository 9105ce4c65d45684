#include "ui/pages/settings/settingsfollowsection.h"

#include "platform/followcomputer.h"

#include <QCheckBox>
#include <QLabel>
#include <QVBoxLayout>

SettingsFollowSection::SettingsFollowSection(FollowComputer *follow, QWidget *parent)
    : SettingsSection(tr("电脑休眠与唤醒"), parent)
    , m_follow(follow)
    , m_off(new QCheckBox(tr("电脑休眠或关机时关闭电视"), this))
    , m_on(new QCheckBox(tr("电脑唤醒时打开电视"), this))
    , m_unavailable(note(tr("未在系统总线上找到 systemd-logind，无法得知电脑何时休眠或关机。"), this))
{
    setObjectName(QStringLiteral("settingsFollowSection"));
    m_off->setObjectName(QStringLiteral("followComputerOffSwitch"));
    m_off->setAccessibleName(m_off->text());
    m_on->setObjectName(QStringLiteral("followComputerOnSwitch"));
    m_on->setAccessibleName(m_on->text());
    m_unavailable->setObjectName(QStringLiteral("followComputerUnavailable"));
    body()->addWidget(m_off);
    body()->addWidget(m_on);
    body()->addWidget(m_unavailable);

    QObject::connect(m_off, &QCheckBox::toggled, follow, &FollowComputer::setTurnsOff);
    QObject::connect(m_on, &QCheckBox::toggled, follow, &FollowComputer::setTurnsOn);
    QObject::connect(follow, &FollowComputer::turnsOffChanged, this, &SettingsFollowSection::refresh);
    QObject::connect(follow, &FollowComputer::turnsOnChanged, this, &SettingsFollowSection::refresh);
    QObject::connect(follow, &FollowComputer::availableChanged, this, &SettingsFollowSection::refresh);
    refresh();
}

void SettingsFollowSection::refresh()
{
    const bool available = m_follow->isAvailable();
    m_off->setChecked(m_follow->turnsOff());
    m_on->setChecked(m_follow->turnsOn());
    m_off->setEnabled(available);
    // Only a TV turned off here is woken, so waking means nothing while turning off is off.
    m_on->setEnabled(available && m_follow->turnsOff());
    m_unavailable->setVisible(!available);
}
