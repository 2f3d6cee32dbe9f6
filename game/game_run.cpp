#include "game/game_run.h"

#include "engine/engine_errors.h"
#include "game/field.h"
#include "game/mouse_feel.h"
#include "game/replay_format.h"
#include "game/sound_player.h"
#include "game/state_dump.h"
#include "platform/bmp_texture.h"
#include "platform/clock.h"
#include "platform/data_folder.h"
#include "platform/dialogs.h"
#include "platform/gfx/null_device.h"
#include "platform/input_host.h"
#include "platform/qt_dialogs.h"
#include "platform/window_host.h"
#include "platform/xfile_parser.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QImage>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <random>
#include <stdexcept>

namespace {

const char* const Caption = "Code:Rinkfall ";

// --headless: messages go to standard error and count as answered.
class StderrDialogs final : public platform::Dialogs {
public:
    void messageBox(const std::string& text, const std::string& caption) override
    {
        std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
        ++answered;
    }
    std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                        const std::string& initial) override
    {
        std::fprintf(stderr, "[%s] %s\n", title.c_str(), prompt.c_str());
        ++answered;
        return initial;
    }
    int answered = 0;
};

// Every clock reading inside one frame's work returns the frame's time: the real time at the
// frame's start in a live run (so that a recording of it replays the frame exactly), the recorded
// time in a replay, a steady 100 frames per second headless. Only Flip's wait sees other times:
// the real clock live; in a replay or headless run present times a second apart, so it never waits.
class FrameClock final : public platform::Clock {
public:
    explicit FrameClock(bool virtualTime) : virtual_(virtualTime) {}
    double now() const override
    {
        if (!inFlip_)
            return frameTime_;
        return virtual_ ? flipTime_ : real_.now();
    }
    void sleepFor(double seconds) override
    {
        if (!virtual_)
            real_.sleepFor(seconds);
    }
    void sleepUntil(double deadline) override
    {
        if (!virtual_ && inFlip_)
            real_.sleepUntil(deadline);
    }
    void startFrame(std::optional<double> t)
    {
        frameTime_ = t ? *t : real_.now();
        inFlip_ = false;
    }
    void enterFlip()
    {
        inFlip_ = true;
        flipTime_ += 1.0;
    }

private:
    bool virtual_;
    platform::SteadyClock real_;
    double frameTime_ = 0;
    double flipTime_ = 0;
    bool inFlip_ = false;
};

// Input taken from a recording while a window (if any) keeps running its own events.
class ReplayInputHost final : public platform::InputHost {
public:
    explicit ReplayInputHost(platform::InputHost* window) : window_(window) {}
    const std::array<std::uint8_t, 256>& keyTable() const override { return script.keyTable(); }
    int cursorX() const override { return script.cursorX(); }
    int cursorY() const override { return script.cursorY(); }
    void setCursor(int x, int y) override { script.setCursor(x, y); }
    void setCursorVisible(bool visible) override { script.setCursorVisible(visible); }
    void processEvents() override
    {
        if (window_)
            window_->processEvents();
    }

    void apply(const FrameInput& in)
    {
        script.keys.fill(0);
        for (std::uint8_t k : in.keys)
            script.keys[k] = 0x80;
        script.x = in.mouseX;
        script.y = in.mouseY;
    }

    platform::ScriptedInputHost script;

private:
    platform::InputHost* window_;
};

FrameInput polledInput(const platform::InputHost& host, double t, std::int16_t buttons)
{
    FrameInput in;
    in.t = t;
    const auto& table = host.keyTable();
    for (int k = 0; k < 256; ++k) {
        if (table[k] != 0)
            in.keys.push_back(static_cast<std::uint8_t>(k));
    }
    in.mouseX = host.cursorX();
    in.mouseY = host.cursorY();
    in.buttons = buttons;
    return in;
}

std::ofstream openOutput(const QString& path)
{
    std::ofstream out(path.toStdString(), std::ios::out | std::ios::trunc);
    if (!out)
        throw std::runtime_error(path.toStdString() + ": cannot be written");
    return out;
}

// The game names its files with Windows separators ("\\Library\\Tex_Ice.bmp" after the program's
// folder); here every separator is a slash.
std::string nativePath(std::string path)
{
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    return path;
}


