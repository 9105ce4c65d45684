#pragma once

#include <QString>

// The MCP settings shared by the server and the stdio bridge; both read the application's
// settings file through Settings, so they can never disagree about the port.
struct MCPSettings {
    static constexpr quint16 defaultPort = 8765;

    // The settings file: VELTRIX_SETTINGS_FILE when set, else the user's Veltrix.conf.
    static QString defaultSettingsFile();

    // "mcpPort" read afresh from the file: 1 to 65535 as stored, anything else 8765.
    static quint16 storedPort(const QString &settingsFile);

    static QString endpointURL(quint16 port);

    // "mcpToken" read afresh from the file; empty when the endpoint asks for none.
    static QString storedToken(const QString &settingsFile);
};
