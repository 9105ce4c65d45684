#include "ui/theme/icons.h"
#include "ui/theme/panel.h"
#include "ui/theme/pressfeedback.h"
#include "ui/theme/roundiconbutton.h"
#include "ui/theme/statetitle.h"
#include "ui/theme/statusdot.h"
#include "ui/theme/theme.h"

#include <QApplication>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

namespace {

// Every symbol the windows draw, by the names the pages use.
const QStringList usedSymbols{
    QStringLiteral("app.badge"), QStringLiteral("arrow.up.right"), QStringLiteral("arrow.uturn.backward"),
    QStringLiteral("av.remote"), QStringLiteral("av.remote.fill"), QStringLiteral("cable.connector.horizontal"),
    QStringLiteral("checkmark.circle.fill"), QStringLiteral("chevron.down"), QStringLiteral("chevron.left"),
    QStringLiteral("chevron.right"), QStringLiteral("chevron.up"), QStringLiteral("circle"),
    QStringLiteral("circle.grid.3x3"), QStringLiteral("clock"), QStringLiteral("cursorarrow"),
    QStringLiteral("exclamationmark.triangle"), QStringLiteral("gearshape"), QStringLiteral("hand.point.up.left"),
    QStringLiteral("house"), QStringLiteral("info.circle"), QStringLiteral("keyboard"),
    QStringLiteral("largecircle.fill.circle"), QStringLiteral("line.3.horizontal"), QStringLiteral("macwindow"),
    QStringLiteral("magnifyingglass"), QStringLiteral("minus"), QStringLiteral("paperplane.fill"), QStringLiteral("plus"),
    QStringLiteral("plus.circle"), QStringLiteral("power"), QStringLiteral("speaker.slash"),
    QStringLiteral("speaker.wave.2"), QStringLiteral("square.and.pencil"), QStringLiteral("square.grid.2x2"),
    QStringLiteral("tv"), QStringLiteral("wifi")};

// The colour that covers most opaque pixels, and how many opaque pixels there are.
QPair<QColor, int> ink(const QImage &image)
{
    QHash<QRgb, int> counts;
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() == 255) {
                ++counts[c.rgb()];
                ++opaque;
            }
        }
    }
    QRgb best = 0;
    int bestCount = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > bestCount) {
            best = it.key();
            bestCount = it.value();
        }
    }
    return {QColor::fromRgb(best), opaque};
}

} // namespace

class TestTheme : public QObject {
    Q_OBJECT

    Theme *m_theme = nullptr;

private Q_SLOTS:
    void initTestCase() { m_theme = new Theme(this); }
    void cleanup() { m_theme->apply(AppearancePreference::system); }

    void statusDotColours_data()
    {
        QTest::addColumn<ConnectionState>("state");
        QTest::addColumn<bool>("standby");
        QTest::addColumn<bool>("dark");
        QTest::addColumn<QColor>("colour");
        const QColor orange = statusDotColor(ConnectionState::connecting(), false, false);
        QTest::newRow("ready, light") << ConnectionState::ready() << false << false << QColor(0x1F, 0xA8, 0x5A);
        QTest::newRow("ready, dark") << ConnectionState::ready() << false << true << QColor(0x34, 0xD4, 0x7A);
        QTest::newRow("ready in standby") << ConnectionState::ready() << true << true << orange;
        QTest::newRow("error") << ConnectionState::error(QStringLiteral("x")) << false << false << QColor(255, 77, 94);
        QTest::newRow("error in standby") << ConnectionState::error(QStringLiteral("x")) << true << false << orange;
        QTest::newRow("offline") << ConnectionState::offline() << false << true << QColor(142, 142, 147);
        QTest::newRow("awaiting approval") << ConnectionState::awaitingApproval(true) << false << false << orange;
        QTest::newRow("waking") << ConnectionState::waking() << false << false << orange;
        QTest::newRow("sleeping") << ConnectionState::sleeping() << false << true << orange;
    }

    void statusDotColours()
    {
        QFETCH(ConnectionState, state);
        QFETCH(bool, standby);
        QFETCH(bool, dark);
        QFETCH(QColor, colour);
        QCOMPARE(statusDotColor(state, standby, dark), colour);
        QVERIFY(colour != statusDotColor(ConnectionState::offline(), false, dark) || state.is(ConnectionState::Kind::offline));
    }

    void statusDotPaintsTheGreenOfTheWindowsAppearance_data()
    {
        QTest::addColumn<int>("appearance");
        QTest::addColumn<QColor>("green");
        QTest::newRow("light") << int(AppearancePreference::light) << QColor(0x1F, 0xA8, 0x5A);
        QTest::newRow("dark") << int(AppearancePreference::dark) << QColor(0x34, 0xD4, 0x7A);
    }