// Everything one run owns, built according to the options.
class GameRun {
public:
    explicit GameRun(const GameRunOptions& options) : options_(options) {}

    int run()
    {
        openReplay();
        buildPlatform();
        buildSound();
        field_ = std::make_unique<Field>(environment());
        connectWindow();
        openOutputs();
        field_->setHooks(hooks());
        field_->prepareGame(gmode_);
        if (!options_.screenshotPath.isEmpty())
            field_->engine().getDDD().setBackBufferLockable(true); // read after the last present
        if (replay_ && !pending_)
            return 0; // a recording without frames: nothing to play
        field_->Game_Main();
        if (window_ && options_.keepWindow)
            options_.keepWindow(window_->placement());
        writeScreenshot();
        if (sound_ && !sound_->finish())
            throw std::runtime_error(options_.soundOutPath.toStdString() + ": cannot be written");
        return 0;
    }

private:
    void openReplay()
    {
        gmode_ = options_.gmode;
        seed_ = options_.seed ? *options_.seed : std::random_device{}();
        matchSetup_ = options_.match;
        mouseSensitivity_ = options_.mouseSensitivity;
        invertLook_ = options_.invertLook;
        if (options_.replayPath.isEmpty())
            return;
        replay_ = std::make_unique<ReplayReader>(options_.replayPath.toStdString());
        gmode_ = replay_->header().gmode;
        seed_ = replay_->header().seed;
        matchSetup_ = replay_->header().match;
        // The recording holds the cursor, not the turns: the view turns as it did only with the
        // recorded game's mouse-look, so the header's feel wins over the player's present one.
        mouseSensitivity_ = replay_->header().mouseSensitivity;
        invertLook_ = replay_->header().invertLook;
        pending_ = replay_->next();
    }

    void buildPlatform()
    {
        if (options_.headless)
            dialogs_ = std::make_unique<StderrDialogs>();
        else
            dialogs_ = std::make_unique<platform::QtDialogs>();

        platform::InputHost* windowInput = nullptr;
        if (!options_.headless) {
            window_ = std::make_unique<platform::WindowHost>(640, 480);
            window_->setCaption(QString::fromUtf8(Caption));
            if (options_.window)
                window_->place(*options_.window);
            windowInput = window_.get();
        }
        if (replay_) {
            replayInput_ = std::make_unique<ReplayInputHost>(windowInput);
            input_ = replayInput_.get();
        } else if (window_) {
            input_ = window_.get();
        } else {
            headlessInput_ = std::make_unique<platform::ScriptedInputHost>();
            input_ = headlessInput_.get();
        }

        // Replays and headless runs keep their own time; a live window runs on the real clock.
        clock_ = std::make_unique<FrameClock>(replay_ || options_.headless);
    }

    // Opening the device is the one step of the sound that may take a moment: it happens here,
    // before the first frame. No device means silence, without a word.
    void buildSound()
    {
        const SoundOutputs outputs = soundOutputsFor(options_);
        const bool device = outputs.device && QCoreApplication::instance();
        if (!device && !outputs.file)
            return;
        sound_ = std::make_unique<SoundPlayer>((dataFolderFor(options_) + QStringLiteral("/Sound")).toStdString(),
                                               options_.soundVolume);
        if (outputs.file && !sound_->writeTo(options_.soundOutPath.toStdString()))
            throw std::runtime_error(options_.soundOutPath.toStdString() + ": cannot be written");
        // About five frames of queue: enough to ride out an uneven frame, short enough not to lag.
        if (device)
            sound_->setDevice(audio::AudioDevice::openDefault(SoundPlayer::SampleRate, 5 * SoundPlayer::SamplesPerFrame));
    }

