#include "protocol/socketend.h"

#include "protocol/pinnedtlsdelegate.h"

#include <QCoreApplication>
#include <QWebSocketProtocol>

namespace {

QString withReason(const char *text, const QString &reason)
{
    return QCoreApplication::translate("SSAPClient", text).arg(reason);
}

} // namespace

SSAPError socketEndError(const SocketEnd &end)
{
    if (end.closeCode == QWebSocketProtocol::CloseCodePolicyViolated
        && end.closeReason.contains(QLatin1String("Try Again Later")))
        return SSAPError::asleep();

    switch (end.error) {
    case QAbstractSocket::ConnectionRefusedError:
        return SSAPError::transport(withReason("电视拒绝连接 (%1)", end.systemText));
    case QAbstractSocket::HostNotFoundError:
        return SSAPError::transport(withReason("找不到电视的地址 (%1)", end.systemText));
    case QAbstractSocket::NetworkError:
        // No route, host or network unreachable, and the kernel's own connect time-out.
        return SSAPError::transport(withReason("无法到达电视 (%1)", end.systemText));
    case QAbstractSocket::SocketTimeoutError:
        return SSAPError::transport(withReason("连接电视超时 (%1)", end.systemText));
    case QAbstractSocket::SslHandshakeFailedError:
        // Qt reports the first certificate complaint, which says nothing about the pin.
        if (end.pinRefused)
            return SSAPError::transport(PinnedTLSDelegate::refusalText());
        return SSAPError::transport(withReason("与电视的加密握手失败 (%1)", end.systemText));
    case QAbstractSocket::RemoteHostClosedError:
        return SSAPError::transport(withReason("电视关闭了连接 (%1)", end.systemText));
    case QAbstractSocket::UnknownSocketError: {
        // A close frame, or a socket that ended without any error.
        QString detail = QString::number(end.closeCode);
        if (!end.closeReason.isEmpty())
            detail += QStringLiteral(": ") + end.closeReason;
        return SSAPError::transport(withReason("电视关闭了连接 (%1)", detail));
    }
    default:
        return SSAPError::transport(withReason("与电视的连接出错 (%1)", end.systemText));
    }
}

SSAPError connectTimeoutError(std::chrono::milliseconds timeout)
{
    return SSAPError::transport(
        QCoreApplication::translate("SSAPClient", "电视在 %1 秒内未回应连接")
            .arg(QString::number(double(timeout.count()) / 1000.0)));
}
