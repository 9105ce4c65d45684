#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>

// The "--mcp-stdio" mode: forwards every JSON-RPC line from standard input to the running
// application's MCP endpoint and writes each reply as one line to standard output. Plain
// blocking code: it runs in its own process, without an event loop. A second thread keeps
// the endpoint's event stream open and writes its notifications (the tool list changed) to
// standard output too.
class MCPBridge {
public:
    struct Outcome {
        enum class Kind { unreachable, noBody, body };
        Kind kind = Kind::unreachable;
        QByteArray body;
    };

    struct Options {
        quint16 port = 8765;
        std::chrono::milliseconds requestTimeout{90000};
        // After launching the application: further attempts and the pause before each.
        int launchAttempts = 40;
        std::chrono::milliseconds launchInterval{500};
        // Starts the application; launchApplication() unless replaced (tests).
        std::function<void()> launch;
        // The endpoint's access token, asked before every request so that a token switched on
        // while the bridge runs is used from the next line on; none when unset or empty.
        std::function<QString()> token;
        // Relay the endpoint's notifications.
        bool relayEvents = true;
    };

    // The port and the token from the application's settings file.
    static Options optionsFromSettings(const QString &settingsFile);

    explicit MCPBridge(Options options);
    ~MCPBridge();

    // Handles lines until end of input.
    void run(std::FILE *in, std::FILE *out, std::FILE *err);

    // One HTTP exchange with the endpoint on 127.0.0.1:port; a non-empty token goes along as
    // "Authorization: Bearer <token>", a non-empty version as MCP-Protocol-Version.
    static Outcome post(const QByteArray &line, quint16 port, std::chrono::milliseconds timeout,
                        const QString &token = QString(), const QByteArray &version = {});

    // The protocol revision an initialize reply names, or empty.
    static QByteArray negotiatedVersion(const QByteArray &line, const QByteArray &reply);

    // Starts this executable detached, with "--headless" when no display is available, and
    // waits only for the intermediate child. The application gets no terminal streams, so
    // it can never write into the bridge's output or keep that pipe open.
    static void launchApplication();

    // The whole mode: port from the settings, standard streams; returns the exit status.
    static int runStdio(int argc, char **argv);

    // The reply for a request that could not be delivered; empty when the line has no id.
    static QByteArray unreachableReply(const QByteArray &line);

    class EventRelay;

private:
    void write(std::FILE *out, const QByteArray &line);
    void startRelay(std::FILE *out);
    Outcome deliver(const QByteArray &line, const QString &token);
    void forward(const QByteArray &line, std::FILE *out, std::FILE *err);

    Options m_options;
    bool m_launched = false;
    // The revision the client negotiated through this bridge; later requests name it.
    QByteArray m_version;
    std::mutex m_outLock;
    std::unique_ptr<EventRelay> m_relay;
};
