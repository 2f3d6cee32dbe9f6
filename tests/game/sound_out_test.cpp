// Where a run's sound goes, and what --sound-out writes for a headless replay.

#include "game/game_run.h"
#include "game/replay_format.h"
#include "platform/audio/wav_format.h"
#include "tests/support/headless_game.h"

#include <QCommandLineParser>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

namespace {

GameRunOptions parsed(QStringList args)
{
    QCommandLineParser parser;
    addGameOptions(parser);
    args.prepend("rinkfall");
    EXPECT_TRUE(parser.parse(args)) << parser.errorText().toStdString();
    return gameOptionsFrom(parser);
}

TEST(SoundOptions, OnlyALiveWindowPlaysUnlessTheVolumeIsAskedForAndMuteSilencesTheDevice)
{
    struct Case {
        QStringList args;
        bool device, file;
    };
    const Case cases[] = {
        {{"--practice"}, true, false},
        {{"--practice", "--mute"}, false, false},
        {{"--practice", "--volume", "0"}, false, false},
        {{"--headless", "--practice"}, false, false},
        {{"--replay", "r.jsonl"}, false, false},
        {{"--replay", "r.jsonl", "--volume", "40"}, true, false},
        {{"--headless", "--practice", "--volume", "40", "--mute"}, false, false},
        {{"--headless", "--replay", "r.jsonl", "--sound-out", "o.wav"}, false, true},
        {{"--practice", "--mute", "--sound-out", "o.wav"}, false, true},
    };
    for (const Case& c : cases) {
        const SoundOutputs out = soundOutputsFor(parsed(c.args));
        EXPECT_EQ(out.device, c.device) << c.args.join(' ').toStdString();
        EXPECT_EQ(out.file, c.file) << c.args.join(' ').toStdString();
    }
    const GameRunOptions o = parsed({"--practice", "--volume", "35", "--mute", "--sound-out", "x.wav"});
    EXPECT_EQ(o.soundVolume, 35);
    EXPECT_TRUE(o.muted);
    EXPECT_EQ(o.soundOutPath, "x.wav");
    EXPECT_EQ(parsed({"--practice"}).soundVolume, 100);
    for (const char* bad : {"101", "-1", "loud"}) {
        QCommandLineParser parser;
        addGameOptions(parser);
        ASSERT_TRUE(parser.parse({"rinkfall", "--volume", bad}));
        EXPECT_THROW(gameOptionsFrom(parser), std::invalid_argument) << bad;
    }
}

// Two shots at 100 frames a second: a slow stone, then (skipping ahead with F2 while it still
// slides) a fast one that catches it up. A and D are pressed in turn while the second runs, so
// the brush's turns cancel out and it still hits.
struct Script {
    std::vector<std::string> lines{replayHeaderLine({1, 42})};
    std::vector<long> strokePresses;
    double t = 3.0;

    void add(std::vector<std::uint8_t> keys = {})
    {
        FrameInput in;
        in.t = t;
        in.keys = std::move(keys);
        lines.push_back(frameInputLine(in));
        t += 0.01;
    }
    long nextFrame() const { return long(lines.size()) - 1; }
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
            if (i % 50 == 10 && i >= 100 && i / 50 - 2 < strokes) {
                strokePresses.push_back(nextFrame());
                add({std::uint8_t(i / 50 % 2 == 0 ? 65 : 68)});
            } else {
                add();
            }
        }
    }
};

struct FrameSound {
    double rms = 0;        // loudness
    double brightness = 0; // loudness of the change from sample to sample: high sounds stand out
};

std::vector<FrameSound> perFrame(const std::vector<std::int16_t>& samples, std::size_t frameSamples)
{
    std::vector<FrameSound> out(samples.size() / frameSamples);
    for (std::size_t f = 0; f < out.size(); ++f) {
        double sum = 0, diff = 0;
        for (std::size_t i = f * frameSamples; i < (f + 1) * frameSamples; ++i) {
            sum += double(samples[i]) * samples[i];
            if (i > 0)
                diff += std::pow(double(samples[i]) - samples[i - 1], 2);
        }
        out[f] = {std::sqrt(sum / double(frameSamples)), std::sqrt(diff / double(frameSamples))};
    }
    return out;
}

class SoundOut : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir.filePath(name); }

    GameRunOptions replay(const Script& script)
    {
        std::ofstream out(path("shot.jsonl").toStdString());
        for (const std::string& line : script.lines)
            out << line << '\n';
        GameRunOptions o;
        o.startsGame = true;
        o.headless = true;
        o.replayPath = path("shot.jsonl");
        o.libraryDir = QString::fromStdString(testsupport::programDir());
        return o;
    }

    QTemporaryDir dir;
};

