// The text .x reader: what a mesh becomes, and every way a damaged or hostile file is refused.
#include "platform/xfile_parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <tuple>

using platform::LoadError;
using platform::MeshData;
using platform::parseXFile;

namespace {

const std::string kHeader = "xof 0302txt 0032\n";

// A cube of 8 corners whose 6 quads each carry their own face normal.
const std::string kCubeBody = R"(
  8; -1;-1;-1;, 1;-1;-1;, 1;1;-1;, -1;1;-1;, -1;-1;1;, 1;-1;1;, 1;1;1;, -1;1;1;;
  6; 4;0,3,2,1;, 4;4,5,6,7;, 4;0,4,7,3;, 4;1,2,6,5;, 4;0,1,5,4;, 4;3,7,6,2;;
  MeshNormals { 6; 0;0;-1;, 0;0;1;, -1;0;0;, 1;0;0;, 0;-1;0;, 0;1;0;;
    6; 4;0,0,0,0;, 4;1,1,1,1;, 4;2,2,2,2;, 4;3,3,3,3;, 4;4,4,4,4;, 4;5,5,5,5;; }
)";
const std::string kCube = "Mesh Cube {" + kCubeBody + "}\n";

// Everything the parser understands in one file whose only top-level data object is the last, so
// that no prefix ending before its closing brace is a complete file. Each corner has its own u.
const std::string kRich = kHeader + R"(// a full-featured mesh
template Material { <3D82AB4D-62DA-11cf-AB39-0020AF71E433> ColorRGBA faceColor; FLOAT power; [...] }
Frame Root {
  FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.5,0.0,-2.25,1.0;; }
  Frame Child {
    Mesh Box {)" + kCubeBody + R"(
      MeshTextureCoords { 8; 0.0;0.0;, 0.125;0.0;, 0.25;0.0;, 0.375;0.0;,
                             0.5;1.0;, 0.625;1.0;, 0.75;1.0;, 0.875;1.0;; }
      MeshMaterialList { 2; 6; 0,0,1,1,0,1;;
        Material Wood { 0.8;0.6;0.4;1.0;; 8.0; 0.1;0.1;0.1;; 0.0;0.0;0.0;; TextureFilename { "wood.bmp"; } }
        Material { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; } } } } }
)";

const std::string kTriangle = "3; 0;0;0;, 1;0;0;, 0;0;1;; 1; 3;0,2,1;;";
const std::string kWhite = "Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }";

std::string mesh(const std::string& body)
{
    return kHeader + "Mesh {\n" + body + "\n}\n";
}

