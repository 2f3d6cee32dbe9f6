#include "platform/bmp_texture.h"

#include "platform/native_path.h"

#include <QFile>
#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

namespace platform {
namespace {

// Far beyond any texture the game uses; refused before the decoder allocates anything.
constexpr std::int64_t kMaxSide = 16384;
constexpr std::int64_t kMaxTexels = std::int64_t{1} << 26;

std::uint32_t readLe32(const QByteArray& b, int at)
{
    auto byte = [&](int i) { return std::uint32_t(static_cast<unsigned char>(b[at + i])); };
    return byte(0) | (byte(1) << 8) | (byte(2) << 16) | (byte(3) << 24);
}

std::uint16_t readLe16(const QByteArray& b, int at)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8));
}

struct BmpHeader {
    std::int64_t width = 0;
    std::int64_t height = 0; // absolute; negative heights (top-down rows) are legal
    int bitsPerPixel = 0;
    std::uint32_t compression = 0;
    std::uint32_t pixelOffset = 0;
};

// Run-length data has no size to check up front: walk its codes up to the end-of-bitmap marker
// (0, 1), which must lie inside the file. Without this a cut-off file decodes with its missing
// texels made up.
void checkRleStream(const QByteArray& bytes, const BmpHeader& h)
{
    const auto at = [&](std::int64_t i) { return static_cast<unsigned char>(bytes[qsizetype(i)]); };
    const std::int64_t size = bytes.size();
    std::int64_t pos = h.pixelOffset;
    while (pos + 2 <= size) {
        const int count = at(pos), code = at(pos + 1);
        pos += 2;
        if (count > 0 || code == 0)
            continue; // a run, or the end of a line
        if (code == 1)
            return;
        if (code == 2) {
            pos += 2; // a jump right and down
            continue;
        }
        // Literal texels: one byte each (8 bits) or two to a byte (4 bits), padded to a word.
        const std::int64_t literalBytes = h.compression == 1 ? code : (code + 1) / 2;
        pos += literalBytes + (literalBytes & 1);
    }
    throw LoadError("bitmap truncated: run-length data ends before its end-of-bitmap marker");
}

// QImage's reader is forgiving about short files; we are not: a damaged texture should be named,
// not drawn as garbage.
BmpHeader checkBmpHeader(const QByteArray& bytes)
{
    constexpr int kFileHeaderSize = 14;
    if (bytes.size() < kFileHeaderSize + 12)
        throw LoadError("bitmap too short for its headers (" + std::to_string(bytes.size()) + " bytes)");
    if (bytes[0] != 'B' || bytes[1] != 'M')
        throw LoadError("not a BMP file (no 'BM' signature)");
    const std::uint32_t declaredSize = readLe32(bytes, 2);
    if (declaredSize != 0 && declaredSize > std::uint32_t(bytes.size()))
        throw LoadError("bitmap truncated: " + std::to_string(bytes.size()) + " of " + std::to_string(declaredSize) +
                        " bytes");
    BmpHeader h;
    h.pixelOffset = readLe32(bytes, 10);
    const std::uint32_t infoSize = readLe32(bytes, 14);
    if (infoSize != 12 && infoSize != 40 && infoSize != 52 && infoSize != 56 && infoSize != 64 && infoSize != 108 &&
        infoSize != 124)
        throw LoadError("unsupported BMP info header size " + std::to_string(infoSize));
    if (std::int64_t(kFileHeaderSize) + infoSize > bytes.size())
        throw LoadError("bitmap truncated inside its info header");
    int planes = 0;
    if (infoSize == 12) {
        h.width = readLe16(bytes, 18);
        h.height = readLe16(bytes, 20);
        planes = readLe16(bytes, 22);
        h.bitsPerPixel = readLe16(bytes, 24);
    } else {
        h.width = std::int32_t(readLe32(bytes, 18));
        h.height = std::int32_t(readLe32(bytes, 22));
        planes = readLe16(bytes, 26);
        h.bitsPerPixel = readLe16(bytes, 28);
        h.compression = readLe32(bytes, 30);
    }
    if (h.height < 0)
        h.height = -h.height;
    if (h.width <= 0 || h.height <= 0 || h.width > kMaxSide || h.height > kMaxSide ||
        h.width * h.height > kMaxTexels)
        throw LoadError("bad bitmap size " + std::to_string(h.width) + " x " + std::to_string(h.height));
    if (planes != 1)
        throw LoadError("bad BMP plane count " + std::to_string(planes));
    const int bpp = h.bitsPerPixel;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        throw LoadError("unsupported BMP depth of " + std::to_string(bpp) + " bits");
    if (h.pixelOffset < kFileHeaderSize + infoSize || h.pixelOffset >= std::uint32_t(bytes.size()))
        throw LoadError("BMP pixel data offset " + std::to_string(h.pixelOffset) + " lies outside the file");
    const bool uncompressed = h.compression == 0 || h.compression == 3 || h.compression == 6;
    if (uncompressed) {
        const std::int64_t rowBytes = (h.width * bpp + 31) / 32 * 4;
        const std::int64_t needed = std::int64_t(h.pixelOffset) + rowBytes * h.height;
        if (needed > bytes.size())
            throw LoadError("bitmap truncated: pixel data needs " + std::to_string(needed) + " bytes, file has " +
                            std::to_string(bytes.size()));
    } else if (h.compression == 1 || h.compression == 2) {
        checkRleStream(bytes, h);
    } else {
        throw LoadError("unsupported BMP compression " + std::to_string(h.compression));
    }
    return h;
}

