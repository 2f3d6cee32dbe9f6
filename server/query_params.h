#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace server {

// The parameters of one request's query. Names and values are percent-decoded ("%E3%81%82")
// and must be valid UTF-8 afterwards. A "+" stays a plus sign: the game client encodes a space
// as %20, and a password or chat line may well contain "+".
class QueryParams {
public:
    enum class Problem { None, Malformed, TooLong, TooMany };

    static constexpr std::size_t kMaxParams = 16;
    static constexpr std::size_t kMaxNameBytes = 32;
    static constexpr std::size_t kMaxValueBytes = 512;

    // Takes the text after "?" of the request line. An over-long value is a problem, except under
    // the names in `cutNames` (free text that the service shortens anyway): there it is cut to
    // kMaxValueBytes at a character boundary.
    static QueryParams parse(std::string_view rawQuery,
                             std::initializer_list<std::string_view> cutNames = {});

    Problem problem() const { return problem_; }
    // The first value given under `name` (names are case-sensitive), or nothing.
    std::optional<std::string_view> value(std::string_view name) const;

private:
    Problem problem_ = Problem::None;
    std::vector<std::pair<std::string, std::string>> params_;
};

// Decodes %XX escapes; nothing when an escape is cut short or not hexadecimal.
std::optional<std::string> percentDecode(std::string_view text);

} // namespace server
