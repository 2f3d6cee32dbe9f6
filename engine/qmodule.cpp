#include "engine/qmodule.h"

#include <cmath>

namespace QModule {

RECT makeRect(std::int16_t left, std::int16_t right, std::int16_t top, std::int16_t bottom)
{
    RECT r;
    r.Left = left;
    r.Top = top;
    r.Right = right;
    r.Bottom = bottom;
    return r;
}

D3DVECTOR2 makeVec2(float x, float y)
{
    return {x, y};
}

D3DVECTOR makeVec3(float x, float y, float z)
{
    return {x, y, z};
}

D3DCOLORVALUE makeColorValue(float a, float r, float g, float b)
{
    return {r, g, b, a};
}

float degToRad(float value)
{
    return static_cast<float>(double(value) / 180.0 * pi);
}

float radToDeg(float value)
{
    return static_cast<float>(double(value) / pi * 180.0);
}

std::int16_t getMaxIndex(std::span<const std::int32_t> values)
{
    std::size_t best = 0;
    for (std::size_t i = 1; i < values.size(); ++i) {
        if (values[best] < values[i])
            best = i;
    }
    return static_cast<std::int16_t>(best);
}

float getDistance(const D3DVECTOR& a, const D3DVECTOR& b)
{
    const double dy = a.y - b.y;
    const double dx = a.x - b.x;
    const double dz = a.z - b.z;
    // The sum is a 32-bit value before the root, so equal inputs give equal distances everywhere.
    const float sum = static_cast<float>(dy * dy + dx * dx + dz * dz);
    return static_cast<float>(std::sqrt(double(sum)));
}

namespace {

double sign(double v)
{
    return v > 0 ? 1.0 : (v < 0 ? -1.0 : 0.0);
}

} // namespace

float getAngle(float y, float x)
{
    if (x == 0)
        return static_cast<float>(sign(y) * pi / 2);
    const double base = std::atan(double(y) / double(x));
    if (x > 0)
        return static_cast<float>(base);
    return static_cast<float>(base + sign(y) * pi);
}

D3DVECTOR getEyePoint(const ViewRec& view, float distance)
{
    const double a = degToRad(view.Yaw + 180.0f);
    const double b = degToRad(view.Pitch + 180.0f);
    const double flat = std::fabs(std::cos(b));
    const double d = distance;
    return {static_cast<float>(view.Pos.x + d * (flat * std::sin(a))),
            static_cast<float>(view.Pos.y + d * -std::sin(b)),
            static_cast<float>(view.Pos.z + d * (-flat * std::cos(a)))};
}

D3DVECTOR getLookAt(const ViewRec& view, std::int16_t flag, float distance)
{
    const double a = degToRad(view.Yaw);
    const double b = degToRad(view.Pitch);
    const double flat = std::fabs(std::cos(b));
    const double d = flag != 0 ? double(distance) : 1.0;
    return {static_cast<float>(view.Pos.x + d * (-flat * std::sin(a))),
            static_cast<float>(view.Pos.y + d * std::sin(b)),
            static_cast<float>(view.Pos.z + d * (flat * std::cos(a)))};
}

} // namespace QModule
