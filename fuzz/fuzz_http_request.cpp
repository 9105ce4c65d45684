// Feeds arbitrary bytes to the MCP endpoint's request reader, whole and in pieces, and checks
// that how the bytes arrive never changes the outcome.
#include "mcp/httprequest.h"

#include <cstdint>
#include <cstdlib>

namespace {

// Feeds the bytes in pieces whose sizes come from the bytes themselves.
HTTPRequestReader readInPieces(QByteArrayView bytes)
{
    HTTPRequestReader reader;
    qsizetype at = 0;
    while (at < bytes.size()) {
        const qsizetype piece = qMin<qsizetype>(bytes.size() - at, 1 + uchar(bytes.at(at)) % 17);
        reader.feed(bytes.sliced(at, piece));
        at += piece;
    }
    return reader;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    HTTPRequestReader whole;
    whole.feed(bytes);
    const HTTPRequestReader pieces = readInPieces(bytes);
    if (whole.status() != pieces.status())
        std::abort();
    if (whole.status() != HTTPRequestReader::Status::complete)
        return 0;

    const HTTPRequest &request = whole.request();
    // A complete request carries exactly its declared body, however it arrived.
    if (request.body.size() != request.contentLength() || request.body != pieces.request().body
        || request.path != pieces.request().path || request.headers != pieces.request().headers)
        std::abort();
    (void)request.route();
    const auto origin = request.headers.constFind(QStringLiteral("origin"));
    if (origin != request.headers.constEnd())
        (void)HTTPRequest::isLocalOrigin(origin.value());
    return 0;
}
