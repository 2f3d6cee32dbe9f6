#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// A texture or mesh file that cannot be used: missing, unreadable, truncated, malformed or hostile.
// The message names the problem (and, for text formats, the line).
class LoadError : public std::runtime_error {
public:
    explicit LoadError(const std::string& what) : std::runtime_error(what) {}
};

} // namespace platform
