// The status text: the counters in the corner and the three help lines of each phase.

#include "scene_fixture.h"

#include <map>
#include <set>

namespace scenetest {
namespace {

std::string utf8(const char8_t* s)
{
    return reinterpret_cast<const char*>(s);
}

// The lines the player reads in each phase where there is something to do.
const std::map<std::int16_t, std::array<std::string, 3>>& expectedLines()
{
    static const auto lines = [] {
        using Lines = std::array<const char8_t*, 3>;
        const char8_t* shootMouse = u8"マウス／視線移動\u3000左クリック：ズーム\u3000右クリック：ハウス確認";
        const char8_t* freeMouse = u8"マウス／視線移動\u3000左クリック：ハウス⇔投げ位置\u3000右クリック：距離変更";
        const char8_t* freeKeys = u8"キー\u3000／ＷＳＡＤ：視点移動\u3000スペース：シュートモードへ";
        const char8_t* positionKeys =
            u8"キー\u3000／Ａ：左移動\u3000Ｄ：右移動\u3000スペース：スピン決めへ\u3000Ｗ：位置リセット";
        const Lines spin{u8"フェイズ：自\u3000カメラ：シュートモード\u3000スピン決め", shootMouse,
                         u8"キー\u3000／Ａ：左回転\u3000Ｄ：右回転\u3000スペース：パワー決めへ\u3000Ｗ：スピンリセット\u3000Ｓ：戻る"};
        const Lines power{u8"フェイズ：自\u3000カメラ：シュートモード\u3000パワー決め", shootMouse,
                          u8"キー\u3000／Ａ：弱く\u3000Ｄ：強く\u3000スペース：シュート\u3000Ｗ：パワーリセット\u3000Ｓ：戻る"};
        const Lines ready{u8"フェイズ：自\u3000カメラ：シュートモード\u3000レディー", shootMouse,
                          u8"スペースを押し続けてください。バランストライアングルが回転し、キーを離すと止まります。"};
        const Lines shooting{u8"フェイズ：自\u3000カメラ：シュートモード\u3000シューティング", shootMouse,
                             u8"スペースキーを離すと、バランスを決定します。上下はパワーに、左右は回転に影響します。"};
        const std::map<std::int16_t, Lines> raw{
            {11, {u8"フェイズ：自\u3000カメラ：フリーモード", freeMouse, freeKeys}},
            {12, {u8"フェイズ：自\u3000カメラ：シュートモード\u3000ポジション決め", shootMouse, positionKeys}},
            {13, spin}, {14, power}, {15, ready}, {16, shooting},
            {1001, {u8"シングルモード\u3000カメラ：フリーモード", freeMouse, freeKeys}},
            {1002, {u8"シングルモード\u3000カメラ：シュートモード\u3000ポジション決め", shootMouse, positionKeys}},
            {1003, spin}, {1004, power}, {1005, ready}, {1006, shooting},
            {1008, {u8"フェイズ：自\u3000カメラ：シュートモード\u3000スウィーピング", shootMouse,
                    u8"キー\u3000／Ａ：左スウィープ\u3000Ｄ：右スウィープ"}},
        };
        std::map<std::int16_t, std::array<std::string, 3>> out;
        for (const auto& [phase, l] : raw)
            out[phase] = {utf8(l[0]), utf8(l[1]), utf8(l[2])};
        return out;
    }();
    return lines;
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

class StatusDisplay : public StartedScene {
protected:
    std::vector<gfx::TextRecord> textsFor(std::int16_t phase)
    {
        field->Phase = phase;
        statusText();
        return readTexts(device->texts());
    }
};

TEST_F(StatusDisplay, HelpLinesPerPhaseAndOnlyCountersWhereThePlayerHasNothingToDo)
{
    for (std::int16_t phase : {1, 10, 1000, 1007, 17, 1009, 0})
        EXPECT_EQ(textsFor(phase).size(), 4u) << "phase " << phase;
    for (const auto& [phase, lines] : expectedLines()) {
        const auto texts = textsFor(phase);
        ASSERT_EQ(texts.size(), 7u) << "phase " << phase;
        for (int i = 0; i < 3; ++i) {
            const auto& t = texts[4 + i];
            EXPECT_EQ(t.text, lines[i]) << "phase " << phase << " line " << i + 1;
            EXPECT_EQ((std::array{t.rect.Left, t.rect.Top, t.rect.Right, t.rect.Bottom}),
                      (std::array<std::int32_t, 4>{0, 432 + 16 * i, 640, 480}));
            EXPECT_EQ(t.color, 0xFFFFFFFFu);
        }
    }
}

TEST_F(StatusDisplay, CountersRightAlignedInFiveAndShownWholeWhenLonger)
{
    field->ShotFrame = 0;
    auto texts = textsFor(1);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0].text, "FPS:    0") << "no frame counted yet";
    EXPECT_EQ(texts[3].text, "Rkf:    0");
    for (int i = 0; i < 4; ++i) {
        const auto& r = texts[i].rect;
        EXPECT_EQ((std::array{r.Left, r.Top, r.Right, r.Bottom}), (std::array<std::int32_t, 4>{576, 16 * i, 640, 100}));
        EXPECT_EQ(texts[i].color, 0xFFFFFFFFu);
    }

    field->ShotFrame = 1234;
    field->engine().addNumDrawVertex(123456);
    field->engine().addNumDrawFace(-42);
    texts = textsFor(1);
    EXPECT_EQ(texts[1].text, "Vtx:123456");
    EXPECT_EQ(texts[2].text, "Ply:  -42");
    EXPECT_EQ(texts[3].text, "Rkf: 1234");
}

// The counters shown are those of the frame just drawn; the frame rate is counted once a frame.
TEST_F(StatusDisplay, CountersOfAWholeFrame)
{
    frame();
    const auto texts = readTexts(device->texts());
    ASSERT_GE(texts.size(), 4u);
    const std::string vtx = std::to_string(111 * floor.numVertices());
    const std::string ply = std::to_string(111 * floor.numFaces());
    EXPECT_EQ(texts[1].text, "Vtx:" + std::string(vtx.size() < 5 ? 5 - vtx.size() : 0, ' ') + vtx);
    EXPECT_EQ(texts[2].text, "Ply:" + std::string(ply.size() < 5 ? 5 - ply.size() : 0, ' ') + ply);
    const std::string fps = std::to_string(field->frameFps());
    EXPECT_EQ(texts[0].text, "FPS:" + std::string(5 - fps.size(), ' ') + fps);
}

TEST_F(StatusDisplay, FrameRateShownAfterTheFirstSecond)
{
    // 61 frames a second of virtual time; the second second reports the first's count.
    for (int i = 0; i < 130; ++i) {
        clock.set(200.0 + i / 61.0);
        device->reset();
        field->runFrame();
    }
    const std::int16_t fps = field->frameFps();
    EXPECT_GT(fps, 50);
    EXPECT_LT(fps, 70);
    EXPECT_EQ(readTexts(device->texts())[0].text, "FPS:   " + std::to_string(fps));
}

} // namespace
} // namespace scenetest
