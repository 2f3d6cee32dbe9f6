#include "app/start_up.h"
#include "online/protocol.h"
#include "platform/qt_dialogs.h"

#ifdef RINKFALL_WITH_GAME
#include "game/game_run.h"
#endif

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {

// Ends the process at once, as closing the current screen or the end of a game demands; no
// window of the title menu may come back.
[[noreturn]] void endProcess(int code)
{
    std::fflush(nullptr);
    std::_Exit(code);
}

#ifndef RINKFALL_WITH_GAME
int gameUnavailable(platform::Dialogs& dialogs)
{
    dialogs.messageBox("ゲーム画面はこのビルドに含まれていません。", "Code:Rinkfall");
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

} // namespace

int main(int argc, char* argv[])
{
    avoidDisplayWhenHeadless(argc, argv);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("rinkfall"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    // Screens hand over by hiding; the program ends only through a closed screen or a finished game.
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Code:Rinkfall, a curling game."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption server(QStringLiteral("server"),
                                    QStringLiteral("Web service address: http(s)://host[:port] (default %1).")
                                        .arg(QLatin1String(online::Protocol::DefaultServer)),
                                    QStringLiteral("URL"), QString::fromLatin1(online::Protocol::DefaultServer));
    parser.addOption(server);
#ifdef RINKFALL_WITH_GAME
    addGameOptions(parser);
#endif
    parser.process(application);

    const auto serverUrl = online::Protocol::parseServer(parser.value(server));
    if (!serverUrl) {
        std::fprintf(stderr, "rinkfall: --server needs an address such as http://example.org:8080, not \"%s\"\n",
                     qPrintable(parser.value(server)));
        return 2;
    }

    platform::QtDialogs dialogs;
#ifdef RINKFALL_WITH_GAME
    GameRunOptions gameOptions;
    try {
        gameOptions = gameOptionsFrom(parser);
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "rinkfall: %s\n", error.what());
        return 2;
    }
    if (gameOptions.startsGame)
        return runGame(gameOptions);
    GameLauncher launcher = [gameOptions](int16_t gmode) mutable {
        gameOptions.gmode = gmode;
        return runGame(gameOptions);
    };
#else
    GameLauncher launcher = [&dialogs](int16_t) { return gameUnavailable(dialogs); };
#endif
    StartUp startUp(*serverUrl, dialogs, launcher, endProcess);
#ifdef RINKFALL_WITH_GAME
    startUp.titleMenu().setMatchLauncher([gameOptions](const MatchChoice& choice) mutable {
        match::MatchSetup setup;
        setup.againstCpu = choice.againstCpu;
        setup.cpuLevel = choice.cpuLevel;
        setup.rules.ends = choice.ends;
        setup.rules.freeGuardZone = choice.freeGuardZone;
        gameOptions.match = setup;
        gameOptions.gmode = setup.gmode();
        return runGame(gameOptions);
    });
#endif
    startUp.run();
    return QApplication::exec();
}