    FieldEnvironment environment()
    {
        FieldEnvironment env;
        engine::QrnPlatform& p = env.platform;
        if (options_.headless) {
            p.createDevice = [this](const engine::PresentParams& params, bool) -> std::unique_ptr<gfx::Device> {
                auto device = std::make_unique<gfx::NullDevice>(int(params.BackBufferWidth),
                                                                int(params.BackBufferHeight));
                device->keepCallLogs(false); // nothing here reads them
                nullDevice_ = device.get();
                return device;
            };
        } else {
            p.createDevice = [this](const engine::PresentParams&, bool software) -> std::unique_ptr<gfx::Device> {
                return window_->createDevice(software);
            };
        }
        p.loadTexture = [](const std::string& path) { return platform::loadBmpTexture(nativePath(path)); };
        p.loadMesh = [](const std::string& path) { return platform::loadXFile(nativePath(path)); };
        p.clock = clock_.get();
        p.dialogs = dialogs_.get();
        p.input = input_;
        p.title = Caption;
        if (window_)
            env.showWindow = [this] { window_->show(); };
        env.programDir = dataFolderFor(options_).toStdString();
        env.seed = seed_;
        env.match = matchSetup();
        env.mouseSensitivity = mouseSensitivity_;
        env.invertLook = invertLook_;
        env.sound = sound_.get();
        return env;
    }

    void connectWindow()
    {
        if (!window_)
            return;
        Field* field = field_.get();
        if (!replay_)
            window_->setMouseButtonHandler([field](int mask) { field->onMouseButtonDown(std::int16_t(mask)); });
        window_->setCloseHandler([field] { field->onCloseRequest(); });
    }

    void openOutputs()
    {
        if (!options_.dumpPath.isEmpty())
            dump_ = openOutput(options_.dumpPath);
        if (!options_.recordPath.isEmpty()) {
            record_ = openOutput(options_.recordPath);
            ReplayHeader header{gmode_, seed_, matchSetup()};
            header.mouseSensitivity = mouseSensitivity_;
            header.invertLook = invertLook_;
            record_ << replayHeaderLine(header) << '\n';
        }
    }

    FieldHooks hooks()
    {
        FieldHooks h;
        h.beforeFrame = [this] { beforeFrame(); };
        if (record_.is_open())
            h.atPoll = [this] {
                record_ << frameInputLine(polledInput(*input_, clock_->now(), field_->input().getPendingButton()))
                        << '\n';
            };
        h.beforeFlip = [this] { clock_->enterFlip(); };
        h.afterFrame = [this] { return afterFrame(); };
        return h;
    }

    void beforeFrame()
    {
        if (replay_) {
            const FrameInput& in = *pending_;
            clock_->startFrame(in.t);
            replayInput_->apply(in);
            if (in.buttons != 0)
                field_->onMouseButtonDown(in.buttons);
        } else if (options_.headless) {
            clock_->startFrame(frame_ * 0.01);
        } else {
            clock_->startFrame(std::nullopt);
        }
    }

    bool afterFrame()
    {
        if (dump_.is_open())
            dump_ << stateDumpLine(*field_, frame_) << '\n';
        if (nullDevice_)
            nullDevice_->reset(); // its call logs would grow without end in a long run
        ++frame_;
        if (options_.frames && frame_ >= *options_.frames)
            return false;
        if (replay_) {
            pending_ = replay_->next();
            return pending_.has_value();
        }
        return true;
    }

    void writeScreenshot()
    {
        if (options_.screenshotPath.isEmpty())
            return;
        // The back buffer has no alpha channel to speak of (X8R8G8B8): the picture is opaque.
        const QImage image = field_->engine().getDDD().readBackBuffer().convertToFormat(QImage::Format_RGB32);
        if (image.isNull() || !image.save(options_.screenshotPath, "PNG"))
            throw std::runtime_error(options_.screenshotPath.toStdString()
                                     + ": no screenshot (it needs the OpenGL device)");
    }

    // A match mode without a set-up plays with the default one.
    std::optional<match::MatchSetup> matchSetup() const
    {
        if (!match::isMatchMode(gmode_))
            return std::nullopt;
        match::MatchSetup setup = matchSetup_.value_or(match::MatchSetup{});
        setup.againstCpu = gmode_ == match::GModeAgainstCpu;
        return setup;
    }

