// The title menu as the program builds it, and what the game remembers between runs: the stored
// values, the settings dialog, the last user's name, and where the game window may open again.

#include "app/settings_dialog.h"
#include "online_rig.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QHelpEvent>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>

#include <functional>
#include <tuple>

using namespace testing_support;

namespace {

// QSettings' user files go to a folder of the test's own, under the program's real names.
struct TemporarySettings {
    TemporarySettings()
    {
        nameTheApplication();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    }
    QByteArray contents() const
    {
        QFile f(QSettings().fileName());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir dir;
};

// Every stored value as text, so that two sets compare at once and a difference shows which.
QString shown(const StoredSettings& s)
{
    const QRect w = s.window ? s.window->geometry : QRect();
    return QStringLiteral("%1|%2|%3,%4 %5x%6 full=%7|%8|%9|%10")
        .arg(s.server, s.userName)
        .arg(w.x()).arg(w.y()).arg(w.width()).arg(w.height())
        .arg(s.window ? int(s.window->fullScreen) : -1)
        .arg(s.volume).arg(s.mouseSensitivity).arg(int(s.invertLook));
}

class TitleMenu : public OnlineScreens {
protected:
    TitleMenu()
    {
        startUp.rememberSettings([this](const StoredSettings& chosen) { applied.push_back(chosen); });
    }
    // Runs `answer` on the settings dialog the settings button opens; `answer` closes it.
    void openSettings(const std::function<void(SettingsDialog&)>& answer)
    {
        QTimer::singleShot(0, [answer] {
            auto* dialog = qobject_cast<SettingsDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog) << "no settings dialog opened";
            answer(*dialog);
        });
        click(menu(), "Com_Settings");
    }

    TemporarySettings place;
    std::vector<StoredSettings> applied;
};


bool blank(const QImage& picture)
{
    QImage plain(picture.size(), picture.format());
    plain.fill(picture.pixel(0, 0));
    return picture == plain;
}

// The tooltip `label` shows when asked for one, as the plain text it reads; empty when none shows.
QString tooltipShownFor(QLabel* label)
{
    QToolTip::hideText();
    if (!QTest::qWaitFor([] { return !QToolTip::isVisible(); }))
        return QStringLiteral("(an earlier tooltip stayed visible)");
    QHelpEvent help(QEvent::ToolTip, QPoint(4, 4), label->mapToGlobal(QPoint(4, 4)));
    QCoreApplication::sendEvent(label, &help);
    if (!QToolTip::isVisible())
        return QString();
    QTextDocument shown;
    shown.setHtml(QToolTip::text());
    return shown.toPlainText();
}

TEST_F(TitleMenu, InputDuringAWaitIsDroppedTheStopButtonEndsItAndPracticeOrClosingEndTheProgram)
{
    service.script("Login.php", ScriptedReply{"1<QZT>a<QZT>b<QZT>c<QZT>d<QZT>e<QZT>203.0.113.5", 200,
                                              "text/html; charset=UTF-8", std::chrono::seconds(30)});
    QTimer::singleShot(800, [&] {
        click(menu(), "Com_Single");
        QTest::keyClick(control<QPushButton>(menu(), "Com_Single"), Qt::Key_Space);
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == QStringLiteral("WaitNotice") && window->isVisible())
                QTest::mouseClick(window->findChild<QPushButton*>(), Qt::LeftButton);
        }
    });
    click(menu(), "CD_Access");
    EXPECT_EQ(text(menu(), "Word(1)"), QStringLiteral("通信が中断されました。"));
    EXPECT_TRUE(enabled(menu(), "CD_Access") && enabled(menu(), "Com_Single"));
    EXPECT_FALSE(enabled(menu(), "CD_Login") || enabled(menu(), "CD_Regist")) << "before a version check";
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
}

