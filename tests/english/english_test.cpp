// The game in English beside the game in Japanese: which language a run speaks, the texts the
// game window draws over the sheet, and each screen of the online side, state by state beside its
// Japanese twin. No Japanese may be left, and no text cut or too wide that Japanese shows whole.

#include "app/settings_dialog.h"
#include "app/start_up.h"
#include "game/match/house.h"
#include "game/shot_phases.h"
#include "online_rig.h"
#include "platform/gfx/glyph_cache.h"
#include "platform/translations.h"
#include "tests/support/headless_game.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <map>

using namespace testing_support;
using platform::Language;
using testsupport::VK_ESC;

namespace {

const QString TranslationsFolder = QStringLiteral(RINKFALL_TEST_BIN_DIR "/translations");

// Kana, kanji (with extension A and the compatibility block), Japanese punctuation or a full-width
// letter, digit or sign anywhere in `text`. The ideographic space alone is a blank, never read.
bool hasJapanese(const QString& text)
{
    static const QRegularExpression japanese(
        QStringLiteral("[\\x{3001}-\\x{30FF}\\x{3400}-\\x{9FFF}\\x{F900}-\\x{FAFF}\\x{FF01}-\\x{FF60}]"));
    return japanese.match(text).hasMatch();
}

// Every text `widget` and its visible children show: titles, labels, buttons, list items, table
// headers, line edits and tooltips.
QStringList shownTexts(QWidget& widget)
{
    QStringList texts{widget.windowTitle()};
    for (QWidget* child : widget.findChildren<QWidget*>()) {
        if (!child->isVisibleTo(&widget))
            continue;
        texts << child->toolTip();
        if (auto* label = qobject_cast<QLabel*>(child))
            texts << label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(child))
            texts << button->text();
        if (auto* edit = qobject_cast<QLineEdit*>(child))
            texts << edit->text() << edit->placeholderText();
        if (auto* combo = qobject_cast<QComboBox*>(child)) {
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
        }
        if (auto* table = qobject_cast<QTableWidget*>(child)) {
            for (int c = 0; c < table->columnCount(); ++c)
                texts << table->model()->headerData(c, Qt::Horizontal).toString();
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
            // A narrow button is below the style's least width, but its text may still fit.
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            const QRect inside =
                button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
            fits = button->sizeHint().width() <= button->width()
                || button->fontMetrics().horizontalAdvance(button->text()) <= inside.width();
        } else if (qobject_cast<QAbstractButton*>(child) || qobject_cast<QComboBox*>(child)) {
            fits = child->sizeHint().width() <= child->width();
        }
        if (!fits)
            cut << child->objectName() + QStringLiteral(" \"") + child->property("text").toString() + u'"';
    }
    return cut;
}

// The English translations as the build places them beside the programs.
std::unique_ptr<platform::Translations> installEnglish()
{
    auto english = std::make_unique<platform::Translations>(Language::English, TranslationsFolder);
    EXPECT_EQ(english->language(), Language::English) << "the build's English texts were not found";
    return english;
}

TEST(LanguageChoice, LocalesAndOptionWords)
{
    for (const char* name : {"ja_JP", "fr_FR", "de_DE", "C"})
        EXPECT_EQ(platform::languageOf(QLocale(QString::fromLatin1(name))), Language::Japanese) << name;
    for (const char* name : {"en_US", "en_GB", "en_AU"})
        EXPECT_EQ(platform::languageOf(QLocale(QString::fromLatin1(name))), Language::English) << name;
    EXPECT_EQ(platform::languageNamed(QStringLiteral("ja")), Language::Japanese);
    EXPECT_EQ(platform::languageNamed(QStringLiteral("en")), Language::English);
    for (const char* word : {"", "EN", "english", "fr", "en_US", " en"})
        EXPECT_EQ(platform::languageNamed(QString::fromLatin1(word)), std::nullopt) << '"' << word << '"';
}

