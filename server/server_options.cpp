#include "server/server_options.h"

#include "server/text_rules.h"

#include "server/service_log.h"

#include <cstdlib>
#include <map>
#include <fstream>

namespace server {

namespace {

// "HOST:PORT" or "[V6HOST]:PORT".
bool parseListen(const std::string &text, std::string &host, int &port)
{
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    std::string address = text.substr(0, colon);
    if (address.size() > 2 && address.front() == '[' && address.back() == ']')
        address = address.substr(1, address.size() - 2);
    const auto number = parseDecimal(std::string_view(text).substr(colon + 1));
    if (!number || *number < 0 || *number > 65535)
        return false;
    host = address;
    port = *number;
    return true;
}

} // namespace

std::optional<ServerOptions> parseServerOptions(const std::vector<std::string> &args,
                                                std::string &error)
{
    ServerOptions options;
    const std::map<std::string, int *> numberOptions{
        {"--min-version", &options.minVersion},
        {"--max-accounts-per-day", &options.maxAccountsPerAddressPerDay},
        {"--request-timeout", &options.requestTimeoutSeconds},
        {"--idle-timeout", &options.idleTimeoutSeconds},
        {"--max-connections-per-address", &options.maxConnectionsPerAddress},
        {"--hashing-threads", &options.hashingThreads},
        {"--hashing-queue", &options.hashingQueue},
        {"--chat-limit", &options.chatLinesPer10Seconds},
        {"--registrations-per-address", &options.registrationsPerAddress},
        {"--session-idle-minutes", &options.sessionIdleMinutes},
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        const bool flagWithValue = arg == "--listen" || arg == "--db" || arg == "--game-dir"
                                   || arg == "--min-version" || arg == "--notice"
                                   || arg == "--max-accounts-per-day" || arg == "--tls-cert"
                                   || arg == "--tls-key" || arg == "--log-level"
                                   || numberOptions.contains(arg);
        if (arg == "--help" || arg == "-h") {
            options.showHelp = true;
            continue;
        }
        if (arg == "--weak-hashing-for-tests") {
            options.weakHashingForTests = true;
            continue;
        }
        if (arg == "--bind-to-login-address") {
            options.bindToLoginAddress = true;
            continue;
        }
        if (!flagWithValue) {
            error = "unknown option " + arg;
            return std::nullopt;
        }
        if (i + 1 == args.size()) {
            error = arg + " needs a value";
            return std::nullopt;
        }
        const std::string &value = args[++i];
        if (arg == "--listen") {
            if (!parseListen(value, options.host, options.port)) {
                error = "--listen wants ADDRESS:PORT, got " + value;
                return std::nullopt;
            }
        } else if (arg == "--db") {
            options.databasePath = value;
        } else if (arg == "--game-dir") {
            if (value.empty() || value.find('/') != std::string::npos) {
                error = "--game-dir wants a folder name without slashes";
                return std::nullopt;
            }
            options.gameDir = value;
        } else if (arg == "--notice") {
            options.noticePath = value;
        } else if (arg == "--tls-cert") {
            options.tlsCertPath = value;
        } else if (arg == "--tls-key") {
            options.tlsKeyPath = value;
        } else if (arg == "--log-level") {
            if (!parseLogLevel(value)) {
                error = "--log-level wants error, warning, info or debug, got " + value;
                return std::nullopt;
            }
            options.logLevel = value;
        } else {
            const auto number = parseDecimal(value);
            if (!number || *number < 0) {
                error = arg + " wants a whole number, got " + value;
                return std::nullopt;
            }
            *numberOptions.at(arg) = *number;
        }
    }
    if (options.tlsCertPath.empty() != options.tlsKeyPath.empty()) {
        error = "--tls-cert and --tls-key go together";
        return std::nullopt;
    }
    return options;
}

std::string serverUsage()
{
    return "Usage: rinkfall-server [options]\n"
           "The reference game service of Code:Rinkfall: accounts, lobby chat and game rooms.\n"
           "\n"
           "  --listen ADDR:PORT          address to serve on (default 127.0.0.1:8080)\n"
           "  --db FILE                   SQLite database, created on first start\n"
           "                              (default $XDG_DATA_HOME/rinkfall/server.sqlite)\n"
           "  --game-dir NAME             scripts are served under /PHP/NAME/ (default Rinkfall)\n"
           "  --min-version N             oldest client version let in (default 1)\n"
           "  --notice FILE               five lines of UTF-8 text for the title menu\n"
           "  --max-accounts-per-day N    accounts one address may make in 24 hours (default 5)\n"
           "  --tls-cert FILE             serve HTTPS with this PEM certificate (chain)\n"
           "  --tls-key FILE              and this PEM private key\n"
           "  --log-level LEVEL           error, warning, info (default; one access line per\n"
           "                              request) or debug\n"
           "  --request-timeout S         a request must arrive whole within S seconds (default 10)\n"
           "  --idle-timeout S            idle connections are closed after S seconds (default 5)\n"
           "  --max-connections-per-address N   open connections one address may hold (default 32)\n"
           "  --hashing-threads N         threads for password hashing (default 1)\n"
           "  --hashing-queue N           logins and sign-ups that may wait for hashing (default 8)\n"
           "  --registrations-per-address N   sign-ups one address may try per 10 minutes (default 3)\n"
           "  --chat-limit N              chat lines one user may say per 10 seconds (default 10)\n"
           "  --session-idle-minutes N    a login session unused this long ends (default 60)\n"
           "  --bind-to-login-address     room actions also only from the latest login's address\n"
           "  --weak-hashing-for-tests    cheapest password hashing; for automated tests only\n"
           "  --help                      show this text\n"
           "\n"
           "SIGINT or SIGTERM stops the service after the requests in progress are answered.\n";
}

std::string defaultDatabasePath()
{
    const char *dataHome = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (dataHome && *dataHome) {
        base = dataHome;
    } else {
        const char *home = std::getenv("HOME");
        base = std::string(home && *home ? home : ".") + "/.local/share";
    }
    return base + "/rinkfall/server.sqlite";
}

std::optional<std::array<std::string, 5>> readNoticeFile(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::array<std::string, 5> lines;
    lines.fill(" ");
    std::string line;
    for (std::size_t i = 0; i < lines.size() && std::getline(file, line); ++i) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (i == 0 && line.starts_with("\xEF\xBB\xBF"))
            line.erase(0, 3); // byte-order mark left by some editors
        if (!isValidUtf8(line))
            return std::nullopt;
        lines[i] = line.empty() ? " " : replySafeText(line);
    }
    return lines;
}

} // namespace server
