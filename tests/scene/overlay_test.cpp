// The 2D overlay per phase: which sprites are drawn, where, with which texture and colour.

#include "scene_fixture.h"

#include <algorithm>
#include <cmath>

namespace scenetest {
namespace {

struct Rect {
    float left, top, right, bottom;
};

Rect bounds(const gfx::SpriteQuad& q)
{
    return {*std::min_element(q.x, q.x + 4), *std::min_element(q.y, q.y + 4), *std::max_element(q.x, q.x + 4),
            *std::max_element(q.y, q.y + 4)};
}

void expectBox(const gfx::SpriteQuad& q, Rect want, const char* what)
{
    const Rect b = bounds(q);
    EXPECT_NEAR(b.left, want.left, 0.01) << what;
    EXPECT_NEAR(b.top, want.top, 0.01) << what;
    EXPECT_NEAR(b.right, want.right, 0.01) << what;
    EXPECT_NEAR(b.bottom, want.bottom, 0.01) << what;
}

enum Kind { SpinCursor, SpinBar, PowerCursor, PowerBar, Triangle, Band, Unknown };

// Tells the sprites apart by texture, texels and colour, not by their order.
Kind kindOf(const gfx::SpriteQuad& q)
{
    const int slot = slotOf(q.texture);
    if (slot == 0 && q.color == 0x80010101u)
        return Band;
    if (slot == 8 && q.src.Top == 0 && q.src.Bottom == 4 && q.color == 0xC0202080u)
        return SpinBar;
    if (slot == 8 && q.src.Top == 4 && q.src.Bottom == 8 && q.color == 0xC0802080u)
        return PowerBar;
    if (slot == 7 && q.color == 0xC0202080u)
        return SpinCursor;
    if (slot == 7 && q.color == 0xC0802080u)
        return PowerCursor;
    if (slot == 7 && q.color == 0xC0808080u)
        return Triangle;
    return Unknown;
}

class Overlay : public StartedScene {
protected:
    std::vector<Kind> drawnFor(std::int16_t phase, std::int16_t camMode = 1)
    {
        field->Phase = phase;
        field->CamMode = camMode;
        overlay();
        std::vector<Kind> kinds;
        for (const auto& q : device->sprites())
            kinds.push_back(kindOf(q));
        return kinds;
    }
    const gfx::SpriteQuad& sprite(Kind kind) const
    {
        for (const auto& q : device->sprites())
            if (kindOf(q) == kind)
                return q;
        throw std::runtime_error("sprite not drawn");
    }
};

TEST_F(Overlay, SpritesPerPhaseWithTheBandLast)
{
    const std::vector<Kind> bandOnly{Band};
    const std::vector<Kind> spin{SpinCursor, SpinBar, Band};
    const std::vector<Kind> power{SpinCursor, SpinBar, PowerCursor, PowerBar, Band};
    const std::vector<Kind> all{SpinCursor, SpinBar, PowerCursor, PowerBar, Triangle, Band};
    for (std::int16_t p : {1, 10, 11, 12, 1000, 1001, 1002, 1007, 17, 999})
        EXPECT_EQ(drawnFor(p), bandOnly) << "phase " << p;
    for (std::int16_t p : {13, 1003})
        EXPECT_EQ(drawnFor(p), spin) << "phase " << p;
    for (std::int16_t p : {14, 15, 1004, 1005})
        EXPECT_EQ(drawnFor(p), power) << "phase " << p;
    for (std::int16_t p : {16, 1006})
        EXPECT_EQ(drawnFor(p), all) << "phase " << p;
}

TEST_F(Overlay, RunningStoneKeepsTheGaugesOnlyInTheStoneCamera)
{
    EXPECT_EQ(drawnFor(1008, 6), (std::vector<Kind>{SpinCursor, SpinBar, PowerCursor, PowerBar, Triangle, Band}));
    for (std::int16_t mode : {1, 2, 3, 4, 5})
        EXPECT_EQ(drawnFor(1008, mode), std::vector<Kind>{Band}) << "camera " << mode;
}

TEST_F(Overlay, CursorsSitOverTheBarsAtTheirSettingsTurnedAQuarterEachWay)
{
    field->SpinSet = -1;
    field->PowerSet = 2;
    drawnFor(1006);
    expectBox(sprite(SpinCursor), {204, 390, 236, 422}, "spin cursor at -1");
    expectBox(sprite(PowerCursor), {404, 345, 436, 377}, "power cursor at 2");
    expectBox(sprite(SpinBar), {220, 422, 420, 426}, "spin bar");
    expectBox(sprite(PowerBar), {220, 340, 420, 344}, "power bar");
    // Each quad's first corner is the image's top-left texel: where it lands shows the turn,
    // counter-clockwise on screen (to the bottom-left) for spin, clockwise (to the top-right) for power.
    EXPECT_NEAR(sprite(SpinCursor).x[0], 204, 0.01);
    EXPECT_NEAR(sprite(SpinCursor).y[0], 422, 0.01);
    EXPECT_NEAR(sprite(PowerCursor).x[0], 436, 0.01);
    EXPECT_NEAR(sprite(PowerCursor).y[0], 345, 0.01);

    field->SpinSet = 0.5f;
    field->PowerSet = 0;
    drawnFor(1006);
    expectBox(sprite(SpinCursor), {354, 390, 386, 422}, "spin cursor at 0.5");
    expectBox(sprite(PowerCursor), {204, 345, 236, 377}, "power cursor at 0");
}

TEST_F(Overlay, TriangleIsDoubleSizeTurnedAboutItsCentre)
{
    for (float angle : {0.0f, 45.0f, 200.0f}) {
        field->BalAngle = angle;
        drawnFor(16);
        const auto& q = sprite(Triangle);
        float cx = 0, cy = 0;
        for (int i = 0; i < 4; ++i)
            cx += q.x[i] / 4, cy += q.y[i] / 4;
        EXPECT_NEAR(cx, 320, 0.01) << angle;
        EXPECT_NEAR(cy, 382, 0.01) << angle;
        const double side = std::hypot(q.x[1] - q.x[0], q.y[1] - q.y[0]);
        EXPECT_NEAR(side, 64, 0.01) << angle;
        // The top edge points along the angle, counter-clockwise on screen (y down).
        const double edge = std::atan2(-(q.y[1] - q.y[0]), q.x[1] - q.x[0]) * 180 / 3.14159265358979;
        EXPECT_NEAR(std::remainder(edge - angle, 360.0), 0, 0.01) << angle;
    }
}

TEST_F(Overlay, BandStretchesOneIceTexelAcrossTheBottom)
{
    drawnFor(1);
    const auto& q = sprite(Band);
    expectBox(q, {0, 432, 640, 480}, "band");
    EXPECT_EQ((std::array{q.src.Left, q.src.Top, q.src.Right, q.src.Bottom}), (std::array<std::int32_t, 4>{0, 0, 1, 1}));
}

} // namespace
} // namespace scenetest
