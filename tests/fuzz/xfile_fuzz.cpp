// libFuzzer target for the .x parser: any input either parses into a consistent mesh or is refused
// with platform::LoadError. Built and run by scripts/fuzz.

#include "platform/xfile_parser.h"
#include "tests/fuzz/fuzz_check.h"

using fuzz::require;

FUZZ_TARGET(platform::LoadError)
{
    const platform::MeshData m = platform::parseXFile(input);
    require(m.indices.size() % 3 == 0);
    for (std::uint32_t i : m.indices)
        require(i < m.vertices.size());
    std::uint64_t faces = 0;
    for (const platform::MeshSubset& s : m.subsets) {
        require(s.faceStart == faces && std::uint64_t{s.vertexStart} + s.vertexCount <= m.vertices.size());
        faces += s.faceCount;
    }
    require(faces == m.numFaces());
}
