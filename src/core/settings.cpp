#include "core/settings.h"

#include "log/log.h"
#include "core/textutil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

const QString kMcpEnabled = QStringLiteral("mcpEnabled");
const QString kMcpPort = QStringLiteral("mcpPort");
const QString kMcpToken = QStringLiteral("mcpToken");
const QString kMcpScreenshots = QStringLiteral("mcpScreenshots");
const QString kAutoHost = QStringLiteral("autoHost");
const QString kAutotest = QStringLiteral("autotest");
const QString kSnapshotDir = QStringLiteral("snapshotDir");
const QString kAppearance = QStringLiteral("appearance");

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions kOthers = QFileDevice::ReadGroup | QFileDevice::WriteGroup
    | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::WriteOther
    | QFileDevice::ExeOther;

// Reading never creates the file.
QVariant readValue(const QString &fileName, const QString &key)
{
    return QSettings(fileName, QSettings::IniFormat).value(key);
}

} // namespace

Settings::Settings()
    : m_fileName(defaultFileName())
{
}

Settings::Settings(const QString &fileName)
    : m_fileName(fileName)
{
}

QString Settings::defaultFileName()
{
    const QByteArray overridePath = qgetenv("VELTRIX_SETTINGS_FILE");
    if (!overridePath.isEmpty())
        return QString::fromLocal8Bit(overridePath);
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Veltrix/Veltrix.conf");
}

QString Settings::legacyFileName()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Veltrix/Veltrix.ini");
}

Settings::Adoption Settings::adoptLegacyFile(const QString &legacyFile, const QString &fileName)
{
    if (!QFileInfo::exists(legacyFile))
        return Adoption::nothingToDo;
    if (QFileInfo::exists(fileName)) {
        veltrix::log(QStringLiteral("旧设置文件未迁移，已有 ") + fileName + QStringLiteral(": ") + legacyFile);
        return Adoption::bothExist;
    }
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    // A rename never refuses half-way and never replaces a file that appeared meanwhile.
    if (!QFile::rename(legacyFile, fileName)) {
        veltrix::log(QStringLiteral("设置文件迁移失败: ") + legacyFile + QStringLiteral(" -> ") + fileName);
        return Adoption::failed;
    }
    QFile::setPermissions(fileName, kOwnerOnly);
    veltrix::log(QStringLiteral("设置文件已迁移: ") + legacyFile + QStringLiteral(" -> ") + fileName);
    return Adoption::moved;
}

Settings::Adoption Settings::adoptLegacyFile()
{
    if (!qEnvironmentVariableIsEmpty("VELTRIX_SETTINGS_FILE"))
        return Adoption::nothingToDo;
    return adoptLegacyFile(legacyFileName(), defaultFileName());
}

std::unique_ptr<QSettings> Settings::openPrivate(const QString &fileName)
{
    const QFileInfo info(fileName);
    QDir().mkpath(info.absolutePath());
    QFile file(fileName);
    if (!info.exists()) {
        // Created owner-only up front: QSettings keeps the mode of an existing file when it
        // rewrites it, so the keys are never readable by others, not even for a moment.
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnly))
            file.close();
    } else if (file.permissions() & kOthers) {
        file.setPermissions(kOwnerOnly);
    }
    return std::make_unique<QSettings>(fileName, QSettings::IniFormat);
}

void Settings::commit(QSettings &settings)
{
    settings.sync();
    QFile::setPermissions(settings.fileName(), kOwnerOnly);
}

bool Settings::mcpEnabled() const
{
    const QVariant value = readValue(m_fileName, kMcpEnabled);
    if (!value.isValid())
        return true;
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    // The INI file gives every value back as text.
    return value.toString().trimmed().compare(QLatin1String("false"), Qt::CaseInsensitive) != 0;
}

void Settings::setMcpEnabled(bool enabled)
{
    auto settings = openPrivate(m_fileName);
    settings->setValue(kMcpEnabled, enabled);
    commit(*settings);
}

