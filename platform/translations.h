#pragma once

#include <QLocale>
#include <QString>
#include <QTranslator>

#include <optional>

namespace platform {

// The languages the game speaks. Japanese is the language its texts are written in; every other
// language comes from a translation file.
enum class Language { Japanese, English };

// "ja" or "en", as --lang takes them; nothing for any other word.
std::optional<Language> languageNamed(const QString& code);

// The language a locale asks for: the first of its preferred languages that the game speaks,
// Japanese when it names none of them.
Language languageOf(const QLocale& locale);

// Where the translation files are: translations/ in the game's data folder (beside the program in
// a build).
QString translationsFolder();

// Installs the texts of one language into the application for as long as it exists: the game's
// own (none for Japanese) and Qt's (standard buttons and the like). Without the game's file for
// the language the game keeps to Japanese, and says so on standard error.
class Translations {
public:
    explicit Translations(Language language, const QString& folder = translationsFolder());
    ~Translations();
    Translations(const Translations&) = delete;
    Translations& operator=(const Translations&) = delete;

    // The language the texts are in: the one asked for, or Japanese when its file was missing.
    Language language() const { return language_; }

private:
    Language language_;
    QTranslator game_;
    QTranslator qt_;
};

} // namespace platform
