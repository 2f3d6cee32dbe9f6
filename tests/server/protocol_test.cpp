// Addresses, reply layout and decoding of the scripts, over real HTTP on loopback.

#include "tests/server/service_fixture.h"

using namespace servertest;

using ServiceProtocol = ServiceTest;

TEST_F(ServiceProtocol, VersionCheckAnswersInPlainUtf8WithNoticeAndTheCallersAddress)
{
    // The fixture's minimum version is 3.
    for (const auto &[version, code] :
         std::vector<std::pair<std::string, std::string>>{{"3", "1"}, {"4", "1"}, {"2", "-2"}}) {
        const auto reply = call("Login", "Version=" + version);
        ASSERT_EQ(reply.size(), 7u) << "version " << version;
        EXPECT_EQ(reply[0], code) << "version " << version;
        EXPECT_EQ(std::vector<std::string>(reply.begin() + 1, reply.end()),
                  (std::vector<std::string>{"one", "two", "three", "four", "five", "127.0.0.1"}));
    }
    EXPECT_EQ(call("Login", "Version=3", "127.0.0.2").at(6), "127.0.0.2");
    EXPECT_EQ(get("/PHP/Rinkfall/Login.php?Rkf=1&Version=3").contentType, "text/plain; charset=UTF-8");
}

TEST_F(ServiceProtocol, EverythingButTheNineScriptsIsNotFound)
{
    for (const std::string target :
         {"/", "/PHP/Rinkfall/", "/PHP/Rinkfall/Login.php/x?Rkf=1", "/PHP/Other/Login.php?Rkf=1",
          "/Perl/Rinkfall/Login.php?Rkf=1", "/PHP/Rinkfall/login.php?Rkf=1",
          "/PHP/Rinkfall/Logout.php?Rkf=1", "/PHP/Rinkfall/../Rinkfall/Lobby.php?Rkf=1"}) {
        EXPECT_EQ(get(target).status, 404) << target;
    }
    for (const std::string script : {"Login", "Access", "Regist", "Say", "Lobby", "Join",
                                     "MakeGame", "DelGame", "DelJoin"}) {
        EXPECT_EQ(get("/PHP/Rinkfall/" + script + ".php?Rkf=1").status, 200) << script;
    }
    const HttpResult post = sendRaw(service_->port(),
                                    "POST /PHP/Rinkfall/Lobby.php?Rkf=1 HTTP/1.1\r\nHost: x\r\n"
                                    "Content-Length: 0\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(post.status, 404);
}

TEST_F(ServiceProtocol, PercentEncodedUtf8ArrivesDecoded)
{
    // 誰でもどうぞ as the client encodes it, a literal plus, an encoded ampersand and equals sign.
    signUp("ann");
    ASSERT_EQ(call("Say", "Speaker=%E3%82%B7%E3%82%B9%E3%83%86%E3%83%A0"
                          "&Words=ann%20%E8%AA%B0%E3%81%A7%E3%82%82+1%261%3D2%20ok&Belong=0" + sid("ann"))
                  .at(0),
              "1");
    const auto lobby = call("Lobby", "");
    ASSERT_EQ(lobby.size(), 7u);
    EXPECT_EQ(lobby[5], "システム");
    EXPECT_EQ(lobby[6], "ann 誰でも+1&1=2 ok");
}

TEST_F(ServiceProtocol, MissingGameKeyAndBrokenEncodingAreRefusedWithAMessage)
{
    std::vector<std::string> refused{"Login.php?Version=3", "Login.php?Rkf=2&Version=3", "Login.php?RKF=1&Version=3"};
    for (const std::string words : {"%E3%81", "%ZZ", "abc%", "%C0%AF"})
        refused.push_back("Say.php?Rkf=1&Speaker=a&Words=" + words + "&Belong=0");
    for (const std::string &target : refused) {
        const auto reply = splitFields(get("/PHP/Rinkfall/" + target).body);
        ASSERT_EQ(reply.size(), 2u) << target;
        EXPECT_EQ(reply[0], "-1") << target;
        EXPECT_FALSE(reply[1].empty()) << target;
    }
    EXPECT_EQ(splitFields(get("/PHP/Rinkfall/Lobby.php").body).at(0), "-1");
    EXPECT_EQ(call("Lobby", ""), (std::vector<std::string>{"1", "-", "0", "0"})) << "nothing was stored";
}

TEST_F(ServiceProtocol, OverLongValuesAndRequestsAreRefused)
{
    // Free text is cut to length instead (see the lobby tests); a name is not.
    const auto reply = call("Say", "Speaker=" + std::string(600, 'x') + "&Words=w");
    EXPECT_EQ(reply.at(0), "-1");
    // Beyond the request-line limit the HTTP layer answers by itself, and the service lives on.
    const HttpResult huge =
        get("/PHP/Rinkfall/Say.php?Rkf=1&Speaker=a&Words=" + std::string(20000, 'x'));
    EXPECT_EQ(huge.status, 414);
    EXPECT_EQ(call("Lobby", "").at(0), "1");
}

TEST_F(ServiceProtocol, GarbageOnTheWireGetsAnHttpErrorNotACrash)
{
    for (const std::string raw : {"\r\n\r\n", "HELLO\r\n\r\n", "GET\r\n\r\n", "GET /PHP/Rinkfall/Lobby.php HTTP/9\r\n\r\n",
                                  "GET /x HTTP/1.1\r\nHost: x\r\nContent-Length: 99999999\r\n\r\nabc"}) {
        const HttpResult result = sendRaw(service_->port(), raw);
        EXPECT_NE(result.status, 200);
        EXPECT_NE(result.status, 500);
    }
    EXPECT_EQ(call("Lobby", "").at(0), "1");
}
