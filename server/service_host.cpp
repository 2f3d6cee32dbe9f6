#include "server/service_host.h"

#include "server/service_messages.h"
#include "server/text_rules.h"
#include "server/work_queue.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

#include <atomic>
#include <condition_variable>
#include <cstdarg>
#include <cstring>
#include <mutex>
#include <thread>
#include <unordered_set>

namespace server {

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr const char *kContentType = "text/plain; charset=UTF-8";
constexpr const char *kMetricsContentType = "text/plain; version=0.0.4; charset=UTF-8";
constexpr int kListenBacklog = 511;
constexpr std::size_t kLoggedPathChars = 64;

bool needsHashing(Script script)
{
    return script == Script::Access || script == Script::Regist;
}

const char *scriptName(Script script)
{
    switch (script) {
    case Script::Login: return "Login";
    case Script::Access: return "Access";
    case Script::Regist: return "Regist";
    case Script::Say: return "Say";
    case Script::Lobby: return "Lobby";
    case Script::Join: return "Join";
    case Script::MakeGame: return "MakeGame";
    case Script::DelGame: return "DelGame";
    case Script::DelJoin: return "DelJoin";
    }
    return "other";
}

std::string addressText(const sockaddr *address)
{
    char text[INET6_ADDRSTRLEN] = "";
    if (!address)
        return "-";
    if (address->sa_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in *>(address)->sin_addr, text,
                  sizeof text);
    } else if (address->sa_family == AF_INET6) {
        const in6_addr &v6 = reinterpret_cast<const sockaddr_in6 *>(address)->sin6_addr;
        if (IN6_IS_ADDR_V4MAPPED(&v6))
            inet_ntop(AF_INET, &v6.s6_addr[12], text, sizeof text);
        else
            inet_ntop(AF_INET6, &v6, text, sizeof text);
    }
    return text;
}

// A path as the access log shows it: short, and with nothing that could break the line.
std::string loggablePath(std::string_view path)
{
    std::string shown(path.substr(0, kLoggedPathChars));
    for (char &c : shown) {
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f)
            c = '?';
    }
    return shown.empty() ? "-" : shown;
}

} // namespace

// One client connection, from accept to close.
struct HostConnection {
    int fd = -1;
    SteadyClock::time_point readySince;
    bool handling = false; // a complete request head is being answered
    bool cut = false;      // its deadline passed and the socket was shut down
};

// One request on a connection, from its request line to the end of its reply.
struct HostExchange {
    std::string target; // as sent: path and raw query
    std::string address;
    std::string logName; // script name or path, for the access log
    std::string code;    // reply status field, or the HTTP status
    SteadyClock::time_point started;
    bool headSeen = false;
    bool answered = false;    // `body` and `status` hold the reply
    bool suspended = false;   // waiting for the hashing queue
    bool closeAfter = false;
    int status = 200;
    std::string body;
    const char *contentType = kContentType;
};

struct ServiceHost::Impl {
    Impl(ServiceHost &owner, GameService &service, HostSettings settings, ServiceLog &log)
        : owner(owner), service(service), settings(std::move(settings)), log(log),
          scriptPrefix("/PHP/" + this->settings.gameDir + "/"),
          hashing(this->settings.hashingThreads, this->settings.hashingQueue)
    {
        metrics.addGauge("rinkfall_hashing_queue_length", "Password hashing jobs waiting.",
                         [this] { return static_cast<double>(hashing.waiting()); });
        metrics.addGauge("rinkfall_sessions", "Login sessions alive.",
                         [this] { return static_cast<double>(this->service.sessionCount()); });
    }

    ServiceHost &owner;
    GameService &service;
    HostSettings settings;
    ServiceLog &log;
    std::string scriptPrefix;
    ServiceMetrics metrics;
    WorkQueue hashing;
    int listenFd = -1;
    int port = 0;
    std::atomic<bool> running{false};
    // Set once shutting down: connections still arriving are closed as soon as they are accepted.
    std::atomic<bool> refusingConnections{false};

