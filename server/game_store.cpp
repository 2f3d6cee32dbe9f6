#include "server/game_store.h"

#include <sqlite3.h>

namespace server {

namespace {

constexpr int kBusyTimeoutMs = 5000;
// Older chat lines are dropped; the lobby shows only the newest few.
constexpr int64_t kChatLinesKept = 1000;

[[noreturn]] void fail(sqlite3 *db, const std::string &what)
{
    throw StoreError(what + ": " + (db ? sqlite3_errmsg(db) : "no database"));
}

} // namespace

// A cached prepared statement, reset and unbound again when this handle goes away.
class GameStore::Statement {
public:
    Statement(sqlite3 *db, sqlite3_stmt *stmt) : db_(db), stmt_(stmt) {}
    ~Statement()
    {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    Statement &bind(int index, int64_t value)
    {
        check(sqlite3_bind_int64(stmt_, index, value));
        return *this;
    }
    Statement &bind(int index, const std::string &value)
    {
        check(sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()),
                                SQLITE_TRANSIENT));
        return *this;
    }
    // True while there is a row to read.
    bool step()
    {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        fail(db_, "step");
    }
    void run()
    {
        while (step()) {
        }
    }
    int64_t integer(int column) const { return sqlite3_column_int64(stmt_, column); }
    std::string text(int column) const
    {
        const auto *bytes = sqlite3_column_text(stmt_, column);
        return bytes ? std::string(reinterpret_cast<const char *>(bytes),
                                   static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
                     : std::string();
    }

private:
    void check(int rc)
    {
        if (rc != SQLITE_OK)
            fail(db_, "bind");
    }

    sqlite3 *db_;
    sqlite3_stmt *stmt_;
};

// BEGIN IMMEDIATE takes the write lock up front, so a check and the change it allows cannot be
// split by another writer. Rolls back unless committed.
class GameStore::Transaction {
public:
    explicit Transaction(GameStore &store) : store_(store) { store_.execute("BEGIN IMMEDIATE"); }
    ~Transaction()
    {
        if (!committed_)
            sqlite3_exec(store_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void commit()
    {
        store_.execute("COMMIT");
        committed_ = true;
    }

private:
    GameStore &store_;
    bool committed_ = false;
};

GameStore::GameStore(const std::string &path)
{
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw StoreError("cannot open " + path + ": " + message);
    }
    try {
        sqlite3_busy_timeout(db_, kBusyTimeoutMs);
        execute("PRAGMA journal_mode=WAL");
        // With WAL, NORMAL keeps every commit across a crash of this process; only a power
        // loss may take back the last few.
        execute("PRAGMA synchronous=NORMAL");
        execute("PRAGMA foreign_keys=ON");
        createSchema();
    } catch (...) {
        sqlite3_close(db_);
        throw;
    }
}

GameStore::~GameStore()
{
    for (auto &[sql, stmt] : cache_)
        sqlite3_finalize(stmt);
    sqlite3_close(db_);
}

GameStore::Statement GameStore::prepare(const char *sql)
{
    auto found = cache_.find(sql);
    if (found == cache_.end()) {
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr)
            != SQLITE_OK) {
            fail(db_, std::string("prepare ") + sql);
        }
        found = cache_.emplace(sql, stmt).first;
    }
    return Statement(db_, found->second);
}

void GameStore::execute(const char *sql)
{
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(db_, sql);
}

