#include "platform/xfile_parser.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <set>
#include <string>

using platform::MeshData;
using platform::MeshVertex;
using platform::parseXFile;

namespace {

const std::string kHeader = "xof 0302txt 0032\n";

// A cube of 8 corners whose 6 quads each carry their own face normal.
const std::string kCube = kHeader + R"(
Mesh Cube {
  8;
  -1.0;-1.0;-1.0;, 1.0;-1.0;-1.0;, 1.0;1.0;-1.0;, -1.0;1.0;-1.0;,
  -1.0;-1.0;1.0;, 1.0;-1.0;1.0;, 1.0;1.0;1.0;, -1.0;1.0;1.0;;
  6;
  4;0,3,2,1;, 4;4,5,6,7;, 4;0,4,7,3;, 4;1,2,6,5;, 4;0,1,5,4;, 4;3,7,6,2;;
  MeshNormals {
    6;
    0.0;0.0;-1.0;, 0.0;0.0;1.0;, -1.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;-1.0;0.0;, 0.0;1.0;0.0;;
    6;
    4;0,0,0,0;, 4;1,1,1,1;, 4;2,2,2,2;, 4;3,3,3,3;, 4;4,4,4,4;, 4;5,5,5,5;;
  }
}
)";

using V3 = std::array<float, 3>;
V3 position(const MeshData& m, std::uint32_t i) { const auto& v = m.vertices.at(i); return {v.px, v.py, v.pz}; }
V3 normal(const MeshData& m, std::uint32_t i) { const auto& v = m.vertices.at(i); return {v.nx, v.ny, v.nz}; }

