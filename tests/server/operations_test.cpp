// What the operator sees: the access log and the metrics page.

#include "tests/server/service_fixture.h"

using namespace servertest;

using ServiceOperations = ServiceTest;

TEST_F(ServiceOperations, EveryRequestIsLoggedWithoutPasswordsOrSessionTokens)
{
    registerUser("ann", "Pw4Secret");
    logIn("ann", "Pw4Secret");
    call("Access", "NAME=ann&PASS=WrongGuess9");
    get("/nowhere?PASS=InPathQuery");
    const std::string log = service_->logText();
    for (const std::string line : {" info access 127.0.0.1 Regist 200 1 ", " info access 127.0.0.1 Access 200 1 ",
                                   " info access 127.0.0.1 Access 200 -1 ", " info access 127.0.0.1 /nowhere 404 404 "})
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    call("Say", "Speaker=ann&Words=hi"); // with ann's session token
    for (const std::string secret : {"Pw4Secret", "WrongGuess9", "InPathQuery", "PASS", sessions_.at("ann").c_str()})
        EXPECT_EQ(service_->logText().find(secret), std::string::npos) << secret;
}

TEST_F(ServiceOperations, MetricsCountRequestsByScriptAndCode)
{
    call("Lobby", "");
    call("Lobby", "");
    call("Say", "Speaker=a");
    const HttpResult page = get("/metrics");
    EXPECT_EQ(page.status, 200);
    EXPECT_TRUE(page.contentType.starts_with("text/plain; version=0.0.4")) << page.contentType;
    for (const std::string line :
         {"rinkfall_requests_total{script=\"Lobby\",code=\"1\"} 2\n", "rinkfall_requests_total{script=\"Say\",code=\"-1\"} 1\n",
          "rinkfall_request_duration_seconds_count 3\n", "rinkfall_request_duration_seconds_bucket{le=\"+Inf\"} 3\n",
          "rinkfall_open_connections ", "rinkfall_hashing_queue_length 0\n", "rinkfall_sessions 0\n", "# TYPE rinkfall_request_duration_seconds histogram\n"})
        EXPECT_NE(page.body.find(line), std::string::npos) << line << page.body;
}
