#pragma once

// A whole match without a window: each delivery thrown and run step by step as the frame loop
// does, by computer players or by a player of random legal shots. For tests and benchmarks.

#include "game/match/cpu_player.h"
#include "game/match/match_rules.h"

#include <array>
#include <cstdint>

namespace match {

struct AutoMatchResult {
    std::array<int, 2> score{}; // red, yellow
    int endsPlayed = 0;
    long simulations = 0;       // shots the computer players simulated
};

// levels: 1..3 a computer player of that strength, 0 random legal shots. Red, then yellow.
AutoMatchResult playAutoMatch(const MatchSettings& settings, std::array<int, 2> levels, std::uint32_t seed);

} // namespace match
