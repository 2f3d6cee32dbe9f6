#include "app/start_up.h"
#include "online_rig.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QTextDocument>
#include <QToolTip>

#include <algorithm>
#include <tuple>

using namespace testing_support;

namespace {

// The whole online side as the program builds it, aimed at a scripted service.
class TitleMenu : public ::testing::Test {
protected:
    explicit TitleMenu(QUrl server = {})
        : startUp(server.isEmpty() ? service.url() : server, dialogs,
                  [this](int16_t gmode) {
                      launched.push_back(gmode);
                      return 3;
                  },
                  [this](int code) { exits.push_back(code); })
    {
    }

    Login& menu() { return startUp.titleMenu(); }
    void click(QWidget& form, const char* name) { QTest::mouseClick(control<QPushButton>(form, name), Qt::LeftButton); }
    QString notice(int line) { return text(menu(), QStringLiteral("Word(%1)").arg(line + 1)); }
    std::vector<bool> buttons()
    {
        return {enabled(menu(), "CD_Access"), enabled(menu(), "CD_Login"), enabled(menu(), "CD_Regist"),
                enabled(menu(), "Com_Single")};
    }
    void checkVersion(const std::string& reply)
    {
        service.script("Login.php", reply);
        click(menu(), "CD_Access");
    }

    ScriptServer service;
    ScriptedDialogs dialogs;
    std::vector<int16_t> launched;
    std::vector<int> exits;
    StartUp startUp;
};

const std::string Notice = "1<QZT>一行目<QZT>二行目<QZT>三行目<QZT>四行目<QZT>五行目<QZT>203.0.113.5";

// The lowest pixel row of a picture that differs from its top-left pixel, -1 when none does.
int lowestInkRow(const QImage& picture)
{
    for (int y = picture.height() - 1; y >= 0; --y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (picture.pixel(x, y) != picture.pixel(0, 0))
                return y;
        }
    }
    return -1;
}

QString tooltipShownFor(QLabel* label)
{
    QToolTip::hideText();
    if (!QTest::qWaitFor([] { return !QToolTip::isVisible(); }))
        return QStringLiteral("(an earlier tooltip stayed visible)");
    QHelpEvent help(QEvent::ToolTip, QPoint(4, 4), label->mapToGlobal(QPoint(4, 4)));
    QCoreApplication::sendEvent(label, &help);
    if (!QToolTip::isVisible())
        return QString();
    // What the tooltip reads, rendered the way Qt decides to render it.
    const QString tip = QToolTip::text();
    if (!Qt::mightBeRichText(tip))
        return tip;
    QTextDocument shown;
    shown.setHtml(tip);
    return shown.toPlainText();
}

} // namespace

TEST_F(TitleMenu, DesignTimeFormAndFreshState)
{
    EXPECT_EQ(text(menu(), "Word(1)"), QStringLiteral("説明"));
    EXPECT_FALSE(enabled(menu(), "CD_Login"));
    startUp.run();
    EXPECT_TRUE(menu().isVisible());
    EXPECT_EQ(menu().Tag, QStringLiteral("1"));
    EXPECT_EQ(text(menu(), "Word(1)"), QStringLiteral("①アクセスボタンを押して下さい。"));
    for (int line = 1; line <= 5; ++line)
        EXPECT_EQ(notice(line), QStringLiteral(" "));
    EXPECT_EQ(buttons(), (std::vector<bool>{true, false, false, true}));
    EXPECT_EQ(startUp.master().AppVersion, 1);
}

