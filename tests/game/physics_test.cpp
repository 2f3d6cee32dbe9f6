#include "game/field_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr float Friction = 0.000025f, BrushFriction = 0.00002f;

StoneRec movingStone(float x, float z, float speed, float heading = 0, float spin = 0)
{
    StoneRec s;
    s.InPlay = -1;
    s.Pos = {x, 0.5f, z};
    s.Speed = speed;
    s.Heading = heading;
    s.Spin = spin;
    s.RunState = 1;
    return s;
}

StoneRec restingStone(float x, float z)
{
    StoneRec s = movingStone(x, z, 0);
    s.RunState = 2;
    return s;
}

// A released stone on its own, one step at a time, until it rests or the physics removes it.
struct LoneShotCase {
    const char* name;
    float speed;
    std::int16_t inPlay, runState;
    float restZ, tolerance;
};

class LoneShot : public ::testing::TestWithParam<LoneShotCase> {};

TEST_P(LoneShot, RestsOrLeaves)
{
    const LoneShotCase& c = GetParam();
    FieldState f;
    f.Stones[0] = movingStone(3, 1, c.speed);
    int steps = 0, movingSteps = 0;
    const StoneRec& s = f.Stones[0];
    for (; steps < 5000 && s.InPlay == -1 && (s.Speed > 0 || s.RunState == 1); ++steps) {
        movingSteps += s.Speed > 0;
        f.Proc_Phys();
    }
    EXPECT_EQ(f.Stones[0].InPlay, c.inPlay);
    EXPECT_EQ(f.Stones[0].RunState, c.runState);
    EXPECT_NEAR(f.Stones[0].Pos.z, c.restZ, c.tolerance);
    if (c.speed == 0.039f) {
        EXPECT_EQ(movingSteps, 1560);
        EXPECT_EQ(steps, 1561); // removed in the step after it stopped
    }
    EXPECT_LT(movingSteps, 1900);
}

const LoneShotCase loneShots[] = {
    {"StopsShortOfTheHogLine", 0.039f, 0, 2, 31.439f, 0.002f},
    {"RestsBeyondTheHogLine", 0.0418f, -1, 2, 35.97f, 0.01f},
    {"LeavesAtTheBack", 0.0475f, 0, 1, 40.5f, 0.5f},
};

INSTANTIATE_TEST_SUITE_P(Sliding, LoneShot, ::testing::ValuesIn(loneShots),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Sliding, SpinCurlsTheHeadingAndTurnsTheStone)
{
    FieldState f;
    f.Stones[0] = movingStone(3, 1, 0.04f, 0, 0.0001f);
    f.Stones[1] = movingStone(3, 5, 0.04f, 0, -0.0001f);
    for (int step = 0; step < 100; ++step)
        f.Proc_Phys();
    EXPECT_NEAR(f.Stones[0].Heading, 0.01, 1e-6);
    EXPECT_NEAR(f.Stones[0].Rot, 10, 1e-3);
    EXPECT_GT(f.Stones[0].Pos.x, 3.0f);
    EXPECT_LT(f.Stones[1].Pos.x, 3.0f);
    EXPECT_EQ(f.Stones[0].Pos.y, 0.5f);
}

// One step: a stone along the heading with friction, one out of play, the spare record, a placed one.
TEST(Sliding, OneStepMovesOnlyReleasedStonesInPlay)
{
    FieldState f;
    f.Stones[2] = movingStone(3, 10, 0.04f, 90);
    f.Stones[3] = movingStone(3, 10, 0.04f);
    f.Stones[3].InPlay = 0;
    f.Stones[16] = movingStone(3, 20, 0.04f);
    f.Stones[0] = movingStone(3, 1, 0);
    f.Stones[0].RunState = 0;
    f.Proc_Phys();
    EXPECT_NEAR(f.Stones[2].Pos.x, 3.04, 1e-6);
    EXPECT_NEAR(f.Stones[2].Pos.z, 10, 1e-6);
    EXPECT_EQ(f.Stones[2].Speed, 0.04f - Friction);
    for (int i : {3, 16}) {
        EXPECT_EQ(f.Stones[i].Pos.z, i == 3 ? 10.0f : 20.0f) << i;
        EXPECT_EQ(f.Stones[i].Speed, 0.04f) << i;
    }
    EXPECT_EQ(f.Stones[0].InPlay, -1); // placed, not yet released: stays
    EXPECT_EQ(f.Stones[0].RunState, 0);
}

