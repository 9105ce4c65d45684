#include "mcp/httpresponsereader.h"

#include <QList>

namespace {

constexpr QByteArrayView kTerminator{"\r\n\r\n"};
constexpr QByteArrayView kVersion{"HTTP/"};

} // namespace

HTTPResponseReader::Status HTTPResponseReader::feed(QByteArrayView bytes)
{
    if (m_status != Status::needMore || bytes.isEmpty())
        return m_status;
    if (bytes.size() > sizeLimit - m_buffer.size())
        return fail();
    m_buffer.append(bytes);

    if (m_bodyStart < 0) {
        // Anything that does not start like a status line is not a reply, however long.
        const qsizetype prefix = qMin(m_buffer.size(), kVersion.size());
        if (QByteArrayView(m_buffer).first(prefix) != kVersion.first(prefix))
            return fail();
        const qsizetype from = qMax<qsizetype>(0, m_buffer.size() - bytes.size() - 3);
        const qsizetype headEnd = m_buffer.indexOf(kTerminator, from);
        if (headEnd < 0)
            return m_status;
        readHead(QByteArrayView(m_buffer).first(headEnd));
        m_bodyStart = headEnd + kTerminator.size();
    }
    if (m_contentLength >= 0 && m_buffer.size() - m_bodyStart >= m_contentLength) {
        m_body = m_buffer.mid(m_bodyStart, m_contentLength);
        m_buffer = QByteArray();
        m_status = Status::complete;
    }
    return m_status;
}

HTTPResponseReader::Status HTTPResponseReader::finish()
{
    if (m_status != Status::needMore)
        return m_status;
    if (m_bodyStart < 0 || m_contentLength >= 0)
        return fail();
    m_body = m_buffer.mid(m_bodyStart);
    m_buffer = QByteArray();
    m_status = Status::complete;
    return m_status;
}

void HTTPResponseReader::readHead(QByteArrayView head)
{
    // A later Content-Length replaces an earlier one; a malformed one counts as absent.
    for (const QByteArray &line : head.toByteArray().split('\n')) {
        const QByteArray text = line.trimmed();
        if (!text.toLower().startsWith("content-length:"))
            continue;
        bool ok = false;
        const qint64 value = text.mid(15).trimmed().toLongLong(&ok);
        if (ok && value >= 0)
            m_contentLength = value;
    }
}

HTTPResponseReader::Status HTTPResponseReader::fail()
{
    m_buffer = QByteArray();
    m_status = Status::error;
    return m_status;
}
