// The rinkfall-server program itself: options, start-up, signals and its data file.

#include "tests/server/service_fixture.h"

#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <utility>

using namespace servertest;

namespace {

// One run of the program with its standard output on a pipe. A run that never prints or never
// ends is left to the test's time limit.
class ServerProcess {
public:
    explicit ServerProcess(const std::vector<std::string> &args)
    {
        // The shell prints its own number and then becomes the program, keeping that number.
        std::string command = "echo $$; exec '" RINKFALL_SERVER_BIN "'";
        for (const std::string &arg : args)
            command += " '" + arg + "'";
        out_ = popen(command.c_str(), "r");
        if (!out_ || std::fscanf(out_, "%d\n", &pid_) != 1)
            throw std::runtime_error("cannot start " + command);
    }
    ~ServerProcess()
    {
        if (out_) {
            kill(pid_, SIGKILL);
            pclose(out_);
        }
    }

    // The port from the "listening on http://HOST:PORT/..." line, or 0.
    int waitForPort()
    {
        char line[512] = {};
        const char *found = fgets(line, sizeof line, out_) ? std::strstr(line, "http://127.0.0.1:") : nullptr;
        return found ? std::atoi(found + std::strlen("http://127.0.0.1:")) : 0;
    }
    void signal(int number) { kill(pid_, number); }
    // Exit code, or -1 when it did not end normally; what it printed meanwhile goes to rest.
    int wait()
    {
        for (int c = 0; (c = fgetc(out_)) != EOF;)
            rest += char(c);
        const int status = pclose(std::exchange(out_, nullptr));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string rest;

private:
    int pid_ = -1;
    FILE *out_ = nullptr;
};

std::vector<std::string> fields(int port, const std::string &scriptAndQuery)
{
    return splitFields(httpGet(port, "/PHP/Rinkfall/" + scriptAndQuery).body);
}

} // namespace

TEST(ServerProgram, HelpAndOptionsItCannotUse)
{
    ServerProcess help({"--help"});
    EXPECT_EQ(help.wait(), 0);
    for (const std::string option : {"--listen", "--db", "--game-dir", "--min-version", "--notice"})
        EXPECT_NE(help.rest.find(option), std::string::npos) << option;

    TempDir dir;
    const std::string junk = dir.path() + "/junk.pem";
    std::ofstream(junk) << "not a certificate\n";
    const std::vector<std::string> serve{"--listen", "127.0.0.1:0", "--db", dir.path() + "/s.sqlite"};
    struct Row {
        const char *name;
        std::vector<std::string> args;
        int exitCode; // 2: refused as given; 1: failed when used
    };
    for (const Row &row :
         {Row{"unknown option", {"--bogus"}, 2}, Row{"no address", {"--listen"}, 2},
          Row{"bad address", {"--listen", "nowhere"}, 2}, Row{"bad port", {"--listen", "1.2.3.4:99999"}, 2},
          Row{"bad version", {"--min-version", "x"}, 2}, Row{"nested game dir", {"--game-dir", "a/b"}, 2},
          Row{"certificate without key", {"--tls-cert", junk}, 2},
          Row{"junk certificate", {"--tls-cert", junk, "--tls-key", junk}, 1},
          Row{"missing key", {"--tls-cert", junk, "--tls-key", dir.path() + "/missing.pem"}, 1}}) {
        std::vector<std::string> args = row.exitCode == 1 ? serve : std::vector<std::string>{};
        args.insert(args.end(), row.args.begin(), row.args.end());
        ServerProcess bad(args);
        EXPECT_EQ(bad.wait(), row.exitCode) << row.name;
    }
}

TEST(ServerProgram, ServesFromItsOptionsAndSigtermEndsItWhateverClientsHoldOpen)
{
    TempDir dir;
    const std::string notice = dir.path() + "/notice.txt";
    std::ofstream(notice) << "\xEF\xBB\xBF"
                             "お知らせ1\r\n二行目\n\n四\n五\n六\n";
    const std::string db = dir.path() + "/nested/data/server.sqlite";
    ServerProcess server({"--listen", "127.0.0.1:0", "--db", db, "--game-dir", "Rinkfall", "--min-version",
                          "2", "--notice", notice, "--weak-hashing-for-tests"});
    const int port = server.waitForPort();
    ASSERT_GT(port, 0);
    EXPECT_EQ(fields(port, "Login.php?Rkf=1&Version=1"),
              (std::vector<std::string>{"-2", "お知らせ1", "二行目", " ", "四", "五", "127.0.0.1"}));
    EXPECT_EQ(fields(port, "Login.php?Rkf=1&Version=2").at(0), "1");
    EXPECT_TRUE(std::filesystem::exists(db)) << "the database folder was created";

    ServerProcess second({"--listen", "127.0.0.1:" + std::to_string(port), "--db", dir.path() + "/b.sqlite"});
    EXPECT_EQ(second.wait(), 1) << "the port is taken";

    std::vector<int> held;
    for (int i = 0; i < 24; ++i) {
        held.push_back(openConnection(port, "127.0.0." + std::to_string(2 + i % 4)));
        ASSERT_GE(held.back(), 0);
        sendAll(held.back(), i % 2 ? "GET /PHP/Rinkfall/Lobby.php?Rkf=1 HTTP/1.1\r\nX: " : "GE");
    }
    EXPECT_EQ(fields(port, "Lobby.php?Rkf=1").at(0), "1");
    const auto begin = std::chrono::steady_clock::now();
    server.signal(SIGTERM);
    EXPECT_EQ(server.wait(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5));
    for (int fd : held)
        close(fd);
}

TEST(ServerProgram, EveryAnsweredWriteOutlivesAnInterrupt)
{
    TempDir dir;
    const std::string db = dir.path() + "/server.sqlite";
    std::vector<std::string> confirmed;
    {
        ServerProcess server(
            {"--listen", "127.0.0.1:0", "--db", db, "--weak-hashing-for-tests", "--chat-limit", "1000000"});
        const int port = server.waitForPort();
        ASSERT_GT(port, 0);
        ASSERT_EQ(fields(port, "Regist.php?Rkf=1&NAME=ann&PASS=pw&LENG=3&IP=x").at(0), "1");
        const std::string session = "&Sid=" + fields(port, "Access.php?Rkf=1&NAME=ann&PASS=pw").at(3);
        std::atomic<bool> stop{false};
        std::mutex guard;
        std::vector<std::thread> writers;
        for (int t = 0; t < 4; ++t) {
            writers.emplace_back([&, t] {
                for (int i = 0; !stop; ++i) {
                    const std::string words = "w" + std::to_string(t) + "x" + std::to_string(i);
                    if (fields(port, "Say.php?Rkf=1&Speaker=ann&Words=" + words + "&Belong=0" + session).at(0)
                        == "1") {
                        std::lock_guard lock(guard);
                        confirmed.push_back(words);
                    }
                }
            });
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        server.signal(SIGINT);
        EXPECT_EQ(server.wait(), 0);
        stop = true;
        for (auto &writer : writers)
            writer.join();
    }
    ASSERT_FALSE(confirmed.empty());

    ServerProcess again({"--listen", "127.0.0.1:0", "--db", db, "--weak-hashing-for-tests"});
    const int port = again.waitForPort();
    ASSERT_GT(port, 0);
    EXPECT_EQ(fields(port, "Access.php?Rkf=1&NAME=ann&PASS=pw").at(0), "1");
    // The lobby shows the newest 30 lines: they must be ones that were confirmed.
    const auto lobby = fields(port, "Lobby.php?Rkf=1");
    const std::size_t m = std::stoul(lobby.at(3));
    EXPECT_EQ(m, std::min<std::size_t>(confirmed.size(), 30));
    for (std::size_t j = 0; j < m; ++j)
        EXPECT_NE(std::find(confirmed.begin(), confirmed.end(), lobby.at(6 + 3 * j)), confirmed.end()) << j;
    // Each writer's last confirmed line is stored (the database keeps the latest 1000 lines, so
    // early ones may be gone). Which writer's line is the newest overall cannot be told from the
    // writers' side: a writer may take its reply later than another writer's newer line.
    std::vector<std::string> stored = sqlCells(db, "SELECT words FROM chat");
    std::sort(stored.begin(), stored.end());
    std::map<std::string, std::string> lastOfWriter;
    for (const std::string &words : confirmed)
        lastOfWriter[words.substr(0, words.find('x'))] = words;
    for (const auto &[writer, words] : lastOfWriter)
        EXPECT_TRUE(std::binary_search(stored.begin(), stored.end(), words)) << words << " was lost";
    again.signal(SIGTERM);
    EXPECT_EQ(again.wait(), 0);
}
