#include "session/sessionfixture.h"

#include <QJsonArray>

namespace {

QString moveFrame(int dx, int dy)
{
    return QStringLiteral("type:move\ndx:%1\ndy:%2\ndown:0\n\n").arg(dx).arg(dy);
}

QStringList moveFrames(const SimulatedTV &tv)
{
    QStringList moves;
    for (const QString &frame : tv.pointerFrames()) {
        if (frame.startsWith(QStringLiteral("type:move")))
            moves.append(frame);
    }
    return moves;
}

} // namespace

class TestSessionCommands : public QObject {
    Q_OBJECT

    SessionFixture *f = nullptr;
    SimulatedTV *tv = nullptr;
    QString id;

private Q_SLOTS:
    void init()
    {
        f = new SessionFixture;
        tv = new TestTV(tvOptions(2));
        id = f->addTV(*tv);
        QVERIFY(f->pair(*tv));
    }

    void cleanup()
    {
        delete f;
        delete tv;
        f = nullptr;
        tv = nullptr;
    }

    void stateFollowsTheTV()
    {
        QTRY_COMPARE(f->session->volume(), 12);
        QCOMPARE(f->session->muted(), false);
        QCOMPARE(f->session->powerState(), QStringLiteral("Active"));
        QCOMPARE(f->session->foregroundAppId(), QStringLiteral("com.webos.app.livetv"));
        QCOMPARE(f->session->inputs().size(), tv->inputs().size());
        QCOMPARE(f->session->inputs().first().label, tv->inputs().first().label);
        QCOMPARE(f->session->apps().size(), tv->apps().size());
        QVERIFY(f->session->apps().first().icon.has_value());

        tv->setVolume(30);
        tv->setMuted(true);
        QTRY_COMPARE(f->session->volume(), 30);
        QTRY_VERIFY(f->session->muted());

        const SimulatedTV::Input hdmi = tv->inputs().first();
        tv->setForegroundApp(hdmi.appId);
        QTRY_COMPARE(f->session->foregroundTitle(), hdmi.label);
        tv->setForegroundApp(QStringLiteral("com.webos.app.home"));
        QTRY_COMPARE(f->session->foregroundTitle(), QStringLiteral("主页"));
        tv->setForegroundApp(QStringLiteral("com.example.unknown"));
        QTRY_COMPARE(f->session->foregroundTitle(), QStringLiteral("com.example.unknown"));

        tv->setKeyboardFocus(true);
        QTRY_VERIFY(f->session->keyboardFocused());
        tv->pushEvent(QStringLiteral("com.webos.service.ime/registerRemoteKeyboard"),
                      {{QStringLiteral("currentWidget"), QJsonObject()}});
        QTRY_VERIFY(!f->session->keyboardFocused());

        // Both volume event shapes, and malformed values that must change nothing.
        tv->pushEvent(QStringLiteral("audio/getVolume"), {{QStringLiteral("volume"), 7}, {QStringLiteral("muted"), false}});
        QTRY_COMPARE(f->session->volume(), 7);
        QTRY_VERIFY(!f->session->muted());
        tv->pushEvent(QStringLiteral("audio/getVolume"), {{QStringLiteral("volume"), QStringLiteral("loud")}, {QStringLiteral("muted"), 1}});
        tv->pushEvent(QStringLiteral("audio/getVolume"), {{QStringLiteral("volumeStatus"), QJsonObject{{QStringLiteral("volume"), 9}, {QStringLiteral("muteStatus"), true}}}});
        QTRY_COMPARE(f->session->volume(), 9);
        QVERIFY(f->session->muted());

        tv->setPowerState(QStringLiteral("Active Standby"));
        QTRY_VERIFY(f->session->isStandby());
        QCOMPARE(f->session->state(), ConnectionState::ready());
    }

