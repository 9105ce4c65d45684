#pragma once

#include <QString>
#include <QVariant>

// The MCP settings shared by the server and the stdio bridge.
struct MCPSettings {
    static constexpr quint16 defaultPort = 8765;

    // The stored "mcpPort" value as a port: 1 to 65535 as given, anything else 8765.
    static quint16 resolvePort(const QVariant &stored);

    // The settings file: VELTRIX_SETTINGS_FILE when set, else the user's Veltrix.conf.
    static QString defaultSettingsFile();

    // "mcpPort" read afresh from the INI file, resolved as above.
    static quint16 storedPort(const QString &settingsFile);

    static QString endpointURL(quint16 port);
};