TEST_F(TitleMenu, AcceptedVersionUnlocksLoginAndRegistrationAndCodesAreFloored)
{
    startUp.run();
    checkVersion(Notice);
    EXPECT_EQ(service.targets(), std::vector<std::string>{"/PHP/Rinkfall/Login.php?Rkf=1&Version=1"});
    EXPECT_EQ(notice(1), QStringLiteral("一行目"));
    EXPECT_EQ(notice(5), QStringLiteral("五行目"));
    EXPECT_EQ(startUp.master().ClientIP, QStringLiteral("203.0.113.5"));
    EXPECT_EQ(text(menu(), "Word(1)"), QStringLiteral("②登録 または ログインを押してください。"));
    EXPECT_EQ(buttons(), (std::vector<bool>{false, true, true, true}));
    EXPECT_EQ(menu().AccessState, 1);

    // Codes are floored before comparing.
    startUp.run();
    checkVersion("1.7<QZT>a<QZT>b<QZT>c<QZT>d<QZT>e<QZT>ip");
    EXPECT_EQ(menu().AccessState, 1);

    startUp.run();
    checkVersion("-1.5<QZT>古い<QZT>b<QZT>c<QZT>d<QZT>e<QZT>ip2");
    EXPECT_EQ(text(menu(), "Word(1)"), QStringLiteral("②バージョンアップをしてください。"));
    EXPECT_EQ(notice(1), QStringLiteral("古い"));
    EXPECT_EQ(startUp.master().ClientIP, QStringLiteral("ip2"));
    EXPECT_EQ(buttons(), (std::vector<bool>{false, false, false, true}));
    EXPECT_EQ(menu().AccessState, 0);
}

TEST_F(TitleMenu, ANoticeLineTooLongShowsOneLineCutWithAnEllipsisAndIsWholeInItsTooltip)
{
    // Service text is never markup, in the tooltip either.
    const QString longLine =
        QStringLiteral("<b>大会期間中</b>はサーバーが混み合いますので、練習目的での対戦ルームは使わないでください &amp;");
    startUp.run();
    checkVersion(("1<QZT>一行目<QZT>二行目<QZT>三行目<QZT>" + longLine + "<QZT>五行目<QZT>ip").toStdString());
    QLabel* fourth = control<QLabel>(menu(), "Word(5)");
    ASSERT_EQ(fourth->text(), longLine);
    const int lineHeight = fourth->fontMetrics().height();
    ASSERT_GT(fourth->height(), lineHeight);
    EXPECT_LT(lowestInkRow(fourth->grab().toImage()), lineHeight) << "a second line shows in part";
    EXPECT_EQ(tooltipShownFor(fourth), longLine);
    EXPECT_EQ(tooltipShownFor(control<QLabel>(menu(), "Word(2)")), QString()) << "a whole text needs no tooltip";
    EXPECT_GE(lowestInkRow(control<QLabel>(menu(), "Word(2)")->grab().toImage()), 0);
}

TEST_F(TitleMenu, UnexpectedCodesLeaveOnlyPracticeAndGarbledRepliesLetTheUserTryAgain)
{
    const QString garbled = QStringLiteral("サーバーの応答が正しくありません。");
    const std::vector<bool> practiceOnly{false, false, false, true}, accessAgain{true, false, false, true};
    const std::vector<std::tuple<const char*, QString, std::vector<bool>>> cases{
        {"0<QZT>a<QZT>b<QZT>c<QZT>d<QZT>e<QZT>ip", QStringLiteral("システムアクセス中..."), practiceOnly},
        {"-1<QZT>x", QStringLiteral("システムアクセス中..."), practiceOnly},
        {"2", QStringLiteral("システムアクセス中..."), practiceOnly},
        {"<html>busy</html>", garbled, accessAgain},
        {"1<QZT>a<QZT>b<QZT>c", garbled, accessAgain},
        {"-2<QZT>old", garbled, accessAgain},
        {"", garbled, accessAgain},
    };
    for (const auto& [reply, word, expectedButtons] : cases) {
        startUp.run();
        checkVersion(reply);
        EXPECT_EQ(text(menu(), "Word(1)"), word) << reply;
        EXPECT_EQ(notice(1), QStringLiteral(" ")) << reply;
        EXPECT_EQ(startUp.master().ClientIP, QString()) << reply;
        EXPECT_EQ(buttons(), expectedButtons) << reply;
    }
    service.script("Login.php", ScriptedReply{Notice, 503});
    click(menu(), "CD_Access");
    EXPECT_EQ(text(menu(), "Word(1)"), QStringLiteral("サーバーがエラーを返しました。(HTTP 503)"));
    checkVersion(Notice);
    EXPECT_EQ(menu().AccessState, 1);
}

