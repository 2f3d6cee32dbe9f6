#include "online/lobby_reply.h"

#include <algorithm>

namespace online {

namespace {

constexpr qint64 FieldsPerRoom = 6;
constexpr qint64 FieldsPerChat = 3;

std::optional<RoomRec> readRoom(const Reply& reply, qint64 first)
{
    if (!reply.has(first + FieldsPerRoom - 1))
        return std::nullopt;
    const auto id = replyLong(reply.field(first));
    const auto state = replyInteger(reply.field(first + 5));
    if (!id || !state)
        return std::nullopt;
    return RoomRec{*id, reply.field(first + 1), reply.field(first + 2), reply.field(first + 3),
                   reply.field(first + 4), *state};
}

} // namespace

std::optional<LobbyContent> parseLobbyReply(const Reply& reply)
{
    LobbyContent content;
    const auto roomCount = replyLong(reply.field(2));
    if (!reply.has(2) || !roomCount || *roomCount < 0)
        return std::nullopt;
    content.lastUpdate = reply.field(1);
    content.roomCount = *roomCount;

    const qint64 n = *roomCount;
    for (qint64 i = 0; i < std::min<qint64>(n, LobbyContent::MaxRooms); ++i) {
        const auto room = readRoom(reply, 3 + FieldsPerRoom * i);
        if (!room)
            return std::nullopt;
        content.rooms.push_back(*room);
    }

    const qint64 chatCountField = 3 + FieldsPerRoom * n;
    const auto chatCount = replyLong(reply.field(chatCountField));
    if (!reply.has(chatCountField) || !chatCount || *chatCount < 0)
        return std::nullopt;
    for (qint64 j = 0; j < std::min<qint64>(*chatCount, LobbyContent::MaxChats); ++j) {
        const qint64 first = chatCountField + 1 + FieldsPerChat * j;
        if (!reply.has(first + FieldsPerChat - 1))
            return std::nullopt;
        content.chats.push_back(ChatRec{reply.field(first), reply.field(first + 1), reply.field(first + 2)});
    }
    return content;
}

} // namespace online
