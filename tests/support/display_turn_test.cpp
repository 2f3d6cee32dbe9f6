// Test programs that share one X display take turns to connect to it.
#include "tests/support/display_turn.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <thread>

TEST(DisplayTurn, ASecondProcessWaitsUntilTheFirstHasConnected)
{
    setenv("DISPLAY", ":4242", 1); // this program opens no display: nothing else reads these
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    // Forked before the turn is taken: a child sharing the locked descriptor would share the lock.
    const pid_t child = fork();
    if (child == 0) {
        char byte = 0;
        (void)!read(go[0], &byte, 1);
        const auto asked = std::chrono::steady_clock::now();
        const testsupport::DisplayTurn turn;
        const bool waited = std::chrono::steady_clock::now() - asked >= std::chrono::milliseconds(200);
        _exit(turn.held() && waited ? 0 : 1);
    }
    std::optional<testsupport::DisplayTurn> turn(std::in_place);
    EXPECT_TRUE(turn->held());
    (void)!write(go[1], "x", 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    turn.reset();
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the second process did not wait its turn";
}
