#pragma once

#include "preview/screenshotpreview.h"
#include "preview/sharedpreview.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>

class TVSession;

// What the window probe reads from the window that shows the preview.
struct PreviewWindowState {
    bool active = false;    // it is the application's active window
    bool minimised = false;
    bool visible = false;
    bool exposed = false;   // the windowing system shows at least part of it

    bool allowsCapture() const { return active && visible && !minimised && exposed; }
};

// Asks for the live picture only while it can be seen and is useful, and says why there is no
// picture otherwise. The view feeds it whether it is shown (the scene) and a probe of its
// window; the window is probed on a fixed interval while the view is shown, because a covered
// or minimised window does not always tell its widgets. The capture loop itself is shared by
// every view of the TV; a controller given none has one of its own.
class PreviewController : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool sceneActive READ sceneActive WRITE setSceneActive NOTIFY sceneActiveChanged)
    Q_PROPERTY(bool windowAllowsCapture READ windowAllowsCapture NOTIFY windowAllowsCaptureChanged)
    Q_PROPERTY(QString captureKey READ captureKey NOTIFY captureKeyChanged)
    Q_PROPERTY(QImage image READ image NOTIFY displayChanged)
    Q_PROPERTY(bool failing READ failing NOTIFY displayChanged)
    Q_PROPERTY(QString statusText READ statusText NOTIFY displayChanged)
    Q_PROPERTY(bool showsCaption READ showsCaption NOTIFY displayChanged)

public:
    using WindowProbe = std::function<PreviewWindowState()>;

    static constexpr std::chrono::milliseconds defaultProbeInterval{400};

    // The status line when there is no picture; the first rule that holds wins.
    struct StatusInputs {
        bool ready = false;
        bool standby = false;
        bool sceneActive = false;
        bool windowAllowsCapture = false;
        bool failing = false;
    };
    static QString statusTextFor(const StatusInputs &inputs);

    PreviewController(TVSession *session, WindowProbe probe, QObject *parent = nullptr);
    PreviewController(TVSession *session, SharedPreview *shared, WindowProbe probe, QObject *parent = nullptr);
    ~PreviewController() override;

    void setProbeInterval(std::chrono::milliseconds interval) { m_probeTimer.setInterval(interval); }
    // The loop's state; its picture and failure count here only while this view wants them.
    ScreenshotPreview *preview() { return m_shared->preview(); }
    SharedPreview *shared() const { return m_shared; }

    bool sceneActive() const { return m_sceneActive; }
    // The view is shown (true) or hidden (false); showing probes the window at once.
    void setSceneActive(bool active);
    bool windowAllowsCapture() const { return m_windowAllowsCapture; }
    // The selected device's id while capturing makes sense; empty otherwise.
    QString captureKey() const { return m_captureKey; }
    bool isProbing() const { return m_probeTimer.isActive(); }

    QImage image() const;
    bool failing() const;
    QString statusText() const;
    bool showsCaption() const { return !image().isNull(); }

    // Reads the window now; the timer calls this.
    void probe();

Q_SIGNALS:
    void sceneActiveChanged(bool active);
    void windowAllowsCaptureChanged(bool allows);
    void captureKeyChanged(const QString &key);
    // The picture, the failure flag, the status text or the caption changed.
    void displayChanged();

private:
    QString computeKey() const;
    void updateKey();

    // The loop's picture is this view's while the loop runs for the key this view asked for.
    bool sharesTheLoop() const;

    QPointer<TVSession> m_session;
    WindowProbe m_probe;
    QPointer<SharedPreview> m_shared;
    QTimer m_probeTimer;
    bool m_sceneActive = false;
    bool m_windowAllowsCapture = false;
    QString m_captureKey;
};
