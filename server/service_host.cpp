#include "server/service_host.h"

#include "server/service_messages.h"

#include <httplib.h>
#include <sys/socket.h>

namespace server {

namespace {

constexpr const char *kContentType = "text/plain; charset=UTF-8";
// The scripts take everything from the query; a body is never needed.
constexpr std::size_t kMaxPayloadBytes = 1024;
constexpr time_t kReadTimeoutSeconds = 5;
constexpr std::size_t kKeepAliveRequests = 100;
// An idle keep-alive connection holds a worker, so idle ones are let go soon and there are more
// workers than the library's default of eight: a few players' idle connections must not make the
// next player's request wait.
constexpr time_t kKeepAliveSeconds = 2;
constexpr std::size_t kWorkers = 16;

} // namespace

ServiceHost::ServiceHost(GameService &service, std::string gameDir)
    : service_(service), scriptPrefix_("/PHP/" + gameDir + "/"),
      http_(std::make_unique<httplib::Server>())
{
    http_->set_payload_max_length(kMaxPayloadBytes);
    http_->set_read_timeout(kReadTimeoutSeconds, 0);
    http_->set_keep_alive_max_count(kKeepAliveRequests);
    http_->set_keep_alive_timeout(kKeepAliveSeconds);
    http_->new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
    http_->set_tcp_nodelay(true);
    // The library's default also sets SO_REUSEPORT, which would let a second service bind the
    // same port beside this one and take part of its requests.
    http_->set_socket_options([](socket_t sock) {
        const int on = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    });
    http_->Get(".*", [this](const httplib::Request &request, httplib::Response &response) {
        serve(request, response);
    });
    http_->set_error_handler([](const httplib::Request &, httplib::Response &response) {
        response.set_content(std::to_string(response.status) + "\n", kContentType);
    });
    // Whatever escapes the service must still not turn into a dropped connection.
    http_->set_exception_handler(
        [](const httplib::Request &, httplib::Response &response, std::exception_ptr) {
            response.status = 200;
            response.set_content(
                joinReply(makeReply(ReplyCode::DatabaseError, {messages::kDatabase})),
                kContentType);
        });
}

ServiceHost::~ServiceHost()
{
    stop();
}

bool ServiceHost::bind(const std::string &host, int port)
{
    if (port == 0) {
        port_ = http_->bind_to_any_port(host);
        return port_ > 0;
    }
    if (!http_->bind_to_port(host, port))
        return false;
    port_ = port;
    return true;
}

bool ServiceHost::run()
{
    return http_->listen_after_bind();
}

void ServiceHost::stop()
{
    http_->stop();
}

bool ServiceHost::isRunning() const
{
    return http_->is_running();
}

void ServiceHost::serve(const httplib::Request &request, httplib::Response &response)
{
    const std::string &path = request.path;
    std::optional<Script> script;
    if (path.size() > scriptPrefix_.size() && path.starts_with(scriptPrefix_))
        script = scriptFromFileName(std::string_view(path).substr(scriptPrefix_.size()));
    if (!script) {
        response.status = 404;
        return;
    }
    // The query is taken raw from the request line: our own decoding keeps "+" as it is and
    // refuses broken escapes instead of guessing.
    std::string_view query;
    const std::size_t mark = request.target.find('?');
    if (mark != std::string::npos)
        query = std::string_view(request.target).substr(mark + 1);
    const Reply reply = service_.handle(*script, query, request.remote_addr);
    response.set_content(joinReply(reply), kContentType);
}

} // namespace server
