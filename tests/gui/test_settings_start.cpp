// "登录时启动" on the settings page against a real autostart entry in a temporary configuration
// folder: the switch writes and removes the file, and shows what the file says.

#include "gui/settingsfixture.h"

#include "platform/loginitem.h"
#include "ui/pages/settings/settingspage.h"

#include <QCheckBox>
#include <QLabel>

class TestSettingsStart : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void switchWritesAndRemovesTheEntry()
    {
        SettingsFixture f;
        XdgAutostartEntry entry(QStringLiteral("/usr/bin/veltrix"), f.env.path(QStringLiteral("config")));
        f.ctx.loginItem = &entry;
        SettingsPage page(f.ctx);
        page.show();
        auto *toggle = find<QCheckBox>(&page, "startAtLoginSwitch");
        QVERIFY(!toggle->isChecked());

        toggle->click();
        QVERIFY(toggle->isChecked());
        QVERIFY(entry.isEnabled());  // what the file holds is the entry's own suite's business

        // Removed by hand while the page was away: off when it comes back.
        page.hide();
        QVERIFY(QFile::remove(entry.filePath()));
        page.show();
        QVERIFY(!toggle->isChecked());

        toggle->click();
        QVERIFY(QFile::exists(entry.filePath()));
        toggle->click();
        QVERIFY(!toggle->isChecked());
        QVERIFY(!QFile::exists(entry.filePath()));
    }

    void failureShowsWhyAndStaysOff()
    {
        SettingsFixture f;
        const QString config = f.env.path(QStringLiteral("config"));
        QVERIFY(QDir().mkpath(config));
        QFile blocker(config + QStringLiteral("/autostart"));  // a file where the folder belongs
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        XdgAutostartEntry entry(QStringLiteral("/usr/bin/veltrix"), config);
        f.ctx.loginItem = &entry;
        SettingsPage page(f.ctx);
        page.show();
        auto *toggle = find<QCheckBox>(&page, "startAtLoginSwitch");
        auto *error = find<QLabel>(&page, "startAtLoginError");
        QVERIFY(!error->isVisible());
        toggle->click();
        QVERIFY(!toggle->isChecked());
        QVERIFY(error->isVisible());
        QVERIFY2(error->text().contains(config), qPrintable(error->text()));
    }

    void withoutALoginItemTheSwitchIsDisabled()
    {
        SettingsFixture f;
        SettingsPage page(f.ctx);
        auto *toggle = find<QCheckBox>(&page, "startAtLoginSwitch");
        QVERIFY(!toggle->isEnabled());
    }
};

QTEST_MAIN(TestSettingsStart)
#include "test_settings_start.moc"
