// Feeds arbitrary bodies through the MCP request handler and JSON-RPC dispatcher with a tool
// host that answers at once, and checks the reply is well-formed.
#include "log/log.h"
#include "mcp/mcpserver.h"
#include "mcp/mcptoolhost.h"
#include "mcp/mcptools.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <stdexcept>

namespace {

class InstantTools : public MCPToolHost {
public:
    QJsonArray definitions() const override { return {}; }
    QCoro::Task<QString> call(const QString &name, const QJsonObject &arguments) override
    {
        return run(name, arguments);
    }

private:
    static QString answer(const QString &name, const QJsonObject &arguments)
    {
        if (name == QLatin1String("ok"))
            return QString::fromUtf8(QJsonDocument(arguments).toJson());
        if (name == QLatin1String("invalid"))
            throw MCPTools::Failure::invalid(name);
        if (name == QLatin1String("fail"))
            throw std::runtime_error("failed");
        throw MCPTools::Failure::unknownTool(name);
    }

    static QCoro::Task<QString> run(QString name, QJsonObject arguments)
    {
        co_return answer(name, arguments);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_mcp_dispatch";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static InstantTools tools;
    static MCPServer server(&tools);
    static QTemporaryDir logDir;
    static const bool logSet = (veltrix::setLogFilePath(logDir.filePath(QStringLiteral("app.log"))), true);
    (void)logSet;

    HTTPRequest request;
    request.method = QStringLiteral("POST");
    request.path = QStringLiteral("/mcp");
    request.localPort = 8765;
    request.headers.insert(QStringLiteral("host"), QStringLiteral("127.0.0.1:8765"));
    request.body = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
    const HTTPResponse response = QCoro::waitFor(server.handleRequest(request));

    const bool json = response.status == "200 OK" || response.status == "400 Bad Request";
    if (!json && response.status != "202 Accepted")
        std::abort();
    if (json != !response.body.isEmpty())
        std::abort();
    if (json) {
        QJsonParseError error;
        const QJsonDocument reply = QJsonDocument::fromJson(response.body, &error);
        if (error.error != QJsonParseError::NoError || response.body.contains('\n'))
            std::abort();
        (void)reply;
    }
    return 0;
}
