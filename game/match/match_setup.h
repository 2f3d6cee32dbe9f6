#pragma once

// How a match is set up before it starts: the rules and who plays yellow.

#include "game/match/match_rules.h"

#include <optional>
#include <string>
#include <string_view>

namespace match {

// Game modes of the window: against the computer, and two players at one keyboard.
inline constexpr std::int16_t GModeAgainstCpu = 2;
inline constexpr std::int16_t GModeTwoPlayers = 3;

inline bool isMatchMode(std::int16_t gmode)
{
    return gmode == GModeAgainstCpu || gmode == GModeTwoPlayers;
}

struct MatchSetup {
    MatchSettings rules;
    bool againstCpu = true; // the computer plays yellow; otherwise a second player does
    int cpuLevel = 2;       // 1 弱い, 2 普通, 3 強い
    std::int16_t gmode() const { return againstCpu ? GModeAgainstCpu : GModeTwoPlayers; }
};

// "cpu", "cpu:1".."cpu:3" or "local"; nothing for any other text.
std::optional<MatchSetup> parseOpponent(std::string_view text);

} // namespace match
