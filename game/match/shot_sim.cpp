#include "game/match/shot_sim.h"

#include <algorithm>

namespace match {

namespace {

// A stone slows by at least the brushed friction per step: no shot runs longer than this.
constexpr int MaxSteps = 8000;

} // namespace

std::int16_t sweepCommand(const Shot& shot, int slot)
{
    if (shot.sweepFrom < 0 || slot < shot.sweepFrom)
        return 0;
    return static_cast<std::int16_t>(slot % 2 == 0 ? 1 : 2);
}

void placeForDelivery(StoneRec& stone, float aimX)
{
    stone.InPlay = -1;
    stone.RunState = 0;
    stone.Speed = 0;
    stone.Pos = {3 + aimX, 0.5f, 1};
}

StoneSet ShotSimulator::throwStone(const StoneSet& start, int record, const Shot& shot, int* steps)
{
    std::copy(start.begin(), start.end(), field_.Stones.begin());
    field_.CurStone = static_cast<std::int16_t>(record);
    field_.AimX = shot.aimX;
    field_.SpinSet = shot.spin;
    field_.PowerSet = shot.power;
    field_.BalAngle = shot.balance;
    placeForDelivery(field_.Stones[record], shot.aimX);
    field_.launchCurrentStone();
    if (shot.sweepFrom >= 0) {
        for (int slot = shot.sweepFrom; slot < FieldState::BrushSlots; ++slot)
            field_.BrushLog[slot] = sweepCommand(shot, slot);
    }
    return runToRest(steps);
}

StoneSet ShotSimulator::runOn(const FieldState& now, int sweepFrom)
{
    field_ = now;
    const int first = std::max(0, (now.ShotFrame + 3) / 4);
    Shot sweep;
    sweep.sweepFrom = sweepFrom;
    for (int slot = first; slot < FieldState::BrushSlots; ++slot)
        field_.BrushLog[slot] = sweepCommand(sweep, slot);
    return runToRest(nullptr);
}

// As in the frame loop: one step per frame, the frame count advancing after each.
StoneSet ShotSimulator::runToRest(int* steps)
{
    int n = 0;
    do {
        field_.Proc_Phys();
        ++field_.ShotFrame;
        ++n;
    } while (field_.anyStoneMoving() && n < MaxSteps);
    if (steps)
        *steps = n;
    StoneSet out;
    std::copy(field_.Stones.begin(), field_.Stones.begin() + FieldState::PlayedStones, out.begin());
    return out;
}

} // namespace match
