// veltrix-tvsim: runs one simulated LG webOS TV until killed.
//   veltrix-tvsim --address 127.0.0.2 --pairing prompt --cert a
// Prints "listening wss://ADDR:3001" once it accepts connections; events go to stderr.
// Commands on standard input, one per line: approve, reject, standby, wake, drop,
// volume N, focus on|off, app ID. End of input is ignored: the TV runs until killed.
// --ssdp and --wol add discovery answers and Wake-on-LAN; both need a private network
// namespace (VELTRIX_NETNS=1, see scripts/netns-exec), so nothing reaches a real network.

#include "tvsim/lib/simulatedtv.h"
#include "tvsim/lib/ssdpresponder.h"
#include "tvsim/lib/wakelistener.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonDocument>
#include <QSocketNotifier>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("veltrix-tvsim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Simulated LG webOS TV for tests and demos"));
    parser.addHelpOption();
    const QCommandLineOption address(QStringLiteral("address"), QStringLiteral("Loopback address to listen on."),
                                     QStringLiteral("ip"), QStringLiteral("127.0.0.2"));
    const QCommandLineOption uuid(QStringLiteral("uuid"), QStringLiteral("Device UUID."), QStringLiteral("uuid"));
    const QCommandLineOption name(QStringLiteral("name"), QStringLiteral("Friendly name."), QStringLiteral("name"));
    const QCommandLineOption model(QStringLiteral("model"), QStringLiteral("Model name."), QStringLiteral("model"));
    const QCommandLineOption mac(QStringLiteral("mac"), QStringLiteral("MAC address."), QStringLiteral("mac"));
    const QCommandLineOption cert(QStringLiteral("cert"), QStringLiteral("Certificate: a or b."),
                                  QStringLiteral("a|b"), QStringLiteral("a"));
    const QCommandLineOption pairing(QStringLiteral("pairing"),
                                     QStringLiteral("Pairing: prompt, pin, auto, reject or requested."),
                                     QStringLiteral("mode"), QStringLiteral("prompt"));
    const QCommandLineOption approveDelay(QStringLiteral("approve-delay"),
                                          QStringLiteral("Prompt auto-approval delay in ms (-1: never)."),
                                          QStringLiteral("ms"), QStringLiteral("1500"));
    const QCommandLineOption pin(QStringLiteral("pin"), QStringLiteral("PIN for PIN pairing."), QStringLiteral("pin"));
    const QCommandLineOption ssdp(QStringLiteral("ssdp"), QStringLiteral("Answer SSDP searches (network namespace only)."));
    const QCommandLineOption wol(QStringLiteral("wol"), QStringLiteral("Wake on magic packets to UDP port 9 (network namespace only)."));
    parser.addOptions({address, uuid, name, model, mac, cert, pairing, approveDelay, pin, ssdp, wol});
    parser.process(app);

    QTextStream err(stderr);
    SimulatedTV::Options options;
    if (!options.address.setAddress(parser.value(address))) {
        err << "invalid address: " << parser.value(address) << Qt::endl;
        return 2;
    }
    if (parser.isSet(uuid))
        options.uuid = parser.value(uuid);
    if (parser.isSet(name))
        options.friendlyName = parser.value(name);
    if (parser.isSet(model))
        options.modelName = parser.value(model);
    if (parser.isSet(mac))
        options.mac = parser.value(mac);
    if (parser.isSet(pin))
        options.pin = parser.value(pin);

    const QString certText = parser.value(cert).toLower();
    if (certText != QLatin1String("a") && certText != QLatin1String("b")) {
        err << "--cert must be a or b" << Qt::endl;
        return 2;
    }
    options.certificate = certText == QLatin1String("b") ? SimulatedTV::Certificate::B : SimulatedTV::Certificate::A;

    const QString mode = parser.value(pairing).toLower();
    if (mode == QLatin1String("prompt"))
        options.pairing = SimulatedTV::Pairing::Prompt;
    else if (mode == QLatin1String("pin"))
        options.pairing = SimulatedTV::Pairing::Pin;
    else if (mode == QLatin1String("auto"))
        options.pairing = SimulatedTV::Pairing::Auto;
    else if (mode == QLatin1String("reject"))
        options.pairing = SimulatedTV::Pairing::Reject;
    else if (mode == QLatin1String("requested"))
        options.pairing = SimulatedTV::Pairing::AsRequested;
    else {
        err << "--pairing must be prompt, pin, auto, reject or requested" << Qt::endl;
        return 2;
    }
    bool delayOk = false;
    options.approveDelayMs = parser.value(approveDelay).toInt(&delayOk);
    if (!delayOk) {
        err << "--approve-delay must be a number" << Qt::endl;
        return 2;
    }

    SimulatedTV tv(options);
    QObject::connect(&tv, &SimulatedTV::messageReceived, &tv, [&err](const QJsonObject &message) {
        err << "<- " << QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)) << Qt::endl;
    });
    QObject::connect(&tv, &SimulatedTV::pairingPrompted, &tv, [&err, &tv](const QString &type) {
        err << "pairing requested (" << type << ")";
        if (type == QLatin1String("PIN"))
            err << ", PIN " << tv.options().pin;
        err << Qt::endl;
    });
    QObject::connect(&tv, &SimulatedTV::clientRegistered, &tv,
                     [&err](const QString &key) { err << "registered client-key " << key << Qt::endl; });
    QObject::connect(&tv, &SimulatedTV::pointerFrameReceived, &tv, [&err](const QString &frame) {
        err << "pointer " << QString(frame).replace(QLatin1Char('\n'), QLatin1Char('|')) << Qt::endl;
    });
    QObject::connect(&tv, &SimulatedTV::standbyChanged, &tv,
                     [&err](bool standby) { err << (standby ? "standby" : "awake") << Qt::endl; });

    if (!tv.start()) {
        err << tv.errorString() << Qt::endl;
        return 1;
    }
    const bool isolated = qEnvironmentVariable("VELTRIX_NETNS") == QLatin1String("1");
    if ((parser.isSet(ssdp) || parser.isSet(wol)) && !isolated) {
        err << "--ssdp and --wol run only inside a private network namespace (scripts/netns-exec)" << Qt::endl;
        return 2;
    }
    SsdpResponder responder(tv.address(), QString(), SsdpResponder::usnFor(tv.uuid()));
    if (parser.isSet(ssdp)) {
        responder.setDescription(options.friendlyName, options.modelName, tv.uuid());
        if (!responder.start()) {
            err << "ssdp: " << responder.errorString() << Qt::endl;
            return 1;
        }
    }
    WakeListener wake(options.mac);
    if (parser.isSet(wol)) {
        QObject::connect(&wake, &WakeListener::magicPacket, &tv, &SimulatedTV::notifyMagicPacket);
        if (!wake.start()) {
            err << "wol: " << wake.errorString() << Qt::endl;
            return 1;
        }
    }
    QSocketNotifier commands(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&commands, &QSocketNotifier::activated, &tv, [&tv, &err, &commands] {
        char buffer[512];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            commands.setEnabled(false);
            return;
        }
        const QStringList lines = QString::fromUtf8(buffer, n).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString &line : lines) {
            const QStringList words = line.simplified().split(QLatin1Char(' '));
            const QString verb = words.value(0);
            const QString arg = words.value(1);
            if (verb == QLatin1String("approve"))
                tv.approve();
            else if (verb == QLatin1String("reject"))
                tv.reject();
            else if (verb == QLatin1String("standby"))
                tv.setStandby(true);
            else if (verb == QLatin1String("wake"))
                tv.wakeUp();
            else if (verb == QLatin1String("drop"))
                tv.dropAll();
            else if (verb == QLatin1String("volume"))
                tv.setVolume(arg.toInt());
            else if (verb == QLatin1String("focus"))
                tv.setKeyboardFocus(arg == QLatin1String("on"));
            else if (verb == QLatin1String("app"))
                tv.setForegroundApp(arg);
            else
                err << "unknown command: " << line << Qt::endl;
        }
    });

    std::printf("listening wss://%s:%u\n", qPrintable(tv.host()), unsigned(tv.port()));
    std::fflush(stdout);
    return app.exec();
}
