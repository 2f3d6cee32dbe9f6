#include "server/attempt_limits.h"

#include <algorithm>

namespace server {

namespace {

template <typename Map, typename IsOld>
void eraseIf(Map &map, IsOld isOld)
{
    for (auto it = map.begin(); it != map.end();)
        it = isOld(it->second) ? map.erase(it) : std::next(it);
}

} // namespace

RateWindow::RateWindow(int64_t windowSeconds, int64_t allowed)
    : windowSeconds_(windowSeconds), allowed_(allowed)
{
}

bool RateWindow::take(const std::string &key, int64_t now)
{
    std::lock_guard lock(mutex_);
    forgetOld(now);
    Entry &entry = entries_[key];
    if (now - entry.windowStart >= windowSeconds_ || now < entry.windowStart)
        entry = {now, 0};
    if (entry.count >= allowed_)
        return false;
    ++entry.count;
    return true;
}

void RateWindow::forgetOld(int64_t now)
{
    if (now - lastSweep_ < windowSeconds_)
        return;
    lastSweep_ = now;
    eraseIf(entries_, [&](const Entry &entry) { return now - entry.windowStart >= windowSeconds_; });
}

int64_t LoginBackoff::waitSeconds(const std::string &address, const std::string &account,
                                  int64_t now)
{
    std::lock_guard lock(mutex_);
    return std::max(waitOf("a:" + address, now), waitOf("u:" + account, now));
}

void LoginBackoff::failed(const std::string &address, const std::string &account, int64_t now)
{
    std::lock_guard lock(mutex_);
    forgetOld(now);
    fail("a:" + address, now);
    fail("u:" + account, now);
}

void LoginBackoff::succeeded(const std::string &account)
{
    std::lock_guard lock(mutex_);
    records_.erase("u:" + account);
}

int64_t LoginBackoff::waitOf(const std::string &key, int64_t now) const
{
    const auto it = records_.find(key);
    if (it == records_.end() || it->second.failures < kFreeFailures)
        return 0;
    const int doublings = std::min(it->second.failures - kFreeFailures, 16);
    const int64_t wait = std::min<int64_t>(int64_t{1} << doublings, kMaxWaitSeconds);
    return std::max<int64_t>(0, it->second.lastFailure + wait - now);
}

void LoginBackoff::fail(const std::string &key, int64_t now)
{
    Record &record = records_[key];
    if (now - record.lastFailure >= kMemorySeconds)
        record.failures = 0;
    ++record.failures;
    record.lastFailure = now;
}

void LoginBackoff::forgetOld(int64_t now)
{
    if (now - lastSweep_ < 60)
        return;
    lastSweep_ = now;
    eraseIf(records_, [&](const Record &record) { return now - record.lastFailure >= kMemorySeconds; });
}

} // namespace server
