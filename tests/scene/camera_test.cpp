// The camera that Set_3D places for each camera mode, read back from the device's view and
// projection transforms.

#include "scene_fixture.h"

#include <cmath>

namespace scenetest {
namespace {

constexpr double Pi = 3.14159265358979;

struct Vec {
    double x, y, z;
};

Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator*(double s, Vec a) { return {s * a.x, s * a.y, s * a.z}; }
double length(Vec a) { return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z); }
Vec vec(const D3DVECTOR& v) { return {v.x, v.y, v.z}; }

// Where the camera stands and which way it looks, from a left-handed look-at view matrix.
struct Camera {
    Vec eye;
    Vec forward;
};

Camera cameraOf(const D3DMATRIX& v)
{
    const Vec t{v.m[3][0], v.m[3][1], v.m[3][2]};
    Camera c;
    // v' = p R + t, R orthonormal: the eye is the point that lands on the origin.
    c.eye = {-(t.x * v.m[0][0] + t.y * v.m[0][1] + t.z * v.m[0][2]),
             -(t.x * v.m[1][0] + t.y * v.m[1][1] + t.z * v.m[1][2]),
             -(t.x * v.m[2][0] + t.y * v.m[2][1] + t.z * v.m[2][2])};
    c.forward = {v.m[0][2], v.m[1][2], v.m[2][2]};
    return c;
}

// The unit direction a yaw and pitch in degrees look along: +z at yaw 0, up for positive pitch.
Vec direction(double yawDeg, double pitchDeg)
{
    const double y = yawDeg * Pi / 180, p = pitchDeg * Pi / 180;
    return {-std::fabs(std::cos(p)) * std::sin(y), std::sin(p), std::fabs(std::cos(p)) * std::cos(y)};
}

void expectNear(Vec got, Vec want, const char* what)
{
    EXPECT_NEAR(got.x, want.x, 1e-3) << what << " x";
    EXPECT_NEAR(got.y, want.y, 1e-3) << what << " y";
    EXPECT_NEAR(got.z, want.z, 1e-3) << what << " z";
}

class CameraModes : public StartedScene {
protected:
    Camera placed()
    {
        field->Set_3D();
        return cameraOf(device->state().transform(d3d::TS_VIEW));
    }
    // The vertical field of view of the projection, in degrees.
    double fovDegrees() const
    {
        const D3DMATRIX p = device->state().transform(d3d::TS_PROJECTION);
        return 2 * std::atan(1.0 / p.m[1][1]) * 180 / Pi;
    }
    void setView(D3DVECTOR pos, float yaw, float pitch, float fov = 45)
    {
        field->View.Pos = pos;
        field->View.Yaw = yaw;
        field->View.Pitch = pitch;
        field->View.Fov = fov;
    }
};

TEST_F(CameraModes, FreeCameraOrbitsItsAnchorAtTheZoomDistance)
{
    for (std::int16_t mode : {1, 2}) {
        for (float zoom : {0.0f, 40.0f, 80.0f, -40.0f}) {
            field->CamMode = mode;
            field->Zoom = zoom;
            setView({2, 1, 10}, 30, -20, 50);
            const Camera c = placed();
            const Vec anchor{2, 1, 10};
            const double d = std::fabs(zoom) / 20 + 2;
            expectNear(c.eye, anchor - d * direction(30, -20), "eye");
            expectNear(c.forward, direction(30, -20), "forward");
            EXPECT_NEAR(length(c.eye - anchor), d, 1e-3);
            EXPECT_NEAR(fovDegrees(), 50, 1e-3);
        }
    }
}

TEST_F(CameraModes, PitchIsLimitedToMinusOneAndKept)
{
    for (std::int16_t mode : {1, 2, 3, 5, 6}) {
        field->CamMode = mode;
        setView({3, 1, 5}, 0, -0.5f);
        placed();
        EXPECT_FLOAT_EQ(field->View.Pitch, -1) << "mode " << mode;
    }
    field->CamMode = 1;
    setView({3, 1, 5}, 0, 10);
    const Camera c = placed();
    EXPECT_LT(c.forward.y, 0) << "the orbit camera always looks a little down";
    EXPECT_GT(c.eye.y, 1);
    // The fixed view leaves the pitch alone.
    field->CamMode = 4;
    field->View.Pitch = 7;
    placed();
    EXPECT_FLOAT_EQ(field->View.Pitch, 7);
    // A limited pitch stays limited across a change to the fixed view.
    for (std::int16_t mode : {1, 4}) {
        field->CamMode = mode;
        placed();
    }
    EXPECT_FLOAT_EQ(field->View.Pitch, -1);
}

TEST_F(CameraModes, AimCameraFollowsAimXAndIgnoresYaw)
{
    for (std::int16_t mode : {3, 5}) {
        field->CamMode = mode;
        field->AimX = 0;
        setView({3, 0.5f, 1}, 0, -10);
        const Camera straight = placed();
        field->View.Yaw = 75;
        const Camera yawed = placed();
        expectNear(yawed.eye, straight.eye, "yaw ignored, eye");
        expectNear(yawed.forward, straight.forward, "yaw ignored, forward");
        EXPECT_FLOAT_EQ(field->View.Yaw, 75) << "the view keeps its own yaw";
        field->AimX = -1.5f;
        const Camera aimed = placed();
        expectNear(aimed.eye, straight.eye + Vec{-1.5, 0, 0}, "aim moves the eye");
        expectNear(aimed.forward, straight.forward, "aim keeps the direction");
        expectNear(straight.eye, Vec{3, 0.5, 1} - direction(0, -10), "one unit behind the anchor");
        EXPECT_FLOAT_EQ(field->View.Pos.x, 3) << "the view's anchor does not move";
    }
}

TEST_F(CameraModes, FixedViewOfTheFarHouse)
{
    field->CamMode = 4;
    setView({1, 1, 1}, 50, -30, 70);
    field->Zoom = 80;
    const Camera c = placed();
    expectNear(c.eye, {3, 6, 28}, "eye");
    const Vec toHouse = Vec{3, 0, 36} - Vec{3, 6, 28};
    expectNear(c.forward, (1 / length(toHouse)) * toHouse, "forward");
    EXPECT_NEAR(fovDegrees(), 45, 1e-3);
}

TEST_F(CameraModes, StoneCameraFollowsTheCurrentStoneThenTheFarHouse)
{
    field->CamMode = 6;
    field->CurStone = 3;
    placeStone(3, 2.5f, 17);
    setView({0, 1, 0}, 10, -15);
    field->Zoom = 40;
    Camera c = placed();
    expectNear(vec(field->View.Pos), {2.5, 0.5, 17}, "anchor kept in the view");
    expectNear(c.eye, Vec{2.5, 0.5, 17} - 4 * direction(10, -15), "eye");

    field->Stones[3].InPlay = 0; // left play during its run
    c = placed();
    expectNear(vec(field->View.Pos), {3, 0, 36}, "anchor at the far house");
    expectNear(c.eye, Vec{3, 0, 36} - 4 * direction(10, -15), "eye");
}

TEST_F(CameraModes, FrameSetsRenderStatesAndBothLights)
{
    field->CamMode = 1;
    frame();
    const auto& s = device->state();
    const std::pair<std::uint32_t, std::uint32_t> states[] = {
        {d3d::RS_ALPHATESTENABLE, 1}, {d3d::RS_ALPHAFUNC, 8}, {d3d::RS_ALPHAREF, 0}, {d3d::RS_SPECULARENABLE, 1},
        {d3d::RS_AMBIENT, 0xFF1E1E1Eu}};
    for (auto [state, value] : states)
        EXPECT_EQ(s.renderState(state), value) << state;
    ASSERT_TRUE(s.lightEnabled(0));
    ASSERT_TRUE(s.lightEnabled(1));
    EXPECT_FLOAT_EQ(s.light(0).Direction.x, 0.2f);
    EXPECT_FLOAT_EQ(s.light(1).Direction.z, -0.2f);
    EXPECT_EQ(s.textureStageState(0, d3d::TSS_ALPHAOP), std::uint32_t(d3d::TOP_SELECTARG1));
    EXPECT_EQ(s.textureStageState(0, d3d::TSS_ALPHAARG1), std::uint32_t(d3d::TA_DIFFUSE));
}

} // namespace
} // namespace scenetest
