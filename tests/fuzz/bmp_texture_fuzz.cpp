// libFuzzer target for the .bmp texture loader: any input either becomes a keyed texture with a
// complete mip chain or is refused with platform::LoadError.

#include "platform/bmp_texture.h"
#include "tests/fuzz/fuzz_check.h"

#include <cstdlib>

namespace {


using fuzz::require;

void checkLevel(const platform::TextureLevel& level, int width, int height)
{
    require(level.width == width && level.height == height
            && level.rgba.size() == std::size_t(width) * std::size_t(height) * 4);
}

// Level 0 keys pure black and only pure black; every further level halves down to 1 x 1.
void checkTexture(const platform::TextureImage& texture)
{
    require(!texture.levels.empty() && texture.width() > 0 && texture.height() > 0);
    const platform::TextureLevel& top = texture.levels.front();
    checkLevel(top, top.width, top.height);
    for (std::size_t i = 0; i < top.rgba.size(); i += 4) {
        const bool black = top.rgba[i] == 0 && top.rgba[i + 1] == 0 && top.rgba[i + 2] == 0;
        require(top.rgba[i + 3] == (black ? 0 : 255));
    }
    int width = top.width, height = top.height;
    for (std::size_t i = 1; i < texture.levels.size(); ++i) {
        width = width > 1 ? width / 2 : 1;
        height = height > 1 ? height / 2 : 1;
        checkLevel(texture.levels[i], width, height);
    }
    require(width == 1 && height == 1);
}

// A 1 KB run-length file may declare 4096 x 4096 (ten seconds per input): such inputs only repeat
// the same loops for longer, and would slow the fuzzer a hundredfold.
bool declaresHugeImage(const std::uint8_t* data, std::size_t size)
{
    if (size < 26)
        return false;
    const auto le = [&](std::size_t at, int bytes) {
        std::uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i)
            v = (v << 8) | data[at + std::size_t(i)];
        return v;
    };
    const bool core = le(14, 4) == 12;
    const std::int64_t width = core ? std::int64_t(le(18, 2)) : std::int64_t(std::int32_t(le(18, 4)));
    const std::int64_t height = core ? std::int64_t(le(20, 2)) : std::int64_t(std::int32_t(le(22, 4)));
    return std::abs(width) * std::abs(height) > (std::int64_t{1} << 18);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (declaresHugeImage(data, size))
        return 0;
    fuzz::refusedOr<platform::LoadError>([&] {
        const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
        checkTexture(platform::decodeBmpTexture(bytes));
    });
    return 0;
}
