#include "app/singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>

#include <unistd.h>

namespace {

// One message: magic, format version, request. The owner answers with one byte.
constexpr char kMagic[2] = {'V', 'X'};
constexpr char kFormat = 1;
constexpr qsizetype kMessageSize = 4;
constexpr char kAcknowledged = 0x06;
// A peer that connects and never finishes its message is dropped after this long.
constexpr std::chrono::milliseconds kPeerDeadline{3000};

QByteArray message(SingleInstance::Request request)
{
    return QByteArray(kMagic, 2) + kFormat + char(request);
}

bool isKnownRequest(char byte)
{
    return byte == char(SingleInstance::Request::activate);
}

} // namespace

SingleInstance::SingleInstance(const QString &settingsFile, QObject *parent)
    : QObject(parent)
    , m_path(socketPath(settingsFile))
{
}

SingleInstance::~SingleInstance()
{
    // The socket goes before the lock, so the next owner never finds ours in its place.
    delete m_server;
}

QString SingleInstance::socketPath(const QString &settingsFile)
{
    const QByteArray key = QDir::cleanPath(QFileInfo(settingsFile).absoluteFilePath()).toUtf8();
    const QString hash = QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(16));
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime + QStringLiteral("/veltrix-") + hash + QStringLiteral(".sock");
    // The temporary folder is shared: the user's id keeps users apart.
    return QDir::tempPath() + QStringLiteral("/veltrix-") + QString::number(::getuid()) + QLatin1Char('-') + hash
        + QStringLiteral(".sock");
}

bool SingleInstance::isOwner() const
{
    return m_server && m_server->isListening();
}

bool SingleInstance::acquire()
{
    if (isOwner())
        return true;
    // The lock decides between launches that start together; the kernel frees it with a
    // dead owner's process, so a crash leaves nothing that blocks.
    auto lock = std::make_unique<QLockFile>(m_path + QStringLiteral(".lock"));
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        m_error = QStringLiteral("another instance holds ") + lock->fileName();
        return false;
    }
    auto server = std::make_unique<QLocalServer>(this);
    // With access options the socket is made aside and renamed into place, replacing a file
    // that a crashed owner left behind.
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(m_path)) {
        m_error = server->errorString();
        return false;
    }
    m_lock = std::move(lock);
    m_server = server.release();
    QObject::connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::accept);
    return true;
}

void SingleInstance::accept()
{
    while (QLocalSocket *peer = m_server->nextPendingConnection()) {
        QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        QObject::connect(peer, &QLocalSocket::readyRead, this, [this, peer] { readRequest(peer); });
        QTimer::singleShot(kPeerDeadline, peer, [peer] { peer->abort(); });
        readRequest(peer);
    }
}

void SingleInstance::readRequest(QLocalSocket *peer)
{
    if (peer->bytesAvailable() < kMessageSize)
        return;
    const QByteArray received = peer->read(kMessageSize);
    const bool valid = received.startsWith(QByteArray(kMagic, 2)) && received.at(2) == kFormat
        && isKnownRequest(received.at(3)) && peer->bytesAvailable() == 0;
    if (!valid) {
        peer->abort();
        return;
    }
    peer->write(&kAcknowledged, 1);
    peer->disconnectFromServer();
    Q_EMIT activationRequested();
}

bool SingleInstance::handOver(Request request, std::chrono::milliseconds timeout)
{
    const int ms = int(timeout.count());
    QLocalSocket socket;
    socket.connectToServer(m_path);
    if (!socket.waitForConnected(ms)) {
        m_error = socket.errorString();
        return false;
    }
    socket.write(message(request));
    char answer = 0;
    const bool delivered = socket.waitForBytesWritten(ms) && socket.waitForReadyRead(ms)
        && socket.read(&answer, 1) == 1 && answer == kAcknowledged;
    if (!delivered)
        m_error = QStringLiteral("the running instance did not acknowledge: ") + socket.errorString();
    socket.abort();
    return delivered;
}
