#include "tests/server/service_fixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace servertest {

std::string TempDir::makeTempDir()
{
    char pattern[] = "/tmp/rinkfall-server-test-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("mkdtemp failed");
    return pattern;
}

int openConnection(int port, const std::string &source)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    if (!source.empty()) {
        inet_pton(AF_INET, source.c_str(), &address.sin_addr);
        if (bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
            close(fd);
            return -1;
        }
    }
    address.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool sendAll(int fd, const std::string &bytes)
{
    for (std::size_t sent = 0; sent < bytes.size();) {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

std::string readUntilClosed(int fd, std::chrono::milliseconds limit)
{
    timeval timeout{0, 100'000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    std::string raw;
    char buffer[4096];
    for (const auto end = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < end;) {
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n == 0)
            break;
        if (n > 0)
            raw.append(buffer, static_cast<std::size_t>(n));
    }
    return raw;
}

namespace {

    // The head is in and the body has its Content-Length.
    bool wholeResponse(const std::string &raw)
    {
        const std::size_t headEnd = raw.find("\r\n\r\n");
        const std::size_t length = raw.find("\r\nContent-Length: ");
        return headEnd != std::string::npos && length < headEnd
               && raw.size() >= headEnd + 4 + std::stoul(raw.substr(length + 18));
    }

} // namespace

HttpResult sendRaw(int port, const std::string &request, const std::string &source)
{
    const int fd = openConnection(port, source);
    if (fd < 0)
        return {};
    timeval timeout{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sendAll(fd, request);
    std::string raw;
    char buffer[4096];
    // Up to the end of the first response: the server may keep the connection open.
    for (ssize_t n = 0; !wholeResponse(raw) && (n = recv(fd, buffer, sizeof buffer, 0)) > 0;)
        raw.append(buffer, static_cast<std::size_t>(n));
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

HttpResult httpGet(int port, const std::string &target, const std::string &source)
{
    return sendRaw(port, "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n",
                   source);
}

std::vector<std::string> splitFields(const std::string &body)
{
    std::vector<std::string> fields;
    for (std::size_t start = 0;;) {
        const std::size_t at = body.find("<QZT>", start);
        fields.push_back(body.substr(start, at - start));
        if (at == std::string::npos)
            return fields;
        start = at + 5;
    }
}

std::vector<std::string> sqlCells(const std::string &dbPath, const std::string &sql)
{
    std::vector<std::string> cells;
    sqlite3 *db = nullptr;
    sqlite3_stmt *statement = nullptr;
    EXPECT_EQ(sqlite3_open(dbPath.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr), SQLITE_OK) << sql;
    int step = SQLITE_DONE;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        for (int column = 0; column < sqlite3_column_count(statement); ++column) {
            const auto *text = sqlite3_column_text(statement, column);
            cells.emplace_back(text ? reinterpret_cast<const char *>(text) : "");
        }
    }
    EXPECT_EQ(step, SQLITE_DONE) << sql;
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return cells;
}

void expectRefused(const std::vector<std::string> &reply, const std::string &what)
{
    ASSERT_EQ(reply.size(), 2u) << what;
    EXPECT_EQ(reply[0], "-1") << what;
    EXPECT_FALSE(reply[1].empty()) << what << ": a refusal says why";
}

RunningService::RunningService(const std::string &dbPath, server::ServiceSettings settings,
                               server::GameService::Clock clock, server::HostSettings host)
    : logFile_(std::tmpfile())
    , log_(server::LogLevel::Info, logFile_)
    , store_(std::make_unique<server::GameStore>(dbPath))
    , service_(std::make_unique<server::GameService>(*store_, std::move(settings), std::move(clock)))
    , host_(std::make_unique<server::ServiceHost>(*service_, std::move(host), log_))
{
    if (!host_->bind("127.0.0.1", 0))
        throw std::runtime_error("cannot bind a loopback port");
    thread_ = std::thread([this] {
        host_->run();
        finished_ = true;
    });
}

RunningService::~RunningService()
{
    // A stop that comes before the loop has started is not seen by it, so keep asking.
    while (!finished_) {
        host_->stop();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    thread_.join();
    host_.reset();
    std::fclose(logFile_);
}

std::string RunningService::logText() const
{
    // A second open of the same file, so reading does not move the writer's position.
    std::ifstream file("/proc/self/fd/" + std::to_string(fileno(logFile_)), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void ServiceTest::start()
{
    service_ = std::make_unique<RunningService>(
        dbPath(), serviceSettings_, [this] { return now_.load(); }, hostSettings_);
}

void ServiceTest::restart()
{
    service_.reset();
    sessions_.clear(); // sessions live in the service's memory only
    start();
}

HttpResult ServiceTest::get(const std::string &target, const std::string &source)
{
    return httpGet(service_->port(), target, source);
}

std::vector<std::string> ServiceTest::call(const std::string &script, const std::string &query,
                                           const std::string &source)
{
    std::string session;
    const std::string text = "&" + query;
    for (const std::string key : {"&Name=", "&Speaker="}) {
        const std::size_t at = text.find(key);
        if (at != std::string::npos && text.find("&Sid=") == std::string::npos) {
            const std::size_t start = at + key.size();
            session = sid(text.substr(start, text.find('&', start) - start));
        }
    }
    const HttpResult result = get(
        "/PHP/Rinkfall/" + script + ".php?Rkf=1" + (query.empty() ? "" : "&" + query) + session, source);
    EXPECT_EQ(result.status, 200) << script << "?" << query;
    return splitFields(result.body);
}

void ServiceTest::registerUser(const std::string &name, const std::string &password,
                               const std::string &source)
{
    const auto reply = call(
        "Regist", "NAME=" + name + "&PASS=" + password + "&LENG=" + std::to_string(name.size()) + "&IP=x",
        source);
    ASSERT_EQ(reply.at(0), "1") << "registering " << name << ": " << reply.back();
}

void ServiceTest::logIn(const std::string &name, const std::string &password, const std::string &source)
{
    const auto reply = call("Access", "NAME=" + name + "&PASS=" + password, source);
    ASSERT_EQ(reply.at(0), "1") << "logging in " << name << ": " << reply.back();
    ASSERT_EQ(reply.size(), 4u);
    sessions_[name] = reply[3];
}

std::string ServiceTest::sid(const std::string &name) const
{
    const auto it = sessions_.find(name);
    return it == sessions_.end() ? std::string() : "&Sid=" + it->second;
}

void ServiceTest::signUp(const std::string &name)
{
    registerUser(name);
    logIn(name);
}

int ServiceTest::makeRoom(const std::string &name, const std::string &title)
{
    if (!sessions_.contains(name))
        signUp(name);
    const auto reply = call("MakeGame", "Title=" + title + "&Name=" + name);
    EXPECT_EQ(reply.at(0), "1") << reply.back();
    return reply.size() > 1 ? std::atoi(reply[1].c_str()) : -1;
}

std::string ServiceTest::say(const std::string &speaker, const std::string &words)
{
    if (!sessions_.contains(speaker))
        signUp(speaker);
    return call("Say", "Speaker=" + speaker + "&Words=" + words + "&Belong=0").at(0);
}

} // namespace servertest
