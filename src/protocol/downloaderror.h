#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// Failures of SSAPClient::download(). Kept apart from SSAPError so that callers (the screenshot
// download, app icons) can tell a refused status from an oversized body or a slow TV.
class DownloadError : public std::exception {
public:
    enum class Kind {
        httpStatus,  // the server answered with a status other than 200: status()
        tooLarge,    // the announced or received body exceeded the limit
        transport,   // network or TLS failure (including a refused certificate): text()
        timeout,     // no complete answer within the time-out
        cancelled,   // the client was closed or destroyed while the download ran
    };

    static DownloadError httpStatus(int status) { return DownloadError(Kind::httpStatus, status); }
    static DownloadError tooLarge() { return DownloadError(Kind::tooLarge); }
    static DownloadError transport(const QString &text)
    {
        return DownloadError(Kind::transport, 0, text);
    }
    static DownloadError timeout() { return DownloadError(Kind::timeout); }
    static DownloadError cancelled() { return DownloadError(Kind::cancelled); }

    Kind kind() const { return m_kind; }
    int status() const { return m_status; }
    QString text() const { return m_text; }

    // Diagnostic text for the log.
    QString description() const
    {
        switch (m_kind) {
        case Kind::httpStatus:
            return QStringLiteral("HTTP ") + QString::number(m_status);
        case Kind::tooLarge:
            return QStringLiteral("下载内容过大");
        case Kind::transport:
            return m_text;
        case Kind::timeout:
            return QStringLiteral("下载超时");
        case Kind::cancelled:
            return QStringLiteral("下载已取消");
        }
        return m_text;
    }
    const char *what() const noexcept override { return m_what.constData(); }

    bool operator==(const DownloadError &other) const
    {
        return m_kind == other.m_kind && m_status == other.m_status && m_text == other.m_text;
    }

private:
    explicit DownloadError(Kind kind, int status = 0, const QString &text = QString())
        : m_kind(kind)
        , m_status(status)
        , m_text(text)
        , m_what(description().toUtf8())
    {
    }

    Kind m_kind;
    int m_status;
    QString m_text;
    QByteArray m_what;
};