// Server and user text is shown literally: a line too long shows one line cut with an ellipsis,
// whole in its tooltip. The name that logged in is offered again, after a restart too; a refused
// name is not kept, and no password reaches the settings.
TEST_F(TitleMenu, ServerAndUserTextIsShownLiterallyAndOnlyTheNameThatLoggedInIsKept)
{
    const auto field = [](int tag) { return "<QZT>" + markup(tag).toStdString(); };
    const QString longLine =
        QStringLiteral("<b>大会期間中</b>はサーバーが混み合いますので、練習目的での対戦ルームは使わないでください &amp;");
    service.script("Login.php", "1" + field(1) + field(2) + field(3) + "<QZT>" + longLine.toStdString() + field(5)
                                    + "<QZT>203.0.113.5");
    click(menu(), "CD_Access");
    EXPECT_EQ(expectLabelsShowTextLiterally(menu()), 5);
    QLabel* fourth = control<QLabel>(menu(), "Word(5)");
    const int lineHeight = fourth->fontMetrics().height();
    ASSERT_GT(fourth->height(), lineHeight);
    const QImage picture = fourth->grab().toImage();
    EXPECT_FALSE(blank(picture.copy(0, 0, picture.width(), lineHeight)));
    EXPECT_TRUE(blank(picture.copy(0, lineHeight, picture.width(), picture.height() - lineHeight)))
        << "a second line shows in part";
    EXPECT_EQ(tooltipShownFor(fourth), longLine);
    EXPECT_EQ(tooltipShownFor(control<QLabel>(menu(), "Word(2)")), QString()) << "a whole text needs no tooltip";

    click(menu(), "CD_Login");
    online::Accept& accept = startUp.accept();
    type(accept, {"TEXTU", "TEXTP"}, {"jiro", "wrong-Pass1"});
    service.script("Access.php", "-1" + field(7));
    click(accept, "CDA_Send");
    EXPECT_EQ(readSettings(QSettings()).userName, QString()) << "a refused name was kept";
    EXPECT_EQ(expectLabelsShowTextLiterally(accept), 1);

    // The lobby: the name the service spells, the update time, a room and a chat line.
    service.script("Access.php", "1<QZT>7" + field(8));
    service.script("Say.php", "1");
    service.script("Lobby.php", "1" + field(9) + "<QZT>1<QZT>100" + field(10) + field(11) + field(12) + field(13)
                                    + "<QZT>1<QZT>1" + field(14) + field(15) + field(16));
    control<QLineEdit>(accept, "TEXTU")->setText(QStringLiteral("hanako"));
    control<QLineEdit>(accept, "TEXTP")->setText(QStringLiteral("s3cret-Pw"));
    QTest::keyClick(control<QLineEdit>(accept, "TEXTP"), Qt::Key_Enter, Qt::KeypadModifier);
    online::Lobby& lobby = startUp.lobby();
    ASSERT_TRUE(lobby.isVisible());
    EXPECT_EQ(expectLabelsShowTextLiterally(lobby), 9);
    accept.close(); // a hidden, no longer current screen
    EXPECT_TRUE(exits.empty());
    type(lobby, {"ChatTX"}, {"hello"});
    QTest::keyClick(control<QLineEdit>(lobby, "ChatTX"), Qt::Key_Return);
    EXPECT_EQ(parameter(service.targets().end()[-2], "Words"), "hello");

    // Message boxes get the service's words unchanged; the dialogs show them literally.
    service.script("Join.php", "-1" + field(17));
    click(lobby, "Command(0)");
    EXPECT_EQ(dialogs.messages.back(), markup(17).toStdString());
    lobby.close();
    EXPECT_EQ(exits, std::vector<int>{0});

    const QByteArray file = place.contents();
    EXPECT_TRUE(file.contains("hanako")) << file.toStdString();
    for (const char* secret : {"s3cret-Pw", "wrong-Pass1", "c3Nj"})
        EXPECT_FALSE(file.contains(secret)) << secret << " in " << file.toStdString();
    StartUp restarted{service.url(), dialogs, [](int16_t) { return 0; }, [](int) {}};
    restarted.rememberSettings(nullptr);
    open(restarted.accept());
    EXPECT_EQ(text(restarted.accept(), "TEXTU"), QStringLiteral("hanako"));
    EXPECT_EQ(text(restarted.accept(), "TEXTP"), QString());
    EXPECT_EQ(restarted.accept().focusWidget(), control<QLineEdit>(restarted.accept(), "TEXTP"));
}

