#include "game/match/cpu_player.h"

#include "game/match/house.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace match {

namespace {

// The balance angle it releases at: there the speed is least sensitive to the moment of release
// and the angle adds nothing to the curl.
constexpr float ReleaseBalance = 90;

struct Level {
    std::vector<float> spins;
    std::vector<float> drawXs;     // across the house
    std::vector<float> drawZs;     // along it
    std::vector<float> guardZs;
    std::vector<float> hitOffsets; // aim beside a target stone's centre
    std::vector<float> hitPowers;
    int robustTop;                 // best candidates re-tried under noise
    int robustTries;
    double aimNoise, spinNoise, powerNoise;
    bool sweeps;
};

Level levelSettings(int level)
{
    switch (level) {
    case 1:
        return {{-0.3f, 0.3f}, {3.0f}, {36.0f}, {}, {0.0f}, {1.8f}, 0, 0, 0.22, 0.06, 0.07, false};
    case 2:
        return {{-0.3f, 0.3f}, {2.5f, 3.0f, 3.5f}, {35.5f, 36.2f}, {33.8f}, {0.0f}, {1.8f}, 0, 0, 0.1, 0.03, 0.04, true};
    default:
        return {{-0.45f, -0.3f, -0.15f, 0.15f, 0.3f, 0.45f},
                {2.0f, 2.5f, 3.0f, 3.5f, 4.0f},
                {34.8f, 35.4f, 36.0f, 36.6f, 37.2f},
                {33.0f, 34.2f},
                {-0.12f, -0.06f, 0.0f, 0.06f, 0.12f},
                {1.5f, 1.8f, 2.0f},
                8,
                6,
                0.015,
                0.008,
                0.006,
                true};
    }
}

bool inPlay(const StoneRec& s)
{
    return s.InPlay == -1;
}

float clampTo(float v, float low, float high)
{
    return std::max(low, std::min(high, v));
}

bool isLastStone(const Situation& s)
{
    return s.thrown == StonesPerEnd - 1;
}

} // namespace

Situation situationOf(const Match& m)
{
    return {m.toThrow(), m.recordToThrow(), m.thrown(), m.hammer()};
}

// The count if the end stopped now, plus, while stones are still to come, the promise of each
// stone in the house (nearer is worth more) and of centre guards for the team without the hammer.
double evaluatePosition(const StoneSet& stones, const Situation& situation)
{
    const EndCount count = countEnd(std::span<const StoneRec, StonesPerEnd>(stones));
    const int points = count.scorer ? (*count.scorer == situation.team ? count.points : -count.points) : 0;
    if (isLastStone(situation)) {
        // A blank end keeps the hammer: worth a little to the team that holds it.
        const double blank = points == 0 && situation.hammer == situation.team ? 0.3 : 0.0;
        return points + blank;
    }
    double value = 0.6 * points;
    const double stonesToCome = double(StonesPerEnd - 1 - situation.thrown) / StonesPerEnd;
    for (int i = 0; i < StonesPerEnd; ++i) {
        const StoneRec& s = stones[i];
        const double sign = teamOfStone(i) == situation.team ? 1.0 : -1.0;
        if (touchesHouse(s)) {
            value += sign * 0.35 * (1.0 - distanceToButton(s) / house::CountingReach);
        } else if (inPlay(s) && s.Pos.z > house::ButtonZ) {
            value -= sign * 0.05; // behind the house: a stone a later shot may raise into it
        } else if (inFreeGuardZone(s) && std::abs(s.Pos.x - house::ButtonX) < 1.0) {
            const bool ownGuard = sign > 0 && situation.hammer != situation.team;
            value += ownGuard ? 0.15 * stonesToCome : 0.0;
        }
    }
    return value;
}

CpuPlayer::CpuPlayer(int level, std::uint32_t seed) : level_(std::clamp(level, 1, 3)), random_(seed) {}

