#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QMap>
#include <QString>

#include <optional>

// One HTTP request as the MCP endpoint reads it: the request line's first two tokens, the
// headers (names lower-cased, values trimmed of spaces and tabs) and exactly Content-Length
// bytes of body.
struct HTTPRequest {
    QString method;
    QString path;
    QMap<QString, QString> headers;
    QByteArray body;
    // The local port the request arrived on: the one port a Host header may name.
    quint16 localPort = 0;

    static constexpr QByteArrayView terminator{"\r\n\r\n"};

    // The request line and headers from the bytes before the first CR LF CR LF; nothing when
    // the request line has fewer than two tokens (such a request never completes).
    static std::optional<HTTPRequest> parseHead(QByteArrayView head);

    // The "content-length" header as a byte count; missing, malformed or negative is 0.
    qint64 contentLength() const;

    // The path without its query.
    QString route() const;

    // An origin the endpoint serves: scheme http, host exactly "localhost" or "127.0.0.1",
    // an optional port, nothing else.
    static bool isLocalOrigin(const QString &origin);

    // A Host the endpoint serves: "127.0.0.1", "localhost" (any letter case) or "[::1]", each
    // with exactly this port. Any other name may be one rebound to the loopback address by a
    // page the user visits, so it is refused like a foreign origin.
    static bool isLocalHost(const QString &host, quint16 port);

    // Whether an Authorization header value is "Bearer " (scheme in any letter case) followed
    // by exactly this token. The comparison takes the same time wherever the texts differ.
    static bool carriesToken(const QString &authorization, const QString &token);
};

// Frames one request from the bytes of a connection as they arrive. The endpoint, its tests
// and the fuzzer all read requests through this.
class HTTPRequestReader {
public:
    // needMore: keep reading. complete: request() holds the request; bytes after it are
    // ignored. error: the buffer passed bufferLimit without a complete request; the endpoint
    // closes such a connection without any reply.
    enum class Status { needMore, complete, error };

    static constexpr qsizetype bufferLimit = 4 * 1024 * 1024;

    // Adds one read's bytes. Once complete or in error, further bytes change nothing.
    Status feed(QByteArrayView bytes);

    Status status() const { return m_status; }
    // Valid once the status is complete.
    const HTTPRequest &request() const { return m_request; }

private:
    QByteArray m_buffer;
    // Position of the first CR LF CR LF once seen, and the head parsed from the bytes before it.
    qsizetype m_headEnd = -1;
    std::optional<HTTPRequest> m_head;
    Status m_status = Status::needMore;
    HTTPRequest m_request;
};
