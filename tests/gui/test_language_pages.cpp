// Every page, the menus, the tray menu and the tray panel in English and in Chinese, light and
// dark, at the minimum window size: no label or button cut off, and under English no Chinese
// left in what the windows say (the TV's own names are English here). With
// VELTRIX_SNAPSHOT_OUT set, pictures of every page go to <folder>/<language>-<appearance>/.

#include "gui/guifixture.h"

#include "app/language.h"
#include "ui/page.h"
#include "ui/shell/snapshotrun.h"
#include "ui/tray/menubarpanel.h"
#include "ui/tray/traycontroller.h"

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSystemTrayIcon>
#include <QTranslator>

namespace {

bool hasChinese(const QString &text)
{
    static const QRegularExpression han(QStringLiteral("\\p{Han}"));
    return han.match(text).hasMatch();
}

void collectMenuTexts(const QList<QAction *> &actions, QStringList *texts)
{
    for (const QAction *action : actions) {
        *texts << action->text() << action->toolTip();
        if (action->menu())
            collectMenuTexts(action->menu()->actions(), texts);
    }
}

// The visible texts under `root`, and a problem for each label or button narrower than its text.
void inspect(const QWidget *root, const QString &where, QStringList *texts, QStringList *problems)
{
    for (const QLabel *label : root->findChildren<QLabel *>()) {
        if (!label->isVisible() || label->text().isEmpty())
            continue;
        *texts << label->text() << label->toolTip();
        if (!label->wordWrap() && label->width() < label->minimumSizeHint().width())
            *problems << where + QStringLiteral(": label cut off: ") + label->text();
    }
    for (const QAbstractButton *button : root->findChildren<QAbstractButton *>()) {
        if (!button->isVisible())
            continue;
        *texts << button->text() << button->toolTip() << button->accessibleName();
        if (!button->text().isEmpty() && button->width() < button->minimumSizeHint().width())
            *problems << where + QStringLiteral(": button cut off: ") + button->text();
    }
    for (const QLineEdit *edit : root->findChildren<QLineEdit *>()) {
        if (edit->isVisible())
            *texts << edit->placeholderText() << edit->accessibleName();
    }
}

} // namespace

class TestLanguagePages : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyPageInBothLanguages_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<AppearancePreference>("appearance");
        QTest::newRow("zh-light") << false << AppearancePreference::light;
        QTest::newRow("zh-dark") << false << AppearancePreference::dark;
        QTest::newRow("en-light") << true << AppearancePreference::light;
        QTest::newRow("en-dark") << true << AppearancePreference::dark;
    }

    void everyPageInBothLanguages()
    {
        QFETCH(bool, english);
        QFETCH(AppearancePreference, appearance);
        std::unique_ptr<QTranslator> translator = veltrix::translatorFor(english ? veltrix::Language::english
                                                                                 : veltrix::Language::chinese);
        QCOMPARE(translator != nullptr, english);
        if (translator)
            QCoreApplication::installTranslator(translator.get());
        const auto remove = qScopeGuard([&translator] {
            if (translator)
                QCoreApplication::removeTranslator(translator.get());
        });

        GuiFixture f(42);
        f.ctx.theme->apply(appearance);
        // The settings page shows the sleep section only with something to follow.
        f.ctx.followComputer = f.services->followComputer();
        auto tv = f.startTV(9, QStringLiteral("Living Room LG OLED TV"));  // a long name
        QVERIFY(f.pair(*tv));
        auto window = f.makeWindow();
        window->resize(window->minimumSize());
        window->show();
        const QString folder = qEnvironmentVariableIsSet("VELTRIX_SNAPSHOT_OUT")
            ? QDir(qEnvironmentVariable("VELTRIX_SNAPSHOT_OUT")).filePath(QLatin1String(QTest::currentDataTag()))
            : QString();
        if (!folder.isEmpty())
            QVERIFY(QDir().mkpath(folder));

        QStringList problems;
        QStringList texts;
        collectMenuTexts(window->menuBar()->actions(), &texts);
        for (const Page page : allPages()) {
            window->setPage(page);
            QTest::qWait(300);  // lists and the picture settle
            QVERIFY(window->size() == window->minimumSize());
            inspect(window.get(), pageId(page), &texts, &problems);
            for (const QLabel *label : window->centralWidget()->findChildren<QLabel *>()) {
                if (label->isVisible() && !label->text().isEmpty()
                    && !window->rect().contains(QRect(label->mapTo(window.get(), QPoint()), label->size())))
                    problems << pageId(page) + QStringLiteral(": label outside the window: ") + label->text();
            }
            if (!folder.isEmpty()) {
                QString error;
                QVERIFY2(!SnapshotRun::captureWindows(folder, pageId(page), &error).isEmpty(), qPrintable(error));
            }
        }

        TrayController tray(f.ctx, true, [] {});
        QVERIFY(tray.trayMenu());
        collectMenuTexts(tray.trayMenu()->actions(), &texts);
        texts << tray.trayIcon()->toolTip();
        MenuBarPanel *panel = tray.panel();
        tray.showPanelWindow();
        QVERIFY(QTest::qWaitForWindowExposed(panel));
        QTest::qWait(300);
        inspect(panel, QStringLiteral("tray panel"), &texts, &problems);
        if (!folder.isEmpty())
            QVERIFY(panel->grab().save(QDir(folder).filePath(QStringLiteral("trayPanel.png")), "PNG"));
        panel->close();

        if (english) {
            for (const QString &text : std::as_const(texts)) {
                if (hasChinese(text))
                    problems << QStringLiteral("Chinese under English: ") + text;
            }
        }
        problems.removeDuplicates();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestLanguagePages)
#include "test_language_pages.moc"