    void commandsReachTheTVAndFailuresAreLogged()
    {
        f->session->volumeUp();
        f->session->launch(f->session->apps().last());
        f->session->switchInput(f->session->inputs().first());
        f->session->insertText(QStringLiteral("你好 tv"));
        f->session->setVolume(25);
        f->session->commitVolume();
        QTRY_COMPARE(tv->volume(), 25);
        QTRY_COMPARE(tv->typedText(), QStringLiteral("你好 tv"));
        QCOMPARE(tv->lastPayload(QStringLiteral("com.webos.service.ime/insertText")).value(QStringLiteral("replace")), QJsonValue(false));
        QCOMPARE(tv->lastPayload(QStringLiteral("tv/switchInput")).value(QStringLiteral("inputId")).toString(),
                 f->session->inputs().first().id);
        QCOMPARE(tv->requestCount(QStringLiteral("audio/volumeUp")), 1);
        QCOMPARE(tv->lastPayload(QStringLiteral("system.launcher/launch")).value(QStringLiteral("id")).toString(),
                 f->session->apps().last().id);

        tv->failWith(QStringLiteral("audio/volumeDown"), QStringLiteral("volume locked"));
        f->session->volumeDown();
        QTRY_COMPARE(f->logCount(QStringLiteral("audio/volumeDown 失败: volume locked")), 1);

        // setMute falls back to the MUTE key when the TV refuses it.
        tv->failWith(QStringLiteral("audio/setMute"), QStringLiteral("unsupported"));
        f->session->setMute(true);
        QTRY_VERIFY(tv->pointerFrames().contains(QStringLiteral("type:button\nname:MUTE\n\n")));

        // Without a client nothing is sent and nothing is logged.
        f->session->disconnect();
        const int sent = tv->messages().size();
        const int lines = f->logLines().size();
        f->session->volumeUp();
        f->session->insertText(QStringLiteral("x"));
        f->session->turnOff();
        QTest::qWait(100);
        QCOMPARE(tv->messages().size(), sent);
        QCOMPARE(f->logLines().size(), lines);
    }

    void pointerMotionIsCoalesced()
    {
        tv->clearRecord();
        for (int i = 0; i < 3; ++i)
            f->session->movePointer(0.4, 0);
        QTRY_COMPARE(moveFrames(*tv), QStringList{moveFrame(1, 0)});
        QVERIFY(qAbs(f->session->pendingMove().x() - 0.2) < 1e-9);

        // Halves round away from zero and the remainder is carried.
        tv->clearRecord();
        f->session->movePointer(-0.3, 0.5);  // with 0.2 carried: -0.1, 0.5
        QTest::qWait(60);
        QCOMPARE(moveFrames(*tv), QStringList{moveFrame(0, 1)});
        QVERIFY(qAbs(f->session->pendingMove().x() + 0.1) < 1e-9);
        QVERIFY(qAbs(f->session->pendingMove().y() + 0.5) < 1e-9);

        // A burst inside one window never sends more than one frame, and nothing is lost.
        tv->clearRecord();
        for (int i = 0; i < 50; ++i)
            f->session->movePointer(1.0, -2.0);
        QTRY_COMPARE(moveFrames(*tv).size(), 1);
        QTest::qWait(60);
        QCOMPARE(moveFrames(*tv), QStringList{moveFrame(50, -101)});

        // A closed pointer socket is reopened before the next button.
        tv->closePointer();
        QTRY_VERIFY(!f->session->pointer()->isOpen());
        f->session->click();
        QTRY_VERIFY(tv->pointerFrames().contains(QStringLiteral("type:click\n\n")));
        QCOMPARE(tv->pointerConnections(), 2);

        // The key sent is the caller's at the time of the call, even when the socket reopens.
        tv->closePointer();
        QTRY_VERIFY(!f->session->pointer()->isOpen());
        QString key = QStringLiteral("HOME");
        f->session->button(key);
        key = QStringLiteral("BACK");
        QTRY_VERIFY(tv->pointerFrames().contains(QStringLiteral("type:button\nname:HOME\n\n")));
    }

    void turnOffLeadsToStandby()
    {
        f->session->turnOff();
        QVERIFY(waitFor([&] { return f->session->isStandby(); }, 5s));
        QVERIFY(f->waitFor(ConnectionState::Kind::sleeping));
    }

    void screenCaptureAndIcons()
    {
        QImage image;
        QString failure;
        bool done = false;
        [](TVSession *session, QImage *image, QString *failure, bool *done) -> QCoro::Task<> {
            try {
                *image = co_await session->captureScreen();
            } catch (const std::exception &error) {
                *failure = QString::fromUtf8(error.what());
            }
            *done = true;
        }(f->session.get(), &image, &failure, &done);
        QVERIFY(waitFor([&] { return done; }, 10s));
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QCOMPARE(image.size(), QSize(1920, 1080));

        // Icons come through the pinned client and are downloaded once.
        const QUrl url = *f->session->apps().first().icon;
        std::optional<QImage> icon;
        done = false;
        auto fetch = [](TVSession *session, QUrl url, std::optional<QImage> *icon, bool *done) -> QCoro::Task<> {
            *icon = co_await session->icon(url);
            *done = true;
        };
        fetch(f->session.get(), url, &icon, &done);
        QVERIFY(waitFor([&] { return done; }, 10s));
        QVERIFY(icon && !icon->isNull());
        const int served = tv->httpRequests().size();
        done = false;
        fetch(f->session.get(), url, &icon, &done);
        QVERIFY(waitFor([&] { return done; }, 10s));
        QCOMPARE(tv->httpRequests().size(), served);
    }
};

QTEST_GUILESS_MAIN(TestSessionCommands)
#include "test_session_commands.moc"
