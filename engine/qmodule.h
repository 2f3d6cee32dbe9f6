#pragma once

// Records and geometry helpers shared by the engine and the game. Angles in game state are degrees;
// they become radians here. Trigonometry runs in double, results are stored as 32-bit floats.

#include "platform/gfx/d3d_types.h"

#include <cstdint>
#include <span>

// The view anchor the camera is built from: a point and the angles in degrees.
struct ViewRec {
    D3DVECTOR Pos;
    float Yaw = 0;   // horizontal, kept in (-360, 360)
    float Pitch = 0; // vertical, kept within -85..85
    float Fov = 0;   // vertical field of view
};

namespace QModule {

inline constexpr double pi = 3.14159265358979;

RECT makeRect(std::int16_t left, std::int16_t right, std::int16_t top, std::int16_t bottom);
D3DVECTOR2 makeVec2(float x, float y);
D3DVECTOR makeVec3(float x, float y, float z);
D3DCOLORVALUE makeColorValue(float a, float r, float g, float b);

float degToRad(float value);
float radToDeg(float value);

// Index of the largest element; ties keep the lowest index; 0 for an empty or one-element array.
std::int16_t getMaxIndex(std::span<const std::int32_t> values);
float getDistance(const D3DVECTOR& a, const D3DVECTOR& b);
// Angle of the direction (x, y) in radians. A point on the negative x axis gives 0, not pi.
float getAngle(float y, float x);

// The point `distance` units along the view direction from view.Pos (negative: behind it).
D3DVECTOR getEyePoint(const ViewRec& view, float distance);
// The point one unit along the view direction; with `flag` True, `distance` units instead.
D3DVECTOR getLookAt(const ViewRec& view, std::int16_t flag, float distance);

} // namespace QModule
