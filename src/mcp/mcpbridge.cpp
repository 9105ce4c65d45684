#include "mcp/mcpbridge.h"

#include "mcp/httpresponsereader.h"
#include "log/log.h"
#include "mcp/mcpsettings.h"
#include "core/settings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QScopeGuard>

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 60000));
}

bool waitFor(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        pollfd p{fd, events, 0};
        const int timeout = remainingMs(deadline);
        const int ready = ::poll(&p, 1, timeout);
        if (ready > 0)
            return true;
        if (ready == 0) {
            if (timeout == 0 || Clock::now() >= deadline)
                return false;
            continue;
        }
        if (errno != EINTR)
            return false;
    }
}

struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

bool isBlank(const QByteArray &line)
{
    for (char c : line) {
        if (c != ' ' && c != '\t')
            return false;
    }
    return true;
}

// A token with a line break would forge headers: such a token is not sent at all, and the
// endpoint's 401 tells the client what is wrong.
QByteArray authorizationHeader(const QString &token)
{
    const QByteArray credential = token.toUtf8();
    if (credential.isEmpty() || credential.contains('\r') || credential.contains('\n'))
        return QByteArray();
    return "Authorization: Bearer " + credential + "\r\n";
}

sockaddr_in loopbackAddress(quint16 port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A blocking connection to 127.0.0.1:port; -1 when refused.
int connectLocal(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const sockaddr_in address = loopbackAddress(port);
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// A non-blocking connection to 127.0.0.1:port, made before the deadline; -1 when refused.
int connectBefore(quint16 port, Clock::time_point deadline)
{
    Fd socket{::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)};
    if (socket.fd < 0)
        return -1;
    const int one = 1;
    ::setsockopt(socket.fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    const sockaddr_in address = loopbackAddress(port);
    if (::connect(socket.fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        if (errno != EINPROGRESS || !waitFor(socket.fd, POLLOUT, deadline))
            return -1;
        int status = 0;
        socklen_t size = sizeof status;
        if (::getsockopt(socket.fd, SOL_SOCKET, SO_ERROR, &status, &size) != 0 || status != 0)
            return -1;
    }
    return std::exchange(socket.fd, -1);
}

QByteArray postRequest(const QByteArray &line, quint16 port, const QString &token, const QByteArray &version)
{
    return QByteArray("POST /mcp HTTP/1.1\r\nHost: 127.0.0.1:") + QByteArray::number(port)
        + "\r\nContent-Type: application/json\r\nAccept: application/json, text/event-stream\r\n"
        + authorizationHeader(token)
        + (version.isEmpty() ? QByteArray() : "MCP-Protocol-Version: " + version + "\r\n")
        + "Content-Length: " + QByteArray::number(line.size()) + "\r\nConnection: close\r\n\r\n" + line;
}

bool sendAll(int fd, const QByteArray &bytes, Clock::time_point deadline)
{
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.constData() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(fd, POLLOUT, deadline))
            continue;
        return false;
    }
    return true;
}

// The endpoint answers once and closes; read until the body is complete or the peer ends.
// None when the reply is cut short, malformed or late.
std::optional<QByteArray> readReply(int fd, Clock::time_point deadline)
{
    HTTPResponseReader reader;
    char chunk[16384];
    while (reader.status() == HTTPResponseReader::Status::needMore) {
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n > 0) {
            reader.feed(QByteArrayView(chunk, n));
            continue;
        }
        if (n == 0) {
            reader.finish();
            break;
        }
        if (errno == EINTR)
            continue;
        if ((errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(fd, POLLIN, deadline))
            continue;
        return std::nullopt;
    }
    if (reader.status() != HTTPResponseReader::Status::complete)
        return std::nullopt;
    return reader.body();
}

QByteArray withoutLineEnd(const char *text, ssize_t length)
{
    QByteArray line(text, length);
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

} // namespace

// Holds the endpoint's event stream open on its own thread. It connects when the bridge
// has just reached the endpoint (so a missing application costs no polling), and hands every
// message of the stream to the bridge's output.
class MCPBridge::EventRelay {
public:
    using Deliver = std::function<void(const QByteArray &)>;

    EventRelay(quint16 port, Deliver deliver)
        : m_port(port), m_deliver(std::move(deliver)), m_thread([this] { loop(); })
    {
    }

    ~EventRelay()
    {
        {
            std::lock_guard lock(m_lock);
            m_stopping = true;
            if (m_fd >= 0)
                ::shutdown(m_fd, SHUT_RDWR);
        }
        m_wake.notify_all();
        m_thread.join();
    }

    // The endpoint answered: (re)open the stream unless it is open.
    void reachable(const QByteArray &version, const QString &token)
    {
        {
            std::lock_guard lock(m_lock);
            m_version = version;
            m_token = token;
            m_wanted = true;
        }
        m_wake.notify_all();
    }

private:
    // After a refusal (an endpoint without streams, or with all taken) try again only this
    // much later, so that requests do not each bring a second connection.
    static constexpr auto kRefusedPause = std::chrono::seconds(30);

    void loop()
    {
        std::unique_lock lock(m_lock);
        for (;;) {
            m_wake.wait(lock, [this] { return m_stopping || (m_wanted && Clock::now() >= m_notBefore); });
            if (m_stopping)
                return;
            m_wanted = false;
            const QByteArray version = m_version;
            const QString token = m_token;
            lock.unlock();
            const int fd = connectLocal(m_port);
            lock.lock();
            if (fd < 0)
                continue;
            if (m_stopping) {
                ::close(fd);
                return;
            }
            m_fd = fd;
            lock.unlock();
            const bool accepted = stream(fd, version, token);
            lock.lock();
            m_fd = -1;
            ::close(fd);
            if (!accepted)
                m_notBefore = Clock::now() + kRefusedPause;
        }
    }

    // Reads the stream until it ends; false when the endpoint refused to open one.
    bool stream(int fd, const QByteArray &version, const QString &token)
    {
        QByteArray request = "GET /mcp HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(m_port)
            + "\r\nAccept: text/event-stream\r\n" + authorizationHeader(token);
        if (!version.isEmpty())
            request += "MCP-Protocol-Version: " + version + "\r\n";
        request += "\r\n";
        if (::send(fd, request.constData(), request.size(), MSG_NOSIGNAL) != request.size())
            return true;

        QByteArray buffer;
        bool headDone = false;
        QByteArray data;
        char chunk[4096];
        for (;;) {
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return headDone;
            buffer.append(chunk, n);
            if (!headDone) {
                const qsizetype end = buffer.indexOf("\r\n\r\n");
                if (end < 0) {
                    if (buffer.size() > 65536)
                        return false;
                    continue;
                }
                if (!buffer.startsWith("HTTP/1.1 200") || !buffer.left(end).toLower().contains("text/event-stream"))
                    return false;
                headDone = true;
                buffer.remove(0, end + 4);
            }
            // Events: "data:" lines up to an empty line; comments and other fields are skipped.
            qsizetype newline;
            while ((newline = buffer.indexOf('\n')) >= 0) {
                QByteArray line = buffer.left(newline);
                buffer.remove(0, newline + 1);
                if (line.endsWith('\r'))
                    line.chop(1);
                if (line.isEmpty()) {
                    if (!data.isEmpty())
                        m_deliver(data);
                    data.clear();
                } else if (line.startsWith("data:")) {
                    line.remove(0, 5);
                    if (line.startsWith(' '))
                        line.remove(0, 1);
                    data += line;
                }
            }
            if (buffer.size() > 4 * 1024 * 1024)
                return true;
        }
    }

    const quint16 m_port;
    const Deliver m_deliver;
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_stopping = false;
    bool m_wanted = false;
    QByteArray m_version;
    QString m_token;
    Clock::time_point m_notBefore{};
    int m_fd = -1;
    std::thread m_thread; // last: starts once everything above is set up
};

MCPBridge::MCPBridge(Options options) : m_options(std::move(options))
{
    if (!m_options.launch)
        m_options.launch = &MCPBridge::launchApplication;
}

MCPBridge::~MCPBridge() = default;

void MCPBridge::write(std::FILE *out, const QByteArray &line)
{
    std::lock_guard lock(m_outLock);
    std::fwrite(line.constData(), 1, line.size(), out);
    std::fputc('\n', out);
    std::fflush(out);
}

QByteArray MCPBridge::negotiatedVersion(const QByteArray &line, const QByteArray &reply)
{
    // Most lines are not an initialize request: skip the parsing for them.
    if (!line.contains("initialize"))
        return {};
    const QJsonObject request = QJsonDocument::fromJson(line).object();
    if (request.value(QStringLiteral("method")).toString() != QLatin1String("initialize"))
        return {};
    const QJsonValue version = QJsonDocument::fromJson(reply).object()
        .value(QStringLiteral("result")).toObject().value(QStringLiteral("protocolVersion"));
    return version.isString() ? version.toString().toUtf8() : QByteArray();
}

void MCPBridge::run(std::FILE *in, std::FILE *out, std::FILE *err)
{
    if (m_options.relayEvents)
        startRelay(out);
    // Stop the relay before the streams it writes to go away.
    const auto stopRelay = qScopeGuard([this] { m_relay.reset(); });
    char *buffer = nullptr;
    size_t capacity = 0;
    const auto freeBuffer = qScopeGuard([&buffer] { std::free(buffer); });
    for (;;) {
        const ssize_t length = ::getline(&buffer, &capacity, in);
        if (length < 0)
            break;
        const QByteArray line = withoutLineEnd(buffer, length);
        if (!isBlank(line))
            forward(line, out, err);
    }
}

void MCPBridge::startRelay(std::FILE *out)
{
    m_relay = std::make_unique<EventRelay>(m_options.port, [this, out](const QByteArray &data) {
        // Standard output carries MCP messages only.
        const QJsonDocument message = QJsonDocument::fromJson(data);
        if (message.isObject())
            write(out, message.toJson(QJsonDocument::Compact));
    });
}

// The first line that finds no endpoint starts the application, once, and waits for it.
MCPBridge::Outcome MCPBridge::deliver(const QByteArray &line, const QString &token)
{
    Outcome outcome = post(line, m_options.port, m_options.requestTimeout, token, m_version);
    if (outcome.kind != Outcome::Kind::unreachable || m_launched)
        return outcome;
    m_launched = true;
    m_options.launch();
    for (int attempt = 0; attempt < m_options.launchAttempts && outcome.kind == Outcome::Kind::unreachable; ++attempt) {
        std::this_thread::sleep_for(m_options.launchInterval);
        outcome = post(line, m_options.port, m_options.requestTimeout, token, m_version);
    }
    return outcome;
}

void MCPBridge::forward(const QByteArray &line, std::FILE *out, std::FILE *err)
{
    const QString token = m_options.token ? m_options.token() : QString();
    const Outcome outcome = deliver(line, token);
    if (outcome.kind == Outcome::Kind::body) {
        if (const QByteArray version = negotiatedVersion(line, outcome.body); !version.isEmpty())
            m_version = version;
    }
    if (outcome.kind != Outcome::Kind::unreachable && m_relay)
        m_relay->reachable(m_version, token);

    switch (outcome.kind) {
    case Outcome::Kind::body:
        write(out, outcome.body);
        break;
    case Outcome::Kind::noBody:
        break;
    case Outcome::Kind::unreachable: {
        const QByteArray endpoint = MCPSettings::endpointURL(m_options.port).toUtf8();
        std::fprintf(err, "veltrix: app not reachable at %s\n", endpoint.constData());
        std::fflush(err);
        const QByteArray reply = unreachableReply(line);
        if (!reply.isEmpty())
            write(out, reply);
        break;
    }
    }
}

MCPBridge::Options MCPBridge::optionsFromSettings(const QString &settingsFile)
{
    Options options;
    options.port = MCPSettings::storedPort(settingsFile);
    options.token = [settingsFile] { return MCPSettings::storedToken(settingsFile); };
    return options;
}

QByteArray MCPBridge::unreachableReply(const QByteArray &line)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return {};
    const QJsonObject message = document.object();
    const auto id = message.constFind(QStringLiteral("id"));
    if (id == message.constEnd())
        return {};
    // The id exactly as JSON: wrap it, serialise compactly, drop the brackets.
    QByteArray idText = QJsonDocument(QJsonArray{id.value()}).toJson(QJsonDocument::Compact);
    idText = idText.mid(1, idText.size() - 2);
    return QByteArray("{\"jsonrpc\":\"2.0\",\"id\":") + idText
        + ",\"error\":{\"code\":-32000,\"message\":\"Veltrix app is not running or MCP is disabled\"}}";
}

