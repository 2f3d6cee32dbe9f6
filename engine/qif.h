#pragma once

#include "engine/q_key.h"

#include <cstdint>
#include <span>

namespace platform {
class InputHost;
}

// Mouse and keyboard, polled once per frame. Reads only the window host's key table and cursor,
// so tests and replays drive it by writing into the host.
class QIF {
public:
    explicit QIF(platform::InputHost& host) : host_(host) {}

    std::int32_t getMouseX() const { return mouseX; }
    std::int32_t getMousey() const { return mouseY; }
    std::int16_t getMouseLeft() const { return mouseLeft; }
    std::int16_t getMouseRight() const { return mouseRight; }
    std::int16_t getMouseCenter() const { return mouseCenter; }

    // Called from the window's mouse-button-down event: 1 left, 2 right, 4 middle, or sums.
    void setMouseButton(std::int16_t Button) { pendingButton = Button; }
    // The mask the next checkMouse will decode (what an input recording keeps).
    std::int16_t getPendingButton() const { return pendingButton; }
    // Reads the cursor and turns the pending button mask into this poll's button states.
    void checkMouse();
    // Puts the cursor on a back-buffer point.
    void moveMouse(std::int16_t X, std::int16_t Y);
    void visibleMouse();
    void invisibleMouse();
    // Updates every binding, in order, from the host's 256-entry virtual-key table.
    void checkKey(std::span<Q_Key> CKey);

private:
    platform::InputHost& host_;
    std::int32_t mouseX = 0;
    std::int32_t mouseY = 0;
    std::int16_t pendingButton = 0;
    std::int16_t mouseLeft = 0;
    std::int16_t mouseRight = 0;
    std::int16_t mouseCenter = 0;
    std::int16_t leftHeld = 0;
    std::int16_t rightHeld = 0;
    std::int16_t centerHeld = 0;
};
