// Chat, lobby view and game rooms.

#include "tests/server/service_fixture.h"

using namespace servertest;

namespace {

struct LobbyView {
    std::string lastUpdate;
    std::vector<std::vector<std::string>> rooms; // number, title, created, creator, opponent, state
    std::vector<std::vector<std::string>> chat;  // time, speaker, words
};

// Reads a Lobby.php reply the way the client does, checking that the counts and the field
// total agree.
LobbyView readLobby(const std::vector<std::string> &reply)
{
    LobbyView view;
    EXPECT_EQ(reply.at(0), "1");
    view.lastUpdate = reply.at(1);
    const std::size_t n = std::stoul(reply.at(2));
    for (std::size_t i = 0; i < n; ++i)
        view.rooms.emplace_back(reply.begin() + 3 + 6 * i, reply.begin() + 9 + 6 * i);
    const std::size_t m = std::stoul(reply.at(3 + 6 * n));
    for (std::size_t j = 0; j < m; ++j)
        view.chat.emplace_back(reply.begin() + 4 + 6 * n + 3 * j, reply.begin() + 7 + 6 * n + 3 * j);
    EXPECT_EQ(reply.size(), 4 + 6 * n + 3 * m);
    return view;
}

// True when `text` has the shape of `pattern`, where 'd' stands for any digit.
bool hasShape(const std::string &text, const std::string &pattern)
{
    if (text.size() != pattern.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool ok = pattern[i] == 'd' ? (text[i] >= '0' && text[i] <= '9') : text[i] == pattern[i];
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

class ServiceLobby : public ServiceTest {
protected:
    LobbyView lobby() { return readLobby(call("Lobby", "")); }
    void say(const std::string &speaker, const std::string &words)
    {
        if (!sessions_.contains(speaker))
            signUp(speaker);
        ASSERT_EQ(call("Say", "Speaker=" + speaker + "&Words=" + words + "&Belong=0").at(0), "1");
    }
    std::string join(int room, const std::string &name, const std::string &source = {})
    {
        return call("Join", "Room=" + std::to_string(room) + "&Name=" + name, source).at(0);
    }
};

TEST_F(ServiceLobby, ChatComesNewestFirstAndOnlyTheLatestThirty)
{
    EXPECT_EQ(call("Lobby", ""), (std::vector<std::string>{"1", "-", "0", "0"})) << "empty lobby";
    for (int i = 0; i < 35; ++i) {
        say("ann", "line" + std::to_string(i));
        now_ += 61;
    }
    const LobbyView view = lobby();
    ASSERT_EQ(view.chat.size(), 30u);
    EXPECT_EQ(view.chat.front()[2], "line34");
    EXPECT_EQ(view.chat.back()[2], "line5");
    EXPECT_EQ(view.chat.front()[1], "ann");
    EXPECT_TRUE(hasShape(view.chat.front()[0], "dd/dd dd:dd")) << view.chat.front()[0];
    EXPECT_NE(view.chat.front()[0], view.chat.back()[0]);
}

TEST_F(ServiceLobby, ChatWordsAreCutTo64CharactersAndCannotForgeFields)
{
    std::string seventy; // 70 Japanese characters: あ
    for (int i = 0; i < 70; ++i)
        seventy += "%E3%81%82";
    say("ann", seventy);
    say("ann", "a%3CQZT%3Eb%0Ac");
    const LobbyView view = lobby();
    ASSERT_EQ(view.chat.size(), 2u);
    EXPECT_EQ(view.chat[1][2].size(), 64u * 3);
    EXPECT_EQ(view.chat[0][2].find("<QZT>"), std::string::npos);
    EXPECT_EQ(view.chat[0][2].find('\n'), std::string::npos);
    EXPECT_EQ(view.chat[0][2].front(), 'a');
    EXPECT_EQ(view.chat[0][2].back(), 'c');
}

TEST_F(ServiceLobby, SayNeedsASpeakerAndWords)
{
    for (const std::string &query : std::vector<std::string>{"Words=x&Belong=0", "Speaker=a&Belong=0", "Speaker=a&Words=&Belong=0",
          "Speaker=a&Words=x&Belong=zero", "Speaker=" + std::string(17, 'a') + "&Words=x"}) {
        const auto reply = call("Say", query);
        ASSERT_EQ(reply.size(), 2u) << query;
        EXPECT_EQ(reply[0], "-1") << query;
    }
    EXPECT_TRUE(lobby().chat.empty());
}

TEST_F(ServiceLobby, ANewRoomWaitsWithItsCreatorAndTitleAndMovesLastUpdate)
{
    say("ann", "hello");
    const std::string first = lobby().lastUpdate;
    now_ += 5;
    EXPECT_EQ(lobby().lastUpdate, first) << "reading changes nothing";
    const int room = makeRoom("ann", "%E8%AA%B0%E3%81%A7%E3%82%82%E3%81%A9%E3%81%86%E3%81%9E");
    EXPECT_GT(room, 0);
    const LobbyView view = lobby();
    EXPECT_NE(view.lastUpdate, first);
    ASSERT_EQ(view.rooms.size(), 1u);
    EXPECT_EQ(view.rooms[0], (std::vector<std::string>{std::to_string(room), "誰でもどうぞ",
                                                       view.rooms[0][2], "ann", "", "1"}));
    EXPECT_TRUE(hasShape(view.rooms[0][2], "dddd/dd/dd dd:dd")) << view.rooms[0][2];
    EXPECT_TRUE(hasShape(view.lastUpdate, "dddd/dd/dd dd:dd:dd")) << view.lastUpdate;
}

TEST_F(ServiceLobby, OneRoomPerCreatorAndCreatingAgainAnswersThatRoom)
{
    const int first = makeRoom("ann");
    // The client asks again when the first answer was lost: it learns the room it has.
    EXPECT_EQ(call("MakeGame", "Title=again&Name=ann"), (std::vector<std::string>{"1", std::to_string(first)}));
    EXPECT_EQ(lobby().rooms.size(), 1u);
    ASSERT_EQ(call("DelGame", "Name=ann").at(0), "1");
    const auto third = call("MakeGame", "Title=again&Name=ann");
    ASSERT_EQ(third.at(0), "1");
    EXPECT_NE(std::stoi(third.at(1)), first) << "room numbers are not reused";
}

TEST_F(ServiceLobby, JoiningFillsAWaitingRoomOnceAndRefusalsCarryAMessage)
{
    const int room = makeRoom("ann");
    const int other = makeRoom("dan");
    signUp("bob");
    signUp("cat");
    const auto joined = call("Join", "Room=" + std::to_string(room) + "&Name=bob");
    ASSERT_EQ(joined.size(), 2u);
    EXPECT_EQ(joined[0], "1");
    EXPECT_FALSE(joined[1].empty());
    const std::vector<std::pair<std::string, std::string>> refused{
        {std::to_string(room), "cat"},  // already full
        {std::to_string(room), "ann"},  // own room
        {"0", "cat"},                   // an empty row of the client's table
        {"99999", "cat"},
        {std::to_string(other), "bob"}, // already sitting in another room
        {std::to_string(other), "ann"}, // owns a room
    };
    for (const auto &[number, name] : refused) {
        const auto reply = call("Join", "Room=" + number + "&Name=" + name);
        ASSERT_EQ(reply.size(), 2u) << number << " " << name;
        EXPECT_EQ(reply[0], "-1") << number << " " << name;
        EXPECT_FALSE(reply[1].empty());
    }
    const LobbyView view = lobby();
    EXPECT_EQ(view.rooms[0][4], "bob");
    EXPECT_EQ(view.rooms[0][5], "2");
    EXPECT_EQ(view.rooms[1][5], "1") << "the refused joins left the room waiting";
}

TEST_F(ServiceLobby, LeavingMakesARoomWaitAndOnlyItsCreatorDeletesIt)
{
    const int room = makeRoom("ann");
    signUp("bob");
    ASSERT_EQ(join(room, "bob"), "1");
    EXPECT_EQ(call("DelGame", "Name=nobody").at(0), "-1");
    EXPECT_EQ(lobby().rooms.at(0)[5], "2") << "nothing changed";

    // Leaving makes the room wait again.
    ASSERT_EQ(call("DelJoin", "Name=bob").at(0), "1");
    EXPECT_EQ(lobby().rooms.at(0)[4], "");
    EXPECT_EQ(lobby().rooms.at(0)[5], "1");
    // Leaving or deleting what is already gone is what the client wanted: no refusal.
    EXPECT_EQ(call("DelJoin", "Name=bob").at(0), "1") << "nothing left to leave";
    EXPECT_EQ(call("DelGame", "Name=bob").at(0), "1") << "bob owns no room";
    EXPECT_EQ(lobby().rooms.at(0)[5], "1");

    // A login from elsewhere carries the session along; the name in any case.
    logIn("ann", "secret", "127.0.0.2");
    EXPECT_EQ(call("DelGame", "Name=ANN" + sid("ann"), "127.0.0.2").at(0), "1");
    EXPECT_TRUE(lobby().rooms.empty());
    EXPECT_EQ(call("DelGame", "Name=ann").at(0), "1") << "nothing left: still no refusal";
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

TEST_F(ServiceLobby, TheLobbyHoldsAtMostAHundredRooms)
{
    for (int i = 0; i < 100; ++i)
        makeRoom("p" + std::to_string(i), "t");
    signUp("late");
    // A full lobby is no reason to end the client: it is told why and goes on.
    const auto refused = call("MakeGame", "Title=t&Name=late");
    ASSERT_EQ(refused.size(), 2u);
    EXPECT_EQ(refused[0], "2");
    EXPECT_FALSE(refused[1].empty());
    const LobbyView view = lobby();
    EXPECT_EQ(view.rooms.size(), 100u);
    EXPECT_EQ(view.rooms.front()[3], "p0") << "oldest room first";
}

TEST_F(ServiceLobby, TitlesAreCutAndMadeSafe)
{
    makeRoom("ann", std::string(40, 'x') + "%3CQZT%3E");
    EXPECT_EQ(lobby().rooms.at(0)[1], std::string(32, 'x'));
    signUp("bob");
    EXPECT_EQ(call("MakeGame", "Title=&Name=bob").at(0), "-1");
    EXPECT_EQ(call("MakeGame", "Title=a%3CQZT%3E&Name=bob").at(0), "1");
    EXPECT_EQ(lobby().rooms.size(), 2u) << "the marker in a title did not add fields";
    // However long the box's text, the title is cut; so are chat lines.
    std::string longText;
    for (int i = 0; i < 300; ++i)
        longText += "%E8%AA%B0";
    makeRoom("cat", longText);
    EXPECT_EQ(lobby().rooms.at(2)[1].size(), 32u * 3);
    EXPECT_EQ(call("Say", "Speaker=cat&Words=" + longText + "&Belong=0").at(0), "1");
}

TEST_F(ServiceLobby, RoomNumbersMustBeNumbers)
{
    makeRoom("ann");
    for (const std::string query : {"Room=&Name=ann", "Room=1x&Name=ann", "Room=1", "Name=ann"})
        EXPECT_EQ(call("Join", query).at(0), "-1") << query;
    EXPECT_EQ(call("Lobby", "Having=abc").at(0), "-1");
    EXPECT_EQ(call("Lobby", "Having=7").at(0), "1");
}
