#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// A mesh as the .x loader builds it: triangles only, grouped by attribute id, with the vertex and
// face counts the mesh reports to its users (which the draw counters add up).
struct MeshVertex {
    float px, py, pz;
    float nx, ny, nz;
    float u, v;
};

struct MeshSubset {
    std::uint32_t attribId = 0;
    std::uint32_t faceStart = 0;   // first triangle of this subset in `indices` / 3
    std::uint32_t faceCount = 0;
    std::uint32_t vertexStart = 0; // lowest vertex index used by the subset
    std::uint32_t vertexCount = 0; // highest - lowest + 1
};

struct MeshMaterial {
    float diffuse[4] = {1, 1, 1, 1};
    float power = 0;
    float specular[3] = {0, 0, 0};
    float emissive[3] = {0, 0, 0};
    std::string textureFilename;
};

struct MeshData {
    std::vector<MeshVertex> vertices;
    std::vector<std::uint32_t> indices; // three per triangle, sorted by subset
    std::vector<MeshSubset> subsets;    // sorted by attribId
    std::vector<MeshMaterial> materials;

    std::uint32_t numVertices() const { return static_cast<std::uint32_t>(vertices.size()); }
    std::uint32_t numFaces() const { return static_cast<std::uint32_t>(indices.size() / 3); }
};

} // namespace platform
