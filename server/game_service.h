#pragma once

#include "server/attempt_limits.h"
#include "server/game_store.h"
#include "server/session_table.h"
#include "server/password_hasher.h"
#include "server/query_params.h"
#include "server/reply.h"

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace server {

// The nine scripts the game client calls.
enum class Script { Login, Access, Regist, Say, Lobby, Join, MakeGame, DelGame, DelJoin };

// "Login.php" -> Script::Login; nothing for any other file name.
std::optional<Script> scriptFromFileName(std::string_view fileName);

struct ServiceSettings {
    int32_t minVersion = 1;
    std::array<std::string, 5> notice;
    int64_t maxAccountsPerAddressPerDay = 5;
    HashCost hashCost = HashCost::interactive();
    // Sign-up attempts that get as far as hashing, per address and window (beside the daily cap).
    int64_t registrationsPerAddress = 3;
    int64_t registrationWindowSeconds = 10 * 60;
    // A session unused this long ends; the user logs in again.
    int64_t sessionIdleSeconds = 60 * 60;
    // Room actions also only from the address of the user's latest login (off: users behind
    // one proxy or NAT share an address).
    bool bindToLoginAddress = false;
    // Chat lines one user may say per window.
    int64_t chatLinesPerWindow = 10;
    int64_t chatWindowSeconds = 10;
    // A user from whose login address no request came for this long loses rooms and seats.
    int64_t silenceSeconds = 30 * 60;
};

// The rules of the game service, one function per script. Each takes the raw query text and the
// caller's address and gives the reply fields; nothing here knows about HTTP.
class GameService {
public:
    static constexpr std::size_t kMaxNameChars = 16;
    static constexpr std::size_t kMaxPasswordChars = 64;
    static constexpr std::size_t kMaxSpeakerChars = 16;
    static constexpr std::size_t kMaxWordsChars = 64;
    static constexpr std::size_t kMaxTitleChars = 32;
    static constexpr int64_t kMaxRooms = 100;
    static constexpr int64_t kChatLinesShown = 30;
    // Activity and silence are looked at no more often than this, so most requests cost no write.
    static constexpr int64_t kActivityStepSeconds = 60;

    // Seconds since the epoch; tests pass their own to step through days.
    using Clock = std::function<int64_t()>;

    GameService(GameStore &store, ServiceSettings settings, Clock clock = systemClock);

    Reply handle(Script script, std::string_view rawQuery, const std::string &clientAddress);

    static int64_t systemClock();

    // Sessions alive now, for the metrics page.
    std::size_t sessionCount() { return sessions_.count(clock_()); }

private:
    Reply dispatch(Script script, const QueryParams &query, const std::string &address);
    Reply login(const QueryParams &query, const std::string &address);
    Reply access(const QueryParams &query, const std::string &address);
    Reply regist(const QueryParams &query, const std::string &address);
    Reply say(const QueryParams &query);
    Reply lobby(const QueryParams &query);
    Reply join(const QueryParams &query, const std::string &address);
    Reply makeGame(const QueryParams &query, const std::string &address);
    Reply delGame(const QueryParams &query, const std::string &address);
    Reply delJoin(const QueryParams &query, const std::string &address);

    // Keeps the users of `address` counted as present, and ends the rooms of those who are not.
    void noteActivity(const std::string &address);

    // The acting user of a room action: the request's session token (Sid) must be alive and
    // belong to the named user (and, when bound, the address must be that of the latest login).
    std::optional<int64_t> actingUser(const QueryParams &query, const std::string &address);

    // The lobby reply is rebuilt only after a change; between changes every caller gets the
    // same fields.
    Reply lobbyReply();

    GameStore &store_;
    std::mutex lobbyCacheMutex_;
    uint64_t cachedLobbyRevision_ = 0;
    Reply cachedLobby_;
    ServiceSettings settings_;
    Clock clock_;
    std::mutex activityMutex_;
    std::unordered_map<std::string, int64_t> lastNoted_; // address -> when it was last written
    int64_t lastSilenceCheck_ = 0;
    PasswordHasher hasher_;
    LoginBackoff loginBackoff_;
    RateWindow registrations_;
    SessionTable sessions_;
    RateWindow chatLines_;
};

// Local date and time as the lobby shows them: "2026/12/06 23:05" (with ":10" seconds when
// asked), and chat times as "12/06 23:05".
std::string formatDateTime(int64_t epochSeconds, bool withSeconds);
std::string formatChatTime(int64_t epochSeconds);

} // namespace server
