#include "protocol/screenshoterror.h"

#include "log/coretext.h"

#include <QCoreApplication>

ScreenshotError::ScreenshotError(Kind kind)
    : m_kind(kind)
{
    m_what = description().toUtf8();
}

QString ScreenshotError::description() const
{
    switch (m_kind) {
    case Kind::invalidURL:
        return veltrix::coreText(QT_TRANSLATE_NOOP("CoreText", "电视返回了无效的截图地址"));
    case Kind::download:
        return veltrix::coreText(QT_TRANSLATE_NOOP("CoreText", "电视截图下载失败"));
    case Kind::tooLarge:
        return veltrix::coreText(QT_TRANSLATE_NOOP("CoreText", "电视截图超出大小限制"));
    case Kind::decode:
        return veltrix::coreText(QT_TRANSLATE_NOOP("CoreText", "无法解码电视截图"));
    }
    return QString();
}
