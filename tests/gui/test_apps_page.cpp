// The apps and inputs page as a user drives it, against the simulated TV: texts before and
// after the lists arrive, search, the inputs tab, launching, switching inputs, icons.

#include "ui/pages/apps/appcard.h"
#include "ui/pages/apps/appgrid.h"
#include "ui/pages/apps/appsloader.h"
#include "ui/pages/apps/inputrow.h"
#include "ui/pages/apps/segmentedtabs.h"
#include "ui/pages/apps/appspage.h"
#include "ui/theme/symbolview.h"
#include "gui/guifixture.h"

#include <QLabel>
#include <QGridLayout>
#include <QSet>
#include <QLineEdit>
#include <QStackedWidget>
#include <QtTest>

using Kind = ConnectionState::Kind;

namespace {

const QString kAppsUri = QStringLiteral("com.webos.applicationManager/listLaunchPoints");

QStringList shownTitles(AppsPage &page)
{
    QStringList titles;
    for (AppCard *card : page.grid()->shownCards())
        titles.append(card->app().title);
    return titles;
}

QList<SimulatedTV::App> tenApps()
{
    QList<SimulatedTV::App> apps = SimulatedTV::defaultApps();
    for (const QString &title : {QStringLiteral("Music"), QStringLiteral("Apple TV"), QStringLiteral("Prime Video"),
                                 QStringLiteral("Disney+"), QStringLiteral("Spotify")})
        apps.append({QStringLiteral("app.") + title.toLower(), title});
    return apps;
}

int iconDownloads(const SimulatedTV &tv)
{
    int count = 0;
    for (const SimulatedTV::HttpRequest &request : tv.httpRequests())
        count += request.path.startsWith(QStringLiteral("/resources/icons/")) ? 1 : 0;
    return count;
}

}  // namespace

