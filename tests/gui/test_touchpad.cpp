// The touchpad: synthetic mouse and wheel events on the surface, what reaches the session and
// the TV, and the text row.

#include "gui/guifixture.h"

#include "ui/theme/roundiconbutton.h"
#include "ui/remote/touchpadpanel.h"
#include "ui/remote/touchpadsurface.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QWheelEvent>

namespace {

// Feeds one line of a script to the surface. Tokens, separated by ";":
//   p X Y / m X Y / r      left press, motion with the button held, release (fractions allowed)
//   rp X Y / rr            the same with the right button
//   wp DX DY               a wheel event with a precise pixel delta (and an unrelated angle)
//   wa DX DY               a wheel event with an angle delta only (a mouse wheel)
//   gp DX DY               a precise delta too fine for a Qt event, fed to the gesture itself
void play(TouchpadSurface *surface, const QString &script)
{
    QPointF last;
    Qt::MouseButtons held;
    for (const QString &step : script.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList t = step.simplified().split(QLatin1Char(' '));
        const QString op = t.at(0);
        const auto num = [&](int i) { return t.at(i).toDouble(); };
        const auto mouse = [&](QEvent::Type type, Qt::MouseButton button, QPointF at) {
            last = at;
            QMouseEvent event(type, at, surface->mapToGlobal(at), button, held, Qt::NoModifier);
            QApplication::sendEvent(surface, &event);
        };
        const auto wheel = [&](QPoint pixel, QPoint angle) {
            const QPointF at(10, 10);
            QWheelEvent event(at, surface->mapToGlobal(at), pixel, angle, Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(surface, &event);
        };
        if (op == QLatin1String("p") || op == QLatin1String("rp")) {
            const Qt::MouseButton button = op == QLatin1String("p") ? Qt::LeftButton : Qt::RightButton;
            held |= button;
            mouse(QEvent::MouseButtonPress, button, QPointF(num(1), num(2)));
        } else if (op == QLatin1String("m")) {
            mouse(QEvent::MouseMove, Qt::NoButton, QPointF(num(1), num(2)));
        } else if (op == QLatin1String("r") || op == QLatin1String("rr")) {
            const Qt::MouseButton button = op == QLatin1String("r") ? Qt::LeftButton : Qt::RightButton;
            held &= ~button;
            mouse(QEvent::MouseButtonRelease, button, last);
        } else if (op == QLatin1String("wp")) {
            const QPoint pixel(int(num(1)), int(num(2)));
            wheel(pixel, pixel * 3);
        } else if (op == QLatin1String("wa")) {
            wheel(QPoint(), QPoint(int(num(1)), int(num(2))));
        } else if (op == QLatin1String("gp")) {
            surface->gesture()->wheel(QPointF(num(1), num(2)), QPoint());
        } else {
            QFAIL(qPrintable(QStringLiteral("bad step ") + step));
        }
    }
}

QString number(double value)
{
    return QString::number(value, 'g', 6);
}

} // namespace

class TestTouchpad : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void gestures_data();
    void gestures();
    void gesturesReachTheTV();
    void scrollWithoutPointerIsDropped();
    void textRowSends_data();
    void textRowSends();
    void textRowFollowsTheTVKeyboard();
};

