// The HTTP side under hostile or careless clients: slow and huge heads, bodies on GET and
// pipelining.

#include "tests/server/service_fixture.h"

#include <sys/socket.h>
#include <unistd.h>

#include <fstream>

using namespace servertest;

namespace {

long residentKilobytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

} // namespace

class ServiceConnections : public ServiceTest {
protected:
    void SetUp() override
    {
        hostSettings_.requestDeadline = std::chrono::milliseconds(1500);
        start();
    }
};

TEST_F(ServiceConnections, SlowOrOversizedHeadsAreCutWithoutBeingKept)
{
    // One more byte ten times a second keeps the idle timeout away: the deadline must end the request.
    const int slow = openConnection(port());
    int trickled = 0;
    for (bool open = sendAll(slow, "GET /PHP/Rinkfall/Lob"); open && trickled < 50; ++trickled) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        open = sendAll(slow, "b");
    }
    EXPECT_LT(trickled, 30) << "the slow request outlived its deadline of 1.5 s";
    struct Case {
        const char *name;
        std::string start;
        std::string filler;
        int status;
    };
    for (const Case &c : {Case{"long request line", "GET /PHP/Rinkfall/Lobby.php?Rkf=1&x=", "x", 414},
                          Case{"many headers", "GET /PHP/Rinkfall/Lobby.php?Rkf=1 HTTP/1.1\r\n",
                               "X-Filler: 0123456789abcdef0123456789abcdef\r\n", 431}}) {
        const long before = residentKilobytes();
        const int fd = openConnection(port());
        std::string chunk;
        while (chunk.size() < 64 * 1024)
            chunk += c.filler;
        std::size_t sent = 0;
        // Up to 64 MB offered; the service must answer and close long before.
        for (bool open = sendAll(fd, c.start); open && sent < (64u << 20); sent += chunk.size())
            open = sendAll(fd, chunk);
        shutdown(fd, SHUT_WR);
        const std::string reply = readUntilClosed(fd, std::chrono::seconds(2));
        close(fd);
        EXPECT_LT(sent, 8u << 20) << c.name << ": the service kept reading";
        EXPECT_TRUE(reply.starts_with("HTTP/1.1 " + std::to_string(c.status)))
            << c.name << ": " << reply.substr(0, 40);
        EXPECT_LT(residentKilobytes() - before, 16 * 1024) << c.name;
    }
    EXPECT_EQ(call("Lobby", "").at(0), "1");
}

// A host asked to stop before its loop starts ends at once and leaves nothing listening, as a host
// that has served does.
TEST_F(ServiceConnections, AStopBeforeTheLoopStartsEndsItAndNothingListens)
{
    stop();
    server::GameStore store(dbPath());
    server::GameService service(store, serviceSettings_);
    server::ServiceHost host(service, server::HostSettings{}, log_);
    ASSERT_TRUE(host.bind("127.0.0.1", 0));
    host.stop();
    EXPECT_TRUE(host.run());
    EXPECT_LT(openConnection(host.port()), 0) << "nothing listens after a stop";
}

TEST_F(ServiceConnections, AGetBodyIsNeverRunAsARequestAndPipelinedRequestsAnswerInOrder)
{
    const auto exchange = [this](const std::string &bytes) {
        const int fd = openConnection(port());
        EXPECT_TRUE(sendAll(fd, bytes));
        std::string replies = readUntilClosed(fd, std::chrono::seconds(3));
        close(fd);
        return replies;
    };
    const std::string hidden
        = "GET /PHP/Rinkfall/Say.php?Rkf=1&Speaker=a&Words=smuggled HTTP/1.1\r\nHost: x\r\n\r\n";
    for (const std::string &framing : {"Content-Length: " + std::to_string(hidden.size()) + "\r\n",
                                       std::string("Transfer-Encoding: chunked\r\n"),
                                       std::string("Content-Length: 5\r\nTransfer-Encoding: chunked\r\n")}) {
        const std::string replies = exchange("GET /PHP/Rinkfall/Lobby.php?Rkf=1 HTTP/1.1\r\nHost: x\r\n"
                                             + framing + "\r\n" + hidden);
        EXPECT_TRUE(replies.starts_with("HTTP/1.1 400")) << framing;
        EXPECT_EQ(replies.find("HTTP/1.1", 1), std::string::npos) << framing << replies;
    }
    EXPECT_EQ(call("Lobby", ""), (std::vector<std::string>{"1", "-", "0", "0"})) << "nothing was said";

    signUp("a");
    std::string batch;
    for (const std::string words : {"first", "second"})
        batch += "GET /PHP/Rinkfall/Say.php?Rkf=1&Speaker=a&Words=" + words + sid("a")
                 + " HTTP/1.1\r\nHost: x\r\n\r\n";
    const std::string replies = exchange(
        batch + "GET /PHP/Rinkfall/Lobby.php?Rkf=1 HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    const std::size_t second = replies.find("HTTP/1.1 200", 1);
    const std::size_t third = replies.find("HTTP/1.1 200", second + 1);
    ASSERT_NE(third, std::string::npos) << replies;
    EXPECT_NE(replies.find("second", third), std::string::npos) << "the lobby came last and saw both lines";
    EXPECT_LT(replies.find("second", third), replies.find("first", third)) << "newest first";
}
