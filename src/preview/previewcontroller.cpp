#include "preview/previewcontroller.h"

#include "core/tvsession.h"

QString PreviewController::statusTextFor(const StatusInputs &inputs)
{
    if (!inputs.ready)
        return tr("连接电视后显示画面");
    if (inputs.standby)
        return tr("电视已待机");
    if (!inputs.sceneActive)
        return tr("预览已暂停");
    if (!inputs.windowAllowsCapture)
        return tr("窗口不可见，预览已暂停");
    if (inputs.failing)
        return tr("截图暂不可用，正在重试");
    return tr("正在获取电视画面…");
}

PreviewController::PreviewController(TVSession *session, WindowProbe probe, QObject *parent)
    : PreviewController(session, nullptr, std::move(probe), parent)
{
}

PreviewController::PreviewController(TVSession *session, SharedPreview *shared, WindowProbe probe, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_probe(std::move(probe))
    , m_shared(shared ? shared : new SharedPreview(session, this))
{
    m_probeTimer.setInterval(defaultProbeInterval);
    QObject::connect(&m_probeTimer, &QTimer::timeout, this, &PreviewController::probe);

    const auto loopChanged = [this] {
        if (sharesTheLoop() || !m_captureKey.isEmpty())
            Q_EMIT displayChanged();
    };
    ScreenshotPreview *loop = m_shared->preview();
    QObject::connect(loop, &ScreenshotPreview::imageChanged, this, loopChanged);
    QObject::connect(loop, &ScreenshotPreview::errorChanged, this, loopChanged);
    QObject::connect(m_shared, &SharedPreview::runningKeyChanged, this, &PreviewController::displayChanged);
    if (session) {
        const auto recheck = [this] {
            updateKey();
            Q_EMIT displayChanged();
        };
        QObject::connect(session, &TVSession::stateChanged, this, recheck);
        QObject::connect(session, &TVSession::isStandbyChanged, this, recheck);
        QObject::connect(session->store(), &DeviceStore::selectedIDChanged, this, recheck);
        QObject::connect(session->store(), &DeviceStore::devicesChanged, this, recheck);
    }
}

PreviewController::~PreviewController()
{
    m_probeTimer.stop();
    if (m_shared)
        m_shared->setDemand(this, QString());
}

bool PreviewController::sharesTheLoop() const
{
    return m_shared && !m_captureKey.isEmpty() && m_shared->runningKey() == m_captureKey;
}

QImage PreviewController::image() const
{
    return sharesTheLoop() ? m_shared->preview()->image() : QImage();
}

bool PreviewController::failing() const
{
    return sharesTheLoop() && !m_shared->preview()->error().isEmpty();
}

void PreviewController::setSceneActive(bool active)
{
    if (m_sceneActive == active)
        return;
    m_sceneActive = active;
    Q_EMIT sceneActiveChanged(active);
    // A hidden view has nothing to probe for; showing it again probes at once.
    if (active) {
        m_probeTimer.start();
        probe();
    } else {
        m_probeTimer.stop();
        updateKey();
    }
    Q_EMIT displayChanged();
}

void PreviewController::probe()
{
    const bool allows = m_probe && m_probe().allowsCapture();
    if (allows != m_windowAllowsCapture) {
        m_windowAllowsCapture = allows;
        Q_EMIT windowAllowsCaptureChanged(allows);
        Q_EMIT displayChanged();
    }
    updateKey();
}

QString PreviewController::statusText() const
{
    StatusInputs inputs;
    inputs.ready = m_session && m_session->state().is(ConnectionState::Kind::ready);
    inputs.standby = m_session && m_session->isStandby();
    inputs.sceneActive = m_sceneActive;
    inputs.windowAllowsCapture = m_windowAllowsCapture;
    inputs.failing = failing();
    return statusTextFor(inputs);
}

QString PreviewController::computeKey() const
{
    if (!m_session || !m_session->state().is(ConnectionState::Kind::ready) || m_session->isStandby())
        return QString();
    if (!m_sceneActive || !m_windowAllowsCapture)
        return QString();
    const std::optional<TVDevice> device = m_session->store()->selectedDevice();
    return device ? device->id : QString();
}

void PreviewController::updateKey()
{
    const QString key = computeKey();
    if (key == m_captureKey)
        return;
    m_captureKey = key;
    // Without a key this view shows no picture at once, whether or not other views keep the
    // loop running.
    if (m_shared)
        m_shared->setDemand(this, key);
    Q_EMIT captureKeyChanged(key);
    Q_EMIT displayChanged();
}
