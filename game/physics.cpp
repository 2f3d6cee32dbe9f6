#include "game/field_state.h"

#include "game/match/house.h"

#include <cmath>

using QModule::degToRad;
using QModule::getAngle;
using QModule::getDistance;
using QModule::radToDeg;

namespace {

constexpr float NormalFriction = 0.000025f;
constexpr float BrushedFriction = 0.00002f;
constexpr double BrushTurn = 0.1;   // degrees
constexpr float RotationFactor = 1000;
constexpr float ContactDistance = static_cast<float>(2 * house::StoneRadius); // 0.25
constexpr float SideLimitLow = -0.5f;
constexpr float SideLimitHigh = 6.5f;
constexpr float BackLimit = 40;
constexpr float HogLine = static_cast<float>(house::HogLineZ);

bool inPlay(const StoneRec& s)
{
    return s.InPlay == -1;
}

// Heading in degrees of the direction whose +x part is `x` and +z part is `z`.
float headingOf(float x, float z)
{
    return z != 0 ? radToDeg(getAngle(x, z)) : 0.0f;
}

float lengthOf(float x, float z)
{
    return static_cast<float>(std::sqrt(double(x) * x + double(z) * z));
}

struct Velocity {
    float x = 0;
    float z = 0;
};

Velocity velocityOf(const StoneRec& s)
{
    const double d = degToRad(s.Heading);
    return {static_cast<float>(std::sin(d) * s.Speed), static_cast<float>(std::cos(d) * s.Speed)};
}

// Stones stay in contact for a few steps after a hit, since a hit does not push them apart. A
// stone moving away from the other (the struck one, or a mover that glanced off) must not hit it
// again and hand the speed back; a stone passing exactly sideways still hits.
bool movesToward(const StoneRec& mover, const StoneRec& other)
{
    const Velocity v = velocityOf(mover);
    const double dx = double(other.Pos.x) - mover.Pos.x;
    const double dz = double(other.Pos.z) - mover.Pos.z;
    return v.x * dx + v.z * dz >= 0;
}

// The mover hands the part of its velocity along the line of centres to the struck stone.
void collide(StoneRec& mover, StoneRec& struck)
{
    const float s = mover.Speed;
    const float lineOfCentres =
        getAngle(mover.Pos.z - struck.Pos.z, struck.Pos.x - mover.Pos.x) + degToRad(90);
    const Velocity v = velocityOf(mover);
    float vx = v.x;
    float vz = v.z;
    const float ix = static_cast<float>(std::sin(double(lineOfCentres)) * s);
    const float iz = static_cast<float>(std::cos(double(lineOfCentres)) * s);

    struck.Heading = headingOf(ix, iz);
    struck.Speed = lengthOf(ix, iz);

    vx -= ix;
    vz -= iz;
    mover.Heading = headingOf(vx, vz);
    mover.Speed = lengthOf(vx, vz);
}

} // namespace

std::int16_t brushCommandAt(const std::array<std::int16_t, FieldState::BrushSlots>& log, int shotFrame)
{
    if (shotFrame < 0)
        return 0;
    const int slot = shotFrame / 4;
    return slot < FieldState::BrushSlots ? log[slot] : std::int16_t(0);
}

// The balance triangle's angle adds up to +-0.0005 to the speed and +-0.001 to the spin.
void FieldState::launchCurrentStone()
{
    StoneRec& s = Stones[CurStone];
    const double a = degToRad(-BalAngle);
    s.Heading = 0;
    s.Speed = static_cast<float>(PowerSet / 250.0f + 0.039 + std::sin(a) * 0.0005);
    s.Spin = static_cast<float>(SpinSet / 100.0f + std::cos(a) * 0.001);
    s.RunState = 1;
    ShotFrame = 0;
    BrushLog.fill(0);
}

bool FieldState::anyStoneMoving() const
{
    for (int i = 0; i < PlayedStones; ++i) {
        if (Stones[i].InPlay == -1 && Stones[i].Speed > 0)
            return true;
    }
    return false;
}

void FieldState::Proc_Phys()
{
    const float friction = applyBrushCommand();
    slideStones(friction);
    collideStones();
    removeStonesOutOfPlay();
}

// The log is read only on the first frame of each four-frame window.
float FieldState::applyBrushCommand()
{
    if (ShotFrame % 4 != 0)
        return NormalFriction;
    const std::int16_t command = brushCommandAt(BrushLog, ShotFrame);
    if (command != 1 && command != 2)
        return NormalFriction;
    if (CurStone >= 0 && CurStone < StoneCount) {
        StoneRec& current = Stones[CurStone];
        const double turn = command == 1 ? -BrushTurn : BrushTurn;
        current.Heading = static_cast<float>(current.Heading + turn);
    }
    return BrushedFriction;
}

void FieldState::slideStones(float friction)
{
    for (int k = 0; k < PlayedStones; ++k) {
        StoneRec& s = Stones[k];
        if (!inPlay(s))
            continue;
        if (s.Speed > 0) {
            s.Heading += s.Spin;
            s.Rot += s.Spin * RotationFactor;
            const double heading = degToRad(s.Heading);
            s.Pos.z = static_cast<float>(s.Pos.z + s.Speed * std::cos(heading));
            s.Pos.x = static_cast<float>(s.Pos.x + s.Speed * std::sin(heading));
            s.Speed -= friction;
        } else if (s.RunState == 1) {
            s.RunState = 2;
        }
    }
}

// Pairs are taken in loop order, each seeing what the pairs before it left. A pair is handled
// once per step: the struck stone, now moving, must not hand the speed straight back.
// Only rows of stones in play that move at the start of their row are walked, and only columns of
// stones in play: a row's mover changes speed only by its own hits, so a mover at rest stays at
// rest through its row, and a mover brought to a stop by a hit can hit nothing further in it.
void FieldState::collideStones()
{
    std::array<std::int8_t, PlayedStones> inPlayList{};
    int inPlayCount = 0;
    for (int i = 0; i < PlayedStones; ++i) {
        if (inPlay(Stones[i]))
            inPlayList[inPlayCount++] = static_cast<std::int8_t>(i);
    }
    std::array<std::uint16_t, PlayedStones> handledWith{};
    HitCount = 0;
    for (int a = 0; a < inPlayCount; ++a) {
        const int j = inPlayList[a];
        StoneRec& mover = Stones[j];
        for (int b = 0; b < inPlayCount && mover.Speed > 0; ++b) {
            const int k = inPlayList[b];
            if (j == k || ((handledWith[j] >> k) & 1u))
                continue;
            StoneRec& struck = Stones[k];
            if (!(getDistance(mover.Pos, struck.Pos) < ContactDistance) || !movesToward(mover, struck))
                continue;
            collide(mover, struck);
            if (HitCount < MaxHits)
                Hits[std::size_t(HitCount++)] = {std::int8_t(j), std::int8_t(k), struck.Speed};
            handledWith[j] |= std::uint16_t(1u << k);
            handledWith[k] |= std::uint16_t(1u << j);
        }
    }
}

void FieldState::removeStonesOutOfPlay()
{
    for (int i = 0; i < PlayedStones; ++i) {
        StoneRec& s = Stones[i];
        if (inPlay(s) && (s.Pos.x <= SideLimitLow || s.Pos.x >= SideLimitHigh))
            s.InPlay = 0;
        if (s.Pos.z >= BackLimit)
            s.InPlay = 0;
        if (inPlay(s) && s.RunState == 2 && s.Pos.z <= HogLine)
            s.InPlay = 0;
    }
}
