// How every screen takes each kind of reply of the service: the message it shows, which of its
// controls stay usable, and whether the program ends.
#include "online_rig.h"

#include <map>

using namespace testing_support;

namespace {

struct Row {
    const char* name;
    std::string script; // the one the reply answers; it picks the screen and the action
    ScriptedReply reply;
    QString message;     // the last one shown, "" for none
    std::string usable;  // one digit per control of ScreenReplies::Form::controls, 1 when usable
    bool ends = false;
    QString clientIP{}; // the title menu keeps it from a notice
};

const QString Garbled = QStringLiteral("サーバーの応答が正しくありません。");
const QString DatabaseError = QStringLiteral("データベースにエラーが発生しました。");
const QString Next = QStringLiteral("②登録 または ログインを押してください。");
const QString Waiting = QStringLiteral("システムアクセス中...");
const std::string Notice = "<QZT>a<QZT>b<QZT>c<QZT>d<QZT>e<QZT>ip";
const ScriptedReply Silence{"1<QZT>1<QZT>x", 200, "text/plain", std::chrono::milliseconds(2000)};
const QString NoAnswer = QStringLiteral("サーバーから応答がありませんでした。");

const Row Rows[] = {
    // Title menu: access, login, registration and practice.
    {"version current", "Login.php", {"1" + Notice}, Next, "0111", false, "ip"},
    {"version codes floored", "Login.php", {"1.7" + Notice}, Next, "0111", false, "ip"},
    {"version outdated", "Login.php", {"-1.5" + Notice}, "②バージョンアップをしてください。", "0001", false, "ip"},
    {"version database error", "Login.php", {"0" + Notice}, Waiting, "0001"},
    {"version unknown code", "Login.php", {"2"}, Waiting, "0001"},
    {"version markup", "Login.php", {"<html>busy</html>"}, Garbled, "1001"},
    {"version notice cut short", "Login.php", {"1<QZT>a<QZT>b<QZT>c"}, Garbled, "1001"},
    {"version outdated without notice", "Login.php", {"-2<QZT>old"}, Garbled, "1001"},
    {"version error status", "Login.php", {"1" + Notice, 503}, "サーバーがエラーを返しました。(HTTP 503)", "1001"},
    // Login form: send, back and both boxes.
    {"login refused", "Access.php", {"-1<QZT>名前かパスワードが違います"}, "名前かパスワードが違います", "1111"},
    {"login stopped", "Access.php", {"-2<QZT>停止中"}, "停止中", "1111"},
    {"login database error", "Access.php", {"0"}, DatabaseError, "1111"},
    {"login unknown code", "Access.php", {"5<QZT>x<QZT>y"}, "ログイン中", "1111"},
    {"login markup", "Access.php", {"<html>oops</html>"}, Garbled, "1111"},
    {"login refusal without a word", "Access.php", {"-1"}, Garbled, "1111"},
    {"login without a name", "Access.php", {"1<QZT>12"}, Garbled, "1111"},
    {"login text account", "Access.php", {"1<QZT>many<QZT>Taro"}, Garbled, "1111"},
    {"login account past 32 bits", "Access.php", {"1<QZT>2147483648<QZT>Taro"}, Garbled, "1111"},
    {"login error status", "Access.php", {"1<QZT>1<QZT>x", 500}, "サーバーがエラーを返しました。(HTTP 500)", "1111"},
    {"login silence", "Access.php", Silence, NoAnswer, "1111"},
    // Registration form: send and back.
    {"regist refused", "Regist.php", {"-1<QZT>使われています"}, "使われています", "11"},
    {"regist database error", "Regist.php", {"0"}, DatabaseError, "11"},
    {"regist unknown code", "Regist.php", {"7<QZT>?"}, DatabaseError, "11"},
    {"regist oversized", "Regist.php", {std::string(1024 * 1024 + 1, '1')}, "サーバーの応答が大きすぎます。", "11"},
    {"regist refusal without a message", "Regist.php", {"-1"}, Garbled, "11"},
    {"regist success without a message", "Regist.php", {"1"}, Garbled, "11"},
    {"regist text code", "Regist.php", {"OK<QZT>done"}, Garbled, "11"},
    {"regist empty", "Regist.php", {""}, Garbled, "11"},
    {"regist registered: only back remains", "Regist.php", {"1<QZT>登録しました"}, "登録しました", "01"},
    // This client is locked out: only closing remains.
    {"regist too old", "Regist.php", {"-2<QZT>更新してください"}, "更新してください", "00"},
    // Lobby: reload and the first room row. Refusals of its own requests end the program.
    {"refresh refused", "Lobby.php", {"-1<QZT>停止中です"}, "停止中です", "00", true},
    {"refresh too old", "Lobby.php", {"-2<QZT>更新してください"}, "更新してください", "00", true},
    {"refresh database error", "Lobby.php", {"0"}, DatabaseError, "00", true},
    {"refresh other code", "Lobby.php", {"3<QZT>ignored"}, "", "11"},
    {"refresh refused without a word", "Lobby.php", {"-1"}, Garbled, "11"},
    {"refresh cut short", "Lobby.php", {lobbyDocument(5, 0, {1}).substr(0, 60)}, Garbled, "11"},
    {"refresh redirect status", "Lobby.php", {"x", 302}, "サーバーがエラーを返しました。(HTTP 302)", "11"},
    {"refresh silence", "Lobby.php", Silence, NoAnswer, "11"},
    {"chat banned", "Say.php", {"-1<QZT>発言禁止です"}, "発言禁止です", "00", true},
    {"chat garbled", "Say.php", {"<html>"}, Garbled, "11"},
    {"join refused", "Join.php", {"-1<QZT>満室です"}, "満室です", "11"},
    {"join garbled", "Join.php", {"<html>"}, Garbled, "11"},
    {"join error status", "Join.php", {"x", 503}, "サーバーがエラーを返しました。(HTTP 503)", "11"},
    {"room not made", "MakeGame.php", {"2<QZT>上限です"}, "上限です", "11"},
    {"room not made, no reason", "MakeGame.php", {"2"}, Garbled, "11"},
    {"room number garbled", "MakeGame.php", {"1<QZT>not a number"}, Garbled, "11"},
    {"room refused", "MakeGame.php", {"-1<QZT>禁止"}, "禁止", "00", true},
};

class ScreenReplies : public OnlineScreens {
protected:
    ScreenReplies() { startUp.transfer().setTimeout(std::chrono::milliseconds(300)); }

