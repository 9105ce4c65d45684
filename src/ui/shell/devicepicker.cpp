#include "devicepicker.h"

#include "devicestore.h"
#include "icons.h"
#include "tvsession.h"
#include "uicontext.h"

#include <QAction>
#include <QMenu>

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
    setAutoRaise(true);
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
    const QString text = selected ? selected->displayName() : QStringLiteral("选择电视");
    setText(text);
    setAccessibleName(text);
    setIcon(m_ctx.icons->icon(selected ? QStringLiteral("chevron.down") : QStringLiteral("tv")));
}

void DevicePicker::rebuildMenu()
{
    m_menu->clear();
    for (const TVDevice &device : m_ctx.store->devices()) {
        QAction *entry = m_menu->addAction(QStringLiteral("连接到 ") + device.displayName());
        entry->setObjectName(QStringLiteral("connect.") + device.id);
        const QString id = device.id;
        QObject::connect(entry, &QAction::triggered, this, [this, id] { m_ctx.session->connect(id, false); });
    }
}
