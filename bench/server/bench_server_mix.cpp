// Load mix against the rinkfall-server program, with hostile connections held open meanwhile:
// N keep-alive clients (each from its own loopback address) log in once, then for S seconds
// pick Lobby.php (70 %), Say.php (20 %), MakeGame/DelGame (8 %) and Regist.php with real
// password hashing (2 %). Meanwhile 24 connections send a request head one byte a second and
// 40 connections stay idle, each reopened whenever the service closes it. Prints requests per
// second, latency percentiles overall and per kind of request, errors, "busy" answers and the
// service's memory. Works against a service with or without login sessions.
//
//   bench_server_mix [--server PATH (default: rinkfall-server beside it)] [--seconds 20] [--clients 50] [--slow 24] [--idle 40]
//                    [-- extra service options]

#include "server/reply.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

int connectFrom(int port, const std::string &source)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return -1;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, source.c_str(), &local.sin_addr);
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &remote.sin_addr);
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    timeval timeout{30, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    if (bind(fd, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0
        || connect(fd, reinterpret_cast<sockaddr *>(&remote), sizeof remote) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// One keep-alive HTTP/1.1 connection from a fixed source address, reopened when needed.
class Client {
public:
    Client(int port, std::string source) : port_(port), source_(std::move(source)) {}
    ~Client() { drop(); }

    // The body of a 200 reply, or nothing.
    std::optional<std::string> get(const std::string &target)
    {
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (fd_ < 0 && (fd_ = connectFrom(port_, source_)) < 0)
                return std::nullopt;
            const std::string request = "GET " + target + " HTTP/1.1\r\nHost: bench\r\n\r\n";
            if (send(fd_, request.data(), request.size(), MSG_NOSIGNAL) == ssize_t(request.size())) {
                if (auto body = readReply())
                    return body;
            }
            // A keep-alive connection the service had just closed: one retry on a new one.
            drop();
        }
        return std::nullopt;
    }

private:
    std::optional<std::string> readReply()
    {
        std::string raw;
        char buffer[16384];
        std::size_t headEnd = std::string::npos;
        std::size_t length = 0;
        for (;;) {
            if (headEnd == std::string::npos && (headEnd = raw.find("\r\n\r\n")) != std::string::npos) {
                const std::size_t at = raw.find("Content-Length: ");
                if (at == std::string::npos || at > headEnd)
                    return std::nullopt;
                length = std::strtoul(raw.c_str() + at + 16, nullptr, 10);
            }
            if (headEnd != std::string::npos && raw.size() >= headEnd + 4 + length)
                break;
            const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0)
                return std::nullopt;
            raw.append(buffer, static_cast<std::size_t>(n));
        }
        if (raw.compare(0, 12, "HTTP/1.1 200") != 0)
            return std::nullopt;
        if (raw.find("\r\nConnection: close", 0) < headEnd)
            drop();
        return raw.substr(headEnd + 4, length);
    }
    void drop()
    {
        if (fd_ >= 0)
            close(fd_);
        fd_ = -1;
    }

    int port_;
    std::string source_;
    int fd_ = -1;
};


enum Kind { kRegist, kLobby, kSay, kRoom, kKinds };
constexpr const char *kKindNames[kKinds] = {"regist", "lobby", "say", "room"};

struct Samples {
    std::mutex mutex;
    std::vector<double> all;
    std::vector<double> byKind[kKinds];
    long errors = 0;
    long busy = 0;
};

double percentile(std::vector<double> &values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(p * values.size()))];
}

long residentKilobytes(pid_t pid, const char *field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0)
            return std::atol(line.c_str() + std::strlen(field));
    }
    return 0;
}

