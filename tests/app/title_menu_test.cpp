#include "online_rig.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QSpinBox>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>

#include <tuple>

using namespace testing_support;

namespace {

class TitleMenu : public OnlineScreens {
protected:
    QString notice(int line) { return text(menu(), QStringLiteral("Word(%1)").arg(line + 1)); }
    // Access, login, registration and practice.
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
};

const std::string Notice = "1<QZT>一行目<QZT>二行目<QZT>三行目<QZT>四行目<QZT>五行目<QZT>203.0.113.5";
const std::vector<bool> Fresh{true, false, false, true};
const QStringList AcceptBoxes{"TEXTU", "TEXTP"};
const QStringList RegistBoxes{"TextB(0)", "TextB(1)", "TextB(2)"};

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

TEST_F(TitleMenu, InputDuringAWaitIsDroppedTheStopButtonEndsItAndPracticeOrClosingEndTheProgram)
{
    EXPECT_EQ(menu().Tag, QStringLiteral("1"));
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
    EXPECT_EQ(buttons(), Fresh);
    QTest::qWait(200);
    EXPECT_TRUE(launched.empty()) << "a click made during the wait arrived after it";

    click(menu(), "Com_Single");
    EXPECT_EQ(launched, std::vector<int16_t>{1});
    EXPECT_EQ(exits, std::vector<int>{3});
    EXPECT_FALSE(menu().isVisible());
    EXPECT_EQ(menu().Tag, QStringLiteral("0"));
    startUp.run();
    menu().close();
    EXPECT_EQ(exits, (std::vector<int>{3, 0}));
    EXPECT_EQ(launched.size(), 1u);
}

// The match button lies below every control that was there before it, so that none of them moves
// (only the settings button came after it); it is usable once a match can be launched, and its
// dialog turns into the launched set-up.
TEST_F(TitleMenu, MatchButtonBelowTheOtherControlsAndItsDialog)
{
    auto* match = control<QPushButton>(menu(), "Com_Match");
    EXPECT_FALSE(match->isEnabled());
    for (QWidget* other : menu().findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (other != match && other->objectName() != QStringLiteral("Com_Settings")) {
            EXPECT_GE(match->geometry().top(), other->geometry().bottom()) << other->objectName().toStdString();
        }
    }
    EXPECT_LE(match->geometry().bottom(), menu().height());
    menu().setMatchLauncher([](const MatchChoice&) { return 0; });
    EXPECT_TRUE(match->isEnabled());

    const auto read = [](const MatchDialog& dialog) {
        const MatchChoice c = dialog.choice();
        return std::make_tuple(c.againstCpu, c.cpuLevel, c.ends, c.freeGuardZone);
    };
    MatchDialog dialog;
    EXPECT_EQ(read(dialog), std::make_tuple(true, 2, 8, false)) << "the defaults";
    dialog.opponent()->setCurrentIndex(2);
    dialog.ends()->setValue(10);
    dialog.freeGuardZone()->setChecked(true);
    EXPECT_EQ(read(dialog), std::make_tuple(true, 3, 10, true)) << "the strongest computer";
    dialog.opponent()->setCurrentIndex(3);
    EXPECT_EQ(read(dialog), std::make_tuple(false, 2, 10, true)) << "two players";
}

TEST_F(TitleMenu, ServerAndUserTextIsShownLiterallyOnEveryScreen)
{
    const auto field = [](int tag) { return "<QZT>" + markup(tag).toStdString(); };
    // A line too long shows one line cut with an ellipsis, whole in its tooltip, never as markup.
    const QString longLine =
        QStringLiteral("<b>大会期間中</b>はサーバーが混み合いますので、練習目的での対戦ルームは使わないでください &amp;");
    const std::string markedNotice =
        "1" + field(1) + field(2) + field(3) + "<QZT>" + longLine.toStdString() + field(5) + "<QZT>203.0.113.5";
    checkVersion(markedNotice);
    EXPECT_EQ(expectLabelsShowTextLiterally(menu()), 5);
    EXPECT_EQ(notice(1), markup(1));
    QLabel* fourth = control<QLabel>(menu(), "Word(5)");
    ASSERT_EQ(fourth->text(), longLine);
    const int lineHeight = fourth->fontMetrics().height();
    ASSERT_GT(fourth->height(), lineHeight);
    EXPECT_LT(lowestInkRow(fourth->grab().toImage()), lineHeight) << "a second line shows in part";
    EXPECT_EQ(tooltipShownFor(fourth), longLine);
    EXPECT_EQ(tooltipShownFor(control<QLabel>(menu(), "Word(2)")), QString()) << "a whole text needs no tooltip";
    EXPECT_GE(lowestInkRow(control<QLabel>(menu(), "Word(2)")->grab().toImage()), 0);

    click(menu(), "CD_Regist");
    online::Regist& regist = startUp.regist();
    type(regist, RegistBoxes, {"enter", "pw", "pw"});
    service.script("Regist.php", "-1" + field(6));
    QTest::keyClick(control<QLineEdit>(regist, "TextB(2)"), Qt::Key_Return);
    EXPECT_EQ(service.targets().back(), "/PHP/Rinkfall/Regist.php?Rkf=1&NAME=enter&PASS=pw&LENG=5&IP=203.0.113.5")
        << "the address comes from the version check";
    EXPECT_EQ(expectLabelsShowTextLiterally(regist), 1);
    EXPECT_EQ(text(regist, "Word(4)"), markup(6));
    click(regist, "CDR_Return");
    EXPECT_EQ(buttons(), Fresh);

    checkVersion(markedNotice);
    click(menu(), "CD_Login");
    online::Accept& accept = startUp.accept();
    EXPECT_FALSE(menu().isVisible());
    EXPECT_EQ(menu().Tag, QStringLiteral("0"));
    type(accept, AcceptBoxes, {"hanako", "pw"});
    service.script("Access.php", "-1" + field(7));
    click(accept, "CDA_Send");
    EXPECT_EQ(expectLabelsShowTextLiterally(accept), 1);
    EXPECT_EQ(text(accept, "Word(3)"), markup(7));
    click(accept, "CDA_Return");
    EXPECT_EQ(notice(1), QStringLiteral(" "));
    EXPECT_EQ(buttons(), Fresh);
    accept.close(); // a hidden, no longer current screen
    EXPECT_TRUE(exits.empty());

    // The lobby: the name the service spells, the update time, a room and a chat line.
    checkVersion(Notice);
    click(menu(), "CD_Login");
    service.script("Access.php", "1<QZT>7" + field(8));
    service.script("Say.php", "1");
    service.script("Lobby.php", "1" + field(9) + "<QZT>1<QZT>100" + field(10) + field(11) + field(12) + field(13)
                                    + "<QZT>1<QZT>1" + field(14) + field(15) + field(16));
    type(accept, AcceptBoxes, {"hanako", "pw"});
    QTest::keyClick(control<QLineEdit>(accept, "TEXTP"), Qt::Key_Enter, Qt::KeypadModifier);
    online::Lobby& lobby = startUp.lobby();
    ASSERT_TRUE(lobby.isVisible());
    EXPECT_FALSE(accept.isVisible());
    EXPECT_EQ(expectLabelsShowTextLiterally(lobby), 9);
    EXPECT_EQ(text(lobby, "Word(1)"), markup(8));
    EXPECT_EQ(text(lobby, "Word(9)"), markup(10));
    type(lobby, {"ChatTX"}, {"hello"});
    QTest::keyClick(control<QLineEdit>(lobby, "ChatTX"), Qt::Key_Return);
    EXPECT_EQ(parameter(service.targets().end()[-2], "Words"), "hello");

    // Message boxes get the service's words unchanged; the dialogs show them literally.
    service.script("Join.php", "-1" + field(17));
    click(lobby, "Command(0)");
    EXPECT_EQ(dialogs.messages.back(), markup(17).toStdString());
    lobby.close();
    EXPECT_EQ(exits, std::vector<int>{0});
}
