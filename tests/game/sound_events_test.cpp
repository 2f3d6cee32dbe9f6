// The sounds the game window makes, heard through a sink that writes them down.

#include "game/sound_events.h"
#include "tests/game/field_fixture.h"

#include <gtest/gtest.h>

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
    std::vector<sound::Event> of(Kind kind) const
    {
        std::vector<sound::Event> out;
        std::copy_if(heard.begin(), heard.end(), std::back_inserter(out), [kind](const sound::Event& e) {
            return e.kind == kind;
        });
        return out;
    }
    void clear() { heard.clear(); }
    std::vector<long> frames;
    std::vector<sound::Event> heard;
};

class GameSounds : public FieldTest {
protected:
    void SetUp() override { env.sound = &sink; }

    // Stone 0 in the shooting step after `powerFrames` of D in the power step, at 100 frames/s.
    void readyToShoot(int powerFrames = 0)
    {
        startPlaying(1, 100);
        advanceTo(Power);
        hold(VK_D, powerFrames);
        advanceTo(Ready);
        frame({VK_SPACE});
        ASSERT_EQ(field->Phase, SingleBase + Shooting);
        sink.clear();
    }
    // Lets go of Space; returns the frame in which the stone left the hand.
    long release()
    {
        frame();
        frame();
        EXPECT_EQ(field->Phase, SingleBase + StonesRunning);
        return frameIndex - 1;
    }

    ListeningSink sink;
};

TEST_F(GameSounds, ThrownStoneIsReleasedThenRumblesQuieterAndLowerUntilItStops)
{
    readyToShoot(50);
    const long released = release();
    std::vector<float> speeds{field->Stones[0].Speed};
    while (field->Phase == SingleBase + StonesRunning) {
        frame();
        speeds.push_back(field->Stones[0].Speed);
    }

    const auto releases = sink.of(Kind::Release);
    ASSERT_EQ(releases.size(), 1u);
    EXPECT_EQ(releases[0].frame, released);
    EXPECT_EQ(releases[0].stone, 0);
    EXPECT_NEAR(releases[0].speed, speeds[0] + 0.000025f, 1e-7) << "the speed it left the hand with";
    EXPECT_GT(releases[0].level, sound::releaseLevel(0.039f)) << "a harder throw is released louder";

    // One rumble per frame while the stone slides, at the speed the frame left it with.
    const auto rumbles = sink.of(Kind::Rumble);
    const std::size_t sliding = std::count_if(speeds.begin(), speeds.end(), [](float s) { return s > 0; });
    ASSERT_GT(sliding, 1000u);
    ASSERT_EQ(rumbles.size(), sliding);
    for (std::size_t i = 0; i < rumbles.size(); ++i) {
        ASSERT_EQ(rumbles[i].frame, released + long(i));
        ASSERT_EQ(rumbles[i].stone, 0);
        ASSERT_EQ(rumbles[i].speed, speeds[i]);
        if (i > 0) {
            ASSERT_LE(rumbles[i].level, rumbles[i - 1].level) << i;
            ASSERT_LE(rumbles[i].pitch, rumbles[i - 1].pitch) << i;
        }
    }
    EXPECT_LT(rumbles.back().level, rumbles.front().level / 4);
    EXPECT_LT(rumbles.back().pitch, rumbles.front().pitch);
    EXPECT_TRUE(sink.of(Kind::Clack).empty());
    // The sink hears every frame, also the silent ones.
    EXPECT_EQ(sink.frames.size(), std::size_t(frameIndex));
    EXPECT_EQ(sink.frames.back(), frameIndex - 1);
}

// A resting stone lies straight ahead; a nearer one is hit harder.
TEST_F(GameSounds, HitClacksAsLoudAsTheSpeedHandedToTheStruckStone)
{
    std::vector<sound::Event> clacks;
    for (float z : {8.0f, 28.0f}) {
        readyToShoot();
        release();
        StoneRec& target = field->Stones[1];
        target = {};
        target.InPlay = -1;
        target.RunState = 0; // placed there: a stone at rest short of the hog line would leave play
        target.Pos = {field->Stones[0].Pos.x, 0.5f, z};
        while (target.Speed == 0 && field->Phase == SingleBase + StonesRunning)
            frame();
        const auto heard = sink.of(Kind::Clack);
        ASSERT_EQ(heard.size(), 1u) << z;
        EXPECT_EQ(heard[0].frame, sink.frames.back());
        EXPECT_EQ(heard[0].stone, 1);
        EXPECT_EQ(heard[0].speed, target.Speed) << "what it was handed, not what the mover kept";
        EXPECT_EQ(heard[0].level, sound::clackLevel(target.Speed));
        clacks.push_back(heard[0]);
        // From now on the struck stone rumbles too.
        sink.clear();
        frame();
        const auto rumbles = sink.of(Kind::Rumble);
        ASSERT_FALSE(rumbles.empty());
        EXPECT_EQ(rumbles.back().stone, 1);
    }
    EXPECT_GT(clacks[0].speed, clacks[1].speed);
    EXPECT_GT(clacks[0].level, clacks[1].level);
}

TEST_F(GameSounds, GaugeNotchesClickAndBrushPressesWhileRunningStroke)
{
    startPlaying(1, 100);
    advanceTo(Position);
    sink.clear();
    // 0.009 per frame: notches at 0.05, 0.15 and 0.25 are passed in 30 frames.
    hold(VK_D, 30);
    EXPECT_EQ(sink.of(Kind::Click).size(), 3u);
    EXPECT_TRUE(sink.of(Kind::Stroke).empty());
    sink.clear();
    hold(VK_W, 3);
    EXPECT_EQ(sink.of(Kind::Click).size(), 1u) << "a reset is one click";
    hold(VK_W, 3);
    EXPECT_EQ(sink.of(Kind::Click).size(), 1u) << "a gauge already at zero does not move";

    advanceTo(SpinStep);
    hold(VK_A, 200); // 0.006 per frame: at -1 after 167 frames
    sink.clear();
    hold(VK_A, 20);
    EXPECT_TRUE(sink.of(Kind::Click).empty()) << "a gauge held at its end stays quiet";

    advanceTo(Ready);
    frame({VK_SPACE});
    frame();
    frame();
    ASSERT_EQ(field->Phase, SingleBase + StonesRunning);
    sink.clear();
    const long firstPress = frameIndex;
    hold(VK_A, 10); // one press, held
    frames(5);
    hold(VK_D, 1);
    frames(5);
    tap(VK_A);
    const auto strokes = sink.of(Kind::Stroke);
    ASSERT_EQ(strokes.size(), 3u);
    EXPECT_EQ(strokes[0].frame, firstPress);
    EXPECT_EQ(strokes[1].frame, firstPress + 15);
    EXPECT_EQ(strokes[2].frame, firstPress + 21);
    for (const auto& s : strokes) {
        EXPECT_EQ(s.stone, 0);
        EXPECT_GT(s.speed, 0.0f);
    }
    EXPECT_TRUE(sink.of(Kind::Click).empty()) << "no gauge moves while the stone runs";
}

} // namespace
