#include "online_rig.h"

using namespace testing_support;

namespace {

class LobbyScreen : public OnlineScreens {
protected:
    LobbyScreen() { startUp.master().UserName = QStringLiteral("taro"); }

    // The first refresh, when `opening`, or a click on the reload button, answered with `document`.
    void refresh(const std::string& document, bool opening = false)
    {
        service.script("Lobby.php", document);
        opening ? open(lobby) : click(lobby, "ReloadB");
    }
    QString row(int k) { return QStringLiteral("Command(%1)").arg(k); }
    QString word(int i) { return text(lobby, QStringLiteral("Word(%1)").arg(i)); }
    QString chat(int j, int column) { return word(49 + 3 * j + column); }

    online::Lobby& lobby = startUp.lobby();
    QScrollBar* scr = control<QScrollBar>(lobby, "Scr");
    QScrollBar* chatScr = control<QScrollBar>(lobby, "ChatScr");
};

using Sent = std::vector<std::string>;

} // namespace

TEST_F(LobbyScreen, RoomAndChatRowsFollowTheirBarsAndOversizedListsAreCut)
{
    refresh(lobbyDocument(0, 20), true);
    EXPECT_EQ(service.targets(), Sent{"/PHP/Rinkfall/Lobby.php?Rkf=1"});
    EXPECT_EQ(word(1), QStringLiteral("taro"));
    EXPECT_EQ(word(3), QStringLiteral("2026/12/06 23:00"));
    EXPECT_EQ(scr->maximum(), 0);
    EXPECT_EQ(text(lobby, row(9)), QStringLiteral("無"));
    EXPECT_TRUE(enabled(lobby, row(9))) << "every row is clickable after a refresh";
    // Chat rows run upwards from the newest; the bar stays where the user left it.
    EXPECT_EQ(chatScr->value(), 15);
    EXPECT_EQ(chat(14, 0), QStringLiteral("s 0"));
    EXPECT_EQ(chat(0, 1), QStringLiteral("t 14"));
    chatScr->setValue(0);
    EXPECT_EQ(chat(0, 2), QStringLiteral("-")); // entry 29
    EXPECT_EQ(chat(10, 0), QStringLiteral("s 19"));
    refresh(lobbyDocument(25, 3));
    EXPECT_EQ(chatScr->value(), 0);
    EXPECT_EQ(chat(14, 0), QStringLiteral("-"));

    EXPECT_EQ(scr->maximum(), 15);
    scr->setValue(5);
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(word(9 + 4 * k), QStringLiteral("room %1").arg(5 + k));
    EXPECT_EQ(word(12), QStringLiteral("rival 5"));
    // After scrolling, rows enable by their state: room 7 is an empty slot, room 8 waiting.
    const std::pair<QString, bool> states[] = {{"無", false}, {"待機", true}, {"満室", true}, {"開始", true}};
    for (int k = 2; k < 6; ++k)
        EXPECT_EQ(std::make_pair(text(lobby, row(k)), enabled(lobby, row(k))), states[k - 2]) << k;

    refresh(lobbyDocument(130, 40, {1}));
    EXPECT_EQ(scr->value(), 0);
    EXPECT_EQ(scr->maximum(), 91);
    scr->setValue(scr->maximum());
    EXPECT_EQ(word(9 + 4 * 9), QStringLiteral("room 100"));
    EXPECT_EQ(lobby.Rooms[100].ID, 200);
    EXPECT_EQ(lobby.Chats[30].Col1, QStringLiteral("s 30"));
    EXPECT_EQ(chat(0, 0), QStringLiteral("s 29"));
}

TEST_F(LobbyScreen, RoomsAreMadeDeletedJoinedAndLeftChatLinesSentWholeAndClosingSaysGoodbye)
{
    refresh(lobbyDocument(3, 0), true);
    click(lobby, "MakeGameB"); // no answer queued: the box is cancelled
    dialogs.answers.push_back(std::string());
    click(lobby, "MakeGameB"); // an empty title counts as cancelled
    EXPECT_EQ(service.targets().size(), 3u) << "only refreshes";

    dialogs.answers.push_back(std::string("a&b c=誰"));
    service.script("MakeGame.php", "1<QZT>101");
    click(lobby, "MakeGameB");
    EXPECT_EQ(sentSince(3), (Sent{"/PHP/Rinkfall/MakeGame.php?Rkf=1&Title=a%26b%20c%3D%E8%AA%B0&Name=taro",
                                  "/PHP/Rinkfall/Lobby.php?Rkf=1&Having=101"}));
    EXPECT_EQ(lobby.RoomMode, 1);
    EXPECT_FALSE(enabled(lobby, row(0)));

    service.script("DelGame.php", "1");
    click(lobby, "MakeGameB");
    const std::string refresh = "/PHP/Rinkfall/Lobby.php?Rkf=1&Having=101";
    EXPECT_EQ(sentSince(5), (Sent{"/PHP/Rinkfall/DelGame.php?Rkf=1&Name=taro", refresh}));
    EXPECT_EQ(lobby.RoomMode, 0);
    EXPECT_EQ(lobby.MyRoom, 101) << "the number stays after deleting";

    // Deleted on our side, the service still lists it: pressing the own room only refreshes.
    ASSERT_EQ(lobby.Rooms[1].ID, 101);
    click(lobby, row(1));
    EXPECT_EQ(sentSince(7), Sent{refresh});

    service.script("Join.php", "1<QZT>入室しました");
    click(lobby, row(2)); // room 2, number 102
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{"2に入室試行\r\nID:102", "入室しました"}));
    EXPECT_EQ(sentSince(8).at(0), "/PHP/Rinkfall/Join.php?Rkf=1&Room=102&Name=taro");
    EXPECT_EQ(lobby.RoomMode, 2);
    EXPECT_FALSE(enabled(lobby, row(0)));

    service.script("DelJoin.php", "1");
    click(lobby, "MakeGameB");
    EXPECT_EQ(sentSince(10), (Sent{"/PHP/Rinkfall/DelJoin.php?Rkf=1&Name=taro", refresh}));
    EXPECT_EQ(lobby.RoomMode, 0);
    EXPECT_TRUE(enabled(lobby, row(0)));

    // Chat lines go whole; an empty one is not sent.
    service.script("Say.php", "1");
    auto* box = control<QLineEdit>(lobby, "ChatTX");
    click(lobby, "SayB");
    QTest::keyClicks(box, QStringLiteral("hi & bye=ok #1 100%"));
    click(lobby, "SayB");
    const std::string said = "/PHP/Rinkfall/Say.php?Rkf=1&Speaker=taro&Words=hi%20%26%20bye%3Dok%20%231%20100%25";
    EXPECT_EQ(sentSince(12), (Sent{said + "&Belong=0", refresh}));
    EXPECT_EQ(box->text(), QString());

    // Closing sends the logout notice, and a failed notice does not keep the program alive.
    dialogs.messages.clear();
    service.script("Say.php", ScriptedReply{"oops", 500});
    lobby.close();
    EXPECT_EQ(parameter(service.targets().back(), "Speaker"), "システム");
    EXPECT_EQ(parameter(service.targets().back(), "Words"), "taro さんがログアウトしました。");
    EXPECT_EQ(exits, std::vector<int>{0});
    EXPECT_TRUE(dialogs.messages.empty());
}
