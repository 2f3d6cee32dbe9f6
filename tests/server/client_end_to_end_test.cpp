// The real online screens of the game against the real service: two players on one machine go
// from the version check to chatting, making, joining, leaving and deleting a room, and logging
// out.

#include "app/start_up.h"
#include "online_rig.h"
#include "tests/server/service_fixture.h"

#include <QApplication>
#include <QSslConfiguration>
#include <QTest>

#include <cstdlib>
#include <fstream>
#include <iterator>

using namespace servertest;
using testing_support::control;
using testing_support::text;

namespace {

void click(QWidget &form, const QString &name)
{
    QTest::mouseClick(control<QPushButton>(form, name), Qt::LeftButton);
}
void type(QWidget &form, const QString &name, const QString &typed)
{
    auto *box = control<QLineEdit>(form, name);
    box->clear();
    QTest::keyClicks(box, typed);
}
QString word(int i) { return QStringLiteral("Word(%1)").arg(i); }

// One copy of the game's online side, as the program wires it, aimed at the service.
struct Player {
    explicit Player(int port, const char *scheme = "http")
        : startUp(QUrl(QStringLiteral("%1://localhost:%2").arg(QLatin1String(scheme)).arg(port)), dialogs,
                  [](int16_t) { return 0; }, [this](int code) { exits.push_back(code); })
    {
        startUp.run();
    }

    // Chat row 14 is the bottom one and shows the newest line while the bar stays at its end.
    QString newestChat(int column) { return text(startUp.lobby(), word(49 + 3 * 14 + column)); }
    QString roomRow(int column) { return text(startUp.lobby(), word(9 + column)); }
    QString roomButton() { return text(startUp.lobby(), QStringLiteral("Command(0)")); }

    void passVersionCheck()
    {
        click(startUp.titleMenu(), QStringLiteral("CD_Access"));
        ASSERT_EQ(startUp.titleMenu().AccessState, 1);
    }
    // Through the registration screen, the password typed twice; the state it ends in.
    int registerThroughScreen(const QString &name, const QString &password)
    {
        click(startUp.titleMenu(), QStringLiteral("CD_Regist"));
        for (int box = 0; box < 3; ++box)
            type(startUp.regist(), QStringLiteral("TextB(%1)").arg(box), box == 0 ? name : password);
        click(startUp.regist(), QStringLiteral("CDR_Send"));
        const int state = startUp.regist().RegistState;
        click(startUp.regist(), QStringLiteral("CDR_Return"));
        return state;
    }
    void logIn(const QString &name, const QString &password)
    {
        passVersionCheck();
        click(startUp.titleMenu(), QStringLiteral("CD_Login"));
        type(startUp.accept(), QStringLiteral("TEXTU"), name);
        type(startUp.accept(), QStringLiteral("TEXTP"), password);
        click(startUp.accept(), QStringLiteral("CDA_Send"));
    }

    testing_support::ScriptedDialogs dialogs;
    std::vector<int> exits;
    StartUp startUp;
};

class ClientEndToEnd : public ServiceTest {
protected:
    // The game client announces version 1.
    void SetUp() override
    {
        minVersion_ = 1;
        start();
    }
};

} // namespace

