#include "network/ssdpdiscovery.h"

#include "network/localnetwork.h"
#include "log/log.h"

#include <QCoro/QCoroFuture>
#include <QCoro/QCoroNetworkReply>

#include <QFuture>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QPromise>
#include <QUdpSocket>
#include <QUrl>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#ifdef Q_OS_UNIX
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

namespace SSDPDiscovery {

const QByteArray kSearchMessage =
    "M-SEARCH * HTTP/1.1\r\n"
    "HOST: 239.255.255.250:1900\r\n"
    "MAN: \"ssdp:discover\"\r\n"
    "ST: urn:lge-com:service:webos-second-screen:1\r\n"
    "MX: 2\r\n"
    "\r\n";

namespace {

constexpr int kReceiveSliceMs = 300;
constexpr int kDatagramLimit = 4096;
constexpr int kDescriptionTimeoutMs = 3000;
// A description is a few kilobytes; anything far larger is not a TV's and is not kept.
constexpr qint64 kDescriptionLimit = 1024 * 1024;

QString trimSpacesAndTabs(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

void setMulticastInterface(QUdpSocket &socket, const LocalNetwork::Interface &iface)
{
#ifdef Q_OS_UNIX
    // By address rather than through QNetworkInterface: Qt would take the interface's first
    // address, which need not be the one chosen.
    in_addr address{};
    address.s_addr = htonl(iface.address);
    ::setsockopt(int(socket.socketDescriptor()), IPPROTO_IP, IP_MULTICAST_IF, &address, sizeof(address));
#else
    socket.setMulticastInterface(QNetworkInterface::interfaceFromName(iface.name));
#endif
}

// Blocks for the whole listening window; runs on a worker thread.
QList<Found> search(std::chrono::milliseconds timeout)
{
    QUdpSocket socket;
    // Options like the multicast TTL only take once the socket exists; port 0 is what an
    // unbound socket would get at its first send anyway.
    if (!socket.bind(QHostAddress(QHostAddress::AnyIPv4), 0))
        return {};
    socket.setSocketOption(QAbstractSocket::MulticastTtlOption, 2);
    if (const auto iface = LocalNetwork::preferredInterface())
        setMulticastInterface(socket, *iface);

    const QHostAddress group(QString::fromLatin1(kMulticastAddress));
    socket.writeDatagram(kSearchMessage, group, kPort);
    socket.writeDatagram(kSearchMessage, group, kPort);

    QMap<QString, Found> byHost;
    // The monotonic clock: a wall clock set forward meanwhile would cut the window short.
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + timeout;
    for (Clock::time_point now = Clock::now(); now < deadline; now = Clock::now()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
        if (!socket.hasPendingDatagrams()
            && !socket.waitForReadyRead(int(std::min<qint64>(kReceiveSliceMs, left.count())))) {
            // A socket that broke would fail every wait at once; do not spin until the deadline.
            if (socket.state() != QAbstractSocket::BoundState)
                break;
            continue;
        }
        while (socket.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = socket.receiveDatagram(kDatagramLimit);
            if (!datagram.isValid() || datagram.data().isEmpty())
                continue;
            bool isIPv4 = false;
            const quint32 sender = datagram.senderAddress().toIPv4Address(&isIPv4);
            if (!isIPv4)
                continue;
            const QMap<QString, QString> headers = parseHeaders(QString::fromUtf8(datagram.data()));
            Found found;
            found.host = LocalNetwork::formatIPv4(sender);
            if (const auto usn = headers.constFind(QStringLiteral("usn")); usn != headers.constEnd())
                found.uuid = uuidFromUsn(*usn);
            if (const auto location = headers.constFind(QStringLiteral("location"));
                location != headers.constEnd())
                found.location = *location;
            byHost.insert(found.host, found);
        }
    }
    socket.close();
    // QMap keeps its keys in plain string order, which is the order the results come back in.
    return byHost.values();
}

QFuture<QList<Found>> startSearch(std::chrono::milliseconds timeout)
{
    QPromise<QList<Found>> promise;
    QFuture<QList<Found>> future = promise.future();
    promise.start();
    try {
        std::thread([promise = std::move(promise), timeout]() mutable {
            promise.addResult(search(timeout));
            promise.finish();
        }).detach();
    } catch (const std::system_error &) {
        // No thread to be had: report nothing found rather than fail the scan. The promise
        // was moved into the lambda that never ran, so finish through a fresh one.
        QPromise<QList<Found>> fallback;
        fallback.start();
        fallback.addResult(QList<Found>{});
        fallback.finish();
        return fallback.future();
    }
    return future;
}

bool fetchableLocation(const QUrl &url)
{
    const QString scheme = url.scheme();
    return url.isValid() && !url.host().isEmpty()
        && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

QCoro::Task<std::optional<QString>> fetchDescription(QNetworkAccessManager &manager, QUrl url)
{
    QNetworkRequest request(url);
    request.setTransferTimeout(kDescriptionTimeoutMs);
    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    QNetworkReply *raw = reply.get();
    QObject::connect(raw, &QNetworkReply::downloadProgress, raw, [raw](qint64 received, qint64) {
        if (received > kDescriptionLimit)
            raw->abort();
    });
    co_await qCoro(raw).waitForFinished();
    if (reply->error() != QNetworkReply::NoError)
        co_return std::nullopt;
    // A fast sender can finish before the progress check runs.
    const QByteArray body = reply->readAll();
    if (body.size() > kDescriptionLimit)
        co_return std::nullopt;
    co_return QString::fromUtf8(body);
}

QString hostList(const QList<Found> &found)
{
    QStringList quoted;
    for (const Found &entry : found)
        quoted.append(QLatin1Char('"') + entry.host + QLatin1Char('"'));
    return QLatin1Char('[') + quoted.join(QStringLiteral(", ")) + QLatin1Char(']');
}

} // namespace

QMap<QString, QString> parseHeaders(const QString &datagram)
{
    QMap<QString, QString> headers;
    const QStringList lines = datagram.split(QStringLiteral("\r\n"));
    for (const QString &line : lines) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0)
            continue;
        headers.insert(line.left(colon).toLower(), trimSpacesAndTabs(line.mid(colon + 1)));
    }
    return headers;
}

std::optional<QString> uuidFromUsn(const QString &usn)
{
    QString id = usn.section(QStringLiteral("::"), 0, 0);
    return id.remove(QStringLiteral("uuid:"));
}

std::optional<QString> elementText(const QString &document, const QString &name)
{
    const QString open = QLatin1Char('<') + name + QLatin1Char('>');
    const qsizetype start = document.indexOf(open);
    if (start < 0)
        return std::nullopt;
    const qsizetype valueStart = start + open.size();
    const qsizetype end = document.indexOf(QStringLiteral("</") + name + QLatin1Char('>'), valueStart);
    if (end < 0)
        return std::nullopt;
    return document.mid(valueStart, end - valueStart);
}

void applyDescription(Found &found, const QString &document)
{
    if (auto name = elementText(document, QStringLiteral("friendlyName")))
        found.name = std::move(name);
    if (auto model = elementText(document, QStringLiteral("modelName")))
        found.model = std::move(model);
    if (auto udn = elementText(document, QStringLiteral("UDN")))
        found.uuid = udn->remove(QStringLiteral("uuid:"));
}

QCoro::Task<QList<Found>> discover(std::chrono::milliseconds timeout)
{
    QList<Found> found = co_await startSearch(timeout);

    QNetworkAccessManager manager;
    // Descriptions live on the local network; a configured proxy could not reach them and
    // must not be handed the addresses of the TVs.
    manager.setProxy(QNetworkProxy::NoProxy);
    for (Found &entry : found) {
        if (!entry.location)
            continue;
        const QUrl url(*entry.location, QUrl::StrictMode);
        if (!fetchableLocation(url))
            continue;
        if (const auto document = co_await fetchDescription(manager, url))
            applyDescription(entry, *document);
    }

    veltrix::log(QStringLiteral("SSDP 发现 ") + QString::number(found.size()) + QStringLiteral(" 台电视: ")
                 + hostList(found));
    co_return found;
}

} // namespace SSDPDiscovery
