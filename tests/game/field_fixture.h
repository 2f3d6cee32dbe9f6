#pragma once

// A game window on the null device with a virtual clock and scripted input, driven frame by frame.

#include "game/field.h"
#include "game/shot_phases.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/gfx/null_device.h"
#include "platform/input_host.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

namespace fieldtest {

constexpr std::uint8_t VK_ESC = 27, VK_W = 87, VK_S = 83, VK_A = 65, VK_D = 68, VK_SPACE = 32, VK_F1 = 112,
                       VK_F2 = 113, VK_F3 = 114, VK_ENTER = 13;

class CountingDialogs final : public platform::Dialogs {
public:
    void messageBox(const std::string&, const std::string&) override { ++messages; }
    std::optional<std::string> inputBox(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    int messages = 0;
};

class FieldTest : public ::testing::Test {
protected:
    // Frames per second the clock runs at; checkFPS then reports one less (the frame on which a
    // second begins starts the new count at 0).
    void start(std::int16_t gmode, int framesPerSecond = 61, std::uint32_t seed = 7)
    {
        rate = framesPerSecond;
        FieldEnvironment env;
        env.platform.createDevice = [this](const engine::PresentParams&, bool) -> std::unique_ptr<gfx::Device> {
            auto d = std::make_unique<gfx::NullDevice>();
            device = d.get();
            return d;
        };
        // Stand-ins for the sheet's files: a grey texel and one triangle.
        env.platform.loadTexture = [](const std::string&) {
            platform::TextureImage image;
            image.levels.push_back({1, 1, {128, 128, 128, 255}});
            return image;
        };
        env.platform.loadMesh = [](const std::string&) {
            platform::MeshData mesh;
            mesh.vertices = {{0, 0, 0, 0, 1, 0, 0, 0}, {1, 0, 0, 0, 1, 0, 1, 0}, {0, 0, 1, 0, 1, 0, 0, 1}};
            mesh.indices = {0, 1, 2};
            mesh.subsets = {{0, 0, 1, 0, 3}};
            return mesh;
        };
        env.platform.clock = &clock;
        env.platform.dialogs = &dialogs;
        env.platform.input = &host;
        env.seed = seed;
        env.match = matchSetup;
        field = std::make_unique<Field>(env);
        field->prepareGame(gmode);
        field->beginLoop();
    }

    void setInput(std::initializer_list<std::uint8_t> keysDown, std::int16_t buttons = 0, int x = 320, int y = 240)
    {
        host.keys.fill(0);
        for (std::uint8_t k : keysDown)
            host.keys[k] = 0x80;
        host.x = x;
        host.y = y;
        if (buttons != 0)
            field->onMouseButtonDown(buttons);
        clock.set(100.0 + double(frameIndex) / rate);
        ++frameIndex;
    }

    // One whole frame with these keys down (and these buttons clicked since the last frame).
    void frame(std::initializer_list<std::uint8_t> keysDown = {}, std::int16_t buttons = 0, int x = 320,
               int y = 240)
    {
        setInput(keysDown, buttons, x, y);
        field->runFrame();
    }

    // Only the input poll, the phase work and the controls of a frame (no camera, no physics).
    void controlsOnly(std::initializer_list<std::uint8_t> keysDown = {}, std::int16_t buttons = 0, int x = 320,
                      int y = 240)
    {
        setInput(keysDown, buttons, x, y);
        field->Draw_Pre();
        field->Draw_Event();
    }

    void frames(int n)
    {
        for (int i = 0; i < n; ++i)
            frame();
    }

    // `n` frames with `key` held down.
    void hold(std::uint8_t key, int n)
    {
        for (int i = 0; i < n; ++i)
            frame({key});
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

    // A key tap: down for one frame, then up for one.
    void tap(std::uint8_t key)
    {
        frame({key});
        frame();
    }

    // From the free camera to `step` of the same series with Space taps.
    void advanceTo(ShotPhase::Step step)
    {
        while (ShotPhase::stepOf(field->Phase) < step && ShotPhase::stepOf(field->Phase) >= ShotPhase::FreeCamera
               && ShotPhase::stepOf(field->Phase) < ShotPhase::Shooting)
            tap(VK_SPACE);
        ASSERT_EQ(ShotPhase::stepOf(field->Phase), step);
    }

    std::optional<match::MatchSetup> matchSetup; // for GMode 2 and 3
    platform::ScriptedInputHost host;
    platform::VirtualClock clock{100.0};
    CountingDialogs dialogs;
    gfx::NullDevice* device = nullptr;
    std::unique_ptr<Field> field;
    int rate = 61;
    long frameIndex = 0;
};

} // namespace fieldtest
