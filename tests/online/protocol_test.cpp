#include "online/lobby_reply.h"
#include "online/protocol.h"
#include "online/reply.h"
#include "online/requests.h"
#include "online_rig.h"

using namespace testing_support;
namespace rq = online::requests;
using ProtocolOverHttp = OnlineScreens;

TEST(ReplyParsing, SplitsAtExactMarkersReadsDecimalTextAndRejectsLobbiesWithMissingOrNonNumericFields)
{
    EXPECT_EQ(online::splitReply(QString()), QStringList{QString()});
    EXPECT_EQ(online::splitReply(QStringLiteral("1<QZT><QZT>x<QZT>")),
              (QStringList{QStringLiteral("1"), QString(), QStringLiteral("x"), QString()}));
    EXPECT_EQ(online::splitReply(QStringLiteral("1<qzt>2")).size(), 1);
    EXPECT_EQ(online::replyNumber(QStringLiteral(" -1.5\n")), -1.5);
    for (const char* bad : {"", "<html>", "inf", "1,5"})
        EXPECT_FALSE(online::replyNumber(QString::fromUtf8(bad))) << bad;
    // Half to even, and nothing past the type's range.
    EXPECT_EQ(online::replyInteger(QStringLiteral("2.5")), int16_t(2));
    EXPECT_EQ(online::replyInteger(QStringLiteral("3.5")), int16_t(4));
    EXPECT_EQ(online::replyInteger(QStringLiteral("-32768")), int16_t(-32768));
    EXPECT_FALSE(online::replyInteger(QStringLiteral("32768")));
    EXPECT_EQ(online::replyLong(QStringLiteral("2147483647")), int32_t(2147483647));
    EXPECT_FALSE(online::replyLong(QStringLiteral("2147483648")));
    // The lobby screen's tests read well-formed documents.
    EXPECT_TRUE(online::parseLobbyReply(online::Reply::fromDocument(QStringLiteral("1<QZT>t<QZT>0<QZT>0"))));
    const struct {
        const char* name;
        std::string text;
    } bad[] = {
        {"a room short", lobbyDocument(3, 2, {1}, 2)},
        {"no room count", "1<QZT>t"},
        {"text room count", "1<QZT>t<QZT>x<QZT>0"},
        {"negative room count", "1<QZT>t<QZT>-1<QZT>0"},
        {"a chat short", "1<QZT>t<QZT>0<QZT>2<QZT>a<QZT>b<QZT>c"},
        {"text room number", "1<QZT>t<QZT>1<QZT>x<QZT>T<QZT>d<QZT>c<QZT>o<QZT>1<QZT>0"},
        {"huge room count", "1<QZT>t<QZT>2147483647<QZT>0"},
    };
    for (const auto& row : bad)
        EXPECT_FALSE(online::parseLobbyReply(online::Reply::fromDocument(QString::fromStdString(row.text))))
            << row.name;
}

