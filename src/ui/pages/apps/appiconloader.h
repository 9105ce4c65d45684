#pragma once

#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QUrl>

#include <QCoro/QCoroTask>

#include <optional>

class TVSession;

// Fetches app icons through the session's icon cache, one download per address however many
// cards ask for it at the same time. Cards listen to iconReady and take the one they need.
class AppIconLoader : public QObject {
    Q_OBJECT

public:
    explicit AppIconLoader(TVSession *session, QObject *parent = nullptr);

    // The icon when it has been loaded before, else none.
    std::optional<QImage> cached(const QUrl &url) const;
    // Starts loading unless already loaded or on its way; iconReady follows on success.
    void request(const QUrl &url);
    bool isLoading(const QUrl &url) const { return m_loading.contains(url); }

Q_SIGNALS:
    void iconReady(const QUrl &url, const QImage &image);

private:
    QCoro::Task<> load(QUrl url);

    TVSession *m_session;
    QSet<QUrl> m_loading;
    QHash<QUrl, QImage> m_loaded;
};
