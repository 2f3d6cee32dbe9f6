#include "engine/q_key.h"

std::int16_t nextInputState(bool down, std::int16_t& held)
{
    if (!down) {
        held = 0;
        return 0;
    }
    if (held != 0)
        return 2;
    held = -1;
    return 1;
}

void Q_Key::changeState(bool down)
{
    keyState = nextInputState(down, keyHeld);
}
