#include "game/game_run.h"
#include "game/replay_format.h"
#include "game/state_dump.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <charconv>
#include <fstream>
#include <sstream>
#include <string>
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

void writeLines(const QString& path, const std::vector<std::string>& lines)
{
    std::ofstream out(path.toStdString());
    for (const std::string& l : lines)
        out << l << '\n';
}

// A practice game: place the stone, aim a little, shoot, let it run, and look around meanwhile.
std::vector<std::string> scriptedShot()
{
    std::vector<std::string> lines{replayHeaderLine({1, 42})};
    double t = 3.0;
    const auto add = [&](std::vector<std::uint8_t> keys, std::int16_t buttons = 0, int x = 320, int y = 240) {
        FrameInput in;
        in.t = t;
        in.keys = std::move(keys);
        in.buttons = buttons;
        in.mouseX = x;
        in.mouseY = y;
        lines.push_back(frameInputLine(in));
        t += 0.0125;
    };
    for (int i = 0; i < 90; ++i)
        add({});
    add({}, 2); // zoom in the free camera
    add({}, 0, 300, 250);
    for (int step = 0; step < 4; ++step) {
        add({32});
        add({});
        for (int i = 0; i < 6; ++i)
            add({68});
    }
    add({32}); // shooting starts
    add({32});
    add({});   // released
    for (int i = 0; i < 2600; ++i)
        add(i % 40 == 3 ? std::vector<std::uint8_t>{65} : std::vector<std::uint8_t>{});
    return lines;
}

