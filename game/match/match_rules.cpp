#include "game/match/match_rules.h"

#include "game/match/house.h"

#include <cmath>
#include <limits>

namespace match {

namespace {

bool inPlay(const StoneRec& s)
{
    return s.InPlay == -1;
}

int index(Team t)
{
    return static_cast<int>(t);
}

// Where a stone that left play during a delivery went out, judged from where it stopped: the
// physics freezes a stone where it leaves play.
ShotReport::Rest restOf(const StoneRec& s)
{
    constexpr double SideLow = -0.5, SideHigh = 6.5, Back = 40;
    if (!inPlay(s)) {
        if (s.Pos.x <= SideLow || s.Pos.x >= SideHigh)
            return ShotReport::Rest::SideOut;
        if (s.Pos.z >= Back)
            return ShotReport::Rest::BackOut;
        return ShotReport::Rest::ShortOfHog;
    }
    if (touchesHouse(s))
        return ShotReport::Rest::House;
    if (inFreeGuardZone(s))
        return ShotReport::Rest::Guard;
    return ShotReport::Rest::Beyond;
}

} // namespace

const char* teamKey(Team t)
{
    return t == Team::Red ? "red" : "yellow";
}

double distanceToButton(const StoneRec& s)
{
    const double dx = double(s.Pos.x) - house::ButtonX;
    const double dz = double(s.Pos.z) - house::ButtonZ;
    return std::sqrt(dx * dx + dz * dz);
}

bool touchesHouse(const StoneRec& s)
{
    return inPlay(s) && distanceToButton(s) <= house::CountingReach;
}

bool inFreeGuardZone(const StoneRec& s)
{
    return inPlay(s) && s.Pos.z > house::HogLineZ && s.Pos.z < house::TeeLineZ && !touchesHouse(s);
}

EndCount countEnd(Stones stones)
{
    std::array<double, 2> nearest{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
    for (int i = 0; i < StonesPerEnd; ++i) {
        if (!touchesHouse(stones[i]))
            continue;
        double& n = nearest[index(teamOfStone(i))];
        n = std::min(n, distanceToButton(stones[i]));
    }
    EndCount count;
    if (nearest[0] == nearest[1]) // both empty, or a tie for the nearest stone
        return count;
    const Team scorer = nearest[0] < nearest[1] ? Team::Red : Team::Yellow;
    const double beaten = nearest[index(otherTeam(scorer))];
    for (int i = 0; i < StonesPerEnd; ++i) {
        if (teamOfStone(i) == scorer && touchesHouse(stones[i]) && distanceToButton(stones[i]) < beaten)
            count.counting.push_back(i);
    }
    count.scorer = scorer;
    count.points = static_cast<int>(count.counting.size());
    return count;
}

Match::Match(MatchSettings settings, Team firstHammer) : settings_(settings), hammer_(firstHammer)
{
    if (settings_.ends < MinEnds)
        settings_.ends = MinEnds;
    if (settings_.ends > MaxEnds)
        settings_.ends = MaxEnds;
}

Team Match::toThrow() const
{
    const Team first = otherTeam(hammer_);
    return thrown_ % 2 == 0 ? first : hammer_;
}

int Match::recordToThrow() const
{
    const int nth = thrown_ / 2; // this team's stones already thrown
    return 2 * nth + (toThrow() == Team::Red ? 0 : 1);
}

int Match::stonesLeft(Team t) const
{
    const int ownThrown = (thrown_ + (toThrow() == t ? 0 : 1)) / 2;
    return StonesPerTeam - ownThrown;
}

std::optional<Team> Match::winner() const
{
    if (!over_ || total_[0] == total_[1])
        return std::nullopt;
    return total_[0] > total_[1] ? Team::Red : Team::Yellow;
}

void Match::beforeDelivery(Stones stones)
{
    std::copy(stones.begin(), stones.end(), before_.begin());
}

ShotReport Match::afterDelivery(std::span<StoneRec, StonesPerEnd> stones)
{
    ShotReport report;
    report.record = recordToThrow();
    const Team thrower = toThrow();
    bool guardRemoved = false;
    for (int i = 0; i < StonesPerEnd; ++i) {
        if (i == report.record || !inPlay(before_[i]) || inPlay(stones[i]))
            continue;
        if (teamOfStone(i) == thrower) {
            ++report.ownRemoved;
        } else {
            ++report.opponentRemoved;
            guardRemoved = guardRemoved || inFreeGuardZone(before_[i]);
        }
    }
    report.rest = restOf(stones[report.record]);
    if (settings_.freeGuardZone && thrown_ < FreeGuardStones && guardRemoved) {
        std::copy(before_.begin(), before_.end(), stones.begin());
        stones[report.record].InPlay = 0;
        report.foulRestored = true;
    }
    ++thrown_;
    return report;
}

EndCount Match::finishEnd(Stones stones)
{
    EndCount count = countEnd(stones);
    std::array<int, 2> points{};
    if (count.scorer) {
        points[index(*count.scorer)] = count.points;
        total_[index(*count.scorer)] += count.points;
        hammer_ = otherTeam(*count.scorer);
    }
    endPoints_.push_back(points);
    thrown_ = 0;
    if (end_ >= settings_.ends && total_[0] != total_[1])
        over_ = true;
    else
        ++end_;
    return count;
}

void clearSheet(std::span<StoneRec, StonesPerEnd> stones)
{
    for (StoneRec& s : stones) {
        s.InPlay = 0;
        s.Speed = 0;
        s.RunState = 0;
    }
}

} // namespace match
