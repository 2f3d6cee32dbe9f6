#pragma once

// The rules of a match: two teams, ends of sixteen stones thrown alternately, the hammer, the
// count at the end of an end, an extra end on a tie and the optional free-guard-zone rule. Plain
// state over the stone records; the frame loop asks it whose stone is next and tells it when the
// stones have come to rest.

#include "game/stone_rec.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace match {

enum class Team : std::uint8_t { Red = 0, Yellow = 1 };

inline Team otherTeam(Team t) { return t == Team::Red ? Team::Yellow : Team::Red; }
// Red throws the even stone records, yellow the odd ones.
inline Team teamOfStone(int record) { return record % 2 == 0 ? Team::Red : Team::Yellow; }
const char* teamKey(Team t); // "red" / "yellow"

inline constexpr int StonesPerEnd = 16;
inline constexpr int StonesPerTeam = 8;
inline constexpr int MinEnds = 1;
inline constexpr int MaxEnds = 10;
inline constexpr int DefaultEnds = 8;
// Free guard zone: opponent guards may not be removed before this many stones of an end are thrown.
inline constexpr int FreeGuardStones = 5;

using Stones = std::span<const StoneRec, StonesPerEnd>;

double distanceToButton(const StoneRec& s);
bool touchesHouse(const StoneRec& s);
// In play between the hog line and the tee line without touching the house.
bool inFreeGuardZone(const StoneRec& s);

// The count of an end: who scores, how many, and which stone records count.
struct EndCount {
    std::optional<Team> scorer; // none: a blank end (nothing in the house, or the nearest tie)
    int points = 0;
    std::vector<int> counting;
};
EndCount countEnd(Stones stones);

struct MatchSettings {
    int ends = DefaultEnds;
    bool freeGuardZone = false;
};

// What one delivery did, for the status line (the game window puts it into words).
struct ShotReport {
    int record = -1;
    bool foulRestored = false; // free-guard-zone breach: the stones went back, the thrown one left play
    int opponentRemoved = 0;
    int ownRemoved = 0;
    enum class Rest { House, Guard, Beyond, ShortOfHog, SideOut, BackOut } rest = Rest::House;
};

class Match {
public:
    explicit Match(MatchSettings settings, Team firstHammer = Team::Yellow);

    const MatchSettings& settings() const { return settings_; }
    int end() const { return end_; } // from 1; beyond settings().ends in extra ends
    int thrown() const { return thrown_; }
    Team hammer() const { return hammer_; }
    Team toThrow() const;
    int recordToThrow() const; // the stone record of the next delivery
    int stonesLeft(Team t) const;
    std::array<int, 2> score() const { return total_; }
    // Points per end played so far, red then yellow.
    const std::vector<std::array<int, 2>>& endPoints() const { return endPoints_; }
    bool endFinished() const { return thrown_ >= StonesPerEnd; }
    bool over() const { return over_; }
    std::optional<Team> winner() const;

    // Before a delivery: the position the free-guard-zone rule may have to restore.
    void beforeDelivery(Stones stones);
    // After the delivered stone and everything it hit have come to rest. May put stones back
    // (free-guard-zone rule).
    ShotReport afterDelivery(std::span<StoneRec, StonesPerEnd> stones);
    // Once all sixteen stones are thrown: counts, moves the hammer, starts the next end or ends
    // the match. The caller clears the sheet.
    EndCount finishEnd(Stones stones);

private:
    MatchSettings settings_;
    int end_ = 1;
    int thrown_ = 0;
    Team hammer_;
    std::array<int, 2> total_{};
    std::vector<std::array<int, 2>> endPoints_;
    bool over_ = false;
    std::array<StoneRec, StonesPerEnd> before_{};
};

// Takes every stone off the sheet, as between ends.
void clearSheet(std::span<StoneRec, StonesPerEnd> stones);

} // namespace match