// English speaks only while its file is there and its translations are installed; Qt's own
// standard buttons follow the game's language back.
TEST(LanguageChoice, EnglishOnlyFromItsFileAndOnlyWhileInstalled)
{
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

struct Drawn {
    std::string text;
    int room;
    int width;
};
// What the window showed at each moment the script looked, by the moment's name.
using Shown = std::map<std::string, std::vector<Drawn>>;

struct Window : testsupport::HeadlessGame {
    // Draws a frame, or only the texts of `phase`, and keeps what it showed.
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
            const QFontMetrics metrics(gfx::makeQFont(t.font->desc()));
            shown[moment].push_back({t.text, t.rect.Right - t.rect.Left,
                                     metrics.horizontalAdvance(QString::fromStdString(t.text))});
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
    Shown shown;
};

Shown playThrough()
{
    Window game;
    {
        Window practice; // one game at a time, as the program has it
        practice.start(1);
        for (std::int16_t phase : {11, 12, 13, 14, 15, 16, 1001, 1002, 1003, 1004, 1005, 1006, 1008})
            practice.look("phase " + std::to_string(phase), phase);
        game.shown = std::move(practice.shown);
    }
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
    game.tap(VK_ESC);
    game.look("leaving");
    game.tap(VK_ESC);
    game.tap(testsupport::VK_SPACE);
    game.look("result");
    return game.shown;
}

// What a stone did, for every place it can come to rest and for a foul.
QStringList shotTexts()
{
    using Rest = match::ShotReport::Rest;
    QStringList texts{Field::shotText({0, true, 0, 0, Rest::House})};
    for (Rest rest : {Rest::House, Rest::Guard, Rest::Beyond, Rest::ShortOfHog, Rest::SideOut, Rest::BackOut})
        texts << Field::shotText({0, false, 2, 1, rest});
    return texts;
}

TEST(GameWindowInEnglish, NoJapaneseAndNoTextWiderThanItsPlaceUnlessJapaneseIsToo)
{
    const Shown japanese = playThrough();
    const auto translations = installEnglish();
    const Shown english = playThrough();

    ASSERT_EQ(english.size(), japanese.size());
    int lines = 0;
    for (const auto& [moment, texts] : english) {
        const std::vector<Drawn>& twins = japanese.at(moment);
        ASSERT_EQ(texts.size(), twins.size()) << moment;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const Drawn& d = texts[i];
            EXPECT_FALSE(hasJapanese(QString::fromStdString(d.text))) << moment << ": " << d.text;
            EXPECT_TRUE(d.width <= d.room || d.width <= twins[i].width)
                << moment << ": \"" << d.text << "\" needs " << d.width << " pixels of " << d.room;
            lines += d.room == 640;
        }
    }
    // Three help lines at each of the phases and moments looked at.
    EXPECT_EQ(lines, 3 * (13 + 5));
}

// What a stone did is written beside the turn: its English takes no more room than its Japanese.
TEST(GameWindowInEnglish, WhatAStoneDidFitsBesideTheTurnAsInJapanese)
{
    const QStringList japaneseShots = shotTexts();
    const auto translations = installEnglish();
    const QFontMetrics metrics(gfx::makeQFont({"ＭＳ ゴシック", 12}));
    const QStringList englishShots = shotTexts();
    for (qsizetype i = 0; i < englishShots.size(); ++i) {
        EXPECT_FALSE(hasJapanese(englishShots[i])) << englishShots[i].toStdString();
        EXPECT_LE(metrics.horizontalAdvance(englishShots[i]), metrics.horizontalAdvance(japaneseShots[i]))
            << englishShots[i].toStdString();
    }
}

// Dialogs that keep every text they were given to show; input boxes take the answers queued.
struct KeepingDialogs : ScriptedDialogs {
    void messageBox(const std::string& text, const std::string& caption) override
    {
        texts.insert(texts.end(), {text, caption});
    }
    std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                        const std::string& initial) override
    {
        texts.insert(texts.end(), {prompt, title, initial});
        return ScriptedDialogs::inputBox(prompt, title, initial);
    }
    std::vector<std::string> texts;
};

// A version check the service accepts; its notice lines are the service's own words.
const std::string Accepted = "1<QZT>news 1<QZT>news 2<QZT>news 3<QZT>news 4<QZT>news 5<QZT>203.0.113.5";

