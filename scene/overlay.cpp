// The 2D overlay: the gauges of the shot settings, the balance triangle and the band under the
// status lines.

#include "game/field.h"
#include "game/shot_phases.h"

using QModule::makeRect;
using QModule::makeVec2;

namespace {

constexpr D3DCOLOR SpinColour = argb(192, 32, 32, 128);
constexpr D3DCOLOR PowerColour = argb(192, 128, 32, 128);
constexpr D3DCOLOR BalanceColour = argb(192, 128, 128, 128);
// Alpha 128 over a colour of (1, 1, 1): a half-transparent, nearly black strip whatever the ice
// texel is, as long as it is not the transparent pure black.
constexpr D3DCOLOR BandColour = argb(128, 1, 1, 1);

constexpr int TexCursor = 7;
constexpr int TexBar = 8;
constexpr int TexIce = 0;

// Which gauges a phase shows.
enum class Gauges { None, Spin, SpinAndPower, All };

Gauges gaugesFor(std::int16_t phase, std::int16_t camMode)
{
    switch (ShotPhase::stepOf(phase)) {
    case ShotPhase::SpinStep:
        return Gauges::Spin;
    case ShotPhase::Power:
    case ShotPhase::Ready:
        return Gauges::SpinAndPower;
    case ShotPhase::Shooting:
        return Gauges::All;
    case ShotPhase::StonesRunning: // only the stone camera keeps the released shot's gauges
        return camMode == 6 ? Gauges::All : Gauges::None;
    default:
        return Gauges::None;
    }
}

} // namespace

void Field::Draw_2D()
{
    const RECT cursor = makeRect(0, 32, 0, 32);
    const D3DVECTOR2 cursorCentre = makeVec2(16, 16);
    const D3DVECTOR2 same = makeVec2(1, 1);
    const Gauges gauges = gaugesFor(Phase, CamMode);

    if (gauges != Gauges::None) {
        Gfx->drawSprAdv(Tex[TexCursor], makeVec2(304 + 100 * SpinSet, 390), cursor, cursorCentre, same, 90,
                        SpinColour);
        Gfx->drawSprBsc(Tex[TexBar], makeVec2(220, 422), makeRect(0, 200, 0, 4), SpinColour);
    }
    if (gauges == Gauges::SpinAndPower || gauges == Gauges::All) {
        Gfx->drawSprAbs(Tex[TexCursor], makeVec2(204 + 100 * PowerSet, 345), cursor, cursorCentre, same, 270,
                        PowerColour);
        Gfx->drawSprBsc(Tex[TexBar], makeVec2(220, 340), makeRect(0, 200, 4, 8), PowerColour);
    }
    if (gauges == Gauges::All)
        Gfx->drawSprAbs(Tex[TexCursor], makeVec2(288, 350), cursor, cursorCentre, makeVec2(2, 2), BalAngle,
                        BalanceColour);

    Gfx->drawSprAbs(Tex[TexIce], makeVec2(0, 432), makeRect(0, 1, 0, 1), makeVec2(0, 0), makeVec2(640, 48), 0,
                    BandColour);
    if (match_)
        drawMatchBoard();
}
