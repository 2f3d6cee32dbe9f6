#pragma once

#include "server/game_service.h"
#include "server/game_store.h"
#include "server/reply.h"
#include "server/service_host.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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

// A new connection to the loopback port, or -1; from the loopback address `source` (127.0.0.2 acts as a
// second machine).
inline int openConnection(int port, const std::string &source = {})
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    inet_pton(AF_INET, source.c_str(), &address.sin_addr);
    const bool bound
        = source.empty() || bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    address.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
    if (bound && connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0)
        return fd;
    close(fd);
    return -1;
}

inline bool sendAll(int fd, const std::string &bytes)
{
    for (std::size_t sent = 0; sent < bytes.size();) {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

// Reads until the peer closes or `limit` passes, or with `oneResponse` until one whole response is in.
inline std::string readUntilClosed(int fd, std::chrono::milliseconds limit, bool oneResponse = false)
{
    timeval timeout{0, 100'000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    std::string raw;
    char buffer[4096];
    for (const auto end = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < end;) {
        // The server may keep the connection open after a response with a Content-Length.
        const std::size_t headEnd = raw.find("\r\n\r\n");
        const std::size_t length = raw.find("\r\nContent-Length: ");
        if (oneResponse && headEnd != std::string::npos && length < headEnd
            && raw.size() >= headEnd + 4 + std::stoul(raw.substr(length + 18)))
            break;
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN))
            break;
        raw.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
    }
    return raw;
}

struct HttpResult {
    int status = 0; // 0: no answer at all
    std::string contentType;
    std::string body;
};

// One request over a new loopback connection, bytes exactly as given.
inline HttpResult sendRaw(int port, const std::string &request, const std::string &source = {})
{
    const int fd = openConnection(port, source);
    sendAll(fd, request);
    const std::string raw = readUntilClosed(fd, std::chrono::seconds(10), true);
    close(fd);
    HttpResult result;
    const std::size_t headEnd = raw.find("\r\n\r\n");
    if (!raw.starts_with("HTTP/1.1 ") || headEnd == std::string::npos)
        return result;
    result.status = std::atoi(raw.c_str() + 9);
    const std::size_t type = raw.find("\r\nContent-Type: ");
    if (type < headEnd)
        result.contentType = raw.substr(type + 16, raw.find("\r\n", type + 2) - type - 16);
    result.body = raw.substr(headEnd + 4);
    return result;
}


// Every cell of every row `sql` yields from the database file, row by row ("" for NULL).
inline std::vector<std::string> sqlCells(const std::string &dbPath, const std::string &sql)
{
    std::vector<std::string> cells;
    sqlite3 *db = nullptr;
    EXPECT_EQ(sqlite3_open(dbPath.c_str(), &db), SQLITE_OK);
    const auto collect = [](void *out, int columns, char **values, char **) {
        for (int i = 0; i < columns; ++i)
            static_cast<std::vector<std::string> *>(out)->emplace_back(values[i] ? values[i] : "");
        return 0;
    };
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), collect, &cells, nullptr), SQLITE_OK) << sql;
    sqlite3_close(db);
    return cells;
}

// "-1" and a message.
inline void expectRefused(const std::vector<std::string> &reply, const std::string &what = {})
{
    ASSERT_EQ(reply.size(), 2u) << what;
    EXPECT_EQ(reply[0], "-1") << what;
    EXPECT_FALSE(reply[1].empty()) << what << ": a refusal says why";
}

