// The settings page's widgets against the real session, store and MCP server: the fields and
// buttons of the TV section, the appearance choice, the MCP switches and copy buttons, the log
// row, and the page's width at the smallest window.

#include "gui/settingsfixture.h"

#include "mcp/mcpclientconfig.h"
#include "ui/page.h"
#include "ui/pages/settings/settingspage.h"
#include "ui/theme/theme.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QRegularExpression>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTcpServer>

namespace {

// Types into a field the way a user does: select all, then the keys.
void retype(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

} // namespace

class TestSettingsPage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void saveAndWakeFromTheFields();
    void noTVOffersNothing();
    void deleteFromThePage();
    void mcpSwitchAndStatus();
    void screenshotSwitchReachesTheServer();
    void copyButtonsMoveTheMark();
    void accessTokenSwitch();
    void appearanceAppliesAtOnce();
    void revealButton();
    void fitsTheSmallestWindowWidth();
};

// The fields save on the button and on Return; the wake button needs a saved MAC.
void TestSettingsPage::saveAndWakeFromTheFields()
{
    SettingsFixture f;
    const TVDevice tv = f.addSelected(QStringLiteral("192.168.1.20"));
    SettingsPage page(f.ctx);
    page.show();
    auto *name = find<QLineEdit>(&page, "tvNameField");
    auto *mac = find<QLineEdit>(&page, "tvMacField");
    auto *save = find<QPushButton>(&page, "saveTVButton");
    auto *wake = find<QPushButton>(&page, "wakeTVButton");
    QCOMPARE(name->text(), QStringLiteral("Living Room"));
    QVERIFY(!save->isEnabled());
    QVERIFY(!wake->isEnabled());

    retype(name, QStringLiteral("  Bedroom  "));
    retype(mac, QStringLiteral("A8-23-FE-01-02-03"));
    QVERIFY(save->isEnabled());
    QVERIFY(!wake->isEnabled());  // not before it is saved
    QTest::mouseClick(save, Qt::LeftButton);

    QCOMPARE(f.store->device(tv.id)->name, QStringLiteral("Bedroom"));
    QCOMPARE(f.store->device(tv.id)->mac, QStringLiteral("a8:23:fe:01:02:03"));
    QCOMPARE(name->text(), QStringLiteral("Bedroom"));
    QCOMPARE(mac->text(), QStringLiteral("a8:23:fe:01:02:03"));
    QVERIFY(!save->isEnabled());
    QVERIFY(wake->isEnabled());
    QTest::mouseClick(wake, Qt::LeftButton);
    QVERIFY(f.session->state().is(ConnectionState::Kind::waking));
    f.session->disconnect();  // ends the wake-up at its next look

    // Return in a field saves too; unreadable MAC text is refused beside the field and the
    // stored address stays. An empty field removes it.
    auto *macError = find<QLabel>(&page, "tvMacError");
    QVERIFY(!macError->isVisible());
    retype(mac, QStringLiteral("aa:bb"));
    QTest::keyClick(mac, Qt::Key_Return);
    QCOMPARE(f.store->device(tv.id)->mac, QStringLiteral("a8:23:fe:01:02:03"));
    QCOMPARE(mac->text(), QStringLiteral("aa:bb"));
    QVERIFY(macError->isVisible());
    QVERIFY(macError->text().contains(QStringLiteral("MAC")));
    retype(mac, QString());
    QVERIFY(!macError->isVisible());
    QTest::keyClick(mac, Qt::Key_Return);
    QCOMPARE(f.store->device(tv.id)->mac, std::nullopt);
    QCOMPARE(mac->text(), QString());
    QVERIFY(!wake->isEnabled());
}

void TestSettingsPage::noTVOffersNothing()
{
    SettingsFixture f;
    SettingsPage page(f.ctx);
    page.show();
    auto *empty = find<QWidget>(&page, "settingsNoTV");
    auto *form = find<QWidget>(&page, "settingsTVForm");
    QVERIFY(empty->isVisible());
    QVERIFY(!form->isVisible());
    QVERIFY(empty->findChild<QPushButton *>() == nullptr);
    for (const char *name : {"saveTVButton", "wakeTVButton", "deleteTVButton", "tvNameField", "tvMacField"}) {
        auto *widget = page.findChild<QWidget *>(QString::fromLatin1(name));
        QVERIFY(widget);
        QVERIFY2(!widget->isVisible(), name);
    }
    QVERIFY(empty->findChild<QLabel *>() != nullptr);

    // Selecting a TV brings the form.
    f.addSelected(QStringLiteral("192.168.1.20"));
    QVERIFY(form->isVisible());
    QVERIFY(!empty->isVisible());
}

