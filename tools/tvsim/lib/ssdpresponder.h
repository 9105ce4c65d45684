#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QString>

class QTcpServer;
class QTcpSocket;
class QUdpSocket;

// The simulated TV's side of SSDP: listens for M-SEARCH on 239.255.255.250:1900 (sharing the
// port with every other simulated TV on the machine), answers by unicast from the TV's own
// address, and serves the device description over plain HTTP on that address.
//
//   SsdpResponder responder(QHostAddress(QStringLiteral("127.0.12.2")), {},
//                           SsdpResponder::usnFor(QStringLiteral("1234")));
//   responder.setDescription(QStringLiteral("Living room"), QStringLiteral("OLED55C1"), QStringLiteral("1234"));
//   responder.start();
class SsdpResponder : public QObject {
    Q_OBJECT
public:
    static constexpr char kSearchTarget[] = "urn:lge-com:service:webos-second-screen:1";

    // descriptionUrl empty: the responder serves its own description and advertises that URL.
    // usn is the USN header value verbatim (see usnFor).
    SsdpResponder(QHostAddress tvAddress, QString descriptionUrl, QString usn, QObject *parent = nullptr);
    ~SsdpResponder() override;

    // "uuid:<uuid>::urn:lge-com:service:webos-second-screen:1", as a webOS TV writes it.
    static QString usnFor(const QString &uuid);

    // Binds the sockets (and the description server when it is ours). False with errorString().
    bool start();
    QString errorString() const { return m_error; }

    // What the served description holds; UDN is written as "uuid:<uuid>".
    void setDescription(const QString &friendlyName, const QString &modelName, const QString &uuid);
    // Serves exactly these bytes instead of the generated document.
    void setDescriptionBody(const QByteArray &body);
    // HTTP status of the description (e.g. 404); 200 by default.
    void setDescriptionStatus(int status) { m_descriptionStatus = status; }

    // Answer options.
    void setIncludeLocation(bool include) { m_includeLocation = include; }
    void setUsn(const QString &usn) { m_usn = usn; }
    void setAnswerCount(int count) { m_answerCount = count; }  // per search; 0 keeps silent
    void setLocationHeaderName(const QString &name) { m_locationHeader = name; }  // e.g. "location"

    QHostAddress address() const { return m_address; }
    // The advertised description URL (valid after start() when served by us).
    QString descriptionUrl() const { return m_descriptionUrl; }
    int searchCount() const { return m_searches; }
    int answerCount() const { return m_answers; }
    int descriptionRequests() const { return m_descriptionRequests; }

Q_SIGNALS:
    void searchReceived(const QByteArray &message);
    void descriptionRequested();

private:
    void readSearches();
    void answer(const QHostAddress &to, quint16 port);
    void acceptHttp();
    void serveHttp(QTcpSocket *socket);
    QByteArray descriptionBody() const;

    QHostAddress m_address;
    QString m_descriptionUrl;
    QString m_usn;
    QString m_error;
    QString m_friendlyName = QStringLiteral("LG webOS TV");
    QString m_modelName;
    QString m_uuid;
    QByteArray m_customBody;
    bool m_hasCustomBody = false;
    int m_descriptionStatus = 200;
    bool m_includeLocation = true;
    int m_answerCount = 1;
    QString m_locationHeader = QStringLiteral("LOCATION");

    QUdpSocket *m_listen = nullptr;
    QUdpSocket *m_send = nullptr;
    QTcpServer *m_http = nullptr;
    QHash<QTcpSocket *, QByteArray> m_requests;
    int m_searches = 0;
    int m_answers = 0;
    int m_descriptionRequests = 0;
};
