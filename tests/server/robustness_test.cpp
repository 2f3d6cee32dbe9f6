// Many callers at once, and what survives a restart.

#include "tests/server/service_fixture.h"

using namespace servertest;

using ServiceRobustness = ServiceTest;

// Each thread races the others for one name and one seat, then writes and reads chat freely: a view
// older than the caller's own last write would show up as a missing line.
TEST_F(ServiceRobustness, ParallelCallersLoseNoChatSeeTheirOwnWritesAndOneWinsEachRace)
{
    constexpr int kThreads = 6;
    constexpr int kLinesEach = 20;
    const std::string room = std::to_string(makeRoom("host"));
    for (int t = 0; t < kThreads; ++t)
        signUp("guest" + std::to_string(t));
    std::atomic<int> failures{0};
    std::atomic<int> stale{0};
    std::atomic<int> registered{0};
    std::atomic<int> joined{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const std::string guest = "guest" + std::to_string(t);
            const auto code = [&](const std::string &target) {
                return splitFields(get("/PHP/Rinkfall/" + target + sid(guest)).body).at(0);
            };
            registered += code("Regist.php?Rkf=1&NAME=same&PASS=pw&LENG=4&IP=x") == "1";
            joined += code("Join.php?Rkf=1&Room=" + room + "&Name=" + guest) == "1";
            for (int i = 0; i < kLinesEach; ++i) {
                const std::string words = "t" + std::to_string(t) + "-" + std::to_string(i);
                const std::string said = code("Say.php?Rkf=1&Speaker=" + guest + "&Words=" + words);
                const std::string view = get("/PHP/Rinkfall/Lobby.php?Rkf=1").body;
                const auto fields = splitFields(view);
                failures += said != "1" || fields.at(0) != "1";
                // Stale: the view lacks the line just said, yet shows an older line of this thread
                // or has room for it. (Under load, 30 newer lines of others may push it out.)
                const auto shows = [&view](const std::string &line) {
                    return view.find("<QZT>" + line + "<QZT>") != std::string::npos
                           || view.ends_with("<QZT>" + line);
                };
                const bool full = fields.size() > 3 && fields[3] == "30";
                const std::string previous = "t" + std::to_string(t) + "-" + std::to_string(i - 1);
                stale += !shows(words) && (!full || (i > 0 && shows(previous)));
            }
        });
    }
    for (auto &thread : threads)
        thread.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(stale, 0);
    EXPECT_EQ(registered, 1);
    EXPECT_EQ(joined, 1);
    const std::string all = std::to_string(kThreads * kLinesEach);
    EXPECT_EQ(sqlCells(dbPath(), "SELECT COUNT(*), COUNT(DISTINCT words) FROM chat"),
              (std::vector<std::string>{all, all}))
        << "every line stored exactly once";
}

TEST_F(ServiceRobustness, ARestartKeepsUsersRoomsAndChatAlsoFromAnEarlierDatabase)
{
    const int room = makeRoom("ann", "keep");
    signUp("bob");
    const std::string bobsNumber = call("Access", "NAME=bob&PASS=secret").at(1);
    logIn("bob");
    ASSERT_EQ(call("Join", "Room=" + std::to_string(room) + "&Name=bob").at(0), "1");
    ASSERT_EQ(say("ann", "before"), "1");
    const auto before = call("Lobby", "");
    // An earlier version of the service kept no last-seen time.
    stop();
    sqlCells(dbPath(), "ALTER TABLE users DROP COLUMN seen_at");
    start();
    EXPECT_EQ(call("Lobby", ""), before);
    EXPECT_EQ(call("Access", "NAME=bob&PASS=secret").at(1), bobsNumber);
    EXPECT_EQ(call("Access", "NAME=ann&PASS=wrong").at(0), "-1");
    EXPECT_EQ(call("Regist", "NAME=ann&PASS=x&LENG=3&IP=x").at(0), "-1") << "name still taken";
    // Sessions live in memory: bob logs in again before he may leave.
    EXPECT_EQ(call("DelJoin", "Name=bob").at(0), "-1");
    logIn("bob");
    EXPECT_EQ(call("DelJoin", "Name=bob").at(0), "1");
    logIn("ann");
    EXPECT_EQ(call("Lobby", "").at(2), "0") << "the login ended the earlier room";
    EXPECT_EQ(call("MakeGame", "Title=t&Name=ann").at(0), "1");
}
