// libFuzzer target for the client's reading of one server reply document (UTF-8), split into fields
// and read by every screen's reader: an exception or a broken promise of a reader is a finding.

#include "online/lobby_reply.h"
#include "online/reply.h"
#include "online/screen_replies.h"
#include "tests/fuzz/fuzz_check.h"

#include <cmath>

namespace {

using fuzz::require;
using namespace online;

void checkScreens(const Reply& reply)
{
    const auto code = reply.code();

    const TitleReply title = readTitleReply(reply);
    const bool noticed =
        title.outcome == TitleReply::Outcome::Current || title.outcome == TitleReply::Outcome::Outdated;
    require(!noticed
            || (reply.has(6) && title.clientIP == reply.field(6) && title.notice[4] == reply.field(5)));

    const LoginReply login = readLoginReply(reply);
    require(login.outcome != LoginReply::Outcome::LoggedIn
            || (code && *code == 1 && login.userName == reply.field(2)));
    require(login.outcome != LoginReply::Outcome::Refused || reply.has(1));

    const RegistReply regist = readRegistReply(reply);
    require(regist.outcome != RegistReply::Outcome::Registered || (code && *code == 1 && reply.has(1)));

    const LobbyVerdict verdict = readLobbyVerdict(reply);
    require((verdict.outcome == LobbyVerdict::Outcome::Malformed)
            == (!code || ((*code == -1 || *code == -2) && !reply.has(1))));
    if (verdict.outcome == LobbyVerdict::Outcome::GoOn && *code == 1) {
        if (const auto content = parseLobbyReply(reply)) {
            require(content->roomCount >= 0);
            const int32_t shown = std::min<int32_t>(content->roomCount, LobbyContent::MaxRooms);
            require(content->rooms.size() == std::size_t(shown));
            require(content->chats.size() <= std::size_t(LobbyContent::MaxChats));
        }
    }
    (void)readCreatedRoom(reply);

    const JoinReply join = readJoinReply(reply);
    require(!join.joined || join.outcome == JoinReply::Outcome::Shown);
}

} // namespace

FUZZ_TARGET(fuzz::NothingRefused)
{
    const QString document = QString::fromUtf8(input.data(), qsizetype(input.size()));
    const Reply reply = Reply::fromDocument(document);
    require(reply.transferred() && reply.fields().join(QStringLiteral("<QZT>")) == document);
    require(reply.fields().size() == document.count(QStringLiteral("<QZT>")) + 1);
    // Whole numbers agree with the decimal reading they come from.
    for (const QString& field : reply.fields()) {
        const auto number = replyNumber(field);
        const auto small = replyInteger(field);
        const auto large = replyLong(field);
        require(!number || std::isfinite(*number));
        require(!small || (number && double(*small) == std::nearbyint(*number)));
        require(!large || (number && double(*large) == std::nearbyint(*number)));
        require(!small || (large && *large == *small));
    }
    checkScreens(reply);
}