// Paths of a stone thrown alone with `spin` over a range of powers, from an aim that offsets
// most of the curl. A path moved across the sheet stays the same path, so a draw to any point is
// found from these by interpolating the power and shifting the aim.
const CpuPlayer::Curl& CpuPlayer::curl(float spin)
{
    for (const Curl& c : curls_) {
        if (c.spin == spin)
            return c;
    }
    Curl c{spin, {}};
    const float aim = clampTo(-3.0f * spin, -2, 2);
    std::vector<float> powers;
    for (int i = 0; i <= 50; ++i)
        powers.push_back(0.2f + 0.02f * float(i));
    for (float p : levelSettings(level_).hitPowers)
        powers.push_back(p);
    std::sort(powers.begin(), powers.end());
    FieldState f;
    for (float power : powers) {
        PathSample sample{power, aim, 0, 0, false, {}};
        f = FieldState{};
        f.CurStone = 0;
        f.PowerSet = power;
        f.SpinSet = spin;
        f.BalAngle = ReleaseBalance;
        placeForDelivery(f.Stones[0], aim);
        f.launchCurrentStone();
        do {
            f.Proc_Phys();
            ++f.ShotFrame;
            sample.track.emplace_back(f.Stones[0].Pos.z, f.Stones[0].Pos.x);
        } while (f.anyStoneMoving());
        ++simulations_;
        const StoneRec& s = f.Stones[0];
        sample.finalX = s.Pos.x;
        sample.finalZ = s.Pos.z;
        sample.inPlay = inPlay(s) || (s.Pos.x > -0.5f && s.Pos.x < 6.5f && s.Pos.z < 40); // short of hog still measures
        c.paths.push_back(std::move(sample));
    }
    curls_.push_back(std::move(c));
    return curls_.back();
}

void CpuPlayer::addDraw(std::vector<Shot>& out, const Curl& c, float x, float z)
{
    for (std::size_t i = 0; i + 1 < c.paths.size(); ++i) {
        const PathSample& a = c.paths[i];
        const PathSample& b = c.paths[i + 1];
        if (!a.inPlay || !b.inPlay || !(a.finalZ <= z && z <= b.finalZ) || b.finalZ <= a.finalZ)
            continue;
        const float t = (z - a.finalZ) / (b.finalZ - a.finalZ);
        const float power = a.power + t * (b.power - a.power);
        const float restX = a.finalX + t * (b.finalX - a.finalX);
        const float aim = a.aimX + (x - restX);
        if (aim < -2 || aim > 2)
            return;
        out.push_back({aim, c.spin, power, ReleaseBalance, -1});
        return;
    }
}

void CpuPlayer::addHit(std::vector<Shot>& out, const Curl& c, float x, float z, float offset)
{
    for (float power : levelSettings(level_).hitPowers) {
        for (const PathSample& p : c.paths) {
            if (p.power != power)
                continue;
            const auto at = std::find_if(p.track.begin(), p.track.end(), [z](const auto& zx) { return zx.first >= z; });
            if (at == p.track.end())
                continue;
            const float aim = p.aimX + (x + offset - at->second);
            if (aim >= -2 && aim <= 2)
                out.push_back({aim, c.spin, power, ReleaseBalance, -1});
        }
    }
}

std::vector<Shot> CpuPlayer::candidates(const StoneSet& stones, const Situation& situation)
{
    const Level lv = levelSettings(level_);
    std::vector<Shot> out;
    for (float spin : lv.spins) {
        const Curl& c = curl(spin);
        for (float z : lv.drawZs)
            for (float x : lv.drawXs)
                addDraw(out, c, x, z);
        for (float z : lv.guardZs)
            for (float x : {2.6f, 3.0f, 3.4f})
                addDraw(out, c, x, z);
        for (int i = 0; i < StonesPerEnd; ++i) {
            const StoneRec& s = stones[i];
            if (!inPlay(s) || s.Pos.z <= house::HogLineZ || i == situation.record)
                continue;
            if (teamOfStone(i) != situation.team) {
                for (float offset : lv.hitOffsets)
                    addHit(out, c, s.Pos.x, s.Pos.z, offset);
            }
            // Come to rest just in front of or behind a stone in the house (a freeze or a guard).
            if (level_ >= 2 && touchesHouse(s)) {
                addDraw(out, c, s.Pos.x, s.Pos.z - 0.3f);
                addDraw(out, c, s.Pos.x, s.Pos.z + 0.3f);
            }
        }
    }
    return out;
}

