#include "field_fixture.h"

#include <tuple>

using namespace fieldtest;
using namespace ShotPhase;

namespace {

using MouseLook = FieldTest;

// An offset from the middle turns the view by the field of view's share of the sensitivity, and
// the cursor goes back to the middle; the angles stay in their ranges; Enter switches it off and on.
TEST_F(MouseLook, OffsetFromTheMiddleTurnsTheViewWithinItsRangesUntilEnter)
{
    start(1);
    controlsOnly();
    controlsOnly();
    ASSERT_EQ(field->Phase, 1001);
    struct Case {
        const char* name;
        float fov, yaw, pitch;
        int x, y;
        float turnedYaw, turnedPitch;
    };
    const Case cases[] = {
        {"at the middle", 45, 10, -20, 320, 240, 10, -20},
        {"left of it", 45, 10, -20, 220, 240, 30, -20},
        {"zoomed in", 5, 0, -20, 220, 240, 100 * 5.0f / 45 * 0.2f, -20},
        {"above it", 45, 0, 0, 320, 190, 0, 10},
        {"far below", 45, 0, 0, 320, 240 + 1000, 0, -85},
        {"far above", 45, 0, 0, 320, 240 - 2000, 0, 85},
        {"past a turn", 45, 359, 0, 310, 240, 1, 0},
        {"past a turn back", 45, -359, 0, 330, 240, -1, 0},
    };
    for (const Case& c : cases) {
        controlsOnly(); // back in the middle first: the same reading twice is no movement
        field->View.Fov = c.fov;
        field->View.Yaw = c.yaw;
        field->View.Pitch = c.pitch;
        controlsOnly({}, c.x, c.y);
        EXPECT_NEAR(field->View.Yaw, c.turnedYaw, 1e-4) << c.name;
        EXPECT_NEAR(field->View.Pitch, c.turnedPitch, 1e-4) << c.name;
        EXPECT_EQ(std::pair(host.x, host.y), std::pair(320, 240)) << c.name;
    }

    EXPECT_EQ(field->MouseLook, -1);
    controlsOnly({VK_ENTER});
    EXPECT_EQ(field->MouseLook, 0);
    controlsOnly({}, 100, 100);
    EXPECT_NEAR(field->View.Yaw, -1, 1e-4);
    EXPECT_EQ(std::pair(host.x, host.y), std::pair(100, 100)) << "the cursor moves freely";
    controlsOnly({VK_ENTER});
    EXPECT_EQ(field->MouseLook, -1);
}

class CameraControls : public FieldTest {
protected:
    using ModeAndZ = std::pair<int, float>;
    // A frame with these buttons clicked: the camera mode and the view's z after it.
    ModeAndZ clicked(std::int16_t buttons, std::initializer_list<std::uint8_t> keys = {})
    {
        frame(keys, buttons);
        return {field->CamMode, field->View.Pos.z};
    }
};

// In the free camera a left click swaps the ends and a right click zooms, in 79 frames at 60 a
// second, leaving the field of view alone. From the positioning on a left click zooms the field of
// view and a right click cycles the cameras of the phase. A click during a ramp, or in the frame that
// enters a new shot, is ignored.
TEST_F(CameraControls, ClicksSwapTheEndsZoomOrCycleTheCamerasOfThePhase)
{
    start(1, 61);
    EXPECT_EQ(clicked(1), ModeAndZ(1, 0)) << "the frame that enters a new shot takes no click";
    settleFrameRate();
    frames(2);
    EXPECT_EQ(clicked(1), ModeAndZ(2, 3));
    frame();
    EXPECT_EQ(clicked(1), ModeAndZ(1, 36));
    frame();
    EXPECT_EQ(clicked(2).first, 1);
    int framesToFull = 1;
    for (; field->Zoom < 80 && framesToFull < 200; ++framesToFull)
        frame();
    EXPECT_EQ(std::tuple(framesToFull, field->ZoomOn, field->View.Fov), std::tuple(79, -1, 45.0f));
    frame({}, 2);
    frames(100);
    ASSERT_EQ(field->Zoom, 0.0f);

    advanceTo(Position);
    ASSERT_EQ(field->CamMode, 3);
    frame({}, 1);
    frame();
    const float zooming = field->Zoom;
    frame({}, 1); // mid-ramp
    EXPECT_EQ(field->ZoomOn, -1);
    EXPECT_GT(field->Zoom, zooming);
    frames(100);
    EXPECT_EQ(std::pair(field->Zoom, field->View.Fov), std::pair(80.0f, 5.0f));
    frame({}, 1);
    frames(100);
    EXPECT_EQ(std::tuple(field->ZoomOn, field->Zoom, field->View.Fov), std::tuple(0, 0.0f, 45.0f));

    EXPECT_EQ(clicked(2), ModeAndZ(4, 36));
    EXPECT_EQ(field->View.Pos.y, 1.0f);
    frame();
    EXPECT_EQ(clicked(2), ModeAndZ(3, 1));
    advanceTo(Ready);
    frame({VK_SPACE});
    ASSERT_EQ(std::tuple(field->Phase, field->CamMode), std::tuple(1006, 5));
    EXPECT_EQ(clicked(2, {VK_SPACE}), ModeAndZ(4, 36));
    frame({VK_SPACE});
    EXPECT_EQ(clicked(2, {VK_SPACE}), ModeAndZ(5, 1));
    frames(2);
    ASSERT_EQ(std::tuple(field->Phase, field->CamMode), std::tuple(1008, 6));
    const float stoneZ = field->Stones[0].Pos.z;
    frame();
    EXPECT_EQ(field->View.Pos.z, stoneZ); // the stone camera anchors on the stone before it moves on
    EXPECT_EQ(clicked(2), ModeAndZ(4, stoneZ)); // the anchor stays
    frame();
    EXPECT_EQ(clicked(2).first, 6);
    field->Stones[0].Speed = 0;
    EXPECT_EQ(clicked(2).first, 6) << "the frame that enters a new shot takes no click";
    EXPECT_EQ(std::tuple(field->Phase, field->ZoomOn), std::tuple(1000, 0));
}

// The free camera walks a tenth a frame held, along its yaw, and stops at the sheet's bounds.
TEST_F(CameraControls, FreeCameraWalksRelativeToYawAndStaysInBounds)
{
    startPlaying();
    field->MouseLook = 0;
    field->View.Pos = {3, 0, 30};
    // Key, frames held, yaw, and where the camera is then.
    const std::tuple<std::uint8_t, int, float, float, float> walks[] = {
        {VK_W, 1, 0, 3, 30}, // pressed, not yet held
        {VK_W, 1, 0, 3, 30.1f}, {VK_W, 200, 0, 3, 39}, {VK_A, 2, 0, 2.9f, 39}, {VK_D, 3, 0, 3.1f, 39},
        {VK_S, 2, 90, 3.2f, 39}, {VK_W, 100, 90, 0, 39}};
    for (const auto& [key, n, yaw, x, z] : walks) {
        field->View.Yaw = yaw;
        hold(key, n);
        EXPECT_NEAR(field->View.Pos.x, x, 1e-4) << int(key) << " " << n;
        EXPECT_NEAR(field->View.Pos.z, z, 1e-4) << int(key) << " " << n;
    }
}

using WindowKeys = FieldTest;

// F1 toggles wireframe, starting from solid. Esc in a shot ends the game; a close request ends the
// loop after the frame it came in is presented; a cleared flag draws nothing.
TEST_F(WindowKeys, F1TogglesWireframeAndEscOrCloseEndTheLoop)
{
    start(1);
    frames(2);
    EXPECT_FALSE(device->inScene() || device->inSprites()) << "a frame ends the scene and sprites it begins";
    const auto fill = [this] { return device->state().renderState(d3d::RS_FILLMODE); };
    EXPECT_EQ(fill(), d3d::FILL_SOLID);
    for (auto expected : {d3d::FILL_SOLID, d3d::FILL_WIREFRAME, d3d::FILL_SOLID}) {
        tap(VK_F1);
        EXPECT_EQ(fill(), expected);
    }
    tap(VK_ESC);
    EXPECT_EQ(field->Running, 0);

    start(1);
    int framesRun = 0;
    FieldHooks hooks;
    hooks.beforeFrame = [&] {
        if (++framesRun == 3)
            field->onCloseRequest();
    };
    field->setHooks(hooks);
    field->Game_Main();
    EXPECT_EQ(std::pair(framesRun, device->counts().presents), std::pair(3, 3));
    field->Game_Main();
    EXPECT_EQ(device->counts().presents, 3) << "a cleared flag draws nothing";
}

} // namespace