    // The screen of a row's script, the boxes filled in before the button that sends it, the label
    // of its message ("" for a message box) and the controls of Row::usable.
    struct Form {
        online::Screen& screen;
        QStringList boxes;
        QString send, message;
        QStringList controls;
    };
    Form form(const std::string& script)
    {
        if (script == "Login.php")
            return {menu(), {}, "CD_Access", "Word(1)", {"CD_Access", "CD_Login", "CD_Regist", "Com_Single"}};
        if (script == "Access.php")
            return {startUp.accept(), {"TEXTU", "TEXTP"}, "CDA_Send", "Word(3)",
                    {"CDA_Send", "CDA_Return", "TEXTU", "TEXTP"}};
        if (script == "Regist.php")
            return {startUp.regist(), {"TextB(0)", "TextB(1)", "TextB(2)"}, "CDR_Send", "Word(4)",
                    {"CDR_Send", "CDR_Return"}};
        const std::map<std::string, QString> buttons{
            {"Lobby.php", "ReloadB"}, {"Say.php", "SayB"}, {"Join.php", "Command(4)"}, {"MakeGame.php", "MakeGameB"}};
        return {startUp.lobby(), {"ChatTX"}, buttons.at(script), "", {"ReloadB", "Command(0)"}};
    }
};

} // namespace

TEST_F(ScreenReplies, EveryScreenShowsItsMessageKeepsItsControlsAndEndsOnlyWhenItMust)
{
    for (const Row& row : Rows) {
        SCOPED_TRACE(row.name);
        dialogs.messages.clear();
        dialogs.answers = {std::string("a room")};
        exits.clear();
        startUp.master().ClientIP.clear();
        const Form f = form(row.script);
        const bool lobby = &f.screen == &startUp.lobby();
        if (lobby)
            service.script("Lobby.php", lobbyDocument(2, 1));
        open(f.screen);
        const size_t opened = service.targets().size();
        service.script(row.script, row.reply);
        type(f.screen, f.boxes, {"taro", "pw", "pw"});
        click(f.screen, f.send);

        const std::string shown = dialogs.messages.empty() ? "" : dialogs.messages.back();
        EXPECT_EQ(f.message.isEmpty() ? QString::fromStdString(shown) : text(f.screen, f.message), row.message);
        std::string usable;
        for (const QString& name : f.controls)
            usable += enabled(f.screen, name) ? '1' : '0';
        EXPECT_EQ(usable, row.usable);
        EXPECT_EQ(exits, row.ends ? std::vector<int>{0} : std::vector<int>{});
        EXPECT_EQ(startUp.master().ClientIP, row.clientIP);
        EXPECT_EQ(startUp.master().UserName, QString()) << "nobody logged in";
        EXPECT_TRUE(f.screen.isVisible());
        if (row.ends) {
            EXPECT_EQ(sentSince(opened).size(), 1u) << "nothing after the fatal reply";
        }
        if (lobby && !row.ends) {
            EXPECT_EQ(startUp.lobby().RoomMode, 0);
            EXPECT_EQ(text(f.screen, "Word(13)") + text(f.screen, "Word(91)"), QStringLiteral("room 1s 0"))
                << "the lobby as it was";
        }
    }
    EXPECT_EQ(service.targets().front(), "/PHP/Rinkfall/Login.php?Rkf=1&Version=1");
}
