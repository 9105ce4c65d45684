#pragma once

#include "protocol/ssaperror.h"

#include <QAbstractSocket>
#include <QString>

#include <chrono>

// What the client knew when its control socket ended or failed to open.
struct SocketEnd {
    QAbstractSocket::SocketError error = QAbstractSocket::UnknownSocketError;
    QString systemText;  // the socket layer's own description of `error`
    int closeCode = 1000;  // from the TV's close frame (1000 when it sent none)
    QString closeReason;
    bool pinRefused = false;  // our certificate check turned the TV's certificate down
};

// The failure handed to everyone waiting on the socket and to its owner: standby for the TV's
// "Try Again Later" close, otherwise a text that says what happened (refused, unreachable, TLS
// failure, closed by the TV), with the system's reason in brackets.
SSAPError socketEndError(const SocketEnd &end);

// The failure of a connection the TV did not complete (no TCP, TLS or web-socket answer)
// within `timeout`.
SSAPError connectTimeoutError(std::chrono::milliseconds timeout);
