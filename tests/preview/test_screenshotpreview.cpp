// The preview loop against scripted capture functions: pace, back-off, supersession and
// cancellation. Short timings stand in for the one-second pace and 2/4/8 s back-off.
#include "protocol/screenshoterror.h"
#include "preview/screenshotpreview.h"
#include "protocol/ssaperror.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <QCoro/QCoroTimer>

#include <memory>

using namespace std::chrono_literals;

namespace {

QImage solid(Qt::GlobalColor color)
{
    QImage image(16, 9, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// What one scripted capture does: fail with an error or yield a picture after a delay.
struct Step {
    std::chrono::milliseconds delay{0};
    std::optional<QImage> image;
    std::optional<ScreenshotError::Kind> error;
    bool cancelled = false;
};

// Records when each capture started and replays a script (the last step repeats).
struct Script {
    QList<Step> steps;
    QList<qint64> starts;
    QElapsedTimer clock;
    int calls = 0;
};

QCoro::Task<QImage> play(std::shared_ptr<Script> script)
{
    script->starts.append(script->clock.elapsed());
    const Step step = script->steps.at(std::min<qsizetype>(script->calls, script->steps.size() - 1));
    ++script->calls;
    if (step.delay > 0ms)
        co_await QCoro::sleepFor(step.delay);
    if (step.cancelled)
        throw SSAPError::cancelled();
    if (step.error)
        throw ScreenshotError(*step.error);
    co_return step.image.value_or(QImage());
}

ScreenshotPreview::Capture captureFrom(const std::shared_ptr<Script> &script)
{
    return [script] { return play(script); };
}

std::shared_ptr<Script> script(QList<Step> steps)
{
    auto s = std::make_shared<Script>();
    s->steps = std::move(steps);
    s->clock.start();
    return s;
}

QList<qint64> gaps(const QList<qint64> &starts)
{
    QList<qint64> result;
    for (qsizetype i = 1; i < starts.size(); ++i)
        result.append(starts[i] - starts[i - 1]);
    return result;
}

// Runs a loop until the preview has made `calls` captures, then cancels it.
void runFor(ScreenshotPreview &preview, const std::shared_ptr<Script> &s, int calls, int timeoutMs)
{
    preview.run(captureFrom(s));
    QTRY_VERIFY_WITH_TIMEOUT(s->calls >= calls, timeoutMs);
    preview.cancel();
}

} // namespace

class TestScreenshotPreview : public QObject {
    Q_OBJECT

private:
    ScreenshotPreview::Timing fast() const
    {
        ScreenshotPreview::Timing t;
        t.pace = 200ms;
        t.backOff = {400ms, 800ms, 1600ms};
        return t;
    }

private Q_SLOTS:
    void successKeepsThePace();
    void failuresBackOffAndSuccessResets();
    void slowCaptureIsFollowedAtOnce();
    void newerLoopSupersedesOlder();
    void cancelClearsAndEndsLoop();
    void cancellationErrorEndsLoopSilently();
    void notifiesOnlyOnChange();
    void destroyedWhileWaiting();
    void observerMayEndThePreview();
};

void TestScreenshotPreview::successKeepsThePace()
{
    ScreenshotPreview preview;
    preview.setTiming(fast());
    auto s = script({Step{10ms, solid(Qt::red), {}, false}});
    runFor(preview, s, 5, 15000);
    const auto g = gaps(s->starts);
    for (qint64 gap : g) {
        // Never closer than one pace; a busy machine only spreads them further.
        QVERIFY2(gap >= 190, qPrintable(QString::number(gap)));
    }
}

void TestScreenshotPreview::failuresBackOffAndSuccessResets()
{
    ScreenshotPreview preview;
    preview.setTiming(fast());
    const Step fail{0ms, {}, ScreenshotError::Kind::tooLarge, false};
    const Step ok{0ms, solid(Qt::blue), {}, false};
    auto s = script({fail, fail, fail, fail, ok, ok, fail});

    preview.run(captureFrom(s));
    QTRY_VERIFY_WITH_TIMEOUT(s->calls >= 1, 10000);
    QCOMPARE(preview.error(), QStringLiteral("电视截图超出大小限制"));
    QVERIFY(preview.image().isNull());
    QTRY_VERIFY_WITH_TIMEOUT(s->calls >= 5, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(!preview.image().isNull(), 10000);
    QVERIFY(preview.error().isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(s->calls >= 8, 20000);
    preview.cancel();

    // After failures 1..4: 400, 800, 1600, 1600; after the successes: pace; then 400 again.
    // Each wait is at least its length; a busy machine only makes it longer, so the reset is
    // told by the waits after a success staying below the longest back-off.
    const QList<qint64> expected{400, 800, 1600, 1600, 200, 200, 400};
    const auto g = gaps(s->starts);
    QVERIFY(g.size() >= expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QVERIFY2(g[i] >= expected[i] - 10,
                 qPrintable(QStringLiteral("gap %1: %2 ms, expected %3").arg(i).arg(g[i]).arg(expected[i])));
    }
    for (qsizetype i : {4, 5, 6})
        QVERIFY2(g[i] < 1600, qPrintable(QStringLiteral("gap %1: %2 ms after a success").arg(i).arg(g[i])));
}

void TestScreenshotPreview::slowCaptureIsFollowedAtOnce()
{
    ScreenshotPreview preview;
    preview.setTiming(fast());
    ScreenshotPreview::Timing timing;
    timing.pace = 2000ms;
    preview.setTiming(timing);
    // 2.5 s against a 2 s pace: the next capture begins as soon as this one ends, not a pace
    // later (which would be 4.5 s). The 1.5 s between the two leaves room for a busy machine.
    auto s = script({Step{2500ms, solid(Qt::green), {}, false}});
    runFor(preview, s, 3, 30000);
    for (qint64 gap : gaps(s->starts))
        QVERIFY2(gap >= 2375 && gap < 4000, qPrintable(QString::number(gap)));  // coarse timers fire up to 5 % early
}

void TestScreenshotPreview::newerLoopSupersedesOlder()
{
    ScreenshotPreview preview;
    preview.setTiming(fast());
    auto first = script({Step{0ms, solid(Qt::red), {}, false}});
    auto second = script({Step{30ms, solid(Qt::blue), {}, false}});

    // The older loop is sleeping when the newer one starts.
    preview.run(captureFrom(first));
    QTRY_VERIFY_WITH_TIMEOUT(preview.image() == solid(Qt::red), 10000);
    const QUuid firstGeneration = preview.generation();

    QSignalSpy images(&preview, &ScreenshotPreview::imageChanged);
    preview.run(captureFrom(second));
    QVERIFY(preview.generation() != firstGeneration);
    QVERIFY(preview.image().isNull());
    const int firstCalls = first->calls;

    QTRY_VERIFY_WITH_TIMEOUT(second->calls >= 4, 15000);
    QCOMPARE(first->calls, firstCalls);
    for (const auto &args : images) {
        const QImage image = args.at(0).value<QImage>();
        QVERIFY(image.isNull() || image == solid(Qt::blue));
    }
    QVERIFY(preview.isRunning());
    preview.cancel();
}

void TestScreenshotPreview::cancelClearsAndEndsLoop()
{
    ScreenshotPreview preview;
    preview.setTiming(fast());
    // Cancel while a capture is in flight: its result is discarded and nothing follows.
    auto s = script({Step{0ms, solid(Qt::red), {}, false}, Step{200ms, solid(Qt::blue), {}, false}});
    preview.run(captureFrom(s));
    QTRY_VERIFY_WITH_TIMEOUT(s->calls == 2, 10000);
    QCOMPARE(preview.image(), solid(Qt::red));
    const QUuid before = preview.generation();

    preview.cancel();
    QVERIFY(preview.image().isNull());
    QVERIFY(preview.error().isEmpty());
    QVERIFY(preview.generation() != before);
    QVERIFY(!preview.isRunning());

    QTest::qWait(500);
    QCOMPARE(s->calls, 2);
    QVERIFY(preview.image().isNull());

    // Cancel while sleeping after a failure also ends the loop.
    auto failing = script({Step{0ms, {}, ScreenshotError::Kind::download, false}});
    preview.run(captureFrom(failing));
    QTRY_COMPARE_WITH_TIMEOUT(preview.error(), QStringLiteral("电视截图下载失败"), 10000);
    preview.cancel();
    QVERIFY(preview.error().isEmpty());
    QTest::qWait(600);
    QCOMPARE(failing->calls, 1);
}

void TestScreenshotPreview::cancellationErrorEndsLoopSilently()
{
    ScreenshotPreview preview;
    preview.setTiming(fast());
    auto s = script({Step{0ms, solid(Qt::red), {}, false}, Step{0ms, {}, {}, true}});
    QSignalSpy errors(&preview, &ScreenshotPreview::errorChanged);
    preview.run(captureFrom(s));
    QTRY_VERIFY_WITH_TIMEOUT(!preview.isRunning(), 10000);
    QCOMPARE(s->calls, 2);
    QVERIFY(preview.image().isNull());
    QCOMPARE(errors.count(), 0);
}

void TestScreenshotPreview::notifiesOnlyOnChange()
{
    ScreenshotPreview preview;
    preview.setTiming(fast());
    const Step fail{0ms, {}, ScreenshotError::Kind::decode, false};
    const Step red{0ms, solid(Qt::red), {}, false};
    auto s = script({red, red, red, fail, fail});
    QSignalSpy images(&preview, &ScreenshotPreview::imageChanged);
    QSignalSpy errors(&preview, &ScreenshotPreview::errorChanged);
    runFor(preview, s, 5, 5000);
    // red (once for three equal frames), cleared by the failure; error set once for two equal
    // failures, then cleared by cancel().
    QCOMPARE(images.count(), 2);
    QCOMPARE(errors.count(), 2);
    QCOMPARE(errors.at(0).at(0).toString(), QStringLiteral("无法解码电视截图"));
}

void TestScreenshotPreview::destroyedWhileWaiting()
{
    // A loop sleeping in its back-off and a loop awaiting a capture both outlive the preview
    // without touching it (ASan checks the frames end and nothing is used after free).
    auto sleeping = script({Step{0ms, {}, ScreenshotError::Kind::download, false}});
    auto capturing = script({Step{100ms, solid(Qt::red), {}, false}});
    {
        auto preview = std::make_unique<ScreenshotPreview>();
        preview->setTiming(fast());
        preview->run(captureFrom(sleeping));
        QTRY_VERIFY_WITH_TIMEOUT(!preview->error().isEmpty(), 10000);
    }
    {
        auto preview = std::make_unique<ScreenshotPreview>();
        preview->run(captureFrom(capturing));
        QCOMPARE(capturing->calls, 1);
    }
    QTest::qWait(600);
    QCOMPARE(sleeping->calls, 1);
    QCOMPARE(capturing->calls, 1);
}

void TestScreenshotPreview::observerMayEndThePreview()
{
    // An observer that cancels on the first picture: the loop writes nothing after that.
    {
        ScreenshotPreview preview;
        preview.setTiming(fast());
        auto s = script({Step{0ms, {}, ScreenshotError::Kind::download, false}, Step{0ms, solid(Qt::red), {}, false}});
        QObject::connect(&preview, &ScreenshotPreview::imageChanged, &preview, [&preview](const QImage &image) {
            if (!image.isNull())
                preview.cancel();
        });
        preview.run(captureFrom(s));
        QTRY_VERIFY_WITH_TIMEOUT(s->calls == 2, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!preview.isRunning(), 10000);
        QVERIFY(preview.image().isNull());
        QVERIFY(preview.error().isEmpty());
    }
    // An observer that deletes the preview from its handler (ASan guards the rest).
    {
        auto *preview = new ScreenshotPreview;
        preview->setTiming(fast());
        auto s = script({Step{0ms, solid(Qt::red), {}, false}});
        QObject::connect(preview, &ScreenshotPreview::imageChanged, preview, [preview](const QImage &image) {
            if (!image.isNull())
                delete preview;
        });
        preview->run(captureFrom(s));
        QTRY_COMPARE_WITH_TIMEOUT(s->calls, 1, 10000);
        QTest::qWait(300);
        QCOMPARE(s->calls, 1);
    }
}

QTEST_GUILESS_MAIN(TestScreenshotPreview)
#include "test_screenshotpreview.moc"