    std::mutex mutex;
    std::condition_variable changed;
    bool stopRequested = false;
    std::unordered_set<HostConnection *> connections;
    int requestsInProgress = 0;

    bool start(MHD_Daemon *&daemon);
    MHD_Result handle(MHD_Connection *connection, HostExchange &exchange, const char *method,
                      std::size_t *uploadSize);
    void answer(MHD_Connection *connection, HostExchange &exchange);
    void answerWithService(HostExchange &exchange, Script script, std::string_view query);
    MHD_Result sendReply(MHD_Connection *connection, HostExchange &exchange);
    void requestDone(MHD_Connection *connection, HostExchange *exchange);
    void enforceDeadlines();
    void waitForRequestsInProgress(SteadyClock::time_point until);
};

namespace {

// An answer of the HTTP layer itself: the status is also the body and the logged code.
void answerWithStatus(HostExchange &exchange, int status, std::string logName)
{
    exchange.status = status;
    exchange.code = std::to_string(status);
    exchange.body = exchange.code + "\n";
    exchange.logName = std::move(logName);
    exchange.answered = true;
}

ServiceHost::Impl &implOf(void *cls)
{
    return *static_cast<ServiceHost::Impl *>(cls);
}

HostConnection *connectionOf(MHD_Connection *connection)
{
    const MHD_ConnectionInfo *info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    return info ? static_cast<HostConnection *>(info->socket_context) : nullptr;
}

void *onRequestLine(void *, const char *uri, MHD_Connection *)
{
    auto *exchange = new HostExchange;
    exchange->target = uri ? uri : "";
    return exchange;
}

MHD_Result onRequest(void *cls, MHD_Connection *connection, const char *url, const char *method,
                     const char *, const char *, std::size_t *uploadSize, void **context)
{
    if (!*context)
        *context = onRequestLine(nullptr, url, connection);
    return implOf(cls).handle(connection, *static_cast<HostExchange *>(*context), method,
                              uploadSize);
}

void onRequestDone(void *cls, MHD_Connection *connection, void **context,
                   MHD_RequestTerminationCode)
{
    implOf(cls).requestDone(connection, static_cast<HostExchange *>(*context));
    *context = nullptr;
}

MHD_Result onAccept(void *cls, const sockaddr *, socklen_t)
{
    return implOf(cls).refusingConnections ? MHD_NO : MHD_YES;
}

void onConnection(void *cls, MHD_Connection *connection, void **socketContext,
                  MHD_ConnectionNotificationCode event)
{
    ServiceHost::Impl &impl = implOf(cls);
    if (event == MHD_CONNECTION_NOTIFY_STARTED) {
        auto *entry = new HostConnection;
        const MHD_ConnectionInfo *info =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
        entry->fd = info ? info->connect_fd : -1;
        entry->readySince = SteadyClock::now();
        *socketContext = entry;
        impl.metrics.connectionOpened();
        std::lock_guard lock(impl.mutex);
        impl.connections.insert(entry);
        return;
    }
    auto *entry = static_cast<HostConnection *>(*socketContext);
    if (!entry)
        return;
    {
        // Taken before the library closes the socket, so the deadline watcher never shuts down
        // a descriptor number that has been given to someone else.
        std::lock_guard lock(impl.mutex);
        impl.connections.erase(entry);
    }
    impl.metrics.connectionClosed();
    delete entry;
    *socketContext = nullptr;
}

void onLibraryMessage(void *cls, const char *format, va_list args)
{
    ServiceHost::Impl &impl = implOf(cls);
    if (!impl.log.enabled(LogLevel::Debug))
        return;
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    std::string line = text;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    impl.log.write(LogLevel::Debug, "http: " + line);
}

} // namespace

