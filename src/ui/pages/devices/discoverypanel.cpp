#include "ui/pages/devices/discoverypanel.h"

#include "ui/theme/metrics.h"
#include "ui/pages/devices/devicesactions.h"
#include "ui/theme/icons.h"
#include "ui/pages/devices/ipv4text.h"
#include "ui/theme/pagebutton.h"
#include "ui/pages/devices/radarview.h"
#include "core/tvsession.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

QString foundText(const SSDPDiscovery::Found &tv)
{
    QStringList parts;
    parts.append(tv.name.value_or(DiscoveryPanel::tr("LG 电视")));
    if (tv.model && !tv.model->isEmpty())
        parts.append(*tv.model);
    parts.append(tv.host);
    return parts.join(QStringLiteral(" · "));
}

}  // namespace

DiscoveryPanel::DiscoveryPanel(TVSession *session, DevicesActions *actions, Icons *icons, QWidget *parent)
    : Panel(parent)
    , m_session(session)
    , m_actions(actions)
    , m_radar(new RadarView(this))
    , m_subtitle(new QLabel(this))
    , m_status(new QLabel(this))
    , m_foundList(new QVBoxLayout)
    , m_opener(new PageButton(tr("手动输入 IP"), PageButton::Kind::secondary, this))
    , m_manual(new QWidget(this))
    , m_field(new QLineEdit(m_manual))
    , m_add(new PageButton(tr("添加并连接"), PageButton::Kind::primary, m_manual))
{
    setObjectName(QStringLiteral("discoveryPanel"));
    m_status->setObjectName(QStringLiteral("discoveryStatus"));
    m_status->setForegroundRole(QPalette::PlaceholderText);
    m_status->setWordWrap(true);
    m_foundList->setSpacing(spacing::narrow);

    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(spacing::items);
    layout->addLayout(buildTop());
    layout->addWidget(m_status);
    layout->addLayout(m_foundList);
    layout->addWidget(m_opener, 0, Qt::AlignLeft);
    layout->addWidget(buildManualEntry(icons));

    QObject::connect(m_radar, &QAbstractButton::clicked, this, [this] { m_actions->scan(); });
    QObject::connect(m_opener, &QAbstractButton::clicked, this, [this] { setShowManual(true); });
    QObject::connect(m_field, &QLineEdit::textChanged, this,
                     [this](const QString &text) { m_add->setEnabled(isDottedIPv4(text)); });
    QObject::connect(m_field, &QLineEdit::returnPressed, this, &DiscoveryPanel::submitManual);
    QObject::connect(m_add, &QAbstractButton::clicked, this, &DiscoveryPanel::submitManual);
    QObject::connect(session, &TVSession::isScanningChanged, this, &DiscoveryPanel::refreshScanning);
    QObject::connect(session, &TVSession::discoveredChanged, this, &DiscoveryPanel::refreshFound);
    refreshFound();
    refreshScanning();
}

// The radar beside the title and the line under it.
QLayout *DiscoveryPanel::buildTop()
{
    auto *title = sectionTitle(tr("发现的电视"), this);
    m_subtitle->setObjectName(QStringLiteral("discoverySubtitle"));
    m_subtitle->setForegroundRole(QPalette::PlaceholderText);
    m_subtitle->setWordWrap(true);
    auto *titles = new QVBoxLayout;
    titles->setSpacing(spacing::tight);
    titles->addStretch(1);
    titles->addWidget(title);
    titles->addWidget(m_subtitle);
    titles->addStretch(1);
    auto *top = new QHBoxLayout;
    top->setSpacing(spacing::panels);
    top->addWidget(m_radar);
    top->addLayout(titles, 1);
    return top;
}

// The "手动输入 IP" button and the address field with its add button it opens.
QWidget *DiscoveryPanel::buildManualEntry(Icons *icons)
{
    m_opener->setObjectName(QStringLiteral("manualOpener"));
    m_opener->setIcon(icons->icon(QStringLiteral("square.and.pencil")));
    m_field->setObjectName(QStringLiteral("manualHost"));
    m_field->setAccessibleName(tr("手动输入 IP"));
    m_field->setPlaceholderText(tr("例如 192.168.1.105"));
    m_field->setClearButtonEnabled(true);
    m_add->setObjectName(QStringLiteral("addAndConnect"));
    m_add->setToolTip(tr("添加并连接"));
    m_add->setEnabled(false);
    auto *row = new QHBoxLayout(m_manual);
    row->setContentsMargins(margins::none);
    row->addWidget(m_field, 1);
    row->addWidget(m_add);
    m_manual->setVisible(false);
    return m_manual;
}

void DiscoveryPanel::setShowManual(bool show)
{
    if (m_showManual == show)
        return;
    m_showManual = show;
    m_manual->setVisible(show);
    Q_EMIT showManualChanged(show);
}

void DiscoveryPanel::submitManual()
{
    if (!m_actions->addManualHost(m_field->text()))
        return;
    m_field->clear();
    setShowManual(false);
}

void DiscoveryPanel::refreshScanning()
{
    const bool scanning = m_session->isScanning();
    m_radar->setActive(scanning);
    m_subtitle->setText(scanning ? tr("正在搜索同一网络中的设备…") : tr("搜索同一网络中的设备"));
    refreshFound();
}

void DiscoveryPanel::refreshFound()
{
    while (QLayoutItem *item = m_foundList->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const bool scanning = m_session->isScanning();
    const QList<SSDPDiscovery::Found> found = m_session->discovered();
    if (scanning)
        m_status->setText(tr("搜索中…"));
    else if (found.isEmpty())
        m_status->setText(tr("未发现电视，可点击雷达重新搜索或手动输入 IP"));
    m_status->setVisible(scanning || found.isEmpty());
    if (scanning)
        return;
    for (const SSDPDiscovery::Found &tv : found) {
        auto *line = new QLabel(foundText(tv), this);
        line->setObjectName(QStringLiteral("foundTV"));
        line->setWordWrap(true);
        m_foundList->addWidget(line);
    }
}
