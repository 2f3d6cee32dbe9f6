// The sounds the game window makes, heard through a sink that writes them down.

#include "field_fixture.h"
#include "game/sound_events.h"

#include <algorithm>
#include <vector>

namespace {

using namespace fieldtest;
using namespace ShotPhase;
using sound::Kind;

class ListeningSink final : public sound::Sink {
public:
    void frame(long frame, std::span<const sound::Event> events) override
    {
        frames.push_back(frame);
        heard.insert(heard.end(), events.begin(), events.end());
    }
    std::vector<sound::Event> of(Kind kind, int stone = -2) const
    {
        std::vector<sound::Event> out;
        std::copy_if(heard.begin(), heard.end(), std::back_inserter(out), [&](const sound::Event& e) {
            return e.kind == kind && (stone == -2 || e.stone == stone);
        });
        return out;
    }
    std::vector<long> frames;
    std::vector<sound::Event> heard;
};

class GameSounds : public FieldTest {
protected:
    void SetUp() override { env.sound = &sink; }
    ListeningSink sink;
};

// A thrown stone is released louder the harder it goes, then rumbles every frame it slides, quieter
// and lower as it slows, until it hits a resting stone: the clack is as loud as the speed handed to
// the struck stone, which rumbles from then on. The sink hears every frame, also the silent ones.
TEST_F(GameSounds, ReleaseRumbleAndTheClackOfAHit)
{
    startPlaying(1, 100);
    advanceTo(Power);
    hold(VK_D, 50);
    advanceTo(Ready);
    frame({VK_SPACE});
    frame();
    frame();
    ASSERT_EQ(field->Phase, SingleBase + StonesRunning);
    const long released = frameIndex - 1;
    // Placed there: a stone at rest short of the hog line would leave play.
    const StoneRec& target = field->Stones[1] = onSheet(field->Stones[0].Pos.x, 28, 0, 0);
    std::vector<float> speeds{field->Stones[0].Speed};
    while (target.Speed == 0 && field->Phase == SingleBase + StonesRunning) {
        frame();
        speeds.push_back(field->Stones[0].Speed);
    }
    const auto releases = sink.of(Kind::Release);
    ASSERT_EQ(releases.size(), 1u);
    EXPECT_EQ(std::pair(releases[0].frame, releases[0].stone), std::pair(released, 0));
    EXPECT_NEAR(releases[0].speed, speeds[0] + 0.000025f, 1e-7) << "the speed it left the hand with";
    EXPECT_GT(releases[0].level, sound::releaseLevel(0.039f)) << "a harder throw is released louder";

    const auto rumbles = sink.of(Kind::Rumble, 0);
    ASSERT_EQ(rumbles.size(), std::count_if(speeds.begin(), speeds.end(), [](float s) { return s > 0; }));
    ASSERT_GT(rumbles.size(), 500u);
    for (std::size_t i = 0; i < rumbles.size(); ++i) {
        ASSERT_EQ(std::tuple(rumbles[i].frame, rumbles[i].stone, rumbles[i].speed),
                  std::tuple(released + long(i), 0, speeds[i]));
        if (i > 0) {
            ASSERT_LE(rumbles[i].level, rumbles[i - 1].level) << i;
            ASSERT_LE(rumbles[i].pitch, rumbles[i - 1].pitch) << i;
        }
    }
    EXPECT_LT(rumbles.back().pitch, rumbles.front().pitch);
    EXPECT_LT(rumbles.back().level, rumbles.front().level);

    const auto clacks = sink.of(Kind::Clack);
    ASSERT_EQ(clacks.size(), 1u);
    EXPECT_EQ(std::tuple(clacks[0].frame, clacks[0].stone, clacks[0].speed),
              std::tuple(sink.frames.back(), 1, target.Speed))
        << "what it was handed, not what the mover kept";
    EXPECT_EQ(clacks[0].level, sound::clackLevel(target.Speed));
    EXPECT_GT(sound::clackLevel(0.02f), sound::clackLevel(0.01f));
    frame();
    ASSERT_FALSE(sink.of(Kind::Rumble, 1).empty());
    EXPECT_EQ(sink.frames.size(), std::size_t(frameIndex));
    EXPECT_EQ(sink.frames.back(), frameIndex - 1);
}

TEST_F(GameSounds, GaugeNotchesClickAndBrushPressesWhileRunningStroke)
{
    startPlaying(1, 100);
    advanceTo(Position);
    const auto clicks = [this] {
        const std::size_t n = sink.of(Kind::Click).size();
        sink.heard.clear();
        return n;
    };
    clicks();
    // 0.009 per frame: notches at 0.05, 0.15 and 0.25 are passed in 30 frames.
    hold(VK_D, 30);
    EXPECT_EQ(clicks(), 3u);
    hold(VK_W, 3);
    EXPECT_EQ(clicks(), 1u) << "a reset is one click";
    hold(VK_W, 3);
    EXPECT_EQ(clicks(), 0u) << "a gauge already at zero does not move";
    advanceTo(SpinStep);
    hold(VK_A, 200); // 0.006 per frame: at -1 after 167 frames
    clicks();
    hold(VK_A, 20);
    EXPECT_EQ(clicks(), 0u) << "a gauge held at its end stays quiet";

    advanceTo(Ready);
    frame({VK_SPACE});
    frame();
    frame();
    ASSERT_EQ(field->Phase, SingleBase + StonesRunning);
    EXPECT_TRUE(sink.of(Kind::Stroke).empty());
    clicks();
    const long firstPress = frameIndex;
    hold(VK_A, 10); // one press, held
    frames(5);
    hold(VK_D, 1);
    frames(5);
    tap(VK_A);
    const auto strokes = sink.of(Kind::Stroke);
    ASSERT_EQ(strokes.size(), 3u);
    const long after[] = {0, 15, 21};
    for (std::size_t i = 0; i < strokes.size(); ++i) {
        EXPECT_EQ(std::pair(strokes[i].frame, strokes[i].stone), std::pair(firstPress + after[i], 0));
        EXPECT_GT(strokes[i].speed, 0.0f);
    }
    EXPECT_EQ(clicks(), 0u) << "no gauge moves while the stone runs";
}

} // namespace
