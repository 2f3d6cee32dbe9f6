#pragma once

#include "platform/gfx/d3d_types.h"

#include <cstdint>

// One stone on the sheet. Speeds are units per physics step, angles degrees.
struct StoneRec {
    std::int16_t InPlay = 0;   // -1 while the stone is on the sheet
    D3DVECTOR Pos;
    float Spin = 0;            // degrees added to Heading per step while moving (the curl)
    float Speed = 0;           // moves while above 0
    float Heading = 0;         // 0 points along +z, 90 along +x
    float Rot = 0;             // drawn rotation about the vertical axis
    std::int16_t RunState = 0; // 0 placed, 1 released and running, 2 came to rest
};
