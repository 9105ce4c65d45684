#pragma once

#include "core/tvdevice.h"

#include <QList>
#include <QObject>

#include <memory>
#include <optional>

class QSettings;

// The saved TVs and the selected one, persisted in the settings under "devices.v1" (JSON
// array as a byte value) and "devices.selected". Main thread only.
class DeviceStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<TVDevice> devices READ devices NOTIFY devicesChanged)
    Q_PROPERTY(QString selectedID READ selectedIDText NOTIFY selectedIDChanged)

public:
    // Uses the application's settings file (kept at mode 0600: it holds client keys).
    explicit DeviceStore(QObject *parent = nullptr);
    // Uses the given INI file instead; tests and the demo mode point it at a private folder.
    explicit DeviceStore(const QString &settingsFile, QObject *parent = nullptr);
    ~DeviceStore() override;

    QList<TVDevice> devices() const { return m_devices; }
    std::optional<QString> selectedID() const { return m_selectedID; }
    QString selectedIDText() const { return m_selectedID.value_or(QString()); }
    void setSelectedID(const std::optional<QString> &id);

    std::optional<TVDevice> device(const QString &id) const;
    // The first record whose id equals selectedID.
    std::optional<TVDevice> selectedDevice() const;

    TVDevice upsert(const QString &host, const std::optional<QString> &tvUUID = std::nullopt,
                    const std::optional<QString> &name = std::nullopt,
                    const std::optional<QString> &model = std::nullopt);
    void update(const TVDevice &device);
    void remove(const QString &id);
    void save();

    QString settingsFileName() const;

Q_SIGNALS:
    void devicesChanged();
    void selectedIDChanged();

private:
    void load();
    void setDevices(const QList<TVDevice> &devices);

    std::unique_ptr<QSettings> m_settings;
    QList<TVDevice> m_devices;
    std::optional<QString> m_selectedID;
};
