#pragma once

#include "server/game_service.h"
#include "server/game_store.h"
#include "server/service_host.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace servertest {

// A fresh folder under /tmp, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string &path() const { return path_; }

private:
    std::string path_;
};

struct HttpResult {
    int status = 0; // 0: no answer at all
    std::string contentType;
    std::string body;
};

// One request over a new loopback connection, bytes exactly as given. `source` picks the
// caller's own loopback address (127.0.0.2 acts as a second machine).
// A new loopback connection (a blocking socket), or -1.
int openConnection(int port, const std::string &source = {});
HttpResult sendRaw(int port, const std::string &request, const std::string &source = {});
HttpResult httpGet(int port, const std::string &target, const std::string &source = {});

std::vector<std::string> splitFields(const std::string &body);

// The whole service on a free loopback port, on its own thread, as the program runs it.
class RunningService {
public:
    RunningService(const std::string &dbPath, server::ServiceSettings settings,
                   server::GameService::Clock clock, server::HostSettings host = {});
    ~RunningService();
    int port() const { return host_->port(); }
    // Everything the service logged so far.
    std::string logText() const;

private:
    std::FILE *logFile_;
    server::ServiceLog log_;
    std::unique_ptr<server::GameStore> store_;
    std::unique_ptr<server::GameService> service_;
    std::unique_ptr<server::ServiceHost> host_;
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

// Starts a service with cheap hashing and a clock the test moves, and speaks the game's
// protocol to it.
class ServiceTest : public ::testing::Test {
protected:
    static constexpr int64_t kStartTime = 1'800'000'000;

    void SetUp() override { start(); }

    void start();
    void restart();
    std::string dbPath() const { return dir_.path() + "/service.sqlite"; }

    // GET /PHP/Rinkfall/<script>.php?Rkf=1&<query>; the reply split into fields. As the game
    // client does, the session of the user named by Name= or Speaker= goes along when that user
    // logged in through logIn().
    std::vector<std::string> call(const std::string &script, const std::string &query,
                                  const std::string &source = {});
    HttpResult get(const std::string &target, const std::string &source = {});

    void registerUser(const std::string &name, const std::string &password = "secret",
                      const std::string &source = {});
    void logIn(const std::string &name, const std::string &password = "secret",
               const std::string &source = {});
    // "&Sid=<token>" of the user's session from logIn(), or nothing.
    std::string sid(const std::string &name) const;
    void signUp(const std::string &name) // registered and logged in
    {
        registerUser(name);
        logIn(name);
    }
    // A room made by `name` (registered and logged in first); returns its number.
    int makeRoom(const std::string &name, const std::string &title = "room");

    std::atomic<int64_t> now_{kStartTime};
    int64_t accountsPerDay_ = 1000; // tests of the daily limit lower it and restart
    int64_t registrationsPerWindow_ = 1000;
    server::HashCost hashCost_ = server::HashCost::weakestForTests();
    int32_t minVersion_ = 3;
    server::HostSettings hostSettings_;
    // The fixture sets the fields above over these; chat is not limited unless a test says so.
    server::ServiceSettings serviceSettings_ = [] {
        server::ServiceSettings settings;
        settings.chatLinesPerWindow = 1'000'000;
        return settings;
    }();
    std::map<std::string, std::string> sessions_; // user -> token
    TempDir dir_;
    std::unique_ptr<RunningService> service_;
};

} // namespace servertest
