// MCP endpoint figures: ping latency and throughput (new connection per request, sequential and
// 50 concurrent clients), the stdio bridge's added latency, and - from the real program -
// tools/call tv_status against the simulated TV, "--headless" start-up to a listening
// endpoint, idle memory and idle CPU. Run inside a private network namespace (scripts/bench).
//
//   bench_mcp [--app PATH] [--requests N] [--tools-only]
//   --tools-only             only the tool rows against the real program
//   bench_mcp --serve        internal: an endpoint with instant tools; prints its port
//   bench_mcp --mcp-stdio    internal: the bridge
#include "common/benchcommon.h"
#include "mcp/mcpbridge.h"
#include "mcp/mcpserver.h"
#include "mcp/mcptoolhost.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

class InstantTools : public MCPToolHost {
public:
    QJsonArray definitions() const override { return {}; }
    QCoro::Task<QString> call(const QString &name, const QJsonObject &) override { return answer(name); }

private:
    static QCoro::Task<QString> answer(QString name) { co_return name; }
};

using bench::ms;

// One request on a new connection; the reply is read until the server closes.
bool exchange(quint16 port, const std::string &body, std::string *reply = nullptr)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return false;
    }
    const std::string request = "POST /mcp HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port)
        + "\r\nContent-Type: application/json\r\nContent-Length: "
        + std::to_string(body.size()) + "\r\n\r\n" + body;
    if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) != ssize_t(request.size())) {
        ::close(fd);
        return false;
    }
    std::string got;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            got.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    ::close(fd);
    if (reply)
        *reply = got;
    return got.rfind("HTTP/1.1 200", 0) == 0;
}

