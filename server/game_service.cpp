#include "server/game_service.h"

#include "server/service_messages.h"
#include "server/text_rules.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace server {

namespace {

constexpr int64_t kSecondsPerDay = 24 * 60 * 60;
constexpr std::string_view kSystemSpeaker = "システム";

constexpr std::array<std::pair<std::string_view, Script>, 9> kScriptFiles{{
    {"Login.php", Script::Login},
    {"Access.php", Script::Access},
    {"Regist.php", Script::Regist},
    {"Say.php", Script::Say},
    {"Lobby.php", Script::Lobby},
    {"Join.php", Script::Join},
    {"MakeGame.php", Script::MakeGame},
    {"DelGame.php", Script::DelGame},
    {"DelJoin.php", Script::DelJoin},
}};

Reply refuse(const char *message)
{
    return makeReply(ReplyCode::Refused, {message});
}

// A parameter that must be there and not be empty.
std::optional<std::string_view> required(const QueryParams &query, std::string_view name)
{
    auto value = query.value(name);
    if (!value || value->empty())
        return std::nullopt;
    return value;
}

// An optional number: absent is fine, anything but a decimal number is not.
bool optionalNumberIsValid(const QueryParams &query, std::string_view name)
{
    const auto value = query.value(name);
    return !value || parseDecimal(*value).has_value();
}

const char *problemMessage(QueryParams::Problem problem)
{
    return problem == QueryParams::Problem::TooLong ? messages::kTooLong : messages::kMalformed;
}

std::string formatLocal(int64_t epochSeconds, const char *format)
{
    const auto time = static_cast<std::time_t>(epochSeconds);
    std::tm local{};
    localtime_r(&time, &local);
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, format, &local);
    return std::string(text, length);
}

} // namespace

std::optional<Script> scriptFromFileName(std::string_view fileName)
{
    for (const auto &[file, script] : kScriptFiles) {
        if (file == fileName)
            return script;
    }
    return std::nullopt;
}

std::string formatDateTime(int64_t epochSeconds, bool withSeconds)
{
    return formatLocal(epochSeconds, withSeconds ? "%Y/%m/%d %H:%M:%S" : "%Y/%m/%d %H:%M");
}

std::string formatChatTime(int64_t epochSeconds)
{
    return formatLocal(epochSeconds, "%m/%d %H:%M");
}

