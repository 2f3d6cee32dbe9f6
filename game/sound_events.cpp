#include "game/sound_events.h"

#include <algorithm>
#include <cmath>

namespace sound {

namespace {

float share(float speed)
{
    return std::clamp(speed / FullSpeed, 0.0f, 1.0f);
}

} // namespace

// A square root: a slow stone is still heard until it stops, rather than fading out long before.
float rumbleLevel(float speed)
{
    return 0.7f * std::sqrt(share(speed));
}

float rumblePitch(float speed)
{
    return 0.6f + 0.6f * share(speed);
}

// A hit at a third of full speed is already a loud one; a touch is a tap.
float clackLevel(float handedSpeed)
{
    return std::clamp(0.1f + 3.0f * share(handedSpeed), 0.0f, 1.0f);
}

float releaseLevel(float speed)
{
    return 0.4f + 0.6f * share(speed);
}

} // namespace sound
