#include "game/field.h"

#include "game/shot_phases.h"
#include "platform/input_host.h"

#include <cmath>
#include <limits>

using QModule::degToRad;
using namespace ShotPhase;

namespace {

constexpr D3DVECTOR DeliveryPoint{3, 0.5f, 1};
constexpr D3DVECTOR FarHouse{3, 0, 36};

constexpr std::int16_t KeyUp = 0;
constexpr std::int16_t KeyPressed = 1;
constexpr std::int16_t KeyHeld = 2;

// Rates per second of the shot settings.
constexpr double AimRate = 0.9;
constexpr double SpinRate = 0.6;
constexpr double PowerRate = 0.6;
constexpr double BalanceTurnRate = 480;

float lowered(float value, double amount, float lowerBound)
{
    const float v = static_cast<float>(value - amount);
    return v > lowerBound ? v : lowerBound;
}

float raised(float value, double amount, float upperBound)
{
    const float v = static_cast<float>(value + amount);
    return v >= upperBound ? upperBound : v;
}

} // namespace

// --- Draw_Pre -------------------------------------------------------------------------------------

void Field::Draw_Pre()
{
    env_.platform.input->processEvents();
    if (hooks_.atPoll)
        hooks_.atPoll();
    Inp->checkKey(Keys);
    Inp->checkMouse();

    if (Phase == Start) {
        if (GMode == 1)
            Phase = SingleBase + NewShot;
        else if (GMode == 99)
            Phase = MatchBase + NewShot;
        else if (match::isMatchMode(GMode))
            startMatch();
        return;
    }
    if (Phase == LeaveMatch && atStep(phaseBeforeLeave_, StonesRunning)) {
        // The stones run on while the question is asked, and so does the shot's frame count.
        if (ShotFrame < std::numeric_limits<std::int16_t>::max())
            ++ShotFrame;
        return;
    }
    switch (stepOf(Phase)) {
    case NewShot:
        if (match_)
            CurStone = static_cast<std::int16_t>(match_->recordToThrow());
        newShot();
        break;
    case Position:
    case SpinStep:
    case Power:
    case Ready:
        currentStone().Pos = {3 + AimX, 0.5f, 1};
        break;
    case Shooting: {
        currentStone().Pos.x = 3 + AimX;
        BalAngle = static_cast<float>(BalAngle + BalanceTurnRate / fps());
        if (BalAngle >= 360)
            BalAngle -= 360;
        break;
    }
    case Release:
        if (match_)
            match_->beforeDelivery(std::span<const StoneRec, match::StonesPerEnd>(Stones.data(), match::StonesPerEnd));
        releaseStone();
        hear(sound::Kind::Release, CurStone, currentStone().Speed, sound::releaseLevel(currentStone().Speed));
        Phase = SingleBase + StonesRunning;
        break;
    case StonesRunning:
        countShotFrame();
        break;
    default:
        break;
    }
}

void Field::newShot()
{
    CamMode = 1;
    View.Pos = FarHouse;
    Zoom = 0;
    ZoomOn = 0;
    AimX = 0;
    SpinSet = 0;
    PowerSet = 0;
    Phase = inSeriesOf(Phase, FreeCamera);
}

void Field::releaseStone()
{
    launchCurrentStone();
    CamMode = 6;
    View.Yaw = 0;
}

void Field::countShotFrame()
{
    // A 16-bit counter: a very long shot stays at the last value instead of overflowing (the
    // brushing log has no slot there anyway).
    if (ShotFrame < std::numeric_limits<std::int16_t>::max())
        ++ShotFrame;
    if (anyStoneMoving())
        return;
    if (match_) {
        stonesCameToRest();
        return;
    }
    Phase = SingleBase + NewShot;
    CurStone = CurStone == PlayedStones - 1 ? 0 : CurStone + 1;
}

// --- Draw_Event -----------------------------------------------------------------------------------

void Field::Draw_Event()
{
    if (MouseLook != 0)
        mouseLook();
    clicksAndZoom();
    const std::array<long, 3> gauges = gaugeNotches();
    handleKeys();
    hearGauges(gauges);
    if (atStep(Phase, FreeCamera))
        keepFreeCameraInBounds();
}

// Each key is read once, in binding order; a phase change made by one key is seen by the next.
void Field::handleKeys()
{
    if (match_ && matchPhaseKeys())
        return;
    if (Keys[KeyEsc].getState() == KeyPressed)
        Running = 0;
    if (match_ && cpuToThrow()) {
        cpuKeys();
        handleF1(Keys[KeyF1].getState());
        handleEnter(Keys[KeyEnter].getState());
        return;
    }
    handleW(Keys[KeyW].getState());
    handleS(Keys[KeyS].getState());
    handleA(Keys[KeyA].getState());
    handleD(Keys[KeyD].getState());
    handleSpace(Keys[KeySpace].getState());
    handleF1(Keys[KeyF1].getState());
    handleF2(Keys[KeyF2].getState());
    // F3 is bound but does nothing.
    handleEnter(Keys[KeyEnter].getState());
}

