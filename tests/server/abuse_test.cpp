// Guessing passwords, flooding the password hashing and signing up in bulk.

#include "tests/server/service_fixture.h"

#include "server/service_messages.h"

#include <chrono>

using namespace servertest;

using ServiceAbuse = ServiceTest;

TEST_F(ServiceAbuse, FailedLoginsBackOffPerAccountAndPerAddress)
{
    registerUser("ann", "right");
    auto attempt = [&](const std::string &name, const std::string &password, const std::string &from) {
        return call("Access", "NAME=" + name + "&PASS=" + password, from);
    };
    // Five free failures against one account from spread addresses, then the account waits.
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(attempt("ann", "wrong", "127.0.0." + std::to_string(10 + i)).at(1), server::messages::kLoginFailed);
    EXPECT_EQ(attempt("ann", "right", "127.0.0.20").at(1), server::messages::kTooManyFailures)
        << "even the right password waits, so the wait cannot be probed";
    now_ += 2;
    EXPECT_EQ(attempt("ann", "right", "127.0.0.20").at(0), "1");

    // One address guessing across many names waits for every name; other addresses do not.
    registerUser("bob", "right");
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(attempt("user" + std::to_string(i), "x", "127.0.0.30").at(1), server::messages::kLoginFailed);
    EXPECT_EQ(attempt("bob", "right", "127.0.0.30").at(1), server::messages::kTooManyFailures);
    EXPECT_EQ(attempt("bob", "right", "127.0.0.31").at(0), "1");
    // Each further failure doubles the wait.
    now_ += 1;
    EXPECT_EQ(attempt("nobody", "x", "127.0.0.30").at(1), server::messages::kLoginFailed);
    now_ += 1;
    EXPECT_EQ(attempt("bob", "right", "127.0.0.30").at(1), server::messages::kTooManyFailures);
    now_ += 1;
    EXPECT_EQ(attempt("bob", "right", "127.0.0.30").at(0), "1");
}

TEST_F(ServiceAbuse, OneAddressSignsUpOnlySoOftenInAShortTime)
{
    registrationsPerWindow_ = 2;
    restart();
    registerUser("one", "pw", "127.0.0.2");
    registerUser("two", "pw", "127.0.0.2");
    const auto third = call("Regist", "NAME=three&PASS=pw&LENG=5&IP=x", "127.0.0.2");
    EXPECT_EQ(third, (std::vector<std::string>{"-1", server::messages::kTooManyRegistrations}));
    registerUser("four", "pw", "127.0.0.3");
    now_ += 10 * 60;
    registerUser("three", "pw", "127.0.0.2");
}

TEST_F(ServiceAbuse, AHashingFloodGetsBusyRepliesWhileTheLobbyStaysQuick)
{
    hashCost_ = server::HashCost::interactive();
    hostSettings_.hashingThreads = 1;
    hostSettings_.hashingQueue = 2;
    restart();
    std::atomic<int> busy{0};
    std::atomic<int> answered{0};
    std::vector<std::thread> flood;
    for (int t = 0; t < 32; ++t) {
        flood.emplace_back([&, t] {
            const auto reply = splitFields(
                get("/PHP/Rinkfall/Access.php?Rkf=1&NAME=n" + std::to_string(t) + "&PASS=x",
                    "127.0.0." + std::to_string(40 + t)).body);
            busy += reply.size() == 2 && reply[0] == "-1" && reply[1] == server::messages::kBusy;
            answered += reply.size() == 2 && reply[0] == "-1" && reply[1] == server::messages::kLoginFailed;
        });
    }
    std::chrono::steady_clock::duration slowest{};
    for (int i = 0; i < 20; ++i) {
        const auto begin = std::chrono::steady_clock::now();
        EXPECT_EQ(call("Lobby", "").at(0), "1");
        slowest = std::max(slowest, std::chrono::steady_clock::now() - begin);
    }
    for (auto &thread : flood)
        thread.join();
    EXPECT_LT(slowest, std::chrono::milliseconds(500)) << "under load from the rest of a test run too";
    EXPECT_GT(busy, 0) << "the queue of two was full at some point";
    EXPECT_GT(answered, 0);
    EXPECT_EQ(busy + answered, 32) << "every login got one of the two answers";
}
