// Addresses, reply layout, decoding and refusals of the scripts, and what the operator sees,
// over real HTTP on loopback.

#include "tests/server/service_fixture.h"

using namespace servertest;

using ServiceProtocol = ServiceTest;

TEST_F(ServiceProtocol, VersionCheckAnswersInPlainUtf8WithNoticeAndTheCallersAddress)
{
    // The fixture's minimum version is 3.
    for (const auto &[version, code] :
         std::vector<std::pair<std::string, std::string>>{{"3", "1"}, {"4", "1"}, {"2", "-2"}})
        EXPECT_EQ(call("Login", "Version=" + version),
                  (std::vector<std::string>{code, "one", "two", "three", "four", "five", "127.0.0.1"}));
    EXPECT_EQ(call("Login", "Version=3", "127.0.0.2").at(6), "127.0.0.2");
    EXPECT_EQ(get("/PHP/Rinkfall/Login.php?Rkf=1&Version=3").contentType, "text/plain; charset=UTF-8");
}

// Each of the nine scripts answers (the other tests call them all); anything else is not found.
TEST_F(ServiceProtocol, EverythingButTheNineScriptsIsNotFoundAndHostileBytesGetAnHttpError)
{
    for (const std::string target :
         {"/", "/PHP/Rinkfall/", "/PHP/Rinkfall/Login.php/x?Rkf=1", "/PHP/Other/Login.php?Rkf=1",
          "/Perl/Rinkfall/Login.php?Rkf=1", "/PHP/Rinkfall/login.php?Rkf=1", "/PHP/Rinkfall/Logout.php?Rkf=1",
          "/PHP/Rinkfall/../Rinkfall/Lobby.php?Rkf=1"})
        EXPECT_EQ(get(target).status, 404) << target;
    const std::string post = "POST /PHP/Rinkfall/Lobby.php?Rkf=1 HTTP/1.1\r\nHost: x\r\nContent-Length: "
                             "0\r\nConnection: close\r\n\r\n";
    EXPECT_EQ(sendRaw(port(), post).status, 404);
    // Hostile bytes get an HTTP error, and the service lives on.
    for (const std::string raw :
         {"\r\n\r\n", "HELLO\r\n\r\n", "GET\r\n\r\n", "GET /PHP/Rinkfall/Lobby.php HTTP/9\r\n\r\n",
          "GET /x HTTP/1.1\r\nHost: x\r\nContent-Length: 99999999\r\n\r\nabc"}) {
        const HttpResult result = sendRaw(port(), raw);
        EXPECT_NE(result.status, 200) << raw;
        EXPECT_NE(result.status, 500) << raw;
    }
    EXPECT_EQ(call("Lobby", "").at(0), "1");
}

