// The computer player's costs and strength: simulated draws per second, the decision time at each
// strength, a whole headless match, and seeded matches between strengths (wins as counters).

#include "game/match/auto_match.h"
#include "game/match/cpu_player.h"

#include <benchmark/benchmark.h>

namespace {

using match::StoneSet;

// A single stone drawn to the house on an empty sheet: the unit of the player's search.
void BM_SingleStoneDraw(benchmark::State& state)
{
    match::ShotSimulator sim;
    const match::Shot draw{0, 0.3f, 0.7f, 90, -1};
    long steps = 0;
    for (auto _ : state) {
        int n = 0;
        benchmark::DoNotOptimize(sim.throwStone(StoneSet{}, 0, draw, &n));
        steps += n;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["steps_per_draw"] = double(steps) / double(state.iterations());
}
BENCHMARK(BM_SingleStoneDraw)->Unit(benchmark::kMicrosecond);

// Mid-end: six stones in and around the house, the seventh to throw.
StoneSet midEnd()
{
    StoneSet s{};
    const float spots[6][2] = {{3.0f, 33.5f}, {2.6f, 36.3f}, {3.4f, 35.6f}, {3.9f, 37.0f}, {2.2f, 34.0f}, {3.1f, 36.1f}};
    for (int i = 0; i < 6; ++i) {
        s[i].InPlay = -1;
        s[i].RunState = 2;
        s[i].Pos = {spots[i][0], 0.5f, spots[i][1]};
    }
    return s;
}

// One decision of a fresh player (its path tables included), as at the start of a match.
void BM_Decision(benchmark::State& state)
{
    const StoneSet stones = midEnd();
    const match::Situation situation{match::Team::Red, 6, 6, match::Team::Yellow};
    long sims = 0;
    for (auto _ : state) {
        match::CpuPlayer cpu(int(state.range(0)), 1);
        benchmark::DoNotOptimize(cpu.choose(stones, situation));
        sims += cpu.simulations();
    }
    state.counters["simulations"] = double(sims) / double(state.iterations());
    state.counters["sims_per_s"] = benchmark::Counter(double(sims), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Decision)->DenseRange(1, 3)->Unit(benchmark::kMillisecond);

// A whole eight-end match between two players of the given strength, without a window.
void BM_HeadlessMatch(benchmark::State& state)
{
    std::uint32_t seed = 1;
    for (auto _ : state)
        benchmark::DoNotOptimize(match::playAutoMatch({8, false}, {int(state.range(0)), int(state.range(0))}, seed++));
}
BENCHMARK(BM_HeadlessMatch)->DenseRange(1, 3)->Iterations(2)->Unit(benchmark::kSecond);

// Seeded four-end matches, each strength as red against the other as yellow and the other way
// round: the counters are the stronger side's wins, losses and points over all of them.
void BM_StrengthAgainst(benchmark::State& state)
{
    const int strong = int(state.range(0)), weak = int(state.range(1));
    const int matches = int(state.range(2));
    int wins = 0, losses = 0, pointsFor = 0, pointsAgainst = 0;
    for (auto _ : state) {
        for (int i = 0; i < matches; ++i) {
            const bool strongRed = i % 2 == 0;
            const auto r = match::playAutoMatch({4, false}, strongRed ? std::array<int, 2>{strong, weak}
                                                                      : std::array<int, 2>{weak, strong},
                                                std::uint32_t(100 + i));
            const int mine = r.score[strongRed ? 0 : 1], theirs = r.score[strongRed ? 1 : 0];
            wins += mine > theirs ? 1 : 0;
            losses += mine < theirs ? 1 : 0;
            pointsFor += mine;
            pointsAgainst += theirs;
        }
    }
    state.counters["wins"] = wins;
    state.counters["losses"] = losses;
    state.counters["points_for"] = pointsFor;
    state.counters["points_against"] = pointsAgainst;
}
// {stronger, weaker (0: random shots), matches}
BENCHMARK(BM_StrengthAgainst)->Args({3, 0, 10})->Args({1, 0, 10})->Args({2, 1, 10})->Args({3, 2, 10})->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