MHD_Result ServiceHost::Impl::handle(MHD_Connection *connection, HostExchange &exchange,
                                     const char *method, std::size_t *uploadSize)
{
    if (!exchange.headSeen) {
        exchange.headSeen = true;
        exchange.started = SteadyClock::now();
        const MHD_ConnectionInfo *info =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
        exchange.address = addressText(info ? info->client_addr : nullptr);
        bool stopping = false;
        {
            // Checked with the count under one lock: a request is either counted, and waited
            // for at shutdown, or refused here without being run.
            std::lock_guard lock(mutex);
            stopping = stopRequested;
            ++requestsInProgress;
            if (HostConnection *entry = connectionOf(connection))
                entry->handling = true;
        }
        if (stopping) {
            answerWithStatus(exchange, 503, "shutdown");
            exchange.closeAfter = true;
            return sendReply(connection, exchange);
        }
        // Every script takes its values from the query. A body on a GET is refused before it is
        // read, and the connection closes after the answer, so no bytes of it can ever be taken
        // for a request of their own.
        const char *length =
            MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
        const bool hasBody = (length && std::strcmp(length, "0") != 0)
                             || MHD_lookup_connection_value(connection, MHD_HEADER_KIND,
                                                            MHD_HTTP_HEADER_TRANSFER_ENCODING);
        if (std::strcmp(method, MHD_HTTP_METHOD_GET) != 0 || hasBody) {
            const std::string_view target = exchange.target;
            answerWithStatus(exchange, std::strcmp(method, MHD_HTTP_METHOD_GET) != 0 ? 404 : 400,
                             loggablePath(target.substr(0, target.find('?'))));
            return sendReply(connection, exchange);
        }
        return MHD_YES;
    }
    if (*uploadSize != 0) {
        *uploadSize = 0;
        return MHD_YES;
    }
    if (!exchange.answered && !exchange.suspended)
        answer(connection, exchange);
    if (!exchange.answered)
        return MHD_YES; // suspended until the hashing queue has answered
    return sendReply(connection, exchange);
}

void ServiceHost::Impl::answer(MHD_Connection *connection, HostExchange &exchange)
{
    const std::size_t mark = exchange.target.find('?');
    const std::string_view path = std::string_view(exchange.target).substr(0, mark);
    const std::string_view query = mark == std::string::npos
                                       ? std::string_view()
                                       : std::string_view(exchange.target).substr(mark + 1);
    if (path == "/metrics") {
        exchange.logName = "metrics";
        exchange.body = metrics.render();
        exchange.contentType = kMetricsContentType;
        exchange.code = "200";
        exchange.answered = true;
        return;
    }
    std::optional<Script> script;
    if (path.size() > scriptPrefix.size() && path.starts_with(scriptPrefix))
        script = scriptFromFileName(path.substr(scriptPrefix.size()));
    if (!script) {
        answerWithStatus(exchange, 404, loggablePath(path));
        return;
    }
    exchange.logName = scriptName(*script);
    if (!needsHashing(*script)) {
        answerWithService(exchange, *script, query);
        return;
    }
    // Hashing takes tens of milliseconds and much memory: it waits in its own short queue, and
    // this connection waits without holding an event thread.
    exchange.suspended = true;
    MHD_suspend_connection(connection);
    const bool queued = hashing.tryPost([this, connection, &exchange, script = *script,
                                         query = std::string(query)](bool run) {
        if (run) {
            answerWithService(exchange, script, query);
        } else {
            exchange.body = joinReply(makeReply(ReplyCode::Refused, {messages::kBusy}));
            exchange.code = "-1";
            exchange.answered = true;
        }
        MHD_resume_connection(connection);
    });
    if (!queued) {
        exchange.body = joinReply(makeReply(ReplyCode::Refused, {messages::kBusy}));
        exchange.code = "-1";
        exchange.answered = true;
        MHD_resume_connection(connection);
    }
}

void ServiceHost::Impl::answerWithService(HostExchange &exchange, Script script, std::string_view query)
{
    Reply reply;
    try {
        reply = service.handle(script, query, exchange.address);
    } catch (const std::exception &error) {
        log.write(LogLevel::Error, std::string("request failed: ") + error.what());
        reply = makeReply(ReplyCode::DatabaseError, {messages::kDatabase});
    }
    exchange.code = reply.empty() ? "-" : reply.front();
    exchange.body = joinReply(reply);
    exchange.answered = true;
}

