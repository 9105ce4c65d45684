// Apps page rules and loaders, without widgets: search, the inputs tab's short list, the input
// in use, the loading task and icon loading.

#include "ui/pages/apps/appiconloader.h"
#include "ui/pages/apps/appsloader.h"
#include "ui/pages/apps/appsrules.h"
#include "gui/guifixture.h"

#include <QtTest>

using Kind = ConnectionState::Kind;

namespace {

QList<TVApp> tenApps()
{
    const QStringList titles{QStringLiteral("Live TV"), QStringLiteral("YouTube"), QStringLiteral("Netflix"),
                             QStringLiteral("Web Browser"), QStringLiteral("Photo & Video"),
                             QStringLiteral("Music"), QStringLiteral("NETFLIX Kids"), QStringLiteral("Apple TV"),
                             QStringLiteral("爱奇艺"), QStringLiteral("Prime Video")};
    QList<TVApp> apps;
    for (const QString &title : titles)
        apps.append({QStringLiteral("app.") + QString::number(apps.size()), title, std::nullopt});
    return apps;
}

QStringList titles(const QList<TVApp> &apps)
{
    QStringList out;
    for (const TVApp &app : apps)
        out.append(app.title);
    return out;
}

int httpCount(const SimulatedTV &tv, const QString &prefix)
{
    int count = 0;
    for (const SimulatedTV::HttpRequest &request : tv.httpRequests())
        count += request.path.startsWith(prefix) ? 1 : 0;
    return count;
}

}  // namespace

