// The login and registration forms, and the program's message and input boxes.
#include "online_rig.h"
#include "platform/qt_dialogs.h"
#include "platform/translations.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

using namespace testing_support;
using AcceptScreen = OnlineScreens;
using RegistScreen = OnlineScreens;

TEST_F(AcceptScreen, EmptyBoxesAreCaughtBeforeAnyRequestAndSuccessOpensTheLobby)
{
    online::Accept& accept = startUp.accept();
    open(accept);
    EXPECT_EQ(control<QLineEdit>(accept, "TEXTP")->echoMode(), QLineEdit::Password);
    click(accept, "CDA_Send");
    EXPECT_EQ(text(accept, "Word(3)"), QStringLiteral("ユーザー名を入力してください。"));
    type(accept, {"TEXTU"}, {"taro"});
    click(accept, "CDA_Send");
    EXPECT_EQ(text(accept, "Word(3)"), QStringLiteral("パスワードを入力してください。"));
    EXPECT_TRUE(enabled(accept, "CDA_Send") && enabled(accept, "TEXTP"));
    EXPECT_TRUE(service.targets().empty());

    // The service's spelling of the name is announced; a session goes with the notice when there is one.
    service.script("Access.php", "1<QZT>32768<QZT>Taro"); // past 16 bits: the 32,768th account
    service.script("Access.php", "1<QZT>12<QZT>taro<QZT>5e55");
    service.script("Say.php", "1");
    service.script("Lobby.php", lobbyDocument(0, 0));
    type(accept, {"TEXTP"}, {"pw"});
    click(accept, "CDA_Send");
    EXPECT_EQ(startUp.master().UserNo, 32768);
    EXPECT_EQ(text(accept, "Word(3)"), QStringLiteral("ログイン成功 しばらくお待ち下さい。"));
    ASSERT_EQ(service.targets().size(), 3u);
    const std::string notice = service.targets()[1];
    EXPECT_EQ(parameter(notice, "Speaker"), "システム");
    EXPECT_EQ(parameter(notice, "Words"), "Taro さんがログインしました。");
    EXPECT_TRUE(notice.ends_with("&Belong=0")) << "no session from a service that keeps none";
    EXPECT_TRUE(startUp.lobby().isVisible());

    open(accept);
    type(accept, {"TEXTU", "TEXTP"}, {"taro", "pw"});
    click(accept, "CDA_Send");
    EXPECT_EQ(startUp.master().SessionToken, QStringLiteral("5e55"));
    EXPECT_EQ(parameter(sentSince(3).at(1), "Sid"), "5e55");
}

TEST_F(RegistScreen, BlanksNeverStayInABoxAndChecksRunInOrderBeforeAnyRequest)
{
    online::Regist& regist = startUp.regist();
    open(regist);
    const auto box = [&](int i) { return control<QLineEdit>(regist, QStringLiteral("TextB(%1)").arg(i)); };
    const auto send = [&](const QStringList& boxes) {
        for (int i = 0; i < 3; ++i)
            box(i)->setText(boxes[i]);
        click(regist, "CDR_Send");
    };
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(box(i)->echoMode(), i == 0 ? QLineEdit::Normal : QLineEdit::Password) << i;
        QTest::keyClicks(box(i), QStringLiteral("a b"));
        EXPECT_EQ(box(i)->text(), QStringLiteral("ab")) << i;
    }
    // Typing in the middle keeps the caret where the user was.
    box(0)->setText(QStringLiteral(" ab cd"));
    box(0)->setCursorPosition(2);
    QTest::keyClicks(box(0), QStringLiteral(" Z"));
    EXPECT_EQ(box(0)->text(), QStringLiteral("abZcd"));
    // Letter case and full-width blanks are left alone.
    box(0)->setText(QStringLiteral("AB　C"));
    EXPECT_EQ(box(0)->text(), QStringLiteral("AB　C"));

    const QString noName = QStringLiteral("ユーザー名が空欄です");
    const struct {
        const char* name;
        QStringList boxes;
        QString message;
    } rows[] = {
        {"all empty", {"", "", ""}, noName},
        {"the name shows last", {"", "pw", "other"}, noName},
        {"mismatch", {"taro", "pw", "PW"}, "２つのパスワードが一致しません。"},
        {"no password", {"taro", "", "x"}, "パスワードが空欄です"},
    };
    for (const auto& row : rows) {
        send(row.boxes);
        EXPECT_EQ(text(regist, "Word(4)"), row.message) << row.name;
        EXPECT_TRUE(enabled(regist, "CDR_Send") && enabled(regist, "CDR_Return")) << row.name;
    }
    EXPECT_TRUE(service.targets().empty());
}

namespace {

// Runs `inspect` on the modal dialog and its buttons' texts once it is open, then closes it with `result`.
void whenOpen(std::function<void(QDialog&, QStringList)> inspect, int result = QDialog::Rejected)
{
    QTimer::singleShot(0, [inspect, result] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        QStringList buttons;
        for (auto* button : dialog->findChildren<QPushButton*>())
            buttons << button->text();
        buttons.sort();
        inspect(*dialog, buttons);
        dialog->done(result);
    });
}

} // namespace

TEST(QtDialogs, BoxesShowTheirTextsLiterallyInJapanese)
{
    const platform::Translations japanese(platform::Language::Japanese);
    platform::QtDialogs dialogs;
    whenOpen([](QDialog& box, const QStringList& buttons) {
        EXPECT_EQ(expectLabelsShowTextLiterally(box), 1);
        EXPECT_EQ(box.windowTitle(), markup(2));
        EXPECT_EQ(buttons, QStringList{QStringLiteral("OK")});
    });
    dialogs.messageBox(markup(1).toStdString(), markup(2).toStdString());

    whenOpen(
        [](QDialog& box, const QStringList& buttons) {
            EXPECT_EQ(expectLabelsShowTextLiterally(box), 1);
            EXPECT_EQ(box.windowTitle(), markup(4));
            EXPECT_EQ(buttons, (QStringList{QStringLiteral("OK"), QStringLiteral("キャンセル")}));
        },
        QDialog::Accepted);
    EXPECT_EQ(dialogs.inputBox(markup(3).toStdString(), markup(4).toStdString(), markup(5).toStdString()),
              markup(5).toStdString());
    whenOpen([](QDialog&, const QStringList&) {});
    EXPECT_EQ(dialogs.inputBox("簡潔な題名を入力してください。", "ゲームルームの作成", "誰でもどうぞ"), std::nullopt);
}
