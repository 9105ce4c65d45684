#include "mcp/mcptoolsadapter.h"

#include "mcp/mcptools.h"

QJsonArray MCPToolsAdapter::definitions() const
{
    return MCPTools::definitionsWithScreenshot();
}

QCoro::Task<QString> MCPToolsAdapter::call(const QString &name, const QJsonObject &arguments)
{
    return m_tools->call(name, arguments);
}

QCoro::Task<MCPToolResult> MCPToolsAdapter::callTool(const QString &name, const QJsonObject &arguments)
{
    return m_tools->callTool(name, arguments);
}