double CpuPlayer::judge(const StoneSet& stones, const Situation& situation, const Shot& shot)
{
    ++simulations_;
    return evaluatePosition(sim_.throwStone(stones, situation.record, shot), situation);
}

Shot CpuPlayer::plan(const StoneSet& stones, const Situation& situation)
{
    const Level lv = levelSettings(level_);
    std::vector<Shot> shots = candidates(stones, situation);
    if (shots.empty())
        return {0, 0, 0.7f, ReleaseBalance, -1};
    std::vector<double> values;
    values.reserve(shots.size());
    for (const Shot& s : shots)
        values.push_back(judge(stones, situation, s));
    std::vector<std::size_t> order(shots.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return values[a] > values[b]; });
    // Prefer a shot that still ends well when thrown a little off: its neighbours under the
    // player's own noise count with the shot itself.
    std::size_t best = order.front();
    if (lv.robustTop > 0) {
        double bestMean = -1e9;
        for (int r = 0; r < lv.robustTop && r < int(order.size()); ++r) {
            const std::size_t i = order[r];
            double sum = values[i];
            for (int t = 0; t < lv.robustTries; ++t)
                sum += judge(stones, situation, withNoise(shots[i]));
            const double mean = sum / (lv.robustTries + 1);
            if (mean > bestMean) {
                bestMean = mean;
                best = i;
            }
        }
    }
    return shots[best];
}

Shot CpuPlayer::choose(const StoneSet& stones, const Situation& situation)
{
    return withNoise(plan(stones, situation));
}

bool CpuPlayer::wantsSweep(const FieldState& running, const Situation& situation)
{
    if (!levelSettings(level_).sweeps)
        return false;
    simulations_ += 2;
    const int slot = (running.ShotFrame + 3) / 4;
    const double swept = evaluatePosition(sim_.runOn(running, slot), situation);
    const double plain = evaluatePosition(sim_.runOn(running, -1), situation);
    return swept > plain + 0.02;
}

std::int16_t CpuPlayer::sweepCommandAt(const FieldState& running, const Situation& situation)
{
    if (running.ShotFrame == 0)
        sweeping_ = false;
    if (running.ShotFrame % SweepReview == 0)
        sweeping_ = wantsSweep(running, situation);
    if (!sweeping_ || running.ShotFrame % 4 != 0)
        return 0;
    Shot sweep;
    sweep.sweepFrom = 0;
    return sweepCommand(sweep, running.ShotFrame / 4);
}

// Standard normal from two uniform draws of the player's own generator (Box-Muller), so the
// numbers are the same with every standard library.
double CpuPlayer::gaussian()
{
    const double u1 = (double(random_() >> 5) + 1.0) / 134217729.0;
    const double u2 = double(random_() >> 5) / 134217728.0;
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * 3.14159265358979 * u2);
}

Shot CpuPlayer::withNoise(Shot shot)
{
    const Level lv = levelSettings(level_);
    shot.aimX = clampTo(static_cast<float>(shot.aimX + lv.aimNoise * gaussian()), -2, 2);
    shot.spin = clampTo(static_cast<float>(shot.spin + lv.spinNoise * gaussian()), -1, 1);
    shot.power = clampTo(static_cast<float>(shot.power + lv.powerNoise * gaussian()), 0, 2);
    return shot;
}

Shot randomShot(std::mt19937& random)
{
    std::uniform_real_distribution<float> unit(0, 1);
    Shot s;
    s.aimX = -1 + 2 * unit(random);
    s.spin = -0.5f + unit(random);
    s.power = 0.4f + 0.8f * unit(random);
    s.balance = 360 * unit(random);
    return s;
}

} // namespace match
