#include "ui/shell/devicepicker.h"

#include "log/coretext.h"
#include "core/devicestore.h"
#include "ui/theme/icons.h"
#include "core/tvsession.h"
#include "ui/uicontext.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>

DevicePicker::DevicePicker(UiContext &ctx, QWidget *parent)
    : QToolButton(parent)
    , m_ctx(ctx)
    , m_menu(new QMenu(this))
{
    setObjectName(QStringLiteral("devicePicker"));
    m_menu->setObjectName(QStringLiteral("devicePickerMenu"));
    setMenu(m_menu);
    setPopupMode(QToolButton::InstantPopup);
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);

    QObject::connect(ctx.store, &DeviceStore::devicesChanged, this, [this] {
        updateLabel();
        rebuildMenu();
    });
    QObject::connect(ctx.store, &DeviceStore::selectedIDChanged, this, &DevicePicker::updateLabel);
    updateLabel();
    rebuildMenu();
}

void DevicePicker::updateLabel()
{
    const auto selected = m_ctx.store->selectedDevice();
    const QString text = selected ? veltrix::shownText(selected->displayName()) : tr("选择电视");
    setText(text);
    setAccessibleName(text);
    m_symbol = selected ? QStringLiteral("chevron.down") : QStringLiteral("tv");
    setIcon(m_ctx.icons->icon(m_symbol));
    updateGeometry();
    update();
}

QSize DevicePicker::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 52, qMax(34, metrics.height() + 14)};
}

// Drawn as a rounded field: the label, elided to fit, and the symbol at the trailing end.
void DevicePicker::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette pal = palette();
    QColor fill = pal.color(QPalette::WindowText);
    fill.setAlphaF(underMouse() || isDown() ? 0.10 : 0.05);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    painter.fillPath(path, fill);
    painter.setPen(QPen(pal.color(QPalette::Mid), 1));
    painter.drawPath(path);

    const int glyph = 16;
    const QRect iconRect(width() - glyph - 12, (height() - glyph) / 2, glyph, glyph);
    icon().paint(&painter, iconRect, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
    const QRect textRect = rect().adjusted(12, 0, -(glyph + 20), 0);
    painter.setPen(pal.color(QPalette::WindowText));
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
                     painter.fontMetrics().elidedText(text(), Qt::ElideRight, textRect.width()));
}

void DevicePicker::rebuildMenu()
{
    m_menu->clear();
    for (const TVDevice &device : m_ctx.store->devices()) {
        QAction *entry = m_menu->addAction(tr("连接到 %1").arg(veltrix::shownText(device.displayName())));
        entry->setObjectName(QStringLiteral("connect.") + device.id);
        const QString id = device.id;
        QObject::connect(entry, &QAction::triggered, this, [this, id] { m_ctx.session->connect(id, false); });
    }
}
