#include "online/lobby.h"
#include "online_rig.h"

#include <gtest/gtest.h>

#include <QTest>

using namespace testing_support;

namespace {

class LobbyScreen : public ::testing::Test {
protected:
    LobbyScreen() { rig.master.UserName = QStringLiteral("taro"); }

    void open(const std::string& firstRefresh)
    {
        rig.server.script("Lobby.php", firstRefresh);
        lobby.show();
        lobby.NewGame();
    }

    void click(const QString& name) { QTest::mouseClick(control<QPushButton>(lobby, name), Qt::LeftButton); }
    void clickRow(int k) { click(QStringLiteral("Command(%1)").arg(k)); }
    QScrollBar* scr() { return control<QScrollBar>(lobby, "Scr"); }
    QScrollBar* chatScr() { return control<QScrollBar>(lobby, "ChatScr"); }
    QString rowTitle(int k) { return text(lobby, QStringLiteral("Word(%1)").arg(9 + 4 * k)); }
    QString rowOpponent(int k) { return text(lobby, QStringLiteral("Word(%1)").arg(12 + 4 * k)); }
    QString rowButton(int k) { return text(lobby, QStringLiteral("Command(%1)").arg(k)); }
    bool rowEnabled(int k) { return enabled(lobby, QStringLiteral("Command(%1)").arg(k)); }
    QString chat(int j, int column) { return text(lobby, QStringLiteral("Word(%1)").arg(49 + 3 * j + column)); }
    size_t requestsTo(const std::string& script)
    {
        size_t count = 0;
        for (const auto& target : rig.server.targets())
            count += target.find("/" + script + "?") != std::string::npos;
        return count;
    }

    OnlineRig rig;
    online::Lobby lobby{rig.context};
};

} // namespace

TEST_F(LobbyScreen, EmptyLobbyShowsEmptyRowsAllClickable)
{
    open(lobbyDocument(0, 0));
    EXPECT_EQ(rig.server.targets(), std::vector<std::string>{"/PHP/Rinkfall/Lobby.php?Rkf=1"});
    EXPECT_EQ(lobby.windowTitle(), QStringLiteral("Debug-1"));
    EXPECT_EQ(text(lobby, "Word(1)"), QStringLiteral("taro"));
    EXPECT_EQ(text(lobby, "Word(3)"), QStringLiteral("2026/12/06 23:00"));
    EXPECT_EQ(scr()->maximum(), 0);
    EXPECT_EQ(chatScr()->minimum(), 0);
    EXPECT_EQ(chatScr()->maximum(), 15);
    EXPECT_EQ(chatScr()->value(), 15);
    EXPECT_EQ(control<QLineEdit>(lobby, "ChatTX")->maxLength(), 40);
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(rowButton(k), QStringLiteral("無"));
        EXPECT_TRUE(rowEnabled(k)) << k;
        EXPECT_EQ(rowTitle(k), QString());
    }
    EXPECT_EQ(chat(0, 0), QStringLiteral("-"));
    EXPECT_EQ(chat(14, 2), QStringLiteral("-"));
    EXPECT_EQ(text(lobby, "MakeGameB"), QStringLiteral("ゲームルーム作成"));
    EXPECT_EQ(lobby.focusWidget(), control<QLineEdit>(lobby, "ChatTX"));
}

TEST_F(LobbyScreen, RoomBarRangeFollowsTheRoomCount)
{
    rig.server.script("Lobby.php", lobbyDocument(10, 0));
    rig.server.script("Lobby.php", lobbyDocument(25, 0));
    lobby.show();
    lobby.NewGame();
    EXPECT_EQ(scr()->maximum(), 0);
    EXPECT_EQ(rowTitle(9), QStringLiteral("room 9"));

    click("ReloadB");
    EXPECT_EQ(scr()->minimum(), 0);
    EXPECT_EQ(scr()->maximum(), 15);
    scr()->setValue(5);
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(rowTitle(k), QStringLiteral("room %1").arg(5 + k));
    EXPECT_EQ(rowOpponent(0), QStringLiteral("rival 5"));
    // After scrolling, rows enable by their state: room 7 is an empty slot, room 8 waiting.
    EXPECT_EQ(rowButton(2), QStringLiteral("無"));
    EXPECT_FALSE(rowEnabled(2));
    EXPECT_EQ(rowButton(3), QStringLiteral("待機"));
    EXPECT_TRUE(rowEnabled(3));
    EXPECT_EQ(rowButton(4), QStringLiteral("満室"));
    EXPECT_EQ(rowButton(5), QStringLiteral("開始"));

    click("ReloadB");
    EXPECT_EQ(scr()->value(), 0);
    EXPECT_TRUE(rowEnabled(3)); // mode 0 after a refresh: every row clickable
}

