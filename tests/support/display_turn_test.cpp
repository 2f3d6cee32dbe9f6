// Test programs that share one X display take turns to connect to it.
#include "tests/support/display_turn.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>

using namespace testsupport;

namespace {

// This program has no display of its own: what it sets stays unread by anything else.
void environment(const char* display, const char* platform)
{
    display ? setenv("DISPLAY", display, 1) : unsetenv("DISPLAY");
    platform ? setenv("QT_QPA_PLATFORM", platform, 1) : unsetenv("QT_QPA_PLATFORM");
}

TEST(DisplayTurn, ASecondProcessWaitsUntilTheFirstHasConnected)
{
    environment(":4242", "xcb");
    int go[2], answer[2];
    ASSERT_EQ(pipe(go), 0);
    ASSERT_EQ(pipe(answer), 0);
    // Forked before the turn is taken: a child sharing the locked descriptor would share the lock.
    const pid_t child = fork();
    if (child == 0) {
        char byte = 0;
        (void)!read(go[0], &byte, 1);
        const auto asked = std::chrono::steady_clock::now();
        const DisplayTurn childTurn;
        const auto waited = (std::chrono::steady_clock::now() - asked) / std::chrono::milliseconds(10);
        byte = char(std::min<long>(waited, 127));
        (void)!write(answer[1], &byte, 1);
        _exit(childTurn.held() ? 0 : 1);
    }
    std::optional<DisplayTurn> turn(std::in_place);
    EXPECT_TRUE(turn->held());
    (void)!write(go[1], "x", 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    turn.reset();
    char tenMs = 0;
    EXPECT_EQ(read(answer[0], &tenMs, 1), 1);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the second process got the turn";
    EXPECT_GE(tenMs * 10, 200) << "milliseconds the second process waited";
}

TEST(DisplayTurn, OnlyAnXDisplayIsWaitedFor)
{
    environment(":4242", "offscreen");
    EXPECT_FALSE(DisplayTurn().held());
    environment(nullptr, nullptr);
    EXPECT_FALSE(DisplayTurn().held());
    environment("remote/host:7.0", nullptr);
    EXPECT_TRUE(DisplayTurn().held());
    EXPECT_NE(DisplayTurn::lockPathFor(":1"), DisplayTurn::lockPathFor(":10"));
}

} // namespace
