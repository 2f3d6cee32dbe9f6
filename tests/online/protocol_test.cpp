#include "online/lobby_reply.h"
#include "online/messages.h"
#include "online/protocol.h"
#include "online/reply.h"
#include "online/requests.h"
#include "online_rig.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>

using namespace testing_support;
using online::Reply;

namespace {

Reply lobbyReply(int rooms, int chats, int roomsSent = -1)
{
    return Reply::fromDocument(QString::fromStdString(lobbyDocument(rooms, chats, {1, 2, 3, 0}, roomsSent)));
}

Master protocolValues()
{
    Master master;
    master.AppVersion = 1;
    master.GameKey = QStringLiteral("Rkf=1");
    master.GameDir = QStringLiteral("Rinkfall");
    master.UserName = QStringLiteral("taro");
    master.ClientIP = QStringLiteral("10.0.0.7");
    return master;
}

} // namespace

TEST(ReplySplitting, KeepsEveryPieceBetweenMarkers)
{
    EXPECT_EQ(online::splitReply(QString()), QStringList{QString()});
    EXPECT_EQ(online::splitReply(QStringLiteral("1<QZT><QZT>x<QZT>")),
              (QStringList{QStringLiteral("1"), QString(), QStringLiteral("x"), QString()}));
    EXPECT_EQ(online::splitReply(QStringLiteral("no marker here")), QStringList{QStringLiteral("no marker here")});
    // The marker is matched exactly, so another spelling is ordinary text.
    EXPECT_EQ(online::splitReply(QStringLiteral("1<qzt>2")).size(), 1);
}

TEST(ReplyNumbers, ReadsDecimalTextAndRejectsTheRest)
{
    EXPECT_EQ(online::replyNumber(QStringLiteral(" -1.5\n")), -1.5);
    EXPECT_EQ(online::replyNumber(QStringLiteral("1.7")), 1.7);
    for (const char* bad : {"", "<html>", "inf", "1,5"})
        EXPECT_FALSE(online::replyNumber(QString::fromUtf8(bad))) << bad;
    EXPECT_EQ(online::replyInteger(QStringLiteral("2.5")), int16_t(2));
    EXPECT_EQ(online::replyInteger(QStringLiteral("3.5")), int16_t(4));
    EXPECT_EQ(online::replyInteger(QStringLiteral("-32768")), int16_t(-32768));
    EXPECT_FALSE(online::replyInteger(QStringLiteral("32768")));
    EXPECT_EQ(online::replyLong(QStringLiteral("2147483647")), int32_t(2147483647));
    EXPECT_FALSE(online::replyLong(QStringLiteral("2147483648")));
}

TEST(RequestQueries, EveryScriptCarriesItsParametersInOrder)
{
    const Master master = protocolValues();
    namespace rq = online::requests;
    EXPECT_EQ(rq::login(master), QStringLiteral("Login.php?Rkf=1&Version=1"));
    EXPECT_EQ(rq::access(master, QStringLiteral("taro"), QStringLiteral("pw")),
              QStringLiteral("Access.php?Rkf=1&NAME=taro&PASS=pw"));
    EXPECT_EQ(rq::regist(master, QStringLiteral("taro"), QStringLiteral("pw")),
              QStringLiteral("Regist.php?Rkf=1&NAME=taro&PASS=pw&LENG=4&IP=10.0.0.7"));
    EXPECT_EQ(rq::say(master, QStringLiteral("taro"), QStringLiteral("hi")),
              QStringLiteral("Say.php?Rkf=1&Speaker=taro&Words=hi&Belong=0"));
    EXPECT_EQ(rq::lobby(master, -1), QStringLiteral("Lobby.php?Rkf=1"));
    EXPECT_EQ(rq::lobby(master, 0), QStringLiteral("Lobby.php?Rkf=1&Having=0"));
    EXPECT_EQ(rq::lobby(master, 42), QStringLiteral("Lobby.php?Rkf=1&Having=42"));
    EXPECT_EQ(rq::join(master, 7), QStringLiteral("Join.php?Rkf=1&Room=7&Name=taro"));
    EXPECT_EQ(rq::makeGame(master, QStringLiteral("go")), QStringLiteral("MakeGame.php?Rkf=1&Title=go&Name=taro"));
    EXPECT_EQ(rq::delGame(master), QStringLiteral("DelGame.php?Rkf=1&Name=taro"));
    EXPECT_EQ(rq::delJoin(master), QStringLiteral("DelJoin.php?Rkf=1&Name=taro"));

    // After a login that handed out a session, the requests of that session carry it last.
    Master session = master;
    session.SessionToken = QStringLiteral("0af3");
    for (const QString& query : {rq::say(session, QStringLiteral("taro"), QStringLiteral("hi")), rq::lobby(session, 42),
                                 rq::join(session, 7), rq::makeGame(session, QStringLiteral("go")), rq::delGame(session),
                                 rq::delJoin(session)})
        EXPECT_TRUE(query.endsWith(QStringLiteral("&Sid=0af3"))) << query.toStdString();
    EXPECT_FALSE(rq::access(session, QStringLiteral("taro"), QStringLiteral("pw")).contains(QStringLiteral("Sid")));
}

