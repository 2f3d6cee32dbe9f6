// Running the game from the command line: its options, recordings, replays, dumps, the --sound-out
// file, and the errors that end a run.

#include "game/game_run.h"
#include "game/replay_format.h"
#include "game/state_dump.h"
#include "platform/audio/wav_format.h"
#include "tests/support/headless_game.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

namespace {

std::vector<std::string> readLines(const QString& path)
{
    std::ifstream in(path.toStdString());
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

QJsonObject json(const std::string& line)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
}

// A recording's lines, frames 1/100 s apart.
struct Script {
    std::vector<std::string> lines;
    double t = 3.0;

    explicit Script(const ReplayHeader& header = {1, 42}) : lines{replayHeaderLine(header)} {}
    void add(std::vector<std::uint8_t> keys = {}, std::int16_t buttons = 0, int x = 320, int y = 240)
    {
        lines.push_back(frameInputLine({t, std::move(keys), x, y, buttons}));
        t += 0.01;
    }
    // A practice shot with `powerFrames` of D; A and D pressed in turn every half second after the
    // first second of the run, `strokes` times, so the brush's turns cancel out.
    void shot(int powerFrames, int strokes, int runFrames)
    {
        for (int step = 0; step < 3; ++step) {
            add({32});
            add();
        }
        for (int i = 0; i < powerFrames; ++i)
            add({68});
        add({32});
        add();
        add({32}); // the balance triangle turns
        add({32});
        add(); // let go
        for (int i = 0; i < runFrames; ++i) {
            if (i % 50 == 10 && i >= 100 && i / 50 - 2 < strokes)
                add({std::uint8_t(i / 50 % 2 == 0 ? 65 : 68)});
            else
                add();
        }
    }
};

class GameRunTest : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir.filePath(name); }

    GameRunOptions headless() const
    {
        GameRunOptions o;
        o.startsGame = o.headless = true;
        o.seed = 5;
        o.libraryDir = QString::fromStdString(testsupport::programDir());
        return o;
    }
    GameRunOptions replaying(const Script& script, const char* name = "script.jsonl")
    {
        std::ofstream out(path(name).toStdString());
        for (const std::string& line : script.lines)
            out << line << '\n';
        GameRunOptions o = headless();
        o.replayPath = path(name);
        return o;
    }

    // Runs `recording` (which records to rec.jsonl and dumps to first.dump), replays the recording
    // (with the same options otherwise) and returns the first dump after checking the replay dumped
    // the same, and wrote the same sound file (again.wav) if the first run wrote one.
    std::vector<std::string> dumpReplaysIdentically(GameRunOptions recording)
    {
        recording.recordPath = path("rec.jsonl");
        recording.dumpPath = path("first.dump");
        EXPECT_EQ(runGame(recording), 0);
        GameRunOptions replay = recording;
        replay.replayPath = path("rec.jsonl");
        replay.recordPath.clear();
        replay.dumpPath = path("second.dump");
        if (!recording.soundOutPath.isEmpty())
            replay.soundOutPath = path("again.wav");
        EXPECT_EQ(runGame(replay), 0);
        const auto first = readLines(path("first.dump"));
        EXPECT_EQ(first, readLines(path("second.dump")));
        std::ifstream a(recording.soundOutPath.toStdString()), b(replay.soundOutPath.toStdString());
        EXPECT_TRUE(std::equal(std::istreambuf_iterator<char>(a), {}, std::istreambuf_iterator<char>(b), {}))
            << "the same sound";
        return first;
    }

    // The run's stderr, and its exit code in `code`.
    std::string stderrOf(const GameRunOptions& o, int& code)
    {
        testing::internal::CaptureStderr();
        code = runGame(o);
        return testing::internal::GetCapturedStderr();
    }

    QTemporaryDir dir;
};

