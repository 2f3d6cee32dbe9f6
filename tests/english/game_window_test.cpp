// The texts the game window draws over the sheet, in English beside Japanese: the help lines of
// every step, a match against the computer through a whole end, its count, leaving and the result.
// Each is held against the glyph widths of the font the window draws it in.

#include "english_fixture.h"
#include "game/match/house.h"
#include "game/shot_phases.h"
#include "platform/gfx/glyph_cache.h"
#include "tests/support/headless_game.h"

#include <QFontMetrics>

#include <map>

using namespace english;
using namespace ShotPhase;
using testsupport::VK_ESC;
using testsupport::VK_SPACE;

namespace {

struct Drawn {
    std::string text;
    RECT rect;
    gfx::FontDesc font;
};
// What the window showed at each moment the script looked, by the moment's name.
using Shown = std::map<std::string, std::vector<Drawn>>;

class Window : public testsupport::HeadlessGame {
public:
    void look(const std::string& moment)
    {
        device->reset();
        frame();
        keep(moment);
    }
    void lookAtPhase(const std::string& moment, std::int16_t phase)
    {
        field->Phase = phase;
        device->reset();
        field->Draw_System();
        keep(moment);
    }
    // The stone in hand comes to rest at (x, z) as if thrown there.
    void restAt(float x, float z)
    {
        const int record = field->currentMatch()->recordToThrow();
        StoneRec& s = field->Stones[record];
        s.InPlay = -1;
        s.RunState = 2;
        s.Speed = 0;
        s.Pos = {x, 0.5f, z};
        field->Phase = SingleBase + StonesRunning;
        frames(2);
    }
    Shown shown;

private:
    void keep(const std::string& moment)
    {
        auto& texts = shown[moment];
        for (const gfx::TextRecord& t : device->texts()) {
            if (t.color != 0xFF000000u) // the black copies are the outline
                texts.push_back({t.text, t.rect, t.font->desc()});
        }
    }
};

Shown playThrough()
{
    Shown all;
    {
        Window practice;
        practice.start(1);
        for (std::int16_t phase : {11, 12, 13, 14, 15, 16, 1001, 1002, 1003, 1004, 1005, 1006, 1008})
            practice.lookAtPhase("phase " + std::to_string(phase), phase);
        all.merge(practice.shown);
    }
    Window game;
    match::MatchSetup setup;
    setup.rules.ends = 1;
    setup.cpuLevel = 3;
    game.env.match = setup;
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
    game.tap(VK_SPACE);
    game.look("result");
    all.merge(game.shown);
    return all;
}

int widthOf(const Drawn& d)
{
    return QFontMetrics(gfx::makeQFont(d.font)).horizontalAdvance(QString::fromStdString(d.text));
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
            const int room = d.rect.Right - d.rect.Left;
            EXPECT_TRUE(widthOf(d) <= room || widthOf(d) <= widthOf(twins[i]))
                << moment << ": \"" << d.text << "\" needs " << widthOf(d) << " pixels of " << room;
            lines += d.rect.Right - d.rect.Left == 640;
        }
    }
    // Three help lines at each of the phases and moments looked at.
    EXPECT_EQ(lines, 3 * (13 + 5));
}

TEST(GameWindowInEnglish, WhatAStoneDidFitsBesideTheTurnAsInJapanese)
{
    using Rest = match::ShotReport::Rest;
    std::vector<match::ShotReport> reports;
    for (Rest rest : {Rest::House, Rest::Guard, Rest::Beyond, Rest::ShortOfHog, Rest::SideOut, Rest::BackOut})
        reports.push_back({0, false, 2, 1, rest});
    reports.push_back({0, true, 0, 0, Rest::House});
    QStringList japanese;
    for (const auto& report : reports)
        japanese << Field::shotText(report);
    const auto translations = installEnglish();
    const QFontMetrics metrics(gfx::makeQFont({"ＭＳ ゴシック", 12}));
    for (std::size_t i = 0; i < reports.size(); ++i) {
        const QString english = Field::shotText(reports[i]);
        EXPECT_FALSE(hasJapanese(english)) << english.toStdString();
        EXPECT_LE(metrics.horizontalAdvance(english), metrics.horizontalAdvance(japanese[int(i)]))
            << english.toStdString();
    }
}

} // namespace
