// The status text: counters and the help lines of the current phase.

#include "game/field.h"

// The frame rate is measured here, once per frame; its value is kept for the frame's dump.
void Field::Draw_System()
{
    FrameFps = Gfx->checkFPS();
}
