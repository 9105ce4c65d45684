#include "protocol/socketend.h"

#include "log/coretext.h"
#include "protocol/pinnedtlsdelegate.h"

#include <QCoreApplication>
#include <QWebSocketProtocol>

namespace {

QString withReason(const char *pattern, const QString &reason)
{
    return veltrix::coreText(pattern, reason);
}

} // namespace

SSAPError socketEndError(const SocketEnd &end)
{
    if (end.closeCode == QWebSocketProtocol::CloseCodePolicyViolated
        && end.closeReason.contains(QLatin1String("Try Again Later")))
        return SSAPError::asleep();

    switch (end.error) {
    case QAbstractSocket::ConnectionRefusedError:
        return SSAPError::transport(withReason(veltrix::texts::tvRefused, end.systemText));
    case QAbstractSocket::HostNotFoundError:
        return SSAPError::transport(withReason(veltrix::texts::tvHostNotFound, end.systemText));
    case QAbstractSocket::NetworkError:
        // No route, host or network unreachable, and the kernel's own connect time-out.
        return SSAPError::transport(withReason(veltrix::texts::tvUnreachable, end.systemText));
    case QAbstractSocket::SocketTimeoutError:
        return SSAPError::transport(withReason(veltrix::texts::tvConnectTimedOut, end.systemText));
    case QAbstractSocket::SslHandshakeFailedError:
        // Qt reports the first certificate complaint, which says nothing about the pin.
        if (end.pinRefused)
            return SSAPError::transport(PinnedTLSDelegate::refusalText());
        return SSAPError::transport(withReason(veltrix::texts::tvHandshakeFailed, end.systemText));
    case QAbstractSocket::RemoteHostClosedError:
        return SSAPError::transport(withReason(veltrix::texts::tvClosed, end.systemText));
    case QAbstractSocket::UnknownSocketError: {
        // A close frame, or a socket that ended without any error.
        QString detail = QString::number(end.closeCode);
        if (!end.closeReason.isEmpty())
            detail += QStringLiteral(": ") + end.closeReason;
        return SSAPError::transport(withReason(veltrix::texts::tvClosed, detail));
    }
    default:
        return SSAPError::transport(withReason(veltrix::texts::tvSocketError, end.systemText));
    }
}

SSAPError connectTimeoutError(std::chrono::milliseconds timeout)
{
    return SSAPError::transport(
        veltrix::coreText(veltrix::texts::tvNoAnswerInSeconds, QString::number(double(timeout.count()) / 1000.0)));
}
