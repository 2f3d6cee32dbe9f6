#pragma once

// Errors the engine raises besides gfx::DeviceError, and the checked arithmetic behind its 16- and
// 32-bit counters: a counter that would pass its width raises an overflow error instead of wrapping.

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

namespace engine {

// The program must end now with `exitCode` (after the user has been told why). Thrown instead of
// calling exit() so that main can unwind and tests can observe it.
class FatalExit : public std::runtime_error {
public:
    FatalExit(const std::string& why, int exitCode) : std::runtime_error(why), exitCode_(exitCode) {}
    int exitCode() const { return exitCode_; }

private:
    int exitCode_;
};

// Narrows `value` to T or raises an overflow error naming `what`.
template <typename T>
T checkedNarrow(std::int64_t value, const char* what)
{
    if (value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max())
        throw std::overflow_error(std::string("overflow: ") + what);
    return static_cast<T>(value);
}

template <typename T>
T checkedAdd(T counter, std::int64_t amount, const char* what)
{
    return checkedNarrow<T>(static_cast<std::int64_t>(counter) + amount, what);
}

} // namespace engine
