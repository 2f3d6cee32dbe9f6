#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace server {

// Login sessions: a random token handed out at login names one user until it has gone unused
// for the idle time or that user logs in again. Thread-safe.
class SessionTable {
public:
    struct Holder {
        int64_t userId;
        std::string name; // as stored: lower case
    };

    explicit SessionTable(int64_t idleSeconds);

    // A new token for the user; the user's older session ends.
    std::string open(int64_t userId, const std::string &name, int64_t now);
    // Whose session `token` is, when it is still alive; using it keeps it alive.
    std::optional<Holder> use(std::string_view token, int64_t now);
    std::size_t count(int64_t now);

private:
    struct Session {
        Holder holder;
        int64_t lastUsed;
    };
    void forgetExpired(int64_t now);

    int64_t idleSeconds_;
    std::mutex mutex_;
    std::unordered_map<std::string, Session> byToken_;
    std::unordered_map<std::string, std::string> tokenOfUser_;
    int64_t lastSweep_ = 0;
};

} // namespace server
