#include "ui/pages/devices/devicerow.h"

#include "ui/theme/icons.h"
#include "ui/theme/roundiconbutton.h"
#include "ui/theme/symbolview.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

DeviceRow::DeviceRow(Icons *icons, const TVDevice &device, bool selected, QWidget *parent)
    : QAbstractButton(parent)
    , m_icons(icons)
    , m_mark(new SymbolView(icons->icon(QStringLiteral("circle")), QStringLiteral("circle"), 18, this))
    , m_name(new QLabel(this))
    , m_details(new QLabel(this))
    , m_paired(new BadgeLabel(QStringLiteral("已配对"), this))
    , m_clock(new SymbolView(icons->icon(QStringLiteral("clock")), QStringLiteral("clock"), 16, this))
    , m_delete(new RoundIconButton(icons, QStringLiteral("trash"), 28, QColor(), QStringLiteral("删除此电视"), this))
{
    setObjectName(QStringLiteral("deviceRow"));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    m_paired->setObjectName(QStringLiteral("pairedBadge"));
    m_delete->setObjectName(QStringLiteral("deleteDevice"));
    QFont bold = m_name->font();
    bold.setBold(true);
    m_name->setFont(bold);
    m_details->setForegroundRole(QPalette::PlaceholderText);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(1);
    texts->addWidget(m_name);
    texts->addWidget(m_details);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(12, 8, 8, 8);
    row->setSpacing(10);
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
    m_selected = selected;
    const QString mark = selected ? QStringLiteral("largecircle.fill.circle") : QStringLiteral("circle");
    m_mark->setSymbol(m_icons->icon(mark), mark);
    m_name->setText(device.displayName());
    m_details->setText(device.model + QStringLiteral(" · ") + device.host);
    m_paired->setVisible(device.isPaired());
    m_clock->setVisible(!device.isPaired());
    setAccessibleName(device.displayName());
    update();
}

QSize DeviceRow::sizeHint() const
{
    return layout()->sizeHint();
}

void DeviceRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette pal = palette();
    QColor fill = pal.color(QPalette::Highlight);
    fill.setAlphaF(m_selected ? 0.14 : (underMouse() ? 0.06 : 0.0));
    QPainterPath path;
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    path.addRoundedRect(box, 10, 10);
    painter.fillPath(path, fill);
    if (m_selected || hasFocus()) {
        painter.setPen(QPen(pal.color(QPalette::Highlight), hasFocus() ? 1.5 : 1.0));
        painter.drawPath(path);
    }
}
