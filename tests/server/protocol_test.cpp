// Addresses, reply layout, decoding and refusals of the scripts, and what the operator sees; registration,
// login, sessions and their abuse: guessing passwords, flooding the password hashing, signing up in bulk
// and chatting too fast. Over real HTTP on loopback.

#include "tests/server/service_fixture.h"

#include "server/service_messages.h"

using namespace servertest;
namespace messages = server::messages;

using ServiceProtocol = ServiceTest;

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
    const HttpResult check = get("/PHP/Rinkfall/Login.php?Rkf=1&Version=3", "127.0.0.2");
    EXPECT_EQ(check.contentType, "text/plain; charset=UTF-8");
    EXPECT_EQ(check.body, "1<QZT>one<QZT>two<QZT>three<QZT>four<QZT>five<QZT>127.0.0.2");
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
    const std::string say = "Say.php?Rkf=1&Speaker=";
    // Name, and target after /PHP/Rinkfall/ sent exactly as written.
    std::vector<std::pair<std::string, std::string>> rows{
        {"no game key", "Login.php?Version=3"}, {"other game key", "Login.php?Rkf=2&Version=3"},
        {"game key in other case", "Login.php?RKF=1&Version=3"}, {"lobby without game key", "Lobby.php"},
        // The decoding tests hold the kinds of broken text; here: the service refuses them.
        {"cut-short character", say + "cat&Words=%E3%81" + sid("cat")},
        {"bad escape", say + "cat&Words=%ZZ" + sid("cat")},
        // Free text is cut to length instead (see the lobby tests); a name is not.
        {"name of 600 letters", say + std::string(600, 'x') + "&Words=w"},
        {"say name too long", say + std::string(17, 'a') + "&Words=x"},
        {"say without speaker", "Say.php?Rkf=1&Words=x&Belong=0" + sid("cat")},
        {"say without words", say + "cat&Belong=0" + sid("cat")},
        {"say empty words", say + "cat&Words=&Belong=0" + sid("cat")},
        {"say belong not a number", say + "cat&Words=x&Belong=zero" + sid("cat")},
        {"lobby having not a number", "Lobby.php?Rkf=1&Having=abc"},
        {"room empty", "Join.php?Rkf=1&Room=" + cat}, {"room not a number", "Join.php?Rkf=1&Room=1x" + cat},
        {"join without name", "Join.php?Rkf=1&Room=" + dansRoom},
        {"join without room", "Join.php?Rkf=1" + cat}, {"no such room", "Join.php?Rkf=1&Room=99999" + cat},
        {"room full", "Join.php?Rkf=1&Room=" + annsRoom + cat},
        {"own room", "Join.php?Rkf=1&Room=" + annsRoom + "&Name=ann" + sid("ann")},
        {"empty row of the client's table", "Join.php?Rkf=1&Room=0" + cat},
        {"sitting in another room", "Join.php?Rkf=1&Room=" + dansRoom + "&Name=bob" + sid("bob")},
        {"owning a room", "Join.php?Rkf=1&Room=" + dansRoom + "&Name=ann" + sid("ann")},
        {"empty title", "MakeGame.php?Rkf=1&Title=" + cat}, {"no version", "Login.php?Rkf=1"},
        {"delete as nobody", "DelGame.php?Rkf=1&Name=nobody"},
        {"make without name", "MakeGame.php?Rkf=1&Title=t" + sid("cat")},
        {"delete without name", "DelGame.php?Rkf=1" + sid("cat")},
        {"leave without name", "DelJoin.php?Rkf=1" + sid("cat")},
    };
    // Registering; あ is not a half-width letter.
    for (const auto &[name, query] : std::vector<std::pair<std::string, std::string>>{
             {"taken name in other case", "NAME=ANN&PASS=pw&LENG=3&IP=x"},
             {"underscore", "NAME=ab_c&PASS=pw&LENG=4&IP=x"}, {"space", "NAME=a%20b&PASS=pw&LENG=3&IP=x"},
             {"kana", "NAME=%E3%81%82&PASS=pw&LENG=1&IP=x"},
             {"17 letters", "NAME=" + std::string(17, 'a') + "&PASS=pw&LENG=17&IP=x"},
             {"length disagrees", "NAME=abc&PASS=pw&LENG=4&IP=x"},
             {"length not a number", "NAME=abc&PASS=pw&LENG=x&IP=x"},
             {"negative length", "NAME=abc&PASS=pw&LENG=-3&IP=x"}, {"no name", "PASS=pw&LENG=1&IP=x"},
             {"no password", "NAME=a&LENG=1&IP=x"}, {"no length", "NAME=a&PASS=pw&IP=x"},
             {"no address", "NAME=a&PASS=pw&LENG=1"}, {"empty address", "NAME=a&PASS=pw&LENG=1&IP="},
             {"empty name", "NAME=&PASS=pw&LENG=0&IP=x"}, {"empty password", "NAME=a&PASS=&LENG=1&IP=x"}})
        rows.push_back({"register: " + name, "Regist.php?Rkf=1&" + query});
    // Acting for cat, who could do all of these, without cat's live session.
    const std::string bobs = sid("bob").substr(5);
    for (const auto &[name, session] : std::vector<std::pair<std::string, std::string>>{
             {"no session", ""}, {"empty session", "&Sid="},
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
    for (const auto &[name, target] : rows)
        expectRefused(server::splitReply(get("/PHP/Rinkfall/" + target).body), name);
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
          "rinkfall_request_duration_seconds_count 6\n", "rinkfall_open_connections ",
          "rinkfall_sessions 1\n", "# TYPE rinkfall_request_duration_seconds histogram\n"})
        EXPECT_NE(page.body.find(line), std::string::npos) << line << page.body;
}

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
    start();
    registerUser("u1");
    registerUser("u2");
    EXPECT_EQ(call("Regist", "NAME=u3&PASS=pw&LENG=2&IP=x"),
              (std::vector<std::string>{"-1", messages::kTooManyRegistrations}));
    registerUser("v1", "pw", "127.0.0.2"); // another machine is not affected
    now_ += 10 * 60;
    registerUser("u3");
    now_ += 10 * 60;
    EXPECT_EQ(call("Regist", "NAME=u4&PASS=pw&LENG=2&IP=x"),
              (std::vector<std::string>{"-2", messages::kTooManyAccounts}));
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
    start();
    std::atomic<int> busy{0}, answered{0};
    std::vector<std::thread> flood;
    for (int t = 0; t < 32; ++t) {
        flood.emplace_back([&, t] {
            const std::string number = std::to_string(100 + t);
            const auto reply = call("Access", "NAME=n" + number + "&PASS=x", "127.0.0." + number);
            busy += reply == std::vector<std::string>{"-1", messages::kBusy};
            answered += reply == std::vector<std::string>{"-1", messages::kLoginFailed};
        });
    }
    for (int i = 0; i < 20; ++i) {
        const auto begin = std::chrono::steady_clock::now();
        EXPECT_EQ(call("Lobby", "").at(0), "1");
        EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(500)) << "under load";
    }
    for (auto &thread : flood)
        thread.join();
    EXPECT_GT(busy, 0) << "the queue of two was full at some point";
    EXPECT_GT(answered, 0);
    EXPECT_EQ(busy + answered, 32) << "every login got one of the two answers";
}