// Connections that hold the service's attention without finishing a request.
void holdConnections(int port, int count, bool slow, const std::atomic<bool> &stop, int firstSource)
{
    std::vector<int> fds(static_cast<std::size_t>(count), -1);
    std::vector<std::size_t> sent(fds.size(), 0);
    const std::string head = "GET /PHP/Rinkfall/Lobby.php?Rkf=1 HTTP/1.1\r\nHost: bench\r\nX-Slow: ";
    while (!stop) {
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i] < 0) {
                const std::string source = "127.0.2." + std::to_string(firstSource + int(i) % 8);
                fds[i] = connectFrom(port, source);
                sent[i] = 0;
                if (fds[i] >= 0)
                    fcntl(fds[i], F_SETFL, O_NONBLOCK);
                continue;
            }
            char probe[256];
            const ssize_t n = recv(fds[i], probe, sizeof probe, 0);
            if (n == 0 || (n < 0 && errno != EAGAIN)) {
                close(fds[i]);
                fds[i] = -1;
                continue;
            }
            if (slow) {
                const char byte = sent[i] < head.size() ? head[sent[i]] : 'x';
                if (send(fds[i], &byte, 1, MSG_NOSIGNAL) == 1)
                    ++sent[i];
            }
        }
        for (int w = 0; w < 10 && !stop; ++w)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    for (int fd : fds) {
        if (fd >= 0)
            close(fd);
    }
}

