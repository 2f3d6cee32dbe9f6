#include "online/accept.h"
#include "online_rig.h"

#include <gtest/gtest.h>

#include <QTest>

using namespace testing_support;

namespace {

class AcceptScreen : public ::testing::Test {
protected:
    AcceptScreen()
    {
        accept.setTitleMenu(title);
        accept.show();
        accept.NewGame();
    }

    void send(const QString& name, const QString& password)
    {
        QTest::keyClicks(control<QLineEdit>(accept, "TEXTU"), name);
        QTest::keyClicks(control<QLineEdit>(accept, "TEXTP"), password);
        QTest::mouseClick(control<QPushButton>(accept, "CDA_Send"), Qt::LeftButton);
    }

    bool ready()
    {
        return enabled(accept, "CDA_Send") && enabled(accept, "CDA_Return") && enabled(accept, "TEXTU")
               && enabled(accept, "TEXTP");
    }

    OnlineRig rig;
    NextScreen lobby{rig.context};
    NextScreen title{rig.context};
    online::Accept accept{rig.context, lobby};
};

} // namespace

TEST_F(AcceptScreen, FreshFormHasItsBoxesAndTabOrder)
{
    auto* name = control<QLineEdit>(accept, "TEXTU");
    auto* password = control<QLineEdit>(accept, "TEXTP");
    ASSERT_TRUE(name && password);
    EXPECT_EQ(name->maxLength(), 16);
    EXPECT_EQ(password->maxLength(), 16);
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_EQ(name->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(accept.focusWidget(), name);
    EXPECT_EQ(nextTabStop(name), password);
    EXPECT_EQ(nextTabStop(password), control<QPushButton>(accept, "CDA_Send"));
    EXPECT_EQ(text(accept, "Word(3)"), QStringLiteral(" "));
    EXPECT_EQ(accept.Tag, QStringLiteral("1"));
}

TEST_F(AcceptScreen, EmptyBoxesAreCaughtBeforeAnyRequest)
{
    send(QString(), QString());
    EXPECT_EQ(text(accept, "Word(3)"), QStringLiteral("ユーザー名を入力してください。"));
    send(QStringLiteral("taro"), QString());
    EXPECT_EQ(text(accept, "Word(3)"), QStringLiteral("パスワードを入力してください。"));
    EXPECT_TRUE(ready());
    EXPECT_TRUE(rig.server.targets().empty());
}

TEST_F(AcceptScreen, RefusalsShowTheServerWordAndKeepTheInput)
{
    rig.server.script("Access.php", "-1<QZT>名前かパスワードが違います");
    rig.server.script("Access.php", "-2<QZT>停止中");
    rig.server.script("Access.php", "0");
    rig.server.script("Access.php", "5<QZT>x<QZT>y");
    send(QStringLiteral("taro"), QStringLiteral("a b&c"));
    EXPECT_EQ(text(accept, "Word(3)"), QStringLiteral("名前かパスワードが違います"));
    EXPECT_EQ(text(accept, "TEXTU"), QStringLiteral("taro"));
    EXPECT_EQ(text(accept, "TEXTP"), QStringLiteral("a b&c"));
    EXPECT_TRUE(ready());
    EXPECT_EQ(rig.server.targets().front(), "/PHP/Rinkfall/Access.php?Rkf=1&NAME=taro&PASS=a%20b%26c");

    QTest::mouseClick(control<QPushButton>(accept, "CDA_Send"), Qt::LeftButton);
    EXPECT_EQ(text(accept, "Word(3)"), QStringLiteral("停止中"));
    QTest::mouseClick(control<QPushButton>(accept, "CDA_Send"), Qt::LeftButton);
    EXPECT_EQ(text(accept, "Word(3)"), QStringLiteral("データベースにエラーが発生しました。"));
    QTest::mouseClick(control<QPushButton>(accept, "CDA_Send"), Qt::LeftButton);
    EXPECT_EQ(text(accept, "Word(3)"), QStringLiteral("ログイン中"));
    EXPECT_TRUE(ready());
    EXPECT_EQ(lobby.newGames, 0);
    EXPECT_EQ(rig.master.UserName, QString());
}

TEST_F(AcceptScreen, SuccessAnnouncesTheServersSpellingAndOpensTheLobby)
{
    rig.server.script("Access.php", "1<QZT>32768<QZT>Taro"); // past 16 bits: the 32,768th account
    rig.server.script("Say.php", "1");
    send(QStringLiteral("taro"), QStringLiteral("pw"));
    EXPECT_EQ(rig.master.UserNo, 32768);
    EXPECT_EQ(rig.master.UserName, QStringLiteral("Taro"));
    const auto targets = rig.server.targets();
    ASSERT_EQ(targets.size(), 2u);
    EXPECT_EQ(rig.server.lastParameter("Speaker"), std::string("システム"));
    EXPECT_EQ(rig.server.lastParameter("Words"), std::string("Taro さんがログインしました。"));
    EXPECT_EQ(targets[1].rfind("/PHP/Rinkfall/Say.php?Rkf=1&Speaker=", 0), 0u);
    EXPECT_TRUE(targets[1].ends_with("&Belong=0")) << "no session from a service that keeps none";
    EXPECT_EQ(text(accept, "Word(3)"), QStringLiteral("ログイン成功 しばらくお待ち下さい。"));
    EXPECT_EQ(lobby.newGames, 1);
    EXPECT_TRUE(lobby.isVisible());
    EXPECT_FALSE(accept.isVisible());
    EXPECT_EQ(accept.Tag, QStringLiteral("0"));
    EXPECT_FALSE(enabled(accept, "CDA_Send"));

    accept.show();
    accept.NewGame();
    EXPECT_TRUE(ready());
    EXPECT_EQ(text(accept, "TEXTU"), QString());
}

TEST_F(AcceptScreen, ASessionFromTheLoginReplyGoesWithTheArrivalNotice)
{
    rig.server.script("Access.php", "1<QZT>12<QZT>taro<QZT>5e55");
    rig.server.script("Say.php", "1");
    send(QStringLiteral("taro"), QStringLiteral("pw"));
    EXPECT_EQ(rig.master.SessionToken, QStringLiteral("5e55"));
    EXPECT_EQ(rig.server.lastParameter("Sid"), std::string("5e55"));
}

TEST_F(AcceptScreen, FailedTransfersAndGarbledRepliesLeaveItReady)
{
    rig.transfer.setTimeout(std::chrono::milliseconds(300));
    const QString garbled = QStringLiteral("サーバーの応答が正しくありません。");
    const std::vector<std::pair<ScriptedReply, QString>> cases{
        {{"<html>oops</html>"}, garbled},
        {{"1<QZT>12"}, garbled},
        {{"1<QZT>many<QZT>Taro"}, garbled},
        {{"1<QZT>2147483648<QZT>Taro"}, garbled},
        {{"-1"}, garbled},
        {{"1<QZT>1<QZT>x", 500}, QStringLiteral("サーバーがエラーを返しました。(HTTP 500)")},
        // Last: the service stays busy with this one after the client has given up.
        {{"1<QZT>1<QZT>x", 200, "text/plain", std::chrono::milliseconds(2000)},
         QStringLiteral("サーバーから応答がありませんでした。")},
    };
    send(QStringLiteral("taro"), QStringLiteral("pw"));
    for (const auto& [reply, message] : cases) {
        rig.server.script("Access.php", reply);
        QTest::mouseClick(control<QPushButton>(accept, "CDA_Send"), Qt::LeftButton);
        EXPECT_EQ(text(accept, "Word(3)"), message) << reply.body;
        EXPECT_TRUE(ready()) << reply.body;
        EXPECT_EQ(lobby.newGames, 0) << reply.body;
        EXPECT_EQ(rig.master.UserName, QString()) << reply.body;
    }
}

TEST_F(AcceptScreen, BackReturnsToTheTitleMenuAndClosingEndsTheProgram)
{
    QTest::mouseClick(control<QPushButton>(accept, "CDA_Return"), Qt::LeftButton);
    EXPECT_EQ(title.newGames, 1);
    EXPECT_TRUE(title.isVisible());
    EXPECT_FALSE(accept.isVisible());
    accept.close(); // a hidden, no longer current screen
    EXPECT_TRUE(rig.exits.empty());

    accept.show();
    accept.NewGame();
    accept.close();
    EXPECT_EQ(rig.exits, std::vector<int>{0});
    EXPECT_TRUE(rig.server.targets().empty());
}
