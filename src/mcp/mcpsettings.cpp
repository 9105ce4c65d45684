#include "mcp/mcpsettings.h"

#include "core/settings.h"

QString MCPSettings::defaultSettingsFile()
{
    return Settings::defaultFileName();
}

quint16 MCPSettings::storedPort(const QString &settingsFile)
{
    return static_cast<quint16>(Settings(settingsFile).mcpPort());
}

QString MCPSettings::endpointURL(quint16 port)
{
    return QStringLiteral("http://127.0.0.1:") + QString::number(port) + QStringLiteral("/mcp");
}

QString MCPSettings::storedToken(const QString &settingsFile)
{
    return Settings(settingsFile).mcpToken();
}
