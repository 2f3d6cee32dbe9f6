#include "platform/translations.h"

#include "platform/data_folder.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>

#include <cstdio>

namespace platform {

namespace {

QLocale localeOf(Language language)
{
    return QLocale(language == Language::English ? QLocale::English : QLocale::Japanese);
}

} // namespace

std::optional<Language> languageNamed(const QString& code)
{
    if (code == QLatin1String("ja"))
        return Language::Japanese;
    if (code == QLatin1String("en"))
        return Language::English;
    return std::nullopt;
}

Language languageOf(const QLocale& locale)
{
    // uiLanguages() also holds the list a desktop keeps in LANGUAGE, most wanted first.
    for (const QString& name : locale.uiLanguages()) {
        const QLocale::Language wanted = QLocale(name).language();
        if (wanted == QLocale::Japanese)
            return Language::Japanese;
        if (wanted == QLocale::English)
            return Language::English;
    }
    return Language::Japanese;
}

QString translationsFolder()
{
    // A build writes them beside the program even when it made no Library/ there.
    const QString programDir = QCoreApplication::applicationDirPath();
    const QString beside = programDir + QStringLiteral("/translations");
    if (QFileInfo(beside).isDir())
        return beside;
    return dataFolder(programDir) + QStringLiteral("/translations");
}

Translations::Translations(Language language, const QString& folder) : language_(language)
{
    if (language_ == Language::English) {
        if (game_.load(QStringLiteral("rinkfall_en"), folder)) {
            QCoreApplication::installTranslator(&game_);
        } else {
            std::fprintf(stderr, "rinkfall: no English texts in %s; the game stays in Japanese\n",
                         qPrintable(folder));
            language_ = Language::Japanese;
        }
    }
    // Without Qt's translations installed its standard buttons simply stay in English.
    if (qt_.load(localeOf(language_), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qt_);
}

Translations::~Translations()
{
    QCoreApplication::removeTranslator(&qt_);
    QCoreApplication::removeTranslator(&game_);
}

} // namespace platform