TEST(RequestQueries, UserTextCannotAddOrCutParametersAndLengthsCountCharacters)
{
    const Master master = protocolValues();
    const QString password = QStringLiteral("a&PASS=b c#d%e+f");
    const QString query = online::requests::access(master, QStringLiteral("taro"), password);
    EXPECT_EQ(query, QStringLiteral("Access.php?Rkf=1&NAME=taro&PASS=a%26PASS%3Db%20c%23d%25e%2Bf"));
    EXPECT_EQ(query.count(QLatin1Char('&')), 2);
    EXPECT_EQ(online::requests::percentEncoded(QStringLiteral("-._~AZaz09")), QStringLiteral("-._~AZaz09"));
    EXPECT_EQ(online::requests::percentEncoded(QStringLiteral("誰")), QStringLiteral("%E8%AA%B0"));
    // The name length counts characters, not bytes.
    EXPECT_TRUE(online::requests::regist(master, QStringLiteral("山田太"), QStringLiteral("p")).contains(QStringLiteral("&LENG=3&")));
    // A character outside the basic plane is still one character.
    EXPECT_TRUE(online::requests::regist(master, QStringLiteral("a😀"), QStringLiteral("p")).contains(QStringLiteral("&LENG=2&")));
    EXPECT_EQ(online::requests::firstCharacters(QStringLiteral("a😀b"), 2), QStringLiteral("a😀"));
    EXPECT_EQ(online::requests::firstCharacters(QStringLiteral("ab"), 64), QStringLiteral("ab"));
}

TEST(ServerSetting, AcceptsHttpAndHttpsAddressesOnly)
{
    for (const char* good : {"http://localhost:8080", "https://game.example.org"})
        EXPECT_TRUE(online::Protocol::parseServer(QString::fromUtf8(good))) << good;
    for (const char* bad : {"ftp://game.example.org", "localhost:8080", "http://", "http://host/?x=1"})
        EXPECT_FALSE(online::Protocol::parseServer(QString::fromUtf8(bad))) << bad;
}

TEST(ServerSetting, AddressKeepsPortAndDropsTrailingSlash)
{
    const Master master = protocolValues();
    platform::HttpTransfer transfer;
    online::Protocol protocol(master, *online::Protocol::parseServer(QStringLiteral("https://h.example:8443/")), transfer);
    EXPECT_EQ(protocol.address(QStringLiteral("PHP"), QStringLiteral("Login.php?Rkf=1&Version=1")).toString(),
              QStringLiteral("https://h.example:8443/PHP/Rinkfall/Login.php?Rkf=1&Version=1"));
    EXPECT_EQ(protocol.address(QStringLiteral("PHP"), QStringLiteral("Say.php?Rkf=1&Words=a%26b")).toEncoded(),
              QByteArray("https://h.example:8443/PHP/Rinkfall/Say.php?Rkf=1&Words=a%26b"));
}

