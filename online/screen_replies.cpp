#include "online/screen_replies.h"

#include <cmath>

namespace online {

TitleReply readTitleReply(const Reply& reply)
{
    TitleReply title;
    const auto code = reply.code();
    // A lost or garbled answer leaves the menu ready for another try, with nothing taken from it.
    if (!reply.transferred()) {
        title.outcome = TitleReply::Outcome::TransferFailed;
        return title;
    }
    if (!code)
        return title;
    const double status = std::floor(*code);
    if (status != 1 && status != -2) {
        title.outcome = TitleReply::Outcome::Unexpected;
        return title;
    }
    if (!reply.has(6))
        return title;
    for (int i = 1; i <= 5; ++i)
        title.notice[i - 1] = reply.field(i);
    title.clientIP = reply.field(6);
    title.outcome = status == 1 ? TitleReply::Outcome::Current : TitleReply::Outcome::Outdated;
    return title;
}

LoginReply readLoginReply(const Reply& reply)
{
    LoginReply login;
    if (!reply.transferred()) {
        login.outcome = LoginReply::Outcome::TransferFailed;
        login.message = reply.failure();
        return login;
    }
    const auto code = reply.code();
    if (!code)
        return login;
    if (*code == -2 || *code == -1) {
        if (reply.has(1)) {
            login.outcome = LoginReply::Outcome::Refused;
            login.message = reply.field(1);
        }
        return login;
    }
    if (*code == 0) {
        login.outcome = LoginReply::Outcome::DatabaseError;
        return login;
    }
    if (*code != 1) {
        login.outcome = LoginReply::Outcome::Unknown;
        return login;
    }
    const auto userNo = replyLong(reply.field(1));
    if (!userNo || !reply.has(2))
        return login;
    login.outcome = LoginReply::Outcome::LoggedIn;
    login.userNo = *userNo;
    login.userName = reply.field(2);
    if (reply.has(3))
        login.sessionToken = reply.field(3);
    return login;
}

RegistReply readRegistReply(const Reply& reply)
{
    RegistReply regist;
    if (!reply.transferred()) {
        regist.outcome = RegistReply::Outcome::TransferFailed;
        regist.message = reply.failure();
        return regist;
    }
    const auto code = reply.code();
    const bool readsMessage = code && (*code == -2 || *code == -1 || *code == 1);
    if (!code || (readsMessage && !reply.has(1)))
        return regist;
    regist.message = reply.field(1);
    if (*code == -2)
        regist.outcome = RegistReply::Outcome::LockedOut;
    else if (*code == -1)
        regist.outcome = RegistReply::Outcome::Refused;
    else if (*code == 1)
        regist.outcome = RegistReply::Outcome::Registered;
    else {
        regist.outcome = RegistReply::Outcome::DatabaseError;
        regist.message.clear();
    }
    return regist;
}

LobbyVerdict readLobbyVerdict(const Reply& reply)
{
    LobbyVerdict verdict;
    if (!reply.transferred()) {
        verdict.outcome = LobbyVerdict::Outcome::TransferFailed;
        verdict.message = reply.failure();
        return verdict;
    }
    const auto code = reply.code();
    if (!code)
        return verdict;
    if (*code == -2 || *code == -1) {
        if (reply.has(1)) {
            verdict.outcome = LobbyVerdict::Outcome::Fatal;
            verdict.message = reply.field(1);
        }
        return verdict;
    }
    verdict.outcome = *code == 0 ? LobbyVerdict::Outcome::DatabaseError : LobbyVerdict::Outcome::GoOn;
    return verdict;
}

std::optional<int32_t> readCreatedRoom(const Reply& reply)
{
    return replyLong(reply.field(1));
}

JoinReply readJoinReply(const Reply& reply)
{
    JoinReply join;
    if (!reply.transferred()) {
        join.outcome = JoinReply::Outcome::TransferFailed;
        join.message = reply.failure();
        return join;
    }
    const auto code = reply.code();
    if (!code || !reply.has(1))
        return join;
    join.outcome = JoinReply::Outcome::Shown;
    join.message = reply.field(1);
    join.joined = *code == 1;
    return join;
}

} // namespace online
