#include "preview/previewcontroller.h"

#include "protocol/ssaperror.h"
#include "core/tvsession.h"

namespace {

QCoro::Task<QImage> captureFrom(QPointer<TVSession> session)
{
    if (!session)
        throw SSAPError::cancelled();
    co_return co_await session->captureScreen();
}

} // namespace

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
    : QObject(parent)
    , m_session(session)
    , m_probe(std::move(probe))
{
    m_probeTimer.setInterval(defaultProbeInterval);
    QObject::connect(&m_probeTimer, &QTimer::timeout, this, &PreviewController::probe);

    QObject::connect(&m_preview, &ScreenshotPreview::imageChanged, this, &PreviewController::displayChanged);
    QObject::connect(&m_preview, &ScreenshotPreview::errorChanged, this, &PreviewController::displayChanged);
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
    m_preview.cancel();
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
    // A new key drops the old picture at once: run() and cancel() both clear the preview
    // before anything else happens.
    if (key.isEmpty())
        m_preview.cancel();
    else
        m_preview.run([session = m_session] { return captureFrom(session); });
    Q_EMIT captureKeyChanged(key);
    Q_EMIT displayChanged();
}