// A Library folder with stand-ins for every file the game reads: grey bitmaps and one triangle.
void writeLibrary(const QString& programDir)
{
    QDir(programDir).mkpath("Library");
    QImage grey(2, 2, QImage::Format_RGB888);
    grey.fill(QColor(100, 100, 100));
    const QByteArray mesh = "xof 0302txt 0032\n"
                            "Mesh {\n 3;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;0.0;1.0;;\n 1;\n 3;0,1,2;;\n}\n";
    for (const char* name : {"Tex_Ice", "Tex_House", "Tex_Wall", "Tex_Side", "Tex_Line", "Tex_Center",
                             "Tex_LineSide", "Tex_Cursor", "Tex_Bar"})
        ASSERT_TRUE(grey.save(programDir + "/Library/" + name + ".bmp", "BMP"));
    for (const char* name : {"Mesh_Floor.x", "Mesh_Box.x", "Mesh_Pipe.x"}) {
        QFile f(programDir + "/Library/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(mesh);
    }
}

class GameRunTest : public ::testing::Test {
protected:
    void SetUp() override { writeLibrary(dir.path()); }

    QString path(const char* name) const { return dir.filePath(name); }

    // Runs `recording` (which records to rec.jsonl and dumps to first.dump), replays the recording
    // and returns the first dump after checking the replay dumped the same.
    std::vector<std::string> dumpReplaysIdentically(GameRunOptions recording)
    {
        recording.recordPath = path("rec.jsonl");
        recording.dumpPath = path("first.dump");
        EXPECT_EQ(runGame(recording), 0);
        GameRunOptions replay = headless();
        replay.replayPath = path("rec.jsonl");
        replay.dumpPath = path("second.dump");
        EXPECT_EQ(runGame(replay), 0);
        const auto first = readLines(path("first.dump"));
        EXPECT_EQ(first, readLines(path("second.dump")));
        return first;
    }

    GameRunOptions headless() const
    {
        GameRunOptions o;
        o.startsGame = true;
        o.headless = true;
        o.seed = 5;
        o.libraryDir = dir.path();
        return o;
    }

    QTemporaryDir dir;
};

TEST_F(GameRunTest, RecordingAReplayedGameReplaysToTheSameDump)
{
    const std::vector<std::string> script = scriptedShot();
    writeLines(path("script.jsonl"), script);

    GameRunOptions first = headless();
    first.replayPath = path("script.jsonl");
    const auto firstDump = dumpReplaysIdentically(first);
    EXPECT_EQ(firstDump.size(), script.size() - 1);

    // The recording holds what the script gave, frame by frame.
    const auto recorded = readLines(path("rec.jsonl"));
    ASSERT_EQ(recorded.size(), script.size());
    EXPECT_EQ(parseReplayHeader(recorded[0]).seed, 42u);
    for (std::size_t i = 1; i < script.size(); ++i)
        ASSERT_EQ(frameInputLine(parseFrameInput(recorded[i])), frameInputLine(parseFrameInput(script[i])))
            << i;

    // The scripted shot was played: a stone went down the sheet and the next one came up.
    const QJsonObject last = QJsonDocument::fromJson(QByteArray::fromStdString(firstDump.back())).object();
    EXPECT_EQ(last.value("cur_stone").toInt(), 1);
    EXPECT_EQ(last.value("phase").toInt(), 1001);
    const QJsonObject stone = last.value("stones").toArray()[0].toObject();
    EXPECT_GT(stone.value("pos").toArray()[2].toDouble(), 20.0);
}

// A match against the computer: the human (red) throws by script, the computer (yellow) by itself.
// The recording replays to the same dump, whose lines carry the match's state.
TEST_F(GameRunTest, MatchAgainstTheComputerReplaysToTheSameDump)
{
    match::MatchSetup setup;
    setup.cpuLevel = 1;
    setup.rules.ends = 1;
    std::vector<std::string> lines{replayHeaderLine({match::GModeAgainstCpu, 11, setup})};
    for (int i = 0; i < 5200; ++i) {
        const int c = i % 2600;
        FrameInput in;
        in.t = 1 + i * 0.01;
        if (c == 1 || c == 5 || c == 9 || c == 135 || (c >= 139 && c < 150))
            in.keys = {32};
        else if (c >= 13 && c < 131)
            in.keys = {68}; // power
        lines.push_back(frameInputLine(in));
    }
    writeLines(path("match.jsonl"), lines);
    GameRunOptions o = headless();
    o.replayPath = path("match.jsonl");
    const auto dump = dumpReplaysIdentically(o);
    ASSERT_EQ(dump.size(), 5200u);
    EXPECT_EQ(parseReplayHeader(readLines(path("rec.jsonl"))[0]).match->cpuLevel, 1);

    int maxThrown = 0;
    for (const std::string& line : dump) {
        const QJsonObject m = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object().value("match").toObject();
        ASSERT_EQ(m.keys(), (QStringList{"end", "ends", "hammer", "score", "thrown", "turn"}));
        ASSERT_EQ(m.value("ends").toInt(), 1);
        maxThrown = std::max(maxThrown, m.value("thrown").toInt());
    }
    EXPECT_GE(maxThrown, 2) << "the human's and the computer's stones were both thrown";
}

TEST_F(GameRunTest, MalformedLineStopsTheRunNamingItsLine)
{
    std::vector<std::string> lines{replayHeaderLine({1, 1}), R"({"t":1})", R"({"t":1.01,"keys":[32]})",
                                   R"({"t":1.02,"keys":[300]})", R"({"t":1.03})"};
    writeLines(path("bad.jsonl"), lines);
    GameRunOptions o = headless();
    o.replayPath = path("bad.jsonl");
    o.dumpPath = path("bad.dump");
    testing::internal::CaptureStderr();
    EXPECT_EQ(runGame(o), 2);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("bad.jsonl:4:"), std::string::npos) << err;
    EXPECT_EQ(readLines(path("bad.dump")).size(), 2u);
}

TEST_F(GameRunTest, AnyErrorInsideTheGameIsReportedAndEndsItNonZero)
{
    // 32,769 frames at one clock reading overflow the frames-per-second counter.
    std::vector<std::string> lines{replayHeaderLine({1, 1})};
    lines.insert(lines.end(), 32769, R"({"t":5})");
    writeLines(path("still.jsonl"), lines);
    GameRunOptions o = headless();
    o.replayPath = path("still.jsonl");
    testing::internal::CaptureStderr();
    EXPECT_EQ(runGame(o), GameFailedExitCode);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("overflow"), std::string::npos) << err;
}