pid_t startService(const std::string &binary, int port, const std::string &db,
                   const std::vector<std::string> &extra)
{
    std::vector<std::string> args{binary, "--listen", "127.0.0.1:" + std::to_string(port), "--db", db,
                                  "--max-accounts-per-day", "1000000"};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char *> argv;
    for (auto &arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

} // namespace

int main(int argc, char **argv)
{
    std::string binary;
    double seconds = 20;
    int clients = 50;
    int slowCount = 24;
    int idleCount = 40;
    std::vector<std::string> extra;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--") {
            extra.assign(argv + i + 1, argv + argc);
            break;
        }
        if (i + 1 >= argc)
            break;
        const char *value = argv[++i];
        if (option == "--server")
            binary = value;
        else if (option == "--seconds")
            seconds = std::atof(value);
        else if (option == "--clients")
            clients = std::atoi(value);
        else if (option == "--slow")
            slowCount = std::atoi(value);
        else if (option == "--idle")
            idleCount = std::atoi(value);
    }
    if (binary.empty()) // the program built beside this one
        binary = (std::filesystem::path(argv[0]).parent_path() / "rinkfall-server").string();
    if (!std::filesystem::exists(binary)) {
        std::fprintf(stderr, "usage: bench_server_mix --server PATH [--seconds S] [--clients N] "
                             "[--slow N] [--idle N] [-- service options]\n");
        return 2;
    }
    const auto dir = std::filesystem::temp_directory_path()
                     / ("rinkfall-bench-mix-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const int port = 20000 + ::getpid() % 20000;
    const pid_t service = startService(binary, port, (dir / "mix.sqlite").string(), extra);
    bool up = false;
    for (int i = 0; i < 100 && !up; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        Client probe(port, "127.0.0.1");
        up = probe.get("/PHP/Rinkfall/Login.php?Rkf=1&Version=1").has_value();
    }
    int status = 0;
    if (!up) {
        std::fprintf(stderr, "bench_server_mix: the service did not start\n");
        status = 1;
    } else {
        // Every client its own user, signed up and logged in before the clock starts.
        struct User {
            std::string name;
            std::string session; // "&Sid=..." or empty with a service without sessions
        };
        std::vector<User> users(static_cast<std::size_t>(clients));
        for (int c = 0; c < clients; ++c) {
            Client client(port, "127.0.1." + std::to_string(1 + c));
            User &user = users[static_cast<std::size_t>(c)];
            user.name = "mix" + std::to_string(c);
            const std::string base = "/PHP/Rinkfall/";
            client.get(base + "Regist.php?Rkf=1&NAME=" + user.name + "&PASS=pw&LENG="
                       + std::to_string(user.name.size()) + "&IP=x");
            const auto login = client.get(base + "Access.php?Rkf=1&NAME=" + user.name + "&PASS=pw");
            const auto reply = server::splitReply(login.value_or(""));
            if (reply.size() >= 4)
                user.session = "&Sid=" + reply[3];
        }
        std::atomic<bool> stop{false};
        std::thread slow([&] { holdConnections(port, slowCount, true, stop, 1); });
        std::thread idle([&] { holdConnections(port, idleCount, false, stop, 20); });
        std::this_thread::sleep_for(std::chrono::seconds(2)); // let them take their places

        Samples samples;
        std::atomic<long> requests{0};
        std::atomic<long> registrations{0};
        std::vector<std::thread> threads;
        for (int c = 0; c < clients; ++c) {
            threads.emplace_back([&, c] {
                const User &user = users[static_cast<std::size_t>(c)];
                Client client(port, "127.0.1." + std::to_string(1 + c));
                std::mt19937 random(static_cast<unsigned>(c));
                std::vector<double> all;
                std::vector<double> byKind[kKinds];
                long errors = 0;
                long busy = 0;
                bool hasRoom = false;
                const std::string base = "/PHP/Rinkfall/";
                for (long i = 0; !stop; ++i) {
                    const int pick = static_cast<int>(random() % 100);
                    std::string target;
                    Kind kind = kRegist;
                    if (pick < 2) {
                        const std::string name = "r" + std::to_string(c) + "x" + std::to_string(registrations++);
                        target = base + "Regist.php?Rkf=1&NAME=" + name + "&PASS=pw&LENG="
                                 + std::to_string(name.size()) + "&IP=x";
                    } else if (pick < 72) {
                        target = base + "Lobby.php?Rkf=1" + user.session;
                        kind = kLobby;
                    } else if (pick < 92) {
                        target = base + "Say.php?Rkf=1&Speaker=" + user.name + "&Words=w" + std::to_string(i)
                                 + "&Belong=0" + user.session;
                        kind = kSay;
                    } else {
                        target = base + (hasRoom ? "DelGame.php?Rkf=1&Name=" : "MakeGame.php?Rkf=1&Title=t&Name=")
                                 + user.name + user.session;
                        kind = kRoom;
                    }
                    const auto begin = Clock::now();
                    const auto body = client.get(target);
                    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
                    all.push_back(ms);
                    byKind[kind].push_back(ms);
                    const auto reply = server::splitReply(body.value_or(""));
                    if (!body || reply[0] == "0") {
                        ++errors;
                    } else if (reply[0] != "1") {
                        // Busy hashing or the chat limit: answers the client shows, not failures.
                        ++busy;
                    } else if (kind == kRoom) {
                        hasRoom = !hasRoom;
                    }
                    ++requests;
                }
                std::lock_guard lock(samples.mutex);
                samples.all.insert(samples.all.end(), all.begin(), all.end());
                for (int k = 0; k < kKinds; ++k)
                    samples.byKind[k].insert(samples.byKind[k].end(), byKind[k].begin(), byKind[k].end());
                samples.errors += errors;
                samples.busy += busy;
            });
        }
        const auto start = Clock::now();
        long peakRss = 0;
        while (Clock::now() - start < std::chrono::duration<double>(seconds)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            peakRss = std::max(peakRss, residentKilobytes(service, "VmRSS:"));
        }
        stop = true;
        for (auto &thread : threads)
            thread.join();
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        slow.join();
        idle.join();
        std::printf("rinkfall-server mix: %d clients, %.0f s, %d slow + %d idle connections held\n",
                    clients, elapsed, slowCount, idleCount);
        std::printf("requests %ld = %.0f/s, errors %ld, refused (busy/limits) %ld\n", requests.load(),
                    requests / elapsed, samples.errors, samples.busy);
        std::printf("all    ms: p50 %.2f  p99 %.2f  max %.1f\n", percentile(samples.all, 0.5),
                    percentile(samples.all, 0.99), percentile(samples.all, 1.0));
        for (int k = 0; k < kKinds; ++k) {
            std::vector<double> &values = samples.byKind[k];
            std::printf("%-6s ms: p50 %.2f  p99 %.2f  max %.1f  (%zu)%s\n", kKindNames[k],
                        percentile(values, 0.5), percentile(values, 0.99), percentile(values, 1.0),
                        values.size(), k == kLobby ? "  target p99 <= 50" : "");
        }
        std::printf("service RSS: peak seen %ld KB, high-water %ld KB\n", peakRss,
                    residentKilobytes(service, "VmHWM:"));
        if (samples.errors)
            status = 1;
    }
    if (service > 0) {
        kill(service, SIGTERM);
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        int wstatus = 0;
        while (waitpid(service, &wstatus, WNOHANG) == 0 && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (waitpid(service, &wstatus, WNOHANG) == 0) {
            std::printf("service ignored SIGTERM for 10 s; killed\n");
            kill(service, SIGKILL);
            waitpid(service, nullptr, 0);
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return status;
}
