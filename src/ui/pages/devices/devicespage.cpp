#include "ui/pages/devices/devicespage.h"

#include "ui/theme/metrics.h"
#include "ui/pages/devices/devicerow.h"
#include "ui/pages/devices/devicesactions.h"
#include "ui/pages/devices/discoverypanel.h"
#include "ui/theme/pagebutton.h"
#include "ui/pages/devices/pairingpanel.h"
#include "core/devicestore.h"
#include "ui/theme/icons.h"
#include "ui/theme/pageheader.h"
#include "ui/theme/panel.h"
#include "core/tvsession.h"
#include "ui/uicontext.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

DevicesPage::DevicesPage(UiContext &ctx, QWidget *parent)
    : QWidget(parent)
    , m_ctx(ctx)
    , m_actions(std::make_unique<DevicesActions>(ctx.session))
{
    setObjectName(QStringLiteral("devicesPage"));
    // Created first so that it, not a text field, is the first stop of the focus chain.
    auto *addTV = new PageButton(tr("添加电视"), PageButton::Kind::secondary);
    addTV->setObjectName(QStringLiteral("addTV"));
    addTV->setIcon(ctx.icons->icon(QStringLiteral("plus.circle")));
    QObject::connect(addTV, &QAbstractButton::clicked, this, [this] { m_actions->scan(); });
    m_header = new PageHeader(tr("设备管理"), tr("在同一网络中发现并管理您的 LG 电视"), addTV, this);

    auto *content = new QWidget;
    content->setObjectName(QStringLiteral("devicesContent"));
    m_discovery = new DiscoveryPanel(ctx.session, m_actions.get(), ctx.icons, content);
    QWidget *saved = buildSavedPanel();
    saved->setParent(content);
    m_pairing = new PairingPanel(ctx.session, m_actions.get(), ctx.icons, content);

    auto *left = new QVBoxLayout;
    left->setSpacing(spacing::sections);
    left->addWidget(m_discovery);
    left->addStretch(1);
    auto *right = new QVBoxLayout;
    right->setSpacing(spacing::sections);
    right->addWidget(saved);
    right->addWidget(m_pairing);
    right->addStretch(1);
    auto *columns = new QHBoxLayout(content);
    columns->setContentsMargins(margins::none);
    columns->setSpacing(spacing::sections);
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("devicesScroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(content);
    scroll->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(margins::scrollingPage);
    layout->setSpacing(spacing::sections);
    layout->addWidget(m_header);
    layout->addWidget(scroll, 1);

    QObject::connect(ctx.store, &DeviceStore::devicesChanged, this, &DevicesPage::refreshRows);
    QObject::connect(ctx.store, &DeviceStore::selectedIDChanged, this, &DevicesPage::refreshRows);
    refreshRows();
}

DevicesPage::~DevicesPage() = default;

QWidget *DevicesPage::buildSavedPanel()
{
    auto *panel = new Panel;
    panel->setObjectName(QStringLiteral("savedPanel"));
    auto *title = sectionTitle(tr("已保存的电视"), panel);
    m_rowsLayout = new QVBoxLayout;
    m_rowsLayout->setSpacing(spacing::mark);
    auto *layout = new QVBoxLayout(panel);
    layout->setSpacing(spacing::items);
    layout->addWidget(title);
    layout->addLayout(m_rowsLayout);
    return panel;
}

// Rows are reused in place; one that is no longer needed goes later, because its own delete
// button may be what removed its TV.
void DevicesPage::refreshRows()
{
    const QList<TVDevice> devices = m_ctx.store->devices();
    const QString selected = m_ctx.store->selectedIDText();
    for (qsizetype i = 0; i < devices.size(); ++i) {
        const TVDevice &device = devices.at(i);
        if (i < m_rows.size()) {
            m_rows.at(i)->setDevice(device, device.id == selected);
            continue;
        }
        auto *row = new DeviceRow(m_ctx.icons, device, device.id == selected);
        QObject::connect(row, &QAbstractButton::clicked, this, [this, row] { m_actions->select(row->device().id); });
        QObject::connect(row, &DeviceRow::deleteRequested, this, [this](const QString &id) { m_actions->remove(id); });
        m_rowsLayout->addWidget(row);
        m_rows.append(row);
    }
    while (m_rows.size() > devices.size()) {
        DeviceRow *row = m_rows.takeLast();
        row->hide();
        m_rowsLayout->removeWidget(row);
        row->deleteLater();
    }
}
