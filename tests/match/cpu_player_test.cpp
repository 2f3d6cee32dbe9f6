#include "game/match/auto_match.h"
#include "game/match/cpu_player.h"
#include "game/match/house.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using match::CpuPlayer;
using match::Situation;
using match::StoneSet;
using match::Team;

StoneRec restingAt(double x, double z)
{
    return {-1, {float(x), 0.5f, float(z)}, 0, 0, 0, 0, 2};
}

// Red's last stone of an end with the hammer: only the count matters.
const Situation LastStone{Team::Red, 14, 15, Team::Red};

TEST(CpuPlayer, StrongestDrawRestsInTheHouseFromAnEmptyHouse)
{
    CpuPlayer cpu(3, 2024);
    match::ShotSimulator sim;
    int inHouse = 0;
    for (int i = 0; i < 100; ++i) {
        const StoneSet after = sim.throwStone(StoneSet{}, 14, cpu.choose(StoneSet{}, LastStone));
        inHouse += match::touchesHouse(after[14]) ? 1 : 0;
    }
    EXPECT_GE(inHouse, 80);
}

TEST(CpuPlayer, StrongestRemovesALoneOpponentStoneInTheHouse)
{
    CpuPlayer cpu(3, 7);
    std::mt19937 placement(99);
    std::uniform_real_distribution<double> offset(-1.2, 1.2);
    match::ShotSimulator sim;
    constexpr int Tries = 50;
    int removed = 0;
    for (int i = 0; i < Tries; ++i) {
        StoneSet stones{};
        stones[1] = restingAt(house::ButtonX + offset(placement) * 0.5, house::ButtonZ + offset(placement) * 0.5);
        // Red's first stone with the hammer, after yellow's first came to rest in the house.
        const Situation secondStone{Team::Red, 0, 1, Team::Red};
        const StoneSet after = sim.throwStone(stones, 0, cpu.choose(stones, secondStone));
        removed += match::touchesHouse(after[1]) ? 0 : 1;
    }
    EXPECT_GE(removed * 100, 60 * Tries);
}

TEST(CpuPlayer, SameSeedSameShots)
{
    StoneSet stones{};
    stones[1] = restingAt(3.2, 36.4);
    CpuPlayer a(2, 5), b(2, 5);
    for (int i = 0; i < 3; ++i) {
        const match::Shot x = a.choose(stones, LastStone), y = b.choose(stones, LastStone);
        EXPECT_EQ(std::tie(x.aimX, x.spin, x.power, x.balance, x.sweepFrom),
                  std::tie(y.aimX, y.spin, y.power, y.balance, y.sweepFrom));
    }
}

// Even the weakest computer beats a player of random legal shots in seeded four-end matches.
TEST(AutoMatch, ComputerBeatsRandomShots)
{
    int wins = 0;
    constexpr int Matches = 10;
    for (std::uint32_t seed = 1; seed <= Matches; ++seed) {
        const bool cpuRed = seed % 2 == 0;
        const auto r = match::playAutoMatch({4, false}, cpuRed ? std::array<int, 2>{1, 0} : std::array<int, 2>{0, 1}, seed);
        wins += r.score[cpuRed ? 0 : 1] > r.score[cpuRed ? 1 : 0] ? 1 : 0;
        EXPECT_GE(r.endsPlayed, 4);
    }
    EXPECT_GE(wins, 9);
}

} // namespace