void TestSettingsPage::deleteFromThePage()
{
    SettingsFixture f;
    const TVDevice other = f.store->upsert(QStringLiteral("192.168.1.21"), std::nullopt, QStringLiteral("Office"));
    auto tv = f.pairedTV(2);
    SettingsPage page(f.ctx);
    page.show();
    auto *remove = find<QPushButton>(&page, "deleteTVButton");
    auto *name = find<QLineEdit>(&page, "tvNameField");

    // The connected TV is disconnected first, then removed; the page shows the TV the store
    // selected instead.
    QTest::mouseClick(remove, Qt::LeftButton);
    QCOMPARE(f.session->state(), ConnectionState::offline());
    QVERIFY(!f.session->client());
    QTRY_COMPARE(tv->openControlConnections(), 0);
    QCOMPARE(f.store->devices().size(), 1);
    QCOMPARE(f.store->selectedID(), other.id);
    QCOMPARE(name->text(), QStringLiteral("Office"));

    QTest::mouseClick(remove, Qt::LeftButton);
    QVERIFY(f.store->devices().isEmpty());
    auto *empty = find<QWidget>(&page, "settingsNoTV");
    QVERIFY(empty->isVisible());
}

void TestSettingsPage::mcpSwitchAndStatus()
{
    SettingsFixture f;
    QVERIFY(f.mcp->start());
    SettingsPage page(f.ctx);
    page.show();
    auto *enable = find<QCheckBox>(&page, "mcpSwitch");
    auto *status = find<QLabel>(&page, "mcpStatus");
    auto *address = find<QLabel>(&page, "mcpAddress");
    auto *error = find<QLabel>(&page, "mcpLastError");
    const QString url = QStringLiteral("http://127.0.0.1:%1/mcp").arg(Settings(f.settingsFile).mcpPort());
    QVERIFY(enable->isChecked());
    QCOMPARE(status->text(), QStringLiteral("运行中"));
    QCOMPARE(address->text(), url);
    QVERIFY(!error->isVisible());

    QTest::mouseClick(enable, Qt::LeftButton, {}, QPoint(8, enable->height() / 2));
    QVERIFY(!f.mcp->isRunning());
    QCOMPARE(status->text(), QStringLiteral("已停止"));
    QVERIFY(!Settings(f.settingsFile).mcpEnabled());
    QCOMPARE(address->text(), url);
    // What a restart reads: the page built afresh shows the switch off.
    SettingsPage restarted(f.ctx);
    QVERIFY(!restarted.findChild<QCheckBox *>(QStringLiteral("mcpSwitch"))->isChecked());

    // The port taken by someone else: switching on shows why the server did not start.
    QTcpServer squatter;
    QVERIFY(squatter.listen(QHostAddress::LocalHost, quint16(Settings(f.settingsFile).mcpPort())));
    QTest::mouseClick(enable, Qt::LeftButton, {}, QPoint(8, enable->height() / 2));
    QVERIFY(Settings(f.settingsFile).mcpEnabled());
    QCOMPARE(status->text(), QStringLiteral("已停止"));
    QVERIFY(error->isVisible());
    QCOMPARE(error->text(), f.mcp->lastError());
}

// What the server lists and refuses is its own suite's business: the switches reach it.
void TestSettingsPage::screenshotSwitchReachesTheServer()
{
    SettingsFixture f;
    SettingsPage page(f.ctx);
    page.show();
    auto *screenshots = find<QCheckBox>(&page, "mcpScreenshotsSwitch");
    QVERIFY(find<QLabel>(&page, "mcpScreenshotsNote")->isVisible());
    QVERIFY(!screenshots->isChecked());

    QTest::mouseClick(screenshots, Qt::LeftButton, {}, QPoint(8, screenshots->height() / 2));
    QVERIFY(Settings(f.settingsFile).mcpScreenshots());
    QVERIFY(f.mcp->screenshotsAllowed());
    SettingsPage restarted(f.ctx);
    QVERIFY(restarted.findChild<QCheckBox *>(QStringLiteral("mcpScreenshotsSwitch"))->isChecked());

    QTest::mouseClick(screenshots, Qt::LeftButton, {}, QPoint(8, screenshots->height() / 2));
    QVERIFY(!Settings(f.settingsFile).mcpScreenshots());
    QVERIFY(!f.mcp->screenshotsAllowed());
}

// Each copy button marks itself and clears the other's mark.
void TestSettingsPage::copyButtonsMoveTheMark()
{
    SettingsFixture f;
    SettingsPage page(f.ctx);
    page.show();
    auto *http = find<QPushButton>(&page, "copyHttpConfigButton");
    auto *stdio = find<QPushButton>(&page, "copyStdioConfigButton");
    const QString httpText = http->text();
    const QString stdioText = stdio->text();
    const QString url = QStringLiteral("http://127.0.0.1:%1/mcp").arg(Settings(f.settingsFile).mcpPort());

    QTest::mouseClick(http, Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), MCPClientConfig::http(url));
    QCOMPARE(http->text(), QStringLiteral("已复制"));
    QCOMPARE(stdio->text(), stdioText);

    QTest::mouseClick(stdio, Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), MCPClientConfig::stdio(QCoreApplication::applicationFilePath()));
    QCOMPARE(http->text(), httpText);
    QCOMPARE(stdio->text(), QStringLiteral("已复制"));
}

