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

    static constexpr QByteArrayView terminator{"\r\n\r\n"};

    // A complete request from the start of the buffer, or nothing while it is incomplete.
    static std::optional<HTTPRequest> parse(QByteArrayView buffer);

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
};
