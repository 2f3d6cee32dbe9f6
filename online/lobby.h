#pragma once

#include "online/lobby_reply.h"
#include "online/screen.h"

#include <array>
#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace online {

// The lobby of a logged-in user: game rooms and chat, every action followed by a full refresh.
class Lobby : public Screen {
    Q_OBJECT

public:
    static constexpr int RoomRows = 10;
    static constexpr int ChatRows = 15;

    explicit Lobby(OnlineContext& context);

    void NewGame() override;
    // The refresh from Lobby.php.
    void init();

    int16_t RoomMode = 0; // 0 no room, 1 owns a room created here, 2 joined another user's room
    int32_t MyRoom = -1;  // the room this user created; kept after deleting it
    std::array<RoomRec, LobbyContent::MaxRooms> Rooms{};
    std::array<ChatRec, LobbyContent::MaxChats> Chats{};

protected:
    void beforeProgramEnds() override;

private:
    // How an action went on: on, stopped by a shown failure, or the program is ending.
    enum class Outcome { Done, Failed, Ended };

    void buildControls();
    void SetControls(bool enable);
    Outcome refresh();
    void fillView(const LobbyContent& content);
    void showRoomRows();
    void showChatRows();
    Outcome applyFatalRule(const Reply& reply);

    void MakeGameB_Click();
    Outcome createRoom();
    Outcome leaveRoom(const QString& extend);
    void ReloadB_Click();
    void SayB_Click();
    void Command_Click(int k);
    Outcome joinRoom(int r);

    std::array<QLabel*, 94> Word{};
    std::array<QPushButton*, RoomRows> Command{};
    QPushButton* MakeGameB = nullptr;
    QPushButton* ReloadB = nullptr;
    QPushButton* SayB = nullptr;
    QScrollBar* Scr = nullptr;
    QScrollBar* ChatScr = nullptr;
    QLineEdit* ChatTX = nullptr;
};

} // namespace online
