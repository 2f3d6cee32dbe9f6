#include "game/match/house.h"
#include "game/match/match_rules.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <tuple>
#include <vector>

namespace {

using match::EndCount;
using match::Match;
using match::ShotReport;
using match::Team;

using Sheet = std::array<StoneRec, match::StonesPerEnd>;

// A stone at rest `dx`, `dz` from the button.
StoneRec at(double dx, double dz, bool inPlay = true)
{
    return {std::int16_t(inPlay ? -1 : 0), {float(house::ButtonX + dx), 0.5f, float(house::ButtonZ + dz)},
            0, 0, 0, 0, 2};
}

using Placed = std::pair<int, StoneRec>; // a record and its stone

Sheet sheetWith(const std::vector<Placed>& placed)
{
    Sheet sheet{};
    for (const auto& [record, stone] : placed)
        sheet[record] = stone;
    return sheet;
}

constexpr double Reach = house::CountingReach;

// Which team scores, and which of its stones count: each in turn nearer the button than every
// opponent stone, within reach of the outer ring.
TEST(Scoring, ScorerAndCountingStones)
{
    struct Case {
        const char* name;
        std::vector<Placed> stones;
        std::optional<Team> scorer;
        std::vector<int> counting;
    };
    const Case cases[] = {
        {"NothingInHouse", {{0, at(0, -3.0)}, {1, at(0, Reach + 0.01)}}, std::nullopt, {}},
        {"OneTeamOnly", {{0, at(0.2, 0)}, {2, at(-1, 0.5)}, {4, at(0, -4)}}, Team::Red, {0, 2}},
        {"AlternatingNearest", {{0, at(0.1, 0)}, {1, at(0.5, 0)}, {2, at(0, 0.8)}, {3, at(0, -1.5)}}, Team::Red, {0}},
        {"YellowTwoBeforeRed", {{1, at(0.1, 0)}, {3, at(0, 0.3)}, {0, at(0, 0.6)}, {5, at(1.0, 0)}}, Team::Yellow,
         {1, 3}},
        {"JustTouchingOuterRing", {{1, at(0, Reach - 0.001)}}, Team::Yellow, {1}},
        {"JustOutsideOuterRing", {{1, at(0, Reach + 0.001)}}, std::nullopt, {}},
        {"EqualNearestIsBlank", {{0, at(0.5, 0)}, {1, at(-0.5, 0)}, {2, at(0, 1)}}, std::nullopt, {}},
        {"RemovedStonesDoNotCount", {{0, at(0, 0, false)}, {2, at(0.05, 0, false)}, {1, at(0, 1.0)}}, Team::Yellow,
         {1}},
    };
    for (const Case& c : cases) {
        const EndCount count = match::countEnd(sheetWith(c.stones));
        EXPECT_EQ(count.scorer, c.scorer) << c.name;
        EXPECT_EQ(count.counting, c.counting) << c.name;
        EXPECT_EQ(count.points, int(c.counting.size())) << c.name;
    }
}

// Throws the rest of the end without touching the sheet, then counts `sheet`.
match::EndCount finishEndWith(Match& m, const Sheet& sheet)
{
    Sheet scratch = sheet;
    while (!m.endFinished()) {
        m.beforeDelivery(scratch);
        m.afterDelivery(scratch);
    }
    return m.finishEnd(sheet);
}

// Records 0..15 in turn from the team without the hammer; the scorer loses the hammer, a blank end
// keeps it.
TEST(MatchFlow, TeamWithoutHammerThrowsFirstTeamsAlternateAndScorerLosesHammer)
{
    Match m({8, false}, Team::Yellow);
    std::vector<int> records;
    Sheet sheet{};
    while (!m.endFinished()) {
        records.push_back(m.recordToThrow());
        m.beforeDelivery(sheet);
        m.afterDelivery(sheet);
    }
    EXPECT_EQ(records, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));

    Match yellowFirst({8, false}, Team::Red);
    EXPECT_EQ(std::pair(yellowFirst.toThrow(), yellowFirst.recordToThrow()), std::pair(Team::Yellow, 1));
    yellowFirst.beforeDelivery(sheet);
    yellowFirst.afterDelivery(sheet);
    EXPECT_EQ(yellowFirst.recordToThrow(), 0);
    EXPECT_EQ(std::pair(yellowFirst.stonesLeft(Team::Yellow), yellowFirst.stonesLeft(Team::Red)), std::pair(7, 8));

