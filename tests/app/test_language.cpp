// The language choice from the environment, the built-in English texts, the English shown for
// the texts the core keeps in Chinese, and a translation for every text of the sources.

#include "app/language.h"
#include "app/launchoptions.h"
#include "log/coretext.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

using veltrix::Language;

class TestLanguage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void choosesFromTheEnvironment_data()
    {
        QTest::addColumn<QString>("language");    // LANGUAGE
        QTest::addColumn<QString>("lcAll");
        QTest::addColumn<QString>("lcMessages");
        QTest::addColumn<QString>("lang");
        QTest::addColumn<bool>("english");
        QTest::newRow("nothing set") << QString() << QString() << QString() << QString() << true;
        QTest::newRow("Chinese LANG") << QString() << QString() << QString() << QStringLiteral("zh_CN.UTF-8") << false;
        QTest::newRow("English LANG") << QString() << QString() << QString() << QStringLiteral("en_US.UTF-8") << true;
        QTest::newRow("untranslated LANG") << QString() << QString() << QString() << QStringLiteral("de_DE.UTF-8") << true;
        QTest::newRow("C") << QString() << QString() << QString() << QStringLiteral("C.UTF-8") << true;
        QTest::newRow("Taiwan reads Chinese") << QString() << QString() << QString() << QStringLiteral("zh_TW.UTF-8") << false;
        QTest::newRow("LC_ALL wins") << QString() << QStringLiteral("en_GB.UTF-8") << QStringLiteral("zh_CN.UTF-8") << QStringLiteral("zh_CN.UTF-8") << true;
        QTest::newRow("LC_MESSAGES before LANG") << QString() << QString() << QStringLiteral("zh_CN.UTF-8") << QStringLiteral("en_US.UTF-8") << false;
        QTest::newRow("LANGUAGE first") << QStringLiteral("zh_CN:en") << QString() << QString() << QStringLiteral("en_US.UTF-8") << false;
        QTest::newRow("LANGUAGE English first") << QStringLiteral("en:zh_CN") << QString() << QString() << QStringLiteral("zh_CN.UTF-8") << true;
        QTest::newRow("LANGUAGE untranslated first") << QStringLiteral("fr:zh_CN") << QString() << QString() << QStringLiteral("zh_CN.UTF-8") << true;
        QTest::newRow("LANGUAGE ignored under C") << QStringLiteral("zh_CN") << QString() << QString() << QStringLiteral("C") << true;
        QTest::newRow("LANGUAGE ignored without locale") << QStringLiteral("zh_CN") << QString() << QString() << QString() << true;
        QTest::newRow("modifier") << QString() << QString() << QString() << QStringLiteral("zh_CN.GB18030@stroke") << false;
    }

    void choosesFromTheEnvironment()
    {
        QFETCH(QString, language);
        QFETCH(QString, lcAll);
        QFETCH(QString, lcMessages);
        QFETCH(QString, lang);
        QFETCH(bool, english);
        const QHash<QByteArray, QString> environment{
            {"LANGUAGE", language}, {"LC_ALL", lcAll}, {"LC_MESSAGES", lcMessages}, {"LANG", lang}};
        const QStringList languages
            = veltrix::uiLanguages([&environment](const char *name) { return environment.value(name); });
        QCOMPARE(veltrix::chooseLanguage(languages) == Language::english, english);
    }

    void englishIsBuiltIn()
    {
        QVERIFY(!veltrix::translatorFor(Language::chinese));
        std::unique_ptr<QTranslator> english = veltrix::translatorFor(Language::english);
        QVERIFY(english);
        QCoreApplication::installTranslator(english.get());
        const auto remove = qScopeGuard([&english] { QCoreApplication::removeTranslator(english.get()); });

        // The terminal follows the same choice.
        QCOMPARE(QCoreApplication::translate("PairFlow", "未保存任何内容。"), QStringLiteral("Nothing was saved."));
        QVERIFY(LaunchOptions::helpText().contains(QLatin1String("Run without any window")));
        QCOMPARE(LaunchOptions::parse({QStringLiteral("veltrix"), QStringLiteral("--pin")}).error,
                 QStringLiteral("--pin only goes with --pair ADDRESS"));

        // Core texts stay Chinese where they are made (agents read them) and read English where shown.
        const QString refused = veltrix::coreText(veltrix::texts::tvRefused, QStringLiteral("Connection refused"));
        QCOMPARE(refused, QStringLiteral("电视拒绝连接 (Connection refused)"));
        QCOMPARE(veltrix::shownText(refused), QStringLiteral("The TV refused the connection (Connection refused)"));
        const QString seconds = veltrix::coreText(veltrix::texts::tvNoAnswerInSeconds, QStringLiteral("8"));
        QCOMPARE(veltrix::shownText(seconds), QStringLiteral("The TV did not answer the connection within 8 s"));
        QCOMPARE(veltrix::shownText(QStringLiteral("未连接电视")), QStringLiteral("No TV connected"));
        // The TV's own words pass unchanged.
        QCOMPARE(veltrix::shownText(QStringLiteral("Invalid PIN")), QStringLiteral("Invalid PIN"));
    }

    // lupdate over the sources into a copy of the shipped file: every text must come out with a
    // finished translation that keeps the source's placeholders.
    void everyTextHasItsTranslation()
    {
        QTemporaryDir dir;
        const QString ts = dir.filePath(QStringLiteral("check.ts"));
        QVERIFY(QFile::copy(QStringLiteral(VELTRIX_TS_FILE), ts));
        QFile::setPermissions(ts, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QProcess lupdate;
        QStringList arguments{QStringLiteral("-I"), QStringLiteral(VELTRIX_SOURCE_DIR),
                              QStringLiteral("@") + QStringLiteral(VELTRIX_TEXT_SOURCES), QStringLiteral("-ts"), ts};
        arguments += QStringLiteral(VELTRIX_LUPDATE_OPTIONS).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        lupdate.start(QStringLiteral(VELTRIX_LUPDATE), arguments);
        QVERIFY(lupdate.waitForFinished(120000));
        QVERIFY2(lupdate.exitCode() == 0, lupdate.readAllStandardError().constData());

        QFile file(ts);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        QStringList problems;
        QString context;
        QString source;
        int messages = 0;
        static const QRegularExpression placeholder(QStringLiteral("%\\d"));
        const auto placeholders = [](const QString &text) {
            QStringList found;
            for (auto it = placeholder.globalMatch(text); it.hasNext();)
                found << it.next().captured();
            found.sort();
            return found;
        };
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement())
                continue;
            if (xml.name() == QLatin1String("name")) {
                context = xml.readElementText();
            } else if (xml.name() == QLatin1String("source")) {
                source = xml.readElementText();
            } else if (xml.name() == QLatin1String("translation")) {
                ++messages;
                const bool unfinished = xml.attributes().value(QLatin1String("type")) == QLatin1String("unfinished");
                const QString translation = xml.readElementText();
                if (unfinished || translation.isEmpty())
                    problems << context + QStringLiteral(": no translation for \"") + source + QLatin1Char('"');
                else if (placeholders(translation) != placeholders(source))
                    problems << context + QStringLiteral(": placeholders differ in \"") + translation + QLatin1Char('"');
            }
        }
        QVERIFY(!xml.hasError());
        QVERIFY(messages > 100);
        QVERIFY2(problems.isEmpty(), qPrintable(QStringLiteral("\n") + problems.join(QLatin1Char('\n'))
                                                + QStringLiteral("\nrun `cmake --build build --target update_translations` "
                                                                 "and translate translations/veltrix_en.ts")));
    }
};

QTEST_GUILESS_MAIN(TestLanguage)
#include "test_language.moc"
