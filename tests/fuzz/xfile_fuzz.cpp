// libFuzzer target for the .x parser: any input either parses into a consistent mesh or is refused
// with platform::LoadError. Anything else (a crash, a sanitizer report, another exception, an
// inconsistent mesh) is a finding. Built and run by scripts/fuzz.

#include "platform/xfile_parser.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

void checkConsistent(const platform::MeshData& m)
{
    if (m.indices.size() % 3 != 0)
        __builtin_trap();
    for (std::uint32_t i : m.indices)
        if (i >= m.vertices.size())
            __builtin_trap();
    std::uint64_t faces = 0;
    for (const platform::MeshSubset& s : m.subsets) {
        if (s.faceStart != faces || std::uint64_t{s.vertexStart} + s.vertexCount > m.vertices.size())
            __builtin_trap();
        faces += s.faceCount;
    }
    if (faces != m.numFaces())
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        checkConsistent(platform::parseXFile(std::string_view(reinterpret_cast<const char*>(data), size)));
    } catch (const platform::LoadError&) {
    }
    return 0;
}
