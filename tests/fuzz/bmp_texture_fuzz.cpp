// libFuzzer target for the .bmp texture loader: any input either becomes a keyed texture with a
// complete mip chain or is refused with platform::LoadError.

#include "platform/bmp_texture.h"
#include "tests/fuzz/fuzz_check.h"

#include <QBuffer>
#include <QImageReader>

using fuzz::require;

// Level 0 keys pure black and only pure black; every further level halves down to 1 x 1.
FUZZ_TARGET(platform::LoadError)
{
    QByteArray bytes(input.data(), qsizetype(input.size()));
    // A 1 KB run-length file may declare 4096 x 4096 (ten seconds per input): such inputs only
    // repeat the same loops for longer, and would slow the fuzzer a hundredfold.
    QBuffer buffer(&bytes);
    const QSize declared = QImageReader(&buffer, "BMP").size();
    if (qint64(qAbs(declared.width())) * qAbs(declared.height()) > (1 << 18))
        return;
    const platform::TextureImage texture = platform::decodeBmpTexture(bytes);
    require(!texture.levels.empty() && texture.width() > 0 && texture.height() > 0);
    const std::vector<std::uint8_t>& top = texture.levels.front().rgba;
    for (std::size_t i = 0; i < top.size(); i += 4)
        require(top[i + 3] == (top[i] == 0 && top[i + 1] == 0 && top[i + 2] == 0 ? 0 : 255));
    int width = texture.width(), height = texture.height();
    for (const platform::TextureLevel& level : texture.levels) {
        require(level.width == width && level.height == height);
        require(level.rgba.size() == std::size_t(width) * std::size_t(height) * 4);
        width = width > 1 ? width / 2 : 1;
        height = height > 1 ? height / 2 : 1;
    }
    require(texture.levels.back().width == 1 && texture.levels.back().height == 1);
}