// Two shots at 100 frames a second: a slow stone, then (skipping ahead with F2 while it still
// slides) a fast one that catches it up after four strokes. The recording plays back to the same dump
// and sound, a hundredth of a second of it a frame: silent until the first release, which is loud,
// and silent again once every stone is still.
TEST_F(GameRunTest, ReplayWritesItsSoundAtTheFramesOfItsDumpAndRecordsItself)
{
    Script script;
    for (int i = 0; i < 20; ++i)
        script.add();
    script.add({}, 2); // zoom in the free camera
    script.add({}, 0, 300, 250);
    script.shot(0, 0, 300);
    script.add({113}); // F2: the next stone while the first still slides
    script.add();
    script.shot(400, 4, 1300);

    GameRunOptions o = replaying(script);
    o.soundOutPath = path("sound.wav");
    const auto dump = dumpReplaysIdentically(o);
    const auto recorded = readLines(path("rec.jsonl"));
    ASSERT_EQ(recorded.size(), script.lines.size());
    for (std::size_t i = 1; i < recorded.size(); ++i)
        ASSERT_EQ(frameInputLine(parseFrameInput(recorded[i])), script.lines[i]) << i;

    const std::optional<audio::PcmClip> wav = audio::readWavFile(path("sound.wav").toStdString());
    ASSERT_TRUE(wav);
    ASSERT_EQ(wav->samples.size(), dump.size() * 441);
    const auto at = [&](std::size_t frame) { return wav->samples.begin() + std::ptrdiff_t(frame * 441); };
    const auto peak = [&](std::size_t frame) {
        const auto [lo, hi] = std::minmax_element(at(frame), at(frame + 1));
        return std::max(-int(*lo), int(*hi));
    };
    std::size_t release = 0;
    while (release < dump.size() && json(dump[release]).value("phase").toInt() != 1008)
        ++release;
    ASSERT_LT(release, dump.size());
    EXPECT_TRUE(std::all_of(at(0), at(release), [](std::int16_t s) { return s == 0; })) << "silent before";
    EXPECT_GT(peak(release), 3000);
    EXPECT_EQ(peak(dump.size() - 1), 0);
}

// A live headless match ends after its frames at 100 frames a second, and records the player's
// mouse feel and the match; its recording replays to the same dump, whose lines carry the match.
TEST_F(GameRunTest, LiveMatchEndsAfterItsFramesAndReplaysToTheSameDump)
{
    GameRunOptions live = headless();
    live.frames = 150;
    live.mouseSensitivity = 0.25;
    live.gmode = match::GModeAgainstCpu;
    live.match = match::MatchSetup{{3, true}, true, 1};
    const auto dump = dumpReplaysIdentically(live);
    ASSERT_EQ(dump.size(), 150u);
    const QJsonObject f = json(dump[2]);
    EXPECT_EQ(std::tuple(f["frame"].toInt(), f["phase"].toInt(), f["running"].toInt(), f["stones"].toArray().size()),
              std::tuple(2, 1001, -1, 17));
    EXPECT_EQ(f["match"].toObject().value("ends").toInt(), 3);
    EXPECT_EQ(json(dump.back()).value("fps").toInt(), 100) << "the whole first second counts";
    ReplayHeader header{match::GModeAgainstCpu, 5, live.match};
    header.mouseSensitivity = 0.25;
    EXPECT_EQ(readLines(path("rec.jsonl"))[0], replayHeaderLine(header));
}

// A replay turns the view with the mouse feel of its header, whatever the player's is now, and a
// recording of it passes that feel on. The cursor wanders off the middle now and then, left and
// below it, or above it with the look inverted: the free camera never looks above the horizon.
TEST_F(GameRunTest, ReplayTurnsTheViewWithItsRecordedMouseFeelNotThePlayers)
{
    std::pair<double, double> turned[2]; // yaw and pitch, as recorded and with the header's feel
    for (const bool felt : {false, true}) {
        ReplayHeader header{1, 8};
        header.mouseSensitivity = felt ? 2.5 : 1.0;
        header.invertLook = felt;
        Script script(header);
        for (int i = 0; i < 120; ++i) {
            const bool off = i % 7 == 3;
            script.add({}, 0, 320 - off * (i % 5) * 6, 240 + off * (felt ? -1 : 1) * ((i % 3) * 5 + 1));
        }
        GameRunOptions o = replaying(script);
        o.mouseSensitivity = 4;
        o.invertLook = !felt;
        const auto dump = dumpReplaysIdentically(o);
        const QJsonObject first = json(dump.front())["view"].toObject(), last = json(dump.back())["view"].toObject();
        turned[felt] = {last["yaw"].toDouble() - first["yaw"].toDouble(),
                        last["pitch"].toDouble() - first["pitch"].toDouble()};
        EXPECT_EQ(readLines(path("rec.jsonl"))[0], replayHeaderLine(header));
    }
    ASSERT_TRUE(turned[0].first != 0 && turned[0].second != 0);
    EXPECT_NEAR(turned[1].first, turned[0].first * 2.5, 1e-3) << "the header's feel was not used";
    EXPECT_NEAR(turned[1].second, turned[0].second * 2.5, 1e-3) << "the cursor went the other way, inverted";
}