    const GameRunOptions& options_;
    std::optional<match::MatchSetup> matchSetup_;
    std::int16_t gmode_ = 1;
    std::uint32_t seed_ = 0;
    double mouseSensitivity_ = 1.0;
    bool invertLook_ = false;
    std::unique_ptr<ReplayReader> replay_;
    std::optional<FrameInput> pending_;
    std::unique_ptr<platform::Dialogs> dialogs_;
    std::unique_ptr<platform::WindowHost> window_;
    std::unique_ptr<ReplayInputHost> replayInput_;
    std::unique_ptr<platform::ScriptedInputHost> headlessInput_;
    platform::InputHost* input_ = nullptr;
    std::unique_ptr<FrameClock> clock_;
    gfx::NullDevice* nullDevice_ = nullptr;
    std::unique_ptr<SoundPlayer> sound_; // outlives the field that talks to it
    std::unique_ptr<Field> field_;
    std::ofstream dump_;
    std::ofstream record_;
    long frame_ = 0;
};

long parseCount(const QString& text, const char* option, long low)
{
    bool ok = false;
    const long v = text.toLong(&ok);
    if (!ok || v < low)
        throw std::invalid_argument(std::string("--") + option + " takes a whole number of at least "
                                    + std::to_string(low));
    return v;
}

// An error that nothing below could handle ends the game: standard error always has the reason,
// and a windowed run also tells the user in a message box.
int reportGameFailure(const GameRunOptions& options, const std::exception& error)
{
    std::fprintf(stderr, "rinkfall: the game stopped: %s\n", error.what());
    if (!options.headless && qobject_cast<QApplication*>(QCoreApplication::instance()))
        platform::QtDialogs().messageBox(
            QCoreApplication::translate("runGame", "エラーのためゲームを終了します。\n%1")
                .arg(QString::fromUtf8(error.what()))
                .toStdString(),
            "Code:Rinkfall");
    return GameFailedExitCode;
}

} // namespace

void addGameOptions(QCommandLineParser& parser)
{
    parser.addOption({"practice", "Start single practice at once, without the title menu."});
    parser.addOption({"gmode", "Start the game window in game mode <n>.", "n"});
    parser.addOption({"seed", "Seed of the balance triangle's start angles.", "n"});
    parser.addOption({"record", "Record every frame's input to <file>.", "file"});
    parser.addOption({"replay", "Play the input recorded in <file>; ends after its last frame.", "file"});
    parser.addOption({"dump", "Write the game state after every frame to <file>.", "file"});
    parser.addOption({"headless", "No window and no OpenGL: the null device, no frame pacing."});
    parser.addOption({"frames", "End after <n> frames, as Esc would.", "n"});
    parser.addOption({"match", "Start a match: against the computer (cpu, or cpu:1 weak, cpu:2 normal, cpu:3 "
                               "strong) or two players at one keyboard (local).", "opponent"});
    parser.addOption({"ends", "Ends of the match, 1 to 10 (default 8); goes with --match.", "n"});
    parser.addOption({"free-guard-zone", "Play the match with the free-guard-zone rule; goes with --match."});
    parser.addOption({"screenshot", "After the last frame save the back buffer to <file> (PNG).", "file"});
    parser.addOption({"mouse-sensitivity",
                      QStringLiteral("Mouse-look turns <x> times as fast as usual, %1 to %2 (this run only).")
                          .arg(mousefeel::MinSensitivity)
                          .arg(mousefeel::MaxSensitivity),
                      "x"});
    parser.addOption({"invert-look", "on: moving the mouse up tilts the view down; off: up tilts up (this run only).",
                      "on|off"});
    parser.addOption({"mute", "No sound from the sound device."});
    parser.addOption({"volume", "Sound volume in percent, 0 to 100 (default 100); replays and headless runs "
                                "play sound only with it.", "n"});
    parser.addOption({"sound-out", "Write the mixed sound of the run to <file> (WAV), a hundredth of a second "
                                   "per frame.", "file"});
}

SoundOutputs soundOutputsFor(const GameRunOptions& options)
{
    SoundOutputs outputs;
    const bool live = !options.headless && options.replayPath.isEmpty();
    outputs.device = !options.muted && options.soundVolume > 0 && (live || options.volumeGiven);
    outputs.file = !options.soundOutPath.isEmpty();
    return outputs;
}

