#include "field_fixture.h"

#include <tuple>

using namespace fieldtest;
using namespace ShotPhase;

namespace {

class MouseLook : public FieldTest {
protected:
    // A practice game in its free camera, driven by the controls alone.
    void SetUp() override
    {
        start(1);
        controlsOnly();
        controlsOnly();
        ASSERT_EQ(field->Phase, 1001);
    }
    std::pair<int, int> cursor() const { return {host.x, host.y}; }
};

// An offset from the middle turns the view by the field of view's share of the sensitivity, and
// the cursor goes back to the middle; the angles stay in their ranges; Enter switches it off and on.
TEST_F(MouseLook, OffsetFromTheMiddleTurnsTheViewWithinItsRangesUntilEnter)
{
    const float yaw = field->View.Yaw;
    controlsOnly({}, 320, 240);
    EXPECT_EQ(field->View.Yaw, yaw); // cursor at the middle: no turn
    controlsOnly({}, 220, 240);
    EXPECT_NEAR(field->View.Yaw, yaw + 20, 1e-4);
    EXPECT_EQ(cursor(), std::pair(320, 240));

    field->View.Fov = 5;
    field->View.Yaw = 0;
    controlsOnly(); // back in the middle first: the same reading twice is no movement
    controlsOnly({}, 220, 240);
    EXPECT_NEAR(field->View.Yaw, 100 * 5.0 / 45 * 0.2, 1e-4);
    field->View.Fov = 45;
    field->View.Pitch = 0;
    controlsOnly({}, 320, 190);
    EXPECT_NEAR(field->View.Pitch, 10, 1e-4); // above the middle tilts up

    controlsOnly({}, 320, 240 + 1000);
    EXPECT_EQ(field->View.Pitch, -85.0f);
    controlsOnly({}, 320, 240 - 2000);
    EXPECT_EQ(field->View.Pitch, 85.0f);
    field->View.Yaw = 359;
    controlsOnly({}, 310, 240);
    EXPECT_NEAR(field->View.Yaw, 1, 1e-4);
    field->View.Yaw = -359;
    controlsOnly({}, 330, 240);
    EXPECT_NEAR(field->View.Yaw, -1, 1e-4);

    EXPECT_EQ(field->MouseLook, -1);
    controlsOnly({VK_ENTER});
    EXPECT_EQ(field->MouseLook, 0);
    controlsOnly({}, 100, 100);
    EXPECT_NEAR(field->View.Yaw, -1, 1e-4);
    EXPECT_EQ(cursor(), std::pair(100, 100)) << "the cursor moves freely";
    controlsOnly({VK_ENTER});
    EXPECT_EQ(field->MouseLook, -1);
}

// The free camera's zoom takes 79 frames at 60 a second and leaves its field of view alone; a click
// during a ramp is ignored, and one after it ramps back.
TEST_F(FieldTest, ZoomRampsInSeventyNineFramesIgnoringClicksMeanwhile)
{
    startPlaying(1, 61);
    ASSERT_EQ(field->Phase, 1001);
    frame({}, 2);
    EXPECT_EQ(field->ZoomOn, -1);
    int framesToFull = 1;
    for (; field->Zoom < 80 && framesToFull < 200; ++framesToFull)
        frame();
    EXPECT_EQ(framesToFull, 79);
    EXPECT_EQ(field->View.Fov, 45.0f);
    frame({}, 2);
    frames(100);
    ASSERT_EQ(field->Zoom, 0.0f);

    advanceTo(Position);
    frame({}, 1);
    frame();
    const float zooming = field->Zoom;
    ASSERT_GT(zooming, 1.0f);
    frame({}, 1); // mid-ramp
    EXPECT_EQ(field->ZoomOn, -1);
    EXPECT_GT(field->Zoom, zooming);
    frames(100);
    EXPECT_EQ(std::pair(field->Zoom, field->View.Fov), std::pair(80.0f, 5.0f));
    frame({}, 1);
    EXPECT_EQ(field->ZoomOn, 0);
    EXPECT_LT(field->Zoom, 79.0f);
    frames(100);
    EXPECT_EQ(std::pair(field->Zoom, field->View.Fov), std::pair(0.0f, 45.0f));
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

// A left click in the free camera swaps the ends; a right click cycles the cameras of the phase.
TEST_F(CameraControls, ClicksSwapTheEndsOrCycleTheCamerasOfThePhase)
{
    startPlaying();
    ASSERT_EQ(field->CamMode, 1);
    EXPECT_EQ(clicked(1), ModeAndZ(2, 3));
    frame();
    EXPECT_EQ(clicked(1), ModeAndZ(1, 36));
    frame();
    EXPECT_EQ(clicked(2).first, 1); // right click: zoom only
    EXPECT_EQ(field->ZoomOn, -1);
    frames(100);

    advanceTo(Position);
    ASSERT_EQ(field->CamMode, 3);
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
}

TEST_F(CameraControls, NoClicksInTheFramesThatEnterANewShot)
{
    start(1);
    frame({}, 1); // phase 1 -> 1000: no click handling
    EXPECT_EQ(ModeAndZ(field->CamMode, field->View.Pos.z), ModeAndZ(1, 0));
    frame();
    ASSERT_EQ(field->Phase, 1001);

    field->Phase = 1008; // a shot whose stones have all stopped
    field->CamMode = 6;
    frame({}, 2);
    EXPECT_EQ(std::tuple(field->Phase, field->CamMode, field->ZoomOn), std::tuple(1000, 6, 0));
}

TEST_F(CameraControls, FreeCameraWalksRelativeToYawAndStaysInBounds)
{
    startPlaying();
    field->MouseLook = 0;
    field->View.Pos = {3, 0, 30};
    field->View.Yaw = 0;
    frame({VK_W});
    EXPECT_EQ(field->View.Pos.z, 30.0f); // pressed, not yet held
    frame({VK_W});
    EXPECT_NEAR(field->View.Pos.z, 30.1, 1e-5);
    hold(VK_W, 200);
    EXPECT_EQ(field->View.Pos.z, 39.0f);
    EXPECT_NEAR(field->View.Pos.x, 3, 1e-4);
    hold(VK_A, 2);
    EXPECT_NEAR(field->View.Pos.x, 2.9, 1e-5);
    hold(VK_D, 3);
    EXPECT_NEAR(field->View.Pos.x, 3.1, 1e-5);
    field->View.Yaw = 90; // facing -x
    hold(VK_S, 2);
    EXPECT_NEAR(field->View.Pos.x, 3.2, 1e-5);
    hold(VK_W, 100);
    EXPECT_EQ(field->View.Pos.x, 0.0f);
}

using WindowKeys = FieldTest;

// A frame draws one scene and presents it; F1 toggles wireframe, starting from solid. Esc and a
// close request end the loop after the frame is presented; a cleared flag draws nothing.
TEST_F(WindowKeys, FrameDrawsOnceF1TogglesWireframeAndEscOrCloseEndTheLoop)
{
    start(1);
    frame();
    const auto& c = device->counts();
    EXPECT_EQ(std::tuple(c.clears, c.beginScenes, c.endScenes, c.spriteBegins, c.spriteEnds, c.presents),
              std::tuple(1, 1, 1, 1, 1, 1));
    EXPECT_FALSE(device->inScene() || device->inSprites());
    frame();
    const auto fill = [this] { return device->state().renderState(d3d::RS_FILLMODE); };
    EXPECT_EQ(fill(), d3d::FILL_SOLID);
    for (auto expected : {d3d::FILL_SOLID, d3d::FILL_WIREFRAME, d3d::FILL_SOLID}) {
        tap(VK_F1);
        EXPECT_EQ(fill(), expected);
    }

    for (bool esc : {true, false}) {
        start(1);
        int framesRun = 0;
        FieldHooks hooks;
        hooks.beforeFrame = [&] {
            setInput(esc && framesRun == 5 ? std::initializer_list<std::uint8_t>{VK_ESC}
                                           : std::initializer_list<std::uint8_t>{});
            if (++framesRun == 3 && !esc)
                field->onCloseRequest();
        };
        field->setHooks(hooks);
        field->Game_Main();
        EXPECT_EQ(framesRun, esc ? 6 : 3);
        EXPECT_EQ(device->counts().presents, framesRun);
        EXPECT_EQ(field->Running, 0);
    }
    start(1);
    field->Running = 0;
    field->Game_Main();
    EXPECT_EQ(device->counts().presents, 0);
}

} // namespace
