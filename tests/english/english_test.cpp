// The game in English: which language a run speaks, the texts the game window draws over the
// sheet, and every screen and dialog of the online side in each of its states. No Japanese may be
// left, and no text may be wider than its place.

#include "app/settings_dialog.h"
#include "game/match/house.h"
#include "game/shot_phases.h"
#include "online_rig.h"
#include "platform/gfx/glyph_cache.h"
#include "platform/translations.h"
#include "tests/support/headless_game.h"

#include <QApplication>
#include <QComboBox>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace testing_support;
using platform::Language;

namespace {

// Kana, kanji (with extension A and the compatibility block), Japanese punctuation or a full-width
// letter, digit or sign anywhere in `text`. The ideographic space alone is a blank, never read.
bool hasJapanese(const QString& text)
{
    static const QRegularExpression japanese(
        QStringLiteral("[\\x{3001}-\\x{30FF}\\x{3400}-\\x{9FFF}\\x{F900}-\\x{FAFF}\\x{FF01}-\\x{FF60}]"));
    return japanese.match(text).hasMatch();
}

// Every text `widget` and its visible children show: titles, tooltips, the texts of labels,
// buttons and line edits, and list items.
QStringList shownTexts(QWidget& widget)
{
    QStringList texts{widget.windowTitle()};
    for (QWidget* child : widget.findChildren<QWidget*>()) {
        if (!child->isVisibleTo(&widget))
            continue;
        texts << child->toolTip() << child->property("text").toString();
        if (auto* combo = qobject_cast<QComboBox*>(child)) {
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
        }
    }
    texts.removeAll(QString());
    return texts;
}

// The visible controls of `widget` whose text does not fit: a button or box narrower than its
// size hint, a label whose wrapped text runs past its box (and so shows cut short).
QStringList cutControls(QWidget& widget)
{
    QStringList cut;
    for (QWidget* child : widget.findChildren<QWidget*>()) {
        if (!child->isVisibleTo(&widget))
            continue;
        bool fits = true;
        if (auto* label = qobject_cast<QLabel*>(child)) {
            const QRect box = label->contentsRect();
            const QRect needed = label->fontMetrics().boundingRect(
                box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, label->text());
            fits = needed.width() <= box.width() && needed.height() <= box.height();
        } else if (auto* button = qobject_cast<QPushButton*>(child)) {
            // Its text against its contents: a narrow button is below the style's least width anyway.
            QStyleOptionButton option;
            option.initFrom(button);
            const QRect inside =
                button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
            fits = button->fontMetrics().horizontalAdvance(button->text()) <= inside.width();
        } else if (qobject_cast<QAbstractButton*>(child) || qobject_cast<QComboBox*>(child)) {
            fits = child->sizeHint().width() <= child->width();
        }
        if (!fits)
            cut << child->objectName() + QStringLiteral(" \"") + child->property("text").toString() + u'"';
    }
    return cut;
}

void expectEnglishWhole(QWidget& screen, const std::string& state)
{
    for (const QString& text : shownTexts(screen))
        EXPECT_FALSE(hasJapanese(text)) << state << ": \"" << text.toStdString() << "\"";
    EXPECT_EQ(cutControls(screen).join(u',').toStdString(), "") << state << ": cut";
}

// The English translations as the build places them beside the programs.
std::unique_ptr<platform::Translations> installEnglish()
{
    auto english = std::make_unique<platform::Translations>(
        Language::English, QStringLiteral(RINKFALL_TEST_BIN_DIR "/translations"));
    EXPECT_EQ(english->language(), Language::English) << "the build's English texts were not found";
    return english;
}

// The locale chooses the first language of its list the game speaks, Japanese when none is; the
// option takes the names ja and en. English speaks only while its file is there and its
// translations are installed; Qt's own standard buttons follow the game's language back.
TEST(LanguageChoice, LocaleOptionAndTheEnglishFile)
{
    EXPECT_EQ(platform::languageOf(QLocale(QStringLiteral("ja_JP"))), Language::Japanese);
    EXPECT_EQ(platform::languageOf(QLocale(QStringLiteral("fr_FR"))), Language::Japanese);
    EXPECT_EQ(platform::languageOf(QLocale(QStringLiteral("en_GB"))), Language::English);
    EXPECT_EQ(platform::languageNamed(QStringLiteral("ja")), Language::Japanese);
    EXPECT_EQ(platform::languageNamed(QStringLiteral("en")), Language::English);

    const auto match = [] { return QCoreApplication::translate("Login", "試合"); };
    {
        QTemporaryDir empty;
        const platform::Translations missing(Language::English, empty.path());
        EXPECT_EQ(missing.language(), Language::Japanese);
        EXPECT_EQ(match(), QStringLiteral("試合"));
        const auto english = installEnglish();
        EXPECT_NE(match(), QStringLiteral("試合"));
    }
    EXPECT_EQ(match(), QStringLiteral("試合"));
    const platform::Translations japanese(Language::Japanese);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("キャンセル"));
}