class TestAppsLogic : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void shownApps_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("tab");
        QTest::addColumn<QStringList>("expected");
        const QStringList all = titles(tenApps());
        QTest::newRow("apps tab, no query") << QString() << 0 << all;
        QTest::newRow("inputs tab keeps six") << QString() << 1 << all.mid(0, 6);
        QTest::newRow("lower case finds mixed case")
            << QStringLiteral("net") << 0 << QStringList{QStringLiteral("Netflix"), QStringLiteral("NETFLIX Kids")};
        QTest::newRow("query on inputs tab lists every match")
            << QStringLiteral("e") << 1
            << QStringList{QStringLiteral("Live TV"), QStringLiteral("YouTube"), QStringLiteral("Netflix"),
                           QStringLiteral("Web Browser"), QStringLiteral("Photo & Video"),
                           QStringLiteral("NETFLIX Kids"), QStringLiteral("Apple TV"), QStringLiteral("Prime Video")};
        QTest::newRow("space is searched, not trimmed")
            << QStringLiteral(" ") << 1
            << QStringList{QStringLiteral("Live TV"), QStringLiteral("Web Browser"), QStringLiteral("Photo & Video"),
                           QStringLiteral("NETFLIX Kids"), QStringLiteral("Apple TV"), QStringLiteral("Prime Video")};
        QTest::newRow("chinese") << QStringLiteral("奇艺") << 0 << QStringList{QStringLiteral("爱奇艺")};
        QTest::newRow("no match") << QStringLiteral("zzz") << 0 << QStringList();
    }

    void shownApps()
    {
        QFETCH(QString, query);
        QFETCH(int, tab);
        QFETCH(QStringList, expected);
        QCOMPARE(titles(appsrules::shownApps(tenApps(), query, tab)), expected);
    }

    void inputInUse()
    {
        const QList<ExternalInput> inputs{
            {QStringLiteral("HDMI_1"), QStringLiteral("HDMI 1"), QStringLiteral("hdmi1"), true},
            {QStringLiteral("HDMI_2"), QStringLiteral("HDMI 2"), QStringLiteral("hdmi2"), false},
            {QStringLiteral("HDMI_2b"), QStringLiteral("HDMI 2 again"), QStringLiteral("hdmi2"), false},
            {QStringLiteral("AV"), QStringLiteral("AV"), QString(), false},
        };
        QCOMPARE(appsrules::inputInUse(inputs, QStringLiteral("hdmi2")), 1);  // the first match wins
        QCOMPARE(appsrules::inputInUse(inputs, QStringLiteral("netflix")), -1);
        // An input without an app id is not "in use" while nothing is in the foreground.
        QCOMPARE(appsrules::inputInUse(inputs, QString()), -1);
        QCOMPARE(appsrules::switchTooltip(inputs.at(1)), QStringLiteral("切换到 HDMI 2"));
    }

    void loaderRunsWhileShownAndReady()
    {
        GuiFixture f;
        TestTV tv(f.options(2));
        const QString id = f.addTV(tv);
        AppsLoader loader(f.session);
        const QString inputsUri = QStringLiteral("tv/getExternalInputList");
        const QString appsUri = QStringLiteral("com.webos.applicationManager/listLaunchPoints");

        // Shown while offline: nothing to load.
        loader.setShown(true);
        QCOMPARE(loader.runs(), 0);

        // Becoming ready while shown loads once more on top of the session's own load.
        QVERIFY(f.pair(tv));
        QTRY_COMPARE(tv.requestCount(appsUri), 2);
        QCOMPARE(tv.requestCount(inputsUri), 2);
        QCOMPARE(loader.runs(), 1);

        // Hidden: readiness changes are ignored; shown again: one load.
        loader.setShown(false);
        f.session->disconnect();
        QVERIFY(f.pair(tv));
        QTest::qWait(100);
        QCOMPARE(loader.runs(), 1);
        loader.setShown(true);
        QCOMPARE(loader.runs(), 2);
        QTRY_COMPARE(tv.requestCount(appsUri), 4);
        QTest::qWait(100);
        QCOMPARE(tv.requestCount(inputsUri), 4);
    }

    void loaderStopsWhenNoLongerReady()
    {
        GuiFixture f;
        TestTV tv(f.options(2));
        const QString id = f.addTV(tv);
        QVERIFY(f.pair(tv));
        const QString inputsUri = QStringLiteral("tv/getExternalInputList");
        const QString appsUri = QStringLiteral("com.webos.applicationManager/listLaunchPoints");
        tv.delayReply(inputsUri, 300);
        AppsLoader loader(f.session);
        loader.setShown(true);
        QTRY_COMPARE(tv.requestCount(inputsUri), 2);
        // The TV goes away before the inputs arrive: the app list is not asked for.
        f.session->disconnect();
        QTest::qWait(500);
        QCOMPARE(tv.requestCount(appsUri), 1);
    }

    void iconsLoadOnce()
    {
        GuiFixture f;
        TestTV tv(f.options(2));
        QVERIFY(f.pair(tv));
        const TVApp app = f.session->apps().first();
        QVERIFY(app.icon.has_value());
        AppIconLoader loader(f.session);
        QSignalSpy ready(&loader, &AppIconLoader::iconReady);

        // Three cards ask at once: one download.
        loader.request(*app.icon);
        loader.request(*app.icon);
        loader.request(*app.icon);
        QVERIFY(loader.isLoading(*app.icon));
        QTRY_COMPARE(ready.size(), 1);
        QVERIFY(!loader.cached(*app.icon)->isNull());
        loader.request(*app.icon);
        QTest::qWait(100);
        QCOMPARE(ready.size(), 1);
        QCOMPARE(httpCount(tv, QStringLiteral("/resources/icons/")), 1);

        // A failed download is asked for again later.
        const QUrl missing(QStringLiteral("https://%1:3001/resources/icons/none.png").arg(tv.host()));
        loader.request(missing);
        QTRY_VERIFY(!loader.isLoading(missing));
        QVERIFY(!loader.cached(missing));
        loader.request(missing);
        QVERIFY(loader.isLoading(missing));
        QTRY_VERIFY(!loader.isLoading(missing));
    }
};

QTEST_MAIN(TestAppsLogic)
#include "test_apps_logic.moc"
