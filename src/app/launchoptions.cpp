#include "app/launchoptions.h"

#include "core/textutil.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace {

const QString kMcpStdio = QStringLiteral("mcp-stdio");
const QString kHeadless = QStringLiteral("headless");
const QString kBackground = QStringLiteral("background");
const QString kDemo = QStringLiteral("demo");
const QString kHost = QStringLiteral("host");
const QString kPair = QStringLiteral("pair");
const QString kPin = QStringLiteral("pin");

// The one place where the modes are described.
struct Parser {
    QCommandLineParser parser;
    QCommandLineOption help = parser.addHelpOption();
    QCommandLineOption version = parser.addVersionOption();

    Parser()
    {
        parser.setApplicationDescription(QStringLiteral(
            "Veltrix: a remote control for LG webOS TVs with an MCP server for agents.\n"
            "Without options it runs the application: the TV session, the MCP server on\n"
            "http://127.0.0.1:<mcpPort>/mcp, the automatic connection and one scan. A second\n"
            "launch with the same settings file hands over to the running one and exits."));
        parser.addOptions({
            {kHeadless, QStringLiteral("Run without any window (session, MCP server, connection, scan).")},
            {kBackground, QStringLiteral("Start in the tray without opening the window (how the login "
                                         "entry starts it); without a tray the window opens minimised.")},
            {kDemo, QStringLiteral("Add a simulated TV on a loopback address for this run and connect to it.")},
            {kHost, QStringLiteral("Connect to the TV at <address> for this run (like the autoHost setting)."),
             QStringLiteral("address")},
            {kPair, QStringLiteral("Pair with the TV at <address> on this terminal, save it as the selected TV "
                                   "and exit. Refused while Veltrix is running."),
             QStringLiteral("address")},
            {kPin, QStringLiteral("With --pair: the TV shows a PIN, which the terminal asks for.")},
            {kMcpStdio, QStringLiteral("Only bridge MCP between standard input/output and the running "
                                       "application's endpoint (starting it when needed). Overrides "
                                       "every other argument.")},
        });
    }
};

std::optional<QString> addressValue(const QCommandLineParser &parser, const QString &name, QString *error)
{
    if (!parser.isSet(name))
        return std::nullopt;
    const QString value = veltrix::trimSpacesAndTabs(parser.value(name));
    if (value.isEmpty())
        *error = QStringLiteral("--") + name + QStringLiteral(" needs the TV's address, for example --") + name
            + QStringLiteral(" 192.168.1.50");
    return value;
}

QString conflicts(const LaunchOptions &options)
{
    if (options.demo && options.host)
        return QStringLiteral("--demo and --host exclude each other");
    if (options.pair && (options.demo || options.host))
        return QStringLiteral("--pair runs on its own, without --demo or --host");
    if (options.background && (options.headless || options.pair))
        return QStringLiteral("--background goes with the windows, not with --headless or --pair");
    if (options.pairWithPin && !options.pair)
        return QStringLiteral("--pin only goes with --pair ADDRESS");
    return QString();
}

} // namespace

LaunchOptions LaunchOptions::parse(const QStringList &arguments)
{
    LaunchOptions options;
    // The bridge mode ignores everything else: agents pass whatever their config holds.
    if (arguments.contains(QStringLiteral("--") + kMcpStdio)) {
        options.mcpStdio = true;
        return options;
    }
    Parser p;
    if (!p.parser.parse(arguments)) {
        options.error = p.parser.errorText();
        return options;
    }
    options.help = p.parser.isSet(p.help);
    options.version = p.parser.isSet(p.version);
    if (options.help || options.version)
        return options;
    if (!p.parser.positionalArguments().isEmpty()) {
        options.error = QStringLiteral("unexpected argument: ") + p.parser.positionalArguments().constFirst();
        return options;
    }
    options.headless = p.parser.isSet(kHeadless);
    options.background = p.parser.isSet(kBackground);
    options.demo = p.parser.isSet(kDemo);
    options.pairWithPin = p.parser.isSet(kPin);
    options.host = addressValue(p.parser, kHost, &options.error);
    options.pair = addressValue(p.parser, kPair, &options.error);
    if (options.error.isEmpty())
        options.error = conflicts(options);
    return options;
}

QString LaunchOptions::helpText()
{
    return Parser().parser.helpText();
}

QString LaunchOptions::versionText()
{
    return QCoreApplication::applicationName() + QLatin1Char(' ') + programVersion() + QLatin1Char('\n');
}

QString LaunchOptions::programVersion()
{
    return QStringLiteral(VELTRIX_VERSION);
}