TEST_F(ClientEndToEnd, TwoPlayersGoThroughTheWholeOnlineSide)
{
    Player taro(service_->port());

    // Version check: the service's five notice lines and the address it sees.
    taro.passVersionCheck();
    EXPECT_EQ(text(taro.startUp.titleMenu(), word(2)), QStringLiteral("one"));
    EXPECT_EQ(text(taro.startUp.titleMenu(), word(6)), QStringLiteral("five"));
    EXPECT_EQ(taro.startUp.master().ClientIP, QStringLiteral("127.0.0.1"));

    // Registration, typed in capitals.
    EXPECT_EQ(taro.registerThroughScreen(QStringLiteral("Taro"), QStringLiteral("p@ss+1&2")), 1);

    // Login: the lobby opens with the name as the service stores it and the login notice.
    taro.logIn(QStringLiteral("TARO"), QStringLiteral("p@ss+1&2"));
    online::Lobby &lobby = taro.startUp.lobby();
    ASSERT_TRUE(lobby.isVisible());
    EXPECT_EQ(taro.startUp.master().UserName, QStringLiteral("taro"));
    EXPECT_EQ(taro.newestChat(1), QStringLiteral("システム"));
    EXPECT_EQ(taro.newestChat(2), QStringLiteral("taro さんがログインしました。"));

    // Chat with characters that would break an unencoded query.
    const QString words = QStringLiteral("こんにちは & 1+1=2 <b>");
    control<QLineEdit>(lobby, QStringLiteral("ChatTX"))->setText(words);
    click(lobby, QStringLiteral("SayB"));
    EXPECT_EQ(taro.newestChat(1), QStringLiteral("taro"));
    EXPECT_EQ(taro.newestChat(2), words);

    // A room.
    taro.dialogs.answers.push_back("誰でもどうぞ");
    click(lobby, QStringLiteral("MakeGameB"));
    EXPECT_EQ(lobby.RoomMode, 1);
    EXPECT_GT(lobby.MyRoom, 0);
    EXPECT_EQ(taro.roomRow(0), QStringLiteral("誰でもどうぞ"));
    EXPECT_EQ(taro.roomButton(), QStringLiteral("待機"));
    EXPECT_TRUE(taro.exits.empty()) << "no request was refused";

    // A second player, registered beforehand, joins that room.
    registerUser("hanako", "hana");
    Player hanako(service_->port());
    hanako.logIn(QStringLiteral("hanako"), QStringLiteral("hana"));
    online::Lobby &second = hanako.startUp.lobby();
    ASSERT_TRUE(second.isVisible());
    EXPECT_EQ(hanako.roomRow(0), QStringLiteral("誰でもどうぞ"));
    click(second, QStringLiteral("Command(0)"));
    ASSERT_EQ(hanako.dialogs.messages.size(), 2u);
    EXPECT_EQ(hanako.dialogs.messages[1], "入室しました。");
    EXPECT_EQ(second.RoomMode, 2);
    click(lobby, QStringLiteral("ReloadB"));
    EXPECT_EQ(taro.roomButton(), QStringLiteral("満室"));
    EXPECT_EQ(taro.roomRow(3), QStringLiteral("hanako"));

    // She leaves; the room waits again. Then taro deletes it.
    click(second, QStringLiteral("MakeGameB"));
    EXPECT_EQ(second.RoomMode, 0);
    click(lobby, QStringLiteral("ReloadB"));
    EXPECT_EQ(taro.roomButton(), QStringLiteral("待機"));
    EXPECT_EQ(taro.roomRow(3), QString());
    click(lobby, QStringLiteral("MakeGameB"));
    EXPECT_EQ(lobby.RoomMode, 0);
    EXPECT_EQ(taro.roomButton(), QStringLiteral("無"));

    // Closing her lobby logs her out; taro sees the notice.
    second.close();
    EXPECT_EQ(hanako.exits, std::vector<int>{0});
    click(lobby, QStringLiteral("ReloadB"));
    EXPECT_EQ(taro.newestChat(1), QStringLiteral("システム"));
    EXPECT_EQ(taro.newestChat(2), QStringLiteral("hanako さんがログアウトしました。"));
    EXPECT_TRUE(taro.exits.empty());
}

// A certificate for "localhost" made for this run, which the client is told to trust.
class ClientOverTls : public ClientEndToEnd {
protected:
    void SetUp() override
    {
        const std::string cert = dir_.path() + "/cert.pem";
        const std::string key = dir_.path() + "/key.pem";
        const std::string command =
            "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2"
            " -subj /CN=localhost -addext subjectAltName=DNS:localhost,IP:127.0.0.1"
            " -keyout " + key + " -out " + cert + " 2>/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
        hostSettings_.tlsCertificate = readFile(cert);
        hostSettings_.tlsKey = readFile(key);
        QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
        trusting.addCaCertificates(QString::fromStdString(cert));
        QSslConfiguration::setDefaultConfiguration(trusting);
        ClientEndToEnd::SetUp();
    }
    void TearDown() override { QSslConfiguration::setDefaultConfiguration(original_); }