struct Window : testsupport::HeadlessGame {
    // Draws a frame, or only the texts of `phase`, and checks every text it drew.
    void look(const std::string& moment, std::int16_t phase = 0)
    {
        device->reset();
        if (phase != 0) {
            field->Phase = phase;
            field->Draw_System();
        } else {
            frame();
        }
        for (const gfx::TextRecord& t : device->texts()) {
            if (t.color == 0xFF000000u) // the black copies are the outline
                continue;
            const QString text = QString::fromStdString(t.text);
            const int room = t.rect.Right - t.rect.Left;
            EXPECT_FALSE(hasJapanese(text)) << moment << ": " << t.text;
            EXPECT_LE(QFontMetrics(gfx::makeQFont(t.font->desc())).horizontalAdvance(text), room)
                << moment << ": \"" << t.text << "\"";
            helpLines += room == 640;
        }
    }
    // The stone in hand comes to rest at (x, z) as if thrown there.
    void restAt(float x, float z)
    {
        StoneRec& s = field->Stones[field->currentMatch()->recordToThrow()];
        s.InPlay = -1;
        s.RunState = 2;
        s.Speed = 0;
        s.Pos = {x, 0.5f, z};
        field->Phase = ShotPhase::SingleBase + ShotPhase::StonesRunning;
        frames(2);
    }
    int helpLines = 0;
};

// What a stone did, for every place it can come to rest and for a foul.
QStringList shotTexts()
{
    using Rest = match::ShotReport::Rest;
    QStringList texts{Field::shotText({0, true, 0, 0, Rest::House})};
    for (Rest rest : {Rest::House, Rest::Guard, Rest::Beyond, Rest::ShortOfHog, Rest::SideOut, Rest::BackOut})
        texts << Field::shotText({0, false, 2, 1, rest});
    return texts;
}

// The practice's phases, then one end against the strongest computer to its result.
TEST(GameWindowInEnglish, NoJapaneseAndNoTextWiderThanItsPlace)
{
    // What a stone did is written beside the turn: its English takes no more room than its Japanese.
    const QStringList japaneseShots = shotTexts();
    const auto translations = installEnglish();
    const QStringList englishShots = shotTexts();
    const QFontMetrics metrics(gfx::makeQFont({"ＭＳ ゴシック", 12}));
    for (qsizetype i = 0; i < englishShots.size(); ++i) {
        EXPECT_FALSE(hasJapanese(englishShots[i])) << englishShots[i].toStdString();
        EXPECT_LE(metrics.horizontalAdvance(englishShots[i]), metrics.horizontalAdvance(japaneseShots[i]))
            << englishShots[i].toStdString();
    }

    Window game;
    game.start(1);
    for (std::int16_t phase : {11, 12, 13, 14, 15, 16, 1001, 1002, 1003, 1004, 1005, 1006, 1008})
        game.look("phase " + std::to_string(phase), phase);
    game.env.match = match::MatchSetup{};
    game.env.match->rules.ends = 1;
    game.env.match->cpuLevel = 3;
    game.start(match::GModeAgainstCpu);
    game.frames(2);
    game.look("match begins");
    game.restAt(float(house::ButtonX), 36.5f);
    game.look("the computer throws");
    for (int i = 1; i < match::StonesPerEnd; ++i) {
        const bool red = game.field->currentMatch()->toThrow() == match::Team::Red;
        game.restAt(float(house::ButtonX) + 0.3f * float(i / 2) - 1.0f, red ? 36.1f : 39.0f);
    }
    game.look("end counted");
    game.tap(testsupport::VK_ESC);
    game.look("leaving");
    game.tap(testsupport::VK_ESC);
    game.tap(testsupport::VK_SPACE);
    game.look("result");
    EXPECT_EQ(game.helpLines, 3 * (13 + 5)) << "three help lines at each phase and moment looked at";
}

// Dialogs that also keep the prompt and title of each input box they answer.
struct KeepingDialogs : ScriptedDialogs {
    std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                        const std::string& initial) override
    {
        messages.insert(messages.end(), {prompt, title});
        return ScriptedDialogs::inputBox(prompt, title, initial);
    }
};

// Clears the boxes of `form`, types `typed` into them and presses `button`.
std::function<void()> send(QWidget& form, const QStringList& boxes, const QStringList& typed,
                           const char* button)
{
    return [&form, boxes, typed, button] {
        for (const QString& box : boxes)
            control<QLineEdit>(form, box)->clear();
        type(form, boxes, typed);
        click(form, button);
    };
}

// One state a screen is led into, and the service's answer to `page` when one is asked for.
struct Step {
    const char* state;
    QWidget* screen;
    std::function<void()> act;
    const char* page = nullptr;
    ScriptedReply reply{};
};

