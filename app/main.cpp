#include "app/guarded_application.h"
#include "app/settings.h"
#include "app/start_up.h"
#include "online/protocol.h"
#include "platform/allocator.h"
#include "platform/audio/clip_player.h"
#include "platform/qt_dialogs.h"
#include "platform/translations.h"

#ifdef RINKFALL_WITH_GAME
#include "game/game_run.h"
#endif

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace {

// Ends the process at once, as closing the current screen or the end of a game demands; no
// window of the title menu may come back.
[[noreturn]] void endProcess(int code)
{
    std::fflush(nullptr);
    std::_Exit(code);
}

// Any error that nothing else handled ends the program: the reason goes to standard error and, when
// there is a desktop to show it on, into a message box.
[[noreturn]] void endWithError(const std::exception& error)
{
    std::fprintf(stderr, "rinkfall: %s\n", error.what());
    if (hasVisibleDesktop()) {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Code:Rinkfall"),
                        QCoreApplication::translate("main", "エラーのため終了します。\n%1")
                            .arg(QString::fromUtf8(error.what())));
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
    endProcess(1);
}

#ifndef RINKFALL_WITH_GAME
int gameUnavailable(platform::Dialogs& dialogs)
{
    dialogs.messageBox(
        QCoreApplication::translate("main", "ゲーム画面はこのビルドに含まれていません。").toStdString(),
        "Code:Rinkfall");
    return 1;
}
#endif

// A headless game run needs no display: keep the application off the window system.
void avoidDisplayWhenHeadless(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--headless") == 0 && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

constexpr const char* ServerOption = "server";
constexpr const char* LanguageOption = "lang";

void describeOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral("Code:Rinkfall, a curling game."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QString::fromLatin1(ServerOption),
                      QStringLiteral("Web service address for this run: http(s)://host[:port] (default: the "
                                     "one chosen in the settings, else %1).")
                          .arg(QLatin1String(online::Protocol::DefaultServer)),
                      QStringLiteral("URL"), QString::fromLatin1(online::Protocol::DefaultServer)});
    parser.addOption({QString::fromLatin1(LanguageOption),
                      QStringLiteral("Language of the game: ja (Japanese) or en (English); by default the "
                                     "system locale's, Japanese when it is neither."),
                      QStringLiteral("ja|en")});
#ifdef RINKFALL_WITH_GAME
    addGameOptions(parser);
#endif
}

bool asksForHelpOrVersion(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        for (const char* option : {"-h", "--help", "-?", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

// Help and version text need no window system: they are printed before any display is opened,
// and the process ends with 0 inside process().
void printHelpOrVersion(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    nameTheApplication();
    QCommandLineParser parser;
    describeOptions(parser);
    parser.process(application);
}

} // namespace

int runProgram(int argc, char* argv[])
{
    if (asksForHelpOrVersion(argc, argv))
        printHelpOrVersion(argc, argv);
    avoidDisplayWhenHeadless(argc, argv);
    platform::keepFreedMemoryForReuse();
    GuardedApplication application(argc, argv, endWithError);
    nameTheApplication();
    // Screens hand over by hiding; the program ends only through a closed screen or a finished game.
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    describeOptions(parser);
    parser.process(application);

    // What earlier runs stored; an option given on the command line counts for this run only and is
    // never written back.
    const StoredSettings stored = readSettings(QSettings());
    const auto serverUrl = serverForRun(parser, QString::fromLatin1(ServerOption), stored);
    if (!serverUrl) {
        std::fprintf(stderr, "rinkfall: --server needs an address such as http://example.org:8080, not \"%s\"\n",
                     qPrintable(parser.value(QString::fromLatin1(ServerOption))));
        return 2;
    }

    auto language = platform::languageOf(QLocale::system());
    if (parser.isSet(QString::fromLatin1(LanguageOption))) {
        const QString named = parser.value(QString::fromLatin1(LanguageOption));
        const auto chosen = platform::languageNamed(named);
        if (!chosen) {
            std::fprintf(stderr, "rinkfall: --lang takes ja or en, not \"%s\"\n",
                         qPrintable(named));
            return 2;
        }
        language = *chosen;
    }
    // Before any window: every screen takes its texts when it is built.
    const platform::Translations translations(language);

    platform::QtDialogs dialogs;
#ifdef RINKFALL_WITH_GAME
    GameRunOptions remembered;
    remembered.soundVolume = stored.volume;
    remembered.mouseSensitivity = stored.mouseSensitivity;
    remembered.invertLook = stored.invertLook;
    remembered.window = stored.window;
    remembered.keepWindow = [](const platform::WindowPlacement& placement) {
        QSettings settings;
        StoredSettings s = readSettings(settings);
        s.window = placement;
        writeSettings(settings, s);
    };
    GameRunOptions gameOptions;
    try {
        gameOptions = gameOptionsFrom(parser, remembered);
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "rinkfall: %s\n", error.what());
        return 2;
    }
    if (gameOptions.startsGame)
        return runGame(gameOptions);
    // By reference: the settings dialog may change them before a game starts.
    GameLauncher launcher = [&gameOptions](int16_t gmode) {
        gameOptions.gmode = gmode;
        return runGame(gameOptions);
    };
#else
    GameLauncher launcher = [&dialogs](int16_t) { return gameUnavailable(dialogs); };
#endif
    StartUp startUp(*serverUrl, dialogs, launcher, endProcess);
#ifdef RINKFALL_WITH_GAME
    // The title menu's buttons answer with a short sound, at the game's volume. On the press, not the
    // click: a click may start a game that runs inside its handler.
    const std::string buttonWav =
        (dataFolderFor(gameOptions) + QStringLiteral("/Sound/button.wav")).toStdString();
    const auto makeButtonSound = [&gameOptions, &buttonWav] {
        return std::make_unique<audio::ClipPlayer>(buttonWav, gameOptions.soundVolume, gameOptions.muted);
    };
    auto buttonSound = makeButtonSound();
    for (QPushButton* button : startUp.titleMenu().findChildren<QPushButton*>())
        QObject::connect(button, &QPushButton::pressed, [&buttonSound] { buttonSound->play(); });
    startUp.rememberSettings([&gameOptions, &buttonSound, &makeButtonSound](const StoredSettings& chosen) {
        gameOptions.soundVolume = chosen.volume;
        gameOptions.mouseSensitivity = chosen.mouseSensitivity;
        gameOptions.invertLook = chosen.invertLook;
        // A clip is made at its volume: the buttons' sound is made again at the new one.
        buttonSound = makeButtonSound();
    });
    startUp.titleMenu().setMatchLauncher([&gameOptions](const MatchChoice& choice) {
        match::MatchSetup setup;
        setup.againstCpu = choice.againstCpu;
        setup.cpuLevel = choice.cpuLevel;
        setup.rules.ends = choice.ends;
        setup.rules.freeGuardZone = choice.freeGuardZone;
        gameOptions.match = setup;
        gameOptions.gmode = setup.gmode();
        return runGame(gameOptions);
    });
#else
    startUp.rememberSettings(nullptr);
#endif
    startUp.run();
    return QApplication::exec();
}

int main(int argc, char* argv[])
{
    try {
        return runProgram(argc, argv);
    } catch (const std::exception& error) {
        endWithError(error);
    }
}
