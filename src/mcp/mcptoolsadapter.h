#pragma once

#include "mcp/mcptoolhost.h"

class MCPTools;

// Serves the real tool catalogue and implementations to the dispatcher.
class MCPToolsAdapter : public MCPToolHost {
public:
    explicit MCPToolsAdapter(MCPTools *tools) : m_tools(tools) {}
    QJsonArray definitions() const override;
    QCoro::Task<QString> call(const QString &name, const QJsonObject &arguments) override;
    QCoro::Task<MCPToolResult> callTool(const QString &name, const QJsonObject &arguments) override;

private:
    MCPTools *m_tools;
};
