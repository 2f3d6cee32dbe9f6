// What the game remembers between runs: the stored values, the settings dialog from the title
// menu, the last user's name, and where the game window may open again.

#include "app/settings.h"
#include "app/settings_dialog.h"
#include "online_rig.h"
#include "platform/window_placement.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCommandLineParser>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

using namespace testing_support;

namespace {

// QSettings' user files go to a folder of the test's own, under the program's real names.
class TemporarySettings {
public:
    TemporarySettings()
    {
        nameTheApplication();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    }
    QString file() const { return QSettings().fileName(); }
    QByteArray contents() const
    {
        QFile f(file());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir dir;
};

StoredSettings chosenByAPlayer()
{
    StoredSettings s;
    s.server = QStringLiteral("https://curling.example.org:8443");
    s.userName = QStringLiteral("花子");
    s.window = platform::WindowPlacement{QRect(130, 90, 800, 600), true};
    s.volume = 35;
    s.mouseSensitivity = 2.25;
    s.invertLook = true;
    return s;
}

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

void expectSame(const StoredSettings& a, const StoredSettings& b)
{
    EXPECT_EQ(shown(a), shown(b));
}

TEST(StoredSettings, SurviveARestartAndSpoiledValuesReadAsDefaults)
{
    TemporarySettings place;
    {
        QSettings settings;
        expectSame(readSettings(settings), StoredSettings{});
        writeSettings(settings, chosenByAPlayer());
    }
    EXPECT_TRUE(place.file().startsWith(place.dir.path() + QStringLiteral("/rinkfall/")))
        << place.file().toStdString();
    expectSame(readSettings(QSettings()), chosenByAPlayer());

    {
        QSettings settings;
        settings.setValue(QStringLiteral("sound/volume"), QStringLiteral("loud"));
        settings.setValue(QStringLiteral("mouse/sensitivity"), 40);
        settings.setValue(QStringLiteral("window/geometry"), QStringLiteral("here"));
    }
    const StoredSettings spoiled = readSettings(QSettings());
    EXPECT_EQ(spoiled.volume, 100);
    EXPECT_EQ(spoiled.mouseSensitivity, 1.0);
    EXPECT_FALSE(spoiled.window);
    EXPECT_EQ(spoiled.userName, chosenByAPlayer().userName) << "a spoiled value takes no other with it";
    QSettings().setValue(QStringLiteral("sound/volume"), 250);
    EXPECT_EQ(readSettings(QSettings()).volume, 100);
}

TEST(StoredSettings, TheCommandLinesServerCountsOverTheStoredOne)
{
    const auto serverFor = [](const QStringList& args, const QString& stored) {
        QCommandLineParser parser;
        parser.addOption({QStringLiteral("server"), QString(), QStringLiteral("URL")});
        EXPECT_TRUE(parser.parse(QStringList{QStringLiteral("rinkfall")} + args));
        StoredSettings s;
        s.server = stored;
        const std::optional<QUrl> url = serverForRun(parser, QStringLiteral("server"), s);
        return url ? url->toString() : QStringLiteral("(refused)");
    };
    const QString stored = QStringLiteral("http://stored.example:9000");
    const QString given = QStringLiteral("https://given.example");
    EXPECT_EQ(serverFor({"--server", given}, stored), given);
    EXPECT_EQ(serverFor({}, stored), stored);
    const QString byDefault = QString::fromLatin1(online::Protocol::DefaultServer);
    EXPECT_EQ(serverFor({}, QString()), byDefault);
    EXPECT_EQ(serverFor({}, QStringLiteral("gopher://old")), byDefault)
        << "a spoiled stored address";
    EXPECT_EQ(serverFor({"--server", "ftp://given.example"}, stored), QStringLiteral("(refused)"))
        << "a bad address given is refused, not replaced";
}

struct PlacementCase {
    const char* name;
    QRect saved;
    QRect expected;
};

// Two screens side by side: the primary 1280 x 1000 (a panel takes the bottom), a second to its right.
const QList<QRect> Screens{QRect(0, 0, 1280, 1000), QRect(1280, 0, 1024, 768)};

class KeptInSight : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(KeptInSight, OnTheScreens)
{
    EXPECT_EQ(platform::keepInSight(GetParam().saved, Screens), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    WindowPlacement, KeptInSight,
    ::testing::Values(
        PlacementCase{"OnThePrimary", QRect(100, 50, 640, 480), QRect(100, 50, 640, 480)},
        PlacementCase{"OnTheSecond", QRect(1400, 100, 640, 480), QRect(1400, 100, 640, 480)},
        PlacementCase{"AcrossBoth", QRect(1000, 100, 640, 480), QRect(1000, 100, 640, 480)},
        PlacementCase{"MostlyOffButEnoughShows", QRect(-400, 700, 640, 480), QRect(-400, 700, 640, 480)},
        PlacementCase{"AboveAndLeftOfAll", QRect(-2000, -900, 640, 480), QRect(0, 0, 640, 480)},
        PlacementCase{"OffEveryScreen", QRect(5000, 3000, 640, 480), QRect(640, 520, 640, 480)},
        PlacementCase{"OnlyACornerOnTheSecond", QRect(2250, 700, 640, 480), QRect(1664, 288, 640, 480)},
        PlacementCase{"LargerThanTheScreenItTouches", QRect(2250, 700, 1600, 1200),
                      QRect(1280, 0, 1024, 768)},
        PlacementCase{"TinyAndMostlyBeyondTheCorner", QRect(1270, 990, 64, 48), QRect(1216, 952, 64, 48)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WindowPlacement, WithoutScreensOrASizeNothingChanges)
{
    EXPECT_EQ(platform::keepInSight(QRect(9000, 9000, 640, 480), {}), QRect(9000, 9000, 640, 480));
    EXPECT_EQ(platform::keepInSight(QRect(9000, 9000, 0, 0), Screens), QRect(9000, 9000, 0, 0));
}

// The title menu as the program builds it, with the settings kept in a folder of the test's own.
class SettingsMenu : public OnlineScreens {
protected:
    SettingsMenu()
    {
        startUp.rememberSettings([this](const StoredSettings& chosen) { applied.push_back(chosen); });
    }

    // Runs `answer` on the settings dialog once the settings button opened it.
    void openSettings(std::function<void(SettingsDialog&)> answer)
    {
        bool seen = false;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* dialog = dynamic_cast<SettingsDialog*>(w);
                if (dialog && dialog->isVisible() && !seen) {
                    seen = true;
                    poll.stop();
                    answer(*dialog);
                }
            }
        });
        poll.start();
        click(menu(), "Com_Settings");
        EXPECT_TRUE(seen) << "no settings dialog opened";
    }

