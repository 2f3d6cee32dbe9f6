// Many callers at once, and what survives a restart.

#include "tests/server/service_fixture.h"

#include <sqlite3.h>

using namespace servertest;

using ServiceRobustness = ServiceTest;

TEST_F(ServiceRobustness, ParallelChatLosesNothingAndAReadAfterAWriteShowsIt)
{
    // Writers and readers interleave freely; a view older than the caller's own last write
    // would show up as a missing line.
    constexpr int kThreads = 6;
    constexpr int kLinesEach = 20;
    std::atomic<int> failures{0};
    std::atomic<int> stale{0};
    signUp("s");
    const std::string session = sid("s");
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kLinesEach; ++i) {
                const std::string words = "t" + std::to_string(t) + "-" + std::to_string(i);
                const auto said = splitFields(
                    get("/PHP/Rinkfall/Say.php?Rkf=1&Speaker=s&Words=" + words + "&Belong=0" + session).body);
                const std::string view = get("/PHP/Rinkfall/Lobby.php?Rkf=1").body;
                if (said.at(0) != "1" || splitFields(view).at(0) != "1")
                    ++failures;
                // Stale: the view lacks the line just said, yet shows an older line of this thread
                // or has room for it. (Under load, 30 newer lines of others may push it out.)
                const auto shows = [&view](const std::string &line) {
                    return view.find("<QZT>" + line + "<QZT>") != std::string::npos || view.ends_with("<QZT>" + line);
                };
                const auto fields = splitFields(view);
                const bool full = fields.size() > 3 && fields[3] == "30";
                if (!shows(words) && (!full || (i > 0 && shows("t" + std::to_string(t) + "-" + std::to_string(i - 1)))))
                    ++stale;
            }
        });
    }
    for (auto &thread : threads)
        thread.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(stale, 0);
    // Every line stored exactly once.
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(dbPath().c_str(), &db), SQLITE_OK);
    sqlite3_stmt *stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT COUNT(*), COUNT(DISTINCT words) FROM chat", -1, &stmt, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(stmt, 0), kThreads * kLinesEach);
    EXPECT_EQ(sqlite3_column_int(stmt, 1), kThreads * kLinesEach);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    EXPECT_EQ(std::stoul(call("Lobby", "").at(3)), 30u);
}

TEST_F(ServiceRobustness, RacingForOneNameOrOneRoomHasOneWinner)
{
    constexpr int kThreads = 6;
    std::atomic<int> registered{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            const auto reply = get("/PHP/Rinkfall/Regist.php?Rkf=1&NAME=same&PASS=pw&LENG=4&IP=x");
            registered += splitFields(reply.body).at(0) == "1";
        });
    }
    for (auto &thread : threads)
        thread.join();
    EXPECT_EQ(registered, 1);

    const int room = makeRoom("host");
    std::vector<std::string> guests;
    for (int t = 0; t < kThreads; ++t)
        signUp(guests.emplace_back("guest" + std::to_string(t)));
    std::atomic<int> joined{0};
    threads.clear();
    for (const std::string &guest : guests) {
        threads.emplace_back([&, guest] {
            const auto reply = get("/PHP/Rinkfall/Join.php?Rkf=1&Room=" + std::to_string(room) + "&Name=" + guest + sid(guest));
            joined += splitFields(reply.body).at(0) == "1";
        });
    }
    for (auto &thread : threads)
        thread.join();
    EXPECT_EQ(joined, 1);
}

TEST_F(ServiceRobustness, ARestartKeepsUsersRoomsAndChat)
{
    const int room = makeRoom("ann", "keep");
    signUp("bob");
    ASSERT_EQ(call("Join", "Room=" + std::to_string(room) + "&Name=bob").at(0), "1");
    ASSERT_EQ(call("Say", "Speaker=ann&Words=before&Belong=0").at(0), "1");
    const auto before = call("Lobby", "");

    restart();

    EXPECT_EQ(call("Lobby", ""), before);
    EXPECT_EQ(call("Access", "NAME=ann&PASS=secret").at(0), "1");
    EXPECT_EQ(call("Access", "NAME=ann&PASS=wrong").at(0), "-1");
    EXPECT_EQ(call("Regist", "NAME=ann&PASS=x&LENG=3&IP=x").at(0), "-1") << "name still taken";
    // Sessions live in memory: bob logs in again before he may leave.
    EXPECT_EQ(call("DelJoin", "Name=bob").at(0), "-1");
    logIn("bob");
    EXPECT_EQ(call("DelJoin", "Name=bob").at(0), "1");
}

TEST_F(ServiceRobustness, ADatabaseOfAnEarlierVersionGainsTheLastSeenTime)
{
    const int room = makeRoom("ann", "old");
    service_.reset();
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(dbPath().c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "ALTER TABLE users DROP COLUMN seen_at", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    start();
    EXPECT_EQ(call("Lobby", "").at(3), std::to_string(room));
    logIn("ann");
    EXPECT_EQ(call("Lobby", "").at(2), "0") << "the login ended the earlier room";
    EXPECT_EQ(call("MakeGame", "Title=t&Name=ann").at(0), "1");
}