void GameStore::createSchema()
{
    execute("CREATE TABLE IF NOT EXISTS users("
            " id INTEGER PRIMARY KEY AUTOINCREMENT,"
            " name TEXT NOT NULL UNIQUE,"
            " pass_hash TEXT NOT NULL,"
            " created_at INTEGER NOT NULL,"
            " created_from TEXT NOT NULL,"
            " login_address TEXT,"
            " login_at INTEGER,"
            " seen_at INTEGER)");
    execute("CREATE INDEX IF NOT EXISTS users_by_origin ON users(created_from, created_at)");
    addMissingColumns();
    execute("CREATE INDEX IF NOT EXISTS users_by_login ON users(login_address)");
    execute("CREATE TABLE IF NOT EXISTS rooms("
            " id INTEGER PRIMARY KEY AUTOINCREMENT,"
            " title TEXT NOT NULL,"
            " created_at INTEGER NOT NULL,"
            " creator_id INTEGER NOT NULL UNIQUE REFERENCES users(id),"
            " opponent_id INTEGER UNIQUE REFERENCES users(id),"
            " state INTEGER NOT NULL)");
    execute("CREATE TABLE IF NOT EXISTS chat("
            " id INTEGER PRIMARY KEY AUTOINCREMENT,"
            " said_at INTEGER NOT NULL,"
            " speaker TEXT NOT NULL,"
            " words TEXT NOT NULL)");
    execute("CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value INTEGER NOT NULL)");
}

// Databases made by earlier versions lack the time a user was last seen.
void GameStore::addMissingColumns()
{
    sqlite3_stmt *probe = nullptr;
    const bool hasSeenAt =
        sqlite3_prepare_v2(db_, "SELECT seen_at FROM users", -1, &probe, nullptr) == SQLITE_OK;
    sqlite3_finalize(probe);
    if (!hasSeenAt)
        execute("ALTER TABLE users ADD COLUMN seen_at INTEGER");
}

void GameStore::touchLastUpdate(int64_t now)
{
    // Raised before the commit: a reader that sees the new data also sees the new number, and
    // a rolled-back change only costs one needless rebuild.
    ++revision_;
    prepare("INSERT INTO meta(key, value) VALUES('last_update', ?1)"
            " ON CONFLICT(key) DO UPDATE SET value = excluded.value")
        .bind(1, now)
        .run();
}

bool GameStore::nameTaken(const std::string &name)
{
    std::lock_guard lock(mutex_);
    auto stmt = prepare("SELECT 1 FROM users WHERE name = ?1");
    stmt.bind(1, name);
    return stmt.step();
}

int64_t GameStore::accountsCreatedFrom(const std::string &address, int64_t since)
{
    std::lock_guard lock(mutex_);
    auto stmt = prepare("SELECT COUNT(*) FROM users WHERE created_from = ?1 AND created_at >= ?2");
    stmt.bind(1, address).bind(2, since);
    return stmt.step() ? stmt.integer(0) : 0;
}

AddUserOutcome GameStore::addUser(const std::string &name, const std::string &passwordHash,
                                  const std::string &address, int64_t now, int64_t windowStart,
                                  int64_t maxPerWindow)
{
    std::lock_guard lock(mutex_);
    Transaction transaction(*this);
    {
        auto taken = prepare("SELECT 1 FROM users WHERE name = ?1");
        taken.bind(1, name);
        if (taken.step())
            return AddUserOutcome::NameTaken;
    }
    {
        auto count =
            prepare("SELECT COUNT(*) FROM users WHERE created_from = ?1 AND created_at >= ?2");
        count.bind(1, address).bind(2, windowStart);
        if (count.step() && count.integer(0) >= maxPerWindow)
            return AddUserOutcome::TooManyFromAddress;
    }
    prepare("INSERT INTO users(name, pass_hash, created_at, created_from) VALUES(?1, ?2, ?3, ?4)")
        .bind(1, name)
        .bind(2, passwordHash)
        .bind(3, now)
        .bind(4, address)
        .run();
    transaction.commit();
    return AddUserOutcome::Added;
}

std::optional<UserRecord> GameStore::findUser(const std::string &name)
{
    std::lock_guard lock(mutex_);
    auto stmt = prepare("SELECT id, name, pass_hash FROM users WHERE name = ?1");
    stmt.bind(1, name);
    if (!stmt.step())
        return std::nullopt;
    return UserRecord{stmt.integer(0), stmt.text(1), stmt.text(2)};
}