    static void press(SettingsDialog& dialog, QDialogButtonBox::StandardButton which)
    {
        QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(which), Qt::LeftButton);
    }

    TemporarySettings place;
    std::vector<StoredSettings> applied;
};

// Every control the menu had keeps its place and size (in pixels, at 15 twips to the pixel); the
// settings button lies below all of them, inside the menu.
TEST_F(SettingsMenu, ButtonBelowTheMenuAndEveryEarlierControlWhereItWas)
{
    const std::vector<std::pair<const char*, QRect>> earlier{
        {"Word(0)", QRect(8, 8, 297, 17)},        {"Word(1)", QRect(8, 24, 297, 17)},
        {"CD_Access", QRect(8, 48, 81, 33)},      {"CD_Login", QRect(112, 48, 81, 33)},
        {"CD_Regist", QRect(224, 48, 81, 33)},    {"Word(2)", QRect(8, 88, 297, 17)},
        {"Word(3)", QRect(8, 104, 297, 17)},      {"Word(4)", QRect(8, 120, 297, 17)},
        {"Word(5)", QRect(8, 136, 297, 17)},      {"Word(6)", QRect(8, 152, 297, 17)},
        {"Com_Single", QRect(8, 173, 137, 20)},   {"Com_Match", QRect(8, 197, 137, 20)}};
    auto* settings = control<QPushButton>(menu(), "Com_Settings");
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(settings->text(), QStringLiteral("設定"));
    EXPECT_TRUE(settings->isEnabled());
    const auto children = menu().findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    EXPECT_EQ(children.size(), qsizetype(earlier.size() + 1)) << "a control came or went";
    for (const auto& [name, where] : earlier) {
        auto* widget = menu().findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_NE(widget, nullptr) << name;
        EXPECT_EQ(widget->geometry(), where) << name;
        EXPECT_GE(settings->geometry().top(), widget->geometry().bottom()) << name;
    }
    EXPECT_LE(settings->geometry().bottom(), menu().height());
}

// The dialog opens on what is stored, not on what this run was told (the rig's service stands for
// a --server given): OK with a bad address keeps it open saying why; OK with a good one stores the
// choice and applies it at once; Cancel changes nothing at all.
TEST_F(SettingsMenu, DialogOkStoresAndAppliesOnlyAValidChoiceAndCancelChangesNothing)
{
    {
        StoredSettings stored;
        stored.server = QStringLiteral("http://stored.example:9000");
        stored.userName = QStringLiteral("taro");
        QSettings settings;
        writeSettings(settings, stored);
    }
    QString errorShown;
    openSettings([&](SettingsDialog& dialog) {
        EXPECT_EQ(dialog.server()->text(), QStringLiteral("http://stored.example:9000"));
        EXPECT_EQ(dialog.volume()->value(), 100);
        EXPECT_EQ(dialog.mouseSensitivity()->value(), 1.0);
        EXPECT_FALSE(dialog.invertLook()->isChecked());
        dialog.server()->setText(QStringLiteral("ftp://elsewhere.example"));
        dialog.volume()->setValue(30);
        dialog.mouseSensitivity()->setValue(2.5);
        dialog.invertLook()->setChecked(true);
        press(dialog, QDialogButtonBox::Ok);
        EXPECT_TRUE(dialog.isVisible()) << "a bad address was accepted";
        errorShown = dialog.error()->isVisible() ? dialog.error()->text() : QString();
        dialog.server()->setText(QStringLiteral(" https://new.example:8443 "));
        press(dialog, QDialogButtonBox::Ok);
        EXPECT_FALSE(dialog.isVisible());
    });
    EXPECT_TRUE(errorShown.contains(QStringLiteral("http://"))) << errorShown.toStdString();
    const StoredSettings stored = readSettings(QSettings());
    EXPECT_EQ(stored.server, QStringLiteral("https://new.example:8443"));
    EXPECT_EQ(stored.volume, 30);
    EXPECT_EQ(stored.mouseSensitivity, 2.5);
    EXPECT_TRUE(stored.invertLook);
    EXPECT_EQ(stored.userName, QStringLiteral("taro")) << "what the dialog does not show stays";
    ASSERT_EQ(applied.size(), 1u);
    expectSame(applied[0], stored);
    EXPECT_TRUE(startUp.protocol().address(QStringLiteral("PHP"), QStringLiteral("Login.php")).toString()
                    .startsWith(QStringLiteral("https://new.example:8443/PHP/")))
        << "the new service is used from now on";

    const QByteArray before = place.contents();
    openSettings([&](SettingsDialog& dialog) {
        EXPECT_EQ(dialog.volume()->value(), 30);
        dialog.server()->setText(QStringLiteral("http://other.example"));
        dialog.volume()->setValue(0);
        dialog.invertLook()->setChecked(false);
        press(dialog, QDialogButtonBox::Cancel);
    });
    EXPECT_EQ(place.contents(), before);
    EXPECT_EQ(applied.size(), 1u);
}

// The name that logged in is offered again, after a restart too; a refused name is not kept, and
// no password ever reaches the settings file.
TEST_F(SettingsMenu, LastUserNameComesBackAfterARestartAndNoPasswordIsStored)
{
    online::Accept& accept = startUp.accept();
    open(accept);
    type(accept, {"TEXTU", "TEXTP"}, {"jiro", "wrong-Pass1"});
    service.script("Access.php", "-1<QZT>パスワードが違います。");
    click(accept, "CDA_Send");
    EXPECT_EQ(readSettings(QSettings()).userName, QString()) << "a refused name was kept";

    control<QLineEdit>(accept, "TEXTU")->setText(QStringLiteral("hanako"));
    control<QLineEdit>(accept, "TEXTP")->setText(QStringLiteral("s3cret-Pw"));
    service.script("Access.php", "1<QZT>7<QZT>Hanako");
    service.script("Say.php", "1");
    service.script("Lobby.php", lobbyDocument(0, 0));
    click(accept, "CDA_Send");
    ASSERT_TRUE(startUp.lobby().isVisible());
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
    restarted.accept().close();
}

} // namespace
