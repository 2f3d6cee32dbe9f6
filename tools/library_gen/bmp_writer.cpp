#include "tools/library_gen/bmp_writer.h"

namespace librarygen {
namespace {

void put16(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

} // namespace

std::vector<std::uint8_t> encodeBmp(const RgbImage& image)
{
    constexpr std::uint32_t kHeaders = 14 + 40;
    constexpr std::uint32_t kPixelsPerMetre = 2835; // 72 dpi
    const std::uint32_t rowBytes = (std::uint32_t(image.width) * 3 + 3) / 4 * 4;
    const std::uint32_t pixelBytes = rowBytes * std::uint32_t(image.height);

    std::vector<std::uint8_t> out;
    out.reserve(kHeaders + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    put32(out, kHeaders + pixelBytes);
    put32(out, 0); // reserved
    put32(out, kHeaders);
    put32(out, 40);
    put32(out, std::uint32_t(image.width));
    put32(out, std::uint32_t(image.height)); // positive: bottom-up rows
    put16(out, 1);                            // planes
    put16(out, 24);                           // bits per pixel
    put32(out, 0);                            // BI_RGB
    put32(out, pixelBytes);
    put32(out, kPixelsPerMetre);
    put32(out, kPixelsPerMetre);
    put32(out, 0);
    put32(out, 0);
    for (int y = image.height - 1; y >= 0; --y) {
        const std::size_t rowStart = out.size();
        for (int x = 0; x < image.width; ++x) {
            const Rgb& p = image.at(x, y);
            out.push_back(p.b);
            out.push_back(p.g);
            out.push_back(p.r);
        }
        out.resize(rowStart + rowBytes, 0);
    }
    return out;
}

} // namespace librarygen
