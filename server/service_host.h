#pragma once

#include "server/game_service.h"
#include "server/service_log.h"
#include "server/service_metrics.h"

#include <chrono>
#include <memory>
#include <string>

namespace server {

// How the HTTP side protects itself. The defaults are the program's; tests shorten the times.
struct HostSettings {
    std::string gameDir = "Rinkfall";
    // A request must arrive whole within this long of its connection becoming ready for it.
    std::chrono::milliseconds requestDeadline{10'000};
    // A connection with no traffic at all for this long is closed (whole seconds).
    unsigned idleTimeoutSeconds = 5;
    unsigned maxConnectionsPerAddress = 32;
    unsigned maxConnections = 1000;
    // Request line and headers together; beyond it the answer is 414 or 431.
    std::size_t maxRequestHeadBytes = 8 * 1024;
    // Event threads: each serves many connections, so slow ones hold no thread.
    unsigned eventThreads = 2;
    // Password hashing (Access.php, Regist.php) runs on its own threads with a short queue;
    // a request that finds the queue full gets a "busy" reply.
    unsigned hashingThreads = 1;
    std::size_t hashingQueue = 8;
    // Requests still being answered at shutdown get this long.
    std::chrono::milliseconds shutdownGrace{2'000};
    // PEM text; both set means HTTPS.
    std::string tlsCertificate;
    std::string tlsKey;
};

// Serves the game service over HTTP/1.1 (or HTTPS): GET /PHP/<GameDir>/<Script>.php for the
// nine scripts, GET /metrics, 404 for everything else.
class ServiceHost {
public:
    ServiceHost(GameService &service, HostSettings settings, ServiceLog &log);
    ~ServiceHost();
    ServiceHost(const ServiceHost &) = delete;
    ServiceHost &operator=(const ServiceHost &) = delete;

    // Binds the listening socket; port 0 picks a free one. False when the address is in use or
    // cannot be bound.
    bool bind(const std::string &host, int port);
    int port() const;
    // Serves until stop(); requests being answered get the shutdown grace to finish. False when
    // the service could not start.
    bool run();
    // Safe from any thread, also before run() has started.
    void stop();
    bool isRunning() const;

    ServiceMetrics &metrics();

    // Declared here so the HTTP library's callbacks can reach it; defined in the source file.
    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace server
