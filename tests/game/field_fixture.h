#pragma once

// The headless game driven frame by frame, with the shortcuts into a shot the field tests share.

#include "game/shot_phases.h"
#include "tests/support/headless_game.h"

#include <gtest/gtest.h>

namespace fieldtest {

using namespace testsupport;

// A stone on the sheet at (x, z).
inline StoneRec onSheet(float x, float z, float speed = 0, std::int16_t runState = 2)
{
    return {-1, {x, 0.5f, z}, 0, speed, 0, 0, runState};
}

class FieldTest : public ::testing::Test, public HeadlessGame {
protected:
    // Frames per second the clock runs at; checkFPS then reports one less (the frame on which a
    // second begins starts the new count at 0).
    void start(std::int16_t gmode, int framesPerSecond = 61, std::uint32_t seed = 7)
    {
        env.seed = seed;
        HeadlessGame::start(gmode, framesPerSecond);
    }

    // Only the input poll, the phase work and the controls of a frame (no camera, no physics).
    void controlsOnly(std::initializer_list<std::uint8_t> keysDown = {}, int x = 320, int y = 240)
    {
        setInput(keysDown, 0, x, y);
        field->Draw_Pre();
        field->Draw_Event();
    }

    // A new game two frames on, in the free camera of its first shot (optionally at a settled rate).
    void startPlaying(std::int16_t gmode = 1, int framesPerSecond = 0)
    {
        start(gmode, framesPerSecond ? framesPerSecond : 61);
        if (framesPerSecond)
            settleFrameRate();
        frames(2);
    }

    // Runs idle frames until the measured rate is in effect (the first second reports 1).
    void settleFrameRate()
    {
        for (int i = 0; i < 3 * rate && field->engine().getFPS() != rate - 1; ++i)
            frame();
        ASSERT_EQ(field->engine().getFPS(), rate - 1);
    }

    // From the free camera to `step` of the same series with Space taps.
    void advanceTo(ShotPhase::Step step)
    {
        while (ShotPhase::stepOf(field->Phase) < step && ShotPhase::stepOf(field->Phase) >= ShotPhase::FreeCamera
               && ShotPhase::stepOf(field->Phase) < ShotPhase::Shooting)
            tap(VK_SPACE);
        ASSERT_EQ(ShotPhase::stepOf(field->Phase), step);
    }
};

} // namespace fieldtest
