#pragma once

// What the game sounds like, as plain data: each frame the game hands the sounds it made to a
// sink. Whoever listens (the mixer that plays them, a file, a test) implements the sink; the game
// knows nothing of audio devices.

#include <cstdint>
#include <span>

namespace sound {

enum class Kind : std::uint8_t {
    Release, // the stone leaves the hand; speed: its speed
    Rumble,  // a stone slides; given every frame it moves, with level and pitch from its speed
    Clack,   // two stones hit; stone: the struck one, speed: what it was handed
    Stroke,  // a brush stroke (A or D while the stone runs); speed: the running stone's
    Click,   // a gauge (position, spin, power) moved a notch or was reset
};

struct Event {
    Kind kind = Kind::Click;
    int stone = -1;    // the stone it belongs to, -1 for none
    float speed = 0;   // units per physics step
    long frame = 0;    // the frame of the run that made it, counted from 0
    float level = 1;   // loudness 0..1
    float pitch = 1;   // playback rate: 1 as recorded, 2 an octave up
};

class Sink {
public:
    virtual ~Sink() = default;
    // Once per frame, also when nothing sounded: a rumble lasts only while every frame brings it.
    virtual void frame(long frame, std::span<const Event> events) = 0;
};

// Speed of a stone thrown at full power; louder and higher rumbles are capped there.
inline constexpr float FullSpeed = 0.047f;

float rumbleLevel(float speed);
float rumblePitch(float speed);
float clackLevel(float handedSpeed);
float releaseLevel(float speed);

} // namespace sound