TEST_F(LobbyScreen, ChatRowsRunUpwardsFromTheNewestAndOversizedListsAreCut)
{
    open(lobbyDocument(0, 20));
    EXPECT_EQ(chat(14, 0), QStringLiteral("s 0"));
    EXPECT_EQ(chat(0, 1), QStringLiteral("t 14"));
    chatScr()->setValue(0);
    EXPECT_EQ(chat(0, 2), QStringLiteral("-")); // entry 29
    EXPECT_EQ(chat(14, 2), QStringLiteral("w 15"));
    EXPECT_EQ(chat(10, 0), QStringLiteral("s 19"));
    rig.server.script("Lobby.php", lobbyDocument(0, 3));
    click("ReloadB");
    EXPECT_EQ(chatScr()->value(), 0); // the bar stays where the user left it
    EXPECT_EQ(chat(14, 0), QStringLiteral("-"));
    chatScr()->setValue(15);
    EXPECT_EQ(chat(12, 0), QStringLiteral("s 2"));

    // Oversized lists are cut to the tables.
    rig.server.script("Lobby.php", lobbyDocument(130, 40, {1}));
    click("ReloadB");
    EXPECT_EQ(scr()->maximum(), 91);
    scr()->setValue(scr()->maximum());
    EXPECT_EQ(rowTitle(9), QStringLiteral("room 100"));
    EXPECT_EQ(lobby.Rooms[100].ID, 200);
    EXPECT_EQ(lobby.Chats[30].Col1, QStringLiteral("s 30"));
    chatScr()->setValue(0);
    EXPECT_EQ(chat(0, 0), QStringLiteral("s 29"));
}

TEST_F(LobbyScreen, JoiningAndLeavingAnotherRoom)
{
    open(lobbyDocument(25, 0));
    rig.server.script("Join.php", "1<QZT>入室しました");
    rig.server.script("Lobby.php", lobbyDocument(25, 0));
    scr()->setValue(5);
    clickRow(3); // room 8, number 108, waiting
    ASSERT_EQ(rig.dialogs.messages.size(), 2u);
    EXPECT_EQ(rig.dialogs.messages[0], "8に入室試行\r\nID:108");
    EXPECT_EQ(rig.dialogs.messages[1], "入室しました");
    EXPECT_EQ(rig.dialogs.captions[0], "Code:Rinkfall");
    const auto targets = rig.server.targets();
    ASSERT_EQ(targets.size(), 3u);
    EXPECT_EQ(targets[1], "/PHP/Rinkfall/Join.php?Rkf=1&Room=108&Name=taro");
    EXPECT_EQ(targets.back(), "/PHP/Rinkfall/Lobby.php?Rkf=1");
    EXPECT_EQ(lobby.RoomMode, 2);
    EXPECT_EQ(text(lobby, "MakeGameB"), QStringLiteral("ゲームルーム退席"));
    for (int k = 0; k < 10; ++k)
        EXPECT_FALSE(rowEnabled(k));

    rig.server.script("DelJoin.php", "1");
    click("MakeGameB");
    ASSERT_EQ(rig.server.targets().size(), 5u);
    EXPECT_EQ(rig.server.targets()[3], "/PHP/Rinkfall/DelJoin.php?Rkf=1&Name=taro");
    EXPECT_EQ(lobby.RoomMode, 0);
    EXPECT_TRUE(rowEnabled(0));
    EXPECT_TRUE(rig.exits.empty());
}

