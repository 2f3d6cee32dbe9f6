#include "engine/qif.h"
#include "platform/input_host.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

constexpr std::uint8_t VK_A = 65;
constexpr std::uint8_t VK_SPACE = 32;

class KeyPollTest : public ::testing::Test {
protected:
    std::vector<std::int16_t> pollSequence(Q_Key& key, const std::vector<bool>& downPerPoll)
    {
        std::vector<std::int16_t> states;
        for (bool down : downPerPoll) {
            host.keys[key.getKey()] = down ? 0x80 : 0;
            inp.checkKey(std::span<Q_Key>(&key, 1));
            states.push_back(key.getState());
        }
        return states;
    }

    platform::ScriptedInputHost host;
    QIF inp{host};
};

TEST_F(KeyPollTest, KeyReadsPressedThenHeldAndUpAfterReleaseForEveryBinding)
{
    Q_Key key;
    key.setKey(VK_A);
    EXPECT_EQ(pollSequence(key, {true, true, true, false, true}), (std::vector<std::int16_t>{1, 2, 2, 0, 1}));
    EXPECT_EQ(pollSequence(key, {false, false, true, false, false}), (std::vector<std::int16_t>{0, 0, 1, 0, 0}));
    host.keys[VK_A] = 1; // any non-zero table entry counts as down
    inp.checkKey(std::span<Q_Key>(&key, 1));
    EXPECT_EQ(key.getState(), 1);

    // Two bindings of one key change together.
    std::array<Q_Key, 3> keys;
    keys[0].setKey(VK_A);
    keys[1].setKey(VK_SPACE);
    keys[2].setKey(VK_A);
    host.keys[VK_A] = 0x80;
    inp.checkKey(keys);
    const auto states = [&] { return std::vector<std::int16_t>{keys[0].getState(), keys[1].getState(), keys[2].getState()}; };
    EXPECT_EQ(states(), (std::vector<std::int16_t>{1, 0, 1}));
    inp.checkKey(keys);
    EXPECT_EQ(states(), (std::vector<std::int16_t>{2, 0, 2}));
}

// The cursor is read at the poll, not before; a click is seen by one poll and reads as held when repeated.
TEST_F(KeyPollTest, CursorAndClicksAreReadAtThePollAndMasksDecodeToTheNamedButtons)
{
    host.x = 100;
    host.y = 50;
    EXPECT_EQ(inp.getMouseX(), 0);
    inp.checkMouse();
    host.x = 7;
    EXPECT_EQ((std::array{inp.getMouseX(), inp.getMousey()}), (std::array{100, 50}));

    std::vector<std::int16_t> states;
    for (bool click : {true, true, true, false, true}) {
        if (click)
            inp.setMouseButton(2);
        inp.checkMouse();
        states.push_back(inp.getMouseRight());
    }
    EXPECT_EQ(states, (std::vector<std::int16_t>{1, 2, 2, 0, 1}));

    // Each mask, then left, right and centre as they read.
    const std::array<std::int16_t, 4> cases[] = {{1, 1, 0, 0}, {2, 0, 1, 0}, {3, 1, 1, 0}, {4, 0, 0, 1},
                                                 {5, 1, 0, 1}, {6, 0, 1, 1}, {7, 1, 1, 1}, {8, 0, 0, 0},
                                                 {0, 0, 0, 0}, {-1, 0, 0, 0}, {9, 0, 0, 0}};
    for (const auto& c : cases) {
        platform::ScriptedInputHost freshHost;
        QIF fresh(freshHost);
        fresh.setMouseButton(c[0]);
        fresh.checkMouse();
        const std::array<std::int16_t, 4> seen{c[0], fresh.getMouseLeft(), fresh.getMouseRight(),
                                               fresh.getMouseCenter()};
        EXPECT_EQ(seen, c);
    }
}

} // namespace
