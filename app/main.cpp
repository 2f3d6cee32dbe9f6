#include "app/start_up.h"
#include "online/protocol.h"
#include "platform/qt_dialogs.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <cstdlib>

namespace {

// Ends the process at once, as closing the current screen or the end of a game demands; no
// window of the title menu may come back.
[[noreturn]] void endProcess(int code)
{
    std::fflush(nullptr);
    std::_Exit(code);
}

int gameUnavailable(platform::Dialogs& dialogs)
{
    dialogs.messageBox("ゲーム画面はこのビルドに含まれていません。", "Code:Rinkfall");
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
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
    parser.process(application);

    const auto serverUrl = online::Protocol::parseServer(parser.value(server));
    if (!serverUrl) {
        std::fprintf(stderr, "rinkfall: --server needs an address such as http://example.org:8080, not \"%s\"\n",
                     qPrintable(parser.value(server)));
        return 2;
    }

    platform::QtDialogs dialogs;
    GameLauncher launcher = [&dialogs](int16_t) { return gameUnavailable(dialogs); };
    StartUp startUp(*serverUrl, dialogs, launcher, endProcess);
    startUp.run();
    return QApplication::exec();
}
