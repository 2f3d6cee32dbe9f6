// The 2D part of the window per phase: which sprites are drawn, where, with which texture and
// colour; the counters in the corner and the help lines.

#include "scene_fixture.h"

#include <QString>

#include <algorithm>
#include <set>
#include <tuple>

namespace scenetest {
namespace {

// What tells the sprites apart: texture slot, colour, and the first and last texel row.
using Look = std::tuple<int, std::uint32_t, std::int32_t, std::int32_t>;
const Look SpinCursor{7, 0xC0202080u, 0, 32}, SpinBar{8, 0xC0202080u, 0, 4};
const Look PowerCursor{7, 0xC0802080u, 0, 32}, PowerBar{8, 0xC0802080u, 4, 8};
const Look Triangle{7, 0xC0808080u, 0, 32}, Band{0, 0x80010101u, 0, 1};

class Overlay : public SceneTest {
protected:
    std::vector<Look> drawnFor(std::int16_t phase, std::int16_t camMode = 1)
    {
        field->Phase = phase;
        field->CamMode = camMode;
        device->reset();
        field->engine().SpriteBegin();
        field->Draw_2D();
        field->engine().SpriteEnd();
        std::vector<Look> looks;
        for (const auto& q : device->sprites())
            looks.push_back({slotOf(q.texture), q.color, q.src.Top, q.src.Bottom});
        return looks;
    }
    // The white texts the player reads; the black copies under them are their outline.
    std::vector<gfx::TextRecord> readTexts() const
    {
        std::vector<gfx::TextRecord> read;
        std::copy_if(device->texts().begin(), device->texts().end(), std::back_inserter(read),
                     [](const gfx::TextRecord& t) { return t.color == 0xFFFFFFFFu; });
        return read;
    }
    std::vector<gfx::TextRecord> textsFor(std::int16_t phase)
    {
        field->Phase = phase;
        device->reset();
        field->Draw_System();
        return readTexts();
    }
};

TEST_F(Overlay, SpritesPerPhaseWithTheBandLast)
{
    const std::vector<Look> band{Band};
    const std::vector<Look> spin{SpinCursor, SpinBar, Band};
    const std::vector<Look> power{SpinCursor, SpinBar, PowerCursor, PowerBar, Band};
    const std::vector<Look> all{SpinCursor, SpinBar, PowerCursor, PowerBar, Triangle, Band};
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

// Three help lines where the player acts, else only the counters (the golden pictures show where).
// Each step names itself first; practice (1000s) and match name the same step alike but for the free
// camera and the positioning.
TEST_F(Overlay, HelpLinesWhereThePlayerActs)
{
    for (std::int16_t phase : {1, 10, 1000, 1007, 17, 1009, 0})
        EXPECT_EQ(textsFor(phase).size(), 4u) << "phase " << phase;
    std::set<std::string> firstLines;
    for (std::int16_t phase : {11, 12, 13, 14, 15, 16, 1001, 1002, 1003, 1004, 1005, 1006, 1008}) {
        const auto texts = textsFor(phase);
        ASSERT_EQ(texts.size(), 7u) << "phase " << phase;
        firstLines.insert(texts[4].text);
    }
    EXPECT_EQ(firstLines.size(), 9u);
}

TEST_F(Overlay, CountersRightAlignedInFiveShownWholeWhenLongerAndOfTheFrameJustDrawn)
{
    field->ShotFrame = 1234;
    field->engine().addNumDrawVertex(123456);
    field->engine().addNumDrawFace(-42);
    std::vector<std::string> shown;
    for (const gfx::TextRecord& t : textsFor(1))
        shown.push_back(t.text);
    EXPECT_EQ(shown, (std::vector<std::string>{"FPS:    0", "Vtx:123456", "Ply:  -42", "Rkf: 1234"}));

    // In a frame the counters shown are those of that frame; the frame rate is counted once a frame
    // and the second second reports the first's count.
    const auto counter = [](const char* label, std::size_t value) {
        return QString::asprintf("%s%5zu", label, value).toStdString();
    };
    for (int i = 0; i < 130; ++i) { // 61 frames a second of virtual time
        clock.set(200.0 + i / 61.0);
        device->reset();
        field->runFrame();
        const auto texts = readTexts();
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
