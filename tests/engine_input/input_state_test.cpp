#include "engine/qif.h"
#include "platform/input_host.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

constexpr std::uint8_t VK_A = 65;
constexpr std::uint8_t VK_SPACE = 32;

// Pressed, then held, and up after release; any non-zero table entry counts as down, and two
// bindings of one key change together. Mouse masks decode to the named buttons.
TEST(KeyPoll, KeysAndButtonsReadPressedThenHeldAndUpAndTheCursorIsReadAtThePoll)
{
    platform::ScriptedInputHost host;
    QIF inp{host};
    std::array<Q_Key, 3> keys;
    keys[0].setKey(VK_A);
    keys[1].setKey(VK_SPACE);
    keys[2].setKey(VK_A);
    std::vector<std::array<std::int16_t, 3>> seen;
    for (std::uint8_t a : {0x80, 0x80, 1, 0, 1, 0, 0}) {
        host.keys[VK_A] = a;
        inp.checkKey(keys);
        seen.push_back({keys[0].getState(), keys[1].getState(), keys[2].getState()});
    }
    EXPECT_EQ(seen, (std::vector<std::array<std::int16_t, 3>>{
                        {1, 0, 1}, {2, 0, 2}, {2, 0, 2}, {0, 0, 0}, {1, 0, 1}, {0, 0, 0}, {0, 0, 0}}));

    // The cursor is read at the poll; a click is seen by one poll and reads as held when repeated.
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
