#pragma once

#include <QUrl>

#include <atomic>
#include <chrono>
#include <deque>
#include <map>
#include <optional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

// One scripted answer of the test service.
struct ScriptedReply {
    std::string body;
    int status = 200;
    std::string contentType = "text/html; charset=UTF-8";
    std::chrono::milliseconds delay{0};
    bool chunked = false; // sent without a Content-Length
};

// A real HTTP server on 127.0.0.1 in its own thread. It answers each script (the last path
// segment, e.g. "Login.php") from a queue of replies, repeating the last one until another is
// scripted, and records every request target exactly as it came over the wire.
class ScriptServer {
public:
    ScriptServer();
    ~ScriptServer();

    QUrl url() const;
    void script(const std::string& name, const ScriptedReply& reply);
    void script(const std::string& name, const std::string& body) { script(name, ScriptedReply{body}); }

    std::vector<std::string> targets() const;
    // Decoded value of a query parameter of the last request, as the service's parser sees it.
    std::string lastParameter(const std::string& name) const;
    void clearTargets();

private:
    void serve();
    void answer(int connection);
    ScriptedReply replyFor(const std::string& target);

    int listener_ = -1;
    std::thread thread_;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::map<std::string, std::deque<ScriptedReply>> replies_;
    std::map<std::string, bool> repeating_;
    std::vector<std::string> targets_;
    std::string lastQuery_;
};

// A port on 127.0.0.1 where nothing listens.
int closedPort();

} // namespace testing_support
