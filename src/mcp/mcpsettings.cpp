#include "mcpsettings.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

quint16 MCPSettings::resolvePort(const QVariant &stored)
{
    if (!stored.isValid() || stored.isNull())
        return defaultPort;
    bool ok = false;
    // INI values come back as text; accept only a plain integer.
    const qlonglong value = stored.typeId() == QMetaType::QString
        ? stored.toString().trimmed().toLongLong(&ok)
        : stored.toLongLong(&ok);
    if (!ok || value < 1 || value > 65535)
        return defaultPort;
    return static_cast<quint16>(value);
}

QString MCPSettings::defaultSettingsFile()
{
    const QByteArray fromEnv = qgetenv("VELTRIX_SETTINGS_FILE");
    if (!fromEnv.isEmpty())
        return QString::fromLocal8Bit(fromEnv);
    QString config = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/Veltrix/Veltrix.conf");
}

quint16 MCPSettings::storedPort(const QString &settingsFile)
{
    QSettings settings(settingsFile, QSettings::IniFormat);
    return resolvePort(settings.value(QStringLiteral("mcpPort")));
}

QString MCPSettings::endpointURL(quint16 port)
{
    return QStringLiteral("http://127.0.0.1:") + QString::number(port) + QStringLiteral("/mcp");
}