class UnreachableTitleMenu : public TitleMenu {
protected:
    UnreachableTitleMenu()
        : TitleMenu(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(closedPort())))
    {
    }
};

TEST_F(UnreachableTitleMenu, RefusedConnectionIsShownAndAccessStaysOpen)
{
    startUp.run();
    click(menu(), "CD_Access");
    EXPECT_EQ(text(menu(), "Word(1)"), QStringLiteral("サーバーに接続できませんでした。"));
    EXPECT_EQ(buttons(), (std::vector<bool>{true, false, false, true}));
    EXPECT_TRUE(exits.empty());
}

TEST_F(TitleMenu, LoginBackReturnsToFreshState)
{
    startUp.run();
    checkVersion(Notice);
    click(menu(), "CD_Login");
    EXPECT_TRUE(startUp.accept().isVisible());
    EXPECT_FALSE(menu().isVisible());
    EXPECT_EQ(menu().Tag, QStringLiteral("0"));
    EXPECT_EQ(startUp.accept().Tag, QStringLiteral("1"));

    click(startUp.accept(), "CDA_Return");
    EXPECT_TRUE(menu().isVisible());
    EXPECT_FALSE(startUp.accept().isVisible());
    EXPECT_EQ(notice(1), QStringLiteral(" "));
    EXPECT_EQ(buttons(), (std::vector<bool>{true, false, false, true}));
}

TEST_F(TitleMenu, RegistrationSendsTheAddressFromTheVersionCheck)
{
    startUp.run();
    checkVersion(Notice);
    click(menu(), "CD_Regist");
    online::Regist& regist = startUp.regist();
    EXPECT_TRUE(regist.isVisible());
    control<QLineEdit>(regist, "TextB(0)")->setText(QStringLiteral("hanako"));
    control<QLineEdit>(regist, "TextB(1)")->setText(QStringLiteral("pw"));
    control<QLineEdit>(regist, "TextB(2)")->setText(QStringLiteral("pw"));
    service.script("Regist.php", "1<QZT>ok");
    click(regist, "CDR_Send");
    EXPECT_EQ(lastOf(service.targets()), "/PHP/Rinkfall/Regist.php?Rkf=1&NAME=hanako&PASS=pw&LENG=6&IP=203.0.113.5");
    click(regist, "CDR_Return");
    EXPECT_TRUE(menu().isVisible());
    EXPECT_EQ(menu().AccessState, 0);
}

TEST_F(TitleMenu, LoginLeadsIntoTheLobby)
{
    startUp.run();
    checkVersion(Notice);
    click(menu(), "CD_Login");
    service.script("Access.php", "1<QZT>7<QZT>Hanako");
    service.script("Say.php", "1");
    service.script("Lobby.php", "1<QZT>now<QZT>0<QZT>1<QZT>システム<QZT>Hanako さんがログインしました。<QZT>12:00");
    QTest::keyClicks(control<QLineEdit>(startUp.accept(), "TEXTU"), QStringLiteral("hanako"));
    QTest::keyClicks(control<QLineEdit>(startUp.accept(), "TEXTP"), QStringLiteral("pw"));
    click(startUp.accept(), "CDA_Send");
    online::Lobby& lobby = startUp.lobby();
    EXPECT_TRUE(lobby.isVisible());
    EXPECT_FALSE(startUp.accept().isVisible());
    EXPECT_EQ(lobby.windowTitle(), QStringLiteral("Debug-1"));
    EXPECT_EQ(text(lobby, "Word(1)"), QStringLiteral("Hanako"));
    EXPECT_EQ(text(lobby, "Word(92)"), QStringLiteral("Hanako さんがログインしました。"));
    EXPECT_EQ(startUp.master().UserNo, 7);
    lobby.close();
    EXPECT_EQ(exits, std::vector<int>{0});
}