void GameStore::recordLogin(int64_t userId, const std::string &address, int64_t now)
{
    std::lock_guard lock(mutex_);
    Transaction transaction(*this);
    prepare("UPDATE users SET login_address = ?2, login_at = ?3, seen_at = ?3 WHERE id = ?1")
        .bind(1, userId)
        .bind(2, address)
        .bind(3, now)
        .run();
    if (removeRoomsOf(userId) + vacateSeatsOf(userId) > 0)
        touchLastUpdate(now);
    transaction.commit();
}

void GameStore::noteActivity(const std::string &address, int64_t now)
{
    std::lock_guard lock(mutex_);
    prepare("UPDATE users SET seen_at = ?2 WHERE login_address = ?1").bind(1, address).bind(2, now).run();
}

int64_t GameStore::endRoomsOfUsersSilentSince(int64_t seenBefore, int64_t now)
{
    std::lock_guard lock(mutex_);
    Transaction transaction(*this);
    // A creator's room goes with its seat; then the seats of silent opponents open again.
    prepare("DELETE FROM rooms WHERE creator_id IN"
            " (SELECT id FROM users WHERE COALESCE(seen_at, login_at, 0) < ?1)")
        .bind(1, seenBefore)
        .run();
    int64_t ended = sqlite3_changes(db_);
    prepare("UPDATE rooms SET opponent_id = NULL, state = ?2 WHERE opponent_id IN"
            " (SELECT id FROM users WHERE COALESCE(seen_at, login_at, 0) < ?1)")
        .bind(1, seenBefore)
        .bind(2, static_cast<int64_t>(RoomState::Waiting))
        .run();
    ended += sqlite3_changes(db_);
    if (ended == 0)
        return 0;
    touchLastUpdate(now);
    transaction.commit();
    return ended;
}

std::optional<int64_t> GameStore::userLoggedInFrom(const std::string &name,
                                                   const std::string &address)
{
    std::lock_guard lock(mutex_);
    auto stmt = prepare("SELECT id FROM users WHERE name = ?1 AND login_address = ?2");
    stmt.bind(1, name).bind(2, address);
    if (!stmt.step())
        return std::nullopt;
    return stmt.integer(0);
}

void GameStore::addChat(const std::string &speaker, const std::string &words, int64_t now)
{
    std::lock_guard lock(mutex_);
    Transaction transaction(*this);
    prepare("INSERT INTO chat(said_at, speaker, words) VALUES(?1, ?2, ?3)")
        .bind(1, now)
        .bind(2, speaker)
        .bind(3, words)
        .run();
    prepare("DELETE FROM chat WHERE id <= last_insert_rowid() - ?1").bind(1, kChatLinesKept).run();
    touchLastUpdate(now);
    transaction.commit();
}

LobbySnapshot GameStore::lobby(int64_t maxRooms, int64_t maxChatLines)
{
    std::lock_guard lock(mutex_);
    LobbySnapshot snapshot;
    snapshot.revision = revision_;
    {
        auto stmt = prepare("SELECT value FROM meta WHERE key = 'last_update'");
        if (stmt.step())
            snapshot.lastUpdate = stmt.integer(0);
    }
    {
        auto stmt = prepare("SELECT r.id, r.title, r.created_at, c.name, COALESCE(o.name, ''),"
                            " r.state FROM rooms r JOIN users c ON c.id = r.creator_id"
                            " LEFT JOIN users o ON o.id = r.opponent_id ORDER BY r.id LIMIT ?1");
        stmt.bind(1, maxRooms);
        while (stmt.step()) {
            snapshot.rooms.push_back({stmt.integer(0), stmt.text(1), stmt.integer(2),
                                      stmt.text(3), stmt.text(4),
                                      static_cast<RoomState>(stmt.integer(5))});
        }
    }
    {
        auto stmt = prepare("SELECT said_at, speaker, words FROM chat ORDER BY id DESC LIMIT ?1");
        stmt.bind(1, maxChatLines);
        while (stmt.step())
            snapshot.chat.push_back({stmt.integer(0), stmt.text(1), stmt.text(2)});
    }
    return snapshot;
}

