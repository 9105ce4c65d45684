#include "protocol/screenshot.h"

#include "protocol/downloaderror.h"
#include "protocol/ssapclient.h"
#include "protocol/ssaperror.h"
#include "protocol/ssapuris.h"

#include <QJsonObject>
#include <QJsonValue>

std::optional<QUrl> validateScreenshotURL(const QString &text, const QString &host)
{
    if (text.isEmpty())
        return std::nullopt;
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    if (url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) != 0)
        return std::nullopt;

    // QUrl gives IPv6 hosts without brackets; the TV's host may have been typed with them.
    QString tvHost = host;
    if (tvHost.size() > 2 && tvHost.startsWith(QLatin1Char('[')) && tvHost.endsWith(QLatin1Char(']')))
        tvHost = tvHost.mid(1, tvHost.size() - 2);
    const QString urlHost = url.host();
    if (urlHost.isEmpty() || urlHost.compare(tvHost, Qt::CaseInsensitive) != 0)
        return std::nullopt;

    if (url.port() != Screenshot::kPort)
        return std::nullopt;
    // userInfo() is non-null even for an empty "@" before the host.
    if (!url.userInfo().isNull() || !url.userName().isEmpty() || !url.password().isEmpty())
        return std::nullopt;
    if (url.hasFragment())
        return std::nullopt;
    if (!url.path().startsWith(QLatin1String("/resources/")))
        return std::nullopt;
    return url;
}

QCoro::Task<QByteArray> captureScreenshot(QPointer<SSAPClient> client, QString host)
{
    if (!client)
        throw SSAPError::notConnected();

    const QJsonObject payload =
        co_await client->request(ssapuri::screenshot, QJsonObject(), Screenshot::kTimeout);
    // The session replaces or drops its client when the connection ends; work begun on the
    // old one is stale.
    if (!client)
        throw SSAPError::cancelled();

    const QJsonValue uri = payload.value(QLatin1String("imageUri"));
    if (!uri.isString())
        throw ScreenshotError::invalidURL();
    const std::optional<QUrl> url = validateScreenshotURL(uri.toString(), host);
    if (!url)
        throw ScreenshotError::invalidURL();

    QByteArray bytes;
    std::optional<DownloadError> failure;
    try {
        bytes = co_await client->download(*url, Screenshot::kMaxBytes, Screenshot::kTimeout);
    } catch (const DownloadError &error) {
        failure = error;
    }
    if (failure) {
        switch (failure->kind()) {
        case DownloadError::Kind::httpStatus:
            throw ScreenshotError::download();
        case DownloadError::Kind::tooLarge:
            throw ScreenshotError::tooLarge();
        case DownloadError::Kind::cancelled:
            throw SSAPError::cancelled();
        case DownloadError::Kind::transport:
        case DownloadError::Kind::timeout:
            break;
        }
        // Network, TLS and time-out failures keep their own text.
        throw SSAPError::transport(failure->description());
    }
    if (!client)
        throw SSAPError::cancelled();
    co_return bytes;
}