// Stopping on or short of the hog line, or reaching a side or the back, removes in that very step.
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
        f.Stones[5] = movingStone(c.x, c.z, c.speed, c.heading);
        f.Proc_Phys();
        EXPECT_EQ(f.Stones[5].InPlay, c.removed ? 0 : -1) << c.x << " " << c.z;
        EXPECT_EQ(f.Stones[5].RunState, c.speed == 0 ? 2 : 1) << c.x << " " << c.z;
    }
}

TEST(OutOfPlay, RestedStoneKnockedBackBehindTheHogLineGoesAtOnce)
{
    FieldState f;
    f.Stones[0] = restingStone(3, 31.56f);
    f.Stones[1] = movingStone(3, 31.8f, 0.03f, 180);
    bool crossed = false;
    for (int step = 0; step < 20 && !crossed; ++step) {
        f.Proc_Phys();
        crossed = f.Stones[0].Pos.z <= 31.5f;
        if (!crossed) {
            EXPECT_EQ(f.Stones[0].InPlay, -1) << "step " << step;
        }
    }
    ASSERT_TRUE(crossed);
    EXPECT_GT(f.Stones[0].Speed, 0.0f);
    EXPECT_EQ(f.Stones[0].InPlay, 0);
}

TEST(Collision, HeadOnHitStopsTheMoverWhicheverIndexItHas)
{
    for (auto [mover, target] : {std::pair{0, 1}, std::pair{7, 2}}) {
        SCOPED_TRACE(mover);
        FieldState f;
        f.Stones[mover] = movingStone(3, 33, 0.04f);
        f.Stones[target] = restingStone(3, 33.2f);
        f.Proc_Phys();
        const float afterHit = 0.04f - Friction;
        EXPECT_EQ(f.Stones[mover].Speed, 0.0f);
        EXPECT_EQ(f.Stones[mover].Heading, 0.0f);
        EXPECT_EQ(f.Stones[target].Speed, afterHit);
        EXPECT_EQ(f.Stones[target].Heading, 0.0f);
        EXPECT_EQ(f.Stones[target].Pos.z, 33.2f); // a collision moves nothing

        // Still in contact for the next steps while the target runs away: no second hit.
        const float moverZ = f.Stones[mover].Pos.z;
        for (int step = 1; step <= 3; ++step) {
            f.Proc_Phys();
            EXPECT_EQ(f.Stones[mover].Pos.z, moverZ) << "step " << step;
            EXPECT_EQ(f.Stones[mover].Speed, 0.0f) << "step " << step;
            EXPECT_EQ(f.Stones[target].Heading, 0.0f) << "step " << step;
            EXPECT_EQ(f.Stones[target].Speed, afterHit - step * Friction) << "step " << step;
        }
        EXPECT_GT(f.Stones[target].Pos.z, 33.3f);
        EXPECT_EQ(f.Stones[target].RunState, 2); // struck while resting: keeps its state
        EXPECT_EQ(f.Stones[mover].RunState, 2);  // came to rest after the hit
        EXPECT_EQ(f.Stones[mover].InPlay, -1);
    }
}

TEST(Collision, GlancingHitSendsTheTargetSidewaysAndTheMoverOn)
{
    for (auto [mover, target] : {std::pair{0, 1}, std::pair{6, 3}}) {
        FieldState f;
        f.Stones[mover] = movingStone(3, 10, 0.04f);
        f.Stones[target] = restingStone(3.2f, 10.04f); // where the mover is after its slide
        f.Proc_Phys();
        const double s = 0.04f - Friction;
        EXPECT_NEAR(f.Stones[target].Heading, 90, 1e-4) << mover;
        EXPECT_NEAR(f.Stones[target].Speed, s, 1e-7) << mover;
        EXPECT_NEAR(f.Stones[mover].Heading, -45, 1e-3) << mover;
        EXPECT_NEAR(f.Stones[mover].Speed, std::sqrt(2.0) * s, 1e-6) << mover;
    }
}

TEST(Collision, SpinRotAndRunStateSurviveAHit)
{
    FieldState f;
    f.Stones[0] = movingStone(3, 10, 0.04f, 0, 0.002f);
    f.Stones[1] = restingStone(3, 10.2f);
    f.Stones[1].Spin = -0.003f;
    f.Stones[1].Rot = 77;
    f.Proc_Phys();
    ASSERT_GT(f.Stones[1].Speed, 0.0f);
    EXPECT_EQ(f.Stones[0].Spin, 0.002f);
    EXPECT_EQ(f.Stones[0].RunState, 1);
    EXPECT_EQ(f.Stones[1].Spin, -0.003f);
    EXPECT_EQ(f.Stones[1].Rot, 77.0f);
    EXPECT_EQ(f.Stones[1].RunState, 2);
}

