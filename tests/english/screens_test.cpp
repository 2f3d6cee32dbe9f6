// Each screen in English, state by state beside its Japanese twin: no Japanese left, no text cut
// that Japanese shows whole.

#include "app/settings_dialog.h"
#include "english_fixture.h"
#include "online_rig.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTimer>

using namespace english;
using testing_support::click;
using testing_support::ScriptedReply;

namespace {

// A version check the service accepts; its notice lines are the service's own words.
const std::string Accepted = "1<QZT>news 1<QZT>news 2<QZT>news 3<QZT>news 4<QZT>news 5<QZT>203.0.113.5";

class Screens : public BothLanguages {
protected:
    static QWidget& menu(StartUp& s) { return s.titleMenu(); }
    static QWidget& accept(StartUp& s) { return s.accept(); }
    static QWidget& regist(StartUp& s) { return s.regist(); }
    static QWidget& lobby(StartUp& s) { return s.lobby(); }

    // Both menus through an accepted version check, then `button`.
    void openFromMenu(const char* button)
    {
        service.script("Login.php", Accepted);
        onBoth([button](StartUp& s) {
            click(s.titleMenu(), "CD_Access");
            click(s.titleMenu(), button);
        });
    }
    // Types into `boxes` of `screen` and clicks `send` on both sides.
    void send(QWidget& (*screen)(StartUp&), const QStringList& boxes, const QStringList& texts, const char* send)
    {
        onBoth([&](StartUp& s) {
            for (const QString& box : boxes)
                testing_support::control<QLineEdit>(screen(s), box)->clear();
            testing_support::type(screen(s), boxes, texts);
            click(screen(s), send);
        });
    }
};

TEST_F(Screens, TitleMenu)
{
    expectEnglishWhole(menu, "fresh");
    service.script("Login.php", "-2<QZT>a<QZT>b<QZT>c<QZT>d<QZT>e<QZT>203.0.113.5");
    onBoth([](StartUp& s) { click(s.titleMenu(), "CD_Access"); });
    expectEnglishWhole(menu, "outdated version");
    onBoth([](StartUp& s) { s.titleMenu().NewGame(); });
    service.script("Login.php", Accepted);
    onBoth([](StartUp& s) { click(s.titleMenu(), "CD_Access"); });
    expectEnglishWhole(menu, "version accepted");
    EXPECT_EQ(english.startUp->titleMenu().windowTitle(), QStringLiteral("Code:Rinkfall Login"));

    // A slow reply brings up a notice whose button stops the wait.
    service.script("Login.php", ScriptedReply{Accepted, 200, "text/html", std::chrono::seconds(5)});
    QStringList notice;
    QTimer::singleShot(900, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == QStringLiteral("WaitNotice") && window->isVisible()) {
                notice = shownTexts(*window);
                QTest::mouseClick(window->findChild<QPushButton*>(), Qt::LeftButton);
            }
        }
    });
    english.startUp->titleMenu().NewGame();
    click(english.startUp->titleMenu(), "CD_Access");
    EXPECT_EQ(notice.size(), 3) << notice.join(u'|').toStdString();
    for (const QString& text : notice + shownTexts(english.startUp->titleMenu()))
        EXPECT_FALSE(hasJapanese(text)) << "stopped wait: " << text.toStdString();
}

TEST_F(Screens, Login)
{
    const QStringList boxes{"TEXTU", "TEXTP"};
    openFromMenu("CD_Login");
    expectEnglishWhole(accept, "fresh");
    send(accept, boxes, {"", ""}, "CDA_Send");
    expectEnglishWhole(accept, "nothing typed");
    send(accept, boxes, {"hanako", ""}, "CDA_Send");
    expectEnglishWhole(accept, "no password");
    const std::pair<const char*, testing_support::ScriptedReply> replies[] = {
        {"database error", {"0"}},
        {"malformed reply", {"x"}},
        {"server error", {"", 500}},
        {"unknown code", {"7"}},
    };
    for (const auto& [state, reply] : replies) {
        service.script("Access.php", reply);
        send(accept, boxes, {"hanako", "pw"}, "CDA_Send");
        expectEnglishWhole(accept, state);
    }
}

