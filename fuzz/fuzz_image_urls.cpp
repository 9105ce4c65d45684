// Feeds the image addresses a TV hands out through the checks that decide what gets
// downloaded: the screenshot's "imageUri" against the TV's host, and an app's icon. The first
// line of the input is the TV's host, the rest is the address; an input that is a JSON object
// is also read as one launch point.
#include "protocol/screenshot.h"
#include "core/tvreplies.h"

#include <QJsonDocument>

#include <cstdint>
#include <cstdlib>

namespace {

void checkScreenshotURL(const QString &text, const QString &host)
{
    const std::optional<QUrl> url = validateScreenshotURL(text, host);
    if (!url)
        return;
    // Only https on port 3001 of the TV itself, under "/resources/", without user info.
    QString bare = host;
    if (bare.startsWith(QLatin1Char('[')) && bare.endsWith(QLatin1Char(']')))
        bare = bare.mid(1, bare.size() - 2);
    if (!url->isValid() || url->scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) != 0
        || url->port() != Screenshot::kPort || url->host().compare(bare, Qt::CaseInsensitive) != 0
        || !url->path().startsWith(QLatin1String("/resources/")) || !url->userInfo().isEmpty()
        || url->hasFragment())
        std::abort();
}

void checkIcon(const QJsonObject &launchPoint)
{
    const std::optional<TVApp> app = tvreply::app(launchPoint);
    if (app && app->icon && (!app->icon->isValid() || app->icon->scheme().isEmpty()))
        std::abort();
    if (app && app->icon != tvreply::iconURL(launchPoint))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype newline = bytes.indexOf('\n');
    const QString host = QString::fromUtf8(newline < 0 ? QByteArrayView() : bytes.first(newline));
    const QString text = QString::fromUtf8(newline < 0 ? bytes : bytes.sliced(newline + 1));

    checkScreenshotURL(text, host);
    for (const char *key : {"largeIcon", "icon"}) {
        checkIcon(QJsonObject{{QStringLiteral("id"), QStringLiteral("app")},
                              {QStringLiteral("title"), QStringLiteral("App")},
                              {QLatin1String(key), text}});
    }
    const QJsonDocument document = QJsonDocument::fromJson(bytes.toByteArray());
    if (document.isObject())
        checkIcon(document.object());
    return 0;
}
