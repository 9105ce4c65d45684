#include "ui/pages/settings/settingsmcpsection.h"

#include "ui/theme/metrics.h"

#include "mcp/mcpserver.h"
#include "ui/pages/settings/settingscontroller.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {

const char *const kCopyLabel = "copyLabel";

} // namespace

SettingsMCPSection::SettingsMCPSection(SettingsController *controller, QWidget *parent)
    : SettingsSection(tr("MCP 服务"), parent)
    , m_controller(controller)
    , m_switch(new QCheckBox(tr("启用"), this))
    , m_screenshots(new QCheckBox(tr("允许 Agent 查看电视画面"), this))
    , m_status(new QLabel(this))
    , m_error(note(QString(), this))
    , m_address(new QLabel(this))
    , m_copyHTTP(copyButton(QStringLiteral("copyHttpConfigButton"), tr("复制 HTTP 配置")))
    , m_copyStdio(copyButton(QStringLiteral("copyStdioConfigButton"), tr("复制 stdio 配置")))
    , m_tokenSwitch(new QCheckBox(tr("需要访问令牌"), this))
    , m_tokenPanel(new QWidget(this))
    , m_token(new QLabel(m_tokenPanel))
    , m_copyToken(copyButton(QStringLiteral("copyTokenButton"), tr("复制令牌")))
{
    setObjectName(QStringLiteral("settingsMCPSection"));
    body()->addWidget(note(tr("让 AI Agent 通过 Model Context Protocol 控制电视。服务仅监听本机。"), this));
    buildSwitches();
    buildStatus();
    buildToken();
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_copyHTTP);
    buttons->addWidget(m_copyStdio);
    buttons->addStretch(1);
    body()->addLayout(buttons);
    connectController();
    refreshServer();
    refreshCopied();
    refreshToken();
}

// The service switch and the screenshot permission with its privacy note.
void SettingsMCPSection::buildSwitches()
{
    m_switch->setObjectName(QStringLiteral("mcpSwitch"));
    m_switch->setAccessibleName(m_switch->text());
    m_screenshots->setObjectName(QStringLiteral("mcpScreenshotsSwitch"));
    m_screenshots->setAccessibleName(m_screenshots->text());
    body()->addWidget(m_switch);
    body()->addWidget(m_screenshots);
    QLabel *privacy = note(tr("开启后，Agent 可以截取电视当前的画面，截图会发送给 Agent。电视上可能显示私人内容。"), this);
    privacy->setObjectName(QStringLiteral("mcpScreenshotsNote"));
    m_screenshots->setAccessibleDescription(privacy->text());
    body()->addWidget(privacy);
}

// Whether the server runs, why it does not, and where it listens.
void SettingsMCPSection::buildStatus()
{
    m_status->setObjectName(QStringLiteral("mcpStatus"));
    m_error->setObjectName(QStringLiteral("mcpLastError"));
    paintAsError(m_error);
    m_address->setObjectName(QStringLiteral("mcpAddress"));
    m_address->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *status = new QVBoxLayout;
    status->setSpacing(spacing::tight);
    status->addWidget(m_status);
    status->addWidget(m_error);
    auto *form = new QFormLayout;
    form->setContentsMargins(margins::none);
    form->addRow(tr("状态"), status);
    form->addRow(tr("地址"), m_address);
    body()->addLayout(form);
}

// Local users of a shared computer can reach the loopback port too; the token keeps them out.
void SettingsMCPSection::buildToken()
{
    m_tokenSwitch->setObjectName(QStringLiteral("mcpTokenSwitch"));
    m_tokenSwitch->setAccessibleName(m_tokenSwitch->text());
    body()->addWidget(m_tokenSwitch);
    m_tokenPanel->setObjectName(QStringLiteral("mcpTokenPanel"));
    m_token->setObjectName(QStringLiteral("mcpToken"));
    m_token->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_token->setWordWrap(true);
    m_copyToken->setParent(m_tokenPanel);
    auto *column = new QVBoxLayout(m_tokenPanel);
    column->setContentsMargins(margins::none);
    column->addWidget(note(tr("新的访问令牌只显示这一次；复制的 HTTP 配置已包含它，stdio 配置无需更改。"), m_tokenPanel));
    auto *row = new QHBoxLayout;
    row->addWidget(m_token, 1);
    row->addWidget(m_copyToken);
    column->addLayout(row);
    body()->addWidget(m_tokenPanel);
}

