#include "tvsim/lib/wakelistener.h"

#include <QNetworkDatagram>
#include <QRegularExpression>
#include <QUdpSocket>

WakeListener::WakeListener(QString mac, QObject *parent)
    : QObject(parent), m_macText(std::move(mac)), m_mac(macBytes(m_macText))
{
}

WakeListener::~WakeListener() = default;

QByteArray WakeListener::macBytes(const QString &mac)
{
    static const QRegularExpression separators(QStringLiteral("[:-]"));
    const QStringList groups = mac.split(separators, Qt::SkipEmptyParts);
    if (groups.size() != 6)
        return {};
    QByteArray bytes;
    for (const QString &group : groups) {
        bool ok = false;
        const uint value = group.toUInt(&ok, 16);
        if (!ok || group.size() > 2 || value > 255)
            return {};
        bytes.append(char(value));
    }
    return bytes;
}

bool WakeListener::isMagicPacketFor(const QByteArray &payload, const QByteArray &macBytes)
{
    if (macBytes.size() != 6 || payload.size() != 102)
        return false;
    if (payload.left(6) != QByteArray(6, char(0xff)))
        return false;
    for (int i = 0; i < 16; ++i) {
        if (payload.mid(6 + i * 6, 6) != macBytes)
            return false;
    }
    return true;
}

bool WakeListener::start()
{
    if (m_mac.isEmpty()) {
        m_error = QStringLiteral("not a MAC address: ") + m_macText;
        return false;
    }
    delete m_socket;
    m_socket = new QUdpSocket(this);
    if (!m_socket->bind(QHostAddress(QHostAddress::AnyIPv4), m_port,
                        QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
        m_error = m_socket->errorString();
        return false;
    }
    connect(m_socket, &QUdpSocket::readyRead, this, &WakeListener::readPackets);
    return true;
}

void WakeListener::readPackets()
{
    while (m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket->receiveDatagram();
        if (isMagicPacketFor(datagram.data(), m_mac)) {
            ++m_packets;
            Q_EMIT magicPacket();
        } else {
            ++m_ignored;
        }
    }
}
