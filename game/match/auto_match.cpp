#include "game/match/auto_match.h"

#include <memory>
#include <random>

namespace match {

AutoMatchResult playAutoMatch(const MatchSettings& settings, std::array<int, 2> levels, std::uint32_t seed)
{
    Match m(settings);
    std::array<std::unique_ptr<CpuPlayer>, 2> cpus;
    for (int t = 0; t < 2; ++t) {
        if (levels[t] > 0)
            cpus[t] = std::make_unique<CpuPlayer>(levels[t], seed * 2u + std::uint32_t(t));
    }
    std::mt19937 random(seed ^ 0x5bd1e995u);
    FieldState field;
    AutoMatchResult result;
    auto stones = [&field] { return std::span<StoneRec, StonesPerEnd>(field.Stones.data(), StonesPerEnd); };
    while (!m.over()) {
        const Situation situation = situationOf(m);
        CpuPlayer* cpu = cpus[static_cast<int>(situation.team)].get();
        StoneSet before;
        std::copy(field.Stones.begin(), field.Stones.begin() + StonesPerEnd, before.begin());
        const Shot shot = cpu ? cpu->choose(before, situation) : randomShot(random);
        m.beforeDelivery(stones());
        field.CurStone = static_cast<std::int16_t>(situation.record);
        field.AimX = shot.aimX;
        field.SpinSet = shot.spin;
        field.PowerSet = shot.power;
        field.BalAngle = shot.balance;
        placeForDelivery(field.Stones[situation.record], shot.aimX);
        field.launchCurrentStone();
        do {
            if (cpu) {
                const std::int16_t command = cpu->sweepCommandAt(field, situation);
                if (command != 0 && field.ShotFrame / 4 < FieldState::BrushSlots)
                    field.BrushLog[field.ShotFrame / 4] = command;
            }
            field.Proc_Phys();
            ++field.ShotFrame;
        } while (field.anyStoneMoving());
        m.afterDelivery(stones());
        if (m.endFinished()) {
            m.finishEnd(stones());
            clearSheet(stones());
            ++result.endsPlayed;
        }
    }
    result.score = m.score();
    for (const auto& cpu : cpus) {
        if (cpu)
            result.simulations += cpu->simulations();
    }
    return result;
}

} // namespace match