void SettingsMCPSection::connectController()
{
    SettingsController *controller = m_controller;
    m_switch->setChecked(controller->mcpEnabled());
    QObject::connect(m_switch, &QCheckBox::toggled, controller, &SettingsController::setMcpEnabled);
    QObject::connect(controller, &SettingsController::mcpEnabledChanged, m_switch, &QCheckBox::setChecked);
    m_screenshots->setChecked(controller->mcpScreenshots());
    QObject::connect(m_screenshots, &QCheckBox::toggled, controller, &SettingsController::setMcpScreenshots);
    QObject::connect(controller, &SettingsController::mcpScreenshotsChanged, m_screenshots, &QCheckBox::setChecked);
    QObject::connect(m_copyHTTP, &QPushButton::clicked, controller, &SettingsController::copyHTTPConfig);
    QObject::connect(m_copyStdio, &QPushButton::clicked, controller, &SettingsController::copyStdioConfig);
    m_tokenSwitch->setChecked(controller->mcpTokenRequired());
    QObject::connect(m_tokenSwitch, &QCheckBox::toggled, controller, &SettingsController::setMcpTokenRequired);
    QObject::connect(controller, &SettingsController::mcpTokenRequiredChanged, m_tokenSwitch, &QCheckBox::setChecked);
    QObject::connect(controller, &SettingsController::newMcpTokenChanged, this, &SettingsMCPSection::refreshToken);
    QObject::connect(m_copyToken, &QPushButton::clicked, controller, &SettingsController::copyToken);
    QObject::connect(controller, &SettingsController::copiedChanged, this, &SettingsMCPSection::refreshCopied);
    MCPServer *mcp = controller->mcp();
    QObject::connect(mcp, &MCPServer::isRunningChanged, this, &SettingsMCPSection::refreshServer);
    QObject::connect(mcp, &MCPServer::lastErrorChanged, this, &SettingsMCPSection::refreshServer);
}

QPushButton *SettingsMCPSection::copyButton(const QString &name, const QString &label)
{
    auto *button = new QPushButton(label, this);
    button->setObjectName(name);
    button->setAccessibleName(label);
    button->setProperty(kCopyLabel, label);
    // Keeps its width when it reads "已复制", so the row does not jump.
    button->setMinimumWidth(button->sizeHint().width());
    return button;
}

void SettingsMCPSection::refreshServer()
{
    const MCPServer *mcp = m_controller->mcp();
    m_status->setText(mcp->isRunning() ? tr("运行中") : tr("已停止"));
    m_error->setText(mcp->lastError());
    m_error->setVisible(mcp->hasLastError() && !mcp->lastError().isEmpty());
    m_address->setText(m_controller->endpointURL());
}

void SettingsMCPSection::refreshCopied()
{
    const QString copied = m_controller->copied();
    const QList<QPair<QPushButton *, QString>> buttons{{m_copyHTTP, SettingsController::copiedHTTP},
                                                       {m_copyStdio, SettingsController::copiedStdio},
                                                       {m_copyToken, SettingsController::copiedToken}};
    for (const auto &[button, kind] : buttons) {
        const QString text = copied == kind ? tr("已复制") : button->property(kCopyLabel).toString();
        button->setText(text);
        button->setAccessibleName(text);
    }
}

void SettingsMCPSection::refreshToken()
{
    const QString token = m_controller->newMcpToken();
    m_token->setText(token);
    m_tokenPanel->setVisible(!token.isEmpty());
}