TEST_F(GameRunTest, DamagedLibraryFileIsUnfoundWithTheSystemsSeparatorsAndItsReasonOnStderr)
{
    QFile bitmap(path("Library/Tex_Ice.bmp"));
    ASSERT_TRUE(bitmap.resize(60)); // cut inside the pixel rows
    GameRunOptions o = headless();
    o.frames = 1;
    testing::internal::CaptureStderr();
    EXPECT_NE(runGame(o), 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Unfound: " + path("Library/Tex_Ice.bmp").toStdString() + "\n"), std::string::npos) << err;
    EXPECT_NE(err.find("truncated"), std::string::npos) << err;
    EXPECT_EQ(err.find('\\'), std::string::npos) << err;
}

// A live headless run ends after its frames; its recording replays to the same dump, which has every key.
TEST_F(GameRunTest, LiveRunEndsAfterItsFramesAndReplaysToTheSameDump)
{
    GameRunOptions live = headless();
    live.frames = 150;
    const auto dump = dumpReplaysIdentically(live);
    ASSERT_EQ(dump.size(), 150u);
    const QJsonObject f = QJsonDocument::fromJson(QByteArray::fromStdString(dump[2])).object();
    QStringList keys = f.keys();
    keys.sort();
    QStringList expected{"frame", "phase", "gmode", "running", "cur_stone", "cam_mode", "mouse_look",
                         "solid_fill", "zoom", "zoom_on", "aim_x", "spin_set", "power_set", "bal_angle",
                         "shot_frame", "fps", "vtx", "ply", "view", "stones"};
    expected.sort();
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(f.value("frame").toInt(), 2);
    EXPECT_EQ(f.value("phase").toInt(), 1001);
    EXPECT_EQ(f.value("running").toInt(), -1);
    EXPECT_EQ(f.value("mouse_look").toInt(), -1);
    EXPECT_EQ(f.value("view").toObject().keys(), (QStringList{"fov", "pitch", "pos", "yaw"}));
    const QJsonArray stones = f.value("stones").toArray();
    ASSERT_EQ(stones.size(), 17);
    EXPECT_EQ(stones[16].toObject().keys(),
              (QStringList{"heading", "in_play", "pos", "rot", "run_state", "speed", "spin"}));
    // The headless clock runs at 100 frames per second from 0, so the whole first second counts.
    const QJsonObject last = QJsonDocument::fromJson(QByteArray::fromStdString(dump.back())).object();
    EXPECT_EQ(last.value("fps").toInt(), 100);
}

// A script that only looks around: the cursor wanders off the middle now and then, to the left and
// below it (`ySign` 1) or above it (-1). The free camera never looks above the horizon, so each way
// is one that tilts the view down.
std::vector<std::string> lookingAround(const ReplayHeader& header, int ySign)
{
    std::vector<std::string> lines{replayHeaderLine(header)};
    for (int i = 0; i < 120; ++i) {
        FrameInput in;
        in.t = 2 + i * 0.01;
        if (i % 7 == 3) {
            in.mouseX = 320 - (i % 5) * 6;
            in.mouseY = 240 + ySign * ((i % 3) * 5 + 1);
        }
        lines.push_back(frameInputLine(in));
    }
    return lines;
}

std::pair<double, double> lastYawAndPitch(const std::vector<std::string>& dump)
{
    const auto view = [](const std::string& line) {
        return QJsonDocument::fromJson(QByteArray::fromStdString(line)).object().value("view").toObject();
    };
    const QJsonObject first = view(dump.front());
    const QJsonObject last = view(dump.back());
    return {last.value("yaw").toDouble() - first.value("yaw").toDouble(),
            last.value("pitch").toDouble() - first.value("pitch").toDouble()};
}

// A recording turns the view as the recorded game did whatever mouse-look the player has now: the
// replay takes the feel from its header, and a recording of it passes that feel on.
TEST_F(GameRunTest, ReplayTurnsTheViewWithItsRecordedMouseFeelNotThePlayers)
{
    writeLines(path("plain.jsonl"), lookingAround({1, 8}, 1));
    ReplayHeader felt{1, 8};
    felt.mouseSensitivity = 2.5;
    felt.invertLook = true;
    writeLines(path("felt.jsonl"), lookingAround(felt, -1));

    GameRunOptions plain = headless();
    plain.replayPath = path("plain.jsonl");
    const auto asRecorded = lastYawAndPitch(dumpReplaysIdentically(plain));
    ASSERT_NE(asRecorded.first, 0.0);
    ASSERT_NE(asRecorded.second, 0.0);
    plain.mouseSensitivity = 4;
    plain.invertLook = true;
    EXPECT_EQ(lastYawAndPitch(dumpReplaysIdentically(plain)), asRecorded) << "the player's feel was used";
    EXPECT_EQ(readLines(path("rec.jsonl"))[0], replayHeaderLine({1, 8}));

    GameRunOptions withFeel = headless();
    withFeel.replayPath = path("felt.jsonl");
    const auto [yaw, pitch] = lastYawAndPitch(dumpReplaysIdentically(withFeel));
    EXPECT_NEAR(yaw, asRecorded.first * 2.5, 1e-3) << "the header's feel was not used";
    EXPECT_NEAR(pitch, asRecorded.second * 2.5, 1e-3) << "the cursor went the other way, inverted";
    const ReplayHeader passedOn = parseReplayHeader(readLines(path("rec.jsonl"))[0]);
    EXPECT_EQ(passedOn.mouseSensitivity, 2.5);
    EXPECT_TRUE(passedOn.invertLook);

    // A live game records the player's feel.
    GameRunOptions live = headless();
    live.frames = 3;
    live.mouseSensitivity = 0.25;
    live.recordPath = path("live.jsonl");
    ASSERT_EQ(runGame(live), 0);
    const ReplayHeader liveHeader = parseReplayHeader(readLines(path("live.jsonl"))[0]);
    EXPECT_EQ(liveHeader.mouseSensitivity, 0.25);
    EXPECT_FALSE(liveHeader.invertLook);
}

TEST(ReplayFormat, FrameLinesReadBackAndDefaultsApply)
{
    FrameInput in;
    in.t = 12.345678901234;
    in.keys = {13, 65, 255};
    in.mouseX = -5;
    in.mouseY = 700;
    in.buttons = 3;
    const FrameInput back = parseFrameInput(frameInputLine(in));
    EXPECT_EQ(back.t, in.t);
    EXPECT_EQ(back.keys, in.keys);
    EXPECT_EQ(back.mouseX, -5);
    EXPECT_EQ(back.mouseY, 700);
    EXPECT_EQ(back.buttons, 3);

    const FrameInput bare = parseFrameInput(R"({"t":0.5})");
    EXPECT_TRUE(bare.keys.empty());
    EXPECT_EQ(bare.mouseX, 320);
    EXPECT_EQ(bare.mouseY, 240);
    EXPECT_EQ(bare.buttons, 0);
}

TEST(ReplayFormat, MalformedFramesAreRejected)
{
    for (const char* bad : {R"({"keys":[1]})", R"({"t":"1"})", R"({"t":1,"keys":[-1]})", R"({"t":1,"keys":7})",
                            R"({"t":1,"mouse":[1]})", R"({"t":1,"mouse":[1.5,2]})", R"({"t":1,"buttons":1e6})",
                            R"([1,2])", R"({"t":1)", ""}) {
        EXPECT_THROW(parseFrameInput(bad), ReplayFormatError) << bad;
    }
    EXPECT_THROW(parseReplayHeader(R"({"rinkfall_replay":2,"gmode":1,"seed":0})"), ReplayFormatError);
    EXPECT_THROW(parseReplayHeader(R"({"rinkfall_replay":1,"gmode":1})"), ReplayFormatError);
    const ReplayHeader h = parseReplayHeader(replayHeaderLine({99, 4000000000u}));
    EXPECT_EQ(h.gmode, 99);
    EXPECT_EQ(h.seed, 4000000000u);
    EXPECT_FALSE(h.match);
    EXPECT_EQ(replayHeaderLine({1, 3}), R"({"rinkfall_replay":1,"gmode":1,"seed":3})");

    match::MatchSetup setup;
    setup.cpuLevel = 3;
    setup.rules = {5, true};
    const ReplayHeader withMatch = parseReplayHeader(replayHeaderLine({2, 9, setup}));
    ASSERT_TRUE(withMatch.match);
    EXPECT_TRUE(withMatch.match->againstCpu);
    EXPECT_EQ(withMatch.match->cpuLevel, 3);
    EXPECT_EQ(withMatch.match->rules.ends, 5);
    EXPECT_TRUE(withMatch.match->rules.freeGuardZone);
    for (const char* bad : {R"({"rinkfall_replay":1,"gmode":2,"seed":0,"match":1})",
                            R"({"rinkfall_replay":1,"gmode":2,"seed":0,"match":{"opponent":"x","level":1,"ends":8,"free_guard_zone":false}})",
                            R"({"rinkfall_replay":1,"gmode":2,"seed":0,"match":{"opponent":"cpu","level":4,"ends":8,"free_guard_zone":false}})",
                            R"({"rinkfall_replay":1,"gmode":2,"seed":0,"match":{"opponent":"cpu","level":1,"ends":11,"free_guard_zone":false}})"})
        EXPECT_THROW(parseReplayHeader(bad), ReplayFormatError) << bad;
    for (const char* bad : {R"({"rinkfall_replay":1,"gmode":1,"seed":0,"mouse_sensitivity":0})",
                            R"({"rinkfall_replay":1,"gmode":1,"seed":0,"mouse_sensitivity":50})",
                            R"({"rinkfall_replay":1,"gmode":1,"seed":0,"mouse_sensitivity":"2"})",
                            R"({"rinkfall_replay":1,"gmode":1,"seed":0,"invert_look":1})"})
        EXPECT_THROW(parseReplayHeader(bad), ReplayFormatError) << bad;
}

TEST(ReplayFormat, FloatsUseTheShortestTextThatReadsBack)
{
    EXPECT_EQ(floatText(0.1f), "0.1");
    EXPECT_EQ(floatText(-2.0f), "-2");
    for (float v : {0.039f - 0.000025f, 31.439f, 1.0f / 3.0f, 6.5e-6f, -123456.78f}) {
        const std::string text = floatText(v);
        float back = 0;
        std::from_chars(text.data(), text.data() + text.size(), back);
        EXPECT_EQ(back, v) << text;
        EXPECT_LE(text.size(), 15u);
    }
}

TEST(GameOptions, CommandLineValues)
{
    const auto parsed = [](const QStringList& args) {
        QCommandLineParser p;
        addGameOptions(p);
        EXPECT_TRUE(p.parse(QStringList{"rinkfall"} + args));
        return gameOptionsFrom(p);
    };
    const GameRunOptions o = parsed({"--gmode", "99", "--headless", "--frames", "10", "--dump", "d.jsonl"});
    EXPECT_TRUE(o.startsGame);
    EXPECT_EQ(o.gmode, 99);
    EXPECT_TRUE(o.headless);
    EXPECT_EQ(o.frames, 10);
    EXPECT_EQ(o.dumpPath, "d.jsonl");

    EXPECT_EQ(parsed({"--practice"}).gmode, 1);
    EXPECT_TRUE(parsed({"--practice"}).startsGame);
    EXPECT_FALSE(parsed({}).startsGame);

    const GameRunOptions m = parsed({"--match", "cpu:3", "--ends", "4", "--free-guard-zone"});
    EXPECT_TRUE(m.startsGame);
    EXPECT_EQ(m.gmode, match::GModeAgainstCpu);
    ASSERT_TRUE(m.match);
    EXPECT_EQ(m.match->cpuLevel, 3);
    EXPECT_EQ(m.match->rules.ends, 4);
    EXPECT_TRUE(m.match->rules.freeGuardZone);
    const GameRunOptions local = parsed({"--match", "local"});
    EXPECT_EQ(local.gmode, match::GModeTwoPlayers);
    EXPECT_EQ(local.match->rules.ends, 8);
    EXPECT_FALSE(local.match->rules.freeGuardZone);

    for (QStringList bad : {QStringList{"--frames", "0"}, QStringList{"--gmode", "x"}, QStringList{"--gmode", "40000"},
                            QStringList{"--headless", "--screenshot", "a.png"}, QStringList{"--match", "cpu:4"},
                            QStringList{"--match", "robot"}, QStringList{"--match", "cpu", "--ends", "11"},
                            QStringList{"--match", "cpu", "--ends", "0"}, QStringList{"--ends", "3"}})
        EXPECT_THROW(parsed(bad), std::invalid_argument) << bad.join(' ').toStdString();
}

// What the player chose in earlier runs holds unless the command line says otherwise.
TEST(GameOptions, CommandLineOverridesTheRememberedValues)
{
    GameRunOptions remembered;
    remembered.soundVolume = 40;
    remembered.mouseSensitivity = 2;
    remembered.invertLook = true;
    const auto parsed = [&](const QStringList& args) {
        QCommandLineParser p;
        addGameOptions(p);
        EXPECT_TRUE(p.parse(QStringList{"rinkfall"} + args));
        return gameOptionsFrom(p, remembered);
    };
    const GameRunOptions kept = parsed({"--practice"});
    EXPECT_EQ(kept.soundVolume, 40);
    EXPECT_EQ(kept.mouseSensitivity, 2);
    EXPECT_TRUE(kept.invertLook);
    const GameRunOptions given = parsed({"--mouse-sensitivity", "0.5", "--invert-look", "off"});
    EXPECT_EQ(given.mouseSensitivity, 0.5);
    EXPECT_FALSE(given.invertLook);
    EXPECT_TRUE(parsed({"--invert-look", "on"}).invertLook);
    for (QStringList bad : {QStringList{"--mouse-sensitivity", "0"}, QStringList{"--mouse-sensitivity", "6"},
                            QStringList{"--mouse-sensitivity", "fast"}, QStringList{"--invert-look", "yes"}})
        EXPECT_THROW(parsed(bad), std::invalid_argument) << bad.join(' ').toStdString();
}

} // namespace