void TestSettingsPage::accessTokenSwitch()
{
    SettingsFixture f;
    QVERIFY(f.mcp->start());
    SettingsPage page(f.ctx);
    page.show();
    auto *required = find<QCheckBox>(&page, "mcpTokenSwitch");
    auto *panel = find<QWidget>(&page, "mcpTokenPanel");
    auto *copyToken = find<QPushButton>(&page, "copyTokenButton");
    QVERIFY(!required->isChecked());
    QVERIFY(!panel->isVisible());

    QTest::mouseClick(required, Qt::LeftButton, {}, QPoint(8, required->height() / 2));
    const QString token = Settings(f.settingsFile).mcpToken();
    QVERIFY2(QRegularExpression(QStringLiteral("^[0-9a-f]{64}$")).match(token).hasMatch(), qPrintable(token));
    QVERIFY(panel->isVisible());
    QCOMPARE(find<QLabel>(&page, "mcpToken")->text(), token);
    QCOMPARE(f.mcp->accessToken(), token);  // in force at once, without a restart

    QTest::mouseClick(copyToken, Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), token);
    QCOMPARE(copyToken->text(), QStringLiteral("已复制"));
    QTest::mouseClick(find<QPushButton>(&page, "copyHttpConfigButton"), Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(),
             MCPClientConfig::http(QStringLiteral("http://127.0.0.1:%1/mcp").arg(f.mcp->port()), token));

    // Shown once: a page built afresh keeps the switch on but shows no token.
    SettingsPage again(f.ctx);
    again.show();
    QVERIFY(again.findChild<QCheckBox *>(QStringLiteral("mcpTokenSwitch"))->isChecked());
    QVERIFY(!again.findChild<QWidget *>(QStringLiteral("mcpTokenPanel"))->isVisible());

    // Off: forgotten in the file and by the server; a new switch-on makes a different token.
    QTest::mouseClick(required, Qt::LeftButton, {}, QPoint(8, required->height() / 2));
    QCOMPARE(Settings(f.settingsFile).mcpToken(), QString());
    QCOMPARE(f.mcp->accessToken(), QString());
    QVERIFY(!panel->isVisible());
    QTest::mouseClick(required, Qt::LeftButton, {}, QPoint(8, required->height() / 2));
    QVERIFY(!Settings(f.settingsFile).mcpToken().isEmpty());
    QVERIFY(Settings(f.settingsFile).mcpToken() != token);
}

void TestSettingsPage::appearanceAppliesAtOnce()
{
    SettingsFixture f;
    SettingsPage page(f.ctx);
    page.show();
    auto *system = find<QRadioButton>(&page, "appearanceSystem");
    auto *light = find<QRadioButton>(&page, "appearanceLight");
    auto *dark = find<QRadioButton>(&page, "appearanceDark");
    QVERIFY(system->isChecked());

    QTest::mouseClick(dark, Qt::LeftButton, {}, QPoint(8, dark->height() / 2));
    QCOMPARE(f.ctx.theme->preference(), AppearancePreference::dark);
    QVERIFY(f.ctx.theme->isDark());
    QTRY_VERIFY(Theme::isDarkPalette(page.palette()));
    QCOMPARE(Settings(f.settingsFile).appearance(), AppearancePreference::dark);

    QTest::mouseClick(light, Qt::LeftButton, {}, QPoint(8, light->height() / 2));
    QVERIFY(!f.ctx.theme->isDark());
    QVERIFY(light->isChecked() && !dark->isChecked());
    QCOMPARE(Settings(f.settingsFile).appearance(), AppearancePreference::light);
}

void TestSettingsPage::revealButton()
{
    SettingsFixture f;
    SettingsPage page(f.ctx);
    page.show();
    auto *reveal = find<QPushButton>(&page, "revealLogButton");
    auto *path = find<QLabel>(&page, "logPath");
    QCOMPARE(path->text(), QStringLiteral("日志：") + f.env.logFile());
    auto *rotated = find<QLabel>(&page, "rotatedLogPath");
    QCOMPARE(rotated->text(), QStringLiteral("超过 5 MiB 后移至：") + f.env.path(QStringLiteral("app.log.1")));
    QTest::mouseClick(reveal, Qt::LeftButton);
    QCOMPARE(f.revealer.revealed, QStringList{f.env.logFile()});
}

// At the smallest window the page may scroll down, never sideways: no column is cut off.
// Pictures of it in both appearances come from the language pages' suite.
void TestSettingsPage::fitsTheSmallestWindowWidth()
{
    SettingsFixture f;
    auto tv = f.pairedTV(3);
    QTRY_VERIFY(f.store->selectedDevice() && f.store->selectedDevice()->mac);
    QVERIFY(f.mcp->start());
    auto window = f.makeWindow();
    window->resize(MainWindow::minimumWindowSize);
    window->setPage(Page::settings);
    auto *scroll = find<QScrollArea>(window.get(), "settingsScroll");
    QTRY_VERIFY(scroll->isVisible() && window->size() == MainWindow::minimumWindowSize);
    QCoreApplication::processEvents();  // the resized layout is applied through posted events
    QCOMPARE(scroll->horizontalScrollBar()->maximum(), 0);
}

QTEST_MAIN(TestSettingsPage)
#include "test_settings_page.moc"
