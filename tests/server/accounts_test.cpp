// Registration, login, sessions and their abuse: guessing passwords, flooding the password
// hashing, signing up in bulk and chatting too fast.

#include "tests/server/service_fixture.h"

#include "server/service_messages.h"

using namespace servertest;
namespace messages = server::messages;

using ServiceAccounts = ServiceTest;

TEST_F(ServiceAccounts, NamesAreLowerCasedAndPasswordsAreExactAndStoredOnlyAsSaltedHashes)
{
    // Spaces, "+", "&" and Japanese text, as the client encodes them.
    const std::string password = "a%20b+c%26%E3%81%82";
    registerUser("Erin", password);
    for (const std::string typed : {"erin", "ERIN", "Erin"}) {
        const auto reply = call("Access", "NAME=" + typed + "&PASS=" + password);
        ASSERT_EQ(reply.size(), 4u) << typed;
        EXPECT_EQ(reply[0], "1");
        EXPECT_GT(std::stoi(reply[1]), 0);
        EXPECT_EQ(reply[2], "erin") << "the stored spelling comes back";
    }
    // The longest and the shortest name, each with its own number.
    registerUser(std::string(16, 'z'), "hunter2");
    registerUser("q", "hunter2");
    EXPECT_NE(call("Access", "NAME=q&PASS=hunter2").at(1), call("Access", "NAME=erin&PASS=" + password)[1]);
    const auto wrongPassword = call("Access", "NAME=erin&PASS=a%20b+c%26");
    expectRefused(wrongPassword);
    for (const std::string query : {"NAME=erin&PASS=pw", "NAME=erin&PASS=a%20b%20c%26%E3%81%82",
                                    "NAME=nobody&PASS=pw", "NAME=%E3%81%82&PASS=pw"})
        EXPECT_EQ(call("Access", query), wrongPassword) << query;

    std::vector<std::string> hashes;
    for (const std::string &cell : sqlCells(dbPath(), "SELECT * FROM users")) {
        EXPECT_EQ(cell.find("hunter2"), std::string::npos) << cell;
        if (cell.starts_with("$argon2id$"))
            hashes.push_back(cell);
    }
    ASSERT_EQ(hashes.size(), 3u);
    EXPECT_NE(hashes[1], hashes[2]) << "each hash has its own salt";
}

TEST_F(ServiceAccounts, OneAddressMakesOnlySoManyAccountsADayAndSoManyInAShortTime)
{
    serviceSettings_.maxAccountsPerAddressPerDay = 3;
    serviceSettings_.registrationsPerAddress = 2;
    restart();
    const auto regist = [&](const std::string &name, const std::string &from) {
        return call("Regist", "NAME=" + name + "&PASS=pw&LENG=" + std::to_string(name.size()) + "&IP=x",
                    from);
    };
    registerUser("u1");
    registerUser("u2");
    EXPECT_EQ(regist("u3", "127.0.0.1"), (std::vector<std::string>{"-1", messages::kTooManyRegistrations}));
    registerUser("v1", "pw", "127.0.0.2"); // another machine is not affected
    now_ += 10 * 60;
    registerUser("u3");
    now_ += 10 * 60;
    EXPECT_EQ(regist("u4", "127.0.0.1"), (std::vector<std::string>{"-2", messages::kTooManyAccounts}));
    now_ += 24 * 60 * 60 + 1;
    registerUser("u4");
}

TEST_F(ServiceAccounts, FailedLoginsBackOffPerAccountAndPerAddress)
{
    registerUser("ann", "right");
    auto attempt = [&](const std::string &name, const std::string &password, const std::string &from) {
        return call("Access", "NAME=" + name + "&PASS=" + password, from).at(1);
    };
    // Five free failures against one account from spread addresses, then the account waits.
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(attempt("ann", "wrong", "127.0.0." + std::to_string(10 + i)), messages::kLoginFailed);
    EXPECT_EQ(attempt("ann", "right", "127.0.0.20"), messages::kTooManyFailures)
        << "even the right password waits, so the wait cannot be probed";
    now_ += 2;
    EXPECT_EQ(call("Access", "NAME=ann&PASS=right", "127.0.0.20").at(0), "1");

    // One address guessing across many names waits for every name; other addresses do not.
    registerUser("bob", "right");
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(attempt("user" + std::to_string(i), "x", "127.0.0.30"), messages::kLoginFailed);
    EXPECT_EQ(attempt("bob", "right", "127.0.0.30"), messages::kTooManyFailures);
    EXPECT_EQ(call("Access", "NAME=bob&PASS=right", "127.0.0.31").at(0), "1");
    // Each further failure doubles the wait.
    now_ += 1;
    EXPECT_EQ(attempt("nobody", "x", "127.0.0.30"), messages::kLoginFailed);
    now_ += 1;
    EXPECT_EQ(attempt("bob", "right", "127.0.0.30"), messages::kTooManyFailures);
    now_ += 1;
    EXPECT_EQ(call("Access", "NAME=bob&PASS=right", "127.0.0.30").at(0), "1");
}