TEST_F(TitleMenu, EnterClicksTheMainButtonOfEachForm)
{
    auto contains = [](const std::vector<std::string>& targets, const std::string& part) {
        return std::any_of(targets.begin(), targets.end(), [&](const std::string& t) { return t.find(part) != t.npos; });
    };
    startUp.run();
    checkVersion(Notice);
    click(menu(), "CD_Regist");
    for (const char* box : {"TextB(0)", "TextB(1)", "TextB(2)"})
        QTest::keyClicks(control<QLineEdit>(startUp.regist(), box), QStringLiteral("enter"));
    service.script("Regist.php", "-1<QZT>used");
    QTest::keyClick(control<QLineEdit>(startUp.regist(), "TextB(2)"), Qt::Key_Return);
    EXPECT_TRUE(contains(service.targets(), "/Regist.php?Rkf=1&NAME=enter"));

    click(startUp.regist(), "CDR_Return");
    checkVersion(Notice);
    click(menu(), "CD_Login");
    service.script("Access.php", "1<QZT>7<QZT>Hanako");
    service.script("Say.php", "1");
    service.script("Lobby.php", "1<QZT>now<QZT>0<QZT>0");
    QTest::keyClicks(control<QLineEdit>(startUp.accept(), "TEXTU"), QStringLiteral("hanako"));
    QTest::keyClicks(control<QLineEdit>(startUp.accept(), "TEXTP"), QStringLiteral("pw"));
    QTest::keyClick(control<QLineEdit>(startUp.accept(), "TEXTP"), Qt::Key_Enter, Qt::KeypadModifier);
    ASSERT_TRUE(startUp.lobby().isVisible());

    QTest::keyClicks(control<QLineEdit>(startUp.lobby(), "ChatTX"), QStringLiteral("hello"));
    QTest::keyClick(control<QLineEdit>(startUp.lobby(), "ChatTX"), Qt::Key_Return);
    EXPECT_TRUE(contains(service.targets(), "/Say.php?Rkf=1&Speaker=Hanako&Words=hello"));
}

TEST_F(TitleMenu, InputDuringAWaitIsDroppedAndTheNoticesStopButtonEndsTheWait)
{
    startUp.run();
    service.script("Login.php", ScriptedReply{Notice, 200, "text/html; charset=UTF-8", std::chrono::seconds(30)});
    QString stopCaption;
    QTimer::singleShot(800, [&] {
        click(menu(), "Com_Single");
        QTest::keyClick(control<QPushButton>(menu(), "Com_Single"), Qt::Key_Space);
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == QStringLiteral("WaitNotice") && window->isVisible()) {
                auto* stop = window->findChild<QPushButton*>();
                stopCaption = stop->text();
                QTest::mouseClick(stop, Qt::LeftButton);
            }
        }
    });
    QElapsedTimer waited;
    waited.start();
    click(menu(), "CD_Access");
    EXPECT_LT(waited.elapsed(), 10'000);
    EXPECT_EQ(stopCaption, QStringLiteral("中止"));
    EXPECT_EQ(text(menu(), "Word(1)"), QStringLiteral("通信が中断されました。"));
    EXPECT_EQ(buttons(), (std::vector<bool>{true, false, false, true}));
    QTest::qWait(200);
    EXPECT_TRUE(launched.empty()) << "a click made during the wait arrived after it";
}

TEST_F(TitleMenu, PracticeRunsTheGameAndEndsWithIt)
{
    startUp.run();
    click(menu(), "Com_Single");
    EXPECT_EQ(launched, std::vector<int16_t>{1});
    EXPECT_EQ(exits, std::vector<int>{3});
    EXPECT_FALSE(menu().isVisible());
    EXPECT_EQ(menu().Tag, QStringLiteral("0"));
    EXPECT_TRUE(service.targets().empty());
}

TEST_F(TitleMenu, ClosingTheMenuEndsTheProgram)
{
    startUp.run();
    menu().close();
    EXPECT_EQ(exits, std::vector<int>{0});
    EXPECT_TRUE(launched.empty());
}

