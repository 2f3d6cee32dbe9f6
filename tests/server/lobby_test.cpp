// Chat, lobby view and game rooms, what survives a restart, and many callers at once.

#include "tests/server/service_fixture.h"

#include "server/service_messages.h"


using namespace servertest;

namespace {

struct LobbyView {
    std::string lastUpdate;
    std::vector<std::vector<std::string>> rooms; // number, title, created, creator, opponent, state
    std::vector<std::vector<std::string>> chat;  // time, speaker, words
};

} // namespace

class ServiceLobby : public ServiceTest {
protected:
    // Reads a Lobby.php reply as the client does, checking that counts and field total agree.
    LobbyView lobby()
    {
        const auto reply = call("Lobby", "");
        LobbyView view{reply.at(1), {}, {}};
        EXPECT_EQ(reply.at(0), "1");
        const std::size_t n = std::stoul(reply.at(2));
        for (std::size_t i = 0; i < n; ++i)
            view.rooms.emplace_back(reply.begin() + 3 + 6 * i, reply.begin() + 9 + 6 * i);
        const std::size_t m = std::stoul(reply.at(3 + 6 * n));
        for (std::size_t j = 0; j < m; ++j)
            view.chat.emplace_back(reply.begin() + 4 + 6 * n + 3 * j, reply.begin() + 7 + 6 * n + 3 * j);
        EXPECT_EQ(reply.size(), 4 + 6 * n + 3 * m);
        return view;
    }
    std::string join(int room, const std::string &name, const std::string &source = {})
    {
        return call("Join", "Room=" + std::to_string(room) + "&Name=" + name, source).at(0);
    }
};

TEST_F(ServiceLobby, FreeTextIsCutByCharacterAndCannotForgeFields)
{
    std::string threeHundred; // however long the box's text: 誰
    for (int i = 0; i < 300; ++i)
        threeHundred += "%E8%AA%B0";
    ASSERT_EQ(say("ann", threeHundred.substr(0, 70 * 9)), "1");
    ASSERT_EQ(say("ann", threeHundred), "1");
    ASSERT_EQ(say("ann", "a%3CQZT%3Eb%0Ac"), "1");
    makeRoom("ann", std::string(40, 'x') + "%3CQZT%3E");
    makeRoom("bob", "a%3CQZT%3E");
    makeRoom("cat", threeHundred);
    const LobbyView view = lobby();
    ASSERT_EQ(view.chat.size(), 3u);
    EXPECT_EQ(view.chat[2][2].size(), 64u * 3);
    EXPECT_EQ(view.chat[1][2].size(), 64u * 3);
    for (const std::string &words : {view.chat[0][2], view.rooms.at(1)[1]}) {
        EXPECT_EQ(words.find("<QZT>"), std::string::npos);
        EXPECT_EQ(words.find('\n'), std::string::npos);
        EXPECT_EQ(words.front(), 'a');
    }
    ASSERT_EQ(view.rooms.size(), 3u) << "the marker in a title did not add fields";
    EXPECT_EQ(view.rooms[0][1], std::string(32, 'x'));
    EXPECT_EQ(view.rooms[2][1].size(), 32u * 3);
}

TEST_F(ServiceLobby, ARoomWaitsIsJoinedIsLeftAndIsDeletedAndTheLobbyHasALimit)
{
    ASSERT_EQ(say("ann", "hello"), "1");
    const std::string first = lobby().lastUpdate;
    now_ += 5;
    EXPECT_EQ(lobby().lastUpdate, first) << "reading changes nothing";
    const int room = makeRoom("ann", "%E8%AA%B0%E3%81%A7%E3%82%82%E3%81%A9%E3%81%86%E3%81%9E");
    LobbyView view = lobby();
    EXPECT_NE(view.lastUpdate, first);
    ASSERT_EQ(view.rooms.size(), 1u);
    EXPECT_EQ(view.rooms[0], (std::vector<std::string>{std::to_string(room), "誰でもどうぞ", view.rooms[0][2],
                                                       "ann", "", "1"}));
    // One room per creator: the client asks again when the first answer was lost, and learns
    // the room it has.
    EXPECT_EQ(call("MakeGame", "Title=again&Name=ann"),
              (std::vector<std::string>{"1", std::to_string(room)}));

    signUp("bob");
    EXPECT_EQ(call("Join", "Room=" + std::to_string(room) + "&Name=bob").size(), 2u) << "a word goes with it";
    view = lobby();
    ASSERT_EQ(view.rooms.size(), 1u);
    EXPECT_EQ(view.rooms[0][4], "bob");
    EXPECT_EQ(view.rooms[0][5], "2");
    ASSERT_EQ(call("DelJoin", "Name=bob").at(0), "1");
    // Leaving or deleting what is already gone is what the client wanted: no refusal.
    EXPECT_EQ(call("DelJoin", "Name=bob").at(0), "1") << "nothing left to leave";
    EXPECT_EQ(call("DelGame", "Name=bob").at(0), "1") << "bob owns no room";
    EXPECT_EQ(lobby().rooms.at(0), (std::vector<std::string>{std::to_string(room), "誰でもどうぞ",
                                                             view.rooms[0][2], "ann", "", "1"}));

    EXPECT_EQ(call("DelGame", "Name=ANN" + sid("ann")).at(0), "1") << "the name in any case";
    EXPECT_TRUE(lobby().rooms.empty());
    EXPECT_EQ(call("DelGame", "Name=ann").at(0), "1") << "nothing left: still no refusal";
    const auto again = call("MakeGame", "Title=again&Name=ann");
    ASSERT_EQ(again.at(0), "1");
    EXPECT_NE(std::stoi(again.at(1)), room) << "room numbers are not reused";

    // A seat taken by a join whose answer was lost is given up when its user makes a room.
    ASSERT_EQ(join(std::stoi(again[1]), "bob"), "1");
    makeRoom("bob");
    EXPECT_EQ(lobby().rooms.at(0)[4], "");
    for (int i = 2; i < server::GameService::kMaxRooms; ++i)
        makeRoom("p" + std::to_string(i), "t");
    signUp("cat");
    const std::vector<std::string> full{"2", server::messages::kLobbyFull};
    EXPECT_EQ(call("MakeGame", "Title=t&Name=cat"), full);
    EXPECT_EQ(lobby().rooms.size(), std::size_t(server::GameService::kMaxRooms));

    // A restart keeps users, rooms and chat, also from the database of an earlier version, which kept
    // no last-seen time; sessions live in memory only.
    const auto before = call("Lobby", "");
    const std::string catsNumber = call("Access", "NAME=cat&PASS=secret").at(1);
    const std::string catsSession = sid("cat");
    stop();
    sqlCells(dbPath(), "ALTER TABLE users DROP COLUMN seen_at");
    start();
    EXPECT_EQ(call("Lobby", ""), before);
    EXPECT_EQ(call("DelJoin", "Name=cat" + catsSession).at(0), "-1");
    EXPECT_EQ(call("Access", "NAME=cat&PASS=secret").at(1), catsNumber);
    EXPECT_EQ(call("Access", "NAME=cat&PASS=wrong").at(0), "-1");
    EXPECT_EQ(call("Regist", "NAME=cat&PASS=x&LENG=3&IP=x").at(0), "-1") << "name still taken";
}

