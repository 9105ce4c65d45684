// Feeds arbitrary bytes to the MCP endpoint's request framing, whole and split in two.
#include "httprequest.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<HTTPRequest> request = HTTPRequest::parse(bytes);
    if (request) {
        // A complete request carries exactly its declared body.
        if (request->body.size() != request->contentLength())
            std::abort();
        (void)request->route();
        const auto origin = request->headers.constFind(QStringLiteral("origin"));
        if (origin != request->headers.constEnd())
            (void)HTTPRequest::isLocalOrigin(origin.value());
    }
    // A prefix of a complete request is never complete with a different body.
    if (size > 1) {
        const std::optional<HTTPRequest> prefix = HTTPRequest::parse(bytes.first(qsizetype(size / 2)));
        if (prefix && (!request || prefix->body != request->body || prefix->path != request->path))
            std::abort();
    }
    return 0;
}
