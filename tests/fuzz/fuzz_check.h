#pragma once

// What every fuzz target shares. A broken promise traps rather than throws, so that libFuzzer
// reports it as a crash with the input that caused it.

#include <cstddef>
#include <cstdint>

namespace fuzz {

inline void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// Runs `check`; an input refused with `Refusal` is a fine answer, any other exception a finding.
template <typename Refusal, typename Check>
void refusedOr(Check check)
{
    try {
        check();
    } catch (const Refusal&) {
    }
}

} // namespace fuzz