// One state a form is led into on both sides: what is typed, and how the service answers.
struct Step {
    const char* state;
    QStringList typed;
    const char* page = nullptr;
    ScriptedReply reply{};
};

// The online side twice against one scripted service: first in Japanese, then in English.
class Screens : public OnlineScreens {
protected:
    using Screen = QWidget& (*)(StartUp&);
    static QWidget& menu(StartUp& s) { return s.titleMenu(); }
    static QWidget& accept(StartUp& s) { return s.accept(); }
    static QWidget& regist(StartUp& s) { return s.regist(); }
    static QWidget& lobby(StartUp& s) { return s.lobby(); }

    Screens() { english.run(); }

    void onBoth(const std::function<void(StartUp&)>& act)
    {
        act(startUp);
        act(english);
    }

    // The English `screen` shows no Japanese and cuts no text the Japanese one shows whole; the
    // English dialogs were given no Japanese either.
    void expectEnglishWhole(Screen screen, const std::string& state)
    {
        QWidget& shown = screen(english);
        for (const QString& text : shownTexts(shown))
            EXPECT_FALSE(hasJapanese(text)) << state << ": \"" << text.toStdString() << "\"";
        for (const std::string& text : englishDialogs.texts)
            EXPECT_FALSE(hasJapanese(QString::fromStdString(text))) << state << ": dialog \"" << text << "\"";
        QStringList cutInJapanese;
        for (const QString& control : cutControls(screen(startUp)))
            cutInJapanese << control.section(u' ', 0, 0);
        for (const QString& control : cutControls(shown)) {
            EXPECT_TRUE(cutInJapanese.contains(control.section(u' ', 0, 0)))
                << state << ": " << control.toStdString() << " is cut in English only";
        }
    }

    // Both menus through an accepted version check, then `button`.
    void openFromMenu(const char* button)
    {
        service.script("Login.php", Accepted);
        onBoth([button](StartUp& s) {
            click(s.titleMenu(), "CD_Access");
            click(s.titleMenu(), button);
        });
    }

    // Leads the form `screen` through `steps` on both sides, sending each with `send`.
    void walk(Screen screen, const QStringList& boxes, const char* send, const std::vector<Step>& steps)
    {
        expectEnglishWhole(screen, "fresh");
        for (const Step& step : steps) {
            if (step.page)
                service.script(step.page, step.reply);
            onBoth([&](StartUp& s) {
                for (const QString& box : boxes)
                    control<QLineEdit>(screen(s), box)->clear();
                type(screen(s), boxes, step.typed);
                click(screen(s), send);
            });
            expectEnglishWhole(screen, step.state);
        }
    }

    KeepingDialogs englishDialogs;
    std::unique_ptr<platform::Translations> translations = installEnglish();
    StartUp english{service.url(), englishDialogs, [](int16_t) { return 0; }, [](int) {}};
};

TEST_F(Screens, TitleMenu)
{
    expectEnglishWhole(menu, "fresh");
    service.script("Login.php", "-2<QZT>a<QZT>b<QZT>c<QZT>d<QZT>e<QZT>203.0.113.5");
    onBoth([](StartUp& s) { click(s.titleMenu(), "CD_Access"); });
    expectEnglishWhole(menu, "outdated version");
    onBoth([](StartUp& s) { s.titleMenu().NewGame(); });
    service.script("Login.php", Accepted);
    onBoth([](StartUp& s) { click(s.titleMenu(), "CD_Access"); });
    expectEnglishWhole(menu, "version accepted");

    // A slow reply brings up a notice whose button stops the wait.
    service.script("Login.php", ScriptedReply{Accepted, 200, "text/html", std::chrono::seconds(5)});
    QStringList notice;
    QTimer::singleShot(900, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == QStringLiteral("WaitNotice") && window->isVisible()) {
                notice = shownTexts(*window);
                QTest::mouseClick(window->findChild<QPushButton*>(), Qt::LeftButton);
            }
        }
    });
    english.titleMenu().NewGame();
    click(english.titleMenu(), "CD_Access");
    EXPECT_EQ(notice.size(), 3) << notice.join(u'|').toStdString();
    for (const QString& text : notice + shownTexts(english.titleMenu()))
        EXPECT_FALSE(hasJapanese(text)) << "stopped wait: " << text.toStdString();
}