TEST_F(Screens, Registration)
{
    const QStringList boxes{"TextB(0)", "TextB(1)", "TextB(2)"};
    openFromMenu("CD_Regist");
    expectEnglishWhole(regist, "fresh");
    const std::pair<const char*, QStringList> typed[] = {
        {"passwords differ", {"hanako", "pw", "wp"}},
        {"no password", {"hanako", "", ""}},
        {"no name", {"", "pw", "pw"}},
    };
    for (const auto& [state, texts] : typed) {
        send(regist, boxes, texts, "CDR_Send");
        expectEnglishWhole(regist, state);
    }
    for (const auto& [state, body] : {std::pair{"database error", "0"}, std::pair{"malformed reply", "x"}}) {
        service.script("Regist.php", body);
        send(regist, boxes, {"hanako", "pw", "pw"}, "CDR_Send");
        expectEnglishWhole(regist, state);
    }
}

TEST_F(Screens, LobbyAndItsMessages)
{
    openFromMenu("CD_Login");
    service.script("Access.php", "1<QZT>7<QZT>hanako");
    service.script("Say.php", "1");
    service.script("Lobby.php", testing_support::lobbyDocument(8, 3, {0, 1, 2, 3}));
    send(accept, {"TEXTU", "TEXTP"}, {"hanako", "pw"}, "CDA_Send");
    ASSERT_TRUE(english.startUp->lobby().isVisible());
    expectEnglishWhole(lobby, "rooms in every state");

    // A room of one's own, then a room joined: the first button's caption follows.
    english.dialogs.answers.push_back("mine");
    japanese.dialogs.answers.push_back("mine");
    service.script("MakeGame.php", "1<QZT>300");
    onBoth([](StartUp& s) { click(s.lobby(), "MakeGameB"); });
    expectEnglishWhole(lobby, "own room");
    service.script("DelGame.php", "1");
    onBoth([](StartUp& s) { click(s.lobby(), "MakeGameB"); });
    service.script("Join.php", "1<QZT>joined<QZT>1");
    onBoth([](StartUp& s) { click(s.lobby(), "Command(1)"); });
    expectEnglishWhole(lobby, "room joined");
    ASSERT_GE(english.dialogs.texts.size(), 5u) << "the room's title was asked for and the join reported";
    service.script("Lobby.php", ScriptedReply{"", 503});
    onBoth([](StartUp& s) { click(s.lobby(), "ReloadB"); });
    expectEnglishWhole(lobby, "service unavailable");
}

// A dialog of the title menu, shown in Japanese and then in English.
void expectDialogWhole(const std::function<std::unique_ptr<QDialog>()>& make,
                       const std::function<void(QDialog&)>& prepare = [](QDialog&) {})
{
    const auto japanese = make();
    prepare(*japanese);
    japanese->show();
    const auto translations = installEnglish();
    const auto dialog = make();
    prepare(*dialog);
    dialog->show();
    for (const QString& text : shownTexts(*dialog))
        EXPECT_FALSE(hasJapanese(text)) << text.toStdString();
    EXPECT_TRUE(cutControls(*japanese).isEmpty()) << cutControls(*japanese).join(u',').toStdString();
    EXPECT_TRUE(cutControls(*dialog).isEmpty()) << cutControls(*dialog).join(u',').toStdString();
}

TEST(DialogsInEnglish, MatchSetUp)
{
    expectDialogWhole([] { return std::make_unique<MatchDialog>(); });
}

TEST(DialogsInEnglish, SettingsWithTheirAddressRefused)
{
    expectDialogWhole([] { return std::make_unique<SettingsDialog>(StoredSettings{}); },
                      [](QDialog& dialog) {
                          auto& settings = static_cast<SettingsDialog&>(dialog);
                          settings.server()->setText(QStringLiteral("ftp://example.org"));
                          settings.accept();
                          ASSERT_TRUE(settings.error()->isVisibleTo(&settings));
                      });
}

} // namespace