TEST_F(LobbyScreen, CreatingDeletingAndPressingTheOwnRoomKeepTheRoomNumber)
{
    open(lobbyDocument(3, 0));
    click("MakeGameB"); // no answer queued: the box is cancelled
    rig.dialogs.answers.push_back(std::string());
    click("MakeGameB"); // an empty title counts as cancelled
    EXPECT_EQ(requestsTo("MakeGame.php"), 0u);
    EXPECT_EQ(requestsTo("Lobby.php"), 3u);
    EXPECT_EQ(lobby.RoomMode, 0);
    EXPECT_TRUE(enabled(lobby, "MakeGameB"));

    rig.dialogs.answers.push_back(std::string("a&b c=誰"));
    rig.server.script("MakeGame.php", "1<QZT>101");
    click("MakeGameB");
    ASSERT_EQ(rig.dialogs.prompts.size(), 3u);
    EXPECT_EQ(rig.dialogs.prompts[2].prompt, "簡潔な題名を入力してください。");
    EXPECT_EQ(rig.dialogs.prompts[2].title, "ゲームルームの作成");
    EXPECT_EQ(rig.dialogs.prompts[2].initial, "誰でもどうぞ");
    auto targets = rig.server.targets();
    ASSERT_EQ(targets.size(), 5u);
    EXPECT_EQ(targets[3], "/PHP/Rinkfall/MakeGame.php?Rkf=1&Title=a%26b%20c%3D%E8%AA%B0&Name=taro");
    EXPECT_EQ(targets[4], "/PHP/Rinkfall/Lobby.php?Rkf=1&Having=101");
    EXPECT_EQ(lobby.MyRoom, 101);
    EXPECT_EQ(lobby.RoomMode, 1);
    EXPECT_EQ(lobby.windowTitle(), QStringLiteral("Debug101"));
    EXPECT_EQ(text(lobby, "MakeGameB"), QStringLiteral("ゲームルーム削除"));
    EXPECT_FALSE(rowEnabled(0));

    rig.server.script("DelGame.php", "1");
    click("MakeGameB");
    targets = rig.server.targets();
    ASSERT_EQ(targets.size(), 7u);
    EXPECT_EQ(targets[5], "/PHP/Rinkfall/DelGame.php?Rkf=1&Name=taro");
    EXPECT_EQ(targets[6], "/PHP/Rinkfall/Lobby.php?Rkf=1&Having=101");
    EXPECT_EQ(lobby.RoomMode, 0);
    EXPECT_EQ(lobby.MyRoom, 101);

    // Deleted on our side, the service still lists it: pressing the own room only refreshes.
    ASSERT_EQ(lobby.Rooms[1].ID, 101);
    clickRow(1);
    EXPECT_TRUE(rig.dialogs.messages.empty());
    EXPECT_EQ(requestsTo("Join.php"), 0u);
    EXPECT_EQ(rig.server.targets().size(), 8u);
    EXPECT_EQ(lastOf(rig.server.targets()), "/PHP/Rinkfall/Lobby.php?Rkf=1&Having=101");
}

TEST_F(LobbyScreen, ChatLinesAreSentWholeAndClosingSaysGoodbye)
{
    open(lobbyDocument(0, 0));
    rig.server.script("Say.php", "1");
    auto* box = control<QLineEdit>(lobby, "ChatTX");
    click("SayB");
    EXPECT_EQ(requestsTo("Say.php"), 0u);
    EXPECT_EQ(requestsTo("Lobby.php"), 1u);

    QTest::keyClicks(box, QStringLiteral("hi & bye=ok #1 100%"));
    click("SayB");
    ASSERT_EQ(rig.server.targets().size(), 3u);
    EXPECT_EQ(rig.server.targets()[1],
              "/PHP/Rinkfall/Say.php?Rkf=1&Speaker=taro&Words=hi%20%26%20bye%3Dok%20%231%20100%25&Belong=0");
    EXPECT_EQ(box->text(), QString());
    EXPECT_EQ(requestsTo("Lobby.php"), 2u);
    EXPECT_TRUE(enabled(lobby, "SayB"));

    // Closing sends the logout notice, and a failed notice does not keep the program alive.
    rig.server.script("Say.php", ScriptedReply{"oops", 500});
    lobby.close();
    EXPECT_EQ(rig.server.lastParameter("Speaker"), std::string("システム"));
    EXPECT_EQ(rig.server.lastParameter("Words"), std::string("taro さんがログアウトしました。"));
    EXPECT_EQ(rig.server.lastParameter("Belong"), std::string("0"));
    EXPECT_EQ(rig.exits, std::vector<int>{0});
    EXPECT_TRUE(rig.dialogs.messages.empty());
}

