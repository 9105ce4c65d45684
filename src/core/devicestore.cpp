#include "core/devicestore.h"

#include "core/settings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSettings>

namespace {

const QString kDevicesKey = QStringLiteral("devices.v1");
const QString kSelectedKey = QStringLiteral("devices.selected");
// Where a list we could not read is kept when the next save replaces it.
const QString kUnreadableKey = QStringLiteral("devices.v1.unreadable");

// All or nothing: one bad record fails the whole list.
std::optional<QList<TVDevice>> decodeDevices(const QByteArray &data)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QList<TVDevice> devices;
    const QJsonArray array = document.array();
    devices.reserve(array.size());
    for (const QJsonValue &value : array) {
        if (!value.isObject())
            return std::nullopt;
        std::optional<TVDevice> device = TVDevice::fromJson(value.toObject());
        if (!device)
            return std::nullopt;
        devices.append(std::move(*device));
    }
    return devices;
}

} // namespace

DeviceStore::DeviceStore(QObject *parent)
    : DeviceStore(Settings::defaultFileName(), parent)
{
}

DeviceStore::DeviceStore(const QString &settingsFile, QObject *parent)
    : QObject(parent)
    , m_settings(Settings::openPrivate(settingsFile))
{
    load();
}

DeviceStore::~DeviceStore() = default;

QString DeviceStore::settingsFileName() const
{
    return m_settings->fileName();
}

void DeviceStore::load()
{
    QList<TVDevice> devices;
    const QVariant stored = m_settings->value(kDevicesKey);
    if (stored.isValid()) {
        if (std::optional<QList<TVDevice>> decoded = decodeDevices(stored.toByteArray()))
            devices = std::move(*decoded);
    }
    // A stored copy of the default name would stop following the localized text.
    for (TVDevice &device : devices) {
        if (device.name == QStringLiteral("LG 电视"))
            device.name.clear();
    }
    setDevices(devices);

    const QVariant selected = m_settings->value(kSelectedKey);
    if (selected.isValid())
        setSelectedID(selected.toString());
    else if (!m_devices.isEmpty())
        setSelectedID(m_devices.first().id);
    else
        setSelectedID(std::nullopt);
}

void DeviceStore::setDevices(const QList<TVDevice> &devices)
{
    if (devices == m_devices)
        return;
    m_devices = devices;
    Q_EMIT devicesChanged();
}

void DeviceStore::setSelectedID(const std::optional<QString> &id)
{
    const bool changed = id != m_selectedID;
    m_selectedID = id;
    if (id)
        m_settings->setValue(kSelectedKey, *id);
    else
        m_settings->remove(kSelectedKey);
    Settings::commit(*m_settings);
    if (changed)
        Q_EMIT selectedIDChanged();
}

std::optional<TVDevice> DeviceStore::device(const QString &id) const
{
    for (const TVDevice &device : m_devices) {
        if (device.id == id)
            return device;
    }
    return std::nullopt;
}

std::optional<TVDevice> DeviceStore::selectedDevice() const
{
    if (!m_selectedID)
        return std::nullopt;
    return device(*m_selectedID);
}

TVDevice DeviceStore::upsert(const QString &host, const std::optional<QString> &tvUUID,
                             const std::optional<QString> &name,
                             const std::optional<QString> &model)
{
    qsizetype match = -1;
    // The TV's own identifier wins over the address: a TV that moved keeps its record.
    if (tvUUID) {
        for (qsizetype i = 0; i < m_devices.size() && match < 0; ++i) {
            if (m_devices.at(i).tvUUID == tvUUID)
                match = i;
        }
    }
    for (qsizetype i = 0; i < m_devices.size() && match < 0; ++i) {
        if (m_devices.at(i).host == host)
            match = i;
    }

    QList<TVDevice> devices = m_devices;
    TVDevice result;
    if (match >= 0) {
        TVDevice &record = devices[match];
        record.host = host;
        if (tvUUID)
            record.tvUUID = tvUUID;
        // Once paired, the name and model are the user's and the TV's, not discovery's.
        if (!record.isPaired()) {
            if (name)
                record.name = *name;
            if (model)
                record.model = *model;
        }
        result = record;
    } else {
        result.id = TVDevice::newId();
        result.name = name.value_or(QString());
        result.model = model.value_or(QStringLiteral("LG webOS TV"));
        result.host = host;
        result.tvUUID = tvUUID;
        devices.append(result);
    }
    setDevices(devices);
    save();
    return result;
}

void DeviceStore::update(const TVDevice &device)
{
    for (qsizetype i = 0; i < m_devices.size(); ++i) {
        if (m_devices.at(i).id == device.id) {
            QList<TVDevice> devices = m_devices;
            devices[i] = device;
            setDevices(devices);
            save();
            return;
        }
    }
}

void DeviceStore::remove(const QString &id)
{
    QList<TVDevice> devices = m_devices;
    devices.removeIf([&](const TVDevice &device) { return device.id == id; });
    setDevices(devices);
    if (m_selectedID == id) {
        if (m_devices.isEmpty())
            setSelectedID(std::nullopt);
        else
            setSelectedID(m_devices.first().id);
    }
    save();
}

void DeviceStore::save()
{
    // A list we could not read is not thrown away silently: it may hold the keys of every
    // paired TV, so it is kept beside the new list.
    const QVariant previous = m_settings->value(kDevicesKey);
    if (previous.isValid()) {
        const QByteArray bytes = previous.toByteArray();
        if (!bytes.isEmpty() && !decodeDevices(bytes))
            m_settings->setValue(kUnreadableKey, bytes);
    }

    QJsonArray array;
    for (const TVDevice &device : m_devices)
        array.append(device.toJson());
    m_settings->setValue(kDevicesKey, QJsonDocument(array).toJson(QJsonDocument::Compact));
    Settings::commit(*m_settings);
}