bool Settings::mcpScreenshots() const
{
    const QVariant value = readValue(m_fileName, kMcpScreenshots);
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    // The INI file gives every value back as text; the picture leaves the machine only on a clear yes.
    return value.toString().trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

void Settings::setMcpScreenshots(bool allowed)
{
    auto settings = openPrivate(m_fileName);
    settings->setValue(kMcpScreenshots, allowed);
    commit(*settings);
}

int Settings::mcpPort() const
{
    bool ok = false;
    const qlonglong port = readValue(m_fileName, kMcpPort).toLongLong(&ok);
    if (!ok || port < 1 || port > 65535)
        return defaultMcpPort;
    return int(port);
}

void Settings::setMcpPort(int port)
{
    auto settings = openPrivate(m_fileName);
    settings->setValue(kMcpPort, port);
    commit(*settings);
}

QString Settings::mcpToken() const
{
    return veltrix::trimSpacesAndTabs(text(kMcpToken).value_or(QString()));
}

void Settings::setMcpToken(const QString &token)
{
    const QString trimmed = veltrix::trimSpacesAndTabs(token);
    setText(kMcpToken, trimmed.isEmpty() ? std::nullopt : std::optional<QString>(trimmed));
}

std::optional<QString> Settings::autoHost() const
{
    const std::optional<QString> raw = text(kAutoHost);
    if (!raw)
        return std::nullopt;
    // A blank host would only produce a device record nobody can reach.
    const QString host = veltrix::trimSpacesAndTabs(*raw);
    if (host.isEmpty())
        return std::nullopt;
    return host;
}

void Settings::setAutoHost(const std::optional<QString> &host) { setText(kAutoHost, host); }

std::optional<QString> Settings::autotest() const { return text(kAutotest); }

void Settings::setAutotest(const std::optional<QString> &mode) { setText(kAutotest, mode); }

std::optional<QString> Settings::snapshotDir() const { return text(kSnapshotDir); }

void Settings::setSnapshotDir(const std::optional<QString> &dir) { setText(kSnapshotDir, dir); }

AppearancePreference Settings::appearance() const
{
    return appearanceFromName(text(kAppearance).value_or(QString()));
}

void Settings::setAppearance(AppearancePreference appearance)
{
    setText(kAppearance, appearanceName(appearance));
}

QString Settings::appearanceName(AppearancePreference appearance)
{
    switch (appearance) {
    case AppearancePreference::light:
        return QStringLiteral("light");
    case AppearancePreference::dark:
        return QStringLiteral("dark");
    case AppearancePreference::system:
        break;
    }
    return QStringLiteral("system");
}

AppearancePreference Settings::appearanceFromName(const QString &name)
{
    if (name == QLatin1String("light"))
        return AppearancePreference::light;
    if (name == QLatin1String("dark"))
        return AppearancePreference::dark;
    return AppearancePreference::system;
}

std::optional<QString> Settings::text(const QString &key) const
{
    const QVariant value = readValue(m_fileName, key);
    if (!value.isValid())
        return std::nullopt;
    return value.toString();
}

void Settings::setText(const QString &key, const std::optional<QString> &value)
{
    auto settings = openPrivate(m_fileName);
    if (value)
        settings->setValue(key, *value);
    else
        settings->remove(key);
    commit(*settings);
}

bool Settings::storedTrue(const QString &key) const
{
    const QVariant value = readValue(m_fileName, key);
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    return value.toString().trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

void Settings::setBool(const QString &key, bool value)
{
    auto settings = openPrivate(m_fileName);
    settings->setValue(key, value);
    commit(*settings);
}

bool Settings::followComputerOff() const
{
    return storedTrue(QStringLiteral("followComputerOff"));
}

void Settings::setFollowComputerOff(bool on)
{
    setBool(QStringLiteral("followComputerOff"), on);
}

bool Settings::followComputerOn() const
{
    return storedTrue(QStringLiteral("followComputerOn"));
}

void Settings::setFollowComputerOn(bool on)
{
    setBool(QStringLiteral("followComputerOn"), on);
}