TEST(ProtocolOverHttp, SendsThePathAndQueryOnTheWire)
{
    OnlineRig rig;
    rig.server.script("Login.php", "1<QZT>a<QZT>b");
    QLabel progress;
    const Reply reply = rig.protocol.VBPHP(online::requests::login(rig.master), &progress);
    ASSERT_TRUE(reply.transferred()) << reply.failure().toStdString();
    EXPECT_EQ(reply.fields(), (QStringList{QStringLiteral("1"), QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(progress.text(), QStringLiteral("システムアクセス中..."));
    EXPECT_EQ(rig.server.targets(), std::vector<std::string>{"/PHP/Rinkfall/Login.php?Rkf=1&Version=1"});

    rig.server.script("Data.cgi", "0");
    EXPECT_TRUE(rig.protocol.VBPerl(QStringLiteral("Data.cgi?Rkf=1")).transferred());
    EXPECT_EQ(lastOf(rig.server.targets()), "/Perl/Rinkfall/Data.cgi?Rkf=1");

    // The service decodes exactly what was typed.
    rig.server.script("Access.php", "-1<QZT>no");
    const QString typed = QStringLiteral("p&NAME=x y#z%41 山");
    rig.protocol.VBPHP(online::requests::access(rig.master, QStringLiteral("名前 a&b"), typed));
    EXPECT_EQ(rig.server.lastParameter("PASS"), typed.toStdString());
    EXPECT_EQ(rig.server.lastParameter("NAME"), std::string("名前 a&b"));
    EXPECT_EQ(rig.server.lastParameter("Rkf"), std::string("1"));
}

TEST(ProtocolOverHttp, WindowKeepsRunningWhileARequestWaits)
{
    OnlineRig rig;
    rig.server.script("Login.php", ScriptedReply{"1", 200, "text/plain", std::chrono::milliseconds(400)});
    QLabel progress(QStringLiteral("ready"));
    progress.show();
    QString seenMidway;
    bool painted = false;
    QTimer::singleShot(100, &progress, [&] {
        seenMidway = progress.text();
        progress.repaint();
        painted = rig.server.targets().size() == 1; // the request is out, its reply not yet
    });
    rig.protocol.VBPHP(QStringLiteral("Login.php?Rkf=1&Version=1"), &progress);
    EXPECT_EQ(seenMidway, QStringLiteral("システムアクセス中..."));
    EXPECT_TRUE(painted);
}

TEST(ProtocolOverHttp, DecodesUtf8AndTheNamedCharset)
{
    OnlineRig rig;
    rig.server.script("Lobby.php", "1<QZT>更新<QZT>0<QZT>0");
    EXPECT_EQ(rig.protocol.VBPHP(QStringLiteral("Lobby.php?Rkf=1")).field(1), QStringLiteral("更新"));
    rig.server.script("Say.php", ScriptedReply{"-1<QZT>caf\xe9", 200, "text/plain; charset=ISO-8859-1"});
    EXPECT_EQ(rig.protocol.VBPHP(QStringLiteral("Say.php?Rkf=1")).field(1), QStringLiteral("café"));
    EXPECT_EQ(platform::decodeBody("\xe5\xb1\xb1", "text/plain"), QStringLiteral("山"));
    EXPECT_EQ(platform::decodeBody("\xe5\xb1\xb1", "text/plain; charset=no-such-set"), QStringLiteral("山"));
}

TEST(TransferFailures, RefusedPortIsReportedNotThrown)
{
    Master master = protocolValues();
    platform::HttpTransfer transfer;
    online::Protocol protocol(master, QUrl(QStringLiteral("http://127.0.0.1:%1").arg(closedPort())), transfer);
    const Reply reply = protocol.VBPHP(QStringLiteral("Login.php?Rkf=1&Version=1"));
    EXPECT_FALSE(reply.transferred());
    EXPECT_EQ(reply.failure(), QStringLiteral("サーバーに接続できませんでした。"));
}

TEST(TransferFailures, ErrorStatusOversizedBodyAndSilenceAreFailures)
{
    OnlineRig rig;
    rig.transfer.setTimeout(std::chrono::milliseconds(300));
    const std::string justFits(1024 * 1024, 'x');
    rig.server.script("Lobby.php", justFits);
    EXPECT_TRUE(rig.protocol.VBPHP(QStringLiteral("Lobby.php?Rkf=1")).transferred());
    EXPECT_FALSE(rig.protocol.VBPHP(QStringLiteral("Missing.php?Rkf=1")).transferred()); // 404

    const QString tooBig = QStringLiteral("サーバーの応答が大きすぎます。");
    const std::vector<std::pair<ScriptedReply, QString>> cases{
        {{"1<QZT>looks fine", 500}, QStringLiteral("サーバーがエラーを返しました。(HTTP 500)")},
        {{justFits + "y", 200, "text/plain", {}, false}, tooBig},
        {{justFits + "y", 200, "text/plain", {}, true}, tooBig}, // chunked
        {{"1", 200, "text/plain", std::chrono::milliseconds(3000)}, QStringLiteral("サーバーから応答がありませんでした。")},
    };
    for (const auto& [scripted, failure] : cases) {
        rig.server.script("Lobby.php", scripted);
        QElapsedTimer clock;
        clock.start();
        const Reply reply = rig.protocol.VBPHP(QStringLiteral("Lobby.php?Rkf=1"));
        EXPECT_LT(clock.elapsed(), 2000);
        EXPECT_FALSE(reply.transferred()) << failure.toStdString();
        EXPECT_EQ(reply.failure(), failure);
    }
}

TEST(LobbyReplyParsing, ReadsRoomsAndChatAfterThem)
{
    const auto content = online::parseLobbyReply(lobbyReply(3, 2));
    ASSERT_TRUE(content);
    EXPECT_EQ(content->lastUpdate, QStringLiteral("2026/12/06 23:00"));
    ASSERT_EQ(content->rooms.size(), 3u);
    EXPECT_EQ(content->rooms[2].ID, 102);
    EXPECT_EQ(content->rooms[2].Opponent, QStringLiteral("rival 2"));
    EXPECT_EQ(content->rooms[2].State, 3);
    ASSERT_EQ(content->chats.size(), 2u);
    EXPECT_EQ(content->chats[1].Col3, QStringLiteral("w 1"));
}

TEST(LobbyReplyParsing, KeepsToTheTableSizes)
{
    const auto content = online::parseLobbyReply(lobbyReply(130, 40));
    ASSERT_TRUE(content);
    EXPECT_EQ(content->roomCount, 130);
    EXPECT_EQ(content->rooms.size(), 101u);
    EXPECT_EQ(content->rooms.back().ID, 200);
    EXPECT_EQ(content->chats.size(), 31u);
    EXPECT_EQ(content->chats.back().Col1, QStringLiteral("s 30"));
}

TEST(LobbyReplyParsing, RejectsMissingOrNonNumericFields)
{
    EXPECT_FALSE(online::parseLobbyReply(lobbyReply(3, 2, 2))); // a room short
    for (const char* bad : {"1<QZT>t", "1<QZT>t<QZT>x<QZT>0", "1<QZT>t<QZT>-1<QZT>0", "1<QZT>t<QZT>0<QZT>2<QZT>a<QZT>b<QZT>c",
                            "1<QZT>t<QZT>1<QZT>x<QZT>T<QZT>d<QZT>c<QZT>o<QZT>1<QZT>0", "1<QZT>t<QZT>2147483647<QZT>0"})
        EXPECT_FALSE(online::parseLobbyReply(Reply::fromDocument(QString::fromUtf8(bad)))) << bad;
    EXPECT_TRUE(online::parseLobbyReply(Reply::fromDocument(QStringLiteral("1<QZT>t<QZT>0<QZT>0"))));
}