TEST(ScreensInEnglish, EveryScreenInEachOfItsStatesAndTheTitleMenusDialogs)
{
    ScriptServer service;
    KeepingDialogs dialogs;
    const auto translations = installEnglish();
    StartUp english{service.url(), dialogs, [](int16_t) { return 0; }, [](int) {}};
    english.run();
    QWidget& menu = english.titleMenu();
    QWidget& accept = english.accept();
    QWidget& regist = english.regist();
    QWidget& lobby = english.lobby();

    // A slow reply brings up a notice whose button stops the wait.
    const std::string accepted = "1<QZT>news 1<QZT>news 2<QZT>news 3<QZT>news 4<QZT>news 5<QZT>203.0.113.5";
    service.script("Login.php", ScriptedReply{accepted, 200, "text/html", std::chrono::seconds(5)});
    bool waited = false;
    QTimer::singleShot(900, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == QStringLiteral("WaitNotice") && window->isVisible()) {
                waited = true;
                expectEnglishWhole(*window, "waiting");
                QTest::mouseClick(window->findChild<QPushButton*>(), Qt::LeftButton);
            }
        }
    });
    click(menu, "CD_Access");
    EXPECT_TRUE(waited) << "no notice came up";

    // Answers each asked for once, whenever it comes.
    service.script("Say.php", "1");
    service.script("Lobby.php", lobbyDocument(8, 3, {0, 1, 2, 3}));
    service.script("DelGame.php", "1");
    dialogs.answers.push_back("mine"); // the title of a room of one's own
    const QStringList user{"TEXTU", "TEXTP"};
    const auto login = send(accept, user, {"hanako", "pw"}, "CDA_Send");
    const auto registration = [&](const QStringList& typed) {
        return send(regist, {"TextB(0)", "TextB(1)", "TextB(2)"}, typed, "CDR_Send");
    };
    const auto accessAgain = [&] {
        english.titleMenu().NewGame();
        click(menu, "CD_Access");
    };
    const auto backToLogin = [&] {
        click(regist, "CDR_Return");
        click(menu, "CD_Access");
        click(menu, "CD_Login");
    };
    const auto leaveAndJoin = [&] {
        click(lobby, "MakeGameB"); // the own room goes
        click(lobby, "Command(1)");
    };
    const std::vector<Step> steps{
        {"wait stopped", &menu, [] {}},
        {"outdated version", &menu, [&] { click(menu, "CD_Access"); }, "Login.php",
         {"-2<QZT>a<QZT>b<QZT>c<QZT>d<QZT>e<QZT>203.0.113.5"}},
        {"version accepted", &menu, accessAgain, "Login.php", {accepted}},
        {"registration", &regist, [&] { click(menu, "CD_Regist"); }},
        {"passwords differ", &regist, registration({"hanako", "pw", "wp"})},
        {"no password", &regist, registration({"hanako", "", ""})},
        {"no name", &regist, registration({"", "pw", "pw"})},
        {"database error", &regist, registration({"hanako", "pw", "pw"}), "Regist.php", {"0"}},
        {"malformed reply", &regist, registration({"hanako", "pw", "pw"}), "Regist.php", {"x"}},
        {"name taken", &regist, registration({"hanako", "pw", "pw"}), "Regist.php", {"-1<QZT>taken"}},
        {"login", &accept, backToLogin},
        {"nothing typed", &accept, send(accept, user, {"", ""}, "CDA_Send")},
        {"no password", &accept, send(accept, user, {"hanako", ""}, "CDA_Send")},
        {"database error", &accept, login, "Access.php", {"0"}},
        {"malformed reply", &accept, login, "Access.php", {"x"}},
        {"server error", &accept, login, "Access.php", {"", 500}},
        {"unknown code", &accept, login, "Access.php", {"7"}},
        {"rooms in every state", &lobby, login, "Access.php", {"1<QZT>7<QZT>hanako"}},
        {"own room", &lobby, [&] { click(lobby, "MakeGameB"); }, "MakeGame.php", {"1<QZT>300"}},
        {"room joined", &lobby, leaveAndJoin, "Join.php", {"1<QZT>joined<QZT>1"}},
        {"service unavailable", &lobby, [&] { click(lobby, "ReloadB"); }, "Lobby.php", {"", 503}}};
    for (const Step& step : steps) {
        if (step.page)
            service.script(step.page, step.reply);
        step.act();
        expectEnglishWhole(*step.screen, step.state);
    }
    EXPECT_TRUE(lobby.isVisible()) << "the walk ended elsewhere";
    EXPECT_GE(dialogs.messages.size(), 3u) << "the room's title was asked for and the join reported";
    for (const std::string& text : dialogs.messages)
        EXPECT_FALSE(hasJapanese(QString::fromStdString(text))) << "dialog: " << text;

    MatchDialog match;
    match.show();
    expectEnglishWhole(match, "match set-up");
    SettingsDialog settings{StoredSettings{}};
    settings.server()->setText(QStringLiteral("ftp://example.org"));
    settings.accept();
    settings.show();
    EXPECT_TRUE(settings.error()->isVisible());
    expectEnglishWhole(settings, "settings with the address refused");
}

} // namespace
