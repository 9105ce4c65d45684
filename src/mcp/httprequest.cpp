#include "mcp/httprequest.h"

#include "core/textutil.h"

#include <QCryptographicHash>
#include <QStringList>

std::optional<HTTPRequest> HTTPRequest::parseHead(QByteArrayView head)
{
    const QString text = QString::fromUtf8(head);
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    const QStringList requestLine = lines.first().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (requestLine.size() < 2)
        return std::nullopt;

    HTTPRequest request;
    request.method = requestLine.at(0);
    request.path = requestLine.at(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0)
            continue;
        request.headers.insert(line.left(colon).toLower(), veltrix::trimSpacesAndTabs(line.mid(colon + 1)));
    }
    return request;
}

HTTPRequestReader::Status HTTPRequestReader::feed(QByteArrayView bytes)
{
    if (m_status != Status::needMore || bytes.isEmpty())
        return m_status;
    m_buffer.append(bytes);

    if (m_headEnd < 0) {
        // The terminator may straddle the previous read.
        const qsizetype from = qMax<qsizetype>(0, m_buffer.size() - bytes.size() - 3);
        m_headEnd = m_buffer.indexOf(HTTPRequest::terminator, from);
        if (m_headEnd >= 0)
            m_head = HTTPRequest::parseHead(QByteArrayView(m_buffer).first(m_headEnd));
    }
    // A request completed by this read is served even when the read also passed the limit.
    if (m_head) {
        const qsizetype bodyStart = m_headEnd + HTTPRequest::terminator.size();
        const qint64 length = m_head->contentLength();
        if (m_buffer.size() - bodyStart >= length) {
            m_request = std::move(*m_head);
            m_request.body = m_buffer.mid(bodyStart, length);
            m_head.reset();
            m_buffer = QByteArray();
            m_status = Status::complete;
            return m_status;
        }
    }
    if (m_buffer.size() > bufferLimit) {
        m_buffer = QByteArray();
        m_head.reset();
        m_status = Status::error;
    }
    return m_status;
}

qint64 HTTPRequest::contentLength() const
{
    const QString value = headers.value(QStringLiteral("content-length"));
    bool ok = false;
    const qint64 length = value.toLongLong(&ok);
    return ok && length > 0 ? length : 0;
}

QString HTTPRequest::route() const
{
    const qsizetype query = path.indexOf(QLatin1Char('?'));
    return query < 0 ? path : path.left(query);
}

bool HTTPRequest::isLocalOrigin(const QString &origin)
{
    static const QString scheme = QStringLiteral("http://");
    if (!origin.startsWith(scheme))
        return false;
    const QString authority = origin.mid(scheme.size());
    const qsizetype colon = authority.indexOf(QLatin1Char(':'));
    const QString host = colon < 0 ? authority : authority.left(colon);
    if (host != QLatin1String("localhost") && host != QLatin1String("127.0.0.1"))
        return false;
    if (colon < 0)
        return true;
    const QString port = authority.mid(colon + 1);
    if (port.isEmpty() || port.size() > 5)
        return false;
    for (QChar c : port) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return port.toInt() <= 65535;
}

bool HTTPRequest::isLocalHost(const QString &host, quint16 port)
{
    const qsizetype colon = host.lastIndexOf(QLatin1Char(':'));
    if (colon < 0 || host.mid(colon + 1) != QString::number(port))
        return false;
    const QString name = host.left(colon);
    return name == QLatin1String("127.0.0.1") || name == QLatin1String("[::1]")
        || name.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0;
}

bool HTTPRequest::carriesToken(const QString &authorization, const QString &token)
{
    static const QString scheme = QStringLiteral("bearer ");
    if (token.isEmpty() || !authorization.startsWith(scheme, Qt::CaseInsensitive))
        return false;
    const QString presented = veltrix::trimSpacesAndTabs(authorization.mid(scheme.size()));
    // Digests of equal length, compared without an early exit: neither the position of the
    // first wrong character nor the token's length shows in the time taken.
    const QByteArray a = QCryptographicHash::hash(presented.toUtf8(), QCryptographicHash::Sha256);
    const QByteArray b = QCryptographicHash::hash(token.toUtf8(), QCryptographicHash::Sha256);
    unsigned char difference = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a.at(i) ^ b.at(i));
    return difference == 0;
}