MHD_Result ServiceHost::Impl::sendReply(MHD_Connection *connection, HostExchange &exchange)
{
    // Counted when the reply is handed over, so the next request of the same client already
    // sees this one in the log and the metrics.
    const double seconds =
        std::chrono::duration<double>(SteadyClock::now() - exchange.started).count();
    metrics.countRequest(exchange.logName, exchange.code, seconds);
    if (log.enabled(LogLevel::Info)) {
        char duration[32];
        std::snprintf(duration, sizeof duration, "%.1fms", seconds * 1000);
        log.write(LogLevel::Info, "access " + exchange.address + " " + exchange.logName + " "
                                      + std::to_string(exchange.status) + " " + exchange.code
                                      + " " + duration);
    }
    MHD_Response *response = MHD_create_response_from_buffer(
        exchange.body.size(), exchange.body.data(), MHD_RESPMEM_MUST_COPY);
    if (!response)
        return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, exchange.contentType);
    if (exchange.closeAfter)
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONNECTION, "close");
    const MHD_Result queued =
        MHD_queue_response(connection, static_cast<unsigned>(exchange.status), response);
    MHD_destroy_response(response);
    return queued;
}

void ServiceHost::Impl::requestDone(MHD_Connection *connection, HostExchange *exchange)
{
    {
        std::lock_guard lock(mutex);
        if (HostConnection *entry = connectionOf(connection)) {
            entry->handling = false;
            entry->readySince = SteadyClock::now();
        }
        if (exchange && exchange->headSeen)
            --requestsInProgress;
    }
    changed.notify_all();
    delete exchange;
}

void ServiceHost::Impl::enforceDeadlines()
{
    const auto now = SteadyClock::now();
    std::lock_guard lock(mutex);
    for (HostConnection *entry : connections) {
        if (entry->handling || entry->cut || now - entry->readySince < settings.requestDeadline)
            continue;
        // The library notices the shut-down socket at once and closes the connection itself.
        entry->cut = true;
        if (entry->fd >= 0)
            ::shutdown(entry->fd, SHUT_RDWR);
    }
}

void ServiceHost::Impl::waitForRequestsInProgress(SteadyClock::time_point until)
{
    std::unique_lock lock(mutex);
    changed.wait_until(lock, until, [this] { return requestsInProgress == 0; });
}

bool ServiceHost::Impl::start(MHD_Daemon *&daemon)
{
    unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_ALLOW_SUSPEND_RESUME
                     | MHD_USE_ERROR_LOG;
    const bool tls = !settings.tlsCertificate.empty() && !settings.tlsKey.empty();
    if (tls)
        flags |= MHD_USE_TLS;
    // The library's pool for one connection holds the request head and the reply's head; the
    // head may use a little more than half of it.
    const std::size_t connectionMemory = settings.maxRequestHeadBytes * 2;
    std::vector<MHD_OptionItem> options{
        {MHD_OPTION_LISTEN_SOCKET, listenFd, nullptr},
        {MHD_OPTION_THREAD_POOL_SIZE, static_cast<intptr_t>(settings.eventThreads), nullptr},
        {MHD_OPTION_CONNECTION_TIMEOUT, static_cast<intptr_t>(settings.idleTimeoutSeconds), nullptr},
        {MHD_OPTION_PER_IP_CONNECTION_LIMIT,
         static_cast<intptr_t>(settings.maxConnectionsPerAddress), nullptr},
        {MHD_OPTION_CONNECTION_LIMIT, static_cast<intptr_t>(settings.maxConnections), nullptr},
        {MHD_OPTION_CONNECTION_MEMORY_LIMIT, static_cast<intptr_t>(connectionMemory), nullptr},
        {MHD_OPTION_URI_LOG_CALLBACK, reinterpret_cast<intptr_t>(&onRequestLine), this},
        {MHD_OPTION_NOTIFY_COMPLETED, reinterpret_cast<intptr_t>(&onRequestDone), this},
        {MHD_OPTION_NOTIFY_CONNECTION, reinterpret_cast<intptr_t>(&onConnection), this},
        {MHD_OPTION_EXTERNAL_LOGGER, reinterpret_cast<intptr_t>(&onLibraryMessage), this},
    };
    if (tls) {
        options.push_back({MHD_OPTION_HTTPS_MEM_CERT, 0,
                           const_cast<char *>(settings.tlsCertificate.c_str())});
        options.push_back({MHD_OPTION_HTTPS_MEM_KEY, 0, const_cast<char *>(settings.tlsKey.c_str())});
    }
    options.push_back({MHD_OPTION_END, 0, nullptr});
    daemon = MHD_start_daemon(flags, 0, &onAccept, this, &onRequest, this, MHD_OPTION_ARRAY,
                              options.data(), MHD_OPTION_END);
    return daemon != nullptr;
}