bool GameStore::userHasRoom(int64_t userId)
{
    auto stmt = prepare("SELECT 1 FROM rooms WHERE creator_id = ?1");
    stmt.bind(1, userId);
    return stmt.step();
}

bool GameStore::userIsOpponent(int64_t userId)
{
    auto stmt = prepare("SELECT 1 FROM rooms WHERE opponent_id = ?1");
    stmt.bind(1, userId);
    return stmt.step();
}

int64_t GameStore::removeRoomsOf(int64_t userId)
{
    prepare("DELETE FROM rooms WHERE creator_id = ?1").bind(1, userId).run();
    return sqlite3_changes(db_);
}

int64_t GameStore::vacateSeatsOf(int64_t userId)
{
    prepare("UPDATE rooms SET opponent_id = NULL, state = ?2 WHERE opponent_id = ?1")
        .bind(1, userId)
        .bind(2, static_cast<int64_t>(RoomState::Waiting))
        .run();
    return sqlite3_changes(db_);
}

CreateRoomOutcome GameStore::createRoom(int64_t userId, const std::string &title, int64_t now,
                                        int64_t maxRooms, int64_t &roomId)
{
    std::lock_guard lock(mutex_);
    Transaction transaction(*this);
    {
        auto own = prepare("SELECT id FROM rooms WHERE creator_id = ?1");
        own.bind(1, userId);
        if (own.step()) {
            roomId = own.integer(0);
            return CreateRoomOutcome::AlreadyOwnsRoom;
        }
    }
    {
        auto count = prepare("SELECT COUNT(*) FROM rooms");
        if (count.step() && count.integer(0) >= maxRooms)
            return CreateRoomOutcome::LobbyFull;
    }
    vacateSeatsOf(userId);
    prepare("INSERT INTO rooms(title, created_at, creator_id, state) VALUES(?1, ?2, ?3, ?4)")
        .bind(1, title)
        .bind(2, now)
        .bind(3, userId)
        .bind(4, static_cast<int64_t>(RoomState::Waiting))
        .run();
    roomId = sqlite3_last_insert_rowid(db_);
    touchLastUpdate(now);
    transaction.commit();
    return CreateRoomOutcome::Created;
}

JoinRoomOutcome GameStore::joinRoom(int64_t roomId, int64_t userId, int64_t now)
{
    std::lock_guard lock(mutex_);
    Transaction transaction(*this);
    int64_t creatorId = 0;
    int64_t state = 0;
    {
        auto room = prepare("SELECT creator_id, state FROM rooms WHERE id = ?1");
        room.bind(1, roomId);
        if (!room.step())
            return JoinRoomOutcome::NoSuchRoom;
        creatorId = room.integer(0);
        state = room.integer(1);
    }
    if (creatorId == userId)
        return JoinRoomOutcome::OwnRoom;
    if (userHasRoom(userId) || userIsOpponent(userId))
        return JoinRoomOutcome::AlreadyInRoom;
    if (state != static_cast<int64_t>(RoomState::Waiting))
        return JoinRoomOutcome::NotWaiting;
    prepare("UPDATE rooms SET opponent_id = ?2, state = ?3 WHERE id = ?1")
        .bind(1, roomId)
        .bind(2, userId)
        .bind(3, static_cast<int64_t>(RoomState::Full))
        .run();
    touchLastUpdate(now);
    transaction.commit();
    return JoinRoomOutcome::Joined;
}

bool GameStore::deleteOwnRoom(int64_t userId, int64_t now)
{
    std::lock_guard lock(mutex_);
    Transaction transaction(*this);
    if (removeRoomsOf(userId) == 0)
        return false;
    touchLastUpdate(now);
    transaction.commit();
    return true;
}

bool GameStore::leaveJoinedRoom(int64_t userId, int64_t now)
{
    std::lock_guard lock(mutex_);
    Transaction transaction(*this);
    if (vacateSeatsOf(userId) == 0)
        return false;
    touchLastUpdate(now);
    transaction.commit();
    return true;
}

} // namespace server
