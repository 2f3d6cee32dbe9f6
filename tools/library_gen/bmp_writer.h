#pragma once

#include "tools/library_gen/image.h"

#include <string>
#include <vector>

namespace librarygen {

// An uncompressed 24-bit Windows bitmap (BITMAPINFOHEADER, rows bottom-up), byte for byte the same
// for the same picture.
std::vector<std::uint8_t> encodeBmp(const RgbImage& image);

} // namespace librarygen
