#pragma once

#include <QColor>
#include <QIconEngine>
#include <QString>

// Renders one monochrome SVG and fills its shape with a palette colour at paint time:
// WindowText normally, the disabled text colour when disabled, HighlightedText when selected.
// A fixed tint replaces the palette colour when one is given.
class SymbolIconEngine : public QIconEngine {
public:
    explicit SymbolIconEngine(const QString &path, const QColor &tint = QColor());

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override;
    QIconEngine *clone() const override;
    QString key() const override;

    static QColor colorFor(QIcon::Mode mode);

private:
    QString m_path;
    QColor m_tint;
};