// The match button lies below every other control of the menu; it is usable once a match can be
// launched, and its dialog turns into the launched set-up.
TEST_F(TitleMenu, MatchButtonBelowTheOtherControlsAndItsDialog)
{
    startUp.run();
    auto* match = control<QPushButton>(menu(), "Com_Match");
    EXPECT_FALSE(match->isEnabled());
    for (QWidget* other : menu().findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (other != match) {
            EXPECT_GE(match->geometry().top(), other->geometry().bottom()) << other->objectName().toStdString();
        }
    }
    EXPECT_LE(match->geometry().bottom(), menu().height());
    menu().setMatchLauncher([](const MatchChoice&) { return 0; });
    EXPECT_TRUE(match->isEnabled());

    struct Row {
        int opponent, ends;
        bool guard;
        MatchChoice expected;
    };
    for (const Row& row : {Row{0, 3, false, {true, 1, 3, false}}, Row{2, 10, true, {true, 3, 10, true}},
                           Row{3, 1, false, {false, 2, 1, false}}}) {
        MatchDialog dialog;
        dialog.opponent()->setCurrentIndex(row.opponent);
        dialog.ends()->setValue(row.ends);
        dialog.freeGuardZone()->setChecked(row.guard);
        const MatchChoice c = dialog.choice();
        EXPECT_EQ(std::tie(c.againstCpu, c.cpuLevel, c.ends, c.freeGuardZone),
                  std::tie(row.expected.againstCpu, row.expected.cpuLevel, row.expected.ends, row.expected.freeGuardZone));
    }
    const MatchChoice defaults = MatchDialog().choice();
    EXPECT_EQ(std::tie(defaults.againstCpu, defaults.cpuLevel, defaults.ends, defaults.freeGuardZone),
              std::make_tuple(true, 2, 8, false));
}

TEST_F(TitleMenu, ServerAndUserTextIsShownLiterallyOnEveryScreen)
{
    const auto field = [](int tag) { return "<QZT>" + markup(tag).toStdString(); };
    const std::string markedNotice = "1" + field(1) + field(2) + field(3) + field(4) + field(5) + "<QZT>203.0.113.5";
    startUp.run();
    checkVersion(markedNotice);
    EXPECT_EQ(expectLabelsShowTextLiterally(menu()), 5);
    EXPECT_EQ(notice(1), markup(1));

    click(menu(), "CD_Regist");
    online::Regist& regist = startUp.regist();
    for (int box = 0; box < 3; ++box)
        control<QLineEdit>(regist, QStringLiteral("TextB(%1)").arg(box))->setText(QStringLiteral("pw"));
    service.script("Regist.php", "-1" + field(6));
    click(regist, "CDR_Send");
    EXPECT_EQ(expectLabelsShowTextLiterally(regist), 1);
    EXPECT_EQ(text(regist, "Word(4)"), markup(6));

    click(regist, "CDR_Return");
    checkVersion(markedNotice);
    click(menu(), "CD_Login");
    online::Accept& accept = startUp.accept();
    QTest::keyClicks(control<QLineEdit>(accept, "TEXTU"), QStringLiteral("hanako"));
    QTest::keyClicks(control<QLineEdit>(accept, "TEXTP"), QStringLiteral("pw"));
    service.script("Access.php", "-1" + field(7));
    click(accept, "CDA_Send");
    EXPECT_EQ(expectLabelsShowTextLiterally(accept), 1);
    EXPECT_EQ(text(accept, "Word(3)"), markup(7));

    // The lobby: the name the service spells, the update time, a room and a chat line.
    service.script("Access.php", "1<QZT>7" + field(8));
    service.script("Say.php", "1");
    service.script("Lobby.php", "1" + field(9) + "<QZT>1<QZT>100" + field(10) + field(11) + field(12) + field(13)
                                    + "<QZT>1<QZT>1" + field(14) + field(15) + field(16));
    click(accept, "CDA_Send");
    online::Lobby& lobby = startUp.lobby();
    ASSERT_TRUE(lobby.isVisible());
    EXPECT_EQ(expectLabelsShowTextLiterally(lobby), 9);
    EXPECT_EQ(text(lobby, "Word(1)"), markup(8));
    EXPECT_EQ(text(lobby, "Word(9)"), markup(10));

    // Message boxes get the service's words unchanged; the dialogs show them literally.
    service.script("Join.php", "-1" + field(17));
    click(lobby, "Command(0)");
    EXPECT_EQ(lastOf(dialogs.messages), markup(17).toStdString());
    EXPECT_TRUE(exits.empty());
}
