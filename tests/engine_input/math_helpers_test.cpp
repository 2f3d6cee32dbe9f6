#include "engine/qmodule.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

using namespace QModule;

namespace {

constexpr float Pi = 3.14159265358979f;

TEST(RecordHelpers, ArgumentsLandInTheRightFields)
{
    const RECT r = makeRect(576, 640, 0, 100);
    EXPECT_EQ((std::vector<std::int32_t>{r.Left, r.Top, r.Right, r.Bottom}), (std::vector<std::int32_t>{576, 0, 640, 100}));
    const D3DCOLORVALUE c = makeColorValue(0.5f, 1, 0.2f, 0.3f);
    EXPECT_EQ((std::vector<float>{c.r, c.g, c.b, c.a}), (std::vector<float>{1, 0.2f, 0.3f, 0.5f}));
}

// getAngle is 0 straight ahead (+y), and on the negative x axis too; degrees and radians convert.
TEST(GetAngle, AllQuadrantsAndAxes)
{
    EXPECT_EQ(degToRad(180), Pi);
    EXPECT_EQ(radToDeg(Pi), 180.0f);
    const std::tuple<float, float, float, double> cases[] = {
        {1, 0, Pi / 2, 0},       {-1, 0, -Pi / 2, 0},           {0, 0, 0, 0},
        {0, 1, 0, 0},            {0, -1, 0, 0},                 {1, 1, Pi / 4, 1e-7},
        {-1, 1, -Pi / 4, 1e-7},  {1, -1, 3 * Pi / 4, 1e-6},     {-1, -1, -3 * Pi / 4, 1e-6},
        {std::sqrt(3.0f), 1, Pi / 3, 1e-6}};
    for (auto [x, y, angle, tolerance] : cases)
        EXPECT_NEAR(getAngle(x, y), angle, tolerance) << x << " " << y;
}

TEST(GetDistance, ThreeDimensionsAndMaxIndex)
{
    EXPECT_EQ(getDistance({1, 1, 1}, {3, 4, 7}), 7.0f);
    // Just inside and just outside the stones' contact distance.
    EXPECT_LT(getDistance({3, 0.5f, 10}, {3, 0.5f, 10.2499f}), 0.25f);
    EXPECT_FALSE(getDistance({3, 0.5f, 10}, {3, 0.5f, 10.25f}) < 0.25f);

    // getMaxIndex: the first of the largest
    const std::pair<std::vector<std::int32_t>, int> cases[] = {
        {{5, 9, 9, 2}, 1}, {{-3, -2, -1}, 2}, {{4, 4, 4}, 0}, {{-7}, 0}, {{}, 0}};
    for (const auto& [values, index] : cases)
        EXPECT_EQ(getMaxIndex(values), index) << values.size();
}

ViewRec viewAt(D3DVECTOR pos, float yaw, float pitch) { return {pos, yaw, pitch, 45}; }

void expectPoint(const D3DVECTOR& p, double x, double y, double z, double tolerance = 1e-6)
{
    EXPECT_NEAR(p.x, x, tolerance);
    EXPECT_NEAR(p.y, y, tolerance);
    EXPECT_NEAR(p.z, z, tolerance);
}

TEST(ViewDirection, AheadAlongZYawTowardMinusXPitchUpForAnyAngles)
{
    const ViewRec ahead = viewAt({0, 1, 0}, 0, 0);
    expectPoint(getEyePoint(ahead, -1), 0, 1, -1);
    expectPoint(getLookAt(ahead, 0, 123), 0, 1, 1, 0);
    expectPoint(getLookAt(ahead, -1, 5), 0, 1, 5); // with the flag: uses the distance
    expectPoint(getLookAt(viewAt({3, 0, 36}, 90, 0), 0, 0), 2, 0, 36);
    expectPoint(getEyePoint(viewAt({0, 0, 0}, 0, 30), 2), 0, 1, std::sqrt(3.0));

    // Eye point and look-at agree for any angles.
    for (float yaw : {-300.0f, -90.0f, -10.0f, 0.0f, 45.0f, 135.0f, 200.0f, 359.0f}) {
        for (float pitch : {-85.0f, -30.0f, 0.0f, 10.0f, 85.0f}) {
            SCOPED_TRACE(testing::Message() << yaw << " " << pitch);
            const ViewRec v = viewAt({3, 0.5f, 1}, yaw, pitch);
            const D3DVECTOR at = getLookAt(v, 0, 0);
            expectPoint(getEyePoint(v, 1), at.x, at.y, at.z, 2e-6);
            EXPECT_NEAR(getDistance(at, v.Pos), 1.0f, 1e-6);
        }
    }
}

} // namespace