void TestTouchpad::gestures_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("trace");     // what the gesture reported, in order
    QTest::addColumn<double>("remainder");  // scroll points carried to the next event

    QTest::newRow("tap") << "p 40 40; r" << "click" << 0.0;
    QTest::newRow("3.99 points of travel is still a click") << "p 40 40; m 42 40; m 43.99 40; r"
                                                             << "move 2,0 | move 1.99,0 | click" << 0.0;
    QTest::newRow("exactly 4 points is a drag") << "p 40 40; m 44 40; r" << "move 4,0" << 0.0;
    QTest::newRow("travel adds both axes") << "p 40 40; m 42 42; r" << "move 2,2" << 0.0;
    QTest::newRow("travel counts going back") << "p 40 40; m 42 40; m 40 40; r" << "move 2,0 | move -2,0" << 0.0;
    QTest::newRow("a new press starts counting again") << "p 40 40; m 43 40; r; p 40 40; m 43 40; r"
                                                        << "move 3,0 | click | move 3,0 | click" << 0.0;
    QTest::newRow("hover moves nothing") << "m 40 40; m 60 60" << "" << 0.0;
    QTest::newRow("right button neither moves nor clicks") << "rp 40 40; m 60 40; rr" << "" << 0.0;

    QTest::newRow("precise: -3 then -6 is one step, 1 left") << "wp 0 -3; wp 0 -6" << "scroll 1" << 1.0;
    QTest::newRow("precise: +20 is two steps up, -4 left") << "wp 0 20" << "scroll -2" << -4.0;
    QTest::newRow("precise: -7.9 then -0.1 is one step") << "gp 0 -7.9; gp 0 -0.1" << "scroll 1" << 0.0;
    QTest::newRow("precise delta wins over the angle") << "wp 0 -8" << "scroll 1" << 0.0;
    QTest::newRow("remainder carries across directions") << "wp 0 -12; wp 0 6" << "scroll 1" << -2.0;
    QTest::newRow("horizontal precise scrolling is ignored") << "wp 15 0" << "" << 0.0;
    QTest::newRow("notch towards the user scrolls down") << "wa 0 -120" << "scroll 1" << 0.0;
    QTest::newRow("notch away scrolls up") << "wa 0 120" << "scroll -1" << 0.0;
    QTest::newRow("two notches at once") << "wa 0 -240" << "scroll 2" << 0.0;
    QTest::newRow("half notches add up") << "wa 0 -60; wa 0 -60" << "scroll 1" << 0.0;
    QTest::newRow("horizontal wheel is ignored") << "wa 120 0" << "" << 0.0;
}

void TestTouchpad::gestures()
{
    QFETCH(QString, script);
    QFETCH(QString, trace);
    QFETCH(double, remainder);
    GuiFixture f(51);
    TouchpadPanel panel(f.session, f.ctx.icons, ViewLayout::window);
    panel.resize(360, 260);
    TouchpadSurface *surface = panel.surface();
    TouchpadGesture *gesture = surface->gesture();

    QStringList seen;
    QObject::connect(gesture, &TouchpadGesture::moved, &panel, [&](double dx, double dy) {
        seen.append(QStringLiteral("move %1,%2").arg(number(dx), number(dy)));
    });
    QObject::connect(gesture, &TouchpadGesture::clicked, &panel, [&] { seen.append(QStringLiteral("click")); });
    QObject::connect(gesture, &TouchpadGesture::scrolled, &panel,
                     [&](int steps) { seen.append(QStringLiteral("scroll %1").arg(steps)); });
    play(surface, script);

    QCOMPARE(seen.join(QStringLiteral(" | ")), trace);
    QVERIFY2(std::abs(gesture->scrollAccumulator() - remainder) < 1e-9, qPrintable(number(gesture->scrollAccumulator())));
    // Releasing always ends the glow, click or not.
    QVERIFY(!surface->touch().has_value());
    QCOMPARE(surface->taps(), int(seen.count(QStringLiteral("click"))));
    // Every move reached the session scaled by 1.5 (nothing sent yet: it gathers them).
    double sumX = 0, sumY = 0;
    for (const QString &entry : seen) {
        if (!entry.startsWith(QLatin1String("move ")))
            continue;
        const QStringList xy = entry.mid(5).split(QLatin1Char(','));
        sumX += xy.at(0).toDouble();
        sumY += xy.at(1).toDouble();
    }
    const QPointF pending = f.session->pendingMove();
    QVERIFY2(std::abs(pending.x() - 1.5 * sumX) < 1e-6 && std::abs(pending.y() - 1.5 * sumY) < 1e-6,
             qPrintable(QStringLiteral("%1,%2").arg(pending.x()).arg(pending.y())));
}

// Drag, click and scroll on a shown panel end up as pointer frames at the TV; the ripple sits
// where the click landed and the glow follows the finger while pressed.
void TestTouchpad::gesturesReachTheTV()
{
    GuiFixture f(51);
    auto tv = f.pairedTV(2);
    TouchpadPanel panel(f.session, f.ctx.icons, ViewLayout::window);
    panel.resize(360, 260);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    TouchpadSurface *surface = panel.surface();
    tv->clearRecord();

    QTest::mousePress(surface, Qt::LeftButton, {}, QPoint(50, 50));
    QCOMPARE(surface->touch().value_or(QPointF()), QPointF(50, 50));
    QTest::mouseMove(surface, QPoint(70, 60));
    QCOMPARE(surface->touch().value_or(QPointF()), QPointF(70, 60));
    QTest::mouseRelease(surface, Qt::LeftButton, {}, QPoint(70, 60));
    QVERIFY(!surface->touch());
    QTRY_VERIFY(tv->pointerFrames().contains(QStringLiteral("type:move\ndx:30\ndy:15\ndown:0\n\n")));

    QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(120, 80));
    QCOMPARE(surface->taps(), 1);
    QCOMPARE(surface->tapPoint(), QPointF(120, 80));
    QTRY_COMPARE(tv->pointerFrames().count(QStringLiteral("type:click\n\n")), 1);

    play(surface, QStringLiteral("wa 0 -120; wp 0 16"));
    QTRY_COMPARE(tv->pointerFrames().count(QStringLiteral("type:scroll\ndx:0\ndy:1\n\n")), 1);
    QTRY_COMPARE(tv->pointerFrames().count(QStringLiteral("type:scroll\ndx:0\ndy:-2\n\n")), 1);
}

