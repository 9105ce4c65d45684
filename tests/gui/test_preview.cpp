// The live picture on the remote page of a real main window: the window probe, the page
// switch, failures and standby, and what the panel says and draws.

#include "gui/guifixture.h"

#include "preview/previewcontroller.h"
#include "ui/remote/remotepage.h"
#include "ui/remote/tvcard.h"
#include "ui/theme/tvscreenpreview.h"


namespace {

const QString kCapture = QStringLiteral("tv/executeOneShot");

struct Rig {
    GuiFixture f{53};
    std::unique_ptr<SimulatedTV> tv;
    std::unique_ptr<MainWindow> window;
    TVScreenPreview *preview = nullptr;

    bool start(int last)
    {
        tv = f.startTV(last);
        tv->setScreenshotSize(QSize(320, 180));
        if (!f.pair(*tv))
            return false;
        window = f.makeWindow();
        auto *page = qobject_cast<RemotePage *>(window->pageWidget(Page::remote));
        preview = page ? page->card()->preview() : nullptr;
        if (!preview)
            return false;
        ScreenshotPreview::Timing timing;
        timing.pace = 100ms;
        timing.backOff = {100ms, 200ms, 400ms};
        preview->controller()->preview()->setTiming(timing);
        return true;
    }
    PreviewController *controller() const { return preview->controller(); }
};

} // namespace

class TestPreview : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void showsThePictureWithItsCaption();
    void minimisingStopsCapturing();
    void leavingThePageStopsAtOnce();
    void failuresShowTheTriangle();
};

void TestPreview::showsThePictureWithItsCaption()
{
    Rig rig;
    QVERIFY(rig.start(2));
    QVERIFY(!rig.preview->accessibleName().isEmpty());
    QVERIFY(rig.preview->findChildren<QWidget *>().isEmpty());  // one element for accessibility
    QTRY_VERIFY(!rig.controller()->image().isNull());
    QCOMPARE(rig.controller()->captureKey(), rig.f.store->selectedID().value_or(QString()));
    QVERIFY(rig.controller()->showsCaption());
    const QRect area = rig.preview->pictureArea();
    QVERIFY(std::abs(area.width() * 9 - area.height() * 16) <= 16);
    QVERIFY(rig.preview->rect().contains(area));
}

void TestPreview::minimisingStopsCapturing()
{
    Rig rig;
    QVERIFY(rig.start(3));
    QTRY_VERIFY(!rig.controller()->image().isNull());

    rig.window->showMinimized();
    QTRY_COMPARE(rig.controller()->statusText(), QStringLiteral("窗口不可见，预览已暂停"));
    QVERIFY(rig.controller()->image().isNull());
    QVERIFY(!rig.controller()->showsCaption());
    QTest::qWait(60);
    const int asked = rig.tv->requestCount(kCapture);
    QTest::qWait(700);
    QCOMPARE(rig.tv->requestCount(kCapture), asked);

    rig.window->showNormal();
    rig.window->activateWindow();
    QTRY_VERIFY_WITH_TIMEOUT(!rig.controller()->image().isNull(), 3000);
}

void TestPreview::leavingThePageStopsAtOnce()
{
    Rig rig;
    QVERIFY(rig.start(4));
    QTRY_VERIFY(!rig.controller()->image().isNull());
    rig.window->setPage(Page::devices);
    QVERIFY(!rig.controller()->sceneActive());
    QVERIFY(rig.controller()->captureKey().isEmpty());
    QCOMPARE(rig.controller()->statusText(), QStringLiteral("预览已暂停"));
    QVERIFY(!rig.controller()->isProbing());
    QTest::qWait(50);
    const int asked = rig.tv->requestCount(kCapture);
    QTest::qWait(500);
    QCOMPARE(rig.tv->requestCount(kCapture), asked);

    rig.window->setPage(Page::remote);
    QTRY_VERIFY(!rig.controller()->image().isNull());
}

void TestPreview::failuresShowTheTriangle()
{
    Rig rig;
    QVERIFY(rig.start(5));
    QCOMPARE(rig.preview->placeholderSymbol(), QStringLiteral("tv"));
    rig.tv->setScreenshotMode(SimulatedTV::ScreenshotMode::Garbage);
    QTRY_VERIFY(rig.controller()->failing());
    QVERIFY(rig.controller()->image().isNull());
    QCOMPARE(rig.preview->placeholderSymbol(), QStringLiteral("exclamationmark.triangle"));
    QCOMPARE(rig.controller()->statusText(), QStringLiteral("截图暂不可用，正在重试"));
    // It keeps retrying, and a good picture ends the failure.
    const int asked = rig.tv->requestCount(kCapture);
    QTRY_VERIFY(rig.tv->requestCount(kCapture) > asked);
    rig.tv->setScreenshotMode(SimulatedTV::ScreenshotMode::Ok);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.controller()->image().isNull(), 3000);
    QCOMPARE(rig.preview->placeholderSymbol(), QStringLiteral("tv"));
}

QTEST_MAIN(TestPreview)
#include "test_preview.moc"
