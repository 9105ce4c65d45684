#include "core/devicestore.h"
#include "app/language.h"
#include "app/launchoptions.h"
#include "mcp/mcpbridge.h"
#include "app/pairflow.h"
#include "app/pexoremoteapp.h"
#include "core/settings.h"
#include "app/singleinstance.h"
#include "app/terminal.h"
#include "core/tvsession.h"

#ifdef VELTRIX_WITH_UI
#include "ui/shell/windowedapp.h"

#include <QApplication>
#endif

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <functional>
#include <memory>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

// Only async-signal-safe work here: the event loop picks the byte up and quits.
void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}

// Ctrl-C and kill reach `onQuit` through the event loop, so everything is torn down in order.
void quitOnSignals(QCoreApplication &app, std::function<void()> onQuit)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, std::move(onQuit));
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

// A later launch against a running Veltrix: ask it to show itself and say so in one line.
int handOverToRunning(SingleInstance &instance)
{
    if (!instance.handOver(SingleInstance::Request::activate)) {
        QTextStream(stderr) << "veltrix: "
                            << QCoreApplication::translate("main", "另一个实例占用 %1，但没有回应：%2")
                                   .arg(instance.socketPath(), instance.errorString())
                            << Qt::endl;
        return 1;
    }
    QTextStream(stdout) << "veltrix: "
                        << QCoreApplication::translate("main", "已有实例使用此设置文件运行；已请它显示到前台")
                        << Qt::endl;
    return 0;
}

// "--pair": the terminal flow on its own store and session, then exit with its status.
int runPairing(QCoreApplication &app, const LaunchOptions &options)
{
    DeviceStore store(Settings::defaultFileName());
    TVSession session(&store);
    StdioTerminal terminal;
    PairFlow flow(&session, &terminal);
    quitOnSignals(app, [&flow] { flow.interrupt(); });
    QObject::connect(&flow, &PairFlow::finished, &app, [&session](int status) {
        session.disconnect();
        // Queued behind what the disconnect set off, so those resumptions still run.
        QMetaObject::invokeMethod(QCoreApplication::instance(), [status] { QCoreApplication::exit(status); },
                                  Qt::QueuedConnection);
    });
    flow.start(*options.pair, options.pairWithPin);
    return app.exec();
}

#ifdef VELTRIX_WITH_UI
// Windows need a display; without one the program says so and serves headless instead of
// aborting in Qt's platform plugin. An explicitly chosen platform (offscreen) counts as one.
bool displayAvailable()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}
#endif

// Whether this launch asks for windows, display or not.
bool asksForWindows(const LaunchOptions &options)
{
#ifdef VELTRIX_WITH_UI
    return !(options.headless || options.pair || options.help || options.version || !options.error.isEmpty());
#else
    Q_UNUSED(options)
    return false;
#endif
}

bool wantsWindows(const LaunchOptions &options)
{
#ifdef VELTRIX_WITH_UI
    return asksForWindows(options) && displayAvailable();
#else
    Q_UNUSED(options)
    return false;
#endif
}

std::unique_ptr<QCoreApplication> makeApplication(int &argc, char **argv, bool windows)
{
#ifdef VELTRIX_WITH_UI
    if (windows)
        return std::make_unique<QApplication>(argc, argv);
#endif
    Q_UNUSED(windows)
    return std::make_unique<QCoreApplication>(argc, argv);
}

// Bad options, --help and --version are answered on the terminal without starting anything.
std::optional<int> answerOnTerminal(const LaunchOptions &options)
{
    if (!options.error.isEmpty()) {
        QTextStream(stderr) << "veltrix: " << options.error << "\n\n" << LaunchOptions::helpText();
        return 2;
    }
    if (options.help || options.version) {
        QTextStream(stdout) << (options.help ? LaunchOptions::helpText() : LaunchOptions::versionText());
        return 0;
    }
    return std::nullopt;
}

// One Veltrix per settings file: a later launch hands over to the running one and exits.
std::optional<int> claimInstance(SingleInstance &instance, const LaunchOptions &options)
{
    if (!instance.acquire() && options.pair) {
        QTextStream(stderr) << "veltrix: "
                            << QCoreApplication::translate(
                                   "main", "Veltrix 正在使用此设置文件运行；请先退出它再配对。未做任何更改。")
                            << Qt::endl;
        return 1;
    }
    // Started at login while one already runs: nothing to do, and no window to raise.
    if (!instance.isOwner() && options.background)
        return 0;
    if (!instance.isOwner())
        return handOverToRunning(instance);
    return std::nullopt;
}

#ifdef VELTRIX_WITH_UI
int runWindowed(QCoreApplication &app, PexoRemoteApp &veltrix, SingleInstance &instance,
                const LaunchOptions &options)
{
    WindowedApp ui(veltrix.session(), veltrix.store(), veltrix.mcp(), Settings(veltrix.settingsFile()),
                   veltrix.followComputer());
    QObject::connect(&ui, &WindowedApp::startUpRequested, &veltrix,
                     [&veltrix, &ui] { veltrix.startUp([&ui] { ui.applyStoredAppearance(); }); });
    QObject::connect(&instance, &SingleInstance::activationRequested, &ui, &WindowedApp::showWindow);
    if (options.background)
        ui.startInBackground();
    else
        ui.showWindow();
    return app.exec();
}
#endif

// The services with or without windows, until a signal or the last window quits.
int runServices(QCoreApplication &app, SingleInstance &instance, const LaunchOptions &options, bool windows)
{
    quitOnSignals(app, [] { QCoreApplication::exit(0); });
    PexoRemoteApp veltrix(options);
    if (!veltrix.prepare()) {
        QTextStream(stderr) << "veltrix: " << veltrix.errorString() << Qt::endl;
        return 1;
    }
#ifdef VELTRIX_WITH_UI
    if (windows)
        return runWindowed(app, veltrix, instance, options);
#endif
    Q_UNUSED(windows)
    veltrix.startUp();
    return app.exec();
}

} // namespace

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    LaunchOptions options = LaunchOptions::parse(arguments);
    if (options.mcpStdio)
        return MCPBridge::runStdio(argc, argv);

    const bool windows = wantsWindows(options);
    const std::unique_ptr<QCoreApplication> application = makeApplication(argc, argv, windows);
    QCoreApplication::setOrganizationName(QStringLiteral("Veltrix"));
    QCoreApplication::setApplicationName(QStringLiteral("Veltrix"));
    QCoreApplication::setApplicationVersion(LaunchOptions::programVersion());
    // The translation needs the application object; every terminal text comes after it.
    veltrix::installLanguage();
    // Again, now that the texts speak the user's language; the outcome is the same.
    options = LaunchOptions::parse(arguments);
    if (asksForWindows(options) && !windows) {
        QTextStream(stderr) << "veltrix: "
                            << QCoreApplication::translate(
                                   "main", "没有显示器（DISPLAY 和 WAYLAND_DISPLAY 均未设置）；以无窗口方式运行")
                            << Qt::endl;
    }
    if (const auto status = answerOnTerminal(options))
        return *status;

    SingleInstance instance(Settings::defaultFileName());
    if (const auto status = claimInstance(instance, options))
        return *status;
    Settings::adoptLegacyFile();
    if (options.pair)
        return runPairing(*application, options);
    return runServices(*application, instance, options, windows);
}
