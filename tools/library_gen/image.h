#pragma once

#include <cstdint>
#include <vector>

namespace librarygen {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// An opaque 24-bit picture, rows top-down, as the bitmaps are painted before they are written.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;

    RgbImage(int w, int h) : width(w), height(h), pixels(std::size_t(w) * h) {}
    Rgb& at(int x, int y) { return pixels[std::size_t(y) * width + x]; }
    const Rgb& at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

} // namespace librarygen