using V3 = std::array<float, 3>;
V3 position(const MeshData& m, std::uint32_t i)
{
    return {m.vertices.at(i).px, m.vertices.at(i).py, m.vertices.at(i).pz};
}
V3 normal(const MeshData& m, std::uint32_t i)
{
    return {m.vertices.at(i).nx, m.vertices.at(i).ny, m.vertices.at(i).nz};
}
V3 minus(const V3& a, const V3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
float dot(const V3& a, const V3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void expectRejected(const std::string& text, const std::string& fragment)
{
    EXPECT_THAT([&] { parseXFile(text); }, testing::ThrowsMessage<LoadError>(testing::HasSubstr(fragment)))
        << text.substr(0, 200);
}

// Structural checks that hold for any mesh the parser returns.
void expectConsistent(const MeshData& m)
{
    ASSERT_EQ(m.indices.size() % 3, 0u);
    EXPECT_TRUE(std::all_of(m.indices.begin(), m.indices.end(), [&](auto i) { return i < m.numVertices(); }));
    std::uint32_t faces = 0;
    for (const auto& s : m.subsets) {
        EXPECT_TRUE(s.faceStart == faces && std::uint64_t{s.vertexStart} + s.vertexCount <= m.numVertices());
        faces += s.faceCount;
    }
    EXPECT_EQ(faces, m.numFaces());
}

// Vertices, faces and subsets; attribute id, first face, faces, first vertex and vertices of a subset.
using Shape = std::array<std::size_t, 3>;
using Subset = std::array<std::uint32_t, 5>;
Shape shape(const MeshData& m) { return {m.numVertices(), m.numFaces(), m.subsets.size()}; }
Subset subset(const MeshData& m, std::size_t i)
{
    const auto& s = m.subsets.at(i);
    return {s.attribId, s.faceStart, s.faceCount, s.vertexStart, s.vertexCount};
}

} // namespace

TEST(XFileCounts, CubeCornersAreCopiedPerFaceNormalPolygonsBecomeFansAndUnusedPositionsCount)
{
    const MeshData m = parseXFile(kRich);
    ASSERT_EQ(shape(m), (Shape{24, 12, 2}));
    EXPECT_EQ(subset(m, 1), (Subset{1, 6, 6, 8, 16}));
    EXPECT_EQ(m.materials.at(0).textureFilename, "wood.bmp");
    EXPECT_EQ(position(m, 6), (V3{1.5f, 1, -1.25f})) << "the 8 file positions stay first, moved by the frame";
    for (std::uint32_t f = 0; f < m.numFaces(); ++f) {
        const auto n = normal(m, m.indices[f * 3]);
        for (int c = 1; c < 3; ++c)
            EXPECT_EQ(normal(m, m.indices[f * 3 + c]), n) << "face " << f;
        EXPECT_NEAR(dot(n, n), 1.0f, 1e-6f);
    }
    // Each corner got a distinct u, so every copy shows which file position it came from.
    for (std::uint32_t i = 0; i < m.numVertices(); ++i) {
        const int corner = int(std::lround(m.vertices[i].u * 8));
        ASSERT_TRUE(corner >= 0 && corner < 8);
        EXPECT_EQ(position(m, i), position(m, std::uint32_t(corner)));
        EXPECT_EQ(m.vertices[i].v, corner < 4 ? 0.0f : 1.0f);
    }

    // Polygons become fans around their first corner; unused positions still count.
    const std::tuple<std::string, std::uint32_t, std::vector<std::uint32_t>> cases[] = {
        {"4; 0;0;0;, 1;0;0;, 1;0;1;, 0;0;1;; 1; 4;0,1,2,3;;", 4, {0, 1, 2, 0, 2, 3}},
        {"6; 0;0;0;, 1;0;0;, 2;0;1;, 1;0;2;, 0;0;2;, -1;0;1;; 2; 6;0,1,2,3,4,5;, 3;5,4,3;;", 6,
         {0, 1, 2, 0, 2, 3, 0, 3, 4, 0, 4, 5, 5, 4, 3}},
        {"5; 0;0;0;, 1;0;0;, 1;1;0;, 9;9;9;, 8;8;8;; 1; 3;0,1,2;;", 5, {0, 1, 2}},
        {kTriangle + "MeshNormals { 1; 0;0;0;; 1; 3;0,0,0;; }", 3, {0, 2, 1}}, // a zero normal stays zero
    };
    for (const auto& [body, vertices, indices] : cases) {
        const MeshData fan = parseXFile(mesh(body));
        EXPECT_EQ(fan.numVertices(), vertices) << body;
        EXPECT_EQ(fan.indices, indices) << body;
        EXPECT_EQ(normal(fan, 0), (V3{0, 0, 0})) << body;
    }
}

TEST(XFileNormals, SharedWhenEqualCopiedOncePerPairAndFramesMoveMeshesChildFirstKeepingThemPerpendicular)
{
    // Two triangles sharing an edge and one normal index: no copies needed.
    const MeshData shared = parseXFile(mesh("4; 0;0;0;, 1;0;0;, 1;0;1;, 0;0;1;; 2; 3;0,3,2;, 3;0,2,1;;"
                                            "MeshNormals { 1; 0;5;0;; 2; 3;0,0,0;, 3;0,0,0;; }"));
    ASSERT_EQ(shared.numVertices(), 4u);
    for (const auto& v : shared.vertices)
        EXPECT_EQ(v.ny, 1.0f);

    // Position 0 is used with normals 0, 1, 1, 2: two copies (for 1 and 2), the one for 1 reused.
    const MeshData m = parseXFile(mesh("4; 0;0;0;, 1;0;0;, 0;1;0;, 0;0;1;; "
                                       "4; 3;0,1,2;, 3;0,2,3;, 3;0,3,1;, 3;0,1,3;; "
                                       "MeshNormals { 3; 1;0;0;, 0;3;0;, 0;0;-2;; "
                                       "4; 3;0,0,0;, 3;1,1,1;, 3;1,1,1;, 3;2,2,2;; }"));
    std::set<std::pair<std::uint32_t, V3>> distinct;
    for (std::uint32_t i : m.indices)
        distinct.insert({i, normal(m, i)});
    EXPECT_EQ(m.numVertices(), distinct.size());
    EXPECT_EQ(m.indices[3], 4u); // face 1 corner 0: first copy
    EXPECT_EQ(m.indices[6], 4u); // face 2 corner 0 reuses it
    EXPECT_EQ(normal(m, 4), (V3{0, 1, 0}));
    EXPECT_EQ(position(m, 4), position(m, 0));
    EXPECT_EQ(normal(m, m.indices[11]), (V3{0, 0, -1}));

    // Outer frame: scale x by 2 then move +10 in y. Inner frame: move +1 in x (matrix after the mesh).
    const MeshData f = parseXFile(kHeader + R"(Frame Outer {
  FrameTransformMatrix { 2,0,0,0, 0,1,0,0, 0,0,1,0, 0,10,0,1;; }
  Frame Inner {
    Mesh { 3; 0;0;0;, 1;0;0;, 0;0;1;; 1; 3;0,2,1;; MeshNormals { 1; 0;1;0;; 1; 3;0,0,0;; } }
    FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 1,0,0,1;; } } }
Mesh Loose { 3; 5;5;5;, 6;5;5;, 5;5;6;; 1; 3;0,2,1;; })");
    ASSERT_EQ(f.numVertices(), 6u);
    // The last mesh lies outside every frame: untouched.
    EXPECT_EQ((std::array{position(f, 0), position(f, 1), position(f, 2), position(f, 3)}),
        (std::array{V3{2, 10, 0}, V3{4, 10, 0}, V3{2, 10, 1}, V3{5, 5, 5}}));

    // A slanted triangle squashed in y: the transformed normal must still be perpendicular to it.
    const MeshData s = parseXFile(kHeader + R"(
Frame { FrameTransformMatrix { 1,0,0,0, 0,0.25,0,0, 0,0,3,0, 0,0,0,1;; }
  Mesh { 3; 0;0;0;, 1;1;0;, 0;0;1;; 1; 3;0,1,2;;
    MeshNormals { 1; 0.70710678;-0.70710678;0;; 1; 3;0,0,0;; } } })");
    const auto n = normal(s, 0);
    EXPECT_NEAR(dot(n, n), 1.0f, 1e-5f);
    EXPECT_NEAR(dot(n, minus(position(s, 1), position(s, 0))), 0.0f, 1e-5f);
    EXPECT_NEAR(dot(n, minus(position(s, 2), position(s, 0))), 0.0f, 1e-5f);
}