void putKeyed(std::uint8_t* out, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    out[0] = r;
    out[1] = g;
    out[2] = b;
    out[3] = r == 0 && g == 0 && b == 0 ? 0 : 255;
}

TextureLevel keyedLevel(const QImage& decoded)
{
    TextureLevel level;
    level.width = decoded.width();
    level.height = decoded.height();
    level.rgba.resize(std::size_t(level.width) * level.height * 4);
    std::uint8_t* out = level.rgba.data();
    // Bitmaps of 16 bits and more decode to 32-bit pixels, which are read as they are: converting
    // them first would cost another copy of the largest textures at start-up.
    if (decoded.format() == QImage::Format_RGB32 || decoded.format() == QImage::Format_ARGB32) {
        for (int y = 0; y < level.height; ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(decoded.constScanLine(y));
            for (int x = 0; x < level.width; ++x, out += 4)
                putKeyed(out, std::uint8_t(qRed(row[x])), std::uint8_t(qGreen(row[x])), std::uint8_t(qBlue(row[x])));
        }
        return level;
    }
    const QImage image = decoded.convertToFormat(QImage::Format_RGBA8888);
    for (int y = 0; y < level.height; ++y) {
        const std::uint8_t* row = image.constScanLine(y);
        for (int x = 0; x < level.width; ++x, out += 4)
            putKeyed(out, row[x * 4], row[x * 4 + 1], row[x * 4 + 2]);
    }
    return level;
}

} // namespace

namespace {

// The common case of halveLevel, even sides: each texel the rounded mean of a 2 x 2 block.
void halveEvenLevel(const TextureLevel& src, TextureLevel& dst)
{
    const std::size_t rowBytes = std::size_t(src.width) * 4;
    for (int y = 0; y < dst.height; ++y) {
        const std::uint8_t* top = src.rgba.data() + std::size_t(2 * y) * rowBytes;
        const std::uint8_t* bottom = top + rowBytes;
        std::uint8_t* out = dst.rgba.data() + std::size_t(y) * dst.width * 4;
        for (int x = 0; x < dst.width; ++x, top += 8, bottom += 8, out += 4)
            for (int c = 0; c < 4; ++c)
                out[c] = std::uint8_t((unsigned(top[c]) + top[c + 4] + bottom[c] + bottom[c + 4] + 2) / 4);
    }
}

} // namespace

TextureLevel halveLevel(const TextureLevel& src)
{
    TextureLevel dst;
    dst.width = src.width > 1 ? src.width / 2 : 1;
    dst.height = src.height > 1 ? src.height / 2 : 1;
    dst.rgba.resize(std::size_t(dst.width) * dst.height * 4);
    if (src.width == 2 * dst.width && src.height == 2 * dst.height) {
        halveEvenLevel(src, dst);
        return dst;
    }
    for (int y = 0; y < dst.height; ++y) {
        const int y0 = y * src.height / dst.height, y1 = (y + 1) * src.height / dst.height;
        for (int x = 0; x < dst.width; ++x) {
            const int x0 = x * src.width / dst.width, x1 = (x + 1) * src.width / dst.width;
            const unsigned count = unsigned((y1 - y0) * (x1 - x0));
            for (int c = 0; c < 4; ++c) {
                unsigned sum = 0;
                for (int sy = y0; sy < y1; ++sy)
                    for (int sx = x0; sx < x1; ++sx)
                        sum += src.rgba[(std::size_t(sy) * src.width + sx) * 4 + c];
                dst.rgba[(std::size_t(y) * dst.width + x) * 4 + c] = std::uint8_t((sum + count / 2) / count);
            }
        }
    }
    return dst;
}

