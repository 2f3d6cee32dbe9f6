#include "server/session_table.h"

#include <sodium.h>

namespace server {

namespace {

constexpr std::size_t kTokenBytes = 16;

std::string randomToken()
{
    unsigned char bytes[kTokenBytes];
    randombytes_buf(bytes, sizeof bytes);
    char hex[kTokenBytes * 2 + 1];
    sodium_bin2hex(hex, sizeof hex, bytes, sizeof bytes);
    return hex;
}

} // namespace

SessionTable::SessionTable(int64_t idleSeconds) : idleSeconds_(idleSeconds)
{
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium could not be initialised");
}

std::string SessionTable::open(int64_t userId, const std::string &name, int64_t now)
{
    std::lock_guard lock(mutex_);
    forgetExpired(now);
    const auto older = tokenOfUser_.find(name);
    if (older != tokenOfUser_.end())
        byToken_.erase(older->second);
    std::string token = randomToken();
    byToken_[token] = {{userId, name}, now};
    tokenOfUser_[name] = token;
    return token;
}

std::optional<SessionTable::Holder> SessionTable::use(std::string_view token, int64_t now)
{
    std::lock_guard lock(mutex_);
    const auto it = byToken_.find(std::string(token));
    if (it == byToken_.end())
        return std::nullopt;
    if (now - it->second.lastUsed > idleSeconds_) {
        tokenOfUser_.erase(it->second.holder.name);
        byToken_.erase(it);
        return std::nullopt;
    }
    it->second.lastUsed = std::max(it->second.lastUsed, now);
    return it->second.holder;
}

std::size_t SessionTable::count(int64_t now)
{
    std::lock_guard lock(mutex_);
    forgetExpired(now);
    return byToken_.size();
}

void SessionTable::forgetExpired(int64_t now)
{
    if (now - lastSweep_ < 60)
        return;
    lastSweep_ = now;
    for (auto it = byToken_.begin(); it != byToken_.end();) {
        if (now - it->second.lastUsed > idleSeconds_) {
            tokenOfUser_.erase(it->second.holder.name);
            it = byToken_.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace server
