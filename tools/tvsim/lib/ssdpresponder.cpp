#include "tvsim/lib/ssdpresponder.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

namespace {

const QHostAddress kGroup(QStringLiteral("239.255.255.250"));
constexpr quint16 kSsdpPort = 1900;
constexpr qsizetype kRequestLimit = 16 * 1024;

QByteArray xmlEscaped(const QString &text)
{
    return text.toHtmlEscaped().toUtf8();
}

// The ST header of an M-SEARCH, or empty when the datagram is not one.
QString searchTarget(const QByteArray &message)
{
    const QList<QByteArray> lines = message.split('\n');
    if (lines.isEmpty() || !lines.front().startsWith("M-SEARCH"))
        return {};
    for (const QByteArray &raw : lines) {
        const QByteArray line = raw.trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == "st")
            return QString::fromUtf8(line.mid(colon + 1).trimmed());
    }
    return {};
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

} // namespace

SsdpResponder::SsdpResponder(QHostAddress tvAddress, QString descriptionUrl, QString usn, QObject *parent)
    : QObject(parent), m_address(std::move(tvAddress)), m_descriptionUrl(std::move(descriptionUrl)),
      m_usn(std::move(usn))
{
    // Until told otherwise the description carries the id the USN announces.
    QString id = m_usn.section(QStringLiteral("::"), 0, 0);
    m_uuid = id.remove(QStringLiteral("uuid:"));
}

SsdpResponder::~SsdpResponder() = default;

QString SsdpResponder::usnFor(const QString &uuid)
{
    return QStringLiteral("uuid:") + uuid + QStringLiteral("::") + QLatin1String(kSearchTarget);
}

void SsdpResponder::setDescription(const QString &friendlyName, const QString &modelName, const QString &uuid)
{
    m_friendlyName = friendlyName;
    m_modelName = modelName;
    m_uuid = uuid;
}

void SsdpResponder::setDescriptionBody(const QByteArray &body)
{
    m_customBody = body;
    m_hasCustomBody = true;
}

bool SsdpResponder::start()
{
    if (m_descriptionUrl.isEmpty()) {
        m_http = new QTcpServer(this);
        if (!m_http->listen(m_address, 0)) {
            m_error = QStringLiteral("description server: ") + m_http->errorString();
            return false;
        }
        connect(m_http, &QTcpServer::newConnection, this, &SsdpResponder::acceptHttp);
        m_descriptionUrl = QStringLiteral("http://%1:%2/description.xml")
                               .arg(m_address.toString())
                               .arg(m_http->serverPort());
    }

    m_send = new QUdpSocket(this);
    if (!m_send->bind(m_address, 0)) {
        m_error = QStringLiteral("answer socket: ") + m_send->errorString();
        return false;
    }

    // Every simulated TV binds the same port; shared binding gives each a copy of the search.
    m_listen = new QUdpSocket(this);
    if (!m_listen->bind(QHostAddress(QHostAddress::AnyIPv4), kSsdpPort,
                        QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
        m_error = QStringLiteral("SSDP socket: ") + m_listen->errorString();
        return false;
    }
    bool joined = false;
    if (m_address.isLoopback()) {
        const auto all = QNetworkInterface::allInterfaces();
        for (const QNetworkInterface &iface : all) {
            if (iface.flags().testFlag(QNetworkInterface::IsLoopBack)) {
                joined = m_listen->joinMulticastGroup(kGroup, iface);
                break;
            }
        }
    }
    if (!joined && !m_listen->joinMulticastGroup(kGroup)) {
        m_error = QStringLiteral("multicast join: ") + m_listen->errorString();
        return false;
    }
    connect(m_listen, &QUdpSocket::readyRead, this, &SsdpResponder::readSearches);
    return true;
}

void SsdpResponder::readSearches()
{
    while (m_listen->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_listen->receiveDatagram();
        const QByteArray message = datagram.data();
        const QString target = searchTarget(message);
        if (target.isEmpty())
            continue;
        ++m_searches;
        Q_EMIT searchReceived(message);
        if (target != QLatin1String(kSearchTarget) && target != QLatin1String("ssdp:all"))
            continue;
        for (int i = 0; i < m_answerCount; ++i)
            answer(datagram.senderAddress(), quint16(datagram.senderPort()));
    }
}

void SsdpResponder::answer(const QHostAddress &to, quint16 port)
{
    QByteArray reply = "HTTP/1.1 200 OK\r\n"
                       "CACHE-CONTROL: max-age=1800\r\n"
                       "EXT:\r\n";
    if (m_includeLocation)
        reply += m_locationHeader.toUtf8() + ": " + m_descriptionUrl.toUtf8() + "\r\n";
    reply += "SERVER: Linux/4.4 UPnP/1.0 webOS/1.0\r\n";
    reply += "ST: " + QByteArray(kSearchTarget) + "\r\n";
    reply += "USN: " + m_usn.toUtf8() + "\r\n\r\n";
    if (m_send->writeDatagram(reply, to, port) == reply.size())
        ++m_answers;
}

QByteArray SsdpResponder::descriptionBody() const
{
    if (m_hasCustomBody)
        return m_customBody;
    return "<?xml version=\"1.0\"?>\r\n"
           "<root xmlns=\"urn:schemas-upnp-org:device-1-0\">\r\n"
           "  <specVersion><major>1</major><minor>0</minor></specVersion>\r\n"
           "  <device>\r\n"
           "    <deviceType>urn:schemas-upnp-org:device:Basic:1</deviceType>\r\n"
           "    <friendlyName>" + xmlEscaped(m_friendlyName) + "</friendlyName>\r\n"
           "    <manufacturer>LG Electronics</manufacturer>\r\n"
           "    <modelName>" + xmlEscaped(m_modelName) + "</modelName>\r\n"
           "    <UDN>uuid:" + xmlEscaped(m_uuid) + "</UDN>\r\n"
           "    <serviceList><service>\r\n"
           "      <serviceType>" + QByteArray(kSearchTarget) + "</serviceType>\r\n"
           "    </service></serviceList>\r\n"
           "  </device>\r\n"
           "</root>\r\n";
}

void SsdpResponder::acceptHttp()
{
    while (QTcpSocket *socket = m_http->nextPendingConnection()) {
        m_requests.insert(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serveHttp(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_requests.remove(socket);
            socket->deleteLater();
        });
    }
}

void SsdpResponder::serveHttp(QTcpSocket *socket)
{
    auto it = m_requests.find(socket);
    if (it == m_requests.end())
        return;
    it->append(socket->readAll());
    const qsizetype headEnd = it->indexOf("\r\n\r\n");
    if (headEnd < 0) {
        if (it->size() > kRequestLimit) {
            m_requests.erase(it);
            socket->abort();
            socket->deleteLater();
        }
        return;
    }
    const QList<QByteArray> requestLine = it->left(it->indexOf("\r\n")).split(' ');
    m_requests.erase(it);

    int status = m_descriptionStatus;
    if (requestLine.size() < 2 || requestLine[0] != "GET" || requestLine[1] != "/description.xml")
        status = 404;
    const QByteArray body = status == 200 ? descriptionBody() : QByteArray();
    ++m_descriptionRequests;
    Q_EMIT descriptionRequested();

    QByteArray response = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
    response += "Content-Type: text/xml; charset=\"utf-8\"\r\n";
    response += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    response += "Connection: close\r\n\r\n";
    response += body;
    socket->write(response);
    socket->disconnectFromHost();
}
