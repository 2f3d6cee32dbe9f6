#include "field_fixture.h"

#include "game/match/house.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string>

namespace fieldtest {
namespace {

using namespace ShotPhase;

class FieldMatch : public FieldTest {
protected:
    void startMatch(std::int16_t gmode, int ends)
    {
        env.match = match::MatchSetup{{ends, false}, true, 1};
        start(gmode);
        frames(2);
    }
    const match::Match& m() const { return *field->currentMatch(); }

    // The stone in hand comes to rest at (x, z) as if thrown there: the running step sees every
    // stone still and hands the delivery to the match.
    void restAt(float x, float z, std::int16_t inPlay = -1)
    {
        const int record = m().recordToThrow();
        ASSERT_EQ(field->CurStone, record);
        field->Stones[record] = onSheet(x, z);
        field->Stones[record].InPlay = inPlay;
        field->Phase = SingleBase + StonesRunning;
        frames(2);
    }

    // Red's stones near the button, yellow's further back; the last one out over the back line
    // when `lastOut`.
    void playEnd(float yellowZ = 37.5f, bool lastOut = false)
    {
        for (int i = 0; i < match::StonesPerEnd; ++i) {
            const bool red = m().toThrow() == match::Team::Red;
            const bool out = lastOut && i == match::StonesPerEnd - 1;
            restAt(float(house::ButtonX) + 0.3f * float(i / 2) - 1.0f, out ? 40.5f : red ? 36.1f : yellowZ,
                   out ? 0 : -1);
        }
    }
};

// Sixteen stones, the end's count from above, Esc's question, the result screen and another match.
TEST_F(FieldMatch, EndCountResultAndLeaving)
{
    startMatch(match::GModeTwoPlayers, 1);
    ASSERT_NE(field->currentMatch(), nullptr);
    EXPECT_EQ(field->Phase, SingleBase + FreeCamera);
    playEnd();
    EXPECT_EQ(std::tuple(field->Phase, field->CamMode), std::tuple(EndCount, 7));
    EXPECT_EQ(m().score(), (std::array<int, 2>{8, 0}));
    EXPECT_TRUE(m().over());
    device->reset();
    frames(1);
    // The marks, flattened discs: a cap of its team's colour on each stone, a ring round each counting one.
    std::map<std::string, int> marks;
    for (const gfx::SubsetDrawRecord& draw : device->subsetDraws()) {
        const D3DCOLORVALUE glow = draw.material.Emissive;
        if (std::hypot(draw.world.m[1][0], draw.world.m[1][1], draw.world.m[1][2]) < 0.05f)
            ++marks[glow.r > 0.6f ? (glow.g > 0.6f ? "yellow" : "red") : glow.g > 0.6f ? "green" : "other"];
    }
    EXPECT_EQ(marks, (std::map<std::string, int>{{"green", 8}, {"red", 8}, {"yellow", 8}}));
    // Red's scoreboard row: the name, then the finished end's points, then the total.
    const auto& texts = device->texts();
    const auto red = std::find_if(texts.begin(), texts.end(),
                                  [](const gfx::TextRecord& t) { return t.text.starts_with("\u3000赤"); });
    ASSERT_LT(red - texts.begin() + 2, std::ssize(texts));
    EXPECT_EQ(std::tuple(red[1].text, red[2].text), std::tuple("8", "8"));

    tap(VK_ESC);
    EXPECT_EQ(field->Phase, LeaveMatch);
    tap(VK_ESC);
    EXPECT_EQ(std::tuple(field->Phase, field->Running), std::tuple(EndCount, -1));

    tap(VK_SPACE);
    EXPECT_EQ(field->Phase, MatchResult);
    for (int i = 0; i < match::StonesPerEnd; ++i)
        EXPECT_EQ(field->Stones[i].InPlay, 0) << i;
    tap(VK_D);
    tap(VK_A);
    tap(VK_SPACE); // もう一度
    frames(1);
    EXPECT_EQ(field->Phase, SingleBase + FreeCamera);
    EXPECT_EQ(m().score(), (std::array<int, 2>{0, 0}));

    playEnd(39.0f, true); // yellow beyond the house
    tap(VK_SPACE);
    ASSERT_EQ(field->Phase, MatchResult);
    tap(VK_D);
    tap(VK_SPACE); // 終了
    EXPECT_EQ(field->Running, 0);

    startMatch(match::GModeTwoPlayers, 1);
    tap(VK_ESC);
    EXPECT_EQ(field->Phase, LeaveMatch);
    tap(VK_SPACE);
    EXPECT_EQ(field->Running, 0);
}

// The computer's turn runs through the shot steps with no key pressed, its gauges stopping at its
// settings, and a human key changes nothing meanwhile.
TEST_F(FieldMatch, ComputerThrowsThroughTheShotSteps)
{
    startMatch(match::GModeAgainstCpu, 8);
    restAt(3, 36);
    ASSERT_EQ(m().toThrow(), match::Team::Yellow);
    int frame = 0;
    std::vector<int> steps;
    while (field->Phase != SingleBase + StonesRunning && frame++ < 3000) {
        if (steps.empty() || steps.back() != stepOf(field->Phase))
            steps.push_back(stepOf(field->Phase));
        this->frame(frame % 7 == 0 ? std::initializer_list<std::uint8_t>{VK_W} : std::initializer_list<std::uint8_t>{});
    }
    this->frame(); // the computer's stone runs: it has nothing to do
    EXPECT_EQ(steps, (std::vector<int>{FreeCamera, Position, SpinStep, Power, Ready, Shooting, Release}));
    EXPECT_EQ(field->CurStone, 1);
    EXPECT_GT(field->Stones[1].Speed, 0.0f);
    EXPECT_GT(field->PowerSet, 0.0f) << "W would have reset it";
}

} // namespace
} // namespace fieldtest
