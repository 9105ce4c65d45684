#include "settingspage.h"

#include "pageheader.h"
#include "uicontext.h"

#include <QVBoxLayout>

SettingsPage::SettingsPage(UiContext &ctx, QWidget *parent)
    : QWidget(parent)
    , m_ctx(ctx)
    , m_header(new PageHeader(QStringLiteral("设置"), QStringLiteral("电视连接、外观与 MCP 服务"), nullptr, this))
{
    setObjectName(QStringLiteral("settingsPage"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 24, 28, 24);
    layout->addWidget(m_header);
    layout->addStretch(1);
}
