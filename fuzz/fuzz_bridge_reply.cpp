// Feeds arbitrary bytes to the stdio bridge's reply reader as whatever answers on the MCP port
// might send them, whole and in pieces, with and without the peer closing afterwards.
#include "mcp/httpresponsereader.h"

#include <cstdint>
#include <cstdlib>

namespace {

HTTPResponseReader read(QByteArrayView bytes, qsizetype piece, bool close)
{
    HTTPResponseReader reader;
    for (qsizetype at = 0; at < bytes.size(); at += piece)
        reader.feed(bytes.sliced(at, qMin(piece, bytes.size() - at)));
    if (close)
        reader.finish();
    return reader;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const bool close : {false, true}) {
        const HTTPResponseReader whole = read(bytes, qMax<qsizetype>(1, bytes.size()), close);
        const HTTPResponseReader pieces = read(bytes, 1 + qsizetype(size % 7), close);
        if (whole.status() != pieces.status() || whole.body() != pieces.body())
            std::abort();
        // Whatever the peer sent, the body handed on is never more than it sent.
        if (whole.body().size() > bytes.size())
            std::abort();
        // Once the peer has closed, the reader has decided.
        if (close && whole.status() == HTTPResponseReader::Status::needMore)
            std::abort();
    }
    return 0;
}
