// Pictures of the game window on the OpenGL device at five moments of a practice shot, compared
// with reference images. A failure leaves the actual picture and a difference image in
// <build>/golden-out/. RINKFALL_UPDATE_GOLDEN=1 writes the references instead.

#include "scene_replays.h"

#include "game/game_run.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace scenetest {
namespace {

const QString GoldenDir = QStringLiteral(RINKFALL_TEST_SOURCE_DIR "/tests/golden");
const QString OutDir = QStringLiteral(RINKFALL_TEST_BIN_DIR "/../golden-out");

// A pixel differs when one channel is off by more than this.
constexpr int ChannelTolerance = 24;
// Rendering may differ at a few edges; a missing sprite or a moved camera changes far more.
constexpr double AllowedFraction = 0.0005;

struct Comparison {
    long differing = 0;
    long total = 0;
    QImage diff;
};

Comparison compare(const QImage& actual, const QImage& expected)
{
    Comparison c;
    c.total = long(expected.width()) * expected.height();
    c.diff = QImage(expected.size(), QImage::Format_RGB32);
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb a = actual.pixel(x, y), e = expected.pixel(x, y);
            const int d = std::max({std::abs(qRed(a) - qRed(e)), std::abs(qGreen(a) - qGreen(e)),
                                    std::abs(qBlue(a) - qBlue(e))});
            const bool off = d > ChannelTolerance;
            c.differing += off ? 1 : 0;
            c.diff.setPixel(x, y, off ? qRgb(255, 0, 255) : qRgb(qGray(e) / 3, qGray(e) / 3, qGray(e) / 3));
        }
    return c;
}

class GoldenImages : public ::testing::Test {
protected:
    // Plays `script` in the game window and returns the back buffer after its last frame.
    QImage play(const ReplayScript& script)
    {
        EXPECT_TRUE(dir.isValid());
        const QString replay = dir.filePath("moment.jsonl");
        const QString shot = dir.filePath("moment.png");
        std::ofstream(replay.toStdString()) << script.text();
        GameRunOptions o;
        o.startsGame = true;
        o.replayPath = replay;
        o.screenshotPath = shot;
        o.libraryDir = QStringLiteral(RINKFALL_TEST_BIN_DIR);
        EXPECT_EQ(runGame(o), 0);
        return QImage(shot).convertToFormat(QImage::Format_RGB32);
    }

    void expectMatches(const QImage& actual, const QString& name)
    {
        ASSERT_FALSE(actual.isNull());
        ASSERT_EQ(actual.size(), QSize(640, 480));
        const QString golden = GoldenDir + "/" + name + ".png";
        if (std::getenv("RINKFALL_UPDATE_GOLDEN")) {
            ASSERT_TRUE(actual.save(golden, "PNG"));
            return;
        }
        const QImage expected = QImage(golden).convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(expected.isNull()) << golden.toStdString() << " is missing";
        ASSERT_EQ(expected.size(), actual.size());
        const Comparison c = compare(actual, expected);
        if (double(c.differing) > AllowedFraction * double(c.total)) {
            QDir().mkpath(OutDir);
            actual.save(OutDir + "/" + name + "-actual.png");
            c.diff.save(OutDir + "/" + name + "-diff.png");
            ADD_FAILURE() << name.toStdString() << ": " << c.differing << " of " << c.total
                          << " pixels differ; see " << OutDir.toStdString();
        }
    }

    QTemporaryDir dir;
};

TEST_F(GoldenImages, FreeCameraAtTheStart)
{
    expectMatches(play(ReplayScript(4242).idle(40)), "free_camera");
}

TEST_F(GoldenImages, SpinPhaseWithItsGauge)
{
    expectMatches(play(ReplayScript(4242).toSpinPhase()), "spin_phase");
}

TEST_F(GoldenImages, ShootingWithTheTriangleTurning)
{
    expectMatches(play(ReplayScript(4242).toReady().hold({KeySpace}, 30)), "shooting");
}

TEST_F(GoldenImages, StoneRunningInTheStoneCamera)
{
    expectMatches(play(ReplayScript(4242).toReady().hold({KeySpace}, 30).idle(160)), "stone_running");
}

// Looking down, the white ice lies behind the counters: their shadows keep them readable.
TEST_F(GoldenImages, CountersOverTheIce)
{
    expectMatches(play(ReplayScript(4242).idle(170).mouse(0, 100).idle(1).mouse(0, 100).idle(1).mouse(0, 100).idle(2)), "counters_over_ice");
}

// The comparison itself must notice what the pictures are there to catch.
TEST(GoldenCompare, SmallSpriteSizedChangeFails)
{
    QImage base(640, 480, QImage::Format_RGB32);
    base.fill(qRgb(90, 100, 110));
    QImage changed = base;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            changed.setPixel(300 + x, 200 + y, qRgb(200, 40, 40));
    EXPECT_GT(double(compare(changed, base).differing), AllowedFraction * 640 * 480);
    QImage noisy = base;
    noisy.setPixel(10, 10, qRgb(90 + ChannelTolerance, 100, 110));
    EXPECT_EQ(compare(noisy, base).differing, 0);
}

} // namespace
} // namespace scenetest
