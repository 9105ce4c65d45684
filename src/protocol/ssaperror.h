#pragma once

#include <QString>

#include <exception>

// Failures of the TV control protocol. Thrown through coroutines; description() is the text
// shown to the user.
class SSAPError : public std::exception {
public:
    enum class Kind {
        server,        // the TV (or this program) gave a reason: text()
        notConnected,  // "未连接电视"
        timeout,       // "电视响应超时"
        asleep,        // "电视处于待机，可用网络唤醒开机"
        transport,     // the socket or TLS layer failed: text() is the transport's message
        cancelled,     // the waiting operation was cancelled by its owner
    };

    static SSAPError server(const QString &text) { return SSAPError(Kind::server, text); }
    static SSAPError notConnected() { return SSAPError(Kind::notConnected); }
    static SSAPError timeout() { return SSAPError(Kind::timeout); }
    static SSAPError asleep() { return SSAPError(Kind::asleep); }
    static SSAPError transport(const QString &text) { return SSAPError(Kind::transport, text); }
    static SSAPError cancelled() { return SSAPError(Kind::cancelled); }

    Kind kind() const { return m_kind; }
    QString text() const { return m_text; }
    QString description() const;
    // The text shown for any error: an SSAP error's description, otherwise what().
    static QString describe(const std::exception &error);
    const char *what() const noexcept override { return m_what.constData(); }

    bool operator==(const SSAPError &other) const
    {
        return m_kind == other.m_kind && m_text == other.m_text;
    }

private:
    explicit SSAPError(Kind kind, const QString &text = QString());

    Kind m_kind;
    QString m_text;
    QByteArray m_what;
};