TEST_F(LobbyScreen, FatalRepliesShowTheMessageAndEndTheProgram)
{
    open(lobbyDocument(0, 0));
    rig.server.script("Say.php", "-1<QZT>発言禁止です");
    QTest::keyClicks(control<QLineEdit>(lobby, "ChatTX"), QStringLiteral("hello"));
    click("SayB");
    EXPECT_EQ(rig.dialogs.messages, std::vector<std::string>{"発言禁止です"});
    EXPECT_EQ(rig.exits, std::vector<int>{0});
    EXPECT_EQ(requestsTo("Lobby.php"), 1u); // nothing after the fatal reply

    OnlineRig other;
    other.master.UserName = QStringLiteral("hanako");
    online::Lobby second{other.context};
    other.server.script("Lobby.php", "0");
    second.show();
    second.NewGame();
    EXPECT_EQ(other.dialogs.messages, std::vector<std::string>{"データベースにエラーが発生しました。"});
    EXPECT_EQ(other.exits, std::vector<int>{0});
    EXPECT_NE(second.windowTitle(), QStringLiteral("Debug-1"));
}

TEST_F(LobbyScreen, OtherCodesAndFailedTransfersAreNotFatalAndChangeNothing)
{
    open(lobbyDocument(2, 1));
    rig.transfer.setTimeout(std::chrono::milliseconds(300));
    rig.server.script("Lobby.php", "3<QZT>ignored");
    rig.server.script("Lobby.php", ScriptedReply{"x", 500});
    rig.server.script("Lobby.php", lobbyDocument(5, 0, {1}).substr(0, 60)); // cut short
    rig.server.script("Lobby.php", ScriptedReply{lobbyDocument(4, 0), 200, "text/plain", std::chrono::milliseconds(2000)});
    click("ReloadB");
    EXPECT_EQ(lobby.windowTitle(), QStringLiteral("Debug-1"));
    EXPECT_TRUE(rig.dialogs.messages.empty());
    for (int i = 0; i < 3; ++i)
        click("ReloadB");
    EXPECT_EQ(rig.dialogs.messages,
              (std::vector<std::string>{"サーバーがエラーを返しました。(HTTP 500)", "サーバーの応答が正しくありません。",
                                        "サーバーから応答がありませんでした。"}));
    EXPECT_EQ(rowTitle(1), QStringLiteral("room 1"));
    EXPECT_EQ(rowTitle(2), QString());
    EXPECT_EQ(chat(14, 0), QStringLiteral("s 0"));
    EXPECT_TRUE(rig.exits.empty());
    EXPECT_TRUE(enabled(lobby, "ReloadB"));
    EXPECT_TRUE(enabled(lobby, "Command(0)"));
}

TEST_F(LobbyScreen, RefusedOrGarbledRepliesKeepTheMode)
{
    open(lobbyDocument(0, 0));
    rig.server.script("Join.php", "-1<QZT>満室です");
    clickRow(4); // an empty row still asks for room 0
    ASSERT_GE(rig.server.targets().size(), 2u);
    EXPECT_NE(rig.server.targets()[1].find("Join.php?Rkf=1&Room=0&Name=taro"), std::string::npos);
    EXPECT_EQ(lastOf(rig.dialogs.messages), "満室です");
    EXPECT_EQ(requestsTo("Lobby.php"), 2u);

    // A room the service did not make, with its reason: the user is told and may try again.
    rig.dialogs.answers.push_back(std::string("mine"));
    rig.server.script("MakeGame.php", "2<QZT>ゲームルームの数が上限に達しています。");
    click("MakeGameB");
    EXPECT_EQ(lastOf(rig.dialogs.messages), "ゲームルームの数が上限に達しています。");
    EXPECT_EQ(lobby.RoomMode, 0);

    rig.dialogs.answers.push_back(std::string("mine"));
    rig.server.script("MakeGame.php", "1<QZT>not a number");
    click("MakeGameB");
    EXPECT_EQ(lastOf(rig.dialogs.messages), "サーバーの応答が正しくありません。");
    EXPECT_EQ(lobby.MyRoom, -1);
    EXPECT_EQ(lobby.RoomMode, 0);
    EXPECT_TRUE(enabled(lobby, "MakeGameB"));

    rig.server.script("Join.php", "<html>");
    clickRow(0);
    EXPECT_EQ(lastOf(rig.dialogs.messages), "サーバーの応答が正しくありません。");
    EXPECT_EQ(lobby.RoomMode, 0);
    EXPECT_TRUE(rig.exits.empty());
}