TEST(XFileMaterials, FacesAreSortedIntoSubsetsAndAShortListRepeatsTheLastMaterial)
{
    const MeshData m = parseXFile(kHeader + R"(
Material Shared { 0.1;0.2;0.3;1.0;; 5.0; 0.5;0.5;0.5;; 0.0;0.0;0.0;; TextureFilename { "ice.bmp"; } }
Mesh {
  6; 0;0;0;, 1;0;0;, 1;0;1;, 0;0;1;, 2;0;0;, 2;0;1;;
  4; 3;0,3,2;, 4;1,2,5,4;, 3;0,2,1;, 3;4,5,2;;
  MeshMaterialList { 3; 4; 2, 0, 2, 1;; Material { 1.0;0.0;0.0;1.0;; 1.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }
    { Shared } Material Blue { 0.0;0.0;1.0;0.5;; 2.0; 0.0;0.0;0.0;; 0.0;0.0;0.25;; } } })");
    ASSERT_EQ(m.materials.size(), 3u);
    EXPECT_EQ(m.materials[1].textureFilename, "ice.bmp");
    EXPECT_EQ((std::array{m.materials[1].diffuse[2], m.materials[2].diffuse[3], m.materials[2].emissive[2]}),
        (std::array{0.3f, 0.5f, 0.25f}));
    // Material 0 holds the quad's two triangles; within material 2 the file order is kept.
    EXPECT_EQ(m.indices, (std::vector<std::uint32_t>{1, 2, 5, 1, 5, 4, 4, 5, 2, 0, 3, 2, 0, 2, 1}));
    ASSERT_EQ(m.subsets.size(), 3u);
    EXPECT_EQ(subset(m, 0), (Subset{0, 0, 2, 1, 5}));
    EXPECT_EQ(subset(m, 1), (Subset{1, 2, 1, 2, 4}));
    EXPECT_EQ(subset(m, 2), (Subset{2, 3, 2, 0, 4}));

    const MeshData s = parseXFile(mesh("4; 0;0;0;, 1;0;0;, 1;0;1;, 0;0;1;; 3; 3;0,3,2;, 3;0,2,1;, 3;1,2,3;;"
                                       "MeshMaterialList { 2; 2; 1, 0;; " + kWhite + kWhite + " }"));
    ASSERT_EQ(s.subsets.size(), 2u);
    EXPECT_EQ(subset(s, 1), (Subset{1, 2, 1, 0, 4})) << "the third face takes the last material";

    // Meshes merge with their material ids offset.
    const std::string one = "Mesh {" + kTriangle + "MeshMaterialList { 1; 1; 0;; " + kWhite + " } }\n";
    const MeshData merged = parseXFile(kHeader + one + kCube + one);
    ASSERT_EQ(shape(merged), (Shape{30, 14, 3}));
    EXPECT_EQ(subset(merged, 1), (Subset{1, 1, 12, 3, 24}));
    EXPECT_EQ(subset(merged, 2), (Subset{2, 13, 1, 27, 3}));
}