// A malformed replay line and an error inside the game (an unwritable sound file) end the run with
// their reason on stderr; a missing Sound folder is only silence.
TEST_F(GameRunTest, ErrorsEndTheRunWithTheirReasonAndAMissingSoundFolderIsSilent)
{
    int code = 0;
    Script bad;
    bad.lines.insert(bad.lines.end(), {R"({"t":1})", R"({"t":1.01,"keys":[32]})", R"({"t":1.02,"keys":[300]})", "{}"});
    GameRunOptions o = replaying(bad);
    o.dumpPath = path("bad.dump");
    EXPECT_NE(stderrOf(o, code).find("script.jsonl:4:"), std::string::npos);
    EXPECT_EQ(std::tuple(code, readLines(path("bad.dump")).size()), std::tuple(2, 2u));

    Script shot;
    shot.shot(0, 0, 30);
    o = replaying(shot);
    o.soundOutPath = path("no/such/folder/out.wav");
    EXPECT_NE(stderrOf(o, code).find("out.wav"), std::string::npos);
    EXPECT_EQ(code, GameFailedExitCode);

    // A program folder with the Library but no Sound/: the game plays on, in silence. Its box is a bare
    // triangle (a mesh without frame, normals, texture coordinates or materials), which loads too.
    ASSERT_TRUE(QDir().mkpath(path("Library")));
    const QString library = o.libraryDir + "/Library/";
    for (const QString& name : QDir(library).entryList({"*.bmp", "Mesh_Floor.x", "Mesh_Pipe.x"}))
        ASSERT_TRUE(QFile::link(library + name, path("Library/") + name));
    std::ofstream(path("Library/Mesh_Box.x").toStdString())
        << "xof 0302txt 0032\nMesh {\n 3;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;0.0;1.0;;\n 1;\n 3;0,1,2;;\n}\n";
    o.libraryDir = dir.path();
    o.soundOutPath = path("quiet.wav");
    EXPECT_EQ(stderrOf(o, code), "");
    EXPECT_EQ(code, 0);
    const auto wav = audio::readWavFile(path("quiet.wav").toStdString());
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->samples, std::vector<std::int16_t>((shot.lines.size() - 1) * 441, 0));
}

TEST(ReplayFormat, LinesReadBackDefaultsApplyAndMalformedOnesAreRejected)
{
    const FrameInput in{12.345678901234, {13, 65, 255}, -5, 700, 3};
    EXPECT_EQ(frameInputLine(parseFrameInput(frameInputLine(in))), frameInputLine(in));
    FrameInput defaults;
    defaults.t = 0.5;
    EXPECT_EQ(frameInputLine(parseFrameInput(R"({"t":0.5})")), frameInputLine(defaults)) << "the defaults";

    match::MatchSetup setup;
    setup.cpuLevel = 3;
    setup.rules = {5, false};
    ReplayHeader h{2, 4000000000u, setup};
    h.mouseSensitivity = 0.5;
    EXPECT_EQ(replayHeaderLine(parseReplayHeader(replayHeaderLine(h))), replayHeaderLine(h));
    EXPECT_EQ(replayHeaderLine({1, 3}), R"({"rinkfall_replay":1,"gmode":1,"seed":3})");

    for (const char* bad : {R"({"keys":[1]})", R"({"t":"1"})", R"({"t":1,"keys":[-1]})", R"({"t":1,"keys":7})",
                            R"({"t":1,"mouse":[1]})", R"({"t":1,"mouse":[1.5,2]})", R"({"t":1,"buttons":1e6})",
                            R"([1,2])", R"({"t":1)", ""})
        EXPECT_THROW(parseFrameInput(bad), ReplayFormatError) << bad;
    const std::string head = R"({"rinkfall_replay":1,"gmode":2,"seed":0)";
    for (const std::string& bad :
         {std::string(R"({"rinkfall_replay":2,"gmode":1,"seed":0})"), std::string(R"({"rinkfall_replay":1,"gmode":1})"),
          head + R"(,"match":1})", head + R"(,"match":{"opponent":"x","level":1,"ends":8,"free_guard_zone":false}})",
          head + R"(,"match":{"opponent":"cpu","level":4,"ends":8,"free_guard_zone":false}})",
          head + R"(,"match":{"opponent":"cpu","level":1,"ends":11,"free_guard_zone":false}})",
          head + R"(,"match":{"opponent":"cpu","level":1,"ends":8,"free_guard_zone":0}})",
          head + R"(,"mouse_sensitivity":0})", head + R"(,"mouse_sensitivity":50})",
          head + R"(,"mouse_sensitivity":"2"})", head + R"(,"invert_look":1})"})
        EXPECT_THROW(parseReplayHeader(bad), ReplayFormatError) << bad;
}

