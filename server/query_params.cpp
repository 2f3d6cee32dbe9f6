#include "server/query_params.h"

#include "server/text_rules.h"

namespace server {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Cuts valid UTF-8 to at most `maxBytes` without splitting a character.
void cutToCharacterBoundary(std::string &text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return;
    std::size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
}

bool listed(std::initializer_list<std::string_view> names, std::string_view name)
{
    for (const std::string_view listedName : names) {
        if (listedName == name)
            return true;
    }
    return false;
}

} // namespace

std::optional<std::string> percentDecode(std::string_view text)
{
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        const int high = hexValue(text[i + 1]);
        const int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return decoded;
}

QueryParams QueryParams::parse(std::string_view rawQuery,
                               std::initializer_list<std::string_view> cutNames)
{
    QueryParams query;
    std::size_t start = 0;
    while (start <= rawQuery.size()) {
        std::size_t end = rawQuery.find('&', start);
        if (end == std::string_view::npos)
            end = rawQuery.size();
        const std::string_view piece = rawQuery.substr(start, end - start);
        start = end + 1;
        if (piece.empty())
            continue;
        if (query.params_.size() == kMaxParams) {
            query.problem_ = Problem::TooMany;
            return query;
        }
        // Only the first "=" separates: a value may itself hold "=".
        const std::size_t equals = piece.find('=');
        const std::string_view rawName = piece.substr(0, equals);
        const std::string_view rawValue =
            equals == std::string_view::npos ? std::string_view() : piece.substr(equals + 1);
        auto name = percentDecode(rawName);
        auto value = percentDecode(rawValue);
        if (!name || !value || name->empty() || !isValidUtf8(*name) || !isValidUtf8(*value)) {
            query.problem_ = Problem::Malformed;
            return query;
        }
        if (value->size() > kMaxValueBytes && listed(cutNames, *name))
            cutToCharacterBoundary(*value, kMaxValueBytes);
        if (name->size() > kMaxNameBytes || value->size() > kMaxValueBytes) {
            query.problem_ = Problem::TooLong;
            return query;
        }
        query.params_.emplace_back(std::move(*name), std::move(*value));
    }
    return query;
}

std::optional<std::string_view> QueryParams::value(std::string_view name) const
{
    for (const auto &[key, value] : params_) {
        if (key == name)
            return std::string_view(value);
    }
    return std::nullopt;
}

} // namespace server
