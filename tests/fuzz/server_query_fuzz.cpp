// libFuzzer target for the service's query-string parsing and text rules, fed a raw query (the text
// after "?"): a crash, a sanitizer report or a broken promise of a rule is a finding.

#include "server/query_params.h"
#include "server/reply.h"
#include "server/text_rules.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using fuzz::require;

// Every byte written as %XX decodes back to itself.
void checkPercentRoundTrip(std::string_view text)
{
    static const char* const digits = "0123456789AbCd" "eF";
    std::string encoded;
    for (const unsigned char byte : text)
        encoded += {'%', digits[byte >> 4], digits[byte & 15]};
    const auto decoded = server::percentDecode(encoded);
    require(decoded && *decoded == text);
}

void checkText(std::string_view text)
{
    const bool valid = server::isValidUtf8(text);
    const std::string safe = server::replySafeText(text);
    require(safe.find(server::kFieldMarker) == std::string::npos);
    for (char c : safe)
        require(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
    // Only the marker's brackets grow (1 byte to 3), so valid text stays valid.
    require(!valid || server::isValidUtf8(safe));

    const std::string lower = server::asciiLower(text);
    require(lower.size() == text.size());
    require(server::isAsciiAlnum(text) == server::isAsciiAlnum(lower));

    const auto number = server::parseDecimal(text);
    const bool leadingZero = text.size() > 1 && (text[0] == '0' || text.substr(0, 2) == "-0");
    require(!number || std::to_string(*number) == text || leadingZero);

    if (!valid)
        return;
    const std::size_t length = server::utf8Length(text);
    for (std::size_t n : {std::size_t{0}, std::size_t{1}, length / 2, length, length + 1}) {
        const std::string prefix = server::utf8Prefix(text, n);
        require(server::isValidUtf8(prefix));
        require(server::utf8Length(prefix) == std::min(n, length));
        require(text.substr(0, prefix.size()) == prefix);
    }
}

} // namespace

FUZZ_TARGET(fuzz::NothingRefused)
{
    const server::QueryParams query = server::QueryParams::parse(input);
    for (std::string_view name : {"UserName", "Password", "Ver", "IP", "Say", "Title", "RoomNo", "UserNo"}) {
        const auto value = query.value(name);
        require(!value || server::isValidUtf8(*value));
        require(!value || value->size() <= server::QueryParams::kMaxValueBytes);
    }
    checkText(input);
    checkPercentRoundTrip(input);
    if (const auto decoded = server::percentDecode(input))
        checkText(*decoded);
}