TEST_F(SoundOut, ReplayWritesReleaseRumbleHitAndStrokesAtTheFramesOfItsDump)
{
    Script script;
    for (int i = 0; i < 20; ++i)
        script.add();
    script.shot(0, 0, 300);
    script.add({113}); // F2: the next stone while the first still slides
    script.add();
    script.shot(400, 4, 1300);

    GameRunOptions o = replay(script);
    o.dumpPath = path("state.jsonl");
    o.soundOutPath = path("sound.wav");
    ASSERT_EQ(runGame(o), 0);

    // What happened when, from the dump.
    std::vector<long> releases;
    long hit = -1, allStill = -1;
    std::vector<double> lastSpeeds(16, 0);
    std::ifstream dump(path("state.jsonl").toStdString());
    long frames = 0;
    int lastPhase = 0;
    for (std::string line; std::getline(dump, line); ++frames) {
        const QJsonObject state = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
        const int phase = state.value("phase").toInt();
        if (phase == 1008 && lastPhase != 1008)
            releases.push_back(frames);
        lastPhase = phase;
        const QJsonArray stones = state.value("stones").toArray();
        bool moving = false;
        for (int i = 0; i < 16; ++i) {
            const QJsonObject s = stones[i].toObject();
            const double speed = s.value("speed").toDouble();
            if (hit < 0 && speed > lastSpeeds[std::size_t(i)] && !releases.empty() && frames > releases.back())
                hit = frames;
            lastSpeeds[std::size_t(i)] = speed;
            moving = moving || (s.value("in_play").toInt() == -1 && speed > 0);
        }
        if (!moving && allStill < 0 && releases.size() == 2 && frames > releases[1])
            allStill = frames;
    }
    ASSERT_EQ(frames, long(script.lines.size()) - 1);
    ASSERT_EQ(releases.size(), 2u);
    ASSERT_GT(hit, releases[1] + 400) << "after the strokes";
    ASSERT_GT(allStill, hit);

    const std::optional<audio::PcmClip> wav = audio::readWavFile(path("sound.wav").toStdString());
    ASSERT_TRUE(wav);
    ASSERT_EQ(wav->sampleRate, 44100);
    ASSERT_EQ(long(wav->samples.size()), frames * 441) << "each frame adds a hundredth of a second";
    const std::vector<FrameSound> f = perFrame(wav->samples, 441);

    // Nothing sounds before the first release (no gauge moved), then the release is loud.
    for (long i = 0; i < releases[0]; ++i)
        ASSERT_EQ(f[std::size_t(i)].rms, 0.0) << i;
    EXPECT_GT(f[std::size_t(releases[0])].rms, 3000);

    // The lone slow stone's rumble: present every frame, and quieter as it slows.
    double early = 0, late = 0;
    for (long i = releases[0] + 1; i < releases[0] + 290; ++i)
        ASSERT_GT(f[std::size_t(i)].rms, 500) << i;
    for (long i = 0; i < 50; ++i) {
        early += f[std::size_t(releases[0] + 40 + i)].rms;
        late += f[std::size_t(releases[0] + 240 + i)].rms;
    }
    EXPECT_LT(late, early * 0.97);
    EXPECT_GT(late, early * 0.7);

    // Strokes and the hit are bright against the rumble.
    ASSERT_EQ(script.strokePresses.size(), 4u);
    for (long s : script.strokePresses)
        EXPECT_GT(f[std::size_t(s)].brightness, 5 * f[std::size_t(s - 1)].brightness) << s;
    EXPECT_GT(f[std::size_t(hit)].brightness, 10 * f[std::size_t(hit - 1)].brightness) << hit;
    EXPECT_GT(f[std::size_t(hit)].rms, 2 * f[std::size_t(hit - 1)].rms) << hit;

    // Once every stone is still the rumble fades within a frame, and the last tails end.
    for (long i = allStill + 40; i < frames; ++i)
        ASSERT_EQ(f[std::size_t(i)].rms, 0.0) << i;

    // The same replay writes the same file.
    o.dumpPath.clear();
    o.soundOutPath = path("again.wav");
    ASSERT_EQ(runGame(o), 0);
    QFile a(path("sound.wav")), b(path("again.wav"));
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_TRUE(a.readAll() == b.readAll());
}

TEST_F(SoundOut, UnwritableFileEndsTheRunAndAMissingSoundFolderIsSilent)
{
    Script script;
    script.shot(0, 0, 30);
    GameRunOptions o = replay(script);
    o.soundOutPath = path("no/such/folder/out.wav");
    testing::internal::CaptureStderr();
    EXPECT_EQ(runGame(o), GameFailedExitCode);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("out.wav"), std::string::npos);

    // A program folder with the Library but no Sound/: the game plays on, in silence.
    ASSERT_TRUE(QFile::link(o.libraryDir + "/Library", path("Library")));
    o.libraryDir = dir.path();
    o.soundOutPath = path("quiet.wav");
    testing::internal::CaptureStderr();
    EXPECT_EQ(runGame(o), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    const auto wav = audio::readWavFile(path("quiet.wav").toStdString());
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->samples.size(), (script.lines.size() - 1) * 441);
    EXPECT_TRUE(std::all_of(wav->samples.begin(), wav->samples.end(), [](std::int16_t s) { return s == 0; }));
}

} // namespace