namespace {

// How much of a texel's difference from its neighbourhood is added back. The box mean alone lets
// thin lines and ring edges fade into the ice a level or two after they are under a texel wide;
// a mild unsharp mask keeps them readable in the distance without visible halos.
constexpr float kSharpen = 0.6f;

// `box` with an unsharp mask over its 3 x 3 neighbourhood ([1 2 1] weights, wrapping round the
// edges as the textures repeat). Texels near a keyed one keep the mean, so colour-keyed edges fade
// exactly as before; levels under 4 texels across are left as they are.
TextureLevel sharpened(const TextureLevel& box)
{
    if (box.width < 4 || box.height < 4)
        return box;
    TextureLevel out = box;
    // The weighted sum is made in sixteenths, as whole numbers: each weight is a whole number of
    // sixteenths and each texel a whole number, so a float sum of them is exact in any order and
    // the same as this one. The wrap is worked out once per row and column.
    constexpr int kWeight[3][3] = {{1, 2, 1}, {2, 4, 2}, {1, 2, 1}};
    const std::size_t rowBytes = std::size_t(box.width) * 4;
    for (int y = 0; y < box.height; ++y) {
        const std::uint8_t* rows[3] = {box.rgba.data() + std::size_t((y + box.height - 1) % box.height) * rowBytes,
                                       box.rgba.data() + std::size_t(y) * rowBytes,
                                       box.rgba.data() + std::size_t((y + 1) % box.height) * rowBytes};
        for (int x = 0; x < box.width; ++x) {
            const std::size_t cols[3] = {std::size_t(x == 0 ? box.width - 1 : x - 1) * 4, std::size_t(x) * 4,
                                         std::size_t(x == box.width - 1 ? 0 : x + 1) * 4};
            bool keyedNearby = false;
            for (const std::uint8_t* row : rows)
                for (std::size_t col : cols)
                    keyedNearby = keyedNearby || row[col + 3] != 255;
            if (keyedNearby)
                continue;
            const std::uint8_t* p = rows[1] + cols[1];
            std::uint8_t* o = out.rgba.data() + std::size_t(y) * rowBytes + cols[1];
            for (int c = 0; c < 3; ++c) {
                int sixteenths = 0;
                for (int i = 0; i < 3; ++i)
                    for (int j = 0; j < 3; ++j)
                        sixteenths += kWeight[i][j] * rows[i][cols[j] + c];
                const float blur = float(sixteenths) / 16;
                o[c] = std::uint8_t(std::clamp(std::lround(p[c] + kSharpen * (p[c] - blur)), 0L, 255L));
            }
        }
    }
    return out;
}

} // namespace

TextureImage decodeBmpTexture(const QByteArray& bytes)
{
    const BmpHeader header = checkBmpHeader(bytes);
    QImage image;
    if (!image.loadFromData(bytes, "BMP") || image.isNull())
        throw LoadError("corrupt BMP data");
    if (image.width() != header.width || image.height() != header.height)
        throw LoadError("BMP decoded to an unexpected size");
    TextureImage texture;
    texture.levels.push_back(keyedLevel(image));
    // Each level is sharpened from the plain mean of the one before, so sharpening never compounds.
    TextureLevel box = texture.levels.back();
    while (box.width > 1 || box.height > 1) {
        box = halveLevel(box);
        texture.levels.push_back(sharpened(box));
    }
    return texture;
}

TextureImage loadBmpTexture(const std::filesystem::path& path)
{
    QFile file(QString::fromStdString(existingNativePath(path).string()));
    if (!file.open(QIODevice::ReadOnly))
        throw LoadError(existingNativePath(path).string() + ": cannot open the file");
    const QByteArray bytes = file.readAll();
    try {
        return decodeBmpTexture(bytes);
    } catch (const LoadError& e) {
        throw LoadError(existingNativePath(path).string() + ": " + e.what());
    }
}

} // namespace platform