TEST(XFileSyntax, CommentsTemplatesForeignObjectsKeywordCaseAndLenientSeparatorsAndNumbers)
{
    // Missing commas and doubled semicolons, as other readers accept them.
    const MeshData m = parseXFile(kHeader + R"(# exported by hand
template Mesh { <3D82AB44-62DA-11cf-AB39-0020AF71E433> DWORD nVertices; [...] }
Header { 1; 0; 1; }  // not a mesh
AnimationSet Idle { Animation { { Box } AnimationKey { 0; 1; 0; 3; 0,0,0;;; } } }
mesh Box { <00000000-0000-0000-0000-000000000000>
  3;; -1.5e1;+2;.5; # hash comment
  1E-1;0;0;;, 0;0;1;;;
  1; 3;0 2 1;;;
  VertexDuplicationIndices { 3; 3; 0, 1, 2;; }
  MESHNORMALS { 1; 0;1;0;; 1; 3;0,0,0;; }
})");
    EXPECT_EQ(shape(m), (Shape{3, 1, 1}));
    EXPECT_EQ(normal(m, 1), (V3{0, 1, 0}));
    EXPECT_EQ(position(m, 0), (V3{-15.0f, 2.0f, 0.5f}));
    EXPECT_FLOAT_EQ(position(m, 1)[0], 0.1f);
}