// The match button is usable once a match can be launched; its dialog turns into the set-up.
// The settings dialog opens on what is stored, not on what this run was told (the rig's service
// stands for a --server given): OK with a bad address keeps it open saying why; OK with a good
// one stores the choice and applies it at once; Cancel changes nothing at all.
TEST_F(TitleMenu, TheMatchDialogChoosesTheSetUpAndSettingsOkStoresOnlyAValidChoiceAndCancelNothing)
{
    EXPECT_FALSE(enabled(menu(), "Com_Match"));
    menu().setMatchLauncher([](const MatchChoice&) { return 0; });
    EXPECT_TRUE(enabled(menu(), "Com_Match"));

    const auto read = [](const MatchDialog& dialog) {
        const MatchChoice c = dialog.choice();
        return std::make_tuple(c.againstCpu, c.cpuLevel, c.ends, c.freeGuardZone);
    };
    MatchDialog setUp;
    EXPECT_EQ(read(setUp), std::make_tuple(true, 2, 8, false)) << "the defaults";
    setUp.opponent()->setCurrentIndex(2);
    setUp.ends()->setValue(10);
    setUp.freeGuardZone()->setChecked(true);
    EXPECT_EQ(read(setUp), std::make_tuple(true, 3, 10, true)) << "the strongest computer";
    setUp.opponent()->setCurrentIndex(3);
    EXPECT_EQ(read(setUp), std::make_tuple(false, 2, 10, true)) << "two players";

    const StoredSettings before{.server = QStringLiteral("http://stored.example:9000"), .userName = "taro",
                                .window = {}, .volume = 100, .mouseSensitivity = 1.0, .invertLook = false};
    QSettings settings;
    writeSettings(settings, before);
    const StoredSettings expected{.server = QStringLiteral("https://new.example:8443"), .userName = "taro",
                                  .window = {}, .volume = 30, .mouseSensitivity = 2.5, .invertLook = true};
    QString errorShown;
    openSettings([&](SettingsDialog& dialog) {
        EXPECT_EQ(shown(dialog.chosen()), shown(before)) << "what the dialog opened on";
        dialog.server()->setText(QStringLiteral("ftp://elsewhere.example"));
        dialog.volume()->setValue(30);
        dialog.mouseSensitivity()->setValue(2.5);
        dialog.invertLook()->setChecked(true);
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        EXPECT_TRUE(dialog.isVisible()) << "a bad address was accepted";
        errorShown = dialog.error()->isVisible() ? dialog.error()->text() : QString();
        dialog.server()->setText(QStringLiteral(" https://new.example:8443 "));
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        EXPECT_FALSE(dialog.isVisible());
    });
    EXPECT_TRUE(errorShown.contains(QStringLiteral("http://"))) << errorShown.toStdString();
    EXPECT_EQ(shown(readSettings(QSettings())), shown(expected)) << "what the dialog does not show stays";
    ASSERT_EQ(applied.size(), 1u);
    EXPECT_EQ(shown(applied[0]), shown(expected));
    EXPECT_TRUE(startUp.protocol().address(QStringLiteral("PHP"), QStringLiteral("Login.php")).toString()
                    .startsWith(QStringLiteral("https://new.example:8443/PHP/")))
        << "the new service is used from now on";

    const QByteArray file = place.contents();
    openSettings([&](SettingsDialog& dialog) {
        EXPECT_EQ(dialog.volume()->value(), 30);
        dialog.server()->setText(QStringLiteral("http://other.example"));
        dialog.volume()->setValue(0);
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    });
    EXPECT_EQ(place.contents(), file);
    EXPECT_EQ(applied.size(), 1u);
}

