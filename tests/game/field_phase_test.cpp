#include "field_fixture.h"

#include "engine/qmodule.h"

#include <array>
#include <cmath>
#include <tuple>

using namespace fieldtest;
using namespace ShotPhase;

namespace {

using PhaseSequence = FieldTest;

// A new game fed one frame per character of a script (' ': no key, 'S': Space, '2': F2, 'B': the S
// key, 'X': Space and S): the phase after each frame, and once a shot runs, what follows its end.
TEST_F(PhaseSequence, StepByStepInEachSeries)
{
    const std::tuple<const char*, std::int16_t, const char*, std::vector<std::int16_t>> cases[] = {
        // S backs up only from the spin and power steps, and not while Space is held.
        {"practice", 1, "  S B S B S S B S S B SX  ",
         {1000, 1001, 1002, 1002, 1002, 1002, 1003, 1003, 1002, 1002, 1003, 1003, 1004,
          1004, 1003, 1003, 1004, 1004, 1005, 1005, 1005, 1005, 1006, 1006, 1007, 1008}},
        // Space still held in the second frame of the ready step: the triangle keeps turning.
        {"match series", 99, "  S S B S S S SS  ",
         {10, 11, 12, 12, 13, 13, 12, 12, 13, 13, 14, 14, 15, 15, 16, 16, 1007, 1008}},
        {"other modes wait for F2", 5, "          S2 ", {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 10, 11}},
    };
    for (const auto& [name, gmode, script, phases] : cases) {
        SCOPED_TRACE(name);
        start(gmode);
        EXPECT_EQ(field->Phase, 1);
        std::vector<std::int16_t> seen;
        for (const char* k = script; *k; ++k) {
            using Keys = std::initializer_list<std::uint8_t>;
            frame(*k == 'S'   ? Keys{VK_SPACE}
                  : *k == '2' ? Keys{VK_F2}
                  : *k == 'B' ? Keys{VK_S}
                  : *k == 'X' ? Keys{VK_SPACE, VK_S}
                              : Keys{});
            seen.push_back(field->Phase);
        }
        EXPECT_EQ(seen, phases);
        EXPECT_EQ(device->counts().presents, int(seen.size())); // the window runs and draws meanwhile
        if (seen.back() != 1008)
            continue;
        for (int i = 0; i < 3000 && field->Phase == 1008; ++i)
            frame();
        EXPECT_EQ(std::tuple(field->Phase, field->CurStone), std::tuple(1000, 1));
        frame();
        EXPECT_EQ(field->Phase, 1001); // a match series continues in practice after the release
    }
}

using ShotSettings = FieldTest;

// The first frame down reads as pressed and does not count: one second of D is 60 frames at 0.6 / 60.
TEST_F(ShotSettings, HeldKeysMoveByTheRateStopAtTheBoundsAndHeldWResetsOnlyTheCurrentOne)
{
    startPlaying(1, 61);
    advanceTo(Position);
    hold(VK_A, 240);
    EXPECT_EQ(field->AimX, -2.0f);
    hold(VK_D, 480);
    EXPECT_EQ(std::pair(field->AimX, field->Stones[0].Pos.x), std::pair(2.0f, 5.0f)) << "the stone follows";
    tap(VK_SPACE);
    hold(VK_D, 30);
    EXPECT_GT(field->SpinSet, 0.0f);
    hold(VK_A, 240);
    EXPECT_EQ(field->SpinSet, -1.0f);
    frame({VK_W});
    EXPECT_EQ(field->SpinSet, -1.0f); // the first frame down is a press, not a hold
    frame({VK_W});
    EXPECT_EQ(std::pair(field->SpinSet, field->AimX), std::pair(0.0f, 2.0f));
    tap(VK_SPACE);
    hold(VK_D, 60);
    EXPECT_NEAR(field->PowerSet, 0.59, 1e-4);
    hold(VK_D, 240);
    EXPECT_EQ(field->PowerSet, 2.0f);
    hold(VK_A, 240);
    EXPECT_EQ(field->PowerSet, 0.0f);
}

using Release = FieldTest;

TEST_F(Release, BalanceAngleCorrectsSpeedAndSpinAndTheReleaseResetsTheShot)
{
    startPlaying();
    // Angle, power and spin set; the stone's speed and spin.
    const std::array<float, 5> cases[] = {
        {90, 0, 0, 0.0385f, 0}, {0, 0, 0, 0.039f, 0.001f}, {270, 0, 0, 0.0395f, 0}, {0, 2, -1, 0.047f, -0.009f}};
    for (const auto& [angle, power, spin, speed, stoneSpin] : cases) {
        field->BrushLog.fill(2);
        field->View.Yaw = 33;
        field->ShotFrame = 99;
        // The release frame's own work, before anything else of the frame.
        field->Phase = 1007;
        field->BalAngle = angle;
        field->PowerSet = power;
        field->SpinSet = spin;
        field->Draw_Pre();
        const StoneRec& s = field->Stones[field->CurStone];
        EXPECT_NEAR(s.Speed, speed, 1e-7) << angle;
        EXPECT_NEAR(s.Spin, stoneSpin, 1e-9) << angle;
        EXPECT_EQ(std::tuple(field->Phase, s.Heading, s.RunState, field->CamMode, field->ShotFrame),
                  std::tuple(1008, 0.0f, 1, 6, 0));
        EXPECT_EQ(field->View.Yaw, 0.0f); // the view turns ahead
        EXPECT_EQ(field->BrushLog, decltype(field->BrushLog){});
    }
}

// The triangle turns 480 degrees a second from a start angle that differs between shots and
// follows the seed; the release frame also runs one physics step.
TEST_F(Release, SpaceTapInTheReadyPhaseShootsWithOneFrameOfTurnFromASeededStartAndF2Skips)
{
    std::vector<float> angles;
    for (int run = 0; run < 2; ++run) {
        start(1, 61, 1234);
        settleFrameRate();
        frames(2);
        for (int shot = 0; shot < 3; ++shot) {
            advanceTo(Ready);
            frame({VK_SPACE});
            ASSERT_EQ(std::tuple(field->Phase, field->CamMode), std::tuple(1006, 5));
            angles.push_back(field->BalAngle);
            field->Phase = 1001;
            field->CamMode = 1;
        }
    }
    EXPECT_EQ(std::vector(angles.begin(), angles.begin() + 3), std::vector(angles.begin() + 3, angles.end()));
    EXPECT_TRUE(angles[0] != angles[1] && angles[1] != angles[2]);

    advanceTo(Ready);
    frame({VK_SPACE});
    const float start = field->BalAngle;
    EXPECT_TRUE(start >= 0 && start < 360) << start;
    frame();
    ASSERT_EQ(field->Phase, 1007);
    const float turned = std::fmod(static_cast<float>(start + 480.0 / field->engine().getFPS()), 360.0f);
    EXPECT_EQ(field->BalAngle, turned);
    frame();
    const double a = QModule::degToRad(-turned);
    const StoneRec& s = field->Stones[field->CurStone];
    EXPECT_NEAR(s.Spin, std::cos(a) * 0.001, 1e-9);
    EXPECT_NEAR(s.Speed, 0.039 + std::sin(a) * 0.0005 - 0.000025, 1e-7);

    // F2 skips to the next shot even while the stone runs, and wraps the stone index.
    frame({VK_F2});
    EXPECT_EQ(std::tuple(field->Phase, field->CurStone), std::tuple(10, 1));
    const float z = s.Pos.z;
    frame();
    EXPECT_GT(field->Stones[0].Pos.z, z) << "the released stone keeps moving";
    field->CurStone = 15;
    frame({VK_F2});
    EXPECT_EQ(field->CurStone, 0);
}

using Brushing = FieldTest;

// A stone running straight on in phase 1008 with the frame counter just before `shotFrame`.
void setUpRun(Field& f, std::int16_t shotFrame)
{
    f.Phase = 1008;
    f.CurStone = 0;
    f.Stones[0] = onSheet(3, 10, 0.04f, 1);
    f.ShotFrame = static_cast<std::int16_t>(shotFrame - 1);
}

TEST_F(Brushing, OnlyAPressOnTheFirstFrameOfAWindowSteersAndPressesBeyondTheLogAreDropped)
{
    startPlaying();
    setUpRun(*field, 12);
    frame({VK_A});
    EXPECT_EQ(std::tuple(field->ShotFrame, field->BrushLog[3]), std::tuple(12, 1));
    EXPECT_NEAR(field->Stones[0].Heading, -0.1, 1e-6);

    setUpRun(*field, 13);
    frame({VK_D}); // stored, but slot 3 was read at frame 12
    EXPECT_EQ(std::tuple(field->BrushLog[3], field->Stones[0].Heading), std::tuple(2, 0.0f));
    frame({VK_D}); // held: no new command
    frame();
    frame({VK_A}); // ShotFrame 16: a new window
    EXPECT_EQ(field->BrushLog[4], 1);
    EXPECT_NEAR(field->Stones[0].Heading, -0.1, 1e-6);

    frame(); // A up again, so that the next frame reads as a press
    setUpRun(*field, 32767);
    frame({VK_A});
    EXPECT_EQ(field->ShotFrame, 32767);
    frame(); // the counter stays at its last value
    EXPECT_EQ(std::tuple(field->ShotFrame, field->Stones[0].Heading), std::tuple(32767, 0.0f));
}

using EndOfShot = FieldTest;

// Only stones in play that move keep a shot going. After stone 15 comes stone 0, lifted from the
// sheet with its turn kept; a record that left play while still moving must not slide once placed again.
TEST_F(EndOfShot, OnlyStonesInPlayMovingKeepItGoingAndStoneZeroFollowsFifteenLiftedFromTheSheet)
{
    startPlaying();
    field->Phase = 1008;
    field->CurStone = 4;
    field->Stones[9] = onSheet(5, 35, 0.01f);
    frame();
    EXPECT_EQ(field->Phase, 1008);
    field->Stones[9].Speed = 0;
    field->Stones[3].InPlay = 0;
    field->Stones[3].Speed = 0.03f; // left the sheet while moving
    field->Stones[4] = onSheet(3, 35, -0.00001f);
    frame();
    EXPECT_EQ(std::tuple(field->Phase, field->CurStone), std::tuple(1000, 5));

    field->Phase = 1008;
    field->CurStone = 15;
    StoneRec& old = field->Stones[0];
    old = {-1, {3.4f, 0.5f, 35}, 0.002f, -0.00001f, 1.5f, 300, 2}; // at rest, turned and spinning
    frame();
    EXPECT_EQ(field->CurStone, 0);
    frame();
    ASSERT_EQ(field->Phase, 1001);
    old.InPlay = 0;
    old.RunState = 1;
    old.Speed = 0.02f;
    frame({VK_SPACE});
    EXPECT_EQ(field->CamMode, 3);
    frames(5);
    const StoneRec& s = field->Stones[0];
    EXPECT_EQ(std::tuple(s.Pos.x, s.Pos.z, s.Speed, s.InPlay, s.RunState), std::tuple(3.0f, 1.0f, 0.0f, -1, 0));
    EXPECT_EQ(std::tuple(s.Spin, s.Heading, s.Rot), std::tuple(0.002f, 1.5f, 300.0f));
}

} // namespace
