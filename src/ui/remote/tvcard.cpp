#include "ui/remote/tvcard.h"
#include "log/coretext.h"

#include "ui/theme/metrics.h"
#include "ui/theme/icons.h"
#include "ui/theme/roundiconbutton.h"
#include "ui/keys/shortcutnotifier.h"
#include "ui/theme/statetitle.h"
#include "ui/theme/symbolview.h"
#include "ui/theme/tvscreenpreview.h"
#include "core/tvsession.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

TVCard::TVCard(TVSession *session, SharedPreview *shared, Icons *icons, ShortcutNotifier *shortcuts,
               ViewLayout layout, QWidget *parent)
    : Panel(parent)
    , m_session(session)
    , m_name(new QLabel(this))
    , m_preview(new TVScreenPreview(session, shared, icons, this))
    , m_foreground(new QLabel(this))
    , m_apps(new RoundIconButton(icons, QStringLiteral("chevron.right"), layoutSizes(layout).cardButton, QColor(),
                                 tr("查看应用与输入源"), this))
{
    setObjectName(QStringLiteral("tvCard"));
    m_name->setObjectName(QStringLiteral("tvName"));
    m_name->setFont(boldFont(m_name->font(), fontScale::emphasis));
    m_foreground->setObjectName(QStringLiteral("tvForeground"));
    m_foreground->setTextFormat(Qt::PlainText);
    m_name->setTextFormat(Qt::PlainText);
    m_apps->setObjectName(QStringLiteral("showApps"));

    auto *cable = new SymbolView(icons, QStringLiteral("cable.connector.horizontal"), 14, this);
    auto *line = new QHBoxLayout;
    line->setSpacing(spacing::mark);
    line->addWidget(cable);
    line->addWidget(m_foreground, 1);
    line->addWidget(m_apps);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(margins::none);
    column->setSpacing(layoutSizes(layout).panelSpacing);
    column->addWidget(m_name);
    column->addWidget(m_preview, 1);
    column->addLayout(line);

    // The window's key monitor turns this into the page switch, for its own window only.
    QObject::connect(m_apps, &QAbstractButton::clicked, shortcuts,
                     [shortcuts] { shortcuts->post(Shortcut::apps); });
    DeviceStore *store = session->store();
    QObject::connect(store, &DeviceStore::devicesChanged, this, &TVCard::showName);
    QObject::connect(store, &DeviceStore::selectedIDChanged, this, &TVCard::showName);
    QObject::connect(session, &TVSession::titleChanged, this, &TVCard::showForeground);
    showName();
    showForeground();
}

void TVCard::showName()
{
    const std::optional<TVDevice> device = m_session->store()->selectedDevice();
    m_name->setText(device ? veltrix::shownText(device->displayName()) : tr("未选择电视"));
}

void TVCard::showForeground()
{
    const ConnectionState state = m_session->state();
    m_foreground->setText(state.is(ConnectionState::Kind::ready) ? m_session->foregroundTitle()
                                                                  : stateTitle(state, m_session->isStandby()));
}
