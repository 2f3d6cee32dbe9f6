// Runs the game window straight from the command line (practice, replay, dump, headless).

#include "game/game_run.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

int main(int argc, char** argv)
{
    bool headless = false;
    for (int i = 1; i < argc; ++i)
        headless = headless || std::strcmp(argv[i], "--headless") == 0;
    // A headless run needs no display, so it must not open one.
    std::unique_ptr<QCoreApplication> app;
    if (headless)
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);

    QCommandLineParser parser;
    parser.addHelpOption();
    addGameOptions(parser);
    parser.process(*app);
    try {
        GameRunOptions options = gameOptionsFrom(parser);
        if (!options.startsGame)
            options.gmode = 1;
        return runGame(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "rinkfall-headless: %s\n", e.what());
        return 2;
    }
}
