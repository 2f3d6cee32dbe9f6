#pragma once

#include <cstdint>
#include <vector>

namespace platform {

// A decoded texture ready for upload: RGBA8 rows top-down, level 0 first, each further level half
// the one before, down to 1 x 1.
struct TextureLevel {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba; // width * height * 4
};

struct TextureImage {
    std::vector<TextureLevel> levels;
    int width() const { return levels.empty() ? 0 : levels.front().width; }
    int height() const { return levels.empty() ? 0 : levels.front().height; }
};

} // namespace platform
