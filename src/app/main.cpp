#include "devicestore.h"
#include "launchoptions.h"
#include "mcpbridge.h"
#include "pairflow.h"
#include "pexoremoteapp.h"
#include "settings.h"
#include "singleinstance.h"
#include "terminal.h"
#include "tvsession.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <functional>
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
        QTextStream(stderr) << "veltrix: another instance holds " << instance.socketPath()
                            << " but does not answer: " << instance.errorString() << Qt::endl;
        return 1;
    }
    QTextStream(stdout) << "veltrix: already running with this settings file; asked it to come to the front"
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

} // namespace

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const LaunchOptions options = LaunchOptions::parse(arguments);
    if (options.mcpStdio)
        return MCPBridge::runStdio(argc, argv);

    // The windows are not part of this build yet, so every launch runs the headless core.
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Veltrix"));
    QCoreApplication::setApplicationName(QStringLiteral("Veltrix"));
    QCoreApplication::setApplicationVersion(LaunchOptions::programVersion());
    if (!options.error.isEmpty()) {
        QTextStream(stderr) << "veltrix: " << options.error << "\n\n" << LaunchOptions::helpText();
        return 2;
    }
    if (options.help || options.version) {
        QTextStream(stdout) << (options.help ? LaunchOptions::helpText() : LaunchOptions::versionText());
        return 0;
    }

    SingleInstance instance(Settings::defaultFileName());
    if (!instance.acquire() && options.pair) {
        QTextStream(stderr) << "veltrix: Veltrix is running with this settings file; quit it first, then pair. "
                               "Nothing was changed." << Qt::endl;
        return 1;
    }
    if (!instance.isOwner())
        return handOverToRunning(instance);
    Settings::adoptLegacyFile();
    if (options.pair)
        return runPairing(app, options);
    quitOnSignals(app, [] { QCoreApplication::exit(0); });

    PexoRemoteApp veltrix(options);
    if (!veltrix.prepare()) {
        QTextStream(stderr) << "veltrix: " << veltrix.errorString() << Qt::endl;
        return 1;
    }
    veltrix.startUp();
    return app.exec();
}