// One step of touching stones: which of them move on afterwards, and how fast.
TEST(Collision, OnlyMovingStonesInPlayHitAndAChainPassesTheSpeedOn)
{
    StoneRec outOfPlay = restingStone(3, 10.2f);
    outOfPlay.InPlay = 0;
    struct Case {
        const char* what;
        std::vector<StoneRec> stones;
        std::vector<float> speedsAfter;
    };
    const Case cases[] = {
        {"resting stones in contact", {restingStone(3, 33), restingStone(3.1f, 33.05f)}, {0, 0}},
        {"target out of play", {movingStone(3, 10, 0.04f), outOfPlay}, {0.04f - Friction, 0}},
        {"chain", {movingStone(3, 10, 0.04f), restingStone(3, 10.2f), restingStone(3, 10.4f)},
         {0, 0, 0.04f - Friction}},
    };
    for (const Case& c : cases) {
        FieldState f;
        for (std::size_t i = 0; i < c.stones.size(); ++i)
            f.Stones[i] = c.stones[i];
        f.Proc_Phys();
        for (std::size_t i = 0; i < c.stones.size(); ++i) {
            EXPECT_EQ(f.Stones[i].Speed, c.speedsAfter[i]) << c.what << " " << i;
            EXPECT_EQ(f.Stones[i].Heading, 0.0f) << c.what << " " << i;
            if (c.stones[i].Pos.z > 31.5f) { // short of the hog line a stone at rest leaves play anyway
                EXPECT_EQ(f.Stones[i].InPlay, -1) << c.what << " " << i;
            }
        }
    }
}

TEST(Brushing, OnlyTheFirstFrameOfAWindowReadsTheLog)
{
    FieldState f;
    f.CurStone = 0;
    f.Stones[0] = movingStone(3, 10, 0.04f);
    f.Stones[1] = movingStone(1, 20, 0.03f);
    f.Stones[2] = restingStone(5, 33);
    f.ShotFrame = 8;
    f.BrushLog[2] = 1;
    f.Proc_Phys();
    EXPECT_NEAR(f.Stones[0].Heading, -0.1, 1e-6);
    EXPECT_LT(f.Stones[0].Pos.x, 3.0f);
    EXPECT_EQ(f.Stones[0].Speed, 0.04f - BrushFriction);
    EXPECT_EQ(f.Stones[1].Speed, 0.03f - BrushFriction);
    EXPECT_EQ(f.Stones[1].Heading, 0.0f);

    f.BrushLog[2] = 2;
    f.Proc_Phys(); // ShotFrame is still 8: the same slot applies again
    EXPECT_NEAR(f.Stones[0].Heading, 0.0, 1e-6);

    FieldState later;
    later.Stones[0] = movingStone(3, 10, 0.04f);
    later.ShotFrame = 9;
    later.BrushLog[2] = 1;
    later.Proc_Phys();
    EXPECT_EQ(later.Stones[0].Heading, 0.0f);
    EXPECT_EQ(later.Stones[0].Speed, 0.04f - Friction);

    FieldState resting; // the current stone turns even at rest
    resting.CurStone = 3;
    resting.Stones[3] = restingStone(3, 33);
    resting.BrushLog[0] = 2;
    resting.Proc_Phys();
    EXPECT_NEAR(resting.Stones[3].Heading, 0.1, 1e-6);
}

TEST(Brushing, FramesOutsideTheLogReadNoCommand)
{
    std::array<std::int16_t, FieldState::BrushSlots> log;
    log.fill(1);
    for (auto [frame, cmd] : {std::pair{0, 1}, {4003, 1}, {4004, 0}, {32767, 0}, {-4, 0}})
        EXPECT_EQ(brushCommandAt(log, frame), cmd) << frame;

    FieldState f;
    f.Stones[0] = movingStone(3, 10, 0.04f);
    f.BrushLog.fill(1);
    for (auto [frame, heading] : {std::pair{4004, 0.0}, {-32768, 0.0}, {4000, -0.1}}) {
        f.ShotFrame = static_cast<std::int16_t>(frame);
        f.Proc_Phys();
        EXPECT_NEAR(f.Stones[0].Heading, heading, heading == 0 ? 0 : 1e-6) << frame;
    }
}

} // namespace
