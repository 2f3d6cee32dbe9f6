// Test programs that share one X display take turns to connect to it.
#include "tests/support/display_turn.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

using namespace testsupport;

namespace {

class EnvironmentVariable {
public:
    EnvironmentVariable(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old, hadOld_ = true;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~EnvironmentVariable() { hadOld_ ? setenv(name_, old_.c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::string old_;
    bool hadOld_ = false;
};

// Milliseconds a second process waits for its turn while this one holds it for `holdMs`.
long waitOfAnotherProcess(int holdMs)
{
    int go[2], answer[2];
    EXPECT_EQ(pipe(go), 0);
    EXPECT_EQ(pipe(answer), 0);
    // Forked before the turn is taken: a child sharing the locked descriptor would share the lock.
    const pid_t child = fork();
    if (child == 0) {
        char byte = 0;
        (void)!read(go[0], &byte, 1);
        const auto asked = std::chrono::steady_clock::now();
        const DisplayTurn childTurn;
        const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - asked);
        byte = static_cast<char>(std::min<long>(waited.count() / 10, 127));
        (void)!write(answer[1], &byte, 1);
        _exit(childTurn.held() ? 0 : 1);
    }
    std::optional<DisplayTurn> turn;
    turn.emplace();
    EXPECT_TRUE(turn->held());
    (void)!write(go[1], "x", 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
    turn.reset();
    char tenths = 0;
    EXPECT_EQ(read(answer[0], &tenths, 1), 1);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the second process got the turn";
    for (int fd : {go[0], go[1], answer[0], answer[1]})
        close(fd);
    return tenths * 10L;
}

} // namespace

TEST(DisplayTurn, ASecondProcessWaitsUntilTheFirstHasConnected)
{
    const EnvironmentVariable display("DISPLAY", ":4242");
    const EnvironmentVariable platform("QT_QPA_PLATFORM", "xcb");
    EXPECT_GE(waitOfAnotherProcess(300), 200);
}

TEST(DisplayTurn, OnlyAnXDisplayIsWaitedFor)
{
    {
        const EnvironmentVariable display("DISPLAY", ":4242");
        const EnvironmentVariable platform("QT_QPA_PLATFORM", "offscreen");
        EXPECT_FALSE(DisplayTurn().held());
    }
    {
        const EnvironmentVariable display("DISPLAY", nullptr);
        const EnvironmentVariable platform("QT_QPA_PLATFORM", nullptr);
        EXPECT_FALSE(DisplayTurn().held());
    }
    const EnvironmentVariable display("DISPLAY", "remote/host:7.0");
    const EnvironmentVariable platform("QT_QPA_PLATFORM", nullptr);
    EXPECT_TRUE(DisplayTurn().held());
    EXPECT_NE(DisplayTurn::lockPathFor(":1"), DisplayTurn::lockPathFor(":10"));
}
