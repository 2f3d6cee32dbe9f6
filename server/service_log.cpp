#include "server/service_log.h"

#include <chrono>
#include <ctime>

namespace server {

namespace {

constexpr const char *kLevelNames[] = {"error", "warning", "info", "debug"};

std::string utcTimestamp()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(
                            now.time_since_epoch())
                            .count()
                        % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[40];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    std::snprintf(text + length, sizeof text - length, ".%03dZ", static_cast<int>(millis));
    return text;
}

} // namespace

std::optional<LogLevel> parseLogLevel(std::string_view text)
{
    for (int i = 0; i < 4; ++i) {
        if (text == kLevelNames[i])
            return static_cast<LogLevel>(i);
    }
    return std::nullopt;
}

ServiceLog::ServiceLog(LogLevel level, std::FILE *out) : level_(level), out_(out) {}

void ServiceLog::write(LogLevel level, std::string_view line)
{
    if (!enabled(level))
        return;
    const std::string stamped = utcTimestamp() + " " + kLevelNames[static_cast<int>(level)] + " "
                                + std::string(line) + "\n";
    std::lock_guard lock(mutex_);
    std::fwrite(stamped.data(), 1, stamped.size(), out_);
    std::fflush(out_);
}

} // namespace server