ServiceHost::ServiceHost(GameService &service, HostSettings settings, ServiceLog &log)
    : impl_(std::make_unique<Impl>(*this, service, std::move(settings), log))
{
}

ServiceHost::~ServiceHost()
{
    stop();
    impl_->hashing.shutdown();
    if (impl_->listenFd >= 0)
        ::close(impl_->listenFd);
}

bool ServiceHost::bind(const std::string &host, int port)
{
    sockaddr_storage address{};
    socklen_t length = 0;
    auto *v4 = reinterpret_cast<sockaddr_in *>(&address);
    auto *v6 = reinterpret_cast<sockaddr_in6 *>(&address);
    if (inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<uint16_t>(port));
        length = sizeof *v4;
    } else if (inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<uint16_t>(port));
        length = sizeof *v6;
    } else if (host == "localhost") {
        return bind("127.0.0.1", port);
    } else {
        return false;
    }
    const int fd = ::socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    // Not SO_REUSEPORT: a second service must not be able to bind the same port beside this one.
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (address.ss_family == AF_INET6)
        setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), length) != 0
        || ::listen(fd, kListenBacklog) != 0) {
        ::close(fd);
        return false;
    }
    length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
    impl_->port = ntohs(address.ss_family == AF_INET ? v4->sin_port : v6->sin6_port);
    impl_->listenFd = fd;
    return true;
}

int ServiceHost::port() const
{
    return impl_->port;
}

bool ServiceHost::run()
{
    Impl &impl = *impl_;
    {
        std::lock_guard lock(impl.mutex);
        if (impl.stopRequested) { // before serving: from now on nothing listens, as after serving
            if (impl.listenFd >= 0)
                ::close(std::exchange(impl.listenFd, -1));
            return true;
        }
    }
    MHD_Daemon *daemon = nullptr;
    if (impl.listenFd < 0 || !impl.start(daemon)) {
        impl.log.write(LogLevel::Error, "the HTTP service could not start");
        return false;
    }
    impl.running = true;
    const auto checkEvery = std::max(std::chrono::milliseconds(10), impl.settings.requestDeadline / 10);
    {
        std::unique_lock lock(impl.mutex);
        while (!impl.stopRequested) {
            lock.unlock();
            impl.enforceDeadlines();
            lock.lock();
            impl.changed.wait_for(lock, checkEvery, [&impl] { return impl.stopRequested; });
        }
    }
    // No new connections; the requests being answered get the grace to finish, then waiting
    // hashing jobs are answered "busy" and everything left is closed, whatever the clients do.
    // New connections are refused by the accept check rather than by the library's quiesce call:
    // with epoll event threads, quiesce races with the threads over removing the listening socket
    // from their epoll sets and aborts the process when it loses.
    impl.refusingConnections = true;
    impl.waitForRequestsInProgress(SteadyClock::now() + impl.settings.shutdownGrace);
    impl.hashing.shutdown();
    MHD_stop_daemon(daemon);
    impl.listenFd = -1; // the library closed it
    impl.running = false;
    return true;
}

void ServiceHost::stop()
{
    {
        std::lock_guard lock(impl_->mutex);
        impl_->stopRequested = true;
    }
    impl_->changed.notify_all();
}

bool ServiceHost::isRunning() const
{
    return impl_->running;
}

ServiceMetrics &ServiceHost::metrics()
{
    return impl_->metrics;
}

} // namespace server
