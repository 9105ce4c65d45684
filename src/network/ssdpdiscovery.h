#pragma once

#include <QList>
#include <QMap>
#include <QMetaType>
#include <QString>

#include <QCoro/QCoroTask>

#include <chrono>
#include <optional>

// SSDP search for the TV's second-screen service. Stateless: every run is independent.
namespace SSDPDiscovery {

struct Found {
    QString host;  // dotted IPv4 of the answer's sender; identity of the entry
    std::optional<QString> uuid;
    std::optional<QString> name;
    std::optional<QString> model;
    std::optional<QString> location;

    bool operator==(const Found &) const = default;
};

inline constexpr quint16 kPort = 1900;
inline constexpr char kMulticastAddress[] = "239.255.255.250";
extern const QByteArray kSearchMessage;

// Multicasts the search twice, listens for `timeout` on a worker thread (the main thread is
// never blocked), fetches each answer's description, logs "SSDP 发现 ...", and yields the
// entries sorted by host text.
QCoro::Task<QList<Found>> discover(std::chrono::milliseconds timeout);

// Parsing pieces, exposed for tests and fuzzing.
QMap<QString, QString> parseHeaders(const QString &datagram);
std::optional<QString> uuidFromUsn(const QString &usn);
std::optional<QString> elementText(const QString &document, const QString &name);
// Applies friendlyName/modelName/UDN from a description document to an entry.
void applyDescription(Found &found, const QString &document);

} // namespace SSDPDiscovery

Q_DECLARE_METATYPE(SSDPDiscovery::Found)
