#include "app/language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QTranslator>

namespace veltrix {

namespace {

// "zh_CN.UTF-8@latn" -> "zh_CN"
QString bareLocale(const QString &value)
{
    QString name = value.trimmed();
    const qsizetype cut = name.indexOf(QRegularExpression(QStringLiteral("[.@]")));
    return cut < 0 ? name : name.left(cut);
}

bool isCLocale(const QString &name)
{
    return name.isEmpty() || name == QLatin1String("C") || name == QLatin1String("POSIX");
}

} // namespace

QStringList uiLanguages(const Environment &environment)
{
    QString locale;
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = bareLocale(environment(name));
        if (!locale.isEmpty())
            break;
    }
    QStringList languages;
    if (!isCLocale(locale)) {
        const QStringList listed = environment("LANGUAGE").split(QLatin1Char(':'), Qt::SkipEmptyParts);
        for (const QString &entry : listed) {
            if (!bareLocale(entry).isEmpty())
                languages << bareLocale(entry);
        }
    }
    languages << (locale.isEmpty() ? QStringLiteral("C") : locale);
    return languages;
}

Language chooseLanguage(const QStringList &languages)
{
    if (languages.isEmpty())
        return Language::english;
    const QString first = languages.constFirst();
    const bool chinese = first == QLatin1String("zh") || first.startsWith(QLatin1String("zh_"))
        || first.startsWith(QLatin1String("zh-"));
    return chinese ? Language::chinese : Language::english;
}

std::unique_ptr<QTranslator> translatorFor(Language language)
{
    if (language == Language::chinese)
        return nullptr;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral(":/i18n/veltrix_en.qm")))
        return nullptr;
    return translator;
}

Language installLanguage()
{
    const Language language
        = chooseLanguage(uiLanguages([](const char *name) { return qEnvironmentVariable(name); }));
    QCoreApplication *app = QCoreApplication::instance();
    if (std::unique_ptr<QTranslator> translator = translatorFor(language)) {
        translator->setParent(app);
        QCoreApplication::installTranslator(translator.release());
        return language;
    }
    // Qt's own texts (the usage text's headings, context menus) in Chinese too, where Qt's
    // translations are installed.
    auto qtTexts = std::make_unique<QTranslator>();
    if (qtTexts->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        qtTexts->setParent(app);
        QCoreApplication::installTranslator(qtTexts.release());
    }
    return language;
}

} // namespace veltrix
