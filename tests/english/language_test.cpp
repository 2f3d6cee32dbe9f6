// Which language a run speaks: the locale's choice, and what happens without the English file.

#include "english_fixture.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using platform::Language;

TEST(LanguageChoice, LocalesAndOptionWords)
{
    const std::pair<const char*, Language> locales[] = {
        {"ja_JP", Language::Japanese}, {"en_US", Language::English}, {"en_GB", Language::English},
        {"en_AU", Language::English},  {"fr_FR", Language::Japanese}, {"de_DE", Language::Japanese},
        {"C", Language::Japanese},
    };
    for (const auto& [name, expected] : locales)
        EXPECT_EQ(platform::languageOf(QLocale(QString::fromLatin1(name))), expected) << name;

    EXPECT_EQ(platform::languageNamed(QStringLiteral("ja")), Language::Japanese);
    EXPECT_EQ(platform::languageNamed(QStringLiteral("en")), Language::English);
    for (const char* word : {"", "EN", "english", "fr", "en_US", " en"})
        EXPECT_EQ(platform::languageNamed(QString::fromLatin1(word)), std::nullopt) << '"' << word << '"';
}

TEST(LanguageChoice, EnglishWithoutItsFileStaysJapanese)
{
    QTemporaryDir empty;
    const platform::Translations english(Language::English, empty.path());
    EXPECT_EQ(english.language(), Language::Japanese);
    EXPECT_EQ(QCoreApplication::translate("Login", "試合"), QStringLiteral("試合"));
}

TEST(LanguageChoice, EnglishFileTranslatesUntilItsTranslationsGo)
{
    {
        const platform::Translations english(Language::English, english::TranslationsFolder);
        ASSERT_EQ(english.language(), Language::English);
        EXPECT_EQ(QCoreApplication::translate("Login", "試合"), QStringLiteral("Match"));
        // Qt's own standard buttons follow the game's language.
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
    }
    EXPECT_EQ(QCoreApplication::translate("Login", "試合"), QStringLiteral("試合"));
    const platform::Translations japanese(Language::Japanese);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("キャンセル"));
}
