#include "platform/loginitem.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Reads an Exec line back the way a desktop does: the string escapes first, then the quoting.
QStringList execArguments(QString exec)
{
    QString unescaped;
    for (int i = 0; i < exec.size(); ++i) {
        if (exec[i] == QLatin1Char('\\') && i + 1 < exec.size()) {
            const QChar next = exec[++i];
            unescaped += next == QLatin1Char('s') ? QLatin1Char(' ') : next;
        } else {
            unescaped += exec[i];
        }
    }
    QStringList arguments;
    QString current;
    bool quoted = false;
    bool any = false;
    for (int i = 0; i < unescaped.size(); ++i) {
        const QChar c = unescaped[i];
        if (quoted && c == QLatin1Char('\\') && i + 1 < unescaped.size()) {
            current += unescaped[++i];
        } else if (c == QLatin1Char('"')) {
            quoted = !quoted;
            any = true;
        } else if (c == QLatin1Char('%') && i + 1 < unescaped.size() && unescaped[i + 1] == QLatin1Char('%')) {
            current += c;
            ++i;
        } else if (c == QLatin1Char(' ') && !quoted) {
            if (any || !current.isEmpty())
                arguments << current;
            current.clear();
            any = false;
        } else {
            current += c;
        }
    }
    if (any || !current.isEmpty())
        arguments << current;
    return arguments;
}

QString execLine(const QByteArray &entry)
{
    for (const QByteArray &line : entry.split('\n')) {
        if (line.startsWith("Exec="))
            return QString::fromUtf8(line.mid(5));
    }
    return QString();
}

} // namespace

class TestLoginItem : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commandStartsTheProgramInTheBackground_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("plain") << QStringLiteral("/usr/bin/veltrix");
        QTest::newRow("spaces") << QStringLiteral("/home/a b/My Apps/veltrix");
        QTest::newRow("shell characters") << QStringLiteral("/opt/$HOME/`x`/\"q\"/it's;&|*?#()<>~/veltrix");
        QTest::newRow("backslash and percent") << QStringLiteral("/opt/a\\b/100%/veltrix");
        QTest::newRow("non-ASCII") << QStringLiteral("/home/用户/veltrix");
    }

    void commandStartsTheProgramInTheBackground()
    {
        QFETCH(QString, program);
        const QString exec = execLine(XdgAutostartEntry::entryText(program));
        QCOMPARE(execArguments(exec), (QStringList{program, QStringLiteral("--background")}));
    }

    void followsTheConfigurationFolder_data()
    {
        QTest::addColumn<QByteArray>("configHome");
        QTest::addColumn<bool>("usesIt");
        QTest::newRow("absolute") << QByteArray("/tmp/veltrix-config") << true;
        QTest::newRow("trailing slash") << QByteArray("/tmp/veltrix-config/") << true;
        QTest::newRow("relative is ignored") << QByteArray("config") << false;
        QTest::newRow("empty is ignored") << QByteArray() << false;
    }

    void followsTheConfigurationFolder()
    {
        QFETCH(QByteArray, configHome);
        QFETCH(bool, usesIt);
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        const auto restore = qScopeGuard([&saved] { qputenv("XDG_CONFIG_HOME", saved); });
        qputenv("XDG_CONFIG_HOME", configHome);
        const QString path = XdgAutostartEntry(QStringLiteral("veltrix")).filePath();
        const QString expected = usesIt ? QStringLiteral("/tmp/veltrix-config/autostart/veltrix.desktop")
                                        : QDir::homePath() + QStringLiteral("/.config/autostart/veltrix.desktop");
        QCOMPARE(path, expected);
    }

    void switchingWritesAndRemovesTheEntry()
    {
        QTemporaryDir home;
        XdgAutostartEntry entry(QStringLiteral("/usr/bin/veltrix"), home.path());
        QCOMPARE(entry.filePath(), home.filePath(QStringLiteral("autostart/veltrix.desktop")));
        QVERIFY(!entry.isEnabled());

        // The autostart folder does not exist yet on a fresh account.
        QVERIFY2(entry.setEnabled(true), qPrintable(entry.errorString()));
        QVERIFY(entry.isEnabled());
        QFile written(entry.filePath());
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), XdgAutostartEntry::entryText(QStringLiteral("/usr/bin/veltrix")));
        written.close();
        // The desktop's own checker accepts it (scripts/setup --test installs it).
        const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        if (!validator.isEmpty()) {
            QProcess check;
            check.start(validator, {entry.filePath()});
            QVERIFY(check.waitForFinished(30000));
            QVERIFY2(check.exitCode() == 0 && check.readAll().isEmpty(), qPrintable(entry.filePath()));
        }

        QVERIFY(entry.setEnabled(false));
        QVERIFY(!QFile::exists(entry.filePath()));
        QVERIFY(!entry.isEnabled());
        // Switching off what is already off is no failure.
        QVERIFY(entry.setEnabled(false));
    }

    void readsTheStateFromTheFile_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("ours") << XdgAutostartEntry::entryText(QStringLiteral("veltrix")) << true;
        QTest::newRow("hidden by the desktop") << QByteArray("[Desktop Entry]\nExec=veltrix --background\nHidden=true\n") << false;
        QTest::newRow("switched off in GNOME")
            << QByteArray("[Desktop Entry]\nExec=veltrix\nX-GNOME-Autostart-enabled=false\n") << false;
    }

    void readsTheStateFromTheFile()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, enabled);
        QTemporaryDir home;
        XdgAutostartEntry entry(QStringLiteral("veltrix"), home.path());
        QVERIFY(QDir().mkpath(home.filePath(QStringLiteral("autostart"))));
        QFile file(entry.filePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
        file.close();
        QCOMPARE(entry.isEnabled(), enabled);
        // Removed by hand: off.
        QVERIFY(QFile::remove(entry.filePath()));
        QVERIFY(!entry.isEnabled());
    }

    void failureLeavesTheStateAndSaysWhy()
    {
        // A file where the autostart folder should be: not writable even for root.
        QTemporaryDir home;
        QFile blocker(home.filePath(QStringLiteral("autostart")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        XdgAutostartEntry entry(QStringLiteral("veltrix"), home.path());
        QVERIFY(!entry.setEnabled(true));
        QVERIFY2(entry.errorString().contains(home.filePath(QStringLiteral("autostart"))), qPrintable(entry.errorString()));
        QVERIFY(!entry.isEnabled());
        QVERIFY(QFileInfo(blocker.fileName()).isFile());
    }
};

QTEST_GUILESS_MAIN(TestLoginItem)
#include "test_loginitem.moc"