    finishEndWith(m, sheetWith({{1, at(0, 0)}})); // yellow scores
    EXPECT_EQ(std::tuple(m.hammer(), m.score()), std::tuple(Team::Red, std::array<int, 2>{0, 1}));
    finishEndWith(m, Sheet{}); // blank
    EXPECT_EQ(m.hammer(), Team::Red);
    finishEndWith(m, sheetWith({{0, at(0, 0)}, {2, at(0.3, 0)}})); // red scores two
    EXPECT_EQ(std::tuple(m.hammer(), m.score(), m.end()), std::tuple(Team::Yellow, std::array{2, 1}, 4));
    EXPECT_EQ(m.endPoints(), (std::vector<std::array<int, 2>>{{0, 1}, {0, 0}, {2, 0}}));
}

// Ends are clamped to 1 .. 10; a tie after the last end plays extra ends.
TEST(MatchFlow, TieAfterLastEndPlaysExtraEnds)
{
    EXPECT_EQ(Match({11, false}).settings().ends, 10);
    Match m({0, false});
    EXPECT_EQ(m.settings().ends, 1);
    finishEndWith(m, Sheet{});
    finishEndWith(m, Sheet{});
    EXPECT_EQ(std::pair(m.over(), m.end()), std::pair(false, 3));
    finishEndWith(m, sheetWith({{0, at(0, 0)}}));
    EXPECT_EQ(std::tuple(m.over(), m.winner(), m.end()), std::tuple(true, Team::Red, 3));
}

// Yellow's guard lies in the free guard zone; red's delivery `stoneNumber` (from 0) knocks it out.
TEST(FreeGuardZone, RemovingAnOpponentGuardIsUndoneOnlyWhileTheRuleProtectsIt)
{
    struct Case {
        const char* name;
        bool rule;
        int stoneNumber;
        bool restored;
    };
    const Case cases[] = {{"RuleOffAllowsIt", false, 2, false},
                          {"FirstFiveStonesRestore", true, 4, true},
                          {"SixthStoneOnAllowsIt", true, 6, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Match m({8, c.rule}, Team::Yellow);
        Sheet sheet{};
        while (m.thrown() < c.stoneNumber) {
            m.beforeDelivery(sheet);
            m.afterDelivery(sheet);
        }
        ASSERT_EQ(m.toThrow(), Team::Red);
        const int thrower = m.recordToThrow();
        sheet[1] = at(0, -3.0); // yellow guard between hog and tee
        ASSERT_TRUE(match::inFreeGuardZone(sheet[1]));
        m.beforeDelivery(sheet);
        sheet[1].InPlay = 0; // knocked out by red's stone, which rests in the house
        sheet[thrower] = at(0.1, 0);
        const match::ShotReport r = m.afterDelivery(sheet);
        EXPECT_EQ(std::tuple(r.foulRestored, sheet[1].InPlay == -1, sheet[thrower].InPlay == -1),
                  std::tuple(c.restored, c.restored, !c.restored));
        EXPECT_EQ(m.thrown(), c.stoneNumber + 1);
    }
}

// A takeout that rests in the house, and where a lone stone came to rest or went out.
TEST(ShotReport, SaysWhereTheStoneWentAndWhatItRemoved)
{
    Match m({8, false}, Team::Yellow); // red throws record 0 first
    Sheet sheet{};
    sheet[1] = at(0, 0.2);
    m.beforeDelivery(sheet);
    sheet[1].InPlay = 0;
    sheet[0] = at(0, 0.1);
    const ShotReport takeout = m.afterDelivery(sheet);
    EXPECT_EQ(std::tuple(takeout.opponentRemoved, takeout.ownRemoved, takeout.rest),
              std::tuple(1, 0, ShotReport::Rest::House));

    using Rest = ShotReport::Rest;
    const std::pair<StoneRec, Rest> rows[] = {{at(0, house::HogLineZ - 1 - house::ButtonZ, false), Rest::ShortOfHog},
                                             {at(-3.6, -2, false), Rest::SideOut},
                                             {at(0, 4.1, false), Rest::BackOut},
                                             {at(0, -3), Rest::Guard},
                                             {at(0, 2.6), Rest::Beyond}};
    for (const auto& [rest, where] : rows) {
        Sheet s{};
        Match fresh({8, false}, Team::Yellow);
        fresh.beforeDelivery(s);
        s[0] = rest;
        EXPECT_EQ(fresh.afterDelivery(s).rest, where) << int(where);
    }
}

} // namespace