bool canConnect(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

quint16 freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    socklen_t size = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

struct Child {
    pid_t pid = -1;
    int in = -1;  // its standard input
    int out = -1; // its standard output
};

Child spawn(const std::vector<std::string> &args, const std::vector<std::string> &extraEnv, bool pipes)
{
    Child child;
    int toChild[2] = {-1, -1};
    int fromChild[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (pipes) {
        ::pipe2(toChild, O_CLOEXEC);
        ::pipe2(fromChild, O_CLOEXEC);
        posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e)
        env.emplace_back(*e);
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char *> argv, envp;
    for (const auto &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    for (const auto &e : env)
        envp.push_back(const_cast<char *>(e.c_str()));
    envp.push_back(nullptr);
    if (::posix_spawn(&child.pid, args[0].c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
        child.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    if (pipes) {
        ::close(toChild[0]);
        ::close(fromChild[1]);
        child.in = toChild[1];
        child.out = fromChild[0];
    }
    return child;
}

void stop(Child &child)
{
    if (child.in >= 0)
        ::close(child.in);
    if (child.out >= 0)
        ::close(child.out);
    if (child.pid > 0) {
        ::kill(child.pid, SIGTERM);
        int status = 0;
        for (int i = 0; i < 300 && ::waitpid(child.pid, &status, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (::waitpid(child.pid, &status, WNOHANG) == 0) {
            ::kill(child.pid, SIGKILL);
            ::waitpid(child.pid, &status, 0);
        }
    }
    child = {};
}

bool readLine(int fd, std::string &line)
{
    line.clear();
    char c;
    for (;;) {
        const ssize_t n = ::read(fd, &c, 1);
        if (n == 1) {
            if (c == '\n')
                return true;
            line.push_back(c);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return false;
        }
    }
}

std::string selfPath()
{
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, n) : std::string();
}

void printLatency(const char *what, const std::vector<double> &latencies, double seconds, const char *target = "")
{
    const bench::Summary s = bench::summarise(latencies);
    std::printf("%-44s p50 %7.3f ms  p99 %7.3f ms  max %7.3f ms  %9.0f req/s  (n=%zu)%s\n", what, s.p50, s.p99, s.max,
                latencies.size() / seconds, latencies.size(), target);
}

// Sequential calls on new connections against the real program: latency, and the program's
// CPU time per call (all its threads), which stays meaningful on a loaded machine.
void timeCalls(pid_t pid, quint16 port, const std::string &body, const char *what, int count)
{
    for (int i = 0; i < 20; ++i)
        exchange(port, body); // warm-up
    std::vector<double> latencies;
    const double cpu0 = bench::processCpuMs(pid);
    const auto begin = Clock::now();
    for (int i = 0; i < count; ++i) {
        const auto t = Clock::now();
        if (!exchange(port, body))
            break;
        latencies.push_back(ms(Clock::now() - t));
    }
    const double seconds = ms(Clock::now() - begin) / 1000;
    const double cpu1 = bench::processCpuMs(pid);
    printLatency(what, latencies, seconds);
    if (!latencies.empty())
        std::printf("%-44s %7.1f us CPU per call\n", "", (cpu1 - cpu0) * 1000 / double(latencies.size()));
}

int serve()
{
    int argc = 1;
    char name[] = "bench_mcp";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    const bench::BenchEnv env;
    InstantTools tools;
    MCPServer server(&tools);
    if (!server.start(0))
        return 1;
    std::printf("%u\n", unsigned(server.port()));
    std::fflush(stdout);
    return app.exec();
}

struct AppRun {
    Child child;
    QString settings;
    quint16 port = 0;
    double startMs = -1;
};

AppRun startApp(const std::string &app, const QTemporaryDir &dir, const char *name, bool demo,
               const QByteArray &extraSettings = {})
{
    AppRun run;
    run.port = freePort();
    run.settings = dir.filePath(QString::fromLatin1(name) + QStringLiteral(".ini"));
    QFile ini(run.settings);
    ini.open(QIODevice::WriteOnly | QIODevice::Truncate);
    ini.write("[General]\nmcpPort=" + QByteArray::number(run.port) + "\n" + extraSettings);
    ini.close();
    std::vector<std::string> args{app, "--headless"};
    if (demo)
        args.emplace_back("--demo");
    const auto begin = Clock::now();
    run.child = spawn(args,
                      {"VELTRIX_SETTINGS_FILE=" + run.settings.toStdString(),
                       "VELTRIX_LOG_FILE=" + dir.filePath(QString::fromLatin1(name) + QStringLiteral(".log")).toStdString(),
                       "QT_QPA_PLATFORM=offscreen"},
                      false);
    while (Clock::now() - begin < std::chrono::seconds(20)) {
        if (canConnect(run.port)) {
            run.startMs = ms(Clock::now() - begin);
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return run;
}

bool waitReady(quint16 port, const std::string &status)
{
    std::string reply;
    for (const auto until = Clock::now() + std::chrono::seconds(30); Clock::now() < until;) {
        exchange(port, status, &reply);
        if (reply.find("\\\"connection\\\": \\\"ready\\\"") != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::printf("demo TV never became ready: %s\n", reply.c_str());
    return false;
}

void benchStartAndIdle(const std::string &app, const QTemporaryDir &dir)
{
    std::vector<double> starts;
    for (int i = 0; i < 7; ++i) {
        AppRun run = startApp(app, dir, "start", false);
        if (run.startMs >= 0)
            starts.push_back(run.startMs);
        stop(run.child);
    }
    const bench::Summary start = bench::summarise(starts);
    std::printf("%-44s p50 %7.1f ms  max %7.1f ms  (n=%zu)  target < 150 ms\n", "--headless start to listening endpoint",
                start.p50, start.max, starts.size());

    // Idle: after the start-up scan has finished, nothing should wake the process.
    AppRun idle = startApp(app, dir, "idle", false);
    if (idle.startMs >= 0) {
        std::this_thread::sleep_for(std::chrono::seconds(5));
        const double cpu0 = bench::processCpuMs(idle.child.pid);
        const long sw0 = bench::contextSwitches(idle.child.pid);
        std::this_thread::sleep_for(std::chrono::seconds(10));
        const double cpu1 = bench::processCpuMs(idle.child.pid);
        const long sw1 = bench::contextSwitches(idle.child.pid);
        std::printf("%-44s %ld kB  (target < 40 MB)\n", "idle resident memory (VmRSS)", bench::residentKb(idle.child.pid));
        std::printf("%-44s %.3f ms CPU, %ld context switches in 10 s  (target 0)\n", "idle activity", cpu1 - cpu0, sw1 - sw0);
    }
    stop(idle.child);
}

void benchApp(const std::string &app, int requests, bool toolsOnly)
{
    QTemporaryDir dir;
    if (!toolsOnly)
        benchStartAndIdle(app, dir);

    AppRun demo = startApp(app, dir, "demo", true);
    if (demo.startMs < 0) {
        std::printf("demo did not start\n");
        stop(demo.child);
        return;
    }
    const std::string status = R"({"jsonrpc":"2.0","id":1,"method":"tools/call","params":{"name":"tv_status","arguments":{}}})";
    if (!waitReady(demo.port, status)) {
        stop(demo.child);
        return;
    }
    const std::string list = R"({"jsonrpc":"2.0","id":1,"method":"tools/list"})";
    timeCalls(demo.child.pid, demo.port, list, "tools/list (real catalogue)", std::min(requests, 2000));
    timeCalls(demo.child.pid, demo.port, status, "tools/call tv_status (simulated TV)", std::min(requests, 1000));
    std::printf("%-44s %ld kB\n", "resident memory after the tv_status run", bench::residentKb(demo.child.pid));
    stop(demo.child);

    // The picture tool is offered only where the user allowed it. The demo TV's frame is
    // 1920x1080; every call is a full capture, download, decode, scale and JPEG encode.
    AppRun shots = startApp(app, dir, "screenshots", true, "mcpScreenshots=true\n");
    if (shots.startMs >= 0 && waitReady(shots.port, status)) {
        const std::string shot = R"({"jsonrpc":"2.0","id":1,"method":"tools/call","params":{"name":"tv_screenshot","arguments":{"maxWidth":1280}}})";
        std::string reply;
        exchange(shots.port, shot, &reply);
        if (reply.find("image/jpeg") == std::string::npos)
            std::printf("tv_screenshot failed: %.300s\n", reply.c_str());
        else
            timeCalls(shots.child.pid, shots.port, shot, "tools/call tv_screenshot (1920x1080 -> 1280)", std::min(requests, 100));
    }
    stop(shots.child);
}

} // namespace

int main(int argc, char **argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    std::string app;
#ifdef VELTRIX_APP_PATH
    app = VELTRIX_APP_PATH;
#endif
    int requests = 5000;
    bool toolsOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--serve")
            return serve();
        if (arg == "--mcp-stdio")
            return MCPBridge::runStdio(argc, argv);
        if (arg == "--app" && i + 1 < argc)
            app = argv[++i];
        else if (arg == "--requests" && i + 1 < argc)
            requests = std::max(100, std::atoi(argv[++i]));
        else if (arg == "--tools-only")
            toolsOnly = true;
    }
    const bool haveApp = !app.empty() && ::access(app.c_str(), X_OK) == 0;
    if (toolsOnly) {
        if (!haveApp) {
            std::fprintf(stderr, "bench_mcp: application not found (--app PATH)\n");
            return 1;
        }
        benchApp(app, requests, true);
        return 0;
    }

    // The endpoint runs in its own process, as in the application.
    const std::string self = selfPath();
    Child server = spawn({self, "--serve"}, {}, true);
    std::string portText;
    if (server.pid < 0 || !readLine(server.out, portText)) {
        std::fprintf(stderr, "bench_mcp: endpoint did not start\n");
        return 1;
    }
    const quint16 port = quint16(std::stoi(portText));
    std::printf("cores: %u\n", std::thread::hardware_concurrency());
    const std::string ping = R"({"jsonrpc":"2.0","id":1,"method":"ping"})";
    for (int i = 0; i < 200; ++i)
        exchange(port, ping); // warm-up

    std::vector<double> sequential;
    sequential.reserve(requests);
    auto begin = Clock::now();
    for (int i = 0; i < requests; ++i) {
        const auto t = Clock::now();
        if (!exchange(port, ping)) {
            std::fprintf(stderr, "bench_mcp: ping failed\n");
            return 1;
        }
        sequential.push_back(ms(Clock::now() - t));
    }
    printLatency("ping, sequential, new connection each", sequential, ms(Clock::now() - begin) / 1000, "  target p50 < 0.3 ms");

    const int clients = 50;
    const int perClient = std::max(20, requests * 4 / clients);
    std::vector<std::vector<double>> perThread(clients);
    std::atomic<int> failed{0};
    std::vector<std::thread> threads;
    const double serverCpu0 = bench::processCpuMs(server.pid);
    begin = Clock::now();
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            perThread[c].reserve(perClient);
            for (int i = 0; i < perClient; ++i) {
                const auto t = Clock::now();
                if (!exchange(port, ping))
                    ++failed;
                perThread[c].push_back(ms(Clock::now() - t));
            }
        });
    }
    for (auto &t : threads)
        t.join();
    const double concurrentSeconds = ms(Clock::now() - begin) / 1000;
    const double serverCpu1 = bench::processCpuMs(server.pid);
    std::vector<double> concurrent;
    for (const auto &v : perThread)
        concurrent.insert(concurrent.end(), v.begin(), v.end());
    printLatency("ping, 50 concurrent clients", concurrent, concurrentSeconds, "  target >= 10000 req/s");
    if (failed > 0)
        std::printf("  %d concurrent requests failed\n", failed.load());
    // Wall-clock figures share the cores with the 50 clients; the endpoint's own CPU time per
    // request gives what one core can serve regardless of other load.
    const double cpuPerRequest = (serverCpu1 - serverCpu0) / double(clients * perClient);
    std::printf("%-44s %7.1f us CPU per request = %.0f req/s per core\n", "endpoint cost", cpuPerRequest * 1000,
                cpuPerRequest > 0 ? 1000.0 / cpuPerRequest : 0.0);

    // The bridge: same pings as stdio lines; its added cost is the difference to direct HTTP.
    QTemporaryDir dir;
    const QString settings = dir.filePath(QStringLiteral("bridge.ini"));
    QFile ini(settings);
    ini.open(QIODevice::WriteOnly);
    ini.write("[General]\nmcpPort=" + QByteArray::number(port) + "\n");
    ini.close();
    Child bridge = spawn({self, "--mcp-stdio"}, {"VELTRIX_SETTINGS_FILE=" + settings.toStdString()}, true);
    std::vector<double> viaBridge;
    const std::string line = ping + "\n";
    std::string replyLine;
    Clock::time_point bridgeBegin = Clock::now();
    for (int i = 0; i < std::min(requests, 3000) + 100; ++i) {
        const auto t = Clock::now();
        if (::write(bridge.in, line.data(), line.size()) != ssize_t(line.size()) || !readLine(bridge.out, replyLine))
            break;
        if (i == 99)
            bridgeBegin = Clock::now();
        if (i >= 100)
            viaBridge.push_back(ms(Clock::now() - t));
    }
    stop(bridge);
    const bench::Summary direct = bench::summarise(sequential);
    const bench::Summary bridged = bench::summarise(viaBridge);
    printLatency("ping through the stdio bridge", viaBridge, ms(Clock::now() - bridgeBegin) / 1000);
    std::printf("%-44s %7.3f ms per message (p50 difference)  target < 1 ms\n", "bridge overhead", bridged.p50 - direct.p50);
    stop(server);

    if (haveApp)
        benchApp(app, requests, false);
    else
        std::printf("application not found; start-up, idle and tv_status figures skipped (--app PATH)\n");
    return 0;
}
