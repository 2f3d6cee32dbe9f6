// The sounds the game window makes, heard through a sink that writes them down.

#include "field_fixture.h"
#include "game/sound_events.h"

#include <tuple>
#include <vector>

namespace {

using namespace fieldtest;
using namespace ShotPhase;
using sound::Kind;

// Frame, stone, speed, level and pitch of one sound.
using Heard = std::tuple<long, int, float, float, float>;

class ListeningSink final : public sound::Sink {
public:
    void frame(long frame, std::span<const sound::Event> events) override
    {
        frames.push_back(frame);
        heard.insert(heard.end(), events.begin(), events.end());
    }
    std::vector<Heard> of(Kind kind, int stone = -2) const
    {
        std::vector<Heard> out;
        for (const sound::Event& e : heard)
            if (e.kind == kind && (stone == -2 || e.stone == stone))
                out.push_back({e.frame, e.stone, e.speed, e.level, e.pitch});
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

// One practice shot heard through: a gauge clicks once a notch and once for a reset (W), not at
// zero or held at its end; the release is louder the harder the throw; a brush press while the stone
// runs strokes, a held key not again; the stone rumbles every frame it slides, quieter and lower as
// it slows, until it hits a resting stone: the clack is as loud as the speed handed to the struck
// stone, which rumbles from then on. The sink hears every frame, also the silent ones.
TEST_F(GameSounds, AShotFromItsGaugesToAHit)
{
    startPlaying(1, 100);
    // Step, key held, frames, clicks: 0.009 a frame passes notches at 0.05, 0.15 and 0.25 in 30
    // frames; spin is at -1 after 167 frames of 0.006, passing 20 notches.
    const std::tuple<Step, std::uint8_t, int, std::size_t> holds[] = {
        {Position, VK_D, 30, 3}, {Position, VK_W, 3, 1}, {Position, VK_W, 3, 0},
        {SpinStep, VK_A, 200, 20}, {SpinStep, VK_A, 20, 0}};
    for (const auto& [step, key, frames, clicks] : holds) {
        advanceTo(step);
        sink.heard.clear();
        hold(key, frames);
        EXPECT_EQ(sink.of(Kind::Click).size(), clicks) << int(key) << " held " << frames << " frames";
    }
    hold(VK_W, 2); // no spin: the stone runs straight at the one it is to hit
    advanceTo(Power);
    hold(VK_D, 50);
    advanceTo(Ready);
    frame({VK_SPACE});
    frames(2);
    ASSERT_EQ(field->Phase, SingleBase + StonesRunning);
    const auto release = sink.of(Kind::Release);
    ASSERT_EQ(release.size(), 1u);
    const float thrown = std::get<2>(release[0]);
    EXPECT_EQ(release[0], Heard(frameIndex - 1, 0, thrown, sound::releaseLevel(thrown), 1));
    EXPECT_NEAR(thrown, field->Stones[0].Speed + 0.000025f, 1e-7) << "the speed it left the hand with";
    for (float (*louder)(float) : {sound::rumbleLevel, sound::rumblePitch, sound::releaseLevel, sound::clackLevel})
        EXPECT_GT(louder(0.02f), louder(0.01f));

    EXPECT_TRUE(sink.of(Kind::Stroke).empty());
    sink.heard.clear();
    const long firstPress = frameIndex;
    hold(VK_A, 10); // one press, held
    frames(5);
    hold(VK_D, 1);
    frames(5);
    tap(VK_A);
    std::vector<std::pair<long, int>> strokes;
    for (const auto& [frame, stone, speed, level, pitch] : sink.of(Kind::Stroke)) {
        strokes.push_back({frame - firstPress, stone});
        EXPECT_GT(speed, 0.0f);
    }
    EXPECT_EQ(strokes, (std::vector<std::pair<long, int>>{{0, 0}, {15, 0}, {21, 0}}));
    EXPECT_TRUE(sink.of(Kind::Click).empty()) << "no gauge moves while the stone runs";

    // Placed there: a stone at rest short of the hog line would leave play.
    const StoneRec& target = field->Stones[1] = onSheet(field->Stones[0].Pos.x, 28, 0, 0);
    sink.heard.clear();
    std::vector<Heard> rumbles;
    while (target.Speed == 0 && field->Phase == SingleBase + StonesRunning) {
        frame();
        if (const float v = field->Stones[0].Speed; v > 0)
            rumbles.push_back({frameIndex - 1, 0, v, sound::rumbleLevel(v), sound::rumblePitch(v)});
    }
    ASSERT_GT(rumbles.size(), 400u);
    EXPECT_EQ(sink.of(Kind::Rumble, 0), rumbles);
    const float handed = target.Speed;
    EXPECT_EQ(sink.of(Kind::Clack), std::vector{Heard(frameIndex - 1, 1, handed, sound::clackLevel(handed), 1)})
        << "what it was handed, not what the mover kept";
    frame();
    ASSERT_FALSE(sink.of(Kind::Rumble, 1).empty());
    EXPECT_EQ(sink.frames.size(), std::size_t(frameIndex));
    EXPECT_EQ(sink.frames.back(), frameIndex - 1);
}

} // namespace
