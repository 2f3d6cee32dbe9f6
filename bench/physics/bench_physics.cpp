#include "game/field_state.h"

#include <benchmark/benchmark.h>

namespace {

// Sixteen moving stones in a 4 x 4 block with 0.3 between centres: every pair is tested, the
// neighbours are close to contact, so the distance test runs for all 240 ordered pairs.
FieldState packedField()
{
    FieldState f;
    for (int i = 0; i < FieldState::PlayedStones; ++i) {
        StoneRec& s = f.Stones[i];
        s.InPlay = -1;
        s.RunState = 1;
        s.Pos = {2.5f + 0.3f * float(i % 4), 0.5f, 20.0f + 0.3f * float(i / 4)};
        s.Speed = 0.03f + 0.001f * float(i);
        s.Heading = float(i * 7 % 11) - 5.0f;
        s.Spin = 0.001f;
    }
    f.CurStone = 3;
    return f;
}

void BM_PhysicsStepSixteenMovingStones(benchmark::State& state)
{
    const FieldState start = packedField();
    FieldState f = start;
    for (auto _ : state) {
        f.Stones = start.Stones; // the same situation every step (the copy is part of the time)
        f.Proc_Phys();
        benchmark::DoNotOptimize(f.Stones);
    }
}
BENCHMARK(BM_PhysicsStepSixteenMovingStones);

void BM_PhysicsWholeSingleStoneShot(benchmark::State& state)
{
    constexpr int Steps = 1561;
    for (auto _ : state) {
        FieldState f;
        StoneRec& s = f.Stones[0];
        s.InPlay = -1;
        s.RunState = 1;
        s.Pos = {3, 0.5f, 1};
        s.Speed = 0.039f;
        for (int i = 0; i < Steps; ++i)
            f.Proc_Phys();
        benchmark::DoNotOptimize(f.Stones);
        if (f.Stones[0].InPlay != 0)
            state.SkipWithError("the shot did not end where expected");
    }
    state.SetItemsProcessed(state.iterations() * Steps);
}
BENCHMARK(BM_PhysicsWholeSingleStoneShot)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
