#include "game/field.h"

#include "game/shot_phases.h"

#include <algorithm>
#include <cmath>
#include <limits>

using QModule::degToRad;
using namespace ShotPhase;

namespace {

constexpr std::int16_t Clicked = 1;
constexpr float ZoomMax = 80;
constexpr double ZoomRate = 60; // per second
constexpr double WalkStep = 0.1; // per frame, whatever the frame rate

constexpr D3DVECTOR DeliveryPoint{3, 0.5f, 1};
constexpr D3DVECTOR FarHouse{3, 0, 36};
constexpr D3DVECTOR NearHouse{3, 0, 3};
constexpr D3DVECTOR FarHouseHigh{3, 1, 36};

std::int16_t toInt16(std::int32_t v)
{
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(v, std::numeric_limits<std::int16_t>::min(),
                                                              std::numeric_limits<std::int16_t>::max()));
}

} // namespace

// The cursor's offset from the middle of the window is this frame's turn; the cursor then goes
// back to the middle. Zoomed in, the view turns more slowly. The player's sensitivity scales the
// turn here, after the cursor was read, so that a recording holds the cursor as it moved.
void Field::mouseLook()
{
    const double k = double(View.Fov / 45.0f) * 0.2 * env_.mouseSensitivity;
    const std::int16_t width = Gfx->getWidth();
    const std::int16_t height = Gfx->getHeight();
    const std::int32_t x = Inp->getMouseX();
    if (x != LastMouseX) {
        View.Yaw = static_cast<float>(View.Yaw + (width / 2.0f - x) * k);
        LastMouseX = toInt16(x);
    }
    const std::int32_t y = Inp->getMousey();
    if (y != LastMouseY) {
        const double tilt = (height / 2.0f - y) * k;
        View.Pitch = static_cast<float>(View.Pitch + (env_.invertLook ? -tilt : tilt));
        LastMouseY = toInt16(y);
    }
    Inp->moveMouse(static_cast<std::int16_t>(std::lround(width / 2.0)),
                   static_cast<std::int16_t>(std::lround(height / 2.0)));
    if (!(View.Pitch >= -85))
        View.Pitch = -85;
    if (View.Pitch > 85)
        View.Pitch = 85;
    if (View.Yaw >= 360)
        View.Yaw -= 360;
    else if (View.Yaw <= -360)
        View.Yaw += 360;
}

// A click starts the zoom only when it rests at either end; clicks during the ramp are ignored.
void Field::toggleZoom()
{
    if (Zoom != 0 && Zoom != ZoomMax)
        return;
    if (ZoomOn != 0) {
        ZoomOn = 0;
        Zoom = ZoomMax - 1;
    } else {
        ZoomOn = -1;
        Zoom = 1;
    }
}

void Field::rampZoom()
{
    if (ZoomOn != 0) {
        Zoom = static_cast<float>(Zoom + ZoomRate / fps());
        if (Zoom >= ZoomMax)
            Zoom = ZoomMax;
    } else {
        Zoom = static_cast<float>(Zoom - ZoomRate / fps());
        if (!(Zoom > 0))
            Zoom = 0;
    }
}

void Field::clicksAndZoom()
{
    const bool left = Inp->getMouseLeft() == Clicked;
    const bool right = Inp->getMouseRight() == Clicked;
    switch (stepOf(Phase)) {
    case FreeCamera:
        if (left && CamMode == 1) {
            CamMode = 2;
            View.Pos = NearHouse;
        } else if (left && CamMode == 2) {
            CamMode = 1;
            View.Pos = FarHouse;
        }
        if (right)
            toggleZoom();
        rampZoom();
        break;
    case Position:
    case SpinStep:
    case Power:
    case Ready:
        if (left)
            toggleZoom();
        rampZoom();
        View.Fov = 45 - Zoom / 2;
        if (right && CamMode == 3) {
            CamMode = 4;
            View.Pos = FarHouseHigh;
        } else if (right && CamMode == 4) {
            CamMode = 3;
            View.Pos = DeliveryPoint;
        }
        break;
    case Shooting:
        if (left)
            toggleZoom();
        rampZoom();
        View.Fov = 45 - Zoom / 2;
        if (right && CamMode == 4) {
            CamMode = 5;
            View.Pos = DeliveryPoint;
        } else if (right && CamMode == 5) {
            CamMode = 4;
            View.Pos = FarHouseHigh;
        }
        break;
    case StonesRunning:
        if (left)
            toggleZoom();
        rampZoom();
        View.Fov = 45;
        if (right && CamMode == 4) {
            CamMode = 6;
            View.Pos = DeliveryPoint;
        } else if (right && CamMode == 6) {
            CamMode = 4; // the anchor stays where the stone camera left it
        }
        break;
    default:
        break; // no clicks in the start, new-shot and release frames
    }
}

// One step on the ground along the given angles (degrees), relative to the view's yaw.
void Field::walk(double xAngleDeg, double zAngleDeg)
{
    View.Pos.x = static_cast<float>(View.Pos.x + WalkStep * std::sin(double(degToRad(float(xAngleDeg)))));
    View.Pos.z = static_cast<float>(View.Pos.z + WalkStep * std::cos(double(degToRad(float(zAngleDeg)))));
}

void Field::keepFreeCameraInBounds()
{
    if (!(View.Pos.x > 0))
        View.Pos.x = 0;
    if (View.Pos.x >= 6)
        View.Pos.x = 6;
    if (!(View.Pos.z > 0))
        View.Pos.z = 0;
    if (View.Pos.z >= 39)
        View.Pos.z = 39;
}