    static std::string readFile(const std::string &path)
    {
        std::ifstream file(path);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    QSslConfiguration original_ = QSslConfiguration::defaultConfiguration();
};

TEST_F(ClientOverTls, TheClientSignsUpAndLogsInOverHttps)
{
    Player taro(service_->port(), "https");
    taro.passVersionCheck();
    EXPECT_EQ(taro.startUp.master().ClientIP, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(taro.registerThroughScreen(QStringLiteral("taro"), QStringLiteral("pw")), 1);
    taro.logIn(QStringLiteral("taro"), QStringLiteral("pw"));
    ASSERT_TRUE(taro.startUp.lobby().isVisible());
    EXPECT_EQ(taro.newestChat(2), QStringLiteral("taro さんがログインしました。"));
    EXPECT_EQ(get("/PHP/Rinkfall/Lobby.php?Rkf=1").status, 0) << "plain HTTP gets no answer";
}

TEST_F(ClientEndToEnd, StatesReachedInNormalPlayNeverEndTheProgram)
{
    registerUser("taro", "pw");
    Player taro(service_->port());
    taro.logIn(QStringLiteral("taro"), QStringLiteral("pw"));
    online::Lobby &lobby = taro.startUp.lobby();
    ASSERT_TRUE(lobby.isVisible());
    // The test acts for taro beside his program, in his session.
    const std::string asTaro = "&Name=taro&Sid=" + taro.startUp.master().SessionToken.toStdString();
    const auto create = [&](const QString &title) {
        taro.dialogs.answers.push_back(title.toStdString());
        click(lobby, QStringLiteral("MakeGameB"));
    };

    // The answer to an earlier create was lost, so the room exists: creating again finds it.
    const auto leftOver = call("MakeGame", "Title=left" + asTaro);
    create(QStringLiteral("again"));
    EXPECT_EQ(lobby.RoomMode, 1);
    EXPECT_EQ(lobby.MyRoom, std::stoi(leftOver.at(1)));
    EXPECT_EQ(taro.roomRow(0), QStringLiteral("left"));

    // Deleting a room that is gone already.
    ASSERT_EQ(call("DelGame", asTaro.substr(1)).at(0), "1");
    click(lobby, QStringLiteral("MakeGameB"));
    EXPECT_EQ(lobby.RoomMode, 0);

    // A title far longer than the service keeps.
    const QChar who(0x8AB0);
    create(QString(300, who));
    EXPECT_EQ(lobby.RoomMode, 1);
    EXPECT_EQ(taro.roomRow(0), QString(32, who));

    // A long silence ends the room; deleting it afterwards still works.
    now_ += 31 * 60;
    EXPECT_EQ(call("Lobby", "", "127.0.0.2").at(0), "1"); // someone elsewhere looks at the lobby
    click(lobby, QStringLiteral("ReloadB"));
    EXPECT_EQ(taro.roomButton(), QStringLiteral("無"));
    click(lobby, QStringLiteral("MakeGameB"));
    EXPECT_EQ(lobby.RoomMode, 0);

    // Leaving a room its creator has deleted meanwhile.
    const int hanakos = makeRoom("hanako");
    click(lobby, QStringLiteral("ReloadB"));
    click(lobby, QStringLiteral("Command(0)"));
    ASSERT_EQ(lobby.RoomMode, 2);
    ASSERT_EQ(call("DelGame", "Name=hanako").at(0), "1");
    click(lobby, QStringLiteral("MakeGameB"));
    EXPECT_EQ(lobby.RoomMode, 0);

    // A seat taken by a join whose answer was lost: creating a room gives it up.
    const int jiros = makeRoom("jiro");
    ASSERT_EQ(call("Join", "Room=" + std::to_string(jiros) + asTaro).at(0), "1");
    create(QStringLiteral("mine"));
    EXPECT_EQ(lobby.RoomMode, 1);
    EXPECT_EQ(taro.roomRow(3), QString()) << "jiro's room waits again";
    EXPECT_NE(hanakos, jiros);

    // A full lobby: the user is told and may go on.
    click(lobby, QStringLiteral("MakeGameB"));
    ASSERT_EQ(lobby.RoomMode, 0);
    for (int i = 1; i < server::GameService::kMaxRooms; ++i)
        makeRoom("p" + std::to_string(i), "t");
    create(QStringLiteral("one too many"));
    EXPECT_EQ(lobby.RoomMode, 0);
    EXPECT_EQ(taro.dialogs.messages.back(), "ゲームルームの数が上限に達しています。");

    EXPECT_TRUE(taro.exits.empty()) << "last message: " << taro.dialogs.messages.back();
    click(lobby, QStringLiteral("ReloadB"));
    EXPECT_TRUE(lobby.isVisible());
}

int main(int argc, char **argv)
{
    // No display is needed, also when the test list is read outside the virtual X server.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