V3 faceNormal(const MeshData& m, std::uint32_t face)
{
    // Left-handed: (b - a) x (c - a) points at the viewer who sees a, b, c clockwise.
    const auto a = position(m, m.indices[face * 3]);
    const auto b = position(m, m.indices[face * 3 + 1]);
    const auto c = position(m, m.indices[face * 3 + 2]);
    const V3 e1{b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const V3 e2{c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    return {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
}

float dot(const V3& a, const V3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
float length(const V3& a) { return std::sqrt(dot(a, a)); }

} // namespace

TEST(XFileCounts, CubeWithFaceNormalsDuplicatesEachCornerPerFace)
{
    const MeshData m = parseXFile(kCube);
    EXPECT_EQ(m.numVertices(), 24u);
    EXPECT_EQ(m.numFaces(), 12u);
    ASSERT_EQ(m.subsets.size(), 1u);
    EXPECT_EQ(m.subsets[0].faceCount, 12u);
    EXPECT_EQ(m.subsets[0].vertexStart, 0u);
    EXPECT_EQ(m.subsets[0].vertexCount, 24u);
    // The 8 file positions stay first and in order; the copies follow.
    EXPECT_EQ(position(m, 6), (V3{1, 1, 1}));
    for (std::uint32_t f = 0; f < m.numFaces(); ++f) {
        const auto n = normal(m, m.indices[f * 3]);
        for (int c = 1; c < 3; ++c)
            EXPECT_EQ(normal(m, m.indices[f * 3 + c]), n) << "face " << f;
        EXPECT_NEAR(length(n), 1.0f, 1e-6f);
        // The file's cube is wound clockwise seen from outside, so geometry agrees with the normal.
        EXPECT_GT(dot(faceNormal(m, f), n), 0.0f) << "face " << f;
    }
}

TEST(XFileCounts, PolygonsBecomeFansAroundTheirFirstCornerAndUnusedPositionsCount)
{
    struct Case {
        std::string body;
        std::uint32_t vertices;
        std::vector<std::uint32_t> indices;
    };
    const Case cases[] = {
        {"4; 0;0;0;, 1;0;0;, 1;0;1;, 0;0;1;; 1; 4;0,1,2,3;;", 4, {0, 1, 2, 0, 2, 3}},
        {"6; 0;0;0;, 1;0;0;, 2;0;1;, 1;0;2;, 0;0;2;, -1;0;1;; 2; 6;0,1,2,3,4,5;, 3;5,4,3;;", 6,
         {0, 1, 2, 0, 2, 3, 0, 3, 4, 0, 4, 5, 5, 4, 3}},
        {"5; 0;0;0;, 1;0;0;, 1;1;0;, 9;9;9;, 8;8;8;; 1; 3;0,1,2;;", 5, {0, 1, 2}},
    };
    for (const Case& c : cases) {
        const MeshData m = parseXFile(kHeader + "Mesh { " + c.body + " }");
        EXPECT_EQ(m.numVertices(), c.vertices) << c.body;
        EXPECT_EQ(m.numFaces(), c.indices.size() / 3) << c.body;
        EXPECT_EQ(m.indices, c.indices) << c.body;
        EXPECT_EQ(normal(m, 0), (V3{0, 0, 0})) << "no normals given: " << c.body;
    }
}

TEST(XFileNormals, NormalsAreNormalisedAndSharedWhenEqualIndex)
{
    // Two triangles sharing an edge and one normal index: no copies needed.
    const MeshData m = parseXFile(kHeader + R"(Mesh {
      4; 0;0;0;, 1;0;0;, 1;0;1;, 0;0;1;;
      2; 3;0,3,2;, 3;0,2,1;;
      MeshNormals { 1; 0;5;0;; 2; 3;0,0,0;, 3;0,0,0;; }
    })");
    EXPECT_EQ(m.numVertices(), 4u);
    for (std::uint32_t i = 0; i < 4; ++i)
        EXPECT_EQ(normal(m, i), (V3{0, 1, 0}));

    // A zero normal stays zero.
    const MeshData z = parseXFile(kHeader + R"(Mesh { 3; 0;0;0;, 1;0;0;, 0;0;1;; 1; 3;0,1,2;;
      MeshNormals { 1; 0;0;0;; 1; 3;0,0,0;; } })");
    for (std::uint32_t i = 0; i < 3; ++i)
        EXPECT_EQ(normal(z, i), (V3{0, 0, 0}));
}

TEST(XFileNormals, CopiesAreReusedForARepeatedNormalAndAppendedInOrder)
{
    // Position 0 is used with normals 0, 1, 1, 2: two copies (for 1 and 2), the one for 1 reused.
    const MeshData m = parseXFile(kHeader + R"(Mesh {
      4; 0;0;0;, 1;0;0;, 0;1;0;, 0;0;1;;
      4; 3;0,1,2;, 3;0,2,3;, 3;0,3,1;, 3;0,1,3;;
      MeshNormals { 3; 1;0;0;, 0;3;0;, 0;0;-2;;
        4; 3;0,0,0;, 3;1,1,1;, 3;1,1,1;, 3;2,2,2;; }
    })");
    // Originals 0..3; copies are appended in order of first need, one per (position, normal).
    std::set<std::pair<std::uint32_t, V3>> distinct;
    for (std::uint32_t i : m.indices)
        distinct.insert({i, normal(m, i)});
    EXPECT_EQ(m.numVertices(), distinct.size());
    EXPECT_EQ(m.indices[3], 4u); // face 1 corner 0: first copy
    EXPECT_EQ(m.indices[6], 4u); // face 2 corner 0 reuses it
    EXPECT_EQ(normal(m, 4), (V3{0, 1, 0}));
    EXPECT_EQ(position(m, 4), position(m, 0));
    const auto last = normal(m, m.indices[11]);
    EXPECT_EQ(last, (V3{0, 0, -1}));
}

TEST(XFileTexCoords, CopiesKeepTheirPositionsCoordinates)
{
    std::string text = kCube;
    text.insert(text.rfind('}'), R"(
  MeshTextureCoords { 8; 0.0;0.0;, 0.125;0.0;, 0.25;0.0;, 0.375;0.0;, 0.5;1.0;, 0.625;1.0;, 0.75;1.0;, 0.875;1.0;; }
)");
    const MeshData m = parseXFile(text);
    ASSERT_EQ(m.numVertices(), 24u);
    for (const MeshVertex& v : m.vertices) {
        // Each cube corner got a distinct u; z tells which half of the file list it came from.
        const int corner = int(std::lround(v.u * 8));
        const V3 expected[8] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                                                 {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
        ASSERT_GE(corner, 0);
        ASSERT_LT(corner, 8);
        EXPECT_EQ((V3{v.px, v.py, v.pz}), expected[corner]);
        EXPECT_EQ(v.v, corner < 4 ? 0.0f : 1.0f);
    }
}

TEST(XFileFrames, NestedTransformsApplyChildFirstWhereverTheMatrixStands)
{
    // Outer frame: scale x by 2 then move +10 in y. Inner frame: move +1 in x (matrix after the mesh).
    const MeshData m = parseXFile(kHeader + R"(
Frame Outer {
  FrameTransformMatrix { 2,0,0,0, 0,1,0,0, 0,0,1,0, 0,10,0,1;; }
  Frame Inner {
    Mesh { 3; 0;0;0;, 1;0;0;, 0;0;1;; 1; 3;0,2,1;;
      MeshNormals { 1; 0;1;0;; 1; 3;0,0,0;; } }
    FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 1,0,0,1;; }
  }
}
Mesh Loose { 3; 5;5;5;, 6;5;5;, 5;5;6;; 1; 3;0,2,1;; }
)");
    ASSERT_EQ(m.numVertices(), 6u);
    EXPECT_EQ(position(m, 0), (V3{2, 10, 0}));
    EXPECT_EQ(position(m, 1), (V3{4, 10, 0}));
    EXPECT_EQ(position(m, 2), (V3{2, 10, 1}));
    EXPECT_EQ(position(m, 3), (V3{5, 5, 5})); // outside every frame: untouched
    EXPECT_EQ(m.numFaces(), 2u);
}

