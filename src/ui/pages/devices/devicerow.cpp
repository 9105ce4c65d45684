#include "ui/pages/devices/devicerow.h"
#include "log/coretext.h"

#include "ui/theme/metrics.h"
#include "ui/theme/icons.h"
#include "ui/theme/roundiconbutton.h"
#include "ui/theme/badgelabel.h"
#include "ui/theme/symbolview.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

DeviceRow::DeviceRow(Icons *icons, const TVDevice &device, bool selected, QWidget *parent)
    : ListRow(Outline::whenMarked, parent)
    , m_mark(new SymbolView(icons, QStringLiteral("circle"), 18, this))
    , m_name(new QLabel(this))
    , m_details(new QLabel(this))
    , m_paired(new BadgeLabel(tr("已配对"), this))
    , m_clock(new SymbolView(icons, QStringLiteral("clock"), 16, this))
    , m_delete(new RoundIconButton(icons, QStringLiteral("trash"), 28, QColor(), tr("删除此电视"), this))
{
    setObjectName(QStringLiteral("deviceRow"));
    m_paired->setObjectName(QStringLiteral("pairedBadge"));
    m_delete->setObjectName(QStringLiteral("deleteDevice"));
    m_name->setFont(boldFont(m_name->font()));
    m_details->setForegroundRole(QPalette::PlaceholderText);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(spacing::hairline);
    texts->addWidget(m_name);
    texts->addWidget(m_details);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(margins::rowEndingInButton);
    row->setSpacing(spacing::items);
    row->addWidget(m_mark);
    row->addLayout(texts, 1);
    row->addWidget(m_paired);
    row->addWidget(m_clock);
    row->addWidget(m_delete);

    QObject::connect(m_delete, &QAbstractButton::clicked, this, [this] { Q_EMIT deleteRequested(m_device.id); });
    setDevice(device, selected);
}

void DeviceRow::setDevice(const TVDevice &device, bool selected)
{
    m_device = device;
    setMarked(selected);
    const QString mark = selected ? QStringLiteral("largecircle.fill.circle") : QStringLiteral("circle");
    m_mark->setSymbol(mark);
    m_name->setText(veltrix::shownText(device.displayName()));
    m_details->setText(device.model + QStringLiteral(" · ") + device.host);
    m_paired->setVisible(device.isPaired());
    m_clock->setVisible(!device.isPaired());
    setAccessibleName(veltrix::shownText(device.displayName()));
}
