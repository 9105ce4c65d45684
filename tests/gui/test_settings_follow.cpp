// The settings page's section for following the computer's sleep: the two switches store their
// settings and act at once, and are disabled with the reason where logind does not answer.

#include "gui/settingsfixture.h"

#include "platform/fakesleepmonitor.h"
#include "platform/followcomputer.h"
#include "ui/pages/settings/settingspage.h"

#include <QCheckBox>
#include <QLabel>

namespace {

void click(QCheckBox *box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
}

} // namespace

class TestSettingsFollow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void switchesStoreAndActAtOnce();
    void withoutLogindBothAreDisabled();
};

void TestSettingsFollow::switchesStoreAndActAtOnce()
{
    SettingsFixture f;
    FakeSleepMonitor monitor;
    FollowComputer follow(f.session, &monitor, Settings(f.settingsFile));
    f.ctx.followComputer = &follow;
    SettingsPage page(f.ctx);
    page.show();
    auto *off = find<QCheckBox>(&page, "followComputerOffSwitch");
    auto *on = find<QCheckBox>(&page, "followComputerOnSwitch");
    auto *note = find<QLabel>(&page, "followComputerUnavailable");
    QVERIFY(!off->isChecked() && !on->isChecked());
    QVERIFY(off->isEnabled());
    QVERIFY(!note->isVisible());
    QVERIFY(!monitor.holdsLock());
    // Waking only ever concerns a TV turned off here.
    QVERIFY(!on->isEnabled());

    click(off);
    QVERIFY(Settings(f.settingsFile).followComputerOff());
    QVERIFY(monitor.holdsLock());
    QVERIFY(on->isEnabled());
    click(on);
    QVERIFY(Settings(f.settingsFile).followComputerOn());

    click(off);
    QVERIFY(!Settings(f.settingsFile).followComputerOff());
    QVERIFY(!monitor.holdsLock());
    QVERIFY(!on->isEnabled());
    QVERIFY(on->isChecked());
    f.ctx.followComputer = nullptr;
}

void TestSettingsFollow::withoutLogindBothAreDisabled()
{
    SettingsFixture f;
    Settings(f.settingsFile).setFollowComputerOff(true);
    FakeSleepMonitor monitor(false);
    FollowComputer follow(f.session, &monitor, Settings(f.settingsFile));
    f.ctx.followComputer = &follow;
    SettingsPage page(f.ctx);
    page.show();
    auto *off = find<QCheckBox>(&page, "followComputerOffSwitch");
    auto *on = find<QCheckBox>(&page, "followComputerOnSwitch");
    auto *note = find<QLabel>(&page, "followComputerUnavailable");
    QVERIFY(!off->isEnabled() && !on->isEnabled());
    QVERIFY(note->isVisible());
    QCOMPARE(note->text(), QStringLiteral("未在系统总线上找到 systemd-logind，无法得知电脑何时休眠或关机。"));
    QVERIFY(!monitor.holdsLock());

    // logind comes up later: the switches come alive and the stored choice takes its lock.
    monitor.setAvailable(true);
    QVERIFY(off->isEnabled() && off->isChecked());
    QVERIFY(!note->isVisible());
    QVERIFY(monitor.holdsLock());
    f.ctx.followComputer = nullptr;
}

QTEST_MAIN(TestSettingsFollow)
#include "test_settings_follow.moc"
