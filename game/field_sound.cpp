// The sounds of the game window: collected while a frame runs, handed to the sink at its end.

#include "game/field.h"

#include <cmath>

namespace {

// How far a gauge moves between two clicks: a fortieth of its range.
constexpr std::array<double, 3> GaugeNotch{0.1, 0.05, 0.05};

constexpr float StrokeLevel = 0.8f;
constexpr float ClickLevel = 0.5f;

} // namespace

void Field::hear(sound::Kind kind, int stone, float speed, float level)
{
    if (!env_.sound)
        return;
    sound::Event e;
    e.kind = kind;
    e.stone = stone;
    e.speed = speed;
    e.frame = soundFrame_;
    e.level = level;
    sounds_.push_back(e);
}

void Field::hearStroke()
{
    hear(sound::Kind::Stroke, CurStone, currentStone().Speed, StrokeLevel);
}

// Position, spin and power, each in whole notches.
std::array<long, 3> Field::gaugeNotches() const
{
    return {std::lround(AimX / GaugeNotch[0]), std::lround(SpinSet / GaugeNotch[1]),
            std::lround(PowerSet / GaugeNotch[2])};
}

// One click per frame at most: a gauge moves a notch in several frames, and a reset is one event.
void Field::hearGauges(const std::array<long, 3>& before)
{
    if (gaugeNotches() != before)
        hear(sound::Kind::Click, -1, 0, ClickLevel);
}

// Hits of this frame's physics step, then the rumble of every stone still sliding.
void Field::passFrameSounds()
{
    if (env_.sound) {
        for (int h = 0; h < HitCount; ++h) {
            const Hit& hit = Hits[std::size_t(h)];
            hear(sound::Kind::Clack, hit.struck, hit.speed, sound::clackLevel(hit.speed));
        }
        for (int i = 0; i < PlayedStones; ++i) {
            const StoneRec& s = Stones[std::size_t(i)];
            if (s.InPlay != -1 || s.Speed <= 0)
                continue;
            hear(sound::Kind::Rumble, i, s.Speed, sound::rumbleLevel(s.Speed));
            sounds_.back().pitch = sound::rumblePitch(s.Speed);
        }
        env_.sound->frame(soundFrame_, sounds_);
        sounds_.clear();
    }
    ++soundFrame_;
}
