#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace server {

// Checks that text is well-formed UTF-8: no stray continuation bytes, no over-long forms, no
// surrogates, nothing above U+10FFFF. Names and titles are counted and cut in characters, which
// only makes sense on valid text.
bool isValidUtf8(std::string_view text);

// Number of characters (code points) of valid UTF-8 text.
std::size_t utf8Length(std::string_view text);

// The first maxChars characters of valid UTF-8 text, never splitting a character.
std::string utf8Prefix(std::string_view text, std::size_t maxChars);

bool isAsciiAlnum(std::string_view text);
std::string asciiLower(std::string_view text);

// A decimal number with an optional minus sign, nothing else around it, within 32 bits.
std::optional<int32_t> parseDecimal(std::string_view text);

// Free text as it may stand inside a reply: the field marker and control characters would split
// or break the reply, so the marker's brackets become full-width and controls become spaces.
std::string replySafeText(std::string_view text);

} // namespace server
