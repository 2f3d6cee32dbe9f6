// The rinkfall-server program itself: options, start-up, signals and its data file.

#include "tests/server/service_fixture.h"

#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <fstream>
#include <array>

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
        int port = 0;
        return std::fscanf(out_, "%*[^/]//127.0.0.1:%d", &port) == 1 ? port : 0;
    }
    void signal(int number) { kill(pid_, number); }
    int wait()
    {
        while (fgetc(out_) != EOF) {
        }
        const int status = pclose(std::exchange(out_, nullptr));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    int pid_ = -1;
    FILE *out_ = nullptr;
};

} // namespace

TEST(ServerProgram, ServesFromItsOptionsAndKeepsEveryAnsweredWriteOverSigterm)
{
    TempDir dir;
    const std::string notice = dir.path + "/notice.txt";
    std::ofstream(notice) << "\xEF\xBB\xBF"
                             "お知らせ1\r\n二行目\n\n四\n五\n六\n";
    const std::string db = dir.path + "/nested/data/server.sqlite";
    ServerProcess server({"--listen", "127.0.0.1:0", "--db", db, "--game-dir", "Rinkfall", "--min-version",
                          "2", "--notice", notice, "--weak-hashing-for-tests", "--chat-limit", "1000000"});
    const int port = server.waitForPort();
    ASSERT_GT(port, 0);
    const auto fields = [port](const std::string &target) {
        const std::string request = "GET /PHP/Rinkfall/" + target + " HTTP/1.1\r\nHost: x\r\n\r\n";
        return server::splitReply(sendRaw(port, request).body);
    };
    EXPECT_EQ(fields("Login.php?Rkf=1&Version=1"),
              (std::vector<std::string>{"-2", "お知らせ1", "二行目", " ", "四", "五", "127.0.0.1"}));
    EXPECT_EQ(fields("Login.php?Rkf=1&Version=2").at(0), "1");

    // Clients hold half-sent requests open while others write; SIGTERM ends the program all the same,
    // and every write it answered is in the database, which it made with its folders.
    std::vector<int> held;
    for (int i = 0; i < 24; ++i) {
        held.push_back(openConnection(port, "127.0.0." + std::to_string(2 + i % 4)));
        sendAll(held.back(), i % 2 ? "GET /PHP/Rinkfall/Lobby.php?Rkf=1 HTTP/1.1\r\nX: " : "GE");
    }
    ASSERT_EQ(fields("Regist.php?Rkf=1&NAME=ann&PASS=pw&LENG=3&IP=x").at(0), "1");
    const std::string session = "&Sid=" + fields("Access.php?Rkf=1&NAME=ann&PASS=pw").at(3);
    std::atomic<bool> stop{false};
    std::array<std::string, 4> lastConfirmed; // each writer's own
    std::vector<std::thread> writers;
    for (std::string &last : lastConfirmed) {
        writers.emplace_back([&, writer = writers.size()] {
            for (int i = 0; !stop; ++i) {
                const std::string words = "w" + std::to_string(writer) + "x" + std::to_string(i);
                if (fields("Say.php?Rkf=1&Speaker=ann&Words=" + words + "&Belong=0" + session).at(0) == "1")
                    last = words;
            }
        });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const auto begin = std::chrono::steady_clock::now();
    server.signal(SIGTERM);
    EXPECT_EQ(server.wait(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5));
    stop = true;
    for (auto &writer : writers)
        writer.join();
    for (int fd : held)
        close(fd);
    // The database keeps the latest 1000 lines, so only each writer's last line is sure to be there.
    const std::vector<std::string> stored = sqlCells(db, "SELECT words FROM chat");
    for (const std::string &words : lastConfirmed)
        EXPECT_NE(std::find(stored.begin(), stored.end(), words), stored.end()) << words << " was lost";

    // With a certificate and its key the program speaks HTTPS, and only that.
    const std::string in = "cd " + dir.path + " && openssl ";
    ASSERT_EQ(std::system((in + "req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2"
                                " -subj /CN=localhost -keyout key.pem -out cert.pem 2>/dev/null")
                              .c_str()),
              0);
    ServerProcess tls({"--listen", "127.0.0.1:0", "--db", db, "--tls-cert", dir.path + "/cert.pem",
                       "--tls-key", dir.path + "/key.pem"});
    const int tlsPort = tls.waitForPort();
    EXPECT_EQ(sendRaw(tlsPort, "GET / HTTP/1.1\r\nHost: x\r\n\r\n").status, 0);
    const std::string client = "s_client -connect 127.0.0.1:" + std::to_string(tlsPort) + " </dev/null";
    EXPECT_EQ(std::system((in + client + " >/dev/null 2>&1").c_str()), 0);

    // Starts that cannot serve end at once: 0 after the usage, 2 for an option it cannot use, 1 for
    // a file it cannot read (notice, certificate, key), a port in use and a certificate that is not one.
    const std::string key = dir.path + "/key.pem", junk = dir.path + "/junk.pem", any = "127.0.0.1:0";
    std::ofstream(junk) << "not a certificate";
    for (const auto &[args, code] : std::vector<std::pair<std::vector<std::string>, int>>{
             {{"--help"}, 0},
             {{"--no-such-option"}, 2},
             {{"--listen", "127.0.0.1:" + std::to_string(tlsPort), "--db", db}, 1},
             {{"--notice", dir.path + "/none.txt"}, 1},
             {{"--listen", any, "--db", db, "--tls-cert", dir.path + "/none.pem", "--tls-key", key}, 1},
             {{"--listen", any, "--db", db, "--tls-cert", dir.path + "/cert.pem", "--tls-key", junk + "x"}, 1},
             {{"--listen", any, "--db", db, "--tls-cert", junk, "--tls-key", junk}, 1}})
        EXPECT_EQ(ServerProcess(args).wait(), code) << args.back();
    tls.signal(SIGTERM);
    EXPECT_EQ(tls.wait(), 0);
}