void Field::handleW(std::int16_t state)
{
    if (state != KeyHeld)
        return;
    switch (stepOf(Phase)) {
    case FreeCamera:
        walk(-View.Yaw, View.Yaw);
        break;
    case Position:
        AimX = 0;
        break;
    case SpinStep:
        SpinSet = 0;
        break;
    case Power:
        PowerSet = 0;
        break;
    default:
        break;
    }
}

void Field::handleS(std::int16_t state)
{
    if (state == KeyHeld && atStep(Phase, FreeCamera))
        walk(180 - View.Yaw, View.Yaw + 180.0);
    if (state != KeyPressed)
        return;
    if (atStep(Phase, SpinStep))
        Phase = inSeriesOf(Phase, Position);
    else if (atStep(Phase, Power))
        Phase = inSeriesOf(Phase, SpinStep);
}

void Field::handleA(std::int16_t state)
{
    if (state == KeyPressed && Phase == SingleBase + StonesRunning) {
        brush(1);
        hearStroke();
    }
    if (state != KeyHeld)
        return;
    switch (stepOf(Phase)) {
    case FreeCamera:
        walk(-View.Yaw - 90.0, View.Yaw + 90.0);
        break;
    case Position:
        AimX = lowered(AimX, AimRate / fps(), -2);
        break;
    case SpinStep:
        SpinSet = lowered(SpinSet, SpinRate / fps(), -1);
        break;
    case Power:
        PowerSet = lowered(PowerSet, PowerRate / fps(), 0);
        break;
    default:
        break;
    }
}

void Field::handleD(std::int16_t state)
{
    if (state == KeyPressed && Phase == SingleBase + StonesRunning) {
        brush(2);
        hearStroke();
    }
    if (state != KeyHeld)
        return;
    switch (stepOf(Phase)) {
    case FreeCamera:
        walk(90 - View.Yaw, View.Yaw - 90.0);
        break;
    case Position:
        AimX = raised(AimX, AimRate / fps(), 2);
        break;
    case SpinStep:
        SpinSet = raised(SpinSet, SpinRate / fps(), 1);
        break;
    case Power:
        PowerSet = raised(PowerSet, PowerRate / fps(), 2);
        break;
    default:
        break;
    }
}

// A press stores the command in the slot of the current four-frame window; the physics reads it
// on the first frame of that window only.
void Field::brush(std::int16_t command)
{
    const int slot = ShotFrame / 4;
    if (ShotFrame >= 0 && slot < BrushSlots)
        BrushLog[slot] = command;
}

void Field::handleSpace(std::int16_t state)
{
    if (state == KeyUp && atStep(Phase, Shooting)) {
        Phase = SingleBase + Release;
        return;
    }
    if (state != KeyPressed)
        return;
    switch (stepOf(Phase)) {
    case FreeCamera:
        placeStone();
        Phase = inSeriesOf(Phase, Position);
        break;
    case Position:
        View.Pos = DeliveryPoint;
        Phase = inSeriesOf(Phase, SpinStep);
        break;
    case SpinStep:
        View.Pos = DeliveryPoint;
        CamMode = 3;
        Phase = inSeriesOf(Phase, Power);
        break;
    case Power:
        View.Pos = DeliveryPoint;
        CamMode = 3;
        Phase = inSeriesOf(Phase, Ready);
        break;
    case Ready:
        View.Pos = DeliveryPoint;
        CamMode = 5;
        BalAngle = randomAngle();
        Phase = inSeriesOf(Phase, Shooting);
        break;
    default:
        break;
    }
}

// The record may still hold a stone of an earlier cycle lying on the sheet: it is lifted to the
// delivery point. Its speed is cleared too, or a record whose stone left play while moving would
// slide away from the delivery point as soon as it is back in play.
void Field::placeStone()
{
    View.Pos = DeliveryPoint;
    StoneRec& s = currentStone();
    s.InPlay = -1;
    s.RunState = 0;
    s.Pos = DeliveryPoint;
    s.Speed = 0;
    CamMode = 3;
    Zoom = 0;
    ZoomOn = 0;
}

void Field::handleF1(std::int16_t state)
{
    if (state != KeyPressed)
        return;
    SolidFill = SolidFill != 0 ? 0 : -1;
    Gfx->set3DSystem(-1, SolidFill, -1);
}

// Skips to the match-series free camera with the next stone, even while stones still move. The
// index wraps as after a shot, so it always names one of the sixteen played stones.
void Field::handleF2(std::int16_t state)
{
    if (state != KeyPressed || match_)
        return;
    Phase = MatchBase + NewShot;
    CurStone = CurStone >= PlayedStones - 1 ? 0 : CurStone + 1;
}

void Field::handleEnter(std::int16_t state)
{
    if (state == KeyPressed)
        MouseLook = MouseLook != 0 ? 0 : -1;
}
