// The camera that Set_3D places for each camera mode, read back from the device's view and
// projection transforms.

#include "scene_fixture.h"

#include <QMatrix4x4>
#include <QVector3D>

#include <cmath>
#include <ostream>

// For the messages of failed checks.
static std::ostream& operator<<(std::ostream& os, const QVector3D& v)
{
    return os << '(' << v.x() << ", " << v.y() << ", " << v.z() << ')';
}

namespace scenetest {
namespace {

constexpr double Pi = 3.14159265358979;

// The unit direction a yaw and pitch in degrees look along: +z at yaw 0, up for positive pitch.
QVector3D direction(double yawDeg, double pitchDeg)
{
    const double y = yawDeg * Pi / 180, p = pitchDeg * Pi / 180;
    return QVector3D(-std::cos(p) * std::sin(y), std::sin(p), std::cos(p) * std::cos(y));
}

#define EXPECT_CLOSE(got, want) EXPECT_LT(((got) - (want)).length(), 1e-3) << (got) << " is not " << (want)

class CameraPitch : public SceneTest {
protected:
    struct Camera {
        QVector3D eye, forward;
    };
    // Where the camera stands and which way it looks, from the left-handed look-at view matrix
    // (row vectors: its inverse takes the origin to the eye).
    Camera placed()
    {
        field->Set_3D();
        const D3DMATRIX v = device->state().transform(d3d::TS_VIEW);
        const QMatrix4x4 view = QMatrix4x4(&v.m[0][0]).transposed();
        return {view.inverted().map(QVector3D()), QVector3D(v.m[0][2], v.m[1][2], v.m[2][2])};
    }
    void setView(float pitch)
    {
        field->View.Pos = {2, 1, 10};
        field->View.Yaw = 30;
        field->View.Pitch = pitch;
        field->View.Fov = 50;
    }
};

// Each row: a camera mode with stone 3 (the current one) at (2.5, 17), or out of play, and the view
// anchored at (2, 1, 10), yaw 30, pitch -20 and a field of view of 50 degrees.
struct CameraCase {
    const char* name;
    std::int16_t mode;
    float zoom, aimX;
    std::int16_t stoneInPlay; // -1: in play
    QVector3D anchor, eye, forward;
    float fov = 50;
};

const QVector3D Anchor{2, 1, 10}, Stone{2.5f, 0.5f, 17}, FarHouse{3, 0, 36}, FixedEye{3, 6, 28};
const QVector3D Look = direction(30, -20), AimLook = direction(0, -20);

// The free cameras (1, 2) orbit their anchor at |zoom| / 20 + 2; the aim cameras (3, 5) stand one
// unit behind it, moved by AimX and turned to yaw 0; the stone camera (6) orbits the current stone.
const CameraCase CameraCases[] = {
    {"FreeAtTheNearestZoom", 1, 0, 0, 1, Anchor, Anchor - 2 * Look, Look},
    {"FreeZoomedOut", 2, 80, 0, 1, Anchor, Anchor - 6 * Look, Look},
    {"FreeAtANegativeZoom", 1, -40, 0, 1, Anchor, Anchor - 4 * Look, Look},
    {"AimFollowsAimX", 3, 80, -1.5f, 1, Anchor, Anchor + QVector3D(-1.5f, 0, 0) - AimLook, AimLook},
    {"AimWhileRunning", 5, 0, 0, 1, Anchor, Anchor - AimLook, AimLook},
    {"FixedOnTheFarHouse", 4, 80, 0, 1, Anchor, FixedEye, (FarHouse - FixedEye).normalized(), 45},
    {"StoneCameraOnTheStone", 6, 40, 0, -1, Stone, Stone - 4 * Look, Look},
    {"StoneCameraOnTheFarHouseOnceTheStoneLeft", 6, 40, 0, 0, FarHouse, FarHouse - 4 * Look, Look},
};

class CameraModes : public CameraPitch, public ::testing::WithParamInterface<CameraCase> {};

TEST_P(CameraModes, PlacesTheCamera)
{
    const CameraCase& c = GetParam();
    field->CamMode = c.mode;
    field->Zoom = c.zoom;
    field->AimX = c.aimX;
    field->CurStone = 3;
    placeStone(3, 2.5f, 17, c.stoneInPlay);
    setView(-20);
    const Camera got = placed();
    EXPECT_CLOSE(got.eye, c.eye);
    EXPECT_CLOSE(got.forward, c.forward);
    const double fov = 2 * std::atan(1.0 / device->state().transform(d3d::TS_PROJECTION).m[1][1]) * 180 / Pi;
    EXPECT_NEAR(fov, c.fov, 1e-3);
    EXPECT_CLOSE(QVector3D(field->View.Pos.x, field->View.Pos.y, field->View.Pos.z), c.anchor) << "the view's anchor";
    EXPECT_FLOAT_EQ(field->View.Yaw, 30) << "the view keeps its own yaw";
}

INSTANTIATE_TEST_SUITE_P(Set3D, CameraModes, ::testing::ValuesIn(CameraCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CameraPitch, PitchIsLimitedToMinusOneAndKept)
{
    for (std::int16_t mode : {1, 2, 3, 5, 6}) {
        field->CamMode = mode;
        setView(-0.5f);
        placed();
        EXPECT_FLOAT_EQ(field->View.Pitch, -1) << "mode " << mode;
    }
    field->CamMode = 1;
    setView(10);
    const Camera c = placed();
    EXPECT_LT(c.forward.y(), 0) << "the orbit camera always looks a little down";
    EXPECT_GT(c.eye.y(), 1);
    // The fixed view leaves the pitch alone, and a limited pitch stays limited across a change to it.
    field->CamMode = 4;
    placed();
    EXPECT_FLOAT_EQ(field->View.Pitch, -1);
    field->View.Pitch = 7;
    placed();
    EXPECT_FLOAT_EQ(field->View.Pitch, 7);
}

} // namespace
} // namespace scenetest
