#pragma once

#include "online/reply.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace online {

struct RoomRec {
    int32_t ID = 0;
    QString Title;
    QString Created;
    QString Creator;
    QString Opponent;
    int16_t State = 0; // 0 empty slot, 1 waiting, 2 full, 3 started
};

struct ChatRec {
    QString Col1 = QStringLiteral("-");
    QString Col2 = QStringLiteral("-");
    QString Col3 = QStringLiteral("-");
};

// A successful Lobby.php reply, cut to what the lobby's tables can hold.
struct LobbyContent {
    static constexpr int MaxRooms = 101;
    static constexpr int MaxChats = 31;

    QString lastUpdate;
    int32_t roomCount = 0; // as the server sent it, possibly more than MaxRooms
    std::vector<RoomRec> rooms;
    std::vector<ChatRec> chats;
};

// Reads a code-1 reply; nothing when a field the lobby reads is missing or not a number.
std::optional<LobbyContent> parseLobbyReply(const Reply& reply);

} // namespace online
