// Login sessions: who may act on rooms and speak in the chat.

#include "tests/server/service_fixture.h"

#include "server/service_messages.h"

using namespace servertest;

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

TEST_F(ServiceSessions, RoomActionsAndChatNeedTheNamedUsersLiveSession)
{
    const int room = makeRoom("ann");
    signUp("bob");
    const std::string bobs = sessions_["bob"];
    sessions_.clear(); // the requests below carry exactly the session they name
    struct Case {
        const char *name;
        std::string session;
    };
    for (const Case &c : {Case{"none", ""}, Case{"empty", "&Sid="}, Case{"made up", "&Sid=00112233445566778899aabbccddeeff"},
                          Case{"another user's", "&Sid=" + bobs}}) {
        for (const std::string &query : std::vector<std::string>{"MakeGame.php?Rkf=1&Title=t&Name=ann", "DelGame.php?Rkf=1&Name=ann",
                                        "DelJoin.php?Rkf=1&Name=ann", "Join.php?Rkf=1&Name=ann&Room=" + std::to_string(room),
                                        "Say.php?Rkf=1&Speaker=ann&Words=hi"}) {
            const auto reply = splitFields(get("/PHP/Rinkfall/" + query + c.session).body);
            ASSERT_EQ(reply.size(), 2u) << c.name << " " << query;
            EXPECT_EQ(reply[0], "-1") << c.name << " " << query;
        }
    }
    EXPECT_EQ(call("Lobby", "").at(2), "1") << "the room is still there";
    EXPECT_EQ(call("Lobby", "").at(9 + 0), "0") << "and nothing was said";
    EXPECT_EQ(said("bob", "hi", "&Sid=" + bobs), "1");
}

TEST_F(ServiceSessions, SystemNoticesSpeakOnlyAboutTheirOwnSession)
{
    signUp("ann");
    const std::string system = "%E3%82%B7%E3%82%B9%E3%83%86%E3%83%A0"; // システム
    EXPECT_EQ(said(system, "ann%20logged%20in", sid("ann")), "1");
    EXPECT_EQ(said(system, "bob%20logged%20in", sid("ann")), "-1");
    EXPECT_EQ(said(system, "ann%20logged%20in", ""), "-1");
    EXPECT_EQ(said("bob", "hi", sid("ann")), "-1");
    EXPECT_EQ(said("ANN", "hi", sid("ann")), "1") << "the name in any case";
}

TEST_F(ServiceSessions, SessionsEndWhenIdleOrReplacedByANewLogin)
{
    signUp("ann");
    const std::string first = sid("ann");
    EXPECT_EQ(call("Access", "NAME=ann&PASS=secret").at(3).size(), 32u);
    logIn("ann");
    EXPECT_NE(sid("ann"), first);
    EXPECT_EQ(said("ann", "old", first), "-1") << "the older session ended at the new login";
    EXPECT_EQ(said("ann", "new", sid("ann")), "1");
    // Watching the lobby keeps a session alive; ten idle minutes end it.
    now_ += 590;
    call("Lobby", sid("ann").substr(1));
    now_ += 590;
    EXPECT_EQ(said("ann", "still", sid("ann")), "1");
    now_ += 601;
    EXPECT_EQ(said("ann", "gone", sid("ann")), "-1");
}

TEST_F(ServiceSessions, ChatIsLimitedPerUser)
{
    signUp("ann");
    signUp("bob");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(said("ann", "w" + std::to_string(i), sid("ann")), "1");
    const auto refused = call("Say", "Speaker=ann&Words=more" + sid("ann"));
    EXPECT_EQ(refused, (std::vector<std::string>{"-1", server::messages::kChatTooFast}));
    EXPECT_EQ(said("bob", "hi", sid("bob")), "1");
    now_ += 10;
    EXPECT_EQ(said("ann", "later", sid("ann")), "1");
}

TEST_F(ServiceSessions, AddressBindingIsAnOption)
{
    serviceSettings_.bindToLoginAddress = true;
    restart();
    signUp("ann");
    EXPECT_EQ(call("MakeGame", "Title=t&Name=ann", "127.0.0.2").at(0), "-1");
    EXPECT_EQ(call("MakeGame", "Title=t&Name=ann").at(0), "1");
}
