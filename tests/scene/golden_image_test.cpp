// Pictures of the game window on the OpenGL device at four moments of a practice shot, compared
// with reference images. A failure leaves the actual picture and a difference image in
// <build>/golden-out/. RINKFALL_UPDATE_GOLDEN=1 writes the references instead.

#include "game/game_run.h"
#include "game/replay_format.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace {

const QString GoldenDir = QStringLiteral(RINKFALL_TEST_SOURCE_DIR "/tests/golden");
const QString OutDir = QStringLiteral(RINKFALL_TEST_BIN_DIR "/../golden-out");

// A pixel differs when one channel is off by more than this.
constexpr int ChannelTolerance = 24;
// Rendering may differ at a few edges; a missing sprite or a moved camera changes far more.
constexpr double AllowedFraction = 0.0005;

// The pixels of `actual` that differ from `expected`, marked in `diff` over a dimmed `expected`.
long differing(const QImage& actual, const QImage& expected, QImage& diff)
{
    long count = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb a = actual.pixel(x, y), e = expected.pixel(x, y);
            const bool off = std::max({std::abs(qRed(a) - qRed(e)), std::abs(qGreen(a) - qGreen(e)),
                                       std::abs(qBlue(a) - qBlue(e))})
                             > ChannelTolerance;
            count += off ? 1 : 0;
            diff.setPixel(x, y, off ? qRgb(255, 0, 255) : qRgb(qGray(e) / 3, qGray(e) / 3, qGray(e) / 3));
        }
    return count;
}

// Recorded input of a practice game, frames 1/80 s apart; the seed fixes the balance triangle's
// start angle.
struct Script {
    constexpr static std::uint8_t A = 65, D = 68, Space = 32;
    std::string text = replayHeaderLine({1, 4242}) + '\n';
    int frames = 0;

    // `keys` down for `n` frames; `lookDown` moves the cursor off the middle, so mouse-look turns the view.
    Script& hold(std::vector<std::uint8_t> keys, int n, int lookDown = 0)
    {
        for (int i = 0; i < n; ++i)
            text += frameInputLine({3.0 + double(++frames) / 80, keys, 320, 240 + lookDown}) + '\n';
        return *this;
    }
    Script& idle(int n) { return hold({}, n); }
    Script& tap(std::uint8_t key) { return hold({key}, 1).idle(1); }
};

// Free camera (after two seconds the frame rate is known), then place the stone, aim right, give it
// some spin and power, get ready, and shoot with the triangle turning: every gauge on screen.
Script shooting()
{
    const auto s = Script::Space;
    return Script().idle(170).tap(s).hold({Script::D}, 8).tap(s).hold({Script::A}, 12).tap(s).hold({Script::D}, 40)
        .tap(s).hold({s}, 30);
}

struct Moment {
    const char* name;
    Script (*script)();
};

class GoldenImages : public ::testing::TestWithParam<Moment> {};

TEST_P(GoldenImages, MatchesItsPicture)
{
    QTemporaryDir dir;
    const QString name = GetParam().name;
    std::ofstream(dir.filePath("moment.jsonl").toStdString()) << GetParam().script().text;
    GameRunOptions o;
    o.startsGame = true;
    o.replayPath = dir.filePath("moment.jsonl");
    o.screenshotPath = dir.filePath("moment.png");
    o.libraryDir = QStringLiteral(RINKFALL_TEST_BIN_DIR);
    ASSERT_EQ(runGame(o), 0);
    const QImage actual = QImage(o.screenshotPath).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(actual.size(), QSize(640, 480));

    const QString golden = GoldenDir + "/" + name + ".png";
    if (std::getenv("RINKFALL_UPDATE_GOLDEN")) {
        ASSERT_TRUE(actual.save(golden, "PNG"));
        return;
    }
    const QImage expected = QImage(golden).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(expected.size(), actual.size()) << golden.toStdString() << " is missing or of another size";
    QImage diff(expected.size(), QImage::Format_RGB32);
    const long count = differing(actual, expected, diff);
    if (double(count) > AllowedFraction * 640 * 480) {
        QDir().mkpath(OutDir);
        actual.save(OutDir + "/" + name + "-actual.png");
        diff.save(OutDir + "/" + name + "-diff.png");
        ADD_FAILURE() << name.toStdString() << ": " << count << " pixels differ; see "
                      << OutDir.toStdString();
    }
}

// Looking down, the white ice lies behind the counters: their shadows keep them readable.
Script countersOverIce()
{
    return Script().idle(170).hold({}, 1, 100).idle(1).hold({}, 1, 100).idle(1).hold({}, 1, 100).idle(2);
}

// The stone camera follows the running stone.
const Moment Moments[] = {
    {"free_camera", [] { return Script().idle(40); }},
    {"shooting", shooting},
    {"stone_running", [] { return shooting().idle(160); }},
    {"counters_over_ice", countersOverIce},
};

INSTANTIATE_TEST_SUITE_P(PracticeShot, GoldenImages, ::testing::ValuesIn(Moments),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
