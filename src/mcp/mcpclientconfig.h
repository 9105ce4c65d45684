#pragma once

#include <QString>

// The ready-made MCP client configurations the settings page copies to the clipboard.
namespace MCPClientConfig {

// Clients that speak HTTP: the endpoint URL as is, and with a token the header that carries it.
QString http(const QString &endpointURL, const QString &token = QString());
// Clients that start a program: this executable with "--mcp-stdio".
QString stdio(const QString &executablePath);
// The running executable's full path, or "Veltrix" when the platform gives none.
QString executablePath();

} // namespace MCPClientConfig
