#pragma once

#include <array>
#include <cstdint>

namespace platform {

// What the game window host offers the input layer: a 256-entry table indexed by Windows
// virtual-key codes (non-zero = down), the mouse buttons pressed since the last poll, and the
// cursor in back-buffer pixels. The window fills it from Qt events; tests and replays set it
// directly.
class InputHost {
public:
    virtual ~InputHost() = default;

    virtual const std::array<std::uint8_t, 256>& keyTable() const = 0;
    // The poll has read the table. A key pressed since the previous poll reads as down at the
    // next poll even when it was released before it; after this call it reads as it really is.
    virtual void keyTableRead() {}

    virtual int cursorX() const = 0;
    virtual int cursorY() const = 0;
    // Moves the cursor to a back-buffer position (mouse-look re-centres it every frame).
    virtual void setCursor(int x, int y) = 0;
    virtual void setCursorVisible(bool visible) = 0;

    // Lets pending window events run (key, mouse and close events reach the table here).
    virtual void processEvents() = 0;
};

// A host with no window: the table and cursor are whatever the owner writes into them.
class ScriptedInputHost final : public InputHost {
public:
    const std::array<std::uint8_t, 256>& keyTable() const override { return keys; }
    int cursorX() const override { return x; }
    int cursorY() const override { return y; }
    void setCursor(int nx, int ny) override { x = nx; y = ny; }
    void setCursorVisible(bool v) override { cursorVisible = v; }
    void processEvents() override {}

    std::array<std::uint8_t, 256> keys{};
    int x = 320;
    int y = 240;
    bool cursorVisible = true;
};

} // namespace platform
