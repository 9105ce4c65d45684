#pragma once

#include <QJsonObject>
#include <QMetaType>
#include <QString>

#include <optional>

// A saved TV and what pairing taught us about it.
struct TVDevice {
    QString id;     // canonical upper-case UUID text made by this program
    QString name;   // may be empty
    QString model;
    QString host;   // IP address or host name, as found or typed
    std::optional<QString> tvUUID;
    std::optional<QString> mac;
    std::optional<QString> clientKey;        // present means paired
    std::optional<QString> certFingerprint;  // lower-case hex SHA-256 of the leaf certificate

    bool isPaired() const { return clientKey.has_value(); }
    // name, or "LG 电视" when the name is empty.
    QString displayName() const;

    // The stored JSON object: the four required keys always, optional ones only when present.
    QJsonObject toJson() const;
    // Fails (nullopt) when a required key is missing or any known key is not a string.
    static std::optional<TVDevice> fromJson(const QJsonObject &object);

    static QString newId();

    bool operator==(const TVDevice &) const = default;
};

Q_DECLARE_METATYPE(TVDevice)