TEST_F(Screens, Login)
{
    openFromMenu("CD_Login");
    walk(accept, {"TEXTU", "TEXTP"}, "CDA_Send",
         {{"nothing typed", {"", ""}},
          {"no password", {"hanako", ""}},
          {"database error", {"hanako", "pw"}, "Access.php", {"0"}},
          {"malformed reply", {"hanako", "pw"}, "Access.php", {"x"}},
          {"server error", {"hanako", "pw"}, "Access.php", {"", 500}},
          {"unknown code", {"hanako", "pw"}, "Access.php", {"7"}}});
}

TEST_F(Screens, Registration)
{
    openFromMenu("CD_Regist");
    walk(regist, {"TextB(0)", "TextB(1)", "TextB(2)"}, "CDR_Send",
         {{"passwords differ", {"hanako", "pw", "wp"}},
          {"no password", {"hanako", "", ""}},
          {"no name", {"", "pw", "pw"}},
          {"database error", {"hanako", "pw", "pw"}, "Regist.php", {"0"}},
          {"malformed reply", {"hanako", "pw", "pw"}, "Regist.php", {"x"}}});
}

TEST_F(Screens, LobbyAndItsMessages)
{
    openFromMenu("CD_Login");
    service.script("Access.php", "1<QZT>7<QZT>hanako");
    service.script("Say.php", "1");
    service.script("Lobby.php", lobbyDocument(8, 3, {0, 1, 2, 3}));
    onBoth([](StartUp& s) {
        type(s.accept(), {"TEXTU", "TEXTP"}, {"hanako", "pw"});
        click(s.accept(), "CDA_Send");
    });
    ASSERT_TRUE(english.lobby().isVisible());
    expectEnglishWhole(lobby, "rooms in every state");

    // A room of one's own, then a room joined: the first button's caption follows.
    englishDialogs.answers.push_back("mine");
    dialogs.answers.push_back("mine");
    service.script("MakeGame.php", "1<QZT>300");
    onBoth([](StartUp& s) { click(s.lobby(), "MakeGameB"); });
    expectEnglishWhole(lobby, "own room");
    service.script("DelGame.php", "1");
    onBoth([](StartUp& s) { click(s.lobby(), "MakeGameB"); });
    service.script("Join.php", "1<QZT>joined<QZT>1");
    onBoth([](StartUp& s) { click(s.lobby(), "Command(1)"); });
    expectEnglishWhole(lobby, "room joined");
    ASSERT_GE(englishDialogs.texts.size(), 5u) << "the room's title was asked for and the join reported";
    service.script("Lobby.php", ScriptedReply{"", 503});
    onBoth([](StartUp& s) { click(s.lobby(), "ReloadB"); });
    expectEnglishWhole(lobby, "service unavailable");
}

// The title menu's dialogs, shown in Japanese and then in English: the match set-up, and the
// settings with their address refused.
TEST(DialogsInEnglish, MatchSetUpAndSettings)
{
    const auto expectWhole = [](const std::function<std::unique_ptr<QDialog>()>& make) {
        const auto japanese = make();
        japanese->show();
        const auto translations = installEnglish();
        const auto dialog = make();
        dialog->show();
        for (const QString& text : shownTexts(*dialog))
            EXPECT_FALSE(hasJapanese(text)) << text.toStdString();
        EXPECT_TRUE(cutControls(*japanese).isEmpty()) << cutControls(*japanese).join(u',').toStdString();
        EXPECT_TRUE(cutControls(*dialog).isEmpty()) << cutControls(*dialog).join(u',').toStdString();
    };
    expectWhole([] { return std::make_unique<MatchDialog>(); });
    expectWhole([] {
        auto settings = std::make_unique<SettingsDialog>(StoredSettings{});
        settings->server()->setText(QStringLiteral("ftp://example.org"));
        settings->accept();
        EXPECT_TRUE(settings->error()->isVisibleTo(settings.get()));
        return settings;
    });
}

} // namespace
