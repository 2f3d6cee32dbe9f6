#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

namespace server {

// Counts events per key (an address, an account, a user) in fixed windows of time and says when
// a key has had its share. Keys unseen for a whole window are forgotten, so the table stays as
// small as the recent traffic. Thread-safe.
class RateWindow {
public:
    RateWindow(int64_t windowSeconds, int64_t allowed);

    // Counts one event for `key` at `now`; false when the key already had `allowed` events in
    // the current window (the event is then not counted).
    bool take(const std::string &key, int64_t now);

private:
    struct Entry {
        int64_t windowStart = 0;
        int64_t count = 0;
    };
    void forgetOld(int64_t now);

    int64_t windowSeconds_;
    int64_t allowed_;
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> entries_;
    int64_t lastSweep_ = 0;
};

// Exponential backoff after failed logins, kept separately per address and per account: after
// a few free failures each further one doubles the wait before the next try is even checked
// (up to a ceiling). A success clears the account's count but not the address's, so an attacker
// cannot wipe their own record by logging into an account of their own.
class LoginBackoff {
public:
    static constexpr int kFreeFailures = 5;
    static constexpr int64_t kMaxWaitSeconds = 300;
    // Failures this long ago are forgotten.
    static constexpr int64_t kMemorySeconds = 15 * 60;

    // Seconds to wait before `address` may try `account` again; 0 when it may try now.
    int64_t waitSeconds(const std::string &address, const std::string &account, int64_t now);
    void failed(const std::string &address, const std::string &account, int64_t now);
    void succeeded(const std::string &account);

private:
    struct Record {
        int failures = 0;
        int64_t lastFailure = 0;
    };
    int64_t waitOf(const std::string &key, int64_t now) const;
    void fail(const std::string &key, int64_t now);
    void forgetOld(int64_t now);

    std::mutex mutex_;
    std::unordered_map<std::string, Record> records_;
    int64_t lastSweep_ = 0;
};

} // namespace server