    void statusDotPaintsTheGreenOfTheWindowsAppearance()
    {
        QFETCH(int, appearance);
        QFETCH(QColor, green);
        m_theme->apply(AppearancePreference(appearance));
        StatusDot dot;
        dot.setState(ConnectionState::ready(), false);
        dot.resize(dot.sizeHint());
        const QImage image = dot.grab().toImage();
        QCOMPARE(image.pixelColor(image.width() / 2, image.height() / 2).rgb(), green.rgb());
    }

    void appearanceSwitchesPalettesAtRunTime()
    {
        const QPalette system = m_theme->systemPalette();
        QSignalSpy changed(m_theme, &Theme::changed);
        m_theme->apply(AppearancePreference::dark);
        QVERIFY(m_theme->isDark());
        QCOMPARE(QApplication::palette().color(QPalette::Window), Theme::darkPalette().color(QPalette::Window));
        Panel panel;  // widgets made before or after the switch get the application palette
        QVERIFY(Theme::isDarkPalette(panel.palette()));
        m_theme->apply(AppearancePreference::light);
        QVERIFY(!m_theme->isDark());
        QCoreApplication::processEvents();  // existing widgets hear of the change through posted events
        QVERIFY(!Theme::isDarkPalette(panel.palette()));
        m_theme->apply(AppearancePreference::system);
        QCOMPARE(QApplication::palette().color(QPalette::Window), system.color(QPalette::Window));
        QCOMPARE(changed.size(), 3);
        for (const QPalette &palette : {Theme::lightPalette(), Theme::darkPalette()}) {
            // Text stays readable on its background, and disabled text is told apart.
            QVERIFY(qAbs(palette.color(QPalette::Window).lightness() - palette.color(QPalette::WindowText).lightness()) > 150);
            QVERIFY(qAbs(palette.color(QPalette::Base).lightness() - palette.color(QPalette::Text).lightness()) > 150);
            QVERIFY(palette.color(QPalette::Disabled, QPalette::Text) != palette.color(QPalette::Active, QPalette::Text));
        }
    }

    void everySymbolRendersInTheTextColour_data()
    {
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<int>("appearance");
        for (const QString &name : usedSymbols) {
            QTest::addRow("%s, light", qPrintable(name)) << name << int(AppearancePreference::light);
            QTest::addRow("%s, dark", qPrintable(name)) << name << int(AppearancePreference::dark);
        }
    }

    void everySymbolRendersInTheTextColour()
    {
        QFETCH(QString, symbol);
        QFETCH(int, appearance);
        QVERIFY2(Icons::has(symbol), qPrintable(symbol));
        m_theme->apply(AppearancePreference(appearance));
        Icons icons;
        const QImage image = icons.icon(symbol).pixmap(QSize(48, 48)).toImage();
        QCOMPARE(image.size(), QSize(48, 48));
        const auto [colour, opaque] = ink(image);
        QVERIFY2(opaque > 20, qPrintable(QStringLiteral("%1 drew %2 pixels").arg(symbol).arg(opaque)));
        QCOMPARE(colour.rgb(), QApplication::palette().color(QPalette::WindowText).rgb());
        // Disabled icons use the disabled text colour.
        const QImage disabled = icons.icon(symbol).pixmap(QSize(48, 48), QIcon::Disabled).toImage();
        QCOMPARE(ink(disabled).first.rgb(), QApplication::palette().color(QPalette::Disabled, QPalette::WindowText).rgb());
    }

    void unknownSymbolStillShowsSomething()
    {
        Icons icons;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no symbol named")));
        const QImage image = icons.icon(QStringLiteral("no.such.symbol")).pixmap(QSize(32, 32)).toImage();
        QVERIFY(ink(image).second > 20);
        QVERIFY(!Icons::applicationIcon().pixmap(QSize(64, 64)).isNull());
        QVERIFY(ink(Icons::sidebarLogo().pixmap(QSize(64, 64)).toImage()).second > 500);
    }

    void pressFeedbackScalesAndReplays()
    {
        Icons icons;
        RoundIconButton button(&icons, QStringLiteral("power"), 40, QColor(Qt::red), QStringLiteral("关机"));
        QCOMPARE(button.toolTip(), QStringLiteral("关机"));
        QCOMPARE(button.accessibleName(), QStringLiteral("关机"));
        PressFeedback *feedback = button.feedback();
        feedback->setReduceMotion(true);
        button.resize(button.sizeHint());
        QTest::mousePress(&button, Qt::LeftButton);
        QCOMPARE(feedback->scale(), feedback->pressScale());
        QTest::mouseRelease(&button, Qt::LeftButton);
        QCOMPARE(feedback->scale(), 1.0);
        feedback->tap();
        QCOMPARE(feedback->taps(), 1);
        QCOMPARE(feedback->scale(), feedback->pressScale());
        QTRY_COMPARE(feedback->scale(), 1.0);
        // A disabled control shows no press.
        button.setEnabled(false);
        feedback->setPressed(true);
        QCOMPARE(feedback->scale(), 1.0);
    }
};

QTEST_MAIN(TestTheme)
#include "test_theme.moc"
