#include "gui/guifixture.h"

#include "ui/keys/appkeymonitor.h"
#include "ui/keys/keycommands.h"
#include "ui/keys/keygate.h"
#include "ui/keys/keyhits.h"
#include "ui/keys/remotekeycapture.h"
#include "ui/keys/remotekeys.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// Records what the key map asked of the TV.
class FakeCommands : public KeyCommands {
public:
    QStringList done;
    bool isMuted = false;

    void button(const QString &name) override { done.append(QStringLiteral("button:") + name); }
    void volumeUp() override { done.append(QStringLiteral("volumeUp")); }
    void volumeDown() override { done.append(QStringLiteral("volumeDown")); }
    bool muted() const override { return isMuted; }
    void setMute(bool mute) override
    {
        isMuted = mute;
        done.append(mute ? QStringLiteral("mute:on") : QStringLiteral("mute:off"));
    }
};

// A clock the test moves by hand.
struct ManualClock {
    std::chrono::steady_clock::time_point now{};
    KeyGate::Clock fn() { return [this] { return now; }; }
    void at(int ms) { now = std::chrono::steady_clock::time_point{} + std::chrono::milliseconds(ms); }
};

// A window holding a button, a line edit, a spin box and an editable combo box.
struct KeyWindow {
    QWidget window;
    QPushButton *button = new QPushButton(QStringLiteral("b"));
    QLineEdit *line = new QLineEdit;
    QSpinBox *spin = new QSpinBox;
    QComboBox *combo = new QComboBox;

    KeyWindow()
    {
        combo->setEditable(true);
        auto *layout = new QVBoxLayout(&window);
        for (QWidget *w : {static_cast<QWidget *>(button), static_cast<QWidget *>(line), static_cast<QWidget *>(spin),
                           static_cast<QWidget *>(combo)})
            layout->addWidget(w);
    }

    bool showActive()
    {
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
};

} // namespace