// The screens' tests check the plain queries on the wire; here: sessions, character counts and the
// service's address.
TEST(RequestQueries, SessionsGoLastTextIsCountedByCharacterAndTheServerKeepsItsPortButNoTrailingSlashes)
{
    Master session;
    setProtocolConstants(session);
    session.UserName = QStringLiteral("taro");
    session.SessionToken = QStringLiteral("0af3");
    const QString taro = QStringLiteral("taro");
    EXPECT_EQ(rq::access(session, taro, QStringLiteral("pw")), "Access.php?Rkf=1&NAME=taro&PASS=pw");
    EXPECT_EQ(rq::lobby(session, 0), "Lobby.php?Rkf=1&Having=0&Sid=0af3");
    for (const QString& query : {rq::say(session, taro, taro), rq::join(session, 7), rq::makeGame(session, taro),
                                 rq::delGame(session), rq::delJoin(session)})
        EXPECT_TRUE(query.endsWith(QStringLiteral("&Sid=0af3"))) << query.toStdString();
    // A character outside the basic plane is one character, not two.
    EXPECT_TRUE(rq::regist(session, QStringLiteral("山a😀"), taro).contains(QStringLiteral("&LENG=3&")));
    EXPECT_EQ(rq::firstCharacters(QStringLiteral("a😀b"), 2), QStringLiteral("a😀"));
    EXPECT_EQ(rq::percentEncoded(QStringLiteral("-._~AZaz09+😀")), QStringLiteral("-._~AZaz09%2B%F0%9F%98%80"));
    for (const char* good : {"http://localhost:8080", "https://game.example.org"})
        EXPECT_TRUE(online::Protocol::parseServer(QString::fromUtf8(good))) << good;
    for (const char* bad : {"ftp://game.example.org", "localhost:8080", "http://", "http://host/?x=1"})
        EXPECT_FALSE(online::Protocol::parseServer(QString::fromUtf8(bad))) << bad;
    platform::HttpTransfer transfer;
    const QUrl server = *online::Protocol::parseServer(QStringLiteral("https://h.example:8443//"));
    online::Protocol protocol(session, server, transfer);
    EXPECT_EQ(protocol.address(QStringLiteral("PHP"), QStringLiteral("Say.php?Rkf=1&Words=a%26b")).toEncoded(),
              QByteArray("https://h.example:8443/PHP/Rinkfall/Say.php?Rkf=1&Words=a%26b"));
}

TEST_F(ProtocolOverHttp, SendsWhatWasTypedDecodesTheCharsetAndReportsFailures)
{
    online::Protocol protocol{startUp.master(), service.url(), startUp.transfer()};
    service.script("Data.cgi", ScriptedReply{"-1<QZT>caf\xe9<QZT>", 200, "text/plain; charset=ISO-8859-1"});
    EXPECT_EQ(protocol.VBPerl(QStringLiteral("Data.cgi?Rkf=1")).fields(),
              (QStringList{QStringLiteral("-1"), QStringLiteral("café"), QString()}));
    EXPECT_EQ(service.targets().back(), "/Perl/Rinkfall/Data.cgi?Rkf=1");
    // Without a charset, or with one unknown, the body is read as UTF-8.
    EXPECT_EQ(platform::decodeBody("\xe5\xb1\xb1", "text/plain"), QStringLiteral("山"));
    EXPECT_EQ(platform::decodeBody("\xe5\xb1\xb1", "text/plain; charset=no-such-set"), QStringLiteral("山"));

    // The service decodes exactly what was typed.
    service.script("Access.php", "-1<QZT>no");
    const QString typed = QStringLiteral("p&NAME=x y#z%41 山");
    protocol.VBPHP(rq::access(startUp.master(), QStringLiteral("名前 a&b"), typed));
    EXPECT_EQ(parameter(service.targets().back(), "PASS"), typed.toStdString());
    EXPECT_EQ(parameter(service.targets().back(), "NAME"), std::string("名前 a&b"));

    // Refusal and oversized bodies are reported, not thrown; the screens' tests cover error
    // statuses and silence.
    online::Protocol closed(startUp.master(), QUrl(QStringLiteral("http://127.0.0.1:%1").arg(closedPort())),
                            startUp.transfer());
    EXPECT_EQ(closed.VBPHP(QStringLiteral("Login.php?Rkf=1")).failure(), QStringLiteral("サーバーに接続できませんでした。"));
    const std::string justFits(1024 * 1024, 'x');
    service.script("Lobby.php", justFits);
    EXPECT_TRUE(protocol.VBPHP(QStringLiteral("Lobby.php?Rkf=1")).transferred());
    for (bool unsized : {false, true}) {
        service.script("Lobby.php", ScriptedReply{justFits + "y", 200, "text/plain", {}, unsized});
        EXPECT_EQ(protocol.VBPHP(QStringLiteral("Lobby.php?Rkf=1")).failure(),
                  QStringLiteral("サーバーの応答が大きすぎます。"))
            << "without a length: " << unsized;
    }
}
