#include "platform/bmp_texture.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <cstdint>
#include <string>

using platform::decodeBmpTexture;
using platform::LoadError;
using platform::TextureImage;
using platform::TextureLevel;

namespace {

QByteArray encode(const QImage& image, const char* format = "BMP")
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format));
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

std::array<int, 4> texel(const TextureLevel& level, int x, int y)
{
    const std::size_t at = (std::size_t(y) * level.width + x) * 4;
    return {level.rgba[at], level.rgba[at + 1], level.rgba[at + 2], level.rgba[at + 3]};
}

void expectRejected(const QByteArray& bytes, const std::string& fragment)
{
    EXPECT_THAT([&] { decodeBmpTexture(bytes); }, ::testing::ThrowsMessage<LoadError>(::testing::HasSubstr(fragment)));
}

} // namespace

TEST(BmpColourKey, OnlyPureBlackBecomesTransparent)
{
    const QRgb colours[] = {qRgb(0, 0, 0), qRgb(1, 0, 0), qRgb(0, 1, 0), qRgb(0, 0, 1), qRgb(200, 100, 50), qRgb(255, 255, 255)};
    const QImage image = imageFrom(6, 1, [&](int x, int) { return colours[x]; });
    const TextureImage t = decodeBmpTexture(encode(image));
    ASSERT_EQ(t.width(), 6);
    ASSERT_EQ(t.height(), 1);
    EXPECT_EQ(texel(t.levels[0], 0, 0), (std::array<int, 4>{0, 0, 0, 0}));
    for (int x = 1; x < 6; ++x) {
        const auto c = texel(t.levels[0], x, 0);
        EXPECT_EQ(c, (std::array<int, 4>{qRed(colours[x]), qGreen(colours[x]), qBlue(colours[x]), 255})) << x;
    }

    // Qt writes bottom-up rows; the texture must still start with the image's top row.
    const QImage rows = imageFrom(2, 2, [](int, int y) { return y == 0 ? qRgb(10, 20, 30) : qRgb(40, 50, 60); });
    const TextureImage r = decodeBmpTexture(encode(rows));
    EXPECT_EQ(texel(r.levels[0], 1, 0), (std::array<int, 4>{10, 20, 30, 255}));
    EXPECT_EQ(texel(r.levels[0], 0, 1), (std::array<int, 4>{40, 50, 60, 255}));
}

TEST(BmpMipChain, EachLevelIsTheTwoByTwoMeanIncludingAlpha)
{
    const QImage image = imageFrom(8, 4, [](int x, int y) {
        if ((x + y) % 3 == 0)
            return qRgb(0, 0, 0); // keyed
        return qRgb(x * 31, y * 60 + 5, (x * y * 13) % 256);
    });
    const TextureImage t = decodeBmpTexture(encode(image));
    ASSERT_EQ(t.levels.size(), 4u);
    const int sizes[4][2] = {{8, 4}, {4, 2}, {2, 1}, {1, 1}};
    for (std::size_t i = 0; i < t.levels.size(); ++i) {
        EXPECT_EQ(t.levels[i].width, sizes[i][0]);
        EXPECT_EQ(t.levels[i].height, sizes[i][1]);
        EXPECT_EQ(t.levels[i].rgba.size(), std::size_t(sizes[i][0]) * sizes[i][1] * 4);
    }
    // Level 1 against the image itself; later levels against the level before.
    const TextureLevel& l1 = t.levels[1];
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            int sum[4] = {0, 0, 0, 0};
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) {
                    const QRgb p = image.pixel(2 * x + dx, 2 * y + dy);
                    const bool keyed = (p & 0xFFFFFFu) == 0;
                    sum[0] += qRed(p), sum[1] += qGreen(p), sum[2] += qBlue(p), sum[3] += keyed ? 0 : 255;
                }
            const auto got = texel(l1, x, y);
            for (int c = 0; c < 4; ++c)
                EXPECT_NEAR(got[c], sum[c] / 4.0, 0.5) << x << "," << y << " channel " << c;
        }
    // The 2 x 1 level from the 4 x 2 one: alpha of a block with one keyed texel is 3/4 of 255.
    const TextureLevel& l3 = t.levels[3];
    const auto a = texel(t.levels[2], 0, 0), b = texel(t.levels[2], 1, 0);
    for (int c = 0; c < 4; ++c)
        EXPECT_NEAR(texel(l3, 0, 0)[c], (a[c] + b[c]) / 2.0, 0.5);
}

TEST(BmpMipChain, OddSizesShrinkToOneAndNoTexelIsLeftOut)
{
    // Only the last column is bright: a filter that drops the odd column would lose it.
    const QImage image = imageFrom(5, 3, [](int x, int) { return x == 4 ? qRgb(250, 250, 250) : qRgb(10, 10, 10); });
    const TextureImage t = decodeBmpTexture(encode(image));
    ASSERT_EQ(t.levels.size(), 3u);
    EXPECT_EQ(t.levels[1].width, 2);
    EXPECT_EQ(t.levels[1].height, 1);
    EXPECT_EQ(t.levels[2].width, 1);
    EXPECT_EQ(t.levels[2].height, 1);
    EXPECT_GT(texel(t.levels[1], 1, 0)[0], texel(t.levels[1], 0, 0)[0]);
    const int last = texel(t.levels[2], 0, 0)[0];
    EXPECT_GT(last, 10);
    EXPECT_LT(last, 250);

    // Narrow images keep halving the long side.
    const TextureImage n = decodeBmpTexture(encode(imageFrom(1, 8, [](int, int y) { return qRgb(y * 30 + 1, 0, 0); })));
    ASSERT_EQ(n.levels.size(), 4u);
    EXPECT_EQ(n.levels[3].width, 1);
    EXPECT_EQ(n.levels[3].height, 1);
    EXPECT_NEAR(texel(n.levels[3], 0, 0)[0], (1 + 31 + 61 + 91 + 121 + 151 + 181 + 211) / 8.0, 1.0);
}

