#pragma once

#include <QString>

// Texts of the lower layers (errors, states) that people see and agents read alike. They are
// made in Chinese whatever the user's language, because agents and scripts rely on them; they
// are marked with QT_TRANSLATE_NOOP("CoreText", ...) so that the translation files hold them,
// and the windows and the terminal show them through shownText().
namespace veltrix {

inline QString coreText(const char *source)
{
    return QString::fromUtf8(source);
}

// Texts made from a pattern and a detail; shownText() recognises them by these patterns.
namespace texts {
extern const char *const tvRefused;           // "电视拒绝连接 (%1)"
extern const char *const tvHostNotFound;      // "找不到电视的地址 (%1)"
extern const char *const tvUnreachable;       // "无法到达电视 (%1)"
extern const char *const tvConnectTimedOut;   // "连接电视超时 (%1)"
extern const char *const tvHandshakeFailed;   // "与电视的加密握手失败 (%1)"
extern const char *const tvClosed;            // "电视关闭了连接 (%1)"
extern const char *const tvSocketError;       // "与电视的连接出错 (%1)"
extern const char *const tvNoAnswerInSeconds; // "电视在 %1 秒内未回应连接"
extern const char *const invalidTVAddress;    // "无效的电视地址: %1"
} // namespace texts

QString coreText(const char *pattern, const QString &detail);

// The text in the user's language: a core text translated (with its detail kept), anything
// else as it is.
QString shownText(const QString &text);

} // namespace veltrix
