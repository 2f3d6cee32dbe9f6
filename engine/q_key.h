#pragma once

#include <cstdint>

// One key binding: a Windows virtual-key code and its per-poll state.
// States: 0 up, 1 pressed at this poll (the edge), 2 held since an earlier poll.
class Q_Key {
public:
    void setKey(std::uint8_t ref) { keyCode = ref; }
    std::uint8_t getKey() const { return keyCode; }
    std::int16_t getState() const { return keyState; }
    // Applies one poll's observation of the key.
    void changeState(bool down);

private:
    std::uint8_t keyCode = 0;
    std::int16_t keyState = 0;
    std::int16_t keyHeld = 0; // -1 while the key was down at the previous poll
};

// The transition shared by keys and mouse buttons. `held` is the 16-bit flag (-1 / 0).
std::int16_t nextInputState(bool down, std::int16_t& held);
