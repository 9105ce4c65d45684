#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Reads the endpoint's reply from the bytes of a connection as they arrive. The head must
// begin with "HTTP/"; the body is Content-Length bytes, or everything up to the peer's close
// when the head announces no usable length. The status code is not examined.
class HTTPResponseReader {
public:
    // needMore: keep reading. complete: body() holds the body (possibly empty). error: no
    // usable reply (not HTTP, cut short, or larger than sizeLimit).
    enum class Status { needMore, complete, error };

    // A reply this large is not the endpoint's: a peer that never stops sending must not
    // make the bridge hold it all.
    static constexpr qsizetype sizeLimit = 64 * 1024 * 1024;

    // Adds one read's bytes. Once complete or in error, further bytes change nothing.
    Status feed(QByteArrayView bytes);
    // The peer closed its side: a reply without a length ends here, any other unfinished
    // reply is an error.
    Status finish();

    Status status() const { return m_status; }
    // Valid once the status is complete.
    const QByteArray &body() const { return m_body; }

private:
    void readHead(QByteArrayView head);
    Status fail();

    QByteArray m_buffer;
    qsizetype m_bodyStart = -1;
    qint64 m_contentLength = -1;  // -1: not announced
    QByteArray m_body;
    Status m_status = Status::needMore;
};
