#pragma once

#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace server {

enum class LogLevel { Error = 0, Warning = 1, Info = 2, Debug = 3 };

// "error", "warning", "info", "debug" -> the level; nothing for anything else.
std::optional<LogLevel> parseLogLevel(std::string_view text);

// The operator's log: one line per event, each with a UTC time stamp, written whole even when
// several threads log at once. Lines below the chosen level are dropped. Callers never pass a
// request's query values here: they may hold a password or a session token.
class ServiceLog {
public:
    explicit ServiceLog(LogLevel level = LogLevel::Info, std::FILE *out = stderr);

    bool enabled(LogLevel level) const { return level <= level_; }
    void write(LogLevel level, std::string_view line);

private:
    LogLevel level_;
    std::FILE *out_;
    std::mutex mutex_;
};

} // namespace server
