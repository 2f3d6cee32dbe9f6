#include "online_rig.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class LobbyScreen : public OnlineScreens {
protected:
    LobbyScreen() { startUp.master().UserName = QStringLiteral("taro"); }

    void openWith(const std::string& firstRefresh)
    {
        service.script("Lobby.php", firstRefresh);
        open(lobby);
    }
    void reload(const std::string& document)
    {
        service.script("Lobby.php", document);
        click(lobby, "ReloadB");
    }

    void clickRow(int k) { click(lobby, QStringLiteral("Command(%1)").arg(k)); }
    QScrollBar* scr() { return control<QScrollBar>(lobby, "Scr"); }
    QScrollBar* chatScr() { return control<QScrollBar>(lobby, "ChatScr"); }
    QString rowTitle(int k) { return text(lobby, QStringLiteral("Word(%1)").arg(9 + 4 * k)); }
    QString rowButton(int k) { return text(lobby, QStringLiteral("Command(%1)").arg(k)); }
    bool rowEnabled(int k) { return enabled(lobby, QStringLiteral("Command(%1)").arg(k)); }
    QString chat(int j, int column) { return text(lobby, QStringLiteral("Word(%1)").arg(49 + 3 * j + column)); }

    online::Lobby& lobby = startUp.lobby();
};

using Sent = std::vector<std::string>;

} // namespace

TEST_F(LobbyScreen, RoomAndChatRowsFollowTheirBarsAndOversizedListsAreCut)
{
    openWith(lobbyDocument(0, 20));
    EXPECT_EQ(service.targets(), Sent{"/PHP/Rinkfall/Lobby.php?Rkf=1"});
    EXPECT_EQ(text(lobby, "Word(1)"), QStringLiteral("taro"));
    EXPECT_EQ(text(lobby, "Word(3)"), QStringLiteral("2026/12/06 23:00"));
    EXPECT_EQ(lobby.focusWidget(), control<QLineEdit>(lobby, "ChatTX"));
    EXPECT_EQ(scr()->maximum(), 0);
    EXPECT_EQ(rowButton(9), QStringLiteral("無"));
    EXPECT_TRUE(rowEnabled(9)) << "every row is clickable after a refresh";
    // Chat rows run upwards from the newest; the bar stays where the user left it.
    EXPECT_EQ(chatScr()->value(), 15);
    EXPECT_EQ(chat(14, 0), QStringLiteral("s 0"));
    EXPECT_EQ(chat(0, 1), QStringLiteral("t 14"));
    chatScr()->setValue(0);
    EXPECT_EQ(chat(0, 2), QStringLiteral("-")); // entry 29
    EXPECT_EQ(chat(10, 0), QStringLiteral("s 19"));
    reload(lobbyDocument(25, 3));
    EXPECT_EQ(chatScr()->value(), 0);
    EXPECT_EQ(chat(14, 0), QStringLiteral("-"));

    EXPECT_EQ(scr()->maximum(), 15);
    scr()->setValue(5);
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(rowTitle(k), QStringLiteral("room %1").arg(5 + k));
    EXPECT_EQ(text(lobby, "Word(12)"), QStringLiteral("rival 5"));
    // After scrolling, rows enable by their state: room 7 is an empty slot, room 8 waiting.
    const std::pair<QString, bool> states[] = {{"無", false}, {"待機", true}, {"満室", true}, {"開始", true}};
    for (int k = 2; k < 6; ++k)
        EXPECT_EQ(std::make_pair(rowButton(k), rowEnabled(k)), states[k - 2]) << k;

    reload(lobbyDocument(130, 40, {1}));
    EXPECT_EQ(scr()->value(), 0);
    EXPECT_EQ(scr()->maximum(), 91);
    scr()->setValue(scr()->maximum());
    EXPECT_EQ(rowTitle(9), QStringLiteral("room 100"));
    EXPECT_EQ(lobby.Rooms[100].ID, 200);
    EXPECT_EQ(lobby.Chats[30].Col1, QStringLiteral("s 30"));
    EXPECT_EQ(chat(0, 0), QStringLiteral("s 29"));

    // A title too long for its row shows as one line cut short, never with part of a second line.
    const QString words = QStringLiteral("a title of many words that runs on and on, far past its row");
    reload("1<QZT>t<QZT>1<QZT>100<QZT>" + words.toStdString() + "<QZT>d<QZT>m<QZT>r<QZT>1<QZT>0");
    auto* title = control<QLabel>(lobby, "Word(9)");
    ASSERT_EQ(title->text(), words);
    const QImage shown = title->grab().toImage();
    int lowestInk = -1;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x)
            lowestInk = shown.pixel(x, y) != shown.pixel(0, 0) ? y : lowestInk;
    }
    EXPECT_GE(lowestInk, 0);
    EXPECT_LT(lowestInk, title->contentsRect().top() + title->fontMetrics().height());
}

TEST_F(LobbyScreen, RoomsAreMadeDeletedJoinedAndLeftChatLinesSentWholeAndClosingSaysGoodbye)
{
    openWith(lobbyDocument(3, 0));
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
    EXPECT_EQ(text(lobby, "MakeGameB"), QStringLiteral("ゲームルーム削除"));
    EXPECT_FALSE(rowEnabled(0));

    service.script("DelGame.php", "1");
    click(lobby, "MakeGameB");
    const std::string refresh = "/PHP/Rinkfall/Lobby.php?Rkf=1&Having=101";
    EXPECT_EQ(sentSince(5), (Sent{"/PHP/Rinkfall/DelGame.php?Rkf=1&Name=taro", refresh}));
    EXPECT_EQ(lobby.RoomMode, 0);
    EXPECT_EQ(lobby.MyRoom, 101) << "the number stays after deleting";

    // Deleted on our side, the service still lists it: pressing the own room only refreshes.
    ASSERT_EQ(lobby.Rooms[1].ID, 101);
    clickRow(1);
    EXPECT_EQ(sentSince(7), Sent{refresh});

    service.script("Join.php", "1<QZT>入室しました");
    clickRow(2); // room 2, number 102
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{"2に入室試行\r\nID:102", "入室しました"}));
    EXPECT_EQ(sentSince(8).at(0), "/PHP/Rinkfall/Join.php?Rkf=1&Room=102&Name=taro");
    EXPECT_EQ(lobby.RoomMode, 2);
    EXPECT_EQ(text(lobby, "MakeGameB"), QStringLiteral("ゲームルーム退席"));
    EXPECT_FALSE(rowEnabled(0));

    service.script("DelJoin.php", "1");
    click(lobby, "MakeGameB");
    EXPECT_EQ(sentSince(10), (Sent{"/PHP/Rinkfall/DelJoin.php?Rkf=1&Name=taro", refresh}));
    EXPECT_EQ(lobby.RoomMode, 0);
    EXPECT_TRUE(rowEnabled(0));

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
