#include "game/match/match_setup.h"

namespace match {

std::optional<MatchSetup> parseOpponent(std::string_view text)
{
    MatchSetup setup;
    if (text == "local") {
        setup.againstCpu = false;
        return setup;
    }
    if (text == "cpu")
        return setup;
    if (text.size() == 5 && text.substr(0, 4) == "cpu:" && text[4] >= '1' && text[4] <= '3') {
        setup.cpuLevel = text[4] - '0';
        return setup;
    }
    return std::nullopt;
}

} // namespace match