// Values survive a restart; one spoiled by hand reads as its default and takes no other with it.
TEST(StoredSettings, SurviveARestartSpoiledValuesReadAsDefaultsAndTheCommandLinesServerCountsOver)
{
    TemporarySettings place;
    const StoredSettings chosen{.server = QStringLiteral("https://curling.example.org:8443"),
                                .userName = QStringLiteral("花子"),
                                .window = platform::WindowPlacement{QRect(130, 90, 800, 600), true},
                                .volume = 35, .mouseSensitivity = 2.25, .invertLook = true};
    EXPECT_EQ(shown(readSettings(QSettings())), shown(StoredSettings{}));
    QSettings settings;
    writeSettings(settings, chosen);
    EXPECT_TRUE(QSettings().fileName().startsWith(place.dir.path() + QStringLiteral("/rinkfall/")));
    EXPECT_EQ(shown(readSettings(QSettings())), shown(chosen));

    settings.setValue(QStringLiteral("sound/volume"), QStringLiteral("loud"));
    settings.setValue(QStringLiteral("mouse/sensitivity"), 40);
    settings.setValue(QStringLiteral("window/geometry"), QStringLiteral("here"));
    const StoredSettings spoiled{chosen.server, chosen.userName, std::nullopt, 100, 1.0, chosen.invertLook};
    EXPECT_EQ(shown(readSettings(settings)), shown(spoiled));
    settings.setValue(QStringLiteral("sound/volume"), 250);
    EXPECT_EQ(readSettings(settings).volume, 100);

    // The address given on the command line counts for the run, even a bad one; without one, the
    // stored address counts if it is a valid one.
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("server"), QString(), QStringLiteral("URL")});
    const auto serverFor = [&](const QStringList& args, const char* stored) {
        EXPECT_TRUE(parser.parse(QStringList{QStringLiteral("rinkfall")} + args));
        StoredSettings s;
        s.server = QString::fromLatin1(stored);
        return serverForRun(parser, QStringLiteral("server"), s);
    };
    const QUrl byDefault(QString::fromLatin1(online::Protocol::DefaultServer));
    EXPECT_EQ(serverFor({"--server", "https://given.example"}, "http://stored.example:9000"),
              QUrl(QStringLiteral("https://given.example")));
    const QUrl stored(QStringLiteral("http://stored.example:9000"));
    EXPECT_EQ(serverFor({}, "http://stored.example:9000"), stored);
    EXPECT_EQ(serverFor({}, ""), byDefault);
    EXPECT_EQ(serverFor({}, "gopher://old"), byDefault) << "a spoiled stored address";
    EXPECT_EQ(serverFor({"--server", "ftp://given.example"}, "http://stored.example:9000"), std::nullopt);
}

// Two screens side by side: the primary 1280 x 1000 (a panel takes the bottom), a second to its
// right. A window that shows enough of itself stays; one that does not moves onto the screen it
// overlaps most (the primary when none), shrunk to fit. Without screens or a size nothing changes.
TEST(WindowPlacement, KeptInSightOnTheScreens)
{
    const QList<QRect> screens{QRect(0, 0, 1280, 1000), QRect(1280, 0, 1024, 768)};
    const std::vector<std::tuple<const char*, QRect, QRect>> cases{
        {"on the primary", QRect(100, 50, 640, 480), QRect(100, 50, 640, 480)},
        {"on the second", QRect(1400, 100, 640, 480), QRect(1400, 100, 640, 480)},
        {"mostly off but enough shows", QRect(-400, 700, 640, 480), QRect(-400, 700, 640, 480)},
        {"above and left of all", QRect(-2000, -900, 640, 480), QRect(0, 0, 640, 480)},
        {"off every screen", QRect(5000, 3000, 640, 480), QRect(640, 520, 640, 480)},
        {"only a corner on the second", QRect(2250, 700, 640, 480), QRect(1664, 288, 640, 480)},
        {"larger than the screen it touches", QRect(2250, 700, 1600, 1200), QRect(1280, 0, 1024, 768)},
        {"tiny and mostly beyond the corner", QRect(1270, 990, 64, 48), QRect(1216, 952, 64, 48)}};
    for (const auto& [name, saved, expected] : cases) {
        EXPECT_EQ(platform::keepInSight(saved, screens), expected) << name;
        EXPECT_EQ(platform::keepInSight(saved, {}), saved) << name;
    }
    EXPECT_EQ(platform::keepInSight(QRect(5000, 3000, 0, 0), screens), QRect(5000, 3000, 0, 0)) << "sizeless";
}

} // namespace
