// Test programs that share one X display take turns to connect to it.
#include "tests/support/display_turn.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>

TEST(DisplayTurn, ASecondUserWaitsUntilTheFirstHasConnected)
{
    setenv("DISPLAY", ":4242", 1); // this program opens no display: nothing else reads these
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    std::optional<testsupport::DisplayTurn> first(std::in_place);
    const auto asked = std::chrono::steady_clock::now();
    // A lock of its own, as another program's would be: the turn is a lock on an open file.
    std::thread second([&] {
        const testsupport::DisplayTurn turn;
        EXPECT_GE(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(250)) << "no wait";
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    first.reset();
    second.join();
}