TEST(XFileTruncation, EveryCutBeforeTheLastBraceIsRejected)
{
    const std::size_t end = kRich.rfind('}');
    for (std::size_t cut = 0; cut <= end; ++cut)
        EXPECT_THROW(parseXFile(std::string_view(kRich).substr(0, cut)), LoadError) << "cut at " << cut;
}

TEST(XFileHostile, ManyCornersOnOnePositionWithDistinctNormalsStayLinear)
{
    // 20000 triangles all on positions 0, 1, 2, each with its own normal: copies, but found by lookup.
    std::string faces = "20000; ", normals = faces, normalFaces = faces;
    for (int f = 0; f < 20000; ++f) {
        const std::string i = std::to_string(f);
        faces += "3;0,2,1;,";
        normals += "0;1;" + i + ";,";
        normalFaces += "3;" + i + "," + i + "," + i + ";,";
    }
    const std::string text = mesh("3; 0;0;0;, 1;0;0;, 0;0;1;; " + faces + "; MeshNormals { " + normals + "; "
                                  + normalFaces + "; }");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(parseXFile(text).numVertices(), 60000u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

// Huge counts among them are refused before anything is allocated for them.
TEST(XFileMalformed, EachFaultIsNamedHugeCountsAndDeepNestingBeforeTheyCostMemoryOrStack)
{
    const std::string normals = kTriangle + " MeshNormals { 1; 0;1;0;; ";
    const std::string materials = kTriangle + " MeshMaterialList { ";
    const std::string material = "Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"open; } } }";
    const std::string matrix = "FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0;; }";
    // Name, text, what the message says.
    const std::tuple<const char*, std::string, std::string> cases[] = {
        {"empty", "", "too short"},
        {"end of file", kHeader + "Mesh {\n" + kTriangle, "line 3: unexpected end of file"},
        {"magic", "XOF 0302txt 0032 Mesh {}", "magic"},
        {"binary", "xof 0302bin 0032" + kTriangle, "text .x format"},
        {"version", "xof 0100txt 0032" + kTriangle, "version"},
        {"float size", "xof 0302txt 0016" + kTriangle, "float size"},
        {"index", mesh("3; 0;0;0;, 1;0;0;, 0;0;1;;\n1; 3;0,2,3;;"), "line 4: Mesh face 0 uses index 3"},
        {"two corners", mesh("3; 0;0;0;, 1;0;0;, 0;0;1;; 1; 2;0,1;;"), "has 2 corners"},
        {"word", mesh("3; 0;0;0;, 1;0;0;, 0;zero;1;; 1; 3;0,2,1;;"), "expected Mesh vertex"},
        {"infinite", mesh("3; 0;0;0;, 1;0;0;, 0;1e999;1;; 1; 3;0,2,1;;"), "is not a number"},
        {"number and more", mesh("3; 0;0;0;, 1;0;0;, 0;1-2;1;; 1; 3;0,2,1;;"), "is not a number"},
        {"negative count", mesh("-3; 0;0;0;, 1;0;0;, 0;0;1;; 1; 3;0,2,1;;"), "not a non-negative integer"},
        {"character", mesh(kTriangle + " @"), "unexpected character '@'"},
        {"no faces", mesh("3; 0;0;0;, 1;0;0;, 0;0;1;; 0;"), "no mesh faces"},
        {"stray brace", kHeader + "Mesh {" + kTriangle + "} }", "expected an object or template"},
        {"no brace", kHeader + "Mesh " + kTriangle, "'{' after Mesh"},
        {"normal faces", mesh(normals + "2; 3;0,0,0;, 3;0,0,0;; }"), "MeshNormals faces do not match"},
        {"normal corners", mesh(normals + "1; 4;0,0,0,0;; }"), "or a face with a different corner count"},
        {"normal index", mesh(normals + "1; 3;0,1,0;; }"), "uses index 1 of only 1"},
        {"two normals", mesh(normals + "1; 3;0,0,0;; } MeshNormals { 1; 0;1;0;; 1; 3;0,0,0;; }"), "second"},
        {"coordinates", mesh(kTriangle + " MeshTextureCoords { 2; 0;0;, 1;1;; }"), "2 coordinates for 3"},
        {"material index", mesh(materials + "1; 1; 1;; " + kWhite + " }"), "material index 1 out of range"},
        {"materials", mesh(materials + "2; 1; 0;; " + kWhite + " }"), "declares 2 materials but holds 1"},
        {"face indexes", mesh(materials + "1; 2; 0,0;; { Nowhere } }"), "gives 2 face indexes for 1"},
        {"reference", mesh(materials + "1; 1; 0;; { Nowhere } }"), "unknown material 'Nowhere'"},
        {"string", mesh(materials + "1; 1; 0;; " + material), "unterminated string"},
        {"matrix", kHeader + "Frame { " + matrix + " Mesh {" + kTriangle + "} }", "FrameTransformMatrix"},
        {"vertex count", mesh("4000000000; 0;0;0;;"), "vertex count 4000000000"},
        {"vertices", mesh("3000000; 0;0;0;, 1;1;1;;"), "more than the file can hold"},
        {"face count", mesh("3; 0;0;0;, 1;0;0;, 0;0;1;; 4000000000; 3;0,1,2;;"), "face count"},
        {"corner count", mesh("3; 0;0;0;, 1;0;0;, 0;0;1;; 1; 4000000000;0,1,2;;"), "corner count"},
        {"normal count", mesh(kTriangle + " MeshNormals { 4294967295; 0;1;0;; }"), "normal count"},
        {"material count", mesh(kTriangle + " MeshMaterialList { 3000000000; 1; 0;; }"), "material count"},
        {"count over 32 bits", mesh("99999999999; 0;0;0;;"), "not a non-negative integer"},
    };
    const auto start = std::chrono::steady_clock::now();
    for (const auto& [name, text, fragment] : cases) {
        SCOPED_TRACE(name);
        expectRejected(text, fragment);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));

    std::string deep = kHeader;
    for (int i = 0; i < 200000; ++i)
        deep += "Frame{";
    expectRejected(deep, "nested deeper");
}