TEST_F(ServiceLobby, ANewLoginOrASilenceEndsTheUsersRoomsAndSeats)
{
    const int annRoom = makeRoom("ann");
    makeRoom("dan");
    signUp("bob");
    ASSERT_EQ(join(annRoom, "bob"), "1");
    logIn("bob");
    EXPECT_EQ(lobby().rooms.at(0)[4], "") << "bob's seat from the earlier session is free again";
    EXPECT_EQ(lobby().rooms.at(0)[5], "1");
    ASSERT_EQ(join(annRoom, "bob"), "1");
    logIn("ann");
    ASSERT_EQ(lobby().rooms.size(), 1u) << "ann's earlier room ended, and bob's seat with it";
    EXPECT_EQ(lobby().rooms[0][3], "dan");

    // Only requests from the address a user logged in from keep that user present.
    const std::string elsewhere = "127.0.0.2";
    registerUser("eve", "secret", elsewhere);
    logIn("eve", "secret", elsewhere);
    ASSERT_EQ(call("MakeGame", "Title=t&Name=eve", elsewhere).at(0), "1");
    ASSERT_EQ(join(std::stoi(lobby().rooms[0][0]), "bob"), "1");
    now_ += 20 * 60;
    EXPECT_EQ(lobby().rooms.size(), 2u);
    now_ += 20 * 60;
    const LobbyView view = lobby();
    ASSERT_EQ(view.rooms.size(), 1u) << "eve was silent for 40 minutes";
    EXPECT_EQ(view.rooms[0][3], "dan");
    EXPECT_EQ(view.rooms[0][4], "bob");
    now_ += 31 * 60;
    EXPECT_EQ(call("Lobby", "", elsewhere).at(0), "1");
    EXPECT_TRUE(lobby().rooms.empty()) << "and now everyone on the first address was";
}

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
    std::atomic<int> failures{0}, stale{0}, registered{0}, joined{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const std::string guest = "guest" + std::to_string(t);
            const auto code = [&](const std::string &target) {
                return server::splitReply(get("/PHP/Rinkfall/" + target + sid(guest)).body).at(0);
            };
            registered += code("Regist.php?Rkf=1&NAME=same&PASS=pw&LENG=4&IP=x") == "1";
            joined += code("Join.php?Rkf=1&Room=" + room + "&Name=" + guest) == "1";
            for (int i = 0; i < kLinesEach; ++i) {
                const std::string words = "t" + std::to_string(t) + "-" + std::to_string(i);
                const std::string said = code("Say.php?Rkf=1&Speaker=" + guest + "&Words=" + words);
                const auto fields = server::splitReply(get("/PHP/Rinkfall/Lobby.php?Rkf=1").body);
                failures += said != "1" || fields.at(0) != "1";
                // Stale: the view lacks the line just said, yet shows an older line of this thread
                // or has room for it. (Under load, 30 newer lines of others may push it out.)
                const auto shows = [&fields](const std::string &line) {
                    return std::find(fields.begin(), fields.end(), line) != fields.end();
                };
                const std::size_t chatCount = 3 + 6 * std::stoul(fields.at(2)); // after the rooms
                const bool full = fields.size() > chatCount && fields[chatCount] == "30";
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
