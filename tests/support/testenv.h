#pragma once

// A test's own temporary folder with its settings file and log. While it lives the log goes
// there and VELTRIX_SETTINGS_FILE names its settings file (or is unset, for tests of the
// user's own file), so parallel tests never share state.
//
//   TestEnv env;                          // in the fixture, before anything logs
//   DeviceStore store(env.settingsFile());
//   QVERIFY(env.logLines().contains(u"连接成功"_s));

#include <QStringList>
#include <QTemporaryDir>

class TestEnv {
public:
    enum class SettingsVariable { set, unset };

    explicit TestEnv(SettingsVariable variable = SettingsVariable::set);
    ~TestEnv();
    TestEnv(const TestEnv &) = delete;
    TestEnv &operator=(const TestEnv &) = delete;

    QString dir() const { return m_dir.path(); }
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString settingsFile() const { return path(QStringLiteral("Veltrix.conf")); }
    QString logFile() const { return path(QStringLiteral("app.log")); }

    // The log's lines so far without their "HH:mm:ss.zzz " time stamps.
    QStringList logLines() const;
    // How many of them begin with `prefix`.
    int logCount(const QString &prefix) const;

private:
    QTemporaryDir m_dir;
};

// A loopback TCP port nothing listens on right now: the MCP port of a test's settings.
quint16 freePort();