int64_t GameService::systemClock()
{
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

GameService::GameService(GameStore &store, ServiceSettings settings, Clock clock)
    : store_(store), settings_(std::move(settings)), clock_(std::move(clock)),
      hasher_(settings_.hashCost),
      registrations_(settings_.registrationWindowSeconds, settings_.registrationsPerAddress),
      sessions_(settings_.sessionIdleSeconds),
      chatLines_(settings_.chatWindowSeconds, settings_.chatLinesPerWindow)
{
}

Reply GameService::handle(Script script, std::string_view rawQuery,
                          const std::string &clientAddress)
{
    // Titles and chat are cut to their lengths below, so no length of them is refused.
    const QueryParams query = QueryParams::parse(rawQuery, {"Title", "Words"});
    if (query.problem() != QueryParams::Problem::None)
        return refuse(problemMessage(query.problem()));
    if (query.value("Rkf") != std::optional<std::string_view>("1"))
        return refuse(messages::kWrongGameKey);
    try {
        noteActivity(clientAddress);
        return dispatch(script, query, clientAddress);
    } catch (const std::exception &error) {
        // The reason goes to the operator's log only; the request's values never do, since
        // they may hold a password.
        std::fprintf(stderr, "rinkfall-server: request failed: %s\n", error.what());
        return makeReply(ReplyCode::DatabaseError, {messages::kDatabase});
    }
}

void GameService::noteActivity(const std::string &address)
{
    const int64_t now = clock_();
    bool noteAddress = false;
    bool checkSilence = false;
    {
        std::lock_guard lock(activityMutex_);
        auto [entry, added] = lastNoted_.try_emplace(address, now);
        noteAddress = added || now - entry->second >= kActivityStepSeconds || now < entry->second;
        if (noteAddress)
            entry->second = now;
        checkSilence = now - lastSilenceCheck_ >= kActivityStepSeconds || now < lastSilenceCheck_;
        if (checkSilence)
            lastSilenceCheck_ = now;
        // Addresses seen long ago need no entry: the next request from them writes again.
        constexpr std::size_t kMaxRemembered = 10000;
        if (lastNoted_.size() > kMaxRemembered)
            lastNoted_.clear();
    }
    if (noteAddress)
        store_.noteActivity(address, now);
    if (checkSilence)
        store_.endRoomsOfUsersSilentSince(now - settings_.silenceSeconds, now);
}

Reply GameService::dispatch(Script script, const QueryParams &query, const std::string &address)
{
    switch (script) {
    case Script::Login: return login(query, address);
    case Script::Access: return access(query, address);
    case Script::Regist: return regist(query, address);
    case Script::Say: return say(query);
    case Script::Lobby: return lobby(query);
    case Script::Join: return join(query, address);
    case Script::MakeGame: return makeGame(query, address);
    case Script::DelGame: return delGame(query, address);
    case Script::DelJoin: return delJoin(query, address);
    }
    return refuse(messages::kMalformed);
}

Reply GameService::login(const QueryParams &query, const std::string &address)
{
    const auto text = required(query, "Version");
    if (!text)
        return refuse(messages::kMissing);
    const auto version = parseDecimal(*text);
    if (!version)
        return refuse(messages::kBadVersion);
    const ReplyCode code =
        *version >= settings_.minVersion ? ReplyCode::Success : ReplyCode::Rejected;
    std::vector<std::string> fields(settings_.notice.begin(), settings_.notice.end());
    fields.push_back(address);
    return makeReply(code, std::move(fields));
}

Reply GameService::access(const QueryParams &query, const std::string &address)
{
    const auto name = required(query, "NAME");
    const auto password = required(query, "PASS");
    if (!name || !password)
        return refuse(messages::kMissing);
    const bool plausibleName = utf8Length(*name) <= kMaxNameChars && isAsciiAlnum(*name);
    const std::string account = plausibleName ? asciiLower(*name) : std::string();
    const int64_t now = clock_();
    // Checked before any hashing, so guessing costs the guesser time and the service nothing.
    if (loginBackoff_.waitSeconds(address, account, now) > 0)
        return refuse(messages::kTooManyFailures);
    std::optional<UserRecord> user;
    if (plausibleName)
        user = store_.findUser(account);
    if (!user) {
        hasher_.verifyDummy(*password);
        loginBackoff_.failed(address, account, now);
        return refuse(messages::kLoginFailed);
    }
    if (!hasher_.verify(user->passwordHash, *password)) {
        loginBackoff_.failed(address, account, now);
        return refuse(messages::kLoginFailed);
    }
    loginBackoff_.succeeded(account);
    store_.recordLogin(user->id, address, now);
    // The token comes after the fields older clients read, so they still read the reply.
    return makeReply(ReplyCode::Success, {std::to_string(user->id), user->name,
                                          sessions_.open(user->id, user->name, now)});
}

Reply GameService::regist(const QueryParams &query, const std::string &address)
{
    const auto name = required(query, "NAME");
    const auto password = required(query, "PASS");
    const auto length = required(query, "LENG");
    if (!name || !password || !length || !required(query, "IP"))
        return refuse(messages::kMissing);
    if (!isAsciiAlnum(*name))
        return refuse(messages::kNameCharacters);
    if (name->size() > kMaxNameChars)
        return refuse(messages::kNameLength);
    const auto declared = parseDecimal(*length);
    if (!declared || *declared < 0 || static_cast<std::size_t>(*declared) != utf8Length(*name))
        return refuse(messages::kNameLengthMismatch);
    if (utf8Length(*password) > kMaxPasswordChars)
        return refuse(messages::kPasswordLength);

    const std::string storedName = asciiLower(*name);
    const int64_t now = clock_();
    const int64_t windowStart = now - kSecondsPerDay;
    const int64_t limit = settings_.maxAccountsPerAddressPerDay;
    // Cheap checks first, so a refused request costs no hashing.
    if (store_.nameTaken(storedName))
        return refuse(messages::kNameTaken);
    if (store_.accountsCreatedFrom(address, windowStart) >= limit)
        return makeReply(ReplyCode::Rejected, {messages::kTooManyAccounts});
    if (!registrations_.take(address, now))
        return refuse(messages::kTooManyRegistrations);
    const std::string hash = hasher_.hash(*password);
    switch (store_.addUser(storedName, hash, address, now, windowStart, limit)) {
    case AddUserOutcome::Added: return makeReply(ReplyCode::Success, {messages::kRegistered});
    case AddUserOutcome::NameTaken: return refuse(messages::kNameTaken);
    case AddUserOutcome::TooManyFromAddress:
        return makeReply(ReplyCode::Rejected, {messages::kTooManyAccounts});
    }
    return refuse(messages::kMalformed);
}

Reply GameService::say(const QueryParams &query)
{
    const auto speaker = required(query, "Speaker");
    if (!speaker)
        return refuse(messages::kMissing);
    const auto words = required(query, "Words");
    if (!words)
        return refuse(messages::kNoWords);
    if (!optionalNumberIsValid(query, "Belong"))
        return refuse(messages::kMalformed);
    if (utf8Length(*speaker) > kMaxSpeakerChars)
        return refuse(messages::kTooLong);
    const int64_t now = clock_();
    const auto session = sessions_.use(query.value("Sid").value_or(""), now);
    if (!session)
        return refuse(messages::kNotLoggedIn);
    // A line is said by the session's own user; a system notice only about that user.
    const bool ownName = isAsciiAlnum(*speaker) && asciiLower(*speaker) == session->name;
    const bool ownNotice = *speaker == kSystemSpeaker
                           && std::string_view(*words).starts_with(session->name + " ");
    if (!ownName && !ownNotice)
        return refuse(messages::kNotYourName);
    if (!chatLines_.take(session->name, now))
        return refuse(messages::kChatTooFast);
    store_.addChat(replySafeText(*speaker), replySafeText(utf8Prefix(*words, kMaxWordsChars)), now);
    return makeReply(ReplyCode::Success, {messages::kSaid});
}

Reply GameService::lobby(const QueryParams &query)
{
    if (!optionalNumberIsValid(query, "Having"))
        return refuse(messages::kMalformed);
    if (const auto token = query.value("Sid"))
        sessions_.use(*token, clock_()); // a player watching the lobby keeps the session alive
    {
        std::lock_guard lock(lobbyCacheMutex_);
        if (cachedLobbyRevision_ == store_.revision())
            return cachedLobby_;
    }
    return lobbyReply();
}

Reply GameService::lobbyReply()
{
    const LobbySnapshot snapshot = store_.lobby(kMaxRooms, kChatLinesShown);
    std::vector<std::string> fields;
    fields.reserve(3 + snapshot.rooms.size() * 6 + snapshot.chat.size() * 3);
    fields.push_back(snapshot.lastUpdate ? formatDateTime(snapshot.lastUpdate, true) : "-");
    fields.push_back(std::to_string(snapshot.rooms.size()));
    for (const RoomRecord &room : snapshot.rooms) {
        fields.push_back(std::to_string(room.id));
        fields.push_back(room.title);
        fields.push_back(formatDateTime(room.createdAt, false));
        fields.push_back(room.creator);
        fields.push_back(room.opponent);
        fields.push_back(std::to_string(static_cast<int>(room.state)));
    }
    fields.push_back(std::to_string(snapshot.chat.size()));
    for (const ChatRecord &line : snapshot.chat) {
        fields.push_back(formatChatTime(line.saidAt));
        fields.push_back(line.speaker);
        fields.push_back(line.words);
    }
    Reply reply = makeReply(ReplyCode::Success, std::move(fields));
    std::lock_guard lock(lobbyCacheMutex_);
    // A slower builder must not put back an older view over a newer one.
    if (snapshot.revision > cachedLobbyRevision_) {
        cachedLobbyRevision_ = snapshot.revision;
        cachedLobby_ = reply;
    }
    return reply;
}

std::optional<int64_t> GameService::actingUser(const QueryParams &query,
                                               const std::string &address)
{
    const auto name = required(query, "Name");
    if (!name || name->size() > kMaxNameChars || !isAsciiAlnum(*name))
        return std::nullopt;
    const auto session = sessions_.use(query.value("Sid").value_or(""), clock_());
    if (!session || session->name != asciiLower(*name))
        return std::nullopt;
    if (settings_.bindToLoginAddress && !store_.userLoggedInFrom(session->name, address))
        return std::nullopt;
    return session->userId;
}

Reply GameService::join(const QueryParams &query, const std::string &address)
{
    const auto roomText = required(query, "Room");
    if (!roomText || !required(query, "Name"))
        return refuse(messages::kMissing);
    const auto room = parseDecimal(*roomText);
    if (!room)
        return refuse(messages::kMalformed);
    const auto user = actingUser(query, address);
    if (!user)
        return refuse(messages::kNotLoggedIn);
    switch (store_.joinRoom(*room, *user, clock_())) {
    case JoinRoomOutcome::Joined: return makeReply(ReplyCode::Success, {messages::kJoined});
    case JoinRoomOutcome::NoSuchRoom: return refuse(messages::kNoSuchRoom);
    case JoinRoomOutcome::OwnRoom: return refuse(messages::kOwnRoom);
    case JoinRoomOutcome::NotWaiting: return refuse(messages::kNotWaiting);
    case JoinRoomOutcome::AlreadyInRoom: return refuse(messages::kAlreadyInRoom);
    }
    return refuse(messages::kMalformed);
}

Reply GameService::makeGame(const QueryParams &query, const std::string &address)
{
    const auto title = required(query, "Title");
    if (!required(query, "Name"))
        return refuse(messages::kMissing);
    if (!title)
        return refuse(messages::kNoTitle);
    const auto user = actingUser(query, address);
    if (!user)
        return refuse(messages::kNotLoggedIn);
    int64_t roomId = 0;
    const std::string shownTitle = replySafeText(utf8Prefix(*title, kMaxTitleChars));
    switch (store_.createRoom(*user, shownTitle, clock_(), kMaxRooms, roomId)) {
    // A room left from a request whose answer never arrived is the one the client asks for.
    case CreateRoomOutcome::Created:
    case CreateRoomOutcome::AlreadyOwnsRoom:
        return makeReply(ReplyCode::Success, {std::to_string(roomId)});
    case CreateRoomOutcome::LobbyFull: return makeReply(ReplyCode::NotDone, {messages::kLobbyFull});
    }
    return refuse(messages::kMalformed);
}

Reply GameService::delGame(const QueryParams &query, const std::string &address)
{
    if (!required(query, "Name"))
        return refuse(messages::kMissing);
    const auto user = actingUser(query, address);
    if (!user)
        return refuse(messages::kNotLoggedIn);
    // Gone already (a lost answer, or a silence that ended it): the client wanted it gone.
    if (!store_.deleteOwnRoom(*user, clock_()))
        return makeReply(ReplyCode::Success, {messages::kNoOwnRoom});
    return makeReply(ReplyCode::Success, {messages::kRoomDeleted});
}

Reply GameService::delJoin(const QueryParams &query, const std::string &address)
{
    if (!required(query, "Name"))
        return refuse(messages::kMissing);
    const auto user = actingUser(query, address);
    if (!user)
        return refuse(messages::kNotLoggedIn);
    if (!store_.leaveJoinedRoom(*user, clock_()))
        return makeReply(ReplyCode::Success, {messages::kNoJoinedRoom});
    return makeReply(ReplyCode::Success, {messages::kLeftRoom});
}

} // namespace server
