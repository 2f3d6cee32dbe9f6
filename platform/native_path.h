#pragma once

#include <algorithm>
#include <filesystem>
#include <string>

namespace platform {

// The game builds its resource paths Windows-style ("<folder>\Library\Tex_Ice.bmp"). Where the
// path as given does not exist and the system separator is '/', the backslashes are read as
// separators instead.
inline std::filesystem::path existingNativePath(const std::filesystem::path& path)
{
    std::string text = path.string();
    std::error_code error;
    if (std::filesystem::path::preferred_separator != '/' || text.find('\\') == std::string::npos ||
        std::filesystem::exists(path, error))
        return path;
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

} // namespace platform
