#include "tests/server/service_fixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace servertest {

TempDir::TempDir()
{
    char pattern[] = "/tmp/rinkfall-server-test-XXXXXX";
    const char *made = mkdtemp(pattern);
    if (!made)
        throw std::runtime_error("mkdtemp failed");
    path_ = made;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

namespace {

} // namespace

int openConnection(int port, const std::string &source)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return -1;
    if (!source.empty()) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        inet_pton(AF_INET, source.c_str(), &local.sin_addr);
        if (bind(fd, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0) {
            close(fd);
            return -1;
        }
    }
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &remote.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr *>(&remote), sizeof remote) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

namespace {

std::string headerValue(const std::string &head, const std::string &name)
{
    const std::string key = "\r\n" + name + ": ";
    const std::size_t at = head.find(key);
    if (at == std::string::npos)
        return {};
    const std::size_t start = at + key.size();
    return head.substr(start, head.find("\r\n", start) - start);
}

HttpResult parseResponse(const std::string &raw)
{
    HttpResult result;
    const std::size_t headEnd = raw.find("\r\n\r\n");
    if (raw.rfind("HTTP/1.1 ", 0) != 0 || headEnd == std::string::npos)
        return result;
    result.status = std::atoi(raw.c_str() + 9);
    const std::string head = raw.substr(0, headEnd + 2);
    result.contentType = headerValue(head, "Content-Type");
    result.body = raw.substr(headEnd + 4);
    return result;
}

bool responseComplete(const std::string &raw)
{
    const std::size_t headEnd = raw.find("\r\n\r\n");
    if (headEnd == std::string::npos)
        return false;
    const std::string length = headerValue(raw.substr(0, headEnd + 2), "Content-Length");
    return !length.empty()
           && raw.size() >= headEnd + 4 + static_cast<std::size_t>(std::atol(length.c_str()));
}

} // namespace

HttpResult sendRaw(int port, const std::string &request, const std::string &source)
{
    const int fd = openConnection(port, source);
    if (fd < 0)
        return {};
    timeval timeout{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    std::size_t sent = 0;
    while (sent < request.size()) {
        const ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += static_cast<std::size_t>(n);
    }
    std::string raw;
    char buffer[4096];
    ssize_t n = 0;
    // Stops at the end of the first response: the server may keep the connection open.
    while (!responseComplete(raw) && (n = recv(fd, buffer, sizeof buffer, 0)) > 0)
        raw.append(buffer, static_cast<std::size_t>(n));
    close(fd);
    return parseResponse(raw);
}

HttpResult httpGet(int port, const std::string &target, const std::string &source)
{
    return sendRaw(port,
                   "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n",
                   source);
}

std::vector<std::string> splitFields(const std::string &body)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t at = body.find("<QZT>", start);
        fields.push_back(body.substr(start, at - start));
        if (at == std::string::npos)
            return fields;
        start = at + 5;
    }
}

RunningService::RunningService(const std::string &dbPath, server::ServiceSettings settings,
                               server::GameService::Clock clock, server::HostSettings host)
    : logFile_(std::tmpfile()), log_(server::LogLevel::Info, logFile_),
      store_(std::make_unique<server::GameStore>(dbPath)),
      service_(std::make_unique<server::GameService>(*store_, std::move(settings),
                                                     std::move(clock))),
      host_(std::make_unique<server::ServiceHost>(*service_, std::move(host), log_))
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
    server::ServiceSettings settings = serviceSettings_;
    settings.minVersion = minVersion_;
    settings.notice = {"one", "two", "three", "four", "five"};
    settings.maxAccountsPerAddressPerDay = accountsPerDay_;
    settings.registrationsPerAddress = registrationsPerWindow_;
    settings.hashCost = hashCost_;
    service_ = std::make_unique<RunningService>(
        dbPath(), settings, [this] { return now_.load(); }, hostSettings_);
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
    for (const std::string key : {"&Name=", "&Speaker="}) {
        const std::string text = "&" + query;
        const std::size_t at = text.find(key);
        if (at != std::string::npos && text.find("&Sid=") == std::string::npos) {
            const std::size_t start = at + key.size();
            session = sid(text.substr(start, text.find('&', start) - start));
        }
    }
    const HttpResult result =
        get("/PHP/Rinkfall/" + script + ".php?Rkf=1" + (query.empty() ? "" : "&" + query) + session,
            source);
    EXPECT_EQ(result.status, 200) << script << "?" << query;
    return splitFields(result.body);
}

void ServiceTest::registerUser(const std::string &name, const std::string &password,
                               const std::string &source)
{
    const auto reply = call("Regist",
                            "NAME=" + name + "&PASS=" + password
                                + "&LENG=" + std::to_string(name.size()) + "&IP=x",
                            source);
    ASSERT_EQ(reply.at(0), "1") << "registering " << name << ": " << reply.back();
}

void ServiceTest::logIn(const std::string &name, const std::string &password,
                        const std::string &source)
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

int ServiceTest::makeRoom(const std::string &name, const std::string &title)
{
    if (!sessions_.contains(name))
        signUp(name);
    const auto reply = call("MakeGame", "Title=" + title + "&Name=" + name);
    EXPECT_EQ(reply.at(0), "1") << reply.back();
    return reply.size() > 1 ? std::atoi(reply[1].c_str()) : -1;
}

} // namespace servertest
