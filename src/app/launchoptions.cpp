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
        parser.setApplicationDescription(LaunchOptions::tr(
            "Veltrix：LG webOS 电视遥控器，内置供 AI Agent 使用的 MCP 服务。\n"
            "不带选项时运行应用：电视会话、位于 http://127.0.0.1:<mcpPort>/mcp 的 MCP 服务、\n"
            "自动连接和一次扫描。用同一设置文件再次启动时，交给正在运行的实例并退出。"));
        parser.addOptions({
            {kHeadless, LaunchOptions::tr("不显示任何窗口运行（会话、MCP 服务、连接、扫描）。")},
            {kBackground, LaunchOptions::tr("在托盘中启动，不打开窗口（登录时启动即如此）；没有托盘时窗口以最小化打开。")},
            {kDemo, LaunchOptions::tr("本次运行添加一台位于回环地址的模拟电视并连接它。")},
            {kHost, LaunchOptions::tr("本次运行连接位于 <address> 的电视（同 autoHost 设置）。"), QStringLiteral("address")},
            {kPair, LaunchOptions::tr("在此终端与位于 <address> 的电视配对，保存为所选电视后退出。Veltrix 运行时拒绝执行。"),
             QStringLiteral("address")},
            {kPin, LaunchOptions::tr("与 --pair 同用：电视显示 PIN，由终端询问。")},
            {kMcpStdio, LaunchOptions::tr("只在标准输入/输出与正在运行的应用的端点之间转接 MCP（需要时启动应用）。"
                             "优先于所有其他参数。")},
        });
    }
};

std::optional<QString> addressValue(const QCommandLineParser &parser, const QString &name, QString *error)
{
    if (!parser.isSet(name))
        return std::nullopt;
    const QString value = veltrix::trimSpacesAndTabs(parser.value(name));
    if (value.isEmpty())
        *error = LaunchOptions::tr("--%1 需要电视的地址，例如 --%1 192.168.1.50").arg(name);
    return value;
}

QString conflicts(const LaunchOptions &options)
{
    if (options.demo && options.host)
        return LaunchOptions::tr("--demo 与 --host 不能同时使用");
    if (options.pair && (options.demo || options.host))
        return LaunchOptions::tr("--pair 单独运行，不能与 --demo 或 --host 同用");
    if (options.background && (options.headless || options.pair))
        return LaunchOptions::tr("--background 用于窗口模式，不能与 --headless 或 --pair 同用");
    if (options.pairWithPin && !options.pair)
        return LaunchOptions::tr("--pin 只能与 --pair ADDRESS 同用");
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
        options.error = LaunchOptions::tr("多余的参数：%1").arg(p.parser.positionalArguments().constFirst());
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
