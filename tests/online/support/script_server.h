#pragma once

#include <QTcpServer>
#include <QUrl>

#include <chrono>
#include <deque>
#include <map>
#include <string>
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

// A real HTTP server on 127.0.0.1, served by the event loop the client waits in. It answers each
// script (the last path segment, e.g. "Login.php") from a queue of replies, repeating the last one
// until another is scripted, and records every request target exactly as it came over the wire.
class ScriptServer {
public:
    ScriptServer();

    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort())); }
    void script(const std::string& name, const ScriptedReply& reply);
    void script(const std::string& name, const std::string& body) { script(name, ScriptedReply{body}); }

    std::vector<std::string> targets() const { return targets_; }

private:
    void answer(QTcpSocket* connection, const std::string& target);

    QTcpServer server_;
    std::map<std::string, std::deque<ScriptedReply>> replies_;
    std::map<std::string, bool> repeating_;
    std::vector<std::string> targets_;
};

// Decoded value of a query parameter of a request target, as the service's parser sees it.
std::string parameter(const std::string& target, const std::string& name);

// A port on 127.0.0.1 where nothing listens.
int closedPort();

} // namespace testing_support
