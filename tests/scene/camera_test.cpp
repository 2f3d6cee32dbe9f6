// The camera that Set_3D places for each camera mode, read back from the device's view and
// projection transforms.

#include "scene_fixture.h"

#include <QMatrix4x4>
#include <QVector3D>

#include <cmath>

namespace scenetest {
namespace {

constexpr double Pi = 3.14159265358979;

// The unit direction a yaw and pitch in degrees look along: +z at yaw 0, up for positive pitch.
QVector3D direction(double yawDeg, double pitchDeg)
{
    const double y = yawDeg * Pi / 180, p = pitchDeg * Pi / 180;
    return QVector3D(-std::cos(p) * std::sin(y), std::sin(p), std::cos(p) * std::cos(y));
}

#define EXPECT_CLOSE(got, want) EXPECT_LT(((got) - (want)).length(), 1e-3) << #got

const QVector3D Anchor{2, 1, 10}, Stone{2.5f, 0.5f, 17}, FarHouse{3, 0, 36}, FixedEye{3, 6, 28};
const QVector3D Look = direction(30, -20), AimLook = direction(0, -20), UpLook = direction(30, -1);

using CameraModes = SceneTest;

// Each row: a camera mode with stone 3 (the current one) at (2.5, 17), or out of play, and the view
// anchored at (2, 1, 10), yaw 30, the pitch (-20 unless told) and a field of view of 50 degrees.
// The free cameras (1, 2) orbit their anchor at |zoom| / 20 + 2; the aim cameras (3, 5) stand one
// unit behind it, moved by AimX and turned to yaw 0; the stone camera (6) orbits the current stone.
// All but the fixed view (4) look a little down at least: their pitch is limited to -1, and kept.
// The camera is read back from the left-handed look-at view matrix (row vectors: its inverse takes
// the origin to the eye) and the projection.
TEST_F(CameraModes, SetThreeDPlacesTheCameraOfEachMode)
{
    struct Case {
        const char* name;
        std::int16_t mode;
        float zoom, aimX;
        std::int16_t stoneInPlay; // -1: in play
        QVector3D anchor, eye, forward;
        float fov = 50, pitch = -20, keptPitch = -20;
    };
    const Case cases[] = {
        {"FreeZoomedOut", 2, 80, 0, 1, Anchor, Anchor - 6 * Look, Look},
        {"FreeAtANegativeZoom", 1, -40, 0, 1, Anchor, Anchor - 4 * Look, Look},
        {"FreeLookingUp", 2, 0, 0, 1, Anchor, Anchor - 2 * UpLook, UpLook, 50, 10, -1},
        {"AimFollowsAimX", 3, 80, -1.5f, 1, Anchor, Anchor + QVector3D(-1.5f, 0, 0) - AimLook, AimLook},
        {"AimLookingLevel", 5, 0, 0, 1, Anchor, Anchor - direction(0, -1), direction(0, -1), 50, -0.5f, -1},
        {"FixedKeepsAnyPitch", 4, 0, 0, 1, Anchor, FixedEye, (FarHouse - FixedEye).normalized(), 45, 7, 7},
        {"StoneCameraOnTheStone", 6, 40, 0, -1, Stone, Stone - 4 * Look, Look},
        {"StoneCameraLookingUp", 6, 0, 0, -1, Stone, Stone - 2 * UpLook, UpLook, 50, 3, -1},
        {"StoneCameraOnTheFarHouseOnceTheStoneLeft", 6, 40, 0, 0, FarHouse, FarHouse - 4 * Look, Look},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        field->CamMode = c.mode;
        field->Zoom = c.zoom;
        field->AimX = c.aimX;
        field->CurStone = 3;
        placeStone(3, 2.5f, 17, c.stoneInPlay);
        field->View.Pos = {2, 1, 10};
        field->View.Yaw = 30;
        field->View.Pitch = c.pitch;
        field->View.Fov = 50;
        field->Set_3D();
        const D3DMATRIX v = device->state().transform(d3d::TS_VIEW);
        EXPECT_CLOSE(QMatrix4x4(&v.m[0][0]).transposed().inverted().map(QVector3D()), c.eye);
        EXPECT_CLOSE(QVector3D(v.m[0][2], v.m[1][2], v.m[2][2]), c.forward);
        const double fov = 2 * std::atan(1.0 / device->state().transform(d3d::TS_PROJECTION).m[1][1]) * 180 / Pi;
        EXPECT_NEAR(fov, c.fov, 1e-3);
        EXPECT_CLOSE(QVector3D(field->View.Pos.x, field->View.Pos.y, field->View.Pos.z), c.anchor);
        EXPECT_EQ(std::pair(field->View.Yaw, field->View.Pitch), std::pair(30.0f, c.keptPitch)) << "its own yaw";
    }
}

} // namespace
} // namespace scenetest
