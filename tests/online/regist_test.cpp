#include "online/regist.h"
#include "online_rig.h"

#include <gtest/gtest.h>

#include <QTest>

using namespace testing_support;

namespace {

class RegistScreen : public ::testing::Test {
protected:
    RegistScreen()
    {
        rig.master.ClientIP = QStringLiteral("192.0.2.9");
        regist.setTitleMenu(title);
        regist.show();
        regist.NewGame();
    }

    QLineEdit* box(int i) { return control<QLineEdit>(regist, QStringLiteral("TextB(%1)").arg(i)); }

    void fill(const QString& name, const QString& password, const QString& confirmation)
    {
        box(0)->setText(name);
        box(1)->setText(password);
        box(2)->setText(confirmation);
    }
    void send() { QTest::mouseClick(control<QPushButton>(regist, "CDR_Send"), Qt::LeftButton); }
    QString message() { return text(regist, "Word(4)"); }
    bool sendEnabled() { return enabled(regist, "CDR_Send"); }
    bool returnEnabled() { return enabled(regist, "CDR_Return"); }

    OnlineRig rig;
    NextScreen title{rig.context};
    online::Regist regist{rig.context};
};

} // namespace

TEST_F(RegistScreen, FreshFormHasItsBoxesAndTabOrder)
{
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(box(i)->maxLength(), 16);
        EXPECT_EQ(box(i)->echoMode(), i == 0 ? QLineEdit::Normal : QLineEdit::Password) << i;
    }
    EXPECT_EQ(nextTabStop(box(0)), box(1));
    EXPECT_EQ(nextTabStop(box(1)), box(2));
    EXPECT_EQ(nextTabStop(box(2)), control<QPushButton>(regist, "CDR_Send"));
    EXPECT_EQ(nextTabStop(control<QPushButton>(regist, "CDR_Send")), control<QPushButton>(regist, "CDR_Return"));
    EXPECT_TRUE(sendEnabled() && returnEnabled());
}

TEST_F(RegistScreen, BlanksNeverStayInABox)
{
    for (int i = 0; i < 3; ++i) {
        QTest::keyClicks(box(i), QStringLiteral("a b"));
        EXPECT_EQ(box(i)->text(), QStringLiteral("ab")) << i;
        box(i)->setText(QStringLiteral(" x  y "));
        EXPECT_EQ(box(i)->text(), QStringLiteral("xy")) << i;
    }
    // Typing in the middle keeps the caret where the user was.
    box(0)->setText(QStringLiteral("abcd"));
    box(0)->setCursorPosition(2);
    QTest::keyClicks(box(0), QStringLiteral(" Z"));
    EXPECT_EQ(box(0)->text(), QStringLiteral("abZcd"));
    // Letter case and full-width blanks are left alone.
    box(0)->setText(QStringLiteral("AB　C"));
    EXPECT_EQ(box(0)->text(), QStringLiteral("AB　C"));
}

TEST_F(RegistScreen, ChecksRunInOrderAndTheLastFailureShows)
{
    const QString noName = QStringLiteral("ユーザー名が空欄です");
    const std::vector<std::pair<QStringList, QString>> cases{
        {{"", "", ""}, noName},
        {{"", "pw", "other"}, noName},
        {{"taro", "pw", "PW"}, QStringLiteral("２つのパスワードが一致しません。")},
        {{"taro", "", "x"}, QStringLiteral("パスワードが空欄です")},
    };
    for (const auto& [boxes, expected] : cases) {
        fill(boxes[0], boxes[1], boxes[2]);
        send();
        EXPECT_EQ(message(), expected) << boxes.join(QLatin1Char('/')).toStdString();
    }
    EXPECT_TRUE(sendEnabled() && returnEnabled());
    EXPECT_TRUE(rig.server.targets().empty());
}