void TestTouchpad::scrollWithoutPointerIsDropped()
{
    GuiFixture f(51);
    auto tv = f.pairedTV(3);
    TouchpadPanel panel(f.session, f.ctx.icons, ViewLayout::window);
    // The client counts its socket open while it is still connecting.
    QTRY_COMPARE(tv->openPointerConnections(), 1);
    tv->closePointer();
    QTRY_VERIFY(!f.session->pointer() || !f.session->pointer()->isOpen());
    const int sockets = tv->pointerConnections();
    tv->clearRecord();

    play(panel.surface(), QStringLiteral("wa 0 -360"));
    QTest::qWait(200);
    QVERIFY(tv->pointerFrames().isEmpty());
    // Scrolling does not open a socket of its own; a click does.
    QCOMPARE(tv->pointerConnections(), sockets);
    play(panel.surface(), QStringLiteral("p 10 10; r"));
    QTRY_COMPARE(tv->pointerFrames().count(QStringLiteral("type:click\n\n")), 1);
}

void TestTouchpad::textRowSends_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("viaButton");
    QTest::addColumn<QString>("sent");
    QTest::newRow("return") << "hello" << false << "hello";
    QTest::newRow("button") << "你好" << true << "你好";
    QTest::newRow("spaces are sent as they are") << "  " << false << "  ";
    QTest::newRow("empty field sends nothing") << "" << false << "";
}

void TestTouchpad::textRowSends()
{
    QFETCH(QString, typed);
    QFETCH(bool, viaButton);
    QFETCH(QString, sent);
    GuiFixture f(51);
    auto tv = f.pairedTV(4);
    const QString uri = QStringLiteral("com.webos.service.ime/insertText");
    tv->delayReply(uri, 400);
    TouchpadPanel panel(f.session, f.ctx.icons, ViewLayout::window);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));

    panel.field()->setText(typed);
    if (viaButton) {
        QTest::mouseClick(panel.sendButton(), Qt::LeftButton);
    } else {
        panel.field()->setFocus();
        QTest::keyClick(panel.field(), Qt::Key_Return);
    }
    // Emptied at once, long before the TV's delayed answer.
    QVERIFY(panel.field()->text().isEmpty());
    if (sent.isEmpty()) {
        QTest::qWait(150);
        QCOMPARE(tv->requestCount(uri), 0);
        return;
    }
    QTRY_COMPARE(tv->requestCount(uri), 1);
    QCOMPARE(tv->lastPayload(uri).value(QStringLiteral("text")).toString(), sent);
    QCOMPARE(tv->lastPayload(uri).value(QStringLiteral("replace")).toBool(), false);
}

void TestTouchpad::textRowFollowsTheTVKeyboard()
{
    GuiFixture f(51);
    auto tv = f.pairedTV(5);
    TouchpadPanel panel(f.session, f.ctx.icons, ViewLayout::window);
    auto *row = find<QWidget>(&panel, "touchpadTextRow");
    QCOMPARE(panel.field()->placeholderText(), QStringLiteral("向电视输入文字"));
    QCOMPARE(row->property("tvKeyboard").toBool(), false);

    tv->setKeyboardFocus(true);
    QTRY_COMPARE(panel.field()->placeholderText(), QStringLiteral("电视输入框已就绪，输入文字"));
    QCOMPARE(row->property("tvKeyboard").toBool(), true);
    tv->setKeyboardFocus(false);
    QTRY_COMPARE(panel.field()->placeholderText(), QStringLiteral("向电视输入文字"));
    QCOMPARE(row->property("tvKeyboard").toBool(), false);
}

QTEST_MAIN(TestTouchpad)
#include "test_touchpad.moc"