TEST(BmpRejection, EveryTruncationIsRejected)
{
    const QByteArray whole = encode(imageFrom(7, 5, [](int x, int y) { return qRgb(x * 30, y * 40, 99); }));
    ASSERT_NO_THROW(decodeBmpTexture(whole));
    for (qsizetype cut = 0; cut < whole.size(); ++cut)
        EXPECT_THROW(decodeBmpTexture(whole.left(cut)), LoadError) << "cut at " << cut;
}

namespace {

// A 4 x 2 run-length bitmap (8 bits, grey palette) with no file size in its header, as some writers
// leave it: a run, a line end, a literal of three, a run, the end-of-bitmap marker.
QByteArray rle8Bitmap()
{
    const QByteArray pixels("\x04\x01\x00\x00\x00\x03\x02\x03\x04\x00\x01\x05\x00\x01", 14);
    QByteArray palette;
    for (int i = 0; i < 16; ++i)
        palette.append(QByteArray(3, char(i * 16))).append('\0');
    QByteArray info(40, '\0');
    const auto put32 = [](QByteArray& b, int at, quint32 v) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = char(v >> (8 * i));
    };
    put32(info, 0, 40);
    put32(info, 4, 4);
    put32(info, 8, 2);
    put32(info, 12, 1 | (8 << 16)); // one plane, 8 bits
    put32(info, 16, 1);             // run-length, 8 bits
    put32(info, 32, 16);            // palette entries
    QByteArray file("BM", 2);
    file.append(QByteArray(8, '\0')).append(QByteArray(4, '\0'));
    put32(file, 10, quint32(14 + info.size() + palette.size()));
    return file + info + palette + pixels;
}

} // namespace

TEST(BmpRejection, RunLengthDataCutBeforeItsEndIsRejected)
{
    const QByteArray whole = rle8Bitmap();
    const TextureImage t = decodeBmpTexture(whole);
    EXPECT_EQ(t.width(), 4);
    EXPECT_EQ(t.height(), 2);
    for (qsizetype cut = whole.size() - 13; cut < whole.size(); ++cut)
        EXPECT_THAT([&] { decodeBmpTexture(whole.left(cut)); },
                    ::testing::ThrowsMessage<LoadError>(::testing::HasSubstr("truncated")))
            << "cut at " << cut;
}

TEST(BmpRejection, GarbageAndOtherFormatsAreNamed)
{
    const QImage image = imageFrom(4, 4, [](int x, int y) { return qRgb(x * 60, y * 60, 7); });
    expectRejected(encode(image, "PNG"), "not a BMP");
    expectRejected(QByteArray("hello, world, this is not an image at all"), "not a BMP");

    // One header field spoilt at a time: {offset, new bytes}, and the fragment the message names.
    struct Case {
        int at;
        QByteArray bytes;
        std::string fragment;
    };
    const Case cases[] = {
        {18, QByteArray("\xFF\xFF\xFF\x7F", 4), "bad bitmap size"}, // width 2^31 - 1
        {28, QByteArray("\x07", 1), "depth of 7 bits"},
        {10, QByteArray("\xF0\xFF", 2), "offset"},
        {14, QByteArray("\x63", 1), "info header size 99"},
        {30, QByteArray("\x09", 1), "compression 9"},
    };
    for (const Case& c : cases)
        expectRejected(encode(image).replace(c.at, c.bytes.size(), c.bytes), c.fragment);
}

TEST(BmpFiles, LoadsFromDiskAndNamesAMissingPath)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("Tex_Test.bmp");
    ASSERT_TRUE(imageFrom(4, 2, [](int x, int) { return qRgb(x, 1, 2); }).save(path, "BMP"));
    const TextureImage t = platform::loadBmpTexture(path.toStdString());
    EXPECT_EQ(t.width(), 4);
    EXPECT_EQ(t.levels.size(), 3u);

    // Resource paths are built Windows-style by the game.
    const std::string windowsStyle = dir.path().toStdString() + "\\Tex_Test.bmp";
    EXPECT_EQ(platform::loadBmpTexture(windowsStyle).width(), 4);

    const std::string missing = dir.filePath("Tex_None.bmp").toStdString();
    EXPECT_THAT([&] { platform::loadBmpTexture(missing); },
                ::testing::ThrowsMessage<LoadError>(::testing::HasSubstr(missing)));
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
                const qsizetype at = random() % 4 ? qsizetype(random() % 64) : qsizetype(random() % bytes.size());
                bytes[std::min(at, bytes.size() - 1)] = char(random());
            }
            try {
                const TextureImage t = decodeBmpTexture(bytes);
                ASSERT_FALSE(t.levels.empty());
                EXPECT_EQ(t.levels.back().width, 1);
                EXPECT_EQ(t.levels.back().height, 1);
                for (const TextureLevel& l : t.levels)
                    ASSERT_EQ(l.rgba.size(), std::size_t(l.width) * l.height * 4);
            } catch (const LoadError&) {
            }
        }
    }
}
