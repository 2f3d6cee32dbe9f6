#pragma once

// Running the game window from the command line: live, headless, recorded, replayed, dumped.

#include "game/match/match_setup.h"
#include "platform/window_placement.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

class QCommandLineParser;

struct GameRunOptions {
    bool startsGame = false;           // any option that goes straight to the game was given
    std::int16_t gmode = 1;            // --practice: 1; --gmode N
    std::optional<std::uint32_t> seed; // --seed; otherwise random (a replay brings its own)
    QString recordPath;                // --record FILE
    QString replayPath;                // --replay FILE
    QString dumpPath;                  // --dump FILE
    QString screenshotPath;            // --screenshot FILE
    bool headless = false;             // --headless: null device, no window, no waiting
    std::optional<long> frames;        // --frames N
    QString libraryDir;                // the folder Library/ sits in; empty: found from the program's folder
    std::optional<match::MatchSetup> match; // --match, --ends, --free-guard-zone (gmode 2 or 3)
    int soundVolume = 100;             // --volume N: percent, 0..100
    bool muted = false;                // --mute: nothing from the sound device
    bool volumeGiven = false;          // --volume on the command line: replays and headless runs play too
    QString soundOutPath;              // --sound-out FILE: the run's mix as WAV, frame for frame
    double mouseSensitivity = 1.0;     // --mouse-sensitivity: factor on mouse-look's turn; a replay has its own
    bool invertLook = false;           // --invert-look on: moving the mouse up tilts the view down
    std::optional<platform::WindowPlacement> window; // where the game window opens; none: the system decides
    // Told where the game window was when the game ended normally, to open there the next time.
    std::function<void(const platform::WindowPlacement&)> keepWindow;
};

// Where a run's sound goes. A live game in a window plays on the device; replays and headless runs
// play only when --volume asks for it; --mute silences the device; --sound-out adds the file.
struct SoundOutputs {
    bool device = false;
    bool file = false;
};
SoundOutputs soundOutputsFor(const GameRunOptions& options);

void addGameOptions(QCommandLineParser& parser);
// The options given on the command line over `remembered` (what the player chose in earlier runs).
// Throws std::invalid_argument for a value that is not what its option takes.
GameRunOptions gameOptionsFrom(const QCommandLineParser& parser, GameRunOptions remembered = {});

// The folder the game's data folders (Library/, Sound/) sit in: libraryDir when given, otherwise
// beside the program in a build or the installation's data folder (platform::dataFolder).
QString dataFolderFor(const GameRunOptions& options);

// Exit code of a game ended by an error that nothing in it could handle.
constexpr int GameFailedExitCode = 1;

// Runs one game and returns the process exit code: 0 after Esc (or the end of a replay or of
// --frames), 2 for a bad replay or option, the engine's code when it ended the program,
// GameFailedExitCode for any other error (reported on standard error, and in a message box when
// there is a window). The windowed run needs a QApplication; the headless one needs none.
int runGame(const GameRunOptions& options);