// The whole service on a free loopback port, on its own thread, as the program runs it, with cheap
// hashing and a clock the test moves; the test speaks the game's protocol to it.
class ServiceTest : public ::testing::Test {
protected:
    ~ServiceTest() override
    {
        stop();
        std::fclose(logFile_);
    }
    void SetUp() override { start(); }
    // Starts the service anew, with the settings as they are now.
    void start()
    {
        stop();
        store_ = std::make_unique<server::GameStore>(dbPath());
        const auto clock = [this] { return now_.load(); };
        service_ = std::make_unique<server::GameService>(*store_, serviceSettings_, clock);
        host_ = std::make_unique<server::ServiceHost>(*service_, hostSettings_, log_);
        if (!host_->bind("127.0.0.1", 0))
            throw std::runtime_error("cannot bind a loopback port");
        finished_ = false;
        thread_ = std::thread([this] {
            EXPECT_TRUE(host_->run());
            finished_ = true;
        });
    }
    void stop()
    {
        if (!thread_.joinable())
            return;
        while (!host_->isRunning() && !finished_)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        // A stop that comes before the loop has started is not seen by it, so keep asking.
        while (!finished_) {
            host_->stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        thread_.join();
        EXPECT_LT(openConnection(port()), 0) << "nothing listens after a stop";
        // The library has closed the listening socket: the host must forget it, or its destructor
        // closes whatever file got that descriptor number next.
        const int reused = open("/dev/null", O_RDONLY | O_CLOEXEC);
        host_.reset();
        EXPECT_NE(fcntl(reused, F_GETFD), -1) << "the host closed a descriptor it no longer owned";
        close(reused);
        service_.reset();
        store_.reset();
        sessions_.clear(); // sessions live in the service's memory only
    }
    int port() const { return host_->port(); }
    std::string dbPath() const { return dir_.path + "/service.sqlite"; }
    std::string logText() const
    {
        // A second open of the same file, so reading does not move the writer's position.
        std::ifstream file("/proc/self/fd/" + std::to_string(fileno(logFile_)), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    HttpResult get(const std::string &target, const std::string &source = {})
    {
        return sendRaw(port(), "GET " + target + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n", source);
    }
    // GET /PHP/Rinkfall/<script>.php?Rkf=1&<query>; the reply split into fields. As the game
    // client does, the session of the user named by Name= or Speaker= goes along when that user
    // logged in through logIn() and the query names no Sid= itself.
    std::vector<std::string> call(const std::string &script, const std::string &query,
                                  const std::string &source = {})
    {
        std::string target = "/PHP/Rinkfall/" + script + ".php?Rkf=1" + (query.empty() ? "" : "&" + query);
        for (const std::string key : {"&Name=", "&Speaker="}) {
            const std::size_t at = target.find(key);
            if (at != std::string::npos && target.find("&Sid=") == std::string::npos)
                target += sid(target.substr(at + key.size(), target.find('&', at + 1) - at - key.size()));
        }
        const HttpResult result = get(target, source);
        EXPECT_EQ(result.status, 200) << target;
        return server::splitReply(result.body);
    }
    void registerUser(const std::string &name, const std::string &password = "secret",
                      const std::string &source = {})
    {
        const auto reply = call("Regist", "NAME=" + name + "&PASS=" + password
                                              + "&LENG=" + std::to_string(name.size()) + "&IP=x", source);
        ASSERT_EQ(reply.at(0), "1") << "registering " << name << ": " << reply.back();
    }
    void logIn(const std::string &name, const std::string &password = "secret",
               const std::string &source = {})
    {
        const auto reply = call("Access", "NAME=" + name + "&PASS=" + password, source);
        ASSERT_EQ(reply.size(), 4u) << "logging in " << name << ": " << reply.back();
        sessions_[name] = reply[3];
    }
    // "&Sid=<token>" from logIn(), or nothing.
    std::string sid(const std::string &name) const
    {
        const auto it = sessions_.find(name);
        return it == sessions_.end() ? std::string() : "&Sid=" + it->second;
    }
    void signUp(const std::string &name)
    {
        registerUser(name);
        logIn(name);
    }
    // The room's number, and the code of a Say.php reply; signing up first when needed.
    int makeRoom(const std::string &name, const std::string &title = "room")
    {
        if (!sessions_.contains(name))
            signUp(name);
        const auto reply = call("MakeGame", "Title=" + title + "&Name=" + name);
        EXPECT_EQ(reply.at(0), "1") << reply.back();
        return reply.size() > 1 ? std::atoi(reply[1].c_str()) : -1;
    }
    std::string say(const std::string &speaker, const std::string &words)
    {
        if (!sessions_.contains(speaker))
            signUp(speaker);
        return call("Say", "Speaker=" + speaker + "&Words=" + words + "&Belong=0").at(0);
    }

    std::atomic<int64_t> now_{1'800'000'000};
    server::HostSettings hostSettings_;
    // Version 3 and up, and no limits unless a test sets them and starts the service anew.
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
    std::FILE *logFile_ = std::tmpfile();
    server::ServiceLog log_{server::LogLevel::Info, logFile_};

private:
    std::unique_ptr<server::GameStore> store_;
    std::unique_ptr<server::GameService> service_;
    std::unique_ptr<server::ServiceHost> host_;
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

} // namespace servertest
