#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QUdpSocket;

// Listens for Wake-on-LAN magic packets on UDP port 9 (shared with every other simulated TV)
// and reports the ones addressed to this TV's MAC. Connect magicPacket() to the TV's wake entry.
class WakeListener : public QObject {
    Q_OBJECT
public:
    // mac in any of "a8:23:fe:01:02:03", "A8-23-FE-01-02-03" notations.
    explicit WakeListener(QString mac, QObject *parent = nullptr);
    ~WakeListener() override;

    void setPort(quint16 port) { m_port = port; }  // before start(); 9 by default
    bool start();
    QString errorString() const { return m_error; }

    QString mac() const { return m_macText; }
    int packetCount() const { return m_packets; }   // valid packets for this MAC
    int ignoredCount() const { return m_ignored; }  // anything else that arrived

    // True when payload is a 102-byte magic packet for the six MAC bytes.
    static bool isMagicPacketFor(const QByteArray &payload, const QByteArray &macBytes);
    // Six bytes, or empty when the text is not a MAC.
    static QByteArray macBytes(const QString &mac);

Q_SIGNALS:
    void magicPacket();

private:
    void readPackets();

    QString m_macText;
    QByteArray m_mac;
    quint16 m_port = 9;
    QString m_error;
    QUdpSocket *m_socket = nullptr;
    int m_packets = 0;
    int m_ignored = 0;
};
