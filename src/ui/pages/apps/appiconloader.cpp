#include "ui/pages/apps/appiconloader.h"

#include "core/tvsession.h"

#include <QPointer>

AppIconLoader::AppIconLoader(TVSession *session, QObject *parent)
    : QObject(parent)
    , m_session(session)
{
}

std::optional<QImage> AppIconLoader::cached(const QUrl &url) const
{
    const auto it = m_loaded.constFind(url);
    if (it == m_loaded.constEnd())
        return std::nullopt;
    return *it;
}

void AppIconLoader::request(const QUrl &url)
{
    if (!url.isValid() || m_loaded.contains(url) || m_loading.contains(url))
        return;
    m_loading.insert(url);
    load(url);
}

QCoro::Task<> AppIconLoader::load(QUrl url)
{
    QPointer<AppIconLoader> self(this);
    const std::optional<QImage> image = co_await m_session->icon(url);
    if (!self)
        co_return;
    m_loading.remove(url);
    // A failed download is not remembered: the next card that appears asks again.
    if (!image)
        co_return;
    m_loaded.insert(url, *image);
    Q_EMIT iconReady(url, *image);
}
