// The 2D part of the window per phase: which sprites are drawn, where, with which texture and
// colour; the counters in the corner and the help lines.

#include "scene_fixture.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace scenetest {
namespace {

using Box = std::array<float, 4>; // left, top, right, bottom

Box bounds(const gfx::SpriteQuad& q)
{
    return {*std::min_element(q.x, q.x + 4), *std::min_element(q.y, q.y + 4), *std::max_element(q.x, q.x + 4),
            *std::max_element(q.y, q.y + 4)};
}

std::array<std::int32_t, 4> box(const RECT& r)
{
    return {r.Left, r.Top, r.Right, r.Bottom};
}

enum Kind { SpinCursor, SpinBar, PowerCursor, PowerBar, Triangle, Band, Unknown };

// Tells the sprites apart by texture, texels and colour, not by their order. A bar shows the rows
// from srcTop of the bar texture; -1 takes any rows.
Kind kindOf(const gfx::SpriteQuad& q)
{
    const struct {
        Kind kind;
        int slot;
        std::uint32_t color;
        int srcTop;
    } known[] = {{Band, 0, 0x80010101u, -1},       {SpinBar, 8, 0xC0202080u, 0},   {PowerBar, 8, 0xC0802080u, 4},
                 {SpinCursor, 7, 0xC0202080u, -1}, {PowerCursor, 7, 0xC0802080u, -1}, {Triangle, 7, 0xC0808080u, -1}};
    for (const auto& k : known)
        if (slotOf(q.texture) == k.slot && q.color == k.color
            && (k.srcTop < 0 || (q.src.Top == k.srcTop && q.src.Bottom == k.srcTop + 4)))
            return k.kind;
    return Unknown;
}

class Overlay : public SceneTest {
protected:
    std::vector<Kind> drawnFor(std::int16_t phase, std::int16_t camMode = 1)
    {
        field->Phase = phase;
        field->CamMode = camMode;
        device->reset();
        field->engine().SpriteBegin();
        field->Draw_2D();
        field->engine().SpriteEnd();
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
    void expectBox(Kind kind, Box want, const char* what)
    {
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR(bounds(sprite(kind))[i], want[i], 0.01) << what << " edge " << i;
    }
};

TEST_F(Overlay, SpritesPerPhaseWithTheBandLast)
{
    const std::vector<Kind> band{Band};
    const std::vector<Kind> spin{SpinCursor, SpinBar, Band};
    const std::vector<Kind> power{SpinCursor, SpinBar, PowerCursor, PowerBar, Band};
    const std::vector<Kind> all{SpinCursor, SpinBar, PowerCursor, PowerBar, Triangle, Band};
    for (std::int16_t p : {1, 10, 11, 12, 1000, 1001, 1002, 1007, 17, 999})
        EXPECT_EQ(drawnFor(p), band) << "phase " << p;
    for (std::int16_t p : {13, 1003})
        EXPECT_EQ(drawnFor(p), spin) << "phase " << p;
    for (std::int16_t p : {14, 15, 1004, 1005})
        EXPECT_EQ(drawnFor(p), power) << "phase " << p;
    for (std::int16_t p : {16, 1006})
        EXPECT_EQ(drawnFor(p), all) << "phase " << p;
    // A running stone keeps the gauges only in the stone camera.
    EXPECT_EQ(drawnFor(1008, 6), all);
    for (std::int16_t mode : {1, 2, 3, 4, 5})
        EXPECT_EQ(drawnFor(1008, mode), band) << "camera " << mode;
}

TEST_F(Overlay, CursorsOverTheBarsAtTheirSettingsAndTheBandAcrossTheBottom)
{
    field->SpinSet = -1;
    field->PowerSet = 2;
    drawnFor(1006);
    expectBox(SpinCursor, {204, 390, 236, 422}, "spin cursor at -1");
    expectBox(PowerCursor, {404, 345, 436, 377}, "power cursor at 2");
    expectBox(SpinBar, {220, 422, 420, 426}, "spin bar");
    expectBox(PowerBar, {220, 340, 420, 344}, "power bar");
    // Each quad's first corner is the image's top-left texel: where it lands shows the turn,
    // counter-clockwise on screen (to the bottom-left) for spin, clockwise (to the top-right) for power.
    EXPECT_NEAR(sprite(SpinCursor).x[0], 204, 0.01);
    EXPECT_NEAR(sprite(SpinCursor).y[0], 422, 0.01);
    EXPECT_NEAR(sprite(PowerCursor).x[0], 436, 0.01);
    EXPECT_NEAR(sprite(PowerCursor).y[0], 345, 0.01);
    // The band stretches one ice texel.
    expectBox(Band, {0, 432, 640, 480}, "band");
    EXPECT_EQ(box(sprite(Band).src), (std::array<std::int32_t, 4>{0, 0, 1, 1}));

    field->SpinSet = 0.5f;
    field->PowerSet = 0;
    drawnFor(1006);
    expectBox(SpinCursor, {354, 390, 386, 422}, "spin cursor at 0.5");
    expectBox(PowerCursor, {204, 345, 236, 377}, "power cursor at 0");
}

TEST_F(Overlay, TriangleIsDoubleSizeTurnedAboutItsCentre)
{
    for (float angle : {0.0f, 45.0f, 200.0f}) {
        field->BalAngle = angle;
        drawnFor(16);
        const auto& q = sprite(Triangle);
        EXPECT_NEAR((q.x[0] + q.x[1] + q.x[2] + q.x[3]) / 4, 320, 0.01) << angle;
        EXPECT_NEAR((q.y[0] + q.y[1] + q.y[2] + q.y[3]) / 4, 382, 0.01) << angle;
        EXPECT_NEAR(std::hypot(q.x[1] - q.x[0], q.y[1] - q.y[0]), 64, 0.01) << angle;
        // The top edge points along the angle, counter-clockwise on screen (y down).
        const double edge = std::atan2(-(q.y[1] - q.y[0]), q.x[1] - q.x[0]) * 180 / 3.14159265358979;
        EXPECT_NEAR(std::remainder(edge - angle, 360.0), 0, 0.01) << angle;
    }
}

// The white texts the player reads. Each is drawn over black copies of itself, one pixel off to
// the left, right, top and bottom at least, drawn just before it.
std::vector<gfx::TextRecord> readTexts(const std::vector<gfx::TextRecord>& drawn)
{
    std::vector<gfx::TextRecord> read;
    std::set<std::pair<int, int>> outline;
    for (const gfx::TextRecord& t : drawn) {
        if (t.color != 0xFFFFFFFFu) {
            EXPECT_EQ(t.color, 0xFF000000u) << t.text;
            outline.insert({t.rect.Left, t.rect.Top});
            continue;
        }
        for (auto [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}})
            EXPECT_TRUE(outline.count({t.rect.Left + dx, t.rect.Top + dy})) << t.text << " lacks its outline";
        outline.clear();
        read.push_back(t);
    }
    EXPECT_TRUE(outline.empty()) << "an outline without its text";
    return read;
}

class StatusDisplay : public SceneTest {
protected:
    std::vector<gfx::TextRecord> textsFor(std::int16_t phase)
    {
        field->Phase = phase;
        device->reset();
        field->Draw_System();
        return readTexts(device->texts());
    }
};

// Three help lines across the bottom where the player acts, else only the counters. Each step names
// itself first; practice (1000s) and match name the same step alike but for the free camera and the
// positioning.
TEST_F(StatusDisplay, HelpLinesWhereThePlayerActs)
{
    for (std::int16_t phase : {1, 10, 1000, 1007, 17, 1009, 0})
        EXPECT_EQ(textsFor(phase).size(), 4u) << "phase " << phase;
    std::set<std::string> firstLines;
    for (std::int16_t phase : {11, 12, 13, 14, 15, 16, 1001, 1002, 1003, 1004, 1005, 1006, 1008}) {
        const auto texts = textsFor(phase);
        ASSERT_EQ(texts.size(), 7u) << "phase " << phase;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(box(texts[4 + i].rect), (std::array<std::int32_t, 4>{0, 432 + 16 * i, 640, 480}));
        firstLines.insert(texts[4].text);
    }
    EXPECT_EQ(firstLines.size(), 9u);
}

TEST_F(StatusDisplay, CountersRightAlignedInFiveAndShownWholeWhenLonger)
{
    field->ShotFrame = 0;
    auto texts = textsFor(1);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0].text, "FPS:    0") << "no frame counted yet";
    EXPECT_EQ(texts[3].text, "Rkf:    0");
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(box(texts[i].rect), (std::array<std::int32_t, 4>{576, 16 * i, 640, 100}));

    field->ShotFrame = 1234;
    field->engine().addNumDrawVertex(123456);
    field->engine().addNumDrawFace(-42);
    texts = textsFor(1);
    EXPECT_EQ(texts[1].text, "Vtx:123456");
    EXPECT_EQ(texts[2].text, "Ply:  -42");
    EXPECT_EQ(texts[3].text, "Rkf: 1234");
}

// The counters shown are those of the frame just drawn; the frame rate is counted once a frame and
// the second second reports the first's count.
TEST_F(StatusDisplay, CountersOfTheWholeFrameAndTheFrameRateAfterTheFirstSecond)
{
    const auto counter = [](const char* label, std::size_t value) {
        const std::string digits = std::to_string(value);
        return label + std::string(digits.size() < 5 ? 5 - digits.size() : 0, ' ') + digits;
    };
    for (int i = 0; i < 130; ++i) { // 61 frames a second of virtual time
        clock.set(200.0 + i / 61.0);
        device->reset();
        field->runFrame();
        const auto texts = readTexts(device->texts());
        ASSERT_GE(texts.size(), 4u);
        EXPECT_EQ(texts[1].text, counter("Vtx:", 111 * floor.numVertices()));
        EXPECT_EQ(texts[2].text, counter("Ply:", 111 * floor.numFaces()));
        EXPECT_EQ(texts[0].text, counter("FPS:", std::size_t(field->frameFps())));
    }
    EXPECT_GT(field->frameFps(), 50);
    EXPECT_LT(field->frameFps(), 70);
}

} // namespace
} // namespace scenetest