class TestAppsPage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void emptyTextsBeforeAndAfterTheList()
    {
        GuiFixture f;
        TestTV tv(f.options(2));
        AppsPage page(f.ctx, ViewLayout::window);
        QVERIFY(showPage(page));
        QLabel *empty = find<QLabel>(&page, QStringLiteral("appsEmptyText"));
        QCOMPARE(empty->text(), QStringLiteral("连接电视后显示应用"));
        QVERIFY(empty->isVisible());
        QVERIFY(find<SymbolView>(&page, QStringLiteral("symbol.cable.connector.horizontal")));

        tv.delayReply(kAppsUri, 600);
        f.session->connect(f.addTV(tv));
        QVERIFY(f.waitFor(Kind::ready));
        QCOMPARE(empty->text(), QStringLiteral("正在读取应用列表…"));
        QVERIFY(empty->isVisible());

        QTRY_COMPARE(page.grid()->shownCards().size(), 5);
        QVERIFY(!empty->isVisible());
        QVERIFY(page.grid()->isVisible());

        // Disconnected again: the session drops its lists and the page says why.
        f.session->disconnect();
        QCOMPARE(empty->text(), QStringLiteral("连接电视后显示应用"));
    }

    void searchAndTheInputsTab()
    {
        GuiFixture f;
        SimulatedTV::Options options = f.options(2);
        options.apps = tenApps();
        TestTV tv(options);
        QVERIFY(f.pair(tv));
        AppsPage page(f.ctx, ViewLayout::window);
        QVERIFY(showPage(page));
        QCOMPARE(page.grid()->shownCards().size(), 10);

        QTest::keyClicks(page.searchField(), QStringLiteral("vid"));
        QCOMPARE(shownTitles(page), (QStringList{QStringLiteral("Photo & Video"), QStringLiteral("Prime Video")}));
        page.searchField()->clear();

        // Which apps each tab lists is the rules' suite's business; here the tab reaches them.
        QTest::mouseClick(page.tabs()->tab(1), Qt::LeftButton);
        QCOMPARE(page.tabs()->selection(), 1);
        QVERIFY(find<QWidget>(&page, QStringLiteral("inputsSection"))->isVisible());
        QCOMPARE(page.grid()->shownCards().size(), 6);

        QTest::mouseClick(page.tabs()->tab(0), Qt::LeftButton);
        QVERIFY(!find<QWidget>(&page, QStringLiteral("inputsSection"))->isVisible());
    }

    void foregroundAppAndLaunch()
    {
        GuiFixture f;
        TestTV tv(f.options(2));
        tv.setForegroundApp(QStringLiteral("netflix"));
        QVERIFY(f.pair(tv));
        AppsPage page(f.ctx, ViewLayout::window);
        QVERIFY(showPage(page));
        const auto activeTitles = [&] {
            QStringList titles;
            for (AppCard *card : page.grid()->shownCards()) {
                if (card->isActive())
                    titles.append(card->app().title);
            }
            return titles;
        };
        QTRY_COMPARE(activeTitles(), QStringList{QStringLiteral("Netflix")});
        tv.setForegroundApp(QStringLiteral("youtube.leanback.v4"));
        QTRY_COMPARE(activeTitles(), QStringList{QStringLiteral("YouTube")});

        AppCard *browser = page.grid()->shownCards().at(3);
        QTest::mouseClick(browser, Qt::LeftButton);
        QTRY_COMPARE(tv.requestCount(QStringLiteral("system.launcher/launch")), 1);
        QCOMPARE(tv.lastPayload(QStringLiteral("system.launcher/launch"))[u"id"].toString(),
                 QStringLiteral("com.webos.app.browser"));
    }

    // Cards were keyed by app id alone: two launch points of one app shared a card, one title
    // was lost and the card sat in two grid cells.
    void launchPointsSharingAnIdGetACardEach()
    {
        GuiFixture f;
        TestTV tv(f.options(2));
        QList<SimulatedTV::App> apps = SimulatedTV::defaultApps();
        apps.append({QStringLiteral("netflix"), QStringLiteral("Netflix Kids")});
        tv.setApps(apps);
        QVERIFY(f.pair(tv));
        AppsPage page(f.ctx, ViewLayout::window);
        QVERIFY(showPage(page));
        QTRY_COMPARE(page.grid()->shownCards().size(), apps.size());

        const QList<AppCard *> cards = page.grid()->shownCards();
        QCOMPARE(QSet<AppCard *>(cards.cbegin(), cards.cend()).size(), apps.size());
        QVERIFY(shownTitles(page).contains(QStringLiteral("Netflix")));
        QVERIFY(shownTitles(page).contains(QStringLiteral("Netflix Kids")));
        const auto *grid = qobject_cast<QGridLayout *>(page.grid()->layout());
        QCOMPARE(grid->count(), apps.size());

        auto *search = find<QLineEdit>(&page, "appSearch");
        QTest::keyClicks(search, QStringLiteral("kids"));
        QTRY_COMPARE(shownTitles(page), QStringList{QStringLiteral("Netflix Kids")});
        search->clear();
        QTRY_COMPARE(page.grid()->shownCards(), cards);  // the same cards come back
    }

    void inputsSection()
    {
        GuiFixture f;
        TestTV tv(f.options(2));
        AppsPage page(f.ctx, ViewLayout::window);
        page.tabs()->setSelection(1);
        QVERIFY(showPage(page));
        QLabel *current = find<QLabel>(&page, QStringLiteral("currentInputText"));
        QCOMPARE(current->text(), QStringLiteral("未连接电视"));

        tv.setForegroundApp(QStringLiteral("com.webos.app.hdmi1"));
        QVERIFY(f.pair(tv));
        QTRY_COMPARE(page.inputRows().size(), 3);
        QCOMPARE(current->text(), QStringLiteral("HDMI 1"));
        QVERIFY(find<SymbolView>(&page, QStringLiteral("symbol.app.badge")));
        QCOMPARE(find<QLabel>(&page, QStringLiteral("appsStateTitle"))->text(), QStringLiteral("已连接"));

        InputRow *hdmi1 = page.inputRows().at(0);
        InputRow *hdmi3 = page.inputRows().at(2);
        QVERIFY(hdmi1->isInUse());
        QVERIFY(find<QWidget>(hdmi1, QStringLiteral("inUseBadge"))->isVisible());
        QVERIFY(hdmi1->findChild<SymbolView *>(QStringLiteral("symbol.checkmark.circle.fill")));
        QVERIFY(!find<QWidget>(hdmi1, QStringLiteral("unpluggedText"))->isVisible());
        QVERIFY(!hdmi3->isInUse());
        QVERIFY(find<QWidget>(hdmi3, QStringLiteral("unpluggedText"))->isVisible());

        QTest::mouseClick(hdmi3, Qt::LeftButton);
        QTRY_COMPARE(tv.lastPayload(QStringLiteral("tv/switchInput"))[u"inputId"].toString(), QStringLiteral("HDMI_3"));
        tv.setForegroundApp(QStringLiteral("com.webos.app.hdmi3"));
        QTRY_VERIFY(hdmi3->isInUse());
        QVERIFY(!hdmi1->isInUse());

        // Standby while connected: the state reads "待机".
        tv.setPowerState(QStringLiteral("Active Standby"));
        QTRY_COMPARE(find<QLabel>(&page, QStringLiteral("appsStateTitle"))->text(), QStringLiteral("待机"));
    }

    void iconsLoadOnceAndShowPlaceholdersFirst()
    {
        GuiFixture f;
        TestTV tv(f.options(2));
        QVERIFY(f.pair(tv));
        tv.clearRecord();
        AppsPage page(f.ctx, ViewLayout::window);
        QVERIFY(showPage(page));
        QVERIFY(!page.grid()->shownCards().first()->hasIcon());  // placeholder until it arrives
        QTRY_VERIFY(std::all_of(page.grid()->shownCards().cbegin(), page.grid()->shownCards().cend(),
                                [](AppCard *card) { return card->hasIcon(); }));
        QCOMPARE(iconDownloads(tv), 5);

        // Filtering, tab switches and a reloaded list fetch nothing again.
        QTest::keyClicks(page.searchField(), QStringLiteral("net"));
        page.searchField()->clear();
        page.tabs()->setSelection(1);
        page.tabs()->setSelection(0);
        page.hide();
        QVERIFY(showPage(page));
        QTRY_VERIFY(page.loader()->runs() >= 2);
        QTest::qWait(200);
        QCOMPARE(iconDownloads(tv), 5);
    }

    void findFocusesSearchButShowingDoesNot()
    {
        GuiFixture f;
        QStackedWidget stack;
        auto *first = new QLineEdit(&stack);
        auto *page = new AppsPage(f.ctx, ViewLayout::window);
        stack.addWidget(first);
        stack.addWidget(page);
        stack.show();
        QApplication::setActiveWindow(&stack);
        first->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(&stack));
        stack.setCurrentWidget(page);
        QVERIFY(!page->searchField()->hasFocus());
        QVERIFY(!qobject_cast<QLineEdit *>(QApplication::focusWidget()));
        page->focusSearch();
        QVERIFY(page->searchField()->hasFocus());
    }
};

QTEST_MAIN(TestAppsPage)
#include "test_apps_page.moc"
