#pragma once

// Loads .bmp images as textures the way the game's textures have always been made: pure black
// (0, 0, 0) is the colour key and becomes fully transparent, every other texel is opaque, and a full
// chain of mip levels follows down to 1 x 1: each the box mean of the level before, mildly sharpened
// away from keyed texels.

#include "platform/load_error.h"
#include "platform/texture_image.h"

#include <QByteArray>

#include <filesystem>

namespace platform {

// Throws LoadError naming the problem for a missing, truncated, corrupt or non-BMP file.
TextureImage loadBmpTexture(const std::filesystem::path& path);
TextureImage decodeBmpTexture(const QByteArray& bytes);

// The next smaller mip level: half the size in each direction (never below 1), each texel the
// rounded mean of the block of texels it covers, alpha included. Even sizes take exact 2 x 2
// blocks; the last texel of an odd row or column also takes in the one left over.
TextureLevel halveLevel(const TextureLevel& level);

} // namespace platform
