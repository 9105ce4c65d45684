#include "app/pexoremoteapp.h"

#include "app/appservices.h"
#include "app/demonetwork.h"
#include "core/devicestore.h"
#include "log/log.h"
#include "mcp/mcpserver.h"
#include "core/settings.h"
#include "tvsim/lib/simulatedtv.h"
#include "core/tvsession.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace {

// The demo keeps its TV apart from the user's saved TVs unless a settings file is given. The
// other keys (MCP port and switch) stay in the one settings file, which the stdio bridge reads.
QString demoDevicesFile()
{
    if (!qEnvironmentVariableIsEmpty("VELTRIX_SETTINGS_FILE"))
        return Settings::defaultFileName();
    return QFileInfo(Settings::defaultFileName()).absolutePath() + QStringLiteral("/Demo.conf");
}

void say(const QString &text)
{
    QTextStream(stderr) << "veltrix: " << text << Qt::endl;
}

} // namespace

PexoRemoteApp::PexoRemoteApp(const LaunchOptions &options, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_settingsFile(Settings::defaultFileName())
    , m_devicesFile(options.demo ? demoDevicesFile() : m_settingsFile)
{
}

PexoRemoteApp::~PexoRemoteApp() = default;

DeviceStore *PexoRemoteApp::store() const
{
    return m_services->store();
}

TVSession *PexoRemoteApp::session() const
{
    return m_services->session();
}

MCPServer *PexoRemoteApp::mcp() const
{
    return m_services->mcp();
}

FollowComputer *PexoRemoteApp::followComputer() const
{
    return m_services->followComputer();
}

bool PexoRemoteApp::prepare()
{
    AppServices::Options services{m_settingsFile, m_devicesFile, nullptr, nullptr};
    if (m_options.demo) {
        SimulatedTV::Options tvOptions;
        tvOptions.address = QHostAddress(QStringLiteral("127.0.0.2"));
        tvOptions.uuid = QStringLiteral("0b6f3d1e-veltrix-demo-tv");
        tvOptions.friendlyName = QStringLiteral("Demo TV");
        tvOptions.approveDelayMs = 1500;  // long enough to see the pairing prompt state
        m_demoTV = std::make_unique<SimulatedTV>(tvOptions);
        if (!m_demoTV->start()) {
            m_error = tr("模拟电视无法在 127.0.0.2:3001 上监听（%1）；是否有另一个演示在运行？").arg(m_demoTV->errorString());
            return false;
        }
        services.network = std::make_unique<DemoTVNetwork>(m_demoTV.get());
    }
    m_services = std::make_unique<AppServices>(std::move(services));
    reportProgress();
    return true;
}

void PexoRemoteApp::reportProgress()
{
    QObject::connect(session(), &TVSession::stateChanged, this, [](const ConnectionState &state) {
        say(tr("电视 %1").arg(state.debugName()));
    });
    QObject::connect(mcp(), &MCPServer::isRunningChanged, this, [this](bool running) {
        say(running ? tr("MCP 正在监听 %1").arg(mcp()->endpointURL()) : tr("MCP 已停止"));
    });
    QObject::connect(mcp(), &MCPServer::lastErrorChanged, this, [](const QString &error) {
        if (!error.isEmpty())
            say(tr("MCP 未启动：%1").arg(error));
    });
}

void PexoRemoteApp::startUp(const std::function<void()> &applyAppearance)
{
    veltrix::log(QStringLiteral("启动 Veltrix"));
    if (applyAppearance)
        applyAppearance();
    const Settings settings(m_settingsFile);
    mcp()->setScreenshotsAllowed(settings.mcpScreenshots());
    if (settings.mcpEnabled())
        mcp()->start();

    // The command line's host (or the demo TV) counts as "autoHost" for this run only.
    std::optional<QString> host = settings.autoHost();
    if (m_options.host)
        host = m_options.host;
    if (m_demoTV)
        host = m_demoTV->host();

    if (host) {
        const TVDevice device = store()->upsert(*host);
        session()->connect(device.id, false);
    } else if (const auto selected = store()->selectedDevice(); selected && selected->clientKey) {
        session()->connect(selected->id, false);
    }
    session()->scan();
    if (m_demoTV) {
        say(tr("演示：模拟电视位于 %1（1.5 秒后自动批准配对）；它的保存记录在 %2").arg(m_demoTV->host(), m_devicesFile));
    }
    say(tr("日志：%1").arg(veltrix::logFilePath()));
}
