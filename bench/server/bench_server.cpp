// Load test of the game service: several keep-alive clients on loopback hammer Lobby.php (with
// 50 rooms and 30 chat lines to send) and then Say.php for a few seconds each, and the program
// reports requests per second and errors, and whether Lobby.php reached its target rate. Exits
// non-zero on any error; a missed rate is only reported, since it depends on the machine's load.
//
//   bench_server [--seconds S] [--clients N]

#include "server/game_service.h"
#include "server/game_store.h"
#include "server/service_host.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kRooms = 50;
constexpr int kChatLines = 30;
constexpr double kLobbyTarget = 2000.0;

struct LoadResult {
    long requests = 0;
    long errors = 0;
    double seconds = 0;
    double rate() const { return seconds > 0 ? requests / seconds : 0; }
};

std::string get(httplib::Client &client, const std::string &target, bool &ok)
{
    auto response = client.Get(target);
    ok = response && response->status == 200;
    return ok ? response->body : std::string();
}

// A full Lobby.php reply carries the status, the update time, 50 rooms of six fields, the chat
// count and 30 lines of three fields.
bool lobbyReplyComplete(const std::string &body)
{
    std::size_t markers = 0;
    for (std::size_t at = body.find("<QZT>"); at != std::string::npos;
         at = body.find("<QZT>", at + 5)) {
        ++markers;
    }
    return body.rfind("1<QZT>", 0) == 0 && markers + 1 == 4 + 6 * kRooms + 3 * kChatLines;
}

// Chat lines are said by bench0 within its login session.
LoadResult runLoad(int port, int clients, double seconds, bool lobby, const std::string& session)
{
    std::atomic<long> requests{0};
    std::atomic<long> errors{0};
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", port);
            client.set_keep_alive(true);
            for (long i = 0; !stop; ++i) {
                const std::string target =
                    lobby ? "/PHP/Rinkfall/Lobby.php?Rkf=1"
                          : "/PHP/Rinkfall/Say.php?Rkf=1&Speaker=bench0&Words=c" + std::to_string(c)
                                + "n" + std::to_string(i) + "&Belong=0" + session;
                bool ok = false;
                const std::string body = get(client, target, ok);
                ok = ok && (lobby ? lobbyReplyComplete(body) : body.rfind("1<QZT>", 0) == 0);
                ++requests;
                if (!ok)
                    ++errors;
            }
        });
    }
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    stop = true;
    for (auto &thread : threads)
        thread.join();
    LoadResult result;
    result.requests = requests;
    result.errors = errors;
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}

// Fills the lobby and answers the session parameter of bench0, or nothing when set-up failed.
std::optional<std::string> fillLobby(int port)
{
    std::string benchSession;
    httplib::Client client("127.0.0.1", port);
    bool ok = true;
    for (int i = 0; i < kRooms && ok; ++i) {
        const std::string name = "bench" + std::to_string(i);
        const std::string base = "/PHP/Rinkfall/";
        get(client, base + "Regist.php?Rkf=1&NAME=" + name + "&PASS=pw&LENG="
                        + std::to_string(name.size()) + "&IP=x", ok);
        const std::string login = get(client, base + "Access.php?Rkf=1&NAME=" + name + "&PASS=pw", ok);
        const std::string session = "&Sid=" + login.substr(login.rfind('>') + 1);
        if (i == 0)
            benchSession = session;
        const std::string made = get(
            client, base + "MakeGame.php?Rkf=1&Title=%E8%AA%B0%E3%81%A7%E3%82%82&Name=" + name + session, ok);
        ok = ok && made.rfind("1<QZT>", 0) == 0;
    }
    for (int j = 0; j < kChatLines && ok; ++j) {
        get(client, "/PHP/Rinkfall/Say.php?Rkf=1&Speaker=bench0&Words=%E3%81%93%E3%82%93"
                    "%E3%81%AB%E3%81%A1%E3%81%AF" + std::to_string(j) + "&Belong=0" + benchSession, ok);
    }
    if (!ok)
        return std::nullopt;
    return benchSession;
}

void report(const char *script, const LoadResult &result)
{
    std::printf("%-10s %8ld requests in %.2f s = %8.0f requests/s, %ld errors\n", script,
                result.requests, result.seconds, result.rate(), result.errors);
}

} // namespace

int main(int argc, char **argv)
{
    double seconds = 3;
    int clients = 4;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--seconds")
            seconds = std::atof(argv[i + 1]);
        else if (option == "--clients")
            clients = std::atoi(argv[i + 1]);
    }

    const auto dir = std::filesystem::temp_directory_path()
                     / ("rinkfall-bench-server-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    int status = 0;
    {
        server::GameStore store((dir / "bench.sqlite").string());
        server::ServiceSettings settings;
        // Accounts are only set-up here; hashing strength is not what is measured.
        settings.hashCost = server::HashCost::weakestForTests();
        settings.maxAccountsPerAddressPerDay = kRooms;
        settings.registrationsPerAddress = kRooms;
        settings.chatLinesPerWindow = 1'000'000'000;
        server::GameService service(store, settings);
        server::ServiceLog log(server::LogLevel::Error);
        server::ServiceHost host(service, server::HostSettings{}, log);
        if (!host.bind("127.0.0.1", 0)) {
            std::fprintf(stderr, "bench_server: cannot bind a loopback port\n");
            return 1;
        }
        std::atomic<bool> finished{false};
        std::thread serving([&] {
            host.run();
            finished = true;
        });

        const std::optional<std::string> session = fillLobby(host.port());
        if (!session) {
            std::fprintf(stderr, "bench_server: setting up rooms and chat failed\n");
            status = 1;
        } else {
            std::printf("rinkfall-server load, %d clients on loopback, %d rooms, %d chat lines\n",
                        clients, kRooms, kChatLines);
            const LoadResult lobby = runLoad(host.port(), clients, seconds, true, *session);
            report("Lobby.php", lobby);
            const LoadResult say = runLoad(host.port(), clients, seconds, false, *session);
            report("Say.php", say);
            std::printf("target: Lobby.php >= %.0f requests/s with no errors: %s\n", kLobbyTarget,
                        lobby.errors == 0 && lobby.rate() >= kLobbyTarget ? "met" : "MISSED");
            if (lobby.errors || say.errors)
                status = 1;
        }
        while (!finished) {
            host.stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        serving.join();
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return status;
}
