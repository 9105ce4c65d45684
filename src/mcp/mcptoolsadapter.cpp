#include "mcp/mcptoolsadapter.h"

#include "mcp/mcptools.h"

QJsonArray MCPToolsAdapter::definitions() const
{
    return MCPTools::definitions();
}

QCoro::Task<QString> MCPToolsAdapter::call(const QString &name, const QJsonObject &arguments)
{
    return m_tools->call(name, arguments);
}
