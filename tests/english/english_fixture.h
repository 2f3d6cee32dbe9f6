#pragma once

// The game in English beside the game in Japanese: the same screens built once in each language and
// led through the same states, so that each English state can be held against its Japanese twin.

#include "app/start_up.h"
#include "platform/translations.h"
#include "script_server.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace english {

// Kana, kanji, Japanese punctuation or a full-width letter anywhere in `text`. The ideographic
// space alone is not counted: it is a blank, never read.
bool hasJapanese(const QString& text);

// Every text `widget` and its visible children show: titles, labels, buttons, list items, table
// headers, line edits and tooltips.
QStringList shownTexts(QWidget& widget);

// The visible controls of `widget` whose text does not fit: a button or box narrower than its
// size hint, a label whose wrapped text runs past its box (and so shows cut short).
QStringList cutControls(QWidget& widget);

// Dialogs that keep every text they were given to show; input boxes take the answers queued.
class KeepingDialogs : public platform::Dialogs {
public:
    std::deque<std::string> answers;
    void messageBox(const std::string& text, const std::string& caption) override;
    std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                        const std::string& initial) override;
    std::vector<std::string> texts;
};

// The folder the build writes the translations into.
const QString TranslationsFolder = QStringLiteral(RINKFALL_TEST_BIN_DIR "/translations");

// The English translations as the build places them beside the programs.
std::unique_ptr<platform::Translations> installEnglish();

// The online side twice against one scripted service: first in Japanese, then in English.
class BothLanguages : public ::testing::Test {
protected:
    struct Side {
        KeepingDialogs dialogs;
        std::unique_ptr<StartUp> startUp;
    };

    BothLanguages();
    ~BothLanguages() override;

    // Does `act` on the Japanese side and then on the English one.
    void onBoth(const std::function<void(StartUp&)>& act);
    // The English `screen` shows no Japanese and cuts no text the Japanese one shows whole; the
    // English dialogs were given no Japanese either.
    void expectEnglishWhole(const std::function<QWidget&(StartUp&)>& screen, const std::string& state);

    testing_support::ScriptServer service;
    Side japanese;
    std::unique_ptr<platform::Translations> translations;
    Side english;

private:
    void build(Side& side);
};

} // namespace english
