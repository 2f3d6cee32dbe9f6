#pragma once

// What every fuzz target shares. A broken promise traps rather than throws, so that libFuzzer
// reports it as a crash with the input that caused it.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace fuzz {

inline void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

struct NothingRefused {};

} // namespace fuzz

// The entry point libFuzzer calls: the body that follows sees the input as `input`; an input
// refused with `Refusal` is a fine answer, any other exception a finding.
#define FUZZ_TARGET(Refusal)                                                                    \
    static void fuzzOne(std::string_view input);                                                \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)          \
    {                                                                                           \
        try {                                                                                   \
            fuzzOne({reinterpret_cast<const char*>(data), size});                              \
        } catch (const Refusal&) {                                                              \
        }                                                                                       \
        return 0;                                                                               \
    }                                                                                           \
    static void fuzzOne(std::string_view input)