TEST(XFileFrames, NormalsStayPerpendicularUnderNonUniformScale)
{
    // A slanted triangle squashed in y: the transformed normal must still be perpendicular to it.
    const MeshData m = parseXFile(kHeader + R"(
Frame { FrameTransformMatrix { 1,0,0,0, 0,0.25,0,0, 0,0,3,0, 0,0,0,1;; }
  Mesh { 3; 0;0;0;, 1;1;0;, 0;0;1;; 1; 3;0,1,2;;
    MeshNormals { 1; 0.70710678;-0.70710678;0;; 1; 3;0,0,0;; } } })");
    const auto n = normal(m, 0);
    EXPECT_NEAR(length(n), 1.0f, 1e-5f);
    const auto a = position(m, 0), b = position(m, 1), c = position(m, 2);
    EXPECT_NEAR(dot(n, {b[0] - a[0], b[1] - a[1], b[2] - a[2]}), 0.0f, 1e-5f);
    EXPECT_NEAR(dot(n, {c[0] - a[0], c[1] - a[1], c[2] - a[2]}), 0.0f, 1e-5f);
}

TEST(XFileMaterials, FacesAreSortedIntoSubsetsByMaterial)
{
    const MeshData m = parseXFile(kHeader + R"(
Material Shared { 0.1;0.2;0.3;1.0;; 5.0; 0.5;0.5;0.5;; 0.0;0.0;0.0;; TextureFilename { "ice.bmp"; } }
Mesh {
  6; 0;0;0;, 1;0;0;, 1;0;1;, 0;0;1;, 2;0;0;, 2;0;1;;
  4; 3;0,3,2;, 4;1,2,5,4;, 3;0,2,1;, 3;4,5,2;;
  MeshMaterialList { 3; 4; 2, 0, 2, 1;;
    Material { 1.0;0.0;0.0;1.0;; 1.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }
    { Shared }
    Material Blue { 0.0;0.0;1.0;0.5;; 2.0; 0.0;0.0;0.0;; 0.0;0.0;0.25;; }
  }
})");
    EXPECT_EQ(m.numFaces(), 5u);
    ASSERT_EQ(m.materials.size(), 3u);
    EXPECT_EQ(m.materials[1].textureFilename, "ice.bmp");
    EXPECT_FLOAT_EQ(m.materials[1].diffuse[2], 0.3f);
    EXPECT_FLOAT_EQ(m.materials[2].diffuse[3], 0.5f);
    EXPECT_FLOAT_EQ(m.materials[2].emissive[2], 0.25f);
    ASSERT_EQ(m.subsets.size(), 3u);
    const std::uint32_t expectedFaces[3] = {2, 1, 2}; // material 0: the quad's two triangles
    std::uint32_t start = 0;
    for (std::uint32_t s = 0; s < 3; ++s) {
        EXPECT_EQ(m.subsets[s].attribId, s);
        EXPECT_EQ(m.subsets[s].faceStart, start);
        EXPECT_EQ(m.subsets[s].faceCount, expectedFaces[s]);
        std::uint32_t lo = ~0u, hi = 0;
        for (std::uint32_t i = start * 3; i < (start + expectedFaces[s]) * 3; ++i)
            lo = std::min(lo, m.indices[i]), hi = std::max(hi, m.indices[i]);
        EXPECT_EQ(m.subsets[s].vertexStart, lo);
        EXPECT_EQ(m.subsets[s].vertexCount, hi - lo + 1);
        start += expectedFaces[s];
    }
    // Within material 2 the file order is kept: triangle (0,3,2) before (0,2,1).
    EXPECT_EQ(std::vector<std::uint32_t>(m.indices.begin() + 9, m.indices.end()),
              (std::vector<std::uint32_t>{0, 3, 2, 0, 2, 1}));
}

