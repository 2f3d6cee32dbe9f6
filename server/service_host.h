#pragma once

#include "server/game_service.h"

#include <memory>
#include <string>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace server {

// Serves the game service over HTTP: GET /PHP/<GameDir>/<Script>.php for the nine scripts,
// 404 for everything else. Requests run on the HTTP library's worker threads.
class ServiceHost {
public:
    ServiceHost(GameService &service, std::string gameDir);
    ~ServiceHost();
    ServiceHost(const ServiceHost &) = delete;
    ServiceHost &operator=(const ServiceHost &) = delete;

    // Binds the listening socket; port 0 picks a free one. False when the address is in use or
    // cannot be bound.
    bool bind(const std::string &host, int port);
    int port() const { return port_; }
    // Serves until stop(); requests already accepted are answered before it returns. The thread
    // that runs it must have returned before this object is destroyed.
    bool run();
    // Safe from any thread, also before run() has started.
    void stop();
    bool isRunning() const;

private:
    void serve(const httplib::Request &request, httplib::Response &response);

    GameService &service_;
    std::string scriptPrefix_;
    std::unique_ptr<httplib::Server> http_;
    int port_ = 0;
};

} // namespace server
