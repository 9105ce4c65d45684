#include "core/tvmodels.h"
#include "core/tvreplies.h"

#include <QJsonDocument>
#include <QtTest>

// The TV's list entries and the foreground rule, without a TV.
class TestTVReplies : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void input_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("appId");
        QTest::addColumn<bool>("connected");
        QTest::newRow("full") << QByteArray("{\"id\":\"HDMI_1\",\"label\":\"Game\",\"appId\":\"com.webos.app.hdmi1\",\"connected\":true}") << true << "Game" << "com.webos.app.hdmi1" << true;
        QTest::newRow("no label shows the id") << QByteArray("{\"id\":\"HDMI_2\"}") << true << "HDMI_2" << "" << false;
        QTest::newRow("mistyped fields fall back") << QByteArray("{\"id\":\"AV\",\"label\":5,\"appId\":[],\"connected\":\"yes\"}") << true << "AV" << "" << false;
        QTest::newRow("no id is skipped") << QByteArray("{\"label\":\"Game\"}") << false << "" << "" << false;
        QTest::newRow("numeric id is skipped") << QByteArray("{\"id\":1}") << false << "" << "" << false;
    }

    void input()
    {
        QFETCH(QByteArray, json);
        const std::optional<ExternalInput> input = tvreply::input(QJsonDocument::fromJson(json).object());
        QTEST(input.has_value(), "kept");
        if (!input)
            return;
        QTEST(input->label, "label");
        QTEST(input->appId, "appId");
        QTEST(input->connected, "connected");
    }

    void appIcon_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<QString>("icon");  // empty: no icon
        QTest::newRow("large icon wins") << QByteArray("{\"id\":\"a\",\"title\":\"A\",\"largeIcon\":\"http://tv:3000/l.png\",\"icon\":\"http://tv:3000/s.png\"}") << true << "http://tv:3000/l.png";
        QTest::newRow("icon when no large icon") << QByteArray("{\"id\":\"a\",\"title\":\"A\",\"icon\":\"http://tv:3000/s.png\"}") << true << "http://tv:3000/s.png";
        QTest::newRow("large icon not text: no icon") << QByteArray("{\"id\":\"a\",\"title\":\"A\",\"largeIcon\":null,\"icon\":\"http://tv:3000/s.png\"}") << true << "";
        QTest::newRow("no scheme: no icon") << QByteArray("{\"id\":\"a\",\"title\":\"A\",\"icon\":\"/usr/icon.png\"}") << true << "";
        QTest::newRow("invalid url: no icon") << QByteArray("{\"id\":\"a\",\"title\":\"A\",\"icon\":\"http://[::1\"}") << true << "";
        QTest::newRow("no title is skipped") << QByteArray("{\"id\":\"a\",\"icon\":\"http://tv/x.png\"}") << false << "";
    }

    void appIcon()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, icon);
        const std::optional<TVApp> app = tvreply::app(QJsonDocument::fromJson(json).object());
        QTEST(app.has_value(), "kept");
        if (!app)
            return;
        QCOMPARE(app->icon.has_value(), !icon.isEmpty());
        if (app->icon)
            QCOMPARE(app->icon->toString(), icon);
    }

    // The window's title and the agents' status both name the foreground through this rule.
    void foreground_data()
    {
        QTest::addColumn<QString>("foreground");
        QTest::addColumn<QString>("name");  // empty: names nothing
        QTest::newRow("input before app") << "com.webos.app.hdmi1" << "Game";
        QTest::newRow("app") << "netflix" << "Netflix";
        QTest::newRow("unknown") << "com.example.x" << "";
        QTest::newRow("empty id names no input without app id") << "" << "";
    }

    void foreground()
    {
        QFETCH(QString, foreground);
        QFETCH(QString, name);
        const QList<ExternalInput> inputs = {
            {QStringLiteral("HDMI_3"), QStringLiteral("Unknown source"), QString(), false},
            {QStringLiteral("HDMI_1"), QStringLiteral("Game"), QStringLiteral("com.webos.app.hdmi1"), true},
        };
        const QList<TVApp> apps = {
            {QStringLiteral("com.webos.app.hdmi1"), QStringLiteral("HDMI app"), std::nullopt},
            {QStringLiteral("netflix"), QStringLiteral("Netflix"), std::nullopt},
            {QString(), QStringLiteral("Nameless"), std::nullopt},
        };
        QCOMPARE(foregroundName(inputs, apps, foreground).value_or(QString()), name);
    }
};

QTEST_GUILESS_MAIN(TestTVReplies)
#include "test_tvreplies.moc"
