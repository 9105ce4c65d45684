#include "ui/remote/remotepage.h"

#include "ui/theme/metrics.h"
#include "ui/remote/dpadpanel.h"
#include "ui/theme/icons.h"
#include "ui/keys/keyhits.h"
#include "ui/theme/pageheader.h"
#include "ui/remote/powerbutton.h"
#include "ui/keys/remotekeycapture.h"
#include "ui/theme/stateline.h"
#include "ui/theme/symbolview.h"
#include "ui/remote/touchpadpanel.h"
#include "ui/remote/tvcard.h"
#include "core/tvsession.h"
#include "ui/uicontext.h"
#include "ui/remote/volumebar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

RemotePage::RemotePage(UiContext &ctx, ViewLayout layout, QWidget *parent)
    : QWidget(parent)
    , m_ctx(ctx)
    , m_viewLayout(layout)
    , m_hits(new KeyHits(this))
{
    build();
    // In the window the media keys belong to the window-wide monitor; a compact remote
    // without a host capturing for it takes them itself.
    m_capture = new RemoteKeyCapture(this, ctx.session, m_hits, layout == ViewLayout::trayPanel, ctx.shortcuts);
}

RemotePage::RemotePage(UiContext &ctx, ViewLayout layout, KeyHits *sharedHits, QWidget *parent)
    : QWidget(parent)
    , m_ctx(ctx)
    , m_viewLayout(layout)
    , m_hits(sharedHits ? sharedHits : new KeyHits(this))
{
    build();
}

void RemotePage::build()
{
    setObjectName(QStringLiteral("remotePage"));
    // A click on anything that takes no focus itself lands here, which takes the keyboard
    // away from the text field and gives the keys back to the TV.
    setFocusPolicy(Qt::ClickFocus);

    TVSession *session = m_ctx.session;
    m_card = new TVCard(session, m_ctx.preview, m_ctx.icons, m_ctx.shortcuts, m_viewLayout, this);
    m_dpad = new DPadPanel(session, m_ctx.icons, m_viewLayout, m_hits, this);
    m_power = new PowerButton(session, m_ctx.icons, layoutSizes(m_viewLayout).powerButton, this);
    m_dpad->setCornerWidget(m_power);
    m_volume = new VolumeBar(session, m_ctx.icons, m_viewLayout, this);
    m_touchpad = new TouchpadPanel(session, m_ctx.icons, m_viewLayout, this);
    if (m_viewLayout == ViewLayout::trayPanel)
        layOutColumn();
    else
        layOutWide();

    QObject::connect(m_ctx.store, &DeviceStore::devicesChanged, this, &RemotePage::showHost);
    QObject::connect(m_ctx.store, &DeviceStore::selectedIDChanged, this, &RemotePage::showHost);
    showHost();
}

QWidget *RemotePage::makeHeader()
{
    m_header = new PageHeader(tr("遥控器"), QString(), nullptr, this);
    m_stateLine = new StateLine(m_ctx.session, QStringLiteral("remote"), m_header);
    m_header->addBesideTitle(m_stateLine);
    return m_header;
}

QWidget *RemotePage::makeFooter()
{
    auto *footer = new QWidget(this);
    footer->setObjectName(QStringLiteral("remoteFooter"));
    auto *wifi = new SymbolView(m_ctx.icons, QStringLiteral("wifi"), 14, footer);
    m_footer = new QLabel(footer);
    m_footer->setObjectName(QStringLiteral("remoteNetwork"));
    m_footer->setTextFormat(Qt::PlainText);
    auto *hint = new QLabel(tr("方向键移动 · 回车确认 · Esc 返回 · 空格播放 · M 静音 · + − 音量"), footer);
    hint->setObjectName(QStringLiteral("remoteKeyHint"));
    hint->setForegroundRole(QPalette::PlaceholderText);
    auto *network = new QHBoxLayout;
    network->setSpacing(spacing::mark);
    network->addWidget(wifi);
    network->addWidget(m_footer);
    network->addStretch(1);
    QBoxLayout *layout = nullptr;
    if (m_viewLayout == ViewLayout::trayPanel) {
        hint->setWordWrap(true);
        layout = new QVBoxLayout(footer);
        layout->addLayout(network);
        layout->addWidget(hint);
    } else {
        layout = new QHBoxLayout(footer);
        layout->addLayout(network, 1);
        layout->addWidget(hint);
    }
    layout->setContentsMargins(margins::footer);
    layout->setSpacing(spacing::narrow);
    return footer;
}

void RemotePage::layOutWide()
{
    auto *left = new QVBoxLayout;
    left->setSpacing(spacing::panels);
    left->addWidget(m_card, 1);
    left->addWidget(m_volume);
    auto *right = new QVBoxLayout;
    right->setSpacing(spacing::panels);
    right->addWidget(m_dpad);
    right->addWidget(m_touchpad, 1);
    auto *body = new QHBoxLayout;
    body->setSpacing(spacing::sections);
    body->addLayout(left, 11);
    body->addLayout(right, 10);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(margins::remotePage);
    layout->setSpacing(spacing::group);
    layout->addWidget(makeHeader());
    layout->addLayout(body, 1);
    layout->addWidget(makeFooter());
}

void RemotePage::layOutColumn()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(margins::none);
    layout->setSpacing(spacing::related);
    layout->addWidget(makeHeader());
    layout->addWidget(m_card);
    layout->addWidget(m_dpad);
    layout->addWidget(m_volume);
    layout->addWidget(m_touchpad, 1);
    layout->addWidget(makeFooter());
}

void RemotePage::showHost()
{
    const std::optional<TVDevice> device = m_ctx.store->selectedDevice();
    m_footer->setText(device ? tr("局域网连接") + QStringLiteral(" · ") + device->host : tr("局域网连接"));
}
