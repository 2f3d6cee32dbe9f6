#include "platform/bmp_texture.h"

#include <QBuffer>
#include <QDataStream>
#include <QImage>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <tuple>

using platform::decodeBmpTexture;
using platform::LoadError;
using platform::TextureImage;
using platform::TextureLevel;
using Texel = std::array<int, 4>;

namespace {

QByteArray encode(const QImage& image, const char* format = "BMP")
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    EXPECT_TRUE(buffer.open(QIODevice::WriteOnly) && image.save(&buffer, format));
    return bytes;
}

QImage imageFrom(int w, int h, auto colourAt)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, colourAt(x, y));
    return image;
}

TextureImage decoded(int w, int h, auto colourAt)
{
    return decodeBmpTexture(encode(imageFrom(w, h, colourAt)));
}

Texel texel(const TextureLevel& level, int x, int y)
{
    const std::size_t at = (std::size_t(y) * level.width + x) * 4;
    return {level.rgba[at], level.rgba[at + 1], level.rgba[at + 2], level.rgba[at + 3]};
}

// What a pixel should become: its colour, transparent only when pure black.
Texel keyed(QRgb c) { return {qRed(c), qGreen(c), qBlue(c), (c & 0xFFFFFFu) == 0 ? 0 : 255}; }

void expectRejected(const QByteArray& bytes, const std::string& fragment)
{
    EXPECT_THAT([&] { decodeBmpTexture(bytes); },
                testing::ThrowsMessage<LoadError>(testing::HasSubstr(fragment)));
}

// Every level halves the one before (odd sizes rounded down, never below 1) down to 1 x 1.
void expectMipSizes(const TextureImage& t, int w, int h)
{
    ASSERT_FALSE(t.levels.empty());
    for (const TextureLevel& level : t.levels) {
        EXPECT_EQ(QSize(level.width, level.height), QSize(w, h));
        ASSERT_EQ(level.rgba.size(), std::size_t(level.width) * level.height * 4);
        w = std::max(1, w / 2);
        h = std::max(1, h / 2);
    }
    EXPECT_EQ(t.levels.back().width * t.levels.back().height, 1);
}

// A 4 x 2 run-length bitmap (8 bits, grey palette) with no file size in its header, as some writers
// leave it: a run, a line end, a literal of three, a run, the end-of-bitmap marker.
QByteArray rle8Bitmap()
{
    QByteArray file;
    QDataStream out(&file, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("BM", 2);
    // Size, reserved, pixel offset; info header size, 4 x 2, one plane, 8 bits, run-length, 16 colours.
    out << quint32(0) << quint32(0) << quint32(14 + 40 + 64) << quint32(40) << qint32(4) << qint32(2);
    out << quint16(1) << quint16(8) << quint32(1) << quint32(0) << quint64(0) << quint32(16) << quint32(0);
    for (int i = 0; i < 16; ++i)
        out << quint8(i * 16) << quint8(i * 16) << quint8(i * 16) << quint8(0);
    out.writeRawData("\x04\x01\x00\x00\x00\x03\x02\x03\x04\x00\x01\x05\x00\x01", 14);
    return file;
}

} // namespace

TEST(BmpColourKey, OnlyPureBlackBecomesTransparentAndTheTopRowComesFirst)
{
    // Qt writes bottom-up rows; the texture must still start with the image's top row.
    const QRgb colours[2][6] = {
        {qRgb(0, 0, 0), qRgb(1, 0, 0), qRgb(0, 1, 0), qRgb(0, 0, 1), qRgb(200, 100, 50), qRgb(255, 255, 255)},
        {qRgb(40, 50, 60), qRgb(0, 0, 0), qRgb(0, 0, 0), qRgb(0, 0, 0), qRgb(0, 0, 0), qRgb(0, 0, 0)}};
    const TextureImage t = decoded(6, 2, [&](int x, int y) { return colours[y][x]; });
    ASSERT_EQ(QSize(t.width(), t.height()), QSize(6, 2));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(texel(t.levels[0], x, y), keyed(colours[y][x])) << x << "," << y;
}

