#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <QCoro/QCoroTask>

#include <array>
#include <chrono>
#include <exception>
#include <functional>
#include <memory>

// State of the live TV picture: the last decoded screenshot and the text of the last failure,
// kept fresh by a capture loop. A newer loop supersedes an older one through the generation
// token; only the loop owning the current token writes. Main thread only.
class ScreenshotPreview : public QObject {
    Q_OBJECT
    Q_PROPERTY(QImage image READ image NOTIFY imageChanged)
    Q_PROPERTY(QString error READ error NOTIFY errorChanged)

public:
    // Yields one decoded picture; throws SSAPError, ScreenshotError or another std::exception.
    // SSAPError::cancelled ends the loop quietly.
    using Capture = std::function<QCoro::Task<QImage>()>;

    struct Timing {
        // Captures start this far apart, or back to back when one takes longer.
        std::chrono::milliseconds pace{1000};
        // Delay after the 1st, 2nd and 3rd-or-later failure in a row.
        std::array<std::chrono::milliseconds, 3> backOff{std::chrono::milliseconds(2000),
                                                         std::chrono::milliseconds(4000),
                                                         std::chrono::milliseconds(8000)};
    };

    explicit ScreenshotPreview(QObject *parent = nullptr);
    // Loops still waiting end without touching the object.
    ~ScreenshotPreview() override;

    void setTiming(const Timing &timing) { m_timing = timing; }
    const Timing &timing() const { return m_timing; }

    // Null when there is no picture.
    QImage image() const { return m_image; }
    // Empty when the last capture did not fail.
    QString error() const { return m_error; }
    QUuid generation() const { return m_generation; }
    // True while a loop owns the preview.
    bool isRunning() const;

    // Captures until cancel() or until a newer run() takes over; never throws. Starting a run
    // clears the preview and ends the previous loop at its next wait.
    QCoro::Task<> run(Capture capture);

    // Ends the current loop and clears the preview at once. A capture in flight finishes in
    // the background and is discarded.
    void cancel();

Q_SIGNALS:
    void imageChanged(const QImage &image);
    void errorChanged(const QString &error);

private:
    class Sleep;
    struct Loop;
    struct Life {
        bool alive = true;
    };

    void setImage(const QImage &image);
    void setError(const QString &error);
    void reset();
    std::chrono::milliseconds backOffFor(int failures) const;
    std::shared_ptr<Loop> takeOver();
    std::chrono::milliseconds showOutcome(const std::shared_ptr<Life> &life, const QUuid &token, const QImage &picture,
                                          const std::exception_ptr &failure, int &failures,
                                          std::chrono::steady_clock::time_point start);

    QImage m_image;
    QString m_error;
    QUuid m_generation;
    Timing m_timing;
    std::shared_ptr<Loop> m_current;
    QList<std::shared_ptr<Loop>> m_loops;
    std::shared_ptr<Life> m_life = std::make_shared<Life>();
};
