#include "devicespage.h"

#include "pageheader.h"
#include "uicontext.h"

#include <QVBoxLayout>

DevicesPage::DevicesPage(UiContext &ctx, QWidget *parent)
    : QWidget(parent)
    , m_ctx(ctx)
    , m_header(new PageHeader(QStringLiteral("设备管理"), QStringLiteral("在同一网络中发现并管理您的 LG 电视"), nullptr, this))
{
    setObjectName(QStringLiteral("devicesPage"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 24, 28, 24);
    layout->addWidget(m_header);
    layout->addStretch(1);
}
