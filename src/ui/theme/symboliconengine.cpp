#include "ui/theme/symboliconengine.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QPixmapCache>
#include <QSvgRenderer>

SymbolIconEngine::SymbolIconEngine(const QString &path, const QColor &tint)
    : m_path(path)
    , m_tint(tint)
{
}

QColor SymbolIconEngine::colorFor(QIcon::Mode mode)
{
    const QPalette palette = QApplication::palette();
    switch (mode) {
    case QIcon::Disabled: return palette.color(QPalette::Disabled, QPalette::WindowText);
    case QIcon::Selected: return palette.color(QPalette::Active, QPalette::HighlightedText);
    default: return palette.color(QPalette::Active, QPalette::WindowText);
    }
}

void SymbolIconEngine::paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state)
{
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    painter->drawPixmap(rect, scaledPixmap(rect.size(), mode, state, ratio));
}

QPixmap SymbolIconEngine::pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    return scaledPixmap(size, mode, state, 1.0);
}

QPixmap SymbolIconEngine::scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State, qreal scale)
{
    const QColor color = m_tint.isValid() && mode != QIcon::Disabled ? m_tint : colorFor(mode);
    const QSize pixels = size * scale;
    const QString cacheKey = QStringLiteral("veltrix-symbol:%1:%2x%3:%4")
                                 .arg(m_path).arg(pixels.width()).arg(pixels.height()).arg(color.rgba());
    QPixmap cached;
    if (QPixmapCache::find(cacheKey, &cached))
        return cached;

    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        QSvgRenderer renderer(m_path);
        // Keep the artwork's aspect ratio, centred in the requested box.
        QSizeF drawn = renderer.defaultSize();
        drawn.scale(QSizeF(pixels), Qt::KeepAspectRatio);
        const QRectF target((pixels.width() - drawn.width()) / 2.0, (pixels.height() - drawn.height()) / 2.0,
                            drawn.width(), drawn.height());
        renderer.render(&painter, target);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), color);
    }
    QPixmap result = QPixmap::fromImage(image);
    result.setDevicePixelRatio(scale);
    QPixmapCache::insert(cacheKey, result);
    return result;
}

QIconEngine *SymbolIconEngine::clone() const
{
    return new SymbolIconEngine(m_path, m_tint);
}

QString SymbolIconEngine::key() const
{
    return QStringLiteral("VeltrixSymbol");
}
