#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace server {

// A database call failed; the service answers such requests with code 0.
class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Room states as the game client shows them.
enum class RoomState : int { Empty = 0, Waiting = 1, Full = 2, Started = 3 };

struct UserRecord {
    int64_t id = 0;
    std::string name;
    std::string passwordHash;
};

struct RoomRecord {
    int64_t id = 0;
    std::string title;
    int64_t createdAt = 0; // seconds since the epoch
    std::string creator;
    std::string opponent; // empty while nobody has joined
    RoomState state = RoomState::Waiting;
};

struct ChatRecord {
    int64_t saidAt = 0;
    std::string speaker;
    std::string words;
};

struct LobbySnapshot {
    uint64_t revision = 0;  // see GameStore::revision()
    int64_t lastUpdate = 0;
    std::vector<RoomRecord> rooms;  // oldest room first
    std::vector<ChatRecord> chat;   // newest line first
};

enum class AddUserOutcome { Added, NameTaken, TooManyFromAddress };
enum class CreateRoomOutcome { Created, AlreadyOwnsRoom, LobbyFull };
enum class JoinRoomOutcome { Joined, NoSuchRoom, OwnRoom, NotWaiting, AlreadyInRoom };

// Users, rooms and chat in one SQLite file. One connection serves every thread, one call at a
// time; each change is committed before its call returns, so whatever a client was told is on
// disk. Multi-step changes run in one transaction, so two clients racing for the same room or
// name cannot both win.
class GameStore {
public:
    // Opens or creates the file (WAL journal, busy timeout) and its tables.
    explicit GameStore(const std::string &path);
    ~GameStore();
    GameStore(const GameStore &) = delete;
    GameStore &operator=(const GameStore &) = delete;

    bool nameTaken(const std::string &name);
    int64_t accountsCreatedFrom(const std::string &address, int64_t since);
    // Adds the user unless the name is taken or `address` already made `maxPerWindow` accounts
    // since `windowStart`.
    AddUserOutcome addUser(const std::string &name, const std::string &passwordHash,
                           const std::string &address, int64_t now, int64_t windowStart,
                           int64_t maxPerWindow);
    std::optional<UserRecord> findUser(const std::string &name);
    // A login starts the user afresh: rooms and seats left from an earlier session end.
    void recordLogin(int64_t userId, const std::string &address, int64_t now);
    // Marks the users whose latest login came from `address` as seen at `now`.
    void noteActivity(const std::string &address, int64_t now);
    // Ends the rooms and seats of users not seen since `seenBefore`; returns how many ended.
    int64_t endRoomsOfUsersSilentSince(int64_t seenBefore, int64_t now);
    // The user's number when the user's latest login came from `address`.
    std::optional<int64_t> userLoggedInFrom(const std::string &name, const std::string &address);

    void addChat(const std::string &speaker, const std::string &words, int64_t now);
    // Goes up with every change the lobby shows (rooms, chat), so a reply built from an
    // earlier snapshot can be kept while the number stays the same.
    uint64_t revision() const { return revision_; }
    LobbySnapshot lobby(int64_t maxRooms, int64_t maxChatLines);

    // `roomId` receives the new room's number, or the number of the room the user already owns.
    // A seat the user holds in another room is given up for the new room.
    CreateRoomOutcome createRoom(int64_t userId, const std::string &title, int64_t now,
                                 int64_t maxRooms, int64_t &roomId);
    JoinRoomOutcome joinRoom(int64_t roomId, int64_t userId, int64_t now);
    bool deleteOwnRoom(int64_t userId, int64_t now);
    bool leaveJoinedRoom(int64_t userId, int64_t now);

private:
    class Statement;
    class Transaction;

    Statement prepare(const char *sql);
    void execute(const char *sql);
    void createSchema();
    void touchLastUpdate(int64_t now);
    bool userHasRoom(int64_t userId);
    bool userIsOpponent(int64_t userId);
    // Both return how many rooms changed; neither raises the revision.
    int64_t removeRoomsOf(int64_t userId);
    int64_t vacateSeatsOf(int64_t userId);
    void addMissingColumns();

    std::mutex mutex_;
    std::atomic<uint64_t> revision_{1};
    sqlite3 *db_ = nullptr;
    std::map<std::string, sqlite3_stmt *, std::less<>> cache_;
};

} // namespace server
