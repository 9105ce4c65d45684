#include "preview/sharedpreview.h"

#include "core/tvsession.h"
#include "protocol/ssaperror.h"

namespace {

QCoro::Task<QImage> captureFrom(QPointer<TVSession> session)
{
    if (!session)
        throw SSAPError::cancelled();
    co_return co_await session->captureScreen();
}

} // namespace

SharedPreview::SharedPreview(TVSession *session, QObject *parent)
    : QObject(parent)
    , m_session(session)
{
}

SharedPreview::~SharedPreview()
{
    m_preview.cancel();
}

void SharedPreview::setDemand(const QObject *viewer, const QString &key)
{
    if (key.isEmpty())
        m_demands.remove(viewer);
    else
        m_demands.insert(viewer, key);
    update();
}

void SharedPreview::update()
{
    // Views only ever ask for the selected TV; while they catch up with a new selection the
    // selected one wins over a stale key.
    const std::optional<QString> selected = m_session ? m_session->store()->selectedID() : std::nullopt;
    QString key;
    for (const QString &wanted : std::as_const(m_demands)) {
        if (key.isEmpty() || (selected && wanted == *selected))
            key = wanted;
    }
    if (key == m_key)
        return;
    m_key = key;
    // A new key drops the old picture at once: run() and cancel() both clear the preview
    // before anything else happens.
    if (key.isEmpty())
        m_preview.cancel();
    else
        m_preview.run([session = m_session] { return captureFrom(session); });
    Q_EMIT runningKeyChanged(key);
}