TEST_F(ServiceAccounts, AHashingFloodGetsBusyRepliesWhileTheLobbyStaysQuick)
{
    serviceSettings_.hashCost = server::HashCost::interactive();
    hostSettings_.hashingThreads = 1;
    hostSettings_.hashingQueue = 2;
    restart();
    std::atomic<int> busy{0};
    std::atomic<int> answered{0};
    std::vector<std::thread> flood;
    for (int t = 0; t < 32; ++t) {
        flood.emplace_back([&, t] {
            const std::string number = std::to_string(100 + t);
            const auto reply = call("Access", "NAME=n" + number + "&PASS=x", "127.0.0." + number);
            busy += reply == std::vector<std::string>{"-1", messages::kBusy};
            answered += reply == std::vector<std::string>{"-1", messages::kLoginFailed};
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

class ServiceSessions : public ServiceTest {
protected:
    void SetUp() override
    {
        serviceSettings_.sessionIdleSeconds = 600;
        serviceSettings_.chatLinesPerWindow = 3;
        serviceSettings_.chatWindowSeconds = 10;
        start();
    }
    std::string said(const std::string &speaker, const std::string &words, const std::string &session)
    {
        return call("Say", "Speaker=" + speaker + "&Words=" + words + session).at(0);
    }
};

TEST_F(ServiceSessions, SessionsSpeakOnlyForTheirUserAndEndWhenIdleOrReplaced)
{
    signUp("ann");
    const std::string system = "%E3%82%B7%E3%82%B9%E3%83%86%E3%83%A0"; // システム
    // The game's own notice: "ann さんがログインしました。"
    const std::string loggedIn = "%20%E3%81%95%E3%82%93%E3%81%8C%E3%83%AD%E3%82%B0%E3%82%A4%E3%83%B3%E3%81%97"
                                 "%E3%81%BE%E3%81%97%E3%81%9F%E3%80%82";
    EXPECT_EQ(said(system, "ann" + loggedIn, sid("ann")), "1");
    EXPECT_EQ(said(system, "bob" + loggedIn, sid("ann")), "-1");
    EXPECT_EQ(said(system, "ann" + loggedIn, ""), "-1");
    EXPECT_EQ(said("bob", "hi", sid("ann")), "-1");
    EXPECT_EQ(said("ANN", "hi", sid("ann")), "1") << "the name in any case";
    const std::string first = sid("ann");
    EXPECT_EQ(first.size(), 5u + 32);
    logIn("ann");
    EXPECT_NE(sid("ann"), first);
    EXPECT_EQ(said("ann", "old", first), "-1") << "the older session ended at the new login";
    EXPECT_EQ(said("ann", "new", sid("ann")), "1");
    // Watching the lobby keeps a session alive; ten idle minutes end it.
    now_ += 590;
    call("Lobby", sid("ann").substr(1));
    signUp("bob"); // a login sweeps out idle sessions, and only those
    now_ += 590;
    EXPECT_EQ(said("ann", "still", sid("ann")), "1");
    now_ += 601;
    EXPECT_EQ(said("ann", "gone", sid("ann")), "-1");
}

TEST_F(ServiceSessions, ChatIsLimitedPerUserAndSessionsMayBeBoundToTheirAddress)
{
    signUp("ann");
    signUp("bob");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(said("ann", "w" + std::to_string(i), sid("ann")), "1");
    EXPECT_EQ(call("Say", "Speaker=ann&Words=more" + sid("ann")),
              (std::vector<std::string>{"-1", messages::kChatTooFast}));
    EXPECT_EQ(said("bob", "hi", sid("bob")), "1");
    now_ += 10;
    EXPECT_EQ(said("ann", "later", sid("ann")), "1");
    EXPECT_EQ(call("MakeGame", "Title=t&Name=ann", "127.0.0.2").at(0), "1") << "any address, by default";

    // Binding a session to its login address is an option.
    serviceSettings_.bindToLoginAddress = true;
    restart();
    logIn("ann");
    EXPECT_EQ(call("MakeGame", "Title=t&Name=ann", "127.0.0.2").at(0), "-1");
    EXPECT_EQ(call("MakeGame", "Title=t&Name=ann").at(0), "1");
}