TEST(BmpMipChain, EachLevelIsTheTwoByTwoMeanIncludingAlphaAndOddSizesLeaveNoTexelOut)
{
    const QImage image = imageFrom(8, 4, [](int x, int y) {
        if ((x + y) % 3 == 0)
            return qRgb(0, 0, 0); // keyed
        return qRgb(x * 31, y * 60 + 5, (x * y * 13) % 256);
    });
    const TextureImage t = decodeBmpTexture(encode(image));
    expectMipSizes(t, 8, 4);
    ASSERT_EQ(t.levels.size(), 4u);
    // Level 1 against the image itself.
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            for (int c = 0; c < 4; ++c) {
                double sum = 0;
                for (int d = 0; d < 4; ++d)
                    sum += keyed(image.pixel(2 * x + d % 2, 2 * y + d / 2))[c];
                EXPECT_NEAR(texel(t.levels[1], x, y)[c], sum / 4, 0.5) << x << "," << y << " channel " << c;
            }

    // Only the last column is bright: a filter that drops the odd column would lose it.
    const TextureImage odd = decoded(5, 3, [](int x, int) { return qRgb(x == 4 ? 250 : 10, 10, 10); });
    expectMipSizes(odd, 5, 3);
    EXPECT_GT(texel(odd.levels[1], 1, 0)[0], texel(odd.levels[1], 0, 0)[0]);
    const int last = texel(odd.levels.back(), 0, 0)[0];
    EXPECT_TRUE(last > 10 && last < 250) << last;

    // Narrow images keep halving the long side.
    const TextureImage n = decoded(1, 8, [](int, int y) { return qRgb(y * 30 + 1, 0, 0); });
    expectMipSizes(n, 1, 8);
    EXPECT_NEAR(texel(n.levels.back(), 0, 0)[0], (1 + 31 + 61 + 91 + 121 + 151 + 181 + 211) / 8.0, 1.0);
}

// Smaller levels are the box mean sharpened a little, so that lines and ring edges keep some of
// their contrast in the distance; flat areas, the overall brightness and keyed texels stay as the
// mean leaves them.
TEST(BmpMipChain, LevelsAreTheMeanSharpenedAroundEdgesOnlyAndKeyedTexelsStayTheMean)
{
    // A bright line two texels wide on dark ground: at 8 x 8 a texel covers eight columns.
    const auto line = decoded(64, 64, [](int x, int) { return qRgb(x / 2 == 16 ? 220 : 40, 40, 40); });
    const TextureLevel& l3 = line.levels[3];
    ASSERT_EQ(l3.width, 8);
    const int boxMean = 40 + 180 * 2 / 8;
    long sum = 0;
    for (int y = 0; y < 8; ++y) {
        EXPECT_GE(texel(l3, 4, y)[0], boxMean + 8) << "the line keeps more than the mean's contrast";
        EXPECT_TRUE(texel(l3, 3, y)[0] <= 40 && texel(l3, 5, y)[0] <= 40) << "no light smear beside it";
        EXPECT_EQ(texel(l3, 1, y)[0], 40) << "ground away from the line is untouched";
        for (int x = 0; x < 8; ++x)
            sum += texel(l3, x, y)[0];
    }
    EXPECT_NEAR(double(sum) / 64, 40 + 180.0 * 2 / 64, 1.0) << "the level's brightness is the image's";

    // Next to a keyed texel the colour key's half-transparent mean is kept exactly.
    const TextureImage spot = decoded(32, 32, [](int x, int y) {
        return x == 10 && y == 10 ? qRgb(0, 0, 0) : qRgb(x < 16 ? 200 : 20, 100, 100);
    });
    EXPECT_EQ(texel(spot.levels[1], 5, 5), (Texel{150, 75, 75, 191}));
    EXPECT_EQ(texel(spot.levels[1], 6, 5), (Texel{200, 100, 100, 255}));
}

