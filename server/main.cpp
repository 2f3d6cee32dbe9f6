// rinkfall-server: the reference game service. See server/README.md.

#include "server/game_service.h"
#include "server/game_store.h"
#include "server/server_options.h"
#include "server/service_host.h"
#include "server/service_messages.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <iostream>
#include <thread>

namespace {

using namespace server;

// Signals are taken by one thread with sigtimedwait rather than by a handler, so stopping the
// service runs as ordinary code. Stopping repeats until the service loop has ended, because a
// stop that arrives before the loop has started would otherwise be lost.
class ShutdownWatcher {
public:
    // Blocks the signals; must run before any thread is started (the service starts some as
    // soon as it is made).
    ShutdownWatcher()
    {
        sigemptyset(&signals_);
        sigaddset(&signals_, SIGINT);
        sigaddset(&signals_, SIGTERM);
        // A shell starts background jobs with SIGINT ignored, and an ignored signal is dropped
        // even while blocked; take both back to their defaults so they reach sigtimedwait.
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        // Blocked before any other thread exists, so every later thread inherits the mask.
        pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
    }

    void start(ServiceHost &host)
    {
        host_ = &host;
        thread_ = std::thread([this] { watch(); });
    }

    // Called when the service loop has returned.
    void finish()
    {
        serviceEnded_ = true;
        if (thread_.joinable())
            thread_.join();
    }

    bool signalled() const { return signalled_; }

private:
    void watch()
    {
        const timespec pollInterval{0, 50'000'000};
        while (!serviceEnded_) {
            if (!signalled_ && sigtimedwait(&signals_, nullptr, &pollInterval) > 0)
                signalled_ = true;
            if (signalled_) {
                host_->stop();
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
    }

    ServiceHost *host_ = nullptr;
    sigset_t signals_{};
    std::thread thread_;
    std::atomic<bool> serviceEnded_{false};
    std::atomic<bool> signalled_{false};
};

ServiceSettings settingsFrom(const ServerOptions &options)
{
    ServiceSettings settings;
    settings.minVersion = options.minVersion;
    settings.maxAccountsPerAddressPerDay = options.maxAccountsPerAddressPerDay;
    settings.chatLinesPerWindow = options.chatLinesPer10Seconds;
    settings.chatWindowSeconds = 10;
    settings.registrationsPerAddress = options.registrationsPerAddress;
    settings.sessionIdleSeconds = int64_t{options.sessionIdleMinutes} * 60;
    settings.bindToLoginAddress = options.bindToLoginAddress;
    settings.hashCost =
        options.weakHashingForTests ? HashCost::weakestForTests() : HashCost::interactive();
    for (std::size_t i = 0; i < settings.notice.size(); ++i)
        settings.notice[i] = messages::kDefaultNotice[i];
    return settings;
}

std::optional<std::string> readWholeFile(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

HostSettings hostSettingsFrom(const ServerOptions &options)
{
    HostSettings settings;
    settings.gameDir = options.gameDir;
    settings.requestDeadline = std::chrono::seconds(options.requestTimeoutSeconds);
    settings.idleTimeoutSeconds = static_cast<unsigned>(options.idleTimeoutSeconds);
    settings.maxConnectionsPerAddress = static_cast<unsigned>(options.maxConnectionsPerAddress);
    settings.hashingThreads = static_cast<unsigned>(std::max(1, options.hashingThreads));
    settings.hashingQueue = static_cast<std::size_t>(options.hashingQueue);
    return settings;
}

int serve(const ServerOptions &options)
{
    ServiceSettings settings = settingsFrom(options);
    if (!options.noticePath.empty()) {
        const auto notice = readNoticeFile(options.noticePath);
        if (!notice) {
            std::cerr << "rinkfall-server: cannot read the notice file " << options.noticePath
                      << " (UTF-8 text expected)\n";
            return 1;
        }
        settings.notice = *notice;
    }
    const std::string dbPath =
        options.databasePath.empty() ? defaultDatabasePath() : options.databasePath;
    const auto folder = std::filesystem::path(dbPath).parent_path();
    std::error_code ignored;
    if (!folder.empty())
        std::filesystem::create_directories(folder, ignored);

    HostSettings hostSettings = hostSettingsFrom(options);
    if (!options.tlsCertPath.empty()) {
        const auto certificate = readWholeFile(options.tlsCertPath);
        const auto key = readWholeFile(options.tlsKeyPath);
        if (!certificate || !key) {
            std::cerr << "rinkfall-server: cannot read the TLS certificate or key\n";
            return 1;
        }
        hostSettings.tlsCertificate = *certificate;
        hostSettings.tlsKey = *key;
    }

    ShutdownWatcher watcher;
    ServiceLog log(*parseLogLevel(options.logLevel));
    GameStore store(dbPath);
    GameService service(store, std::move(settings));
    ServiceHost host(service, std::move(hostSettings), log);
    if (!host.bind(options.host, options.port)) {
        std::cerr << "rinkfall-server: cannot listen on " << options.host << ":" << options.port
                  << " (address in use or not available)\n";
        return 1;
    }
    const char *scheme = options.tlsCertPath.empty() ? "http" : "https";
    std::cout << "rinkfall-server: listening on " << scheme << "://" << options.host << ":" << host.port()
              << "/PHP/" << options.gameDir << "/ (database " << dbPath << ")" << std::endl;
    watcher.start(host);
    const bool clean = host.run();
    watcher.finish();
    if (!clean)
        std::cerr << "rinkfall-server: the service could not start (bad TLS certificate or key?)\n";
    std::cout << "rinkfall-server: stopped" << std::endl;
    return clean || watcher.signalled() ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    std::string error;
    const auto options =
        server::parseServerOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::cerr << "rinkfall-server: " << error << "\n\n" << server::serverUsage();
        return 2;
    }
    if (options->showHelp) {
        std::cout << server::serverUsage();
        return 0;
    }
    try {
        return serve(*options);
    } catch (const std::exception &failure) {
        std::cerr << "rinkfall-server: " << failure.what() << "\n";
        return 1;
    }
}
