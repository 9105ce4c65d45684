// Memory that OpenSSL keeps across many downloads. Every allocation OpenSSL makes in this
// process goes through the counters below, so what TLS state outlives its transfer (sessions,
// peer certificates, contexts) shows as bytes that never come back.

#include "protocol/protocoltestsupport.h"

#include "protocol/ssapclient.h"

#include <QtTest>

#include <openssl/crypto.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>

using namespace testsupport;
using namespace std::chrono_literals;

namespace {

std::atomic<qint64> g_opensslBytes{0};

// Each block carries its size in front, so a free knows how much goes.
constexpr std::size_t kHeader = alignof(std::max_align_t);

void *countedMalloc(std::size_t size, const char *, int)
{
    auto *block = static_cast<unsigned char *>(std::malloc(size + kHeader));
    if (!block)
        return nullptr;
    std::memcpy(block, &size, sizeof size);
    g_opensslBytes += qint64(size);
    return block + kHeader;
}

void countedFree(void *pointer, const char *, int)
{
    if (!pointer)
        return;
    unsigned char *block = static_cast<unsigned char *>(pointer) - kHeader;
    std::size_t size = 0;
    std::memcpy(&size, block, sizeof size);
    g_opensslBytes -= qint64(size);
    std::free(block);
}

void *countedRealloc(void *pointer, std::size_t size, const char *file, int line)
{
    if (!pointer)
        return countedMalloc(size, file, line);
    if (size == 0) {
        countedFree(pointer, file, line);
        return nullptr;
    }
    unsigned char *block = static_cast<unsigned char *>(pointer) - kHeader;
    std::size_t old = 0;
    std::memcpy(&old, block, sizeof old);
    auto *moved = static_cast<unsigned char *>(std::realloc(block, size + kHeader));
    if (!moved)
        return nullptr;
    std::memcpy(moved, &size, sizeof size);
    g_opensslBytes += qint64(size) - qint64(old);
    return moved + kHeader;
}

// OpenSSL accepts the functions only before its first allocation: Qt loads it on first use,
// long after static initialisation.
const bool g_counting = CRYPTO_set_mem_functions(countedMalloc, countedRealloc, countedFree) == 1;

// The TV's picture server: every request answered with a small body, then the connection
// closed, so each download is a fresh TLS handshake.
class ClosingServer : public QObject {
public:
    explicit ClosingServer(const QString &address)
        : m_address(address)
    {
        m_server.setSslConfiguration(serverTls(QStringLiteral("tv-a")));
        if (!m_server.listen(QHostAddress(address), 3001))
            qFatal("cannot listen on %s:3001", qPrintable(address));
        // Taken off the queue so it never fills, and gone once the client has left.
        QObject::connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
                QObject::connect(socket, &QIODevice::readyRead, socket, [socket] { answer(socket); });
                // The request may have come with the end of the handshake.
                answer(socket);
            }
        });
    }

    // Answers once the blank line that ends the request head has arrived.
    static void answer(QTcpSocket *socket)
    {
        while (socket->canReadLine()) {
            if (socket->readLine() != "\r\n")
                continue;
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: 4\r\nConnection: close\r\n\r\njpeg");
            socket->disconnectFromHost();
            return;
        }
    }

    QUrl url() const
    {
        return QUrl(QStringLiteral("https://") + m_address + QStringLiteral(":3001/resources/shot.jpg"));
    }

private:
    QSslServer m_server;
    QString m_address;
};

// Downloads one after another; yields how many brought the expected body.
QCoro::Task<int> downloadInTurn(SSAPClient *client, QUrl url, int count)
{
    int good = 0;
    for (int i = 0; i < count; ++i) {
        const QByteArray body = co_await client->download(url, 1000, 10000ms);
        if (body == "jpeg")
            ++good;
    }
    co_return good;
}

} // namespace

class TestDownloadMemory : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A live picture downloads once a second for hours from a TV that closes after each
    // response. After a first few downloads have set up whatever is set up once, many more
    // must leave OpenSSL holding no more than before: kilobytes kept per handshake add up to
    // tens of megabytes an hour.
    void handshakesLeaveNoTlsStateBehind()
    {
        QVERIFY2(g_counting, "OpenSSL allocated before its allocations could be counted");
        ClosingServer tv(nextAddress(0));
        SSAPClient client(kTvAFingerprint);

        const auto downloadAll = [&](int count) {
            auto out = run(downloadInTurn(&client, tv.url(), count));
            return QTest::qWaitFor([&] { return out->done; }, 60000) && out->value == count;
        };

        QVERIFY(downloadAll(5));
        const qint64 base = g_opensslBytes;
        constexpr int kDownloads = 40;
        QVERIFY(downloadAll(kDownloads));
        // Let the last connection wind down; then at most a little over the base is held.
        constexpr qint64 kSlack = 48 * 1024;
        QTRY_VERIFY2_WITH_TIMEOUT(g_opensslBytes - base < kSlack,
                                  qPrintable(QStringLiteral("%1 bytes more after %2 downloads")
                                                 .arg(g_opensslBytes - base)
                                                 .arg(kDownloads)),
                                  10000);
    }
};

QTEST_GUILESS_MAIN(TestDownloadMemory)
#include "test_downloadmemory.moc"
