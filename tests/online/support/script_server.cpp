#include "script_server.h"

#include <QTcpServer>
#include <QUrlQuery>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace testing_support {

namespace {

void sendAll(int connection, const std::string& data)
{
    size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(connection, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return; // the client gave up, e.g. after refusing an oversized body
        sent += size_t(n);
    }
}

std::string readRequestHead(int connection)
{
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
        const ssize_t n = ::recv(connection, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        head.append(buffer, size_t(n));
    }
    return head;
}

std::string statusLine(int status)
{
    const char* reason = status == 200 ? "OK" : status == 404 ? "Not Found" : "Status";
    return "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\n";
}

} // namespace

ScriptServer::ScriptServer()
{
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    const int reuse = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener_, 16) != 0)
        throw std::runtime_error("test service cannot listen");
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

ScriptServer::~ScriptServer()
{
    stopping_ = true;
    thread_.join();
    ::close(listener_);
}

void ScriptServer::serve()
{
    while (!stopping_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, 20) <= 0)
            continue;
        const int connection = ::accept(listener_, nullptr, nullptr);
        if (connection < 0)
            continue;
        answer(connection);
        ::close(connection);
    }
}

ScriptedReply ScriptServer::replyFor(const std::string& target)
{
    std::lock_guard lock(mutex_);
    targets_.push_back(target);
    const size_t question = target.find('?');
    const std::string path = target.substr(0, question);
    lastQuery_ = question == std::string::npos ? std::string() : target.substr(question + 1);
    const std::string name = path.substr(path.rfind('/') + 1);
    auto found = replies_.find(name);
    if (found == replies_.end() || found->second.empty())
        return ScriptedReply{"no such script", 404};
    ScriptedReply reply = found->second.front();
    if (found->second.size() > 1)
        found->second.pop_front();
    else
        repeating_[name] = true;
    return reply;
}

void ScriptServer::answer(int connection)
{
    const std::string head = readRequestHead(connection);
    const size_t firstSpace = head.find(' ');
    const size_t secondSpace = head.find(' ', firstSpace + 1);
    if (firstSpace == std::string::npos || secondSpace == std::string::npos)
        return;
    const ScriptedReply reply = replyFor(head.substr(firstSpace + 1, secondSpace - firstSpace - 1));

    for (auto waited = std::chrono::milliseconds(0); waited < reply.delay && !stopping_;
         waited += std::chrono::milliseconds(10))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (stopping_)
        return;

    std::string response = statusLine(reply.status) + "Content-Type: " + reply.contentType + "\r\nConnection: close\r\n";
    if (reply.chunked) {
        sendAll(connection, response + "Transfer-Encoding: chunked\r\n\r\n");
        constexpr size_t Piece = 64 * 1024;
        for (size_t offset = 0; offset < reply.body.size(); offset += Piece) {
            const std::string piece = reply.body.substr(offset, Piece);
            char size[32];
            std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
            sendAll(connection, size + piece + "\r\n");
        }
        sendAll(connection, "0\r\n\r\n");
    } else {
        sendAll(connection, response + "Content-Length: " + std::to_string(reply.body.size()) + "\r\n\r\n" + reply.body);
    }
}

QUrl ScriptServer::url() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port_));
}

void ScriptServer::script(const std::string& name, const ScriptedReply& reply)
{
    std::lock_guard lock(mutex_);
    auto& queue = replies_[name];
    // A reply already served and kept only for repeating gives way to the new script.
    if (repeating_[name] && queue.size() == 1)
        queue.clear();
    repeating_[name] = false;
    queue.push_back(reply);
}

std::vector<std::string> ScriptServer::targets() const
{
    std::lock_guard lock(mutex_);
    return targets_;
}

std::string ScriptServer::lastParameter(const std::string& name) const
{
    std::lock_guard lock(mutex_);
    const QUrlQuery query(QString::fromUtf8(lastQuery_));
    const QString key = QString::fromStdString(name);
    if (!query.hasQueryItem(key))
        return "<absent>";
    return query.queryItemValue(key, QUrl::FullyDecoded).toStdString();
}

void ScriptServer::clearTargets()
{
    std::lock_guard lock(mutex_);
    targets_.clear();
}

int closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const int port = probe.serverPort();
    probe.close();
    return port;
}

} // namespace testing_support