GameRunOptions gameOptionsFrom(const QCommandLineParser& parser, GameRunOptions remembered)
{
    GameRunOptions o = std::move(remembered);
    o.startsGame = parser.isSet("practice") || parser.isSet("gmode") || parser.isSet("replay") || parser.isSet("match");
    if (parser.isSet("match")) {
        o.match = match::parseOpponent(parser.value("match").toStdString());
        if (!o.match)
            throw std::invalid_argument("--match takes cpu, cpu:1, cpu:2, cpu:3 or local");
        o.gmode = o.match->gmode();
    }
    if ((parser.isSet("ends") || parser.isSet("free-guard-zone")) && !o.match)
        throw std::invalid_argument("--ends and --free-guard-zone go with --match");
    if (parser.isSet("ends")) {
        const long ends = parseCount(parser.value("ends"), "ends", match::MinEnds);
        if (ends > match::MaxEnds)
            throw std::invalid_argument("--ends takes a number from 1 to 10");
        o.match->rules.ends = static_cast<int>(ends);
    }
    if (o.match)
        o.match->rules.freeGuardZone = parser.isSet("free-guard-zone");
    if (parser.isSet("gmode")) {
        const long gmode = parseCount(parser.value("gmode"), "gmode", -32768);
        if (gmode > 32767)
            throw std::invalid_argument("--gmode takes a 16-bit number");
        o.gmode = static_cast<std::int16_t>(gmode);
    }
    if (parser.isSet("seed")) {
        const long seed = parseCount(parser.value("seed"), "seed", 0);
        if (seed > 4294967295L)
            throw std::invalid_argument("--seed takes a 32-bit unsigned number");
        o.seed = static_cast<std::uint32_t>(seed);
    }
    if (parser.isSet("frames"))
        o.frames = parseCount(parser.value("frames"), "frames", 1);
    o.recordPath = parser.value("record");
    o.replayPath = parser.value("replay");
    o.dumpPath = parser.value("dump");
    o.screenshotPath = parser.value("screenshot");
    if (parser.isSet("mouse-sensitivity")) {
        bool ok = false;
        const double sensitivity = parser.value("mouse-sensitivity").toDouble(&ok);
        if (!ok || !mousefeel::inRange(sensitivity))
            throw std::invalid_argument("--mouse-sensitivity takes a number from "
                                        + QString::number(mousefeel::MinSensitivity).toStdString() + " to "
                                        + QString::number(mousefeel::MaxSensitivity).toStdString());
        o.mouseSensitivity = sensitivity;
    }
    if (parser.isSet("invert-look")) {
        const QString value = parser.value("invert-look");
        if (value != "on" && value != "off")
            throw std::invalid_argument("--invert-look takes on or off");
        o.invertLook = value == "on";
    }
    o.headless = parser.isSet("headless");
    o.muted = parser.isSet("mute");
    if (parser.isSet("volume")) {
        const long volume = parseCount(parser.value("volume"), "volume", 0);
        if (volume > 100)
            throw std::invalid_argument("--volume takes a number from 0 to 100");
        o.soundVolume = static_cast<int>(volume);
        o.volumeGiven = true;
    }
    o.soundOutPath = parser.value("sound-out");
    if (o.headless && !o.screenshotPath.isEmpty())
        throw std::invalid_argument("--screenshot needs the OpenGL device; it cannot go with --headless");
    return o;
}

QString dataFolderFor(const GameRunOptions& options)
{
    if (!options.libraryDir.isEmpty())
        return options.libraryDir;
    if (QCoreApplication::instance())
        return platform::dataFolder(QCoreApplication::applicationDirPath());
    return QStringLiteral(".");
}

int runGame(const GameRunOptions& options)
{
    try {
        GameRun run(options);
        return run.run();
    } catch (const ReplayFormatError& e) {
        std::fprintf(stderr, "rinkfall: %s\n", e.what());
        return 2;
    } catch (const engine::FatalExit& e) {
        // The user has been told; the reason behind it is for whoever reads the log.
        std::fprintf(stderr, "rinkfall: %s\n", e.what());
        return e.exitCode();
    } catch (const std::exception& e) {
        return reportGameFailure(options, e);
    }
}