TEST_F(RegistScreen, SendsNameAsTypedWithItsCharacterCount)
{
    rig.server.script("Regist.php", "-1<QZT>使われています");
    fill(QStringLiteral("ＴＡＲＯ山"), QStringLiteral("p&w"), QStringLiteral("p&w"));
    send();
    ASSERT_EQ(rig.server.targets().size(), 1u);
    EXPECT_EQ(rig.server.targets()[0],
              "/PHP/Rinkfall/Regist.php?Rkf=1&NAME=%EF%BC%B4%EF%BC%A1%EF%BC%B2%EF%BC%AF%E5%B1%B1&PASS=p%26w&LENG=5"
              "&IP=192.0.2.9");
    EXPECT_EQ(rig.server.lastParameter("NAME"), std::string("ＴＡＲＯ山"));
    EXPECT_EQ(message(), QStringLiteral("使われています"));
    EXPECT_TRUE(sendEnabled() && returnEnabled());
}

TEST_F(RegistScreen, EachReplyCodeLeavesItsButtons)
{
    fill(QStringLiteral("taro"), QStringLiteral("pw"), QStringLiteral("pw"));
    rig.server.script("Regist.php", "0");
    rig.server.script("Regist.php", "7<QZT>?");
    rig.server.script("Regist.php", "1<QZT>登録しました");
    send();
    EXPECT_EQ(message(), QStringLiteral("データベースにエラーが発生しました。"));
    EXPECT_TRUE(sendEnabled() && returnEnabled());
    send();
    EXPECT_EQ(message(), QStringLiteral("データベースにエラーが発生しました。"));
    send();
    EXPECT_EQ(message(), QStringLiteral("登録しました"));
    EXPECT_EQ(regist.RegistState, 1);
    EXPECT_FALSE(sendEnabled());
    EXPECT_TRUE(returnEnabled());
    EXPECT_EQ(regist.focusWidget(), control<QPushButton>(regist, "CDR_Return"));
    QTest::keyClicks(box(0), QStringLiteral("x"));
    EXPECT_EQ(box(0)->text(), QStringLiteral("tarox"));
    EXPECT_FALSE(sendEnabled());

    QTest::mouseClick(control<QPushButton>(regist, "CDR_Return"), Qt::LeftButton);
    EXPECT_EQ(title.newGames, 1);
    EXPECT_FALSE(regist.isVisible());
    regist.show();
    regist.NewGame();
    EXPECT_EQ(regist.RegistState, 0);
    EXPECT_TRUE(sendEnabled() && returnEnabled());
    EXPECT_EQ(box(1)->text(), QString());
}

TEST_F(RegistScreen, TooOldLocksBothButtons)
{
    rig.server.script("Regist.php", "-2<QZT>更新してください");
    fill(QStringLiteral("taro"), QStringLiteral("pw"), QStringLiteral("pw"));
    send();
    EXPECT_EQ(message(), QStringLiteral("更新してください"));
    EXPECT_FALSE(sendEnabled());
    EXPECT_FALSE(returnEnabled());
    regist.close();
    EXPECT_EQ(rig.exits, std::vector<int>{0});
}

TEST_F(RegistScreen, FailedTransfersAndGarbledRepliesLeaveItEditing)
{
    fill(QStringLiteral("taro"), QStringLiteral("pw"), QStringLiteral("pw"));
    rig.server.script("Regist.php", ScriptedReply{std::string(1024 * 1024 + 1, '1')});
    send();
    EXPECT_EQ(message(), QStringLiteral("サーバーの応答が大きすぎます。"));
    EXPECT_TRUE(sendEnabled() && returnEnabled());
    for (const char* garbled : {"-1", "1", "OK<QZT>done", ""}) {
        rig.server.script("Regist.php", garbled);
        send();
        EXPECT_EQ(message(), QStringLiteral("サーバーの応答が正しくありません。")) << garbled;
        EXPECT_EQ(regist.RegistState, 0) << garbled;
        EXPECT_TRUE(sendEnabled() && returnEnabled()) << garbled;
    }
}