TEST(XFileMalformed, RandomDamageIsEitherRejectedOrConsistent)
{
    std::mt19937 random(20261206);
    const std::string alphabet = "0123456789;,{}-.eE \n\"<>#/abcXYZ";
    int rejected = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text = kRich;
        for (int e = 1 + int(random() % 4); e > 0; --e) {
            const std::size_t at = kHeader.size() + random() % (text.size() - kHeader.size());
            switch (random() % 3) {
            case 0: text[at] = alphabet[random() % alphabet.size()]; break;
            case 1: text.erase(at, 1 + random() % 8); break;
            default: text.insert(at, 1, alphabet[random() % alphabet.size()]); break;
            }
        }
        try {
            expectConsistent(parseXFile(text));
        } catch (const LoadError&) {
            ++rejected;
        }
    }
    EXPECT_GT(rejected, 1000); // most damage is caught, the rest must still give a sound mesh
}

TEST(XFileFiles, WindowsSeparatorsAreReadAndAMissingFileIsNamed)
{
    std::string windowsStyle = (std::filesystem::path(RINKFALL_FUZZ_CORPUS) / "box.x").string();
    std::replace(windowsStyle.begin(), windowsStyle.end(), '/', '\\');
    EXPECT_EQ(platform::loadXFile(windowsStyle).numFaces(), 12u);

    const std::string missing = "/nonexistent/Library/Mesh_Nothing.x";
    EXPECT_THAT([&] { platform::loadXFile(missing); },
                testing::ThrowsMessage<LoadError>(testing::HasSubstr(missing)));
}
