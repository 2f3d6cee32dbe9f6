#pragma once

#include "server/password_hasher.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace server {

struct ServerOptions {
    std::string host = "127.0.0.1";
    int port = 8080;
    std::string databasePath; // empty: the default under the user's data directory
    std::string gameDir = "Rinkfall";
    int minVersion = 1;
    std::string noticePath;   // empty: the built-in notice
    int maxAccountsPerAddressPerDay = 5;
    bool weakHashingForTests = false;
    std::string tlsCertPath; // both set: HTTPS
    std::string tlsKeyPath;
    std::string logLevel = "info";
    int requestTimeoutSeconds = 10;
    int idleTimeoutSeconds = 5;
    int maxConnectionsPerAddress = 32;
    int hashingThreads = 1;
    int hashingQueue = 8;
    int chatLinesPer10Seconds = 10;
    int registrationsPerAddress = 3; // per 10 minutes
    int sessionIdleMinutes = 60;
    bool bindToLoginAddress = false;
    bool showHelp = false;
};

// Parses the command line (without the program name). On a mistake returns nothing and puts the
// reason into `error`.
std::optional<ServerOptions> parseServerOptions(const std::vector<std::string> &args,
                                                std::string &error);

std::string serverUsage();

// $XDG_DATA_HOME/rinkfall/server.sqlite, or ~/.local/share/rinkfall/server.sqlite.
std::string defaultDatabasePath();

// The five notice lines from a UTF-8 text file: missing lines become a single space, lines
// after the fifth are ignored. Nothing when the file cannot be read or is not UTF-8.
std::optional<std::array<std::string, 5>> readNoticeFile(const std::string &path);

} // namespace server
