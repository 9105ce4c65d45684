#include "ui/pages/settings/settingspage.h"

#include "ui/theme/metrics.h"

#include "platform/filerevealer.h"
#include "ui/theme/pageheader.h"
#include "ui/pages/settings/settingscontroller.h"
#include "ui/pages/settings/settingsfollowsection.h"
#include "ui/pages/settings/settingsmcpsection.h"
#include "ui/pages/settings/settingssection.h"
#include "ui/pages/settings/settingsstartsection.h"
#include "ui/pages/settings/settingstvsection.h"
#include "ui/theme/theme.h"
#include "ui/uicontext.h"

#include <QButtonGroup>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

SettingsController::Services servicesOf(UiContext &ctx)
{
    SettingsController::Services services;
    services.session = ctx.session;
    services.mcp = ctx.mcp;
    services.settings = ctx.settings;
    services.revealer = ctx.revealer;
    services.clipboard = QGuiApplication::clipboard();
    Theme *theme = ctx.theme;
    services.applyAppearance = [theme](AppearancePreference preference) {
        if (theme)
            theme->apply(preference);
    };
    return services;
}

} // namespace

SettingsPage::SettingsPage(UiContext &ctx, QWidget *parent)
    : QWidget(parent)
    , m_ctx(ctx)
    , m_controller(new SettingsController(servicesOf(ctx), this))
    , m_header(new PageHeader(tr("设置"), tr("电视连接、外观与 MCP 服务"), nullptr, this))
{
    setObjectName(QStringLiteral("settingsPage"));

    auto *content = new QWidget;
    content->setObjectName(QStringLiteral("settingsContent"));
    auto *left = new QVBoxLayout;
    left->setSpacing(spacing::panels);
    left->addWidget(new SettingsTVSection(m_controller, content));
    if (ctx.followComputer)
        left->addWidget(new SettingsFollowSection(ctx.followComputer, content));
    left->addWidget(buildAppearance());
    left->addStretch(1);
    auto *right = new QVBoxLayout;
    right->setSpacing(spacing::panels);
    right->addWidget(new SettingsMCPSection(m_controller, content));
    right->addWidget(buildLog());
    right->addWidget(new SettingsStartSection(ctx.loginItem, content));
    right->addStretch(1);
    auto *columns = new QHBoxLayout(content);
    columns->setContentsMargins(margins::none);
    columns->setSpacing(spacing::panels);
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    // Scrolls rather than squeezes when the window is small or the text is large.
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("settingsScroll"));
    scroll->setAccessibleName(tr("设置"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(content);
    scroll->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(margins::page);
    layout->setSpacing(spacing::sections);
    layout->addWidget(m_header);
    layout->addWidget(scroll, 1);
}

QWidget *SettingsPage::buildAppearance()
{
    auto *section = new SettingsSection(tr("外观"));
    section->setObjectName(QStringLiteral("settingsAppearanceSection"));
    m_appearance = new QButtonGroup(section);
    m_appearance->setExclusive(true);
    auto *row = new QHBoxLayout;
    row->setSpacing(spacing::blocks);
    const QList<std::tuple<AppearancePreference, QString, QString>> choices{
        {AppearancePreference::system, QStringLiteral("appearanceSystem"), tr("跟随系统")},
        {AppearancePreference::light, QStringLiteral("appearanceLight"), tr("浅色")},
        {AppearancePreference::dark, QStringLiteral("appearanceDark"), tr("深色")},
    };
    for (const auto &[preference, name, text] : choices) {
        auto *button = new QRadioButton(text, section);
        button->setObjectName(name);
        button->setAccessibleName(text);
        button->setChecked(m_controller->appearance() == preference);
        m_appearance->addButton(button, int(preference));
        row->addWidget(button);
    }
    row->addStretch(1);
    QObject::connect(m_appearance, &QButtonGroup::idClicked, m_controller,
                     [this](int id) { m_controller->setAppearance(AppearancePreference(id)); });
    QObject::connect(m_controller, &SettingsController::appearanceChanged, section, [this](AppearancePreference p) {
        if (QAbstractButton *button = m_appearance->button(int(p)))
            button->setChecked(true);
    });
    section->body()->addLayout(row);
    section->body()->addWidget(SettingsSection::note(tr("语言跟随系统设置。"), section));
    section->body()->addWidget(SettingsSection::note(tr("菜单栏图标可弹出遥控器，无需打开主窗口。"), section));
    return section;
}

QWidget *SettingsPage::buildLog()
{
    auto *section = new SettingsSection(tr("日志"));
    section->setObjectName(QStringLiteral("settingsLogSection"));
    auto *path = new QLabel(tr("日志：") + m_controller->logFilePath(), section);
    path->setObjectName(QStringLiteral("logPath"));
    path->setWordWrap(true);
    path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The log is bounded: past 5 MiB it moves to the ".1" file, replacing the one before.
    auto *rotated = new QLabel(tr("超过 5 MiB 后移至：") + m_controller->rotatedLogFilePath(), section);
    rotated->setObjectName(QStringLiteral("rotatedLogPath"));
    rotated->setWordWrap(true);
    rotated->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *reveal = new QPushButton(tr("在文件管理器中显示"), section);
    reveal->setObjectName(QStringLiteral("revealLogButton"));
    reveal->setAccessibleName(reveal->text());
    reveal->setEnabled(m_ctx.revealer != nullptr);
    QObject::connect(reveal, &QPushButton::clicked, m_controller, &SettingsController::revealLog);
    auto *row = new QHBoxLayout;
    row->addWidget(reveal);
    row->addStretch(1);
    section->body()->addWidget(path);
    section->body()->addWidget(rotated);
    section->body()->addLayout(row);
    return section;
}
