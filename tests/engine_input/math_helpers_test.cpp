#include "engine/qmodule.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace QModule;

namespace {

constexpr float Pi = 3.14159265358979f;

TEST(RecordHelpers, ArgumentsLandInTheRightFields)
{
    const RECT r = makeRect(576, 640, 0, 100);
    EXPECT_EQ(r.Left, 576);
    EXPECT_EQ(r.Top, 0);
    EXPECT_EQ(r.Right, 640);
    EXPECT_EQ(r.Bottom, 100);

    const D3DCOLORVALUE c = makeColorValue(1, 1, 0.2f, 0.3f);
    EXPECT_EQ(c.r, 1.0f);
    EXPECT_EQ(c.g, 0.2f);
    EXPECT_EQ(c.b, 0.3f);
    EXPECT_EQ(c.a, 1.0f);
    const D3DCOLORVALUE half = makeColorValue(0.5f, 0, 0, 0);
    EXPECT_EQ(half.a, 0.5f);
    EXPECT_EQ(half.r, 0.0f);

}

TEST(AngleConversion, DegreesAndRadians)
{
    EXPECT_EQ(degToRad(180), Pi);
    EXPECT_EQ(degToRad(0), 0.0f);
    EXPECT_NEAR(degToRad(90), Pi / 2, 1e-7);
    EXPECT_NEAR(degToRad(-45), -Pi / 4, 1e-7);
    EXPECT_EQ(radToDeg(Pi), 180.0f);
    EXPECT_NEAR(radToDeg(degToRad(37.5f)), 37.5f, 1e-5);
}

TEST(GetAngle, AllQuadrantsAndAxes)
{
    EXPECT_EQ(getAngle(1, 0), Pi / 2);
    EXPECT_EQ(getAngle(-1, 0), -Pi / 2);
    EXPECT_EQ(getAngle(0, 0), 0.0f);
    EXPECT_EQ(getAngle(0, 1), 0.0f);
    EXPECT_EQ(getAngle(0, -1), 0.0f); // negative x axis: 0, not pi
    EXPECT_NEAR(getAngle(1, 1), Pi / 4, 1e-7);
    EXPECT_NEAR(getAngle(-1, 1), -Pi / 4, 1e-7);
    EXPECT_NEAR(getAngle(1, -1), 3 * Pi / 4, 1e-6);
    EXPECT_NEAR(getAngle(-1, -1), -3 * Pi / 4, 1e-6);
    EXPECT_NEAR(getAngle(std::sqrt(3.0f), 1), Pi / 3, 1e-6);
}

TEST(GetDistance, ThreeDimensionsAndSymmetry)
{
    EXPECT_EQ(getDistance({0, 0, 0}, {3, 4, 0}), 5.0f);
    EXPECT_EQ(getDistance({1, 2, 3}, {1, 2, 3}), 0.0f);
    EXPECT_EQ(getDistance({1, 1, 1}, {3, 4, 7}), 7.0f);
    EXPECT_EQ(getDistance({3, 4, 7}, {1, 1, 1}), 7.0f);
    // Just inside and just outside the stones' contact distance.
    EXPECT_LT(getDistance({3, 0.5f, 10}, {3, 0.5f, 10.2499f}), 0.25f);
    EXPECT_FALSE(getDistance({3, 0.5f, 10}, {3, 0.5f, 10.25f}) < 0.25f);
}

TEST(GetMaxIndex, FirstOfTheLargest)
{
    const std::vector<std::int32_t> ties{5, 9, 9, 2};
    EXPECT_EQ(getMaxIndex(ties), 1);
    const std::vector<std::int32_t> last{-3, -2, -1};
    EXPECT_EQ(getMaxIndex(last), 2);
    const std::vector<std::int32_t> allEqual{4, 4, 4};
    EXPECT_EQ(getMaxIndex(allEqual), 0);
    const std::vector<std::int32_t> one{-7};
    EXPECT_EQ(getMaxIndex(one), 0);
    EXPECT_EQ(getMaxIndex({}), 0);
}

ViewRec viewAt(D3DVECTOR pos, float yaw, float pitch)
{
    return {pos, yaw, pitch, 45};
}

TEST(ViewDirection, StraightAheadAlongZ)
{
    const ViewRec v = viewAt({0, 1, 0}, 0, 0);
    const D3DVECTOR eye = getEyePoint(v, -1);
    EXPECT_NEAR(eye.x, 0, 1e-6);
    EXPECT_NEAR(eye.y, 1, 1e-6);
    EXPECT_NEAR(eye.z, -1, 1e-6);
    const D3DVECTOR at = getLookAt(v, 0, 123);
    EXPECT_EQ(at.x, 0.0f);
    EXPECT_EQ(at.y, 1.0f);
    EXPECT_EQ(at.z, 1.0f);
}

TEST(ViewDirection, YawTurnsTowardMinusXAndPitchTiltsUp)
{
    const ViewRec left = viewAt({3, 0, 36}, 90, 0);
    const D3DVECTOR at = getLookAt(left, 0, 0);
    EXPECT_NEAR(at.x, 2, 1e-6);
    EXPECT_NEAR(at.y, 0, 1e-6);
    EXPECT_NEAR(at.z, 36, 1e-6);

    const ViewRec up = viewAt({0, 0, 0}, 0, 30);
    const D3DVECTOR eye = getEyePoint(up, 2);
    EXPECT_NEAR(eye.x, 0, 1e-6);
    EXPECT_NEAR(eye.y, 1, 1e-6);
    EXPECT_NEAR(eye.z, std::sqrt(3.0), 1e-6);
}

TEST(ViewDirection, EyePointAndLookAtAgreeForAnyAngles)
{
    for (float yaw : {-300.0f, -90.0f, -10.0f, 0.0f, 45.0f, 135.0f, 200.0f, 359.0f}) {
        for (float pitch : {-85.0f, -30.0f, 0.0f, 10.0f, 85.0f}) {
            const ViewRec v = viewAt({3, 0.5f, 1}, yaw, pitch);
            const D3DVECTOR eye = getEyePoint(v, 1);
            const D3DVECTOR at = getLookAt(v, 0, 0);
            EXPECT_NEAR(eye.x, at.x, 2e-6) << yaw << " " << pitch;
            EXPECT_NEAR(eye.y, at.y, 2e-6) << yaw << " " << pitch;
            EXPECT_NEAR(eye.z, at.z, 2e-6) << yaw << " " << pitch;
            EXPECT_NEAR(getDistance(at, v.Pos), 1.0f, 1e-6);
        }
    }
}

TEST(ViewDirection, LookAtWithFlagUsesTheDistance)
{
    const ViewRec v = viewAt({0, 0, 0}, 0, 0);
    const D3DVECTOR at = getLookAt(v, -1, 5);
    EXPECT_NEAR(at.z, 5, 1e-6);
}

} // namespace