// Each row is refused with a message, whatever its reason, and changes nothing. The world: ann's
// room with bob in it, dan's waiting room, and cat, logged in, in no room.
TEST_F(ServiceProtocol, RefusalsCarryAMessageAndChangeNothing)
{
    const std::string annsRoom = std::to_string(makeRoom("ann"));
    const std::string dansRoom = std::to_string(makeRoom("dan"));
    signUp("bob");
    signUp("cat");
    ASSERT_EQ(call("Join", "Room=" + annsRoom + "&Name=bob").at(0), "1");
    ASSERT_EQ(say("cat", "hello"), "1");
    const auto before = call("Lobby", "");
    const std::string cat = "&Name=cat" + sid("cat");
    struct Row {
        std::string name;
        std::string target; // after /PHP/Rinkfall/, sent exactly as written
    };
    std::vector<Row> rows{
        {"no game key", "Login.php?Version=3"},
        {"other game key", "Login.php?Rkf=2&Version=3"},
        {"game key in other case", "Login.php?RKF=1&Version=3"},
        {"lobby without game key", "Lobby.php"},
        // The decoding tests hold the kinds of broken text; here: the service refuses them.
        {"cut-short character", "Say.php?Rkf=1&Speaker=cat&Words=%E3%81" + sid("cat")},
        {"bad escape", "Say.php?Rkf=1&Speaker=cat&Words=%ZZ" + sid("cat")},
        // Free text is cut to length instead (see the lobby tests); a name is not.
        {"name of 600 letters", "Say.php?Rkf=1&Speaker=" + std::string(600, 'x') + "&Words=w"},
        {"say without speaker", "Say.php?Rkf=1&Words=x&Belong=0" + sid("cat")},
        {"say without words", "Say.php?Rkf=1&Speaker=cat&Belong=0" + sid("cat")},
        {"say empty words", "Say.php?Rkf=1&Speaker=cat&Words=&Belong=0" + sid("cat")},
        {"say belong not a number", "Say.php?Rkf=1&Speaker=cat&Words=x&Belong=zero" + sid("cat")},
        {"say name too long", "Say.php?Rkf=1&Speaker=" + std::string(17, 'a') + "&Words=x"},
        {"lobby having not a number", "Lobby.php?Rkf=1&Having=abc"},
        {"room empty", "Join.php?Rkf=1&Room=" + cat},
        {"room not a number", "Join.php?Rkf=1&Room=1x" + cat},
        {"join without name", "Join.php?Rkf=1&Room=" + dansRoom},
        {"join without room", "Join.php?Rkf=1" + cat},
        {"room full", "Join.php?Rkf=1&Room=" + annsRoom + cat},
        {"own room", "Join.php?Rkf=1&Room=" + annsRoom + "&Name=ann" + sid("ann")},
        {"empty row of the client's table", "Join.php?Rkf=1&Room=0" + cat},
        {"no such room", "Join.php?Rkf=1&Room=99999" + cat},
        {"sitting in another room", "Join.php?Rkf=1&Room=" + dansRoom + "&Name=bob" + sid("bob")},
        {"owning a room", "Join.php?Rkf=1&Room=" + dansRoom + "&Name=ann" + sid("ann")},
        {"empty title", "MakeGame.php?Rkf=1&Title=" + cat},
        {"delete as nobody", "DelGame.php?Rkf=1&Name=nobody"},
        {"version check without version", "Login.php?Rkf=1"},
        {"make without name", "MakeGame.php?Rkf=1&Title=t" + sid("cat")},
        {"delete without name", "DelGame.php?Rkf=1" + sid("cat")},
        {"leave without name", "DelJoin.php?Rkf=1" + sid("cat")},
        {"taken name in other case", "Regist.php?Rkf=1&NAME=ANN&PASS=pw&LENG=3&IP=x"},
    };
    // Name rules; あ is not a half-width letter.
    for (const auto &[name, query] : std::vector<std::pair<std::string, std::string>>{
             {"underscore", "NAME=ab_c&PASS=pw&LENG=4&IP=x"},
             {"space", "NAME=a%20b&PASS=pw&LENG=3&IP=x"},
             {"kana", "NAME=%E3%81%82&PASS=pw&LENG=1&IP=x"},
             {"17 letters", "NAME=" + std::string(17, 'a') + "&PASS=pw&LENG=17&IP=x"},
             {"length disagrees", "NAME=abc&PASS=pw&LENG=4&IP=x"},
             {"length not a number", "NAME=abc&PASS=pw&LENG=x&IP=x"},
             {"negative length", "NAME=abc&PASS=pw&LENG=-3&IP=x"},
             {"no name", "PASS=pw&LENG=1&IP=x"},
             {"no password", "NAME=a&LENG=1&IP=x"},
             {"no length", "NAME=a&PASS=pw&IP=x"},
             {"no address", "NAME=a&PASS=pw&LENG=1"},
             {"empty address", "NAME=a&PASS=pw&LENG=1&IP="},
             {"empty name", "NAME=&PASS=pw&LENG=0&IP=x"},
             {"empty password", "NAME=a&PASS=&LENG=1&IP=x"}})
        rows.push_back({"register: " + name, "Regist.php?Rkf=1&" + query});
    // Acting for cat, who could do all of these, without cat's live session.
    const std::string bobs = sid("bob").substr(5);
    for (const auto &[name, session] : std::vector<std::pair<std::string, std::string>>{
             {"no session", ""},
             {"empty session", "&Sid="},
             {"made-up session", "&Sid=00112233445566778899aabbccddeeff"},
             {"another user's session", "&Sid=" + bobs}}) {
        for (const std::string &script : std::vector<std::string>{
                 "MakeGame.php?Rkf=1&Title=t", "DelGame.php?Rkf=1", "DelJoin.php?Rkf=1",
                 "Join.php?Rkf=1&Room=" + dansRoom, "Say.php?Rkf=1&Words=hi&Speaker=cat"})
            rows.push_back({name + ": " + script, script + "&Name=cat" + session});
    }
    // Last: failed logins make later ones wait.
    for (const std::string query : {"NAME=cat", "PASS=pw", "NAME=cat&PASS="})
        rows.push_back({"log in with " + query, "Access.php?Rkf=1&" + query});
    for (const Row &row : rows)
        expectRefused(splitFields(get("/PHP/Rinkfall/" + row.target).body), row.name);
    EXPECT_EQ(call("Lobby", ""), before);
    EXPECT_EQ(call("Lobby", "Having=7").at(0), "1");
}

TEST_F(ServiceProtocol, TheLogKeepsNoPasswordsOrSessionTokensAndMetricsCountRequestsByScriptAndCode)
{
    registerUser("ann", "Pw4Secret");
    logIn("ann", "Pw4Secret");
    call("Access", "NAME=ann&PASS=WrongGuess9");
    get("/nowhere?PASS=InPathQuery");
    call("Say", "Speaker=ann&Words=hi"); // with ann's session token
    call("Say", "Speaker=a");
    const std::string log = logText();
    for (const std::string line :
         {" info access 127.0.0.1 Regist 200 1 ", " info access 127.0.0.1 Access 200 1 ",
          " info access 127.0.0.1 Access 200 -1 ", " info access 127.0.0.1 /nowhere 404 404 "})
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    for (const std::string secret :
         {"Pw4Secret", "WrongGuess9", "InPathQuery", "PASS", sessions_.at("ann").c_str()})
        EXPECT_EQ(log.find(secret), std::string::npos) << secret;

    const HttpResult page = get("/metrics");
    EXPECT_EQ(page.status, 200);
    EXPECT_TRUE(page.contentType.starts_with("text/plain; version=0.0.4")) << page.contentType;
    for (const std::string line :
         {"rinkfall_requests_total{script=\"Access\",code=\"1\"} 1\n",
          "rinkfall_requests_total{script=\"Say\",code=\"-1\"} 1\n",
          "rinkfall_request_duration_seconds_count 6\n",
          "rinkfall_request_duration_seconds_bucket{le=\"+Inf\"} 6\n", "rinkfall_open_connections ",
          "rinkfall_hashing_queue_length 0\n", "rinkfall_sessions 1\n",
          "# TYPE rinkfall_request_duration_seconds histogram\n"})
        EXPECT_NE(page.body.find(line), std::string::npos) << line << page.body;
}
