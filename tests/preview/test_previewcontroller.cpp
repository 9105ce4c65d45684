// The live picture's controller against a simulated TV: when capturing is allowed, what the
// status line says, and that nothing is captured while it is not allowed.

#include "preview/previewcontroller.h"
#include "session/sessionfixture.h"


namespace {

const QString kWaiting = QStringLiteral("连接电视后显示画面");
const QString kStandby = QStringLiteral("电视已待机");
const QString kPaused = QStringLiteral("预览已暂停");
const QString kHidden = QStringLiteral("窗口不可见，预览已暂停");
const QString kRetrying = QStringLiteral("截图暂不可用，正在重试");
const QString kCapture = QStringLiteral("tv/executeOneShot");

PreviewWindowState shownWindow()
{
    return PreviewWindowState{true, false, true, true};
}

// Every request the session sent before this call has reached the TV: requests travel in
// order on one socket, so the reply to one sent now comes after all of them. A count taken
// afterwards no longer grows by captures that were already on their way.
bool inFlightSettled(TVSession *session)
{
    bool done = false;
    [](TVSession *s, bool *flag) -> QCoro::Task<> {
        const QJsonObject payload;
        try {
            co_await s->call(QStringLiteral("audio/getVolume"), payload);
        } catch (const std::exception &) {
        }
        *flag = true;
    }(session, &done);
    return QTest::qWaitFor([&] { return done; }, 10000);
}

} // namespace

class TestPreviewController : public QObject {
    Q_OBJECT

private:
    struct Rig {
        SessionFixture fx;
        std::unique_ptr<SimulatedTV> tv;
        QString id;
        PreviewWindowState window = shownWindow();
        int probes = 0;
        std::unique_ptr<PreviewController> controller;

        explicit Rig(int last = 2)
        {
            tv = std::make_unique<SimulatedTV>(tvOptions(last));
            tv->setScreenshotSize(QSize(320, 180));
            id = fx.addTV(*tv);
            fx.store->setSelectedID(id);
            controller = std::make_unique<PreviewController>(fx.session.get(), [this] {
                ++probes;
                return window;
            });
            controller->setProbeInterval(50ms);
            ScreenshotPreview::Timing timing;
            timing.pace = 100ms;
            timing.backOff = {100ms, 200ms, 400ms};
            controller->preview()->setTiming(timing);
        }
        ~Rig() { controller.reset(); }

        bool start() { return tv->start() && fx.pair(*tv); }
    };

private Q_SLOTS:
    void captureKey_data();
    void captureKey();
    void failingCapturesRetryUntilAPictureComes();
    void standbyReplacesThePicture();
    void switchingDevicesDropsTheOldPicture();
    void viewsOfOneTVShareOneLoop();
};

void TestPreviewController::captureKey_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("text");
    QTest::newRow("scene hidden") << QStringLiteral("scene") << kPaused;
    QTest::newRow("another application active") << QStringLiteral("inactive") << kHidden;
    QTest::newRow("minimised") << QStringLiteral("minimised") << kHidden;
    QTest::newRow("window hidden") << QStringLiteral("invisible") << kHidden;
    QTest::newRow("fully covered") << QStringLiteral("covered") << kHidden;
    QTest::newRow("standby") << QStringLiteral("standby") << kStandby;
    QTest::newRow("disconnected") << QStringLiteral("disconnect") << kWaiting;
    // The session stays connected, so the line keeps its last rule; only the key matters.
    QTest::newRow("selected device removed") << QStringLiteral("removed") << QString();
}

// Every condition on its own takes the key away, and restoring the window gives it back.
void TestPreviewController::captureKey()
{
    QFETCH(QString, change);
    QFETCH(QString, text);
    Rig rig;
    QVERIFY(rig.start());
    rig.controller->setSceneActive(true);
    QCOMPARE(rig.controller->captureKey(), rig.id);
    QTRY_VERIFY(!rig.controller->image().isNull());
    QVERIFY(rig.controller->showsCaption());

    if (change == QLatin1String("scene"))
        rig.controller->setSceneActive(false);
    else if (change == QLatin1String("inactive"))
        rig.window.active = false;
    else if (change == QLatin1String("minimised"))
        rig.window.minimised = true;
    else if (change == QLatin1String("invisible"))
        rig.window.visible = false;
    else if (change == QLatin1String("covered"))
        rig.window.exposed = false;
    else if (change == QLatin1String("standby"))
        rig.tv->setPowerState(QStringLiteral("Active Standby"));
    else if (change == QLatin1String("disconnect"))
        rig.fx.session->disconnect();
    else if (change == QLatin1String("removed"))
        rig.fx.store->remove(rig.id);

    QTRY_VERIFY(rig.controller->captureKey().isEmpty());
    QVERIFY(!rig.controller->preview()->isRunning());
    QVERIFY(rig.controller->image().isNull());
    QVERIFY(!rig.controller->showsCaption());
    if (!text.isEmpty())
        QTRY_COMPARE(rig.controller->statusText(), text);

    const bool windowChange = change != QLatin1String("scene") && change != QLatin1String("standby")
        && change != QLatin1String("disconnect") && change != QLatin1String("removed");
    if (windowChange) {
        rig.window = shownWindow();
        QTRY_COMPARE(rig.controller->captureKey(), rig.id);
        QTRY_VERIFY(!rig.controller->image().isNull());
    }
}

