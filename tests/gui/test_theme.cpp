#include "ui/theme/icons.h"
#include "ui/theme/panel.h"
#include "ui/theme/pressfeedback.h"
#include "ui/theme/roundiconbutton.h"
#include "ui/theme/statetitle.h"
#include "ui/theme/statusdot.h"
#include "ui/theme/theme.h"
#include "ui/theme/motion.h"
#include "platform/desktopappearance.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

namespace {

// Every symbol of the built-in set, as the resource folder lists it: a new symbol is tested
// without editing this file.
QStringList symbolSet()
{
    QStringList names;
    for (const QString &file : QDir(QStringLiteral(":/veltrix/symbols")).entryList({QStringLiteral("*.svg")}, QDir::Files))
        names.append(file.chopped(4));
    return names;
}

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

// What a desktop publishes, set by the test.
class FakeAppearance : public DesktopAppearance {
public:
    std::optional<Scheme> scheme() const override { return m_scheme; }
    std::optional<bool> reduceMotion() const override { return m_reduce; }
    void setScheme(Scheme scheme)
    {
        m_scheme = scheme;
        Q_EMIT schemeChanged();
    }
    void setReduceMotion(bool reduce)
    {
        m_reduce = reduce;
        Q_EMIT reduceMotionChanged();
    }

private:
    std::optional<Scheme> m_scheme;
    std::optional<bool> m_reduce;
};

} // namespace

class TestTheme : public QObject {
    Q_OBJECT

    Theme *m_theme = nullptr;

private Q_SLOTS:
    void initTestCase() { m_theme = new Theme(this); }
    void cleanup() { m_theme->apply(AppearancePreference::system); }

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

    // "跟随系统" used to keep the palette of the start for as long as the program ran.
    void systemAppearanceFollowsTheDesktop()
    {
        using Scheme = DesktopAppearance::Scheme;
        FakeAppearance desktop;
        const QPalette start = m_theme->systemPalette();
        m_theme->followDesktop(&desktop);
        QSignalSpy changed(m_theme, &Theme::changed);
        Icons icons;
        const auto iconInk = [&icons] {
            return ink(icons.icon(QStringLiteral("power")).pixmap(QSize(32, 32)).toImage()).first.rgb();
        };

        desktop.setScheme(Scheme::dark);
        QVERIFY(m_theme->isDark());
        QCOMPARE(iconInk(), Theme::darkPalette().color(QPalette::WindowText).rgb());
        desktop.setScheme(Scheme::light);
        QVERIFY(!m_theme->isDark());
        QCOMPARE(QApplication::palette().color(QPalette::Window), Theme::lightPalette().color(QPalette::Window));
        QCOMPARE(iconInk(), Theme::lightPalette().color(QPalette::WindowText).rgb());
        QCOMPARE(changed.size(), 2);
        // A chosen appearance stays whatever the desktop does; "system" picks the desktop up.
        m_theme->apply(AppearancePreference::light);
        desktop.setScheme(Scheme::dark);
        QVERIFY(!m_theme->isDark());
        m_theme->apply(AppearancePreference::system);
        QVERIFY(m_theme->isDark());
        desktop.setScheme(Scheme::noPreference);
        QCOMPARE(QApplication::palette().color(QPalette::Window), start.color(QPalette::Window));

        // Without a published preference a new palette from the platform is followed, and
        // "system" comes back to it rather than to the palette of the start.
        QPalette platform = Theme::darkPalette();
        platform.setColor(QPalette::Window, QColor(0x20, 0x30, 0x40));
        changed.clear();
        QApplication::setPalette(platform);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(m_theme->systemPalette().color(QPalette::Window), QColor(0x20, 0x30, 0x40));
        QCOMPARE(iconInk(), platform.color(QPalette::WindowText).rgb());
        m_theme->apply(AppearancePreference::light);
        m_theme->apply(AppearancePreference::system);
        QCOMPARE(QApplication::palette().color(QPalette::Window), QColor(0x20, 0x30, 0x40));
        QApplication::setPalette(start);

        // Less animation: the style reports none and a press shows at once.
        Panel panel;
        QVERIFY(!motionReduced(&panel));
        desktop.setReduceMotion(true);
        QVERIFY(m_theme->reduceMotion());
        QVERIFY(motionReduced(&panel));
        RoundIconButton button(&icons, QStringLiteral("power"), 40, QColor(Qt::red), QStringLiteral("关机"));
        button.feedback()->tap();
        QCOMPARE(button.feedback()->scale(), button.feedback()->pressScale());
        desktop.setReduceMotion(false);
        QVERIFY(!motionReduced(&panel));
        m_theme->followDesktop(nullptr);
    }

    void everySymbolRendersInTheTextColour_data()
    {
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<int>("appearance");
        const QStringList names = symbolSet();
        QVERIFY(names.contains(QStringLiteral("trash")));  // the resource folder was found
        for (const QString &name : names) {
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
