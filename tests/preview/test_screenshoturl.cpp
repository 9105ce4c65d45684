// Which screenshot addresses from the TV are accepted, and the error texts.
#include "protocol/screenshot.h"
#include "protocol/screenshoterror.h"

#include <QTest>

class TestScreenshotUrl : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rules_data();
    void rules();
    void errorTexts();
};

void TestScreenshotUrl::rules_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("accepted");

    const QString tv = QStringLiteral("192.168.1.50");
    auto row = [](const char *name, const char *url, const QString &host, bool accepted) {
        QTest::newRow(name) << QString::fromUtf8(url) << host << accepted;
    };

    row("plain", "https://192.168.1.50:3001/resources/0a1b/capture.jpg", tv, true);
    row("query kept", "https://192.168.1.50:3001/resources/x.jpg?t=17", tv, true);
    row("scheme upper case", "HTTPS://192.168.1.50:3001/resources/x.jpg", tv, true);
    row("host case differs", "https://TV.Local:3001/resources/x.jpg", QStringLiteral("tv.local"), true);
    row("tv host upper case", "https://tv.local:3001/resources/x.jpg", QStringLiteral("TV.LOCAL"), true);
    row("ipv6", "https://[fe80::1]:3001/resources/x.jpg", QStringLiteral("fe80::1"), true);
    row("ipv6 typed in brackets", "https://[fe80::1]:3001/resources/x.jpg", QStringLiteral("[fe80::1]"), true);

    row("empty", "", tv, false);
    row("unparsable", "https://192.168.1.50:3001/resources/a b.jpg", tv, false);
    row("relative", "/resources/x.jpg", tv, false);
    row("http", "http://192.168.1.50:3001/resources/x.jpg", tv, false);
    row("wss", "wss://192.168.1.50:3001/resources/x.jpg", tv, false);
    row("other host", "https://192.168.1.51:3001/resources/x.jpg", tv, false);
    row("host with suffix", "https://192.168.1.50.evil.example:3001/resources/x.jpg", tv, false);
    row("no host", "https:///resources/x.jpg", tv, false);
    row("empty tv host", "https://192.168.1.50:3001/resources/x.jpg", QString(), false);
    row("port 3000", "https://192.168.1.50:3000/resources/x.jpg", tv, false);
    row("no port", "https://192.168.1.50/resources/x.jpg", tv, false);
    row("empty port", "https://192.168.1.50:/resources/x.jpg", tv, false);
    row("port 443", "https://192.168.1.50:443/resources/x.jpg", tv, false);
    row("user", "https://admin@192.168.1.50:3001/resources/x.jpg", tv, false);
    row("user and password", "https://admin:pw@192.168.1.50:3001/resources/x.jpg", tv, false);
    row("empty user info", "https://@192.168.1.50:3001/resources/x.jpg", tv, false);
    row("fragment", "https://192.168.1.50:3001/resources/x.jpg#top", tv, false);
    row("empty fragment", "https://192.168.1.50:3001/resources/x.jpg#", tv, false);
    row("outside resources", "https://192.168.1.50:3001/etc/x.jpg", tv, false);
    row("resources without slash", "https://192.168.1.50:3001/resources", tv, false);
    row("resources prefix only", "https://192.168.1.50:3001/resourcesx/x.jpg", tv, false);
    row("path case differs", "https://192.168.1.50:3001/Resources/x.jpg", tv, false);
    row("root", "https://192.168.1.50:3001", tv, false);
}

void TestScreenshotUrl::rules()
{
    QFETCH(QString, url);
    QFETCH(QString, host);
    QFETCH(bool, accepted);

    const std::optional<QUrl> result = validateScreenshotURL(url, host);
    QCOMPARE(result.has_value(), accepted);
    // The accepted address is what gets fetched: same host, port and path as the TV gave.
    if (result) {
        const QUrl given(url);
        QCOMPARE(result->host(), given.host());
        QCOMPARE(result->port(), 3001);
        QCOMPARE(result->path(), given.path());
        QCOMPARE(result->query(), given.query());
    }
}

void TestScreenshotUrl::errorTexts()
{
    const struct {
        ScreenshotError::Kind kind;
        const char *text;
    } cases[] = {
        {ScreenshotError::Kind::invalidURL, "电视返回了无效的截图地址"},
        {ScreenshotError::Kind::download, "电视截图下载失败"},
        {ScreenshotError::Kind::tooLarge, "电视截图超出大小限制"},
        {ScreenshotError::Kind::decode, "无法解码电视截图"},
    };
    for (const auto &c : cases) {
        const ScreenshotError error(c.kind);
        QCOMPARE(error.description(), QString::fromUtf8(c.text));
        QCOMPARE(QByteArray(error.what()), QByteArray(c.text));
    }
}

QTEST_GUILESS_MAIN(TestScreenshotUrl)
#include "test_screenshoturl.moc"