MCPBridge::Outcome MCPBridge::post(const QByteArray &line, quint16 port, std::chrono::milliseconds timeout,
                                   const QString &token, const QByteArray &version)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    const Fd socket{connectBefore(port, deadline)};
    if (socket.fd < 0 || !sendAll(socket.fd, postRequest(line, port, token, version), deadline))
        return {};
    std::optional<QByteArray> body = readReply(socket.fd, deadline);
    if (!body)
        return {};
    const Outcome::Kind kind = body->isEmpty() ? Outcome::Kind::noBody : Outcome::Kind::body;
    return Outcome{kind, std::move(*body)};
}

void MCPBridge::launchApplication()
{
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return;
    path[length] = '\0';
    const char *display = std::getenv("DISPLAY");
    const char *wayland = std::getenv("WAYLAND_DISPLAY");
    const bool headless = (!display || !*display) && (!wayland || !*wayland);

    const pid_t child = ::fork();
    if (child < 0)
        return;
    if (child == 0) {
        // The intermediate child starts a new session and exits at once, so the application
        // is re-parented and never becomes the bridge's zombie.
        ::setsid();
        const pid_t app = ::fork();
        if (app == 0) {
            const int null = ::open("/dev/null", O_RDWR);
            if (null >= 0) {
                ::dup2(null, STDIN_FILENO);
                ::dup2(null, STDOUT_FILENO);
                ::dup2(null, STDERR_FILENO);
                if (null > STDERR_FILENO)
                    ::close(null);
            }
            char headlessArg[] = "--headless";
            char *args[] = {path, headless ? headlessArg : nullptr, nullptr};
            ::execv(path, args);
            ::_exit(127);
        }
        ::_exit(app < 0 ? 1 : 0);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

int MCPBridge::runStdio(int argc, char **argv)
{
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    // A client that goes away must end the bridge quietly, not with SIGPIPE mid-write.
    std::signal(SIGPIPE, SIG_IGN);
    // The bridge may be the first of this build to run: it reads the same file the app will.
    if (Settings::adoptLegacyFile() != Settings::Adoption::nothingToDo)
        veltrix::flushLog();
    MCPBridge bridge(optionsFromSettings(MCPSettings::defaultSettingsFile()));
    bridge.run(stdin, stdout, stderr);
    return 0;
}
