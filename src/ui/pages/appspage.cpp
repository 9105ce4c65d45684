#include "appspage.h"

#include "pageheader.h"
#include "uicontext.h"

#include <QVBoxLayout>

AppsPage::AppsPage(UiContext &ctx, Shell shell, QWidget *parent)
    : QWidget(parent)
    , m_ctx(ctx)
    , m_shell(shell)
    , m_header(new PageHeader(QStringLiteral("应用与输入"), QStringLiteral("启动电视应用或切换输入源"), nullptr, this))
{
    setObjectName(QStringLiteral("appsPage"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 24, 28, 24);
    layout->addWidget(m_header);
    layout->addStretch(1);
}

void AppsPage::focusSearch()
{
}
