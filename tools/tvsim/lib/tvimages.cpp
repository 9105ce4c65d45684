#include "tvsim/lib/tvimages.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImage>

namespace TvImages {

QByteArray screenshotJpeg(const QSize &size)
{
    QImage image(size.isValid() ? size : QSize(1920, 1080), QImage::Format_RGB32);
    const int w = image.width();
    const int h = image.height();
    // A smooth gradient with a few bars: compresses well and is easy to recognise.
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int bar = (x * 8) / qMax(1, w);
            const int r = (x * 255) / qMax(1, w - 1);
            const int g = (y * 255) / qMax(1, h - 1);
            const int b = (bar % 2) ? 200 : 40;
            line[x] = qRgb(r, g, b);
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 80);
    return bytes;
}

QByteArray iconPng(const QString &appId, int edge)
{
    const QByteArray digest = QCryptographicHash::hash(appId.toUtf8(), QCryptographicHash::Sha1);
    const QRgb colour = qRgb(quint8(digest.at(0)), quint8(digest.at(1)), quint8(digest.at(2)));
    QImage image(edge, edge, QImage::Format_ARGB32);
    const int margin = edge / 8;
    for (int y = 0; y < edge; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < edge; ++x) {
            const bool inside = x >= margin && y >= margin && x < edge - margin && y < edge - margin;
            line[x] = inside ? colour : qRgba(0, 0, 0, 0);
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace TvImages