TEST(XFileMaterials, ShortFaceIndexListRepeatsTheLastMaterial)
{
    const MeshData m = parseXFile(kHeader + R"(Mesh { 4; 0;0;0;, 1;0;0;, 1;0;1;, 0;0;1;;
      3; 3;0,3,2;, 3;0,2,1;, 3;1,2,3;;
      MeshMaterialList { 2; 2; 1, 0;;
        Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } })");
    ASSERT_EQ(m.subsets.size(), 2u);
    EXPECT_EQ(m.subsets[0].faceCount, 2u);
    EXPECT_EQ(m.subsets[1].faceCount, 1u);
}

TEST(XFileMerging, MeshesMergeWithMaterialIdsOffset)
{
    const std::string one = "Mesh { 3; 0;0;0;, 1;0;0;, 0;0;1;; 1; 3;0,2,1;; "
                            "MeshMaterialList { 1; 1; 0;; Material { 1;0;0;1;; 0; 0;0;0;; 0;0;0;; } } }\n";
    const MeshData m = parseXFile(kHeader + one + kCube.substr(kHeader.size()) + one);
    EXPECT_EQ(m.numVertices(), 3u + 24u + 3u);
    EXPECT_EQ(m.numFaces(), 1u + 12u + 1u);
    ASSERT_EQ(m.subsets.size(), 3u);
    EXPECT_EQ(m.subsets[1].faceCount, 12u);
    EXPECT_EQ(m.subsets[1].vertexStart, 3u);
    EXPECT_EQ(m.subsets[1].vertexCount, 24u);
    EXPECT_EQ(m.subsets[2].vertexStart, 27u);
    for (std::uint32_t i : m.indices)
        EXPECT_LT(i, m.numVertices());
}

TEST(XFileSyntax, CommentsTemplatesHeaderObjectsAndKeywordCaseAreHandled)
{
    const MeshData m = parseXFile(kHeader + R"(# exported by hand
template Mesh { <3D82AB44-62DA-11cf-AB39-0020AF71E433> DWORD nVertices; array Vector vertices[nVertices]; [...] }
Header { 1; 0; 1; }  // not a mesh
AnimationSet Idle { Animation { { Box } AnimationKey { 0; 1; 0; 3; 0,0,0;;; } } }
mesh Box { <00000000-0000-0000-0000-000000000000>
  // a comment inside the data
  3; 0;0;0;, # hash comment
  1;0;0;, 0;0;1;;
  1; 3;0,2,1;;
  VertexDuplicationIndices { 3; 3; 0, 1, 2;; }
  MESHNORMALS { 1; 0;1;0;; 1; 3;0,0,0;; }
})");
    EXPECT_EQ(m.numVertices(), 3u);
    EXPECT_EQ(m.numFaces(), 1u);
    EXPECT_EQ(normal(m, 1), (V3{0, 1, 0}));
}

TEST(XFileSyntax, LenientSeparatorsAsWineReadsThem)
{
    // Missing commas and doubled semicolons.
    const MeshData m = parseXFile(kHeader + "Mesh { 3;; 0;0;0; 1;0;0;;, 0;0;1;;; 1; 3;0 2 1;;; }");
    EXPECT_EQ(m.numFaces(), 1u);
    EXPECT_EQ(position(m, 1), (V3{1, 0, 0}));

    // Numbers with exponents and signs.
    const MeshData n = parseXFile(kHeader + "Mesh { 3; -1.5e1;+2;.5;, 1E-1;0;0;, 0;0;1;; 1; 3;0,2,1;; }");
    EXPECT_EQ(position(n, 0), (V3{-15.0f, 2.0f, 0.5f}));
    EXPECT_FLOAT_EQ(position(n, 1)[0], 0.1f);
}
