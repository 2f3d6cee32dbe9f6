#pragma once

// Throwing a stone without drawing: the game's own release and physics step, run until every
// stone rests. The computer player weighs candidate shots with it; the frame loop runs the same
// calls one per frame.

#include "game/field_state.h"

#include <array>
#include <span>

namespace match {

// The settings a player makes for one delivery, in the units of the game's gauges.
struct Shot {
    float aimX = 0;    // -2..2: the delivery point's offset across the sheet
    float spin = 0;    // -1..1
    float power = 0;   // 0..2
    float balance = 0; // the balance triangle's angle at release, degrees
    int sweepFrom = -1; // first four-frame brushing slot swept (left and right by turns); -1 none
};

// The brushing command of slot `slot` under `shot`: 0 none, 1 left, 2 right.
std::int16_t sweepCommand(const Shot& shot, int slot);

using StoneSet = std::array<StoneRec, FieldState::PlayedStones>;

class ShotSimulator {
public:
    // The stones once `shot`, thrown with stone record `record` from the delivery point, and all
    // it hit have come to rest. `steps`, if given, receives the number of physics steps run.
    StoneSet throwStone(const StoneSet& start, int record, const Shot& shot, int* steps = nullptr);

    // The stones at rest once a shot already running in `now` ends, sweeping from brushing slot
    // `sweepFrom` on (left and right by turns) or, with -1, not brushing any more.
    StoneSet runOn(const FieldState& now, int sweepFrom);

private:
    StoneSet runToRest(int* steps);

    FieldState field_;
};

// Places stone `record` at the delivery point for `aimX`, as the player's placement does.
void placeForDelivery(StoneRec& stone, float aimX);

} // namespace match
