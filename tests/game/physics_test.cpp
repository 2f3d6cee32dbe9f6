#include "game/field_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

namespace {

constexpr float Friction = 0.000025f, BrushFriction = 0.00002f;

StoneRec stone(float x, float z, float speed, float heading = 0, float spin = 0, std::int16_t runState = 1)
{
    return {-1, {x, 0.5f, z}, spin, speed, heading, 0, runState};
}

StoneRec resting(float x, float z, float spin = 0)
{
    return stone(x, z, 0, 0, spin, 2);
}

// In play, run state, speed, heading: what a step decides about a stone.
std::tuple<int, int, float, float> motion(const StoneRec& s)
{
    return {s.InPlay, s.RunState, s.Speed, s.Heading};
}

// A released stone on its own, one step at a time, until it rests or the physics removes it.
TEST(Sliding, ALoneStoneRestsShortOfOrBeyondTheHogLineOrLeavesAtTheBack)
{
    struct Case {
        const char* name;
        float speed;
        std::int16_t inPlay, runState;
        float restZ, tolerance;
    };
    const Case cases[] = {{"stops short of the hog line", 0.039f, 0, 2, 31.439f, 0.002f},
                          {"rests beyond the hog line", 0.0418f, -1, 2, 35.97f, 0.01f},
                          {"leaves at the back", 0.0475f, 0, 1, 40.5f, 0.5f}};
    for (const Case& c : cases) {
        FieldState f;
        f.Stones[0] = stone(3, 1, c.speed);
        int steps = 0, movingSteps = 0;
        const StoneRec& s = f.Stones[0];
        for (; steps < 5000 && s.InPlay == -1 && (s.Speed > 0 || s.RunState == 1); ++steps) {
            movingSteps += s.Speed > 0;
            f.Proc_Phys();
        }
        EXPECT_EQ(std::pair(s.InPlay, s.RunState), std::pair(c.inPlay, c.runState)) << c.name;
        EXPECT_NEAR(s.Pos.z, c.restZ, c.tolerance) << c.name;
        if (c.speed == 0.039f) {
            EXPECT_EQ(std::pair(movingSteps, steps), std::pair(1560, 1561)) << "removed in the step after it stopped";
        }
    }
}

// Spin curls the heading and turns the stone; one step moves only released stones in play, along
// their heading with friction (not one out of play, the spare record or one placed for the throw).
TEST(Sliding, SpinCurlsAndOneStepMovesOnlyReleasedStonesInPlay)
{
    FieldState f;
    f.Stones[0] = stone(3, 1, 0.04f, 0, 0.0001f);
    f.Stones[1] = stone(3, 5, 0.04f, 0, -0.0001f);
    for (int step = 0; step < 100; ++step)
        f.Proc_Phys();
    EXPECT_NEAR(f.Stones[0].Heading, 0.01, 1e-6);
    EXPECT_NEAR(f.Stones[0].Rot, 10, 1e-3);
    EXPECT_GT(f.Stones[0].Pos.x, 3.0f);
    EXPECT_LT(f.Stones[1].Pos.x, 3.0f);
    EXPECT_EQ(f.Stones[0].Pos.y, 0.5f);

    FieldState g;
    g.Stones[2] = stone(3, 10, 0.04f, 90);
    g.Stones[3] = stone(3, 10, 0.04f);
    g.Stones[3].InPlay = 0;
    g.Stones[16] = stone(3, 20, 0.04f);
    g.Stones[0] = stone(3, 1, 0, 0, 0, 0);
    g.Proc_Phys();
    EXPECT_NEAR(g.Stones[2].Pos.x, 3.04, 1e-6);
    EXPECT_NEAR(g.Stones[2].Pos.z, 10, 1e-6);
    EXPECT_EQ(g.Stones[2].Speed, 0.04f - Friction);
    for (int i : {3, 16})
        EXPECT_EQ(std::pair(g.Stones[i].Pos.z, g.Stones[i].Speed), std::pair(i == 3 ? 10.0f : 20.0f, 0.04f)) << i;
    EXPECT_EQ(std::tuple(g.Stones[0].InPlay, g.Stones[0].RunState), std::tuple(-1, 0));
}

// Stopping on or short of the hog line, or reaching a side or the back, removes in that very step;
// a rested stone knocked back behind the hog line goes at once.
TEST(OutOfPlay, RemovedInTheStepThatReachesALimit)
{
    struct Case {
        float x, z, heading, speed;
        bool removed;
    };
    // Each moving stone moves 0.05 in the step.
    const Case cases[] = {{3, 31.5f, 0, 0, true},          {3, 31.6f, 0, 0, false},
                          {3, 20, 0, 0, true},             {6.45f, 10, 90, 0.05f, true},
                          {6.40f, 10, 90, 0.05f, false},   {-0.45f, 10, -90, 0.05f, true},
                          {-0.40f, 10, -90, 0.05f, false}, {3, 39.95f, 0, 0.05f, true},
                          {3, 39.9f, 0, 0.05f, false}};
    for (const Case& c : cases) {
        FieldState f;
        f.Stones[5] = stone(c.x, c.z, c.speed, c.heading);
        f.Proc_Phys();
        EXPECT_EQ(f.Stones[5].InPlay, c.removed ? 0 : -1) << c.x << " " << c.z;
        EXPECT_EQ(f.Stones[5].RunState, c.speed == 0 ? 2 : 1) << c.x << " " << c.z;
    }

    FieldState f;
    f.Stones[0] = resting(3, 31.56f);
    f.Stones[1] = stone(3, 31.8f, 0.03f, 180);
    for (int step = 0; step < 20 && f.Stones[0].Pos.z > 31.5f; ++step) {
        EXPECT_EQ(f.Stones[0].InPlay, -1) << "step " << step;
        f.Proc_Phys();
    }
    ASSERT_LE(f.Stones[0].Pos.z, 31.5f);
    EXPECT_GT(f.Stones[0].Speed, 0.0f);
    EXPECT_EQ(f.Stones[0].InPlay, 0);
}

// The mover stops dead; the target's turn and run state survive the hit.
TEST(Collision, HeadOnHitStopsTheMoverWhicheverIndexItHas)
{
    for (auto [mover, target] : {std::pair{0, 1}, std::pair{7, 2}}) {
        SCOPED_TRACE(mover);
        FieldState f;
        f.Stones[mover] = stone(3, 33, 0.04f);
        f.Stones[target] = resting(3, 33.2f);
        f.Stones[target].Rot = 77;
        f.Proc_Phys();
        const float afterHit = 0.04f - Friction;
        EXPECT_EQ(motion(f.Stones[mover]), std::tuple(-1, 1, 0.0f, 0.0f));
        EXPECT_EQ(motion(f.Stones[target]), std::tuple(-1, 2, afterHit, 0.0f));
        EXPECT_EQ(std::pair(f.Stones[target].Rot, f.Stones[target].Pos.z), std::pair(77.0f, 33.2f))
            << "a collision moves nothing";

        // Still in contact for the next steps while the target runs away: no second hit.
        const float moverZ = f.Stones[mover].Pos.z;
        for (int step = 1; step <= 3; ++step) {
            f.Proc_Phys();
            EXPECT_EQ(std::pair(f.Stones[mover].Pos.z, f.Stones[mover].Speed), std::pair(moverZ, 0.0f)) << step;
            EXPECT_EQ(motion(f.Stones[target]), std::tuple(-1, 2, afterHit - step * Friction, 0.0f)) << step;
        }
        EXPECT_GT(f.Stones[target].Pos.z, 33.3f);
        EXPECT_EQ(f.Stones[mover].RunState, 2); // came to rest after the hit
    }
}

TEST(Collision, GlancingHitSendsTheTargetSidewaysAndTheMoverOn)
{
    for (auto [mover, target] : {std::pair{0, 1}, std::pair{6, 3}}) {
        FieldState f;
        f.Stones[mover] = stone(3, 10, 0.04f);
        f.Stones[target] = resting(3.2f, 10.04f); // where the mover is after its slide
        f.Proc_Phys();
        const double s = 0.04f - Friction;
        EXPECT_NEAR(f.Stones[target].Heading, 90, 1e-4) << mover;
        EXPECT_NEAR(f.Stones[target].Speed, s, 1e-7) << mover;
        EXPECT_NEAR(f.Stones[mover].Heading, -45, 1e-3) << mover;
        EXPECT_NEAR(f.Stones[mover].Speed, std::sqrt(2.0) * s, 1e-6) << mover;
        EXPECT_EQ(f.Stones[mover].RunState, 1);
    }
}

// One step of touching stones: which of them move on afterwards, and how fast; a hit keeps the spin.
TEST(Collision, OnlyMovingStonesInPlayHitAndAChainPassesTheSpeedOn)
{
    StoneRec outOfPlay = resting(3, 10.2f);
    outOfPlay.InPlay = 0;
    const std::pair<std::vector<StoneRec>, std::vector<float>> cases[] = {
        {{resting(3, 33), resting(3.1f, 33.05f)}, {0, 0}},
        {{stone(3, 10, 0.04f), outOfPlay}, {0.04f - Friction, 0}},
        {{stone(3, 10, 0.04f), resting(3, 10.2f, -0.003f), resting(3, 10.4f)}, {0, 0, 0.04f - Friction}},
    };
    for (const auto& [stones, speedsAfter] : cases) {
        FieldState f;
        std::copy(stones.begin(), stones.end(), f.Stones.begin());
        f.Proc_Phys();
        for (std::size_t i = 0; i < stones.size(); ++i) {
            EXPECT_EQ(std::tuple(f.Stones[i].Speed, f.Stones[i].Heading, f.Stones[i].Spin),
                      std::tuple(speedsAfter[i], 0.0f, stones[i].Spin))
                << stones.size() << " stones, " << i;
            if (stones[i].Pos.z > 31.5f) { // short of the hog line a stone at rest leaves play anyway
                EXPECT_EQ(f.Stones[i].InPlay, -1) << i;
            }
        }
    }
}

// The log's slot of a four-frame window steers the current stone on the window's first frame;
// brushing slows every moving stone, and turns the current one even at rest. Frames outside the
// log read no command.
TEST(Brushing, OnlyTheFirstFrameOfAWindowReadsTheLog)
{
    FieldState f;
    f.CurStone = 0;
    f.Stones[0] = stone(3, 10, 0.04f);
    f.Stones[1] = stone(1, 20, 0.03f);
    f.Stones[2] = resting(5, 33);
    f.ShotFrame = 8;
    f.BrushLog[2] = 1;
    f.Proc_Phys();
    EXPECT_NEAR(f.Stones[0].Heading, -0.1, 1e-6);
    EXPECT_LT(f.Stones[0].Pos.x, 3.0f);
    EXPECT_EQ(std::pair(f.Stones[0].Speed, f.Stones[1].Speed), std::pair(0.04f - BrushFriction, 0.03f - BrushFriction));
    EXPECT_EQ(f.Stones[1].Heading, 0.0f);
    f.BrushLog[2] = 2;
    f.Proc_Phys(); // ShotFrame is still 8: the same slot applies again
    EXPECT_NEAR(f.Stones[0].Heading, 0.0, 1e-6);
    f.BrushLog[2] = 1;
    f.ShotFrame = 9;
    f.Proc_Phys();
    EXPECT_NEAR(f.Stones[0].Heading, 0.0, 1e-6);
    EXPECT_NEAR(f.Stones[1].Speed, 0.03f - 2 * BrushFriction - Friction, 1e-8);

    FieldState rest;
    rest.CurStone = 3;
    rest.Stones[3] = resting(3, 33);
    rest.BrushLog[0] = 2;
    rest.Proc_Phys();
    EXPECT_NEAR(rest.Stones[3].Heading, 0.1, 1e-6);

    std::array<std::int16_t, FieldState::BrushSlots> log;
    log.fill(1);
    for (auto [frame, cmd] : {std::pair{0, 1}, {4003, 1}, {4004, 0}, {32767, 0}, {-4, 0}})
        EXPECT_EQ(brushCommandAt(log, frame), cmd) << frame;
}

} // namespace
