#include "preview/screenshotpreview.h"

#include "protocol/screenshoterror.h"
#include "protocol/ssaperror.h"

#include <QTimer>

#include <algorithm>
#include <coroutine>
#include <utility>

// A wait on a monotonic timer that its owner can cut short. Lives in the loop's coroutine
// frame; the preview only keeps a pointer to it while the loop is suspended on it.
class ScreenshotPreview::Sleep {
public:
    explicit Sleep(std::chrono::milliseconds duration)
    {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(duration);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { resumeNow(); });
    }

    Sleep(const Sleep &) = delete;
    Sleep &operator=(const Sleep &) = delete;

    struct Awaiter {
        Sleep *sleep;
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> handle)
        {
            sleep->m_handle = handle;
            sleep->m_timer.start();
        }
        void await_resume() const noexcept {}
    };
    Awaiter wait() { return Awaiter{this}; }

    // Resumes from the event loop, so a caller is never re-entered by the loop it ends.
    void wakeSoon()
    {
        if (m_handle)
            m_timer.start(0);
    }
    void resumeNow()
    {
        m_timer.stop();
        if (auto handle = std::exchange(m_handle, {}))
            handle.resume();
    }

private:
    QTimer m_timer;
    std::coroutine_handle<> m_handle;
};

struct ScreenshotPreview::Loop {
    bool cancelled = false;
    Sleep *sleep = nullptr;
};

namespace {

// The text shown for a failed capture; empty for a cancellation, which is never shown.
QString failureText(const std::exception_ptr &failure)
{
    QString text;
    try {
        std::rethrow_exception(failure);
    } catch (const SSAPError &error) {
        if (error.kind() == SSAPError::Kind::cancelled)
            return QString();
        text = error.description();
    } catch (const ScreenshotError &error) {
        text = error.description();
    } catch (const std::exception &error) {
        text = QString::fromUtf8(error.what());
    } catch (...) {
    }
    // An empty text would read as "no error" to the view.
    if (text.isEmpty())
        text = ScreenshotError::download().description();
    return text;
}

bool isCancellation(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const SSAPError &error) {
        return error.kind() == SSAPError::Kind::cancelled;
    } catch (...) {
    }
    return false;
}

} // namespace

ScreenshotPreview::ScreenshotPreview(QObject *parent)
    : QObject(parent)
    , m_generation(QUuid::createUuid())
{
}

ScreenshotPreview::~ScreenshotPreview()
{
    m_life->alive = false;
    // Sleeping loops are resumed now so their frames end; they see the object is gone and
    // return without touching it. Loops awaiting a capture end when the capture returns.
    const auto loops = m_loops;
    for (const auto &loop : loops) {
        if (loop->sleep)
            loop->sleep->resumeNow();
    }
}

bool ScreenshotPreview::isRunning() const
{
    return m_current && !m_current->cancelled;
}

void ScreenshotPreview::setImage(const QImage &image)
{
    if (image == m_image)
        return;
    m_image = image;
    Q_EMIT imageChanged(m_image);
}

void ScreenshotPreview::setError(const QString &error)
{
    if (error == m_error)
        return;
    m_error = error;
    Q_EMIT errorChanged(m_error);
}

void ScreenshotPreview::reset()
{
    m_generation = QUuid::createUuid();
    setImage(QImage());
    setError(QString());
}

std::chrono::milliseconds ScreenshotPreview::backOffFor(int failures) const
{
    const int index = std::clamp(failures, 1, int(m_timing.backOff.size())) - 1;
    return m_timing.backOff[size_t(index)];
}

void ScreenshotPreview::cancel()
{
    if (m_current) {
        m_current->cancelled = true;
        if (m_current->sleep)
            m_current->sleep->wakeSoon();
        m_current.reset();
    }
    reset();
}

std::shared_ptr<ScreenshotPreview::Loop> ScreenshotPreview::takeOver()
{
    const auto loop = std::make_shared<Loop>();
    // The previous loop is superseded: it sees the new token when it wakes and leaves
    // without writing.
    if (m_current && m_current->sleep)
        m_current->sleep->wakeSoon();
    m_current = loop;
    m_loops.append(loop);
    reset();
    return loop;
}

QCoro::Task<> ScreenshotPreview::run(Capture capture)
{
    const std::shared_ptr<Life> life = m_life;
    const std::shared_ptr<Loop> loop = takeOver();
    if (!life->alive)
        co_return;
    const QUuid token = m_generation;
    int failures = 0;

    while (!loop->cancelled && m_generation == token) {
        const auto start = std::chrono::steady_clock::now();

        QImage picture;
        std::exception_ptr failure;
        try {
            picture = co_await capture();
        } catch (...) {
            failure = std::current_exception();
        }
        if (!life->alive)
            co_return;
        if (loop->cancelled || m_generation != token || (failure && isCancellation(failure)))
            break;

        const std::chrono::milliseconds delay = showOutcome(life, token, picture, failure, failures, start);
        if (!life->alive)
            co_return;
        if (loop->cancelled || m_generation != token)
            break;

        Sleep sleep(delay);
        loop->sleep = &sleep;
        co_await sleep.wait();
        if (!life->alive)
            co_return;
        loop->sleep = nullptr;
    }

    if (m_current == loop)
        m_current.reset();
    m_loops.removeOne(loop);
    if (m_generation == token)
        reset();
}

// Observers are told synchronously and may cancel, restart or delete the preview from their
// handlers, so ownership is checked again after every write; nothing is touched once `life`
// says the preview is gone.
std::chrono::milliseconds ScreenshotPreview::showOutcome(const std::shared_ptr<Life> &life, const QUuid &token,
                                                         const QImage &picture, const std::exception_ptr &failure,
                                                         int &failures, std::chrono::steady_clock::time_point start)
{
    if (!failure) {
        setImage(picture);
        if (!life->alive)
            return {};
        if (m_generation == token)
            setError(QString());
        failures = 0;
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        return std::max(m_timing.pace - elapsed, std::chrono::milliseconds(0));
    }
    setImage(QImage());
    if (!life->alive)
        return {};
    if (m_generation == token)
        setError(failureText(failure));
    ++failures;
    return backOffFor(failures);
}
