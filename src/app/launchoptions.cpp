#include "launchoptions.h"

LaunchOptions LaunchOptions::parse(const QStringList &arguments)
{
    LaunchOptions options;
    // The bridge mode ignores everything else: agents pass whatever their config holds.
    if (arguments.contains(QStringLiteral("--mcp-stdio"))) {
        options.mcpStdio = true;
        return options;
    }
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QStringLiteral("--headless")) {
            options.headless = true;
        } else if (argument == QStringLiteral("--demo")) {
            options.demo = true;
        } else if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h")) {
            options.help = true;
        } else if (argument == QStringLiteral("--host") || argument.startsWith(QStringLiteral("--host="))) {
            QString value;
            if (argument.contains(QLatin1Char('='))) {
                value = argument.section(QLatin1Char('='), 1);
            } else if (i + 1 < arguments.size()) {
                value = arguments.at(++i);
            }
            value = value.trimmed();
            if (value.isEmpty()) {
                options.error = QStringLiteral("--host needs the TV's address, for example --host 192.168.1.50");
                return options;
            }
            options.host = value;
        } else {
            options.error = QStringLiteral("unknown argument: ") + argument;
            return options;
        }
    }
    if (options.demo && options.host) {
        options.error = QStringLiteral("--demo and --host exclude each other");
    }
    return options;
}

QString LaunchOptions::usage()
{
    return QStringLiteral(
        "Usage: veltrix [--headless] [--demo | --host ADDR]\n"
        "       veltrix --mcp-stdio\n"
        "\n"
        "  --headless   run without any window (session, MCP server, connection, scan)\n"
        "  --demo       add a simulated TV on a loopback address for this run and connect to it\n"
        "  --host ADDR  connect to the TV at ADDR for this run\n"
        "  --mcp-stdio  bridge MCP over standard input/output to the running application\n");
}