TEST(StateDump, FloatsUseTheShortestTextThatReadsBack)
{
    EXPECT_EQ(std::tuple(floatText(0.1f), floatText(-2.0f)), std::tuple("0.1", "-2"));
    EXPECT_EQ(std::stof(floatText(1.0f / 3.0f)), 1.0f / 3.0f);
}

GameRunOptions parsed(QStringList args, const GameRunOptions& remembered = {})
{
    QCommandLineParser p;
    addGameOptions(p);
    EXPECT_TRUE(p.parse(QStringList{"rinkfall"} + args)) << p.errorText().toStdString();
    return gameOptionsFrom(p, remembered);
}

// What the player chose in earlier runs holds unless the command line says otherwise.
TEST(GameOptions, CommandLineValuesOverTheRememberedOnes)
{
    GameRunOptions remembered;
    remembered.soundVolume = 40;
    remembered.mouseSensitivity = 2;
    remembered.invertLook = true;
    const GameRunOptions o = parsed({"--gmode", "99", "--headless", "--frames", "10", "--dump", "d.jsonl",
                                     "--invert-look", "off", "--mute", "--sound-out", "x.wav"},
                                    remembered);
    EXPECT_EQ(std::tuple(o.startsGame, o.gmode, o.headless, o.frames, o.dumpPath, o.soundOutPath),
              std::tuple(true, 99, true, 10, "d.jsonl", "x.wav"));
    EXPECT_EQ(std::tuple(o.soundVolume, o.mouseSensitivity, o.invertLook, o.muted),
              std::tuple(40, 2.0, false, true));
    const auto now = parsed({"--mouse-sensitivity", "0.5", "--invert-look", "on", "--volume", "35"});
    EXPECT_EQ(std::tuple(now.mouseSensitivity, now.invertLook, now.soundVolume), std::tuple(0.5, true, 35));
    EXPECT_EQ(std::tuple(parsed({"--practice"}).startsGame, parsed({}).startsGame), std::tuple(true, false));

    const GameRunOptions m = parsed({"--match", "cpu:3", "--ends", "4", "--free-guard-zone"});
    ASSERT_TRUE(m.match);
    EXPECT_EQ(std::tuple(m.startsGame, m.gmode, m.match->cpuLevel, m.match->rules.ends, m.match->rules.freeGuardZone),
              std::tuple(true, match::GModeAgainstCpu, 3, 4, true));
    EXPECT_EQ(parsed({"--match", "local"}).gmode, match::GModeTwoPlayers);

    // One value out of each kind's range or of its form.
    for (QStringList bad : {QStringList{"--frames", "0"}, {"--gmode", "x"}, {"--gmode", "40000"},
                            {"--seed", "4294967296"}, {"--headless", "--screenshot", "a.png"},
                            {"--match", "cpu:4"}, {"--match", "robot"}, {"--match", "cpu", "--ends", "11"},
                            {"--ends", "3"},
                            {"--mouse-sensitivity", "6"}, {"--mouse-sensitivity", "fast"},
                            {"--invert-look", "yes"}, {"--volume", "101"}})
        EXPECT_THROW(parsed(bad), std::invalid_argument) << bad.join(' ').toStdString();
}

// Only a live window plays on the device unless the volume is asked for; mute silences the device.
TEST(GameOptions, SoundGoesWhereTheRunAsks)
{
    const std::tuple<QStringList, bool, bool> cases[] = {
        {{"--practice"}, true, false},
        {{"--practice", "--mute"}, false, false},
        {{"--practice", "--volume", "0"}, false, false},
        {{"--headless", "--practice"}, false, false},
        {{"--replay", "r.jsonl"}, false, false},
        {{"--replay", "r.jsonl", "--volume", "40"}, true, false},
        {{"--headless", "--replay", "r.jsonl", "--sound-out", "o.wav"}, false, true},
    };
    for (const auto& [args, device, file] : cases) {
        const SoundOutputs out = soundOutputsFor(parsed(args));
        EXPECT_EQ(std::pair(out.device, out.file), std::pair(device, file)) << args.join(' ').toStdString();
    }
}

} // namespace
