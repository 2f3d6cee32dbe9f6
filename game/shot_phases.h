#pragma once

#include <cstdint>

// The phases of a shot. Each step exists in the single-practice series (1000 + step) and in the
// match series (10 + step); the match series has no release or running step of its own.
namespace ShotPhase {

enum Step : std::int16_t {
    NewShot = 0,
    FreeCamera = 1,
    Position = 2,
    SpinStep = 3,
    Power = 4,
    Ready = 5,
    Shooting = 6,
    Release = 7,
    StonesRunning = 8,
};

inline constexpr std::int16_t Start = 1;
inline constexpr std::int16_t SingleBase = 1000;
inline constexpr std::int16_t MatchBase = 10;

inline bool isMatch(std::int16_t phase)
{
    return phase >= MatchBase + NewShot && phase <= MatchBase + Shooting;
}

inline bool isSingle(std::int16_t phase)
{
    return phase >= SingleBase + NewShot && phase <= SingleBase + StonesRunning;
}

// The step of `phase`, or -1 for the start phase and unknown values.
inline int stepOf(std::int16_t phase)
{
    if (isSingle(phase))
        return phase - SingleBase;
    if (isMatch(phase))
        return phase - MatchBase;
    return -1;
}

inline bool atStep(std::int16_t phase, Step step)
{
    return stepOf(phase) == step;
}

// `step` in the series `phase` belongs to.
inline std::int16_t inSeriesOf(std::int16_t phase, Step step)
{
    return static_cast<std::int16_t>((isMatch(phase) ? MatchBase : SingleBase) + step);
}

// Phases of a match between deliveries; no shot step is active in them.
inline constexpr std::int16_t EndCount = 2000;     // the house from above, the end's count shown
inline constexpr std::int16_t MatchResult = 2001;  // the final score, もう一度 / 終了
inline constexpr std::int16_t LeaveMatch = 2002;   // Esc: asks whether to leave the match

} // namespace ShotPhase
