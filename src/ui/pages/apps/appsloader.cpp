#include "ui/pages/apps/appsloader.h"

#include "core/tvsession.h"

#include <QPointer>

AppsLoader::AppsLoader(TVSession *session, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_ready(isReady())
{
    QObject::connect(session, &TVSession::stateChanged, this, &AppsLoader::readinessMaybeChanged);
}

bool AppsLoader::isReady() const
{
    return m_session->state().is(ConnectionState::Kind::ready);
}

void AppsLoader::setShown(bool shown)
{
    if (shown == m_shown)
        return;
    m_shown = shown;
    m_ready = isReady();
    if (shown)
        restart();
    else
        ++m_generation;  // a hidden page stops loading
}

void AppsLoader::readinessMaybeChanged()
{
    const bool ready = isReady();
    if (ready == m_ready)
        return;
    m_ready = ready;
    if (m_shown)
        restart();
}

void AppsLoader::restart()
{
    const quint64 generation = ++m_generation;
    if (m_ready) {
        ++m_runs;
        run(generation);
    }
}

QCoro::Task<> AppsLoader::run(quint64 generation)
{
    QPointer<AppsLoader> self(this);
    QPointer<TVSession> session(m_session);
    co_await session->refreshInputs();
    if (!self || !session || generation != m_generation || !isReady())
        co_return;
    co_await session->refreshApps();
}
