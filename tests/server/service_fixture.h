#pragma once

#include "server/game_service.h"
#include "server/game_store.h"
#include "server/service_host.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace servertest {

struct TempDir {
    std::string path = [] {
        char pattern[] = "/tmp/rinkfall-server-test-XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    ~TempDir() { std::filesystem::remove_all(path); }
};

struct HttpResult {
    int status = 0; // 0: no answer at all
    std::string contentType;
    std::string body;
};

// A new loopback connection, or -1; from the loopback address `source` (127.0.0.2 acts as a second machine).
int openConnection(int port, const std::string &source = {});
bool sendAll(int fd, const std::string &bytes);
// Reads until the peer closes or `limit` passes, or with `oneResponse` until one whole response is in.
std::string readUntilClosed(int fd, std::chrono::milliseconds limit, bool oneResponse = false);
// One request over a new loopback connection, bytes exactly as given; or a GET of `target`.
HttpResult sendRaw(int port, const std::string &request, const std::string &source = {});
HttpResult httpGet(int port, const std::string &target, const std::string &source = {});

std::vector<std::string> splitFields(const std::string &body);
// Every cell of every row `sql` yields from the database file, row by row ("" for NULL).
std::vector<std::string> sqlCells(const std::string &dbPath, const std::string &sql);
// "-1" and a message.
void expectRefused(const std::vector<std::string> &reply, const std::string &what = {});

// The whole service on a free loopback port, on its own thread, as the program runs it, with cheap
// hashing and a clock the test moves; the test speaks the game's protocol to it.
class ServiceTest : public ::testing::Test {
protected:
    ~ServiceTest() override;
    void SetUp() override { start(); }
    void start();
    void stop();
    void restart();
    int port() const { return host_->port(); }
    std::string dbPath() const { return dir_.path + "/service.sqlite"; }
    std::string logText() const;

    // GET /PHP/Rinkfall/<script>.php?Rkf=1&<query>; the reply split into fields. As the game
    // client does, the session of the user named by Name= or Speaker= goes along when that user
    // logged in through logIn() and the query names no Sid= itself.
    std::vector<std::string> call(const std::string &script, const std::string &query,
                                  const std::string &source = {});
    HttpResult get(const std::string &target, const std::string &source = {})
    {
        return httpGet(port(), target, source);
    }
    void registerUser(const std::string &name, const std::string &password = "secret",
                      const std::string &source = {});
    void logIn(const std::string &name, const std::string &password = "secret",
               const std::string &source = {});
    // "&Sid=<token>" from logIn(), or nothing.
    std::string sid(const std::string &name) const;
    void signUp(const std::string &name); // registered and logged in
    // The room's number, and the code of a Say.php reply; signing up first when needed.
    int makeRoom(const std::string &name, const std::string &title = "room");
    std::string say(const std::string &speaker, const std::string &words);

    std::atomic<int64_t> now_{1'800'000'000};
    server::HostSettings hostSettings_;
    // Version 3 and up, and no limits unless a test sets them and restarts.
    server::ServiceSettings serviceSettings_ = [] {
        server::ServiceSettings settings;
        settings.minVersion = 3;
        settings.notice = {"one", "two", "three", "four", "five"};
        settings.maxAccountsPerAddressPerDay = 1000;
        settings.registrationsPerAddress = 1000;
        settings.hashCost = server::HashCost::weakestForTests();
        settings.chatLinesPerWindow = 1'000'000;
        return settings;
    }();
    std::map<std::string, std::string> sessions_; // user -> token
    TempDir dir_;

private:
    std::FILE *logFile_ = std::tmpfile();
    server::ServiceLog log_{server::LogLevel::Info, logFile_};
    std::unique_ptr<server::GameStore> store_;
    std::unique_ptr<server::GameService> service_;
    std::unique_ptr<server::ServiceHost> host_;
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

} // namespace servertest
