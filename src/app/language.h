#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QTranslator;

// The program's language. Chinese is the language the texts are written in; English ships as a
// translation and serves everyone whose first language has none.
namespace veltrix {

enum class Language { chinese, english };

// The user's interface languages in order of preference, as the C library reads them: the
// LANGUAGE list first (ignored under the C locale), then the first of LC_ALL, LC_MESSAGES and
// LANG that is set. Each entry without encoding or modifier ("zh_CN", "en", "C").
using Environment = std::function<QString(const char *name)>;
QStringList uiLanguages(const Environment &environment);

// Chinese when the first preference is Chinese; English for English, for languages without a
// translation and for the C locale.
Language chooseLanguage(const QStringList &languages);

// The English texts, built into the program; null when `language` is Chinese or the built-in
// file cannot be read.
std::unique_ptr<QTranslator> translatorFor(Language language);

// Chooses from the process environment and installs the translation into the application;
// the translator lives as long as the application.
Language installLanguage();

} // namespace veltrix