void TestPreviewController::failingCapturesRetryUntilAPictureComes()
{
    Rig rig;
    QVERIFY(rig.start());
    rig.tv->setScreenshotMode(SimulatedTV::ScreenshotMode::NotFound);
    rig.controller->setSceneActive(true);
    // The pauses between tries are the preview loop's own suite's business.
    QTRY_VERIFY_WITH_TIMEOUT(rig.tv->requestCount(kCapture) >= 3, 15000);
    QVERIFY(rig.controller->failing());
    QVERIFY(rig.controller->image().isNull());
    QCOMPARE(rig.controller->statusText(), kRetrying);
    QVERIFY(!rig.controller->showsCaption());

    rig.tv->setScreenshotMode(SimulatedTV::ScreenshotMode::Ok);
    QTRY_VERIFY(!rig.controller->image().isNull());
    QVERIFY(!rig.controller->failing());
    QVERIFY(rig.controller->showsCaption());
}

void TestPreviewController::standbyReplacesThePicture()
{
    Rig rig;
    QVERIFY(rig.start());
    rig.controller->setSceneActive(true);
    QTRY_VERIFY(!rig.controller->image().isNull());
    QSignalSpy display(rig.controller.get(), &PreviewController::displayChanged);

    rig.tv->setPowerState(QStringLiteral("Suspend"));
    QTRY_VERIFY(rig.fx.session->isStandby());
    // Dropped in the same turn as the session noticed, not at the next probe.
    QVERIFY(rig.controller->image().isNull());
    QCOMPARE(rig.controller->statusText(), kStandby);
    QVERIFY(!display.isEmpty());
    // A capture sent just before standby arrived may still reach the TV: count after it.
    QVERIFY(inFlightSettled(rig.fx.session.get()));
    const int asked = rig.tv->requestCount(kCapture);
    QTest::qWait(400);
    QCOMPARE(rig.tv->requestCount(kCapture), asked);
}

void TestPreviewController::switchingDevicesDropsTheOldPicture()
{
    Rig rig;
    SimulatedTV second(tvOptions(3));
    second.setScreenshotSize(QSize(160, 90));
    QVERIFY(second.start());
    const QString secondId = rig.fx.addTV(second);
    QVERIFY(rig.start());
    rig.controller->setSceneActive(true);
    QTRY_COMPARE(rig.controller->image().size(), QSize(320, 180));

    rig.fx.store->setSelectedID(secondId);
    QVERIFY(rig.controller->image().isNull());
    rig.fx.session->connect(secondId);
    QVERIFY(rig.fx.waitFor(ConnectionState::Kind::ready));
    QTRY_COMPARE(rig.controller->captureKey(), secondId);
    QTRY_COMPARE(rig.controller->image().size(), QSize(160, 90));
    QCOMPARE(second.requestCount(kCapture) > 0, true);
}

// Each view used to run a loop of its own: the remote card and the open tray panel asked the
// TV for two screenshots a second.
void TestPreviewController::viewsOfOneTVShareOneLoop()
{
    Rig rig;
    QVERIFY(rig.start());
    SharedPreview shared(rig.fx.session.get());
    ScreenshotPreview::Timing timing;
    timing.pace = 100ms;
    shared.preview()->setTiming(timing);
    PreviewWindowState panelWindow = shownWindow();
    PreviewController card(rig.fx.session.get(), &shared, [&rig] { return rig.window; });
    PreviewController panel(rig.fx.session.get(), &shared, [&panelWindow] { return panelWindow; });

    card.setSceneActive(true);
    QTRY_VERIFY(!card.image().isNull());
    const QUuid loop = shared.preview()->generation();
    panel.setSceneActive(true);
    QCOMPARE(panel.captureKey(), rig.id);
    QCOMPARE(shared.preview()->generation(), loop);  // joined, not restarted
    QCOMPARE(panel.image().cacheKey(), card.image().cacheKey());
    QVERIFY(panel.showsCaption());

    // One loop waits for its one unanswered request; a second loop would send its own.
    rig.tv->neverAnswer(kCapture);
    const int answered = rig.tv->requestCount(kCapture);
    QTRY_VERIFY(rig.tv->requestCount(kCapture) > answered);
    QTest::qWait(500);  // five paces: time for any other loop to ask as well
    QCOMPARE(rig.tv->requestCount(kCapture), answered + 1);
    rig.tv->answerNormally(kCapture);

    // The loop outlives the view that leaves, and ends with the last one.
    card.setSceneActive(false);
    QVERIFY(card.image().isNull());
    QCOMPARE(card.statusText(), kPaused);
    QVERIFY(shared.preview()->isRunning());
    QCOMPARE(shared.preview()->generation(), loop);
    QTRY_VERIFY(!panel.image().isNull());
    panelWindow.minimised = true;
    panel.probe();
    QVERIFY(!shared.preview()->isRunning());
    QCOMPARE(shared.runningKey(), QString());
    QVERIFY(panel.image().isNull());
}

QTEST_GUILESS_MAIN(TestPreviewController)
#include "test_previewcontroller.moc"
