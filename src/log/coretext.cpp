#include "log/coretext.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace veltrix {

namespace texts {
const char *const tvRefused = QT_TRANSLATE_NOOP("CoreText", "电视拒绝连接 (%1)");
const char *const tvHostNotFound = QT_TRANSLATE_NOOP("CoreText", "找不到电视的地址 (%1)");
const char *const tvUnreachable = QT_TRANSLATE_NOOP("CoreText", "无法到达电视 (%1)");
const char *const tvConnectTimedOut = QT_TRANSLATE_NOOP("CoreText", "连接电视超时 (%1)");
const char *const tvHandshakeFailed = QT_TRANSLATE_NOOP("CoreText", "与电视的加密握手失败 (%1)");
const char *const tvClosed = QT_TRANSLATE_NOOP("CoreText", "电视关闭了连接 (%1)");
const char *const tvSocketError = QT_TRANSLATE_NOOP("CoreText", "与电视的连接出错 (%1)");
const char *const tvNoAnswerInSeconds = QT_TRANSLATE_NOOP("CoreText", "电视在 %1 秒内未回应连接");
const char *const invalidTVAddress = QT_TRANSLATE_NOOP("CoreText", "无效的电视地址: %1");
} // namespace texts

namespace {

const char *const kContext = "CoreText";

const char *const kPatterns[] = {
    texts::tvRefused,       texts::tvHostNotFound, texts::tvUnreachable,       texts::tvConnectTimedOut,
    texts::tvHandshakeFailed, texts::tvClosed,     texts::tvSocketError,       texts::tvNoAnswerInSeconds,
    texts::invalidTVAddress,
};

// "电视拒绝连接 (%1)" -> ^电视拒绝连接 \((.*)\)$
QRegularExpression matcherFor(const char *pattern)
{
    const QStringList parts = QString::fromUtf8(pattern).split(QStringLiteral("%1"));
    QString expression = QStringLiteral("^");
    for (int i = 0; i < parts.size(); ++i) {
        if (i > 0)
            expression += QStringLiteral("(.*)");
        expression += QRegularExpression::escape(parts[i]);
    }
    return QRegularExpression(expression + QLatin1Char('$'),
                              QRegularExpression::DotMatchesEverythingOption);
}

} // namespace

QString coreText(const char *pattern, const QString &detail)
{
    return QString::fromUtf8(pattern).arg(detail);
}

QString shownText(const QString &text)
{
    if (text.isEmpty())
        return text;
    const QByteArray source = text.toUtf8();
    const QString whole = QCoreApplication::translate(kContext, source.constData());
    if (whole != text)
        return whole;
    for (const char *pattern : kPatterns) {
        const QRegularExpressionMatch match = matcherFor(pattern).match(text);
        if (match.hasMatch())
            return QCoreApplication::translate(kContext, pattern).arg(shownText(match.captured(1)));
    }
    return text;
}

} // namespace veltrix
