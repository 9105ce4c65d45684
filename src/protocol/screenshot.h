#pragma once

#include "protocol/screenshoterror.h"
#include "protocol/ssapclient.h"

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <QCoro/QCoroTask>

#include <chrono>
#include <optional>


namespace Screenshot {
// Largest image file accepted from the TV, checked on the announced length and while reading.
inline constexpr qint64 kMaxBytes = 4194304;
inline constexpr std::chrono::milliseconds kTimeout{8000};
inline constexpr int kPort = 3001;
} // namespace Screenshot

// The URL the TV answered with, accepted only when it is https on port 3001 of the TV's own
// host (letter case aside), under "/resources/", without user info or fragment. The URL is
// returned as parsed, otherwise unchanged.
std::optional<QUrl> validateScreenshotURL(const QString &text, const QString &host);

// Asks the TV for a screenshot ("tv/executeOneShot") and downloads the file it names through
// the client's pinned certificate check. Yields the file's bytes. Fails with SSAPError (the
// request; notConnected without a client, cancelled when the client goes away meanwhile),
// ScreenshotError (invalidURL, download, tooLarge) or the transport error of the download.
QCoro::Task<QByteArray> captureScreenshot(QPointer<SSAPClient> client, QString host);
