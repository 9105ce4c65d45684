#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

// Pictures the simulated TV serves: a screenshot JPEG and app icons as PNG. Drawn pixel by
// pixel (no fonts or platform plugin needed), so they work in any process.
namespace TvImages {

QByteArray screenshotJpeg(const QSize &size);
QByteArray iconPng(const QString &appId, int edge);

} // namespace TvImages
