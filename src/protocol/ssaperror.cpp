#include "protocol/ssaperror.h"

#include "log/coretext.h"

#include <QCoreApplication>

SSAPError::SSAPError(Kind kind, const QString &text)
    : m_kind(kind)
    , m_text(text)
{
    m_what = description().toUtf8();
}

QString SSAPError::describe(const std::exception &error)
{
    if (const auto *ssap = dynamic_cast<const SSAPError *>(&error))
        return ssap->description();
    return QString::fromUtf8(error.what());
}

QString SSAPError::description() const
{
    switch (m_kind) {
    case Kind::server:
    case Kind::transport:
        return m_text;
    case Kind::notConnected:
        return veltrix::coreText(QT_TRANSLATE_NOOP("CoreText", "未连接电视"));
    case Kind::timeout:
        return veltrix::coreText(QT_TRANSLATE_NOOP("CoreText", "电视响应超时"));
    case Kind::asleep:
        return veltrix::coreText(QT_TRANSLATE_NOOP("CoreText", "电视处于待机，可用网络唤醒开机"));
    case Kind::cancelled:
        return veltrix::coreText(QT_TRANSLATE_NOOP("CoreText", "操作已取消"));
    }
    return m_text;
}