class TestKeys : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void gateRefusesWithinASecondOfTheLastAttempt_data()
    {
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QList<int>>("times");
        QTest::addColumn<QList<bool>>("allowed");
        const QString m = QStringLiteral("m");
        QTest::newRow("first press") << QStringList{m} << QList<int>{0} << QList<bool>{true};
        QTest::newRow("exactly one second later") << QStringList{m, m} << QList<int>{0, 1000} << QList<bool>{true, true};
        QTest::newRow("just under a second") << QStringList{m, m} << QList<int>{0, 999} << QList<bool>{true, false};
        // The refused second press restarted the window, so the third is refused too.
        QTest::newRow("0.5 s then 0.6 s") << QStringList{m, m, m} << QList<int>{0, 500, 1100}
                                          << QList<bool>{true, false, false};
        QTest::newRow("held key, then a pause") << QStringList{m, m, m, m, m} << QList<int>{0, 30, 60, 90, 1090}
                                                << QList<bool>{true, false, false, false, true};
        QTest::newRow("keys are independent") << QStringList{m, QStringLiteral("space"), QStringLiteral("f5"), m}
                                              << QList<int>{0, 10, 20, 30} << QList<bool>{true, true, true, false};
    }

    void gateRefusesWithinASecondOfTheLastAttempt()
    {
        QFETCH(QStringList, keys);
        QFETCH(QList<int>, times);
        QFETCH(QList<bool>, allowed);
        ManualClock clock;
        KeyGate gate(clock.fn());
        for (int i = 0; i < keys.size(); ++i) {
            clock.at(times.at(i));
            QCOMPARE(gate.allow(keys.at(i)), allowed.at(i));
        }
    }

    void keyMap_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("media");
        QTest::addColumn<bool>("navigate");
        QTest::addColumn<bool>("refresh");
        QTest::addColumn<bool>("consumed");
        QTest::addColumn<QString>("effect");  // commands, navigation ("nav:X") and "refresh", joined

        const int none = Qt::NoModifier;
        const int shift = Qt::ShiftModifier;
        auto row = [](const char *name, int key, int mods, const QString &text, bool media, bool nav, bool refresh,
                      bool consumed, const QString &effect) {
            QTest::newRow(name) << key << mods << text << media << nav << refresh << consumed << effect;
        };
        // Navigation.
        row("up", Qt::Key_Up, none, {}, false, true, false, true, QStringLiteral("nav:UP"));
        row("down", Qt::Key_Down, none, {}, true, true, true, true, QStringLiteral("nav:DOWN"));
        row("return", Qt::Key_Return, none, QStringLiteral("\r"), false, true, false, true, QStringLiteral("nav:OK"));
        row("keypad enter", Qt::Key_Enter, Qt::KeypadModifier, QStringLiteral("\r"), true, true, false, true,
            QStringLiteral("nav:OK"));
        row("escape", Qt::Key_Escape, none, QStringLiteral("\x1b"), false, true, false, true, QStringLiteral("button:BACK"));
        row("backspace", Qt::Key_Backspace, none, QStringLiteral("\b"), true, true, true, true,
            QStringLiteral("button:BACK"));
        row("arrow, no navigate", Qt::Key_Up, none, {}, true, false, true, false, QString());
        row("escape, no navigate", Qt::Key_Escape, none, {}, true, false, true, false, QString());
        row("other letter", Qt::Key_A, none, QStringLiteral("a"), true, true, true, false, QString());
        // Media keys.
        row("plus", Qt::Key_Plus, shift, QStringLiteral("+"), true, true, false, true, QStringLiteral("volumeUp"));
        row("equals", Qt::Key_Equal, none, QStringLiteral("="), true, false, false, true, QStringLiteral("volumeUp"));
        row("keypad plus", Qt::Key_Plus, Qt::KeypadModifier, QStringLiteral("+"), true, false, false, true,
            QStringLiteral("volumeUp"));
        row("minus", Qt::Key_Minus, none, QStringLiteral("-"), true, true, false, true, QStringLiteral("volumeDown"));
        row("shift minus", Qt::Key_Underscore, shift, QStringLiteral("_"), true, true, false, false, QString());
        row("m", Qt::Key_M, none, QStringLiteral("m"), true, true, false, true, QStringLiteral("mute:on"));
        row("M by caps lock", Qt::Key_M, none, QStringLiteral("M"), true, false, false, true, QStringLiteral("mute:on"));
        row("shift m", Qt::Key_M, shift, QStringLiteral("M"), true, true, false, false, QString());
        row("space", Qt::Key_Space, none, QStringLiteral(" "), true, true, false, true, QStringLiteral("button:PLAY"));
        row("shift arrow with media", Qt::Key_Up, shift, {}, true, true, false, false, QString());
        row("media off: m", Qt::Key_M, none, QStringLiteral("m"), false, true, false, false, QString());
        row("media off: plus", Qt::Key_Plus, shift, QStringLiteral("+"), false, true, false, false, QString());
        row("media off: space", Qt::Key_Space, none, QStringLiteral(" "), false, true, false, false, QString());
        // Modifiers that belong to shortcuts.
        row("ctrl arrow", Qt::Key_Up, Qt::ControlModifier, {}, true, true, true, false, QString());
        row("alt m", Qt::Key_M, Qt::AltModifier, QStringLiteral("m"), true, true, true, false, QString());
        // Refresh.
        row("f5", Qt::Key_F5, none, {}, true, true, true, true, QStringLiteral("refresh"));
        row("f5 without navigate", Qt::Key_F5, none, {}, true, false, true, true, QStringLiteral("refresh"));
        row("f5 without refresh", Qt::Key_F5, none, {}, false, true, false, false, QString());
    }

    void keyMap()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, text);
        QFETCH(bool, media);
        QFETCH(bool, navigate);
        QFETCH(bool, refresh);
        QFETCH(bool, consumed);
        QFETCH(QString, effect);

        FakeCommands commands;
        KeyGate gate;
        QStringList effects;
        NavigateAction nav;
        if (navigate)
            nav = [&](const QString &name) { effects.append(QStringLiteral("nav:") + name); };
        RefreshAction refreshAction;
        if (refresh)
            refreshAction = [&] { effects.append(QStringLiteral("refresh")); };
        const QKeyEvent event(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), text);
        QCOMPARE(handleRemoteKey(event, commands, gate, nav, media, refreshAction), consumed);
        QCOMPARE((commands.done + effects).join(QLatin1Char(',')), effect);
    }

    void gatedKeysActOncePerHeldKey()
    {
        // M, Space and F5 through the key map: auto-repeat within the second does nothing.
        FakeCommands commands;
        ManualClock clock;
        KeyGate gate(clock.fn());
        int refreshes = 0;
        const RefreshAction refresh = [&] { ++refreshes; };
        const QKeyEvent m(QEvent::KeyPress, Qt::Key_M, Qt::NoModifier, QStringLiteral("m"), true);
        const QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
        const QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier, QString(), true);
        for (int t = 0; t <= 600; t += 50) {
            clock.at(t);
            for (const QKeyEvent *event : {&m, &space, &f5})
                QVERIFY(handleRemoteKey(*event, commands, gate, {}, true, refresh));
        }
        QCOMPARE(commands.done, (QStringList{QStringLiteral("mute:on"), QStringLiteral("button:PLAY")}));
        QCOMPARE(refreshes, 1);
        clock.at(1700);
        QVERIFY(handleRemoteKey(m, commands, gate, {}, true, refresh));
        QCOMPARE(commands.done.last(), QStringLiteral("mute:off"));
    }

    void captureActsOnlyForItsOwnActiveWindowWithoutTextFocus_data()
    {
        QTest::addColumn<QString>("focus");  // which control has the focus
        QTest::addColumn<bool>("otherWindowActive");
        QTest::addColumn<bool>("sends");
        QTest::newRow("button focused") << QStringLiteral("button") << false << true;
        QTest::newRow("line edit") << QStringLiteral("line") << false << false;
        QTest::newRow("spin box") << QStringLiteral("spin") << false << false;
        QTest::newRow("editable combo box") << QStringLiteral("combo") << false << false;
        QTest::newRow("another window is active") << QStringLiteral("button") << true << false;
    }

    void captureActsOnlyForItsOwnActiveWindowWithoutTextFocus()
    {
        QFETCH(QString, focus);
        QFETCH(bool, otherWindowActive);
        QFETCH(bool, sends);
        KeyWindow keys;
        auto commands = std::make_shared<FakeCommands>();
        KeyHits hits;
        ShortcutNotifier shortcuts;
        new RemoteKeyCapture(&keys.window, commands, &hits, true, &shortcuts);
        QVERIFY(keys.showActive());
        QWidget *target = focus == QLatin1String("line") ? static_cast<QWidget *>(keys.line)
            : focus == QLatin1String("spin")             ? static_cast<QWidget *>(keys.spin)
            : focus == QLatin1String("combo")            ? static_cast<QWidget *>(keys.combo)
                                                         : static_cast<QWidget *>(keys.button);
        target->setFocus();
        QWidget other;
        if (otherWindowActive) {
            other.show();
            other.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&other));
        }
        // The press is delivered to the capture's window whatever is active.
        pressKey(&keys.window, Qt::Key_Up);
        pressKey(&keys.window, Qt::Key_M);
        const QStringList expected = sends ? QStringList{QStringLiteral("button:UP"), QStringLiteral("mute:on")}
                                           : QStringList{};
        QCOMPARE(commands->done, expected);
        QCOMPARE(hits.total(), sends ? 1 : 0);
    }

    void captureActsOncePerPressAndOnlyWhileShown()
    {
        KeyWindow keys;
        auto commands = std::make_shared<FakeCommands>();
        KeyHits hits;
        ShortcutNotifier shortcuts;
        auto *owner = new QWidget;
        keys.window.layout()->addWidget(owner);
        auto *capture = new RemoteKeyCapture(owner, commands, &hits, false, &shortcuts);
        QVERIFY(keys.showActive());
        keys.button->setFocus();
        QVERIFY(capture->isInstalled());
        // The press travels from the window to the button and its parents: one command.
        pressKey(&keys.window, Qt::Key_Return);
        QCOMPARE(commands->done, QStringList{QStringLiteral("button:ENTER")});
        QCOMPARE(hits.count(QStringLiteral("OK")), 1);

        owner->hide();
        QVERIFY(!capture->isInstalled());
        pressKey(&keys.window, Qt::Key_Return);
        QCOMPARE(commands->done.size(), 1);
        owner->show();
        QVERIFY(capture->isInstalled());
        pressKey(&keys.window, Qt::Key_Escape);
        QCOMPARE(commands->done.last(), QStringLiteral("button:BACK"));
        QCOMPARE(hits.total(), 1);  // BACK records no hit
    }

    void monitorLeavesNavigationToTheRemotePage()
    {
        KeyWindow keys;
        auto commands = std::make_shared<FakeCommands>();
        ShortcutNotifier shortcuts;
        GuiFixture f;
        auto *monitor = new AppKeyMonitor(&keys.window, f.session, commands, &shortcuts, true);
        QVERIFY(keys.showActive());
        QVERIFY(monitor->isInstalled());
        keys.button->setFocus();
        monitor->setPage(Page::remote);
        pressKey(&keys.window, Qt::Key_Minus);
        // Passed on: the focused button moves the focus with the arrow, as without a monitor.
        pressKey(&keys.window, Qt::Key_Up);
        QCOMPARE(commands->done, QStringList{QStringLiteral("volumeDown")});
        QVERIFY(!keys.button->hasFocus());
        keys.button->setFocus();
        monitor->setPage(Page::apps);
        pressKey(&keys.window, Qt::Key_Return);
        pressKey(&keys.window, Qt::Key_Up);
        QCOMPARE(commands->done, (QStringList{QStringLiteral("volumeDown"), QStringLiteral("button:ENTER"),
                                              QStringLiteral("button:UP")}));
    }

    void monitorWithoutCaptureStillRoutesShortcuts()
    {
        KeyWindow keys;
        auto commands = std::make_shared<FakeCommands>();
        ShortcutNotifier shortcuts;
        GuiFixture f;
        auto *monitor = new AppKeyMonitor(&keys.window, f.session, commands, &shortcuts, false);
        QSignalSpy pages(monitor, &AppKeyMonitor::pageRequested);
        QVERIFY(keys.showActive());
        QVERIFY(!monitor->isInstalled());
        pressKey(&keys.window, Qt::Key_M);
        QVERIFY(commands->done.isEmpty());
        shortcuts.post(Shortcut::devices);
        QCOMPARE(pages.size(), 1);
        QCOMPARE(pages.at(0).at(0).value<Page>(), Page::devices);
    }
};

QTEST_MAIN(TestKeys)
#include "test_keys.moc"
