#pragma once

// The game without a screen, for tests: the null device, a virtual clock the test moves, scripted
// input and dialogs that write down what they show. Its files are stand-ins (a grey texel, one
// triangle) unless useLibrary() asks for the real Library folder the build writes.

#include "engine/qrn_platform.h"
#include "game/field.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/gfx/null_device.h"
#include "platform/input_host.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

namespace testsupport {

// Virtual key codes the game reads.
constexpr std::uint8_t VK_ESC = 27, VK_W = 87, VK_S = 83, VK_A = 65, VK_D = 68, VK_SPACE = 32, VK_F1 = 112,
                       VK_F2 = 113, VK_F3 = 114, VK_ENTER = 13;

class RecordingDialogs final : public platform::Dialogs {
public:
    // With `events`, each message is also written there as "message:<text>", in order with other events.
    explicit RecordingDialogs(std::vector<std::string>* events = nullptr) : events_(events) {}
    void messageBox(const std::string& text, const std::string& caption) override;
    std::optional<std::string> inputBox(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    std::vector<std::string> messages, captions;

private:
    std::vector<std::string>* events_;
};

// The folder the build writes Library/ into (the programs' folder).
std::string programDir();

// The loaders of the real program (bitmaps and X files) for an engine's platform.
void useRealLoaders(engine::QrnPlatform& platform);

class HeadlessGame {
public:
    HeadlessGame();
    virtual ~HeadlessGame() = default; // not copied: the game's callbacks hold `this`

    void useLibrary();

    void start(std::int16_t gmode, int framesPerSecond = 61);

    // The input of the next frame (keys down, buttons clicked since the last frame) and its clock time.
    void setInput(std::initializer_list<std::uint8_t> keysDown = {}, std::int16_t buttons = 0, int x = 320,
                  int y = 240);
    void frame(std::initializer_list<std::uint8_t> keysDown = {}, std::int16_t buttons = 0, int x = 320,
               int y = 240);
    void frames(int n);
    // `n` frames with `key` held down.
    void hold(std::uint8_t key, int n);
    // A key tap: down for one frame, then up for one.
    void tap(std::uint8_t key);

    platform::ScriptedInputHost host;
    platform::VirtualClock clock{100.0};
    RecordingDialogs dialogs;
    // What start() builds the game from; a test may change it first.
    FieldEnvironment env;
    gfx::NullDevice* device = nullptr; // made by the game's start
    std::unique_ptr<Field> field;
    int rate = 61;
    long frameIndex = 0;
};

} // namespace testsupport