TEST(BmpRejection, EveryTruncationIsRejected)
{
    const QByteArray whole = encode(imageFrom(7, 5, [](int x, int y) { return qRgb(x * 30, y * 40, 99); }));
    ASSERT_NO_THROW(decodeBmpTexture(whole));
    for (qsizetype cut = 0; cut < whole.size(); ++cut)
        EXPECT_THROW(decodeBmpTexture(whole.left(cut)), LoadError) << "cut at " << cut;

    // Run-length data carries no size the header could check up front.
    const QByteArray rle = rle8Bitmap();
    const TextureImage t = decodeBmpTexture(rle);
    EXPECT_EQ(QSize(t.width(), t.height()), QSize(4, 2));
    for (qsizetype cut = rle.size() - 13; cut < rle.size(); ++cut)
        expectRejected(rle.left(cut), "truncated");
}

TEST(BmpRejection, GarbageOtherFormatsAndBadHeaderFieldsAreNamed)
{
    const QImage image = imageFrom(4, 4, [](int x, int y) { return qRgb(x * 60, y * 60, 7); });
    expectRejected(encode(image, "PNG"), "not a BMP");
    expectRejected(QByteArray("hello, world, this is not an image at all"), "not a BMP");

    // One header field spoilt at a time: {offset, new bytes}, and the fragment the message names.
    const std::tuple<int, QByteArray, std::string> cases[] = {
        {18, QByteArray("\xFF\xFF\xFF\x7F", 4), "bad bitmap size"}, // width 2^31 - 1
        {28, QByteArray("\x07", 1), "depth of 7 bits"},
        {10, QByteArray("\xF0\xFF", 2), "offset"},
        {14, QByteArray("\x63", 1), "info header size 99"},
        {30, QByteArray("\x09", 1), "compression 9"},
    };
    for (const auto& [at, bytes, fragment] : cases)
        expectRejected(encode(image).replace(at, bytes.size(), bytes), fragment);
}

TEST(BmpRejection, RandomDamageIsRejectedOrDecodedToTheDeclaredSize)
{
    std::mt19937 random(6122026);
    const QImage image = imageFrom(9, 6, [](int x, int y) { return qRgb(x * 25, y * 40, (x * y) % 256); });
    for (const QImage& source : {image, image.convertToFormat(QImage::Format_Indexed8)}) {
        const QByteArray whole = encode(source);
        for (int round = 0; round < 2000; ++round) {
            QByteArray bytes = whole;
            for (int e = 1 + int(random() % 3); e > 0; --e) {
                // Mostly the headers, where a bad value does the most harm.
                const std::size_t at = random() % 4 ? random() % 64 : random() % bytes.size();
                bytes[std::min(qsizetype(at), bytes.size() - 1)] = char(random());
            }
            try {
                const TextureImage t = decodeBmpTexture(bytes);
                expectMipSizes(t, t.width(), t.height());
            } catch (const LoadError&) {
            }
        }
    }
}

TEST(BmpFiles, LoadsFromDiskWithWindowsSeparatorsAndNamesAMissingPath)
{
    QTemporaryDir dir;
    ASSERT_TRUE(imageFrom(4, 2, [](int x, int) { return qRgb(x, 1, 2); }).save(dir.filePath("Tex_Test.bmp")));
    // Resource paths are built Windows-style by the game.
    const TextureImage t = platform::loadBmpTexture(dir.path().toStdString() + "\\Tex_Test.bmp");
    expectMipSizes(t, 4, 2);

    const std::string missing = dir.filePath("Tex_None.bmp").toStdString();
    EXPECT_THAT([&] { platform::loadBmpTexture(missing); },
                testing::ThrowsMessage<LoadError>(testing::HasSubstr(missing)));
}
