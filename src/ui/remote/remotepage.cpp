#include "remotepage.h"

#include "keyhits.h"
#include "pageheader.h"
#include "remotekeycapture.h"
#include "statetitle.h"
#include "statusdot.h"
#include "tvsession.h"
#include "uicontext.h"

#include <QLabel>
#include <QVBoxLayout>

RemotePage::RemotePage(UiContext &ctx, Shell shell, QWidget *parent)
    : QWidget(parent)
    , m_ctx(ctx)
    , m_shell(shell)
    , m_hits(new KeyHits(this))
    , m_header(new PageHeader(QStringLiteral("遥控器"), QString(), nullptr, this))
{
    setObjectName(QStringLiteral("remotePage"));
    auto *dot = new StatusDot(m_header);
    dot->follow(ctx.session);
    auto *state = new QLabel(m_header);
    state->setObjectName(QStringLiteral("remoteStateTitle"));
    const auto showState = [state, session = ctx.session] {
        state->setText(stateTitle(session->state(), session->isStandby()));
    };
    QObject::connect(ctx.session, &TVSession::stateChanged, state, showState);
    QObject::connect(ctx.session, &TVSession::isStandbyChanged, state, showState);
    showState();
    m_header->addBesideTitle(dot);
    m_header->addBesideTitle(state);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 24, 28, 24);
    layout->addWidget(m_header);
    layout->addStretch(1);

    // In the window the media keys belong to the window-wide monitor; the panel has no such
    // monitor capturing keys, so its remote takes them.
    new RemoteKeyCapture(this, ctx.session, m_hits, shell == Shell::menuBar, ctx.shortcuts);
}
