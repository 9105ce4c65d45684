#include "ui/theme/stateline.h"

#include "ui/theme/metrics.h"

#include "core/tvsession.h"
#include "ui/theme/statetitle.h"
#include "ui/theme/statusdot.h"

#include <QHBoxLayout>
#include <QLabel>

StateLine::StateLine(TVSession *session, const QString &name, QWidget *parent)
    : QWidget(parent)
    , m_session(session)
    , m_dot(new StatusDot(this))
    , m_title(new QLabel(this))
{
    setObjectName(name + QStringLiteral("StateLine"));
    m_dot->setObjectName(name + QStringLiteral("StatusDot"));
    m_title->setObjectName(name + QStringLiteral("StateTitle"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(margins::none);
    row->setSpacing(spacing::related);
    row->addWidget(m_dot);
    row->addWidget(m_title);
    QObject::connect(session, &TVSession::titleChanged, this, &StateLine::refresh);
    refresh();
}

void StateLine::refresh()
{
    m_dot->setState(m_session->state(), m_session->isStandby());
    m_title->setText(stateTitle(m_session->state(), m_session->isStandby()));
}