TEST_F(ServiceAccounts, SessionsSpeakOnlyForTheirUserEndWhenIdleOrReplacedAndChatIsLimitedPerUser)
{
    serviceSettings_.sessionIdleSeconds = 600;
    serviceSettings_.chatLinesPerWindow = 3;
    serviceSettings_.chatWindowSeconds = 10;
    start();
    const auto said = [this](const std::string &speaker, const std::string &words, const std::string &token) {
        return call("Say", "Speaker=" + speaker + "&Words=" + words + token).at(0);
    };
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
    EXPECT_EQ(said("ann", "old", first), "-1") << "the older session ended at the new login";
    EXPECT_EQ(said("ann", "third", sid("ann")), "1");
    EXPECT_EQ(call("Say", "Speaker=ann&Words=more" + sid("ann")),
              (std::vector<std::string>{"-1", messages::kChatTooFast}));
    signUp("bob");
    EXPECT_EQ(said("bob", "hi", sid("bob")), "1") << "the limit is per user";
    now_ += 10;
    EXPECT_EQ(said("ann", "new", sid("ann")), "1");
    // Watching the lobby keeps a session alive; ten idle minutes end it.
    now_ += 590;
    call("Lobby", sid("ann").substr(1));
    signUp("cat"); // a login sweeps out idle sessions, and only those
    EXPECT_EQ(call("MakeGame", "Title=t&Name=cat", "127.0.0.2").at(0), "1") << "any address, by default";
    now_ += 590;
    EXPECT_EQ(said("ann", "still", sid("ann")), "1");
    now_ += 601;
    EXPECT_EQ(said("ann", "gone", sid("ann")), "-1");

    // Binding a session to its login address is an option.
    serviceSettings_.bindToLoginAddress = true;
    start();
    logIn("ann");
    EXPECT_EQ(call("MakeGame", "Title=t&Name=ann", "127.0.0.2").at(0), "-1");
    EXPECT_EQ(call("MakeGame", "Title=t&Name=ann").at(0), "1");
}
