// Plays a TV that sends whatever the input says. A session connects to a loopback listener
// that accepts and then stays silent, so the control socket stays in its TLS handshake and no
// other frame ever arrives; every line of the input is handed to the session's client as one
// text frame from the TV, through the same entry point the socket uses, with the event loop
// run between frames as it is between socket reads. The first byte picks the start: bit 0
// set first plays an ordinary hello, system info and registration, so that the lines reach a
// registered session (subscription events, list replies, the pointer socket, the MAC); bit 1
// set starts from a paired record. Runs only inside scripts/netns-exec (it listens on
// 127.0.0.1:3001, where the session connects).
#include "core/devicestore.h"
#include "log/log.h"
#include "core/tvsession.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

class SilentNetwork : public TVNetwork {
public:
    QCoro::Task<QList<SSDPDiscovery::Found>> discover(std::chrono::milliseconds) override { co_return {}; }
    std::optional<QString> lookupMAC(const QString &) override { return std::nullopt; }
    bool wake(const QString &, const std::optional<QString> &) override { return false; }
};

// The store writes its file on every change; on a disk that costs more than the rest of a run.
QString scratchTemplate()
{
    const QString memory = QStringLiteral("/dev/shm");
    const QString folder = QFileInfo(memory).isWritable() ? memory : QDir::tempPath();
    return folder + QStringLiteral("/fuzz_ssap_frames-XXXXXX");
}

struct Harness {
    QTemporaryDir dir{scratchTemplate()};
    QTcpServer listener;
    QList<QTcpSocket *> accepted;
    std::unique_ptr<DeviceStore> store;
    TVDevice record;

    Harness()
    {
        veltrix::setLogFilePath(dir.filePath(QStringLiteral("app.log")));
        if (!qEnvironmentVariableIsSet("VELTRIX_NETNS") || !listener.listen(QHostAddress::LocalHost, SSAPClient::kPort)) {
            std::fprintf(stderr, "fuzz_ssap_frames: run me inside scripts/netns-exec (needs 127.0.0.1:3001)\n");
            std::abort();
        }
        QObject::connect(&listener, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *socket = listener.nextPendingConnection())
                accepted.append(socket);
        });
        store = std::make_unique<DeviceStore>(dir.filePath(QStringLiteral("settings.ini")));
        record = store->upsert(QStringLiteral("127.0.0.1"), QStringLiteral("uuid-fuzz"));
    }

    static void pump()
    {
        for (int turn = 0; turn < 4; ++turn) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }

    void feed(TVSession &session, QByteArrayView frame)
    {
        if (SSAPClient *client = session.client()) {
            client->handleTextFrame(QString::fromUtf8(frame));
            pump();
        }
    }

    void run(QByteArrayView input)
    {
        const uchar mode = input.isEmpty() ? 0 : uchar(input.front());
        TVDevice start = record;
        if (mode & 2) {
            start.clientKey = QStringLiteral("fuzz-key");
            start.certFingerprint = QString(64, QLatin1Char('a'));
        }
        store->update(start);

        auto session = std::make_unique<TVSession>(store.get(), std::make_unique<SilentNetwork>());
        session->connect(record.id);
        pump();
        if (mode & 1) {
            feed(*session, R"({"type":"hello","id":"hello","payload":{"deviceUUID":"uuid-fuzz"}})");
            feed(*session, R"({"type":"response","id":"1","payload":{"returnValue":true,"modelName":"OLED55C1.AEU"}})");
            feed(*session, R"({"type":"registered","id":"register_0","payload":{"client-key":"fuzz-key"}})");
            // The harness itself must work: a registration that no longer lands would quietly
            // leave every later frame unread.
            if (!session->state().is(ConnectionState::Kind::ready)) {
                std::fprintf(stderr, "fuzz_ssap_frames: the scripted registration did not complete\n");
                std::abort();
            }
        }
        qsizetype at = input.isEmpty() ? 0 : 1;
        while (at < input.size()) {
            qsizetype end = input.indexOf('\n', at);
            if (end < 0)
                end = input.size();
            feed(*session, input.sliced(at, end - at));
            at = end + 1;
        }

        // Everything still waiting is resumed and ends; nothing may stay suspended.
        session.reset();
        pump();
        qDeleteAll(std::exchange(accepted, {}));
        pump();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_ssap_frames";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static Harness harness;
    harness.run(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    return 0;
}
