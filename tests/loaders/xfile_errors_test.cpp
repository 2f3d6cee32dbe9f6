#include "platform/xfile_parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <cstdint>
#include <random>
#include <string>

using platform::LoadError;
using platform::MeshData;
using platform::parseXFile;

namespace {

const std::string kHeader = "xof 0302txt 0032\n";

// Everything the parser understands in one file whose only top-level data object is the last, so
// that no prefix ending before its closing brace is a complete file.
const std::string kRich = kHeader + R"(// a full-featured mesh
template Vector { <3D82AB5E-62DA-11cf-AB39-0020AF71E433> FLOAT x; FLOAT y; FLOAT z; }
template Material { <3D82AB4D-62DA-11cf-AB39-0020AF71E433> ColorRGBA faceColor; FLOAT power; [...] }
Frame Root {
  FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.5,0.0,-2.25,1.0;; }
  Frame Child {
    Mesh Box {
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
      MeshTextureCoords { 8; 0.0;0.0;, 1.0;0.0;, 1.0;1.0;, 0.0;1.0;, 0.0;0.0;, 1.0;0.0;, 1.0;1.0;, 0.0;1.0;; }
      MeshMaterialList {
        2; 6; 0,0,1,1,0,1;;
        Material Wood { 0.8;0.6;0.4;1.0;; 8.0; 0.1;0.1;0.1;; 0.0;0.0;0.0;; TextureFilename { "wood.bmp"; } }
        Material { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }
      }
    }
  }
}
)";

void expectRejected(const std::string& text, const std::string& fragment)
{
    EXPECT_THAT([&] { parseXFile(text); }, ::testing::ThrowsMessage<LoadError>(::testing::HasSubstr(fragment)))
        << text.substr(0, 200);
}

std::string mesh(const std::string& body)
{
    return kHeader + "Mesh {\n" + body + "\n}\n";
}

const std::string kTriangle = "3; 0;0;0;, 1;0;0;, 0;0;1;; 1; 3;0,2,1;;";

// Structural checks that hold for any mesh the parser returns.
void expectConsistent(const MeshData& m)
{
    ASSERT_EQ(m.indices.size() % 3, 0u);
    for (std::uint32_t i : m.indices)
        ASSERT_LT(i, m.numVertices());
    std::uint32_t faces = 0;
    for (const auto& s : m.subsets) {
        ASSERT_EQ(s.faceStart, faces);
        faces += s.faceCount;
        ASSERT_LE(std::uint64_t{s.vertexStart} + s.vertexCount, m.numVertices());
    }
    ASSERT_EQ(faces, m.numFaces());
}

} // namespace

TEST(XFileTruncation, EveryCutBeforeTheLastBraceIsRejected)
{
    const MeshData whole = parseXFile(kRich);
    EXPECT_EQ(whole.numVertices(), 24u);
    EXPECT_EQ(whole.numFaces(), 12u);
    EXPECT_EQ(whole.subsets.size(), 2u);
    EXPECT_EQ(whole.materials.at(0).textureFilename, "wood.bmp");
    EXPECT_FLOAT_EQ(whole.vertices.at(0).pz, -3.25f);

    const std::size_t end = kRich.rfind('}');
    for (std::size_t cut = 0; cut <= end; ++cut)
        EXPECT_THROW(parseXFile(std::string_view(kRich).substr(0, cut)), LoadError) << "cut at " << cut;

    // The end of file is named with its line.
    const std::string cut = kRich.substr(0, kRich.find("MeshNormals"));
    const int lines = int(std::count(cut.begin(), cut.end(), '\n')) + 1;
    expectRejected(cut, "line " + std::to_string(lines) + ": unexpected end of file");
}

TEST(XFileHostile, HugeCountsAreRejectedBeforeAllocating)
{
    const auto start = std::chrono::steady_clock::now();
    expectRejected(mesh("4000000000; 0;0;0;;"), "vertex count 4000000000");
    expectRejected(mesh("3000000; 0;0;0;, 1;1;1;;"), "more than the file can hold");
    expectRejected(mesh("3; 0;0;0;, 1;0;0;, 0;0;1;; 4000000000; 3;0,1,2;;"), "face count");
    expectRejected(mesh("3; 0;0;0;, 1;0;0;, 0;0;1;; 1; 4000000000;0,1,2;;"), "corner count");
    expectRejected(mesh(kTriangle + " MeshNormals { 4294967295; 0;1;0;; 1; 3;0,0,0;; }"), "normal count");
    expectRejected(mesh(kTriangle + " MeshMaterialList { 3000000000; 1; 0;; }"), "material count");
    expectRejected(mesh("99999999999; 0;0;0;;"), "not a non-negative integer");
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 500);
}

TEST(XFileHostile, DeepFrameNestingIsRefusedWithoutExhaustingTheStack)
{
    std::string text = kHeader;
    for (int i = 0; i < 200000; ++i)
        text += "Frame{";
    expectRejected(text, "nested deeper");
}

TEST(XFileHostile, ManyCornersOnOnePositionWithDistinctNormalsStayLinear)
{
    // 20000 triangles all on positions 0, 1, 2, each with its own normal: copies, but found by lookup.
    constexpr int kFaces = 20000;
    std::string normals, normalFaces, faces;
    for (int f = 0; f < kFaces; ++f) {
        normals += "0;1;" + std::to_string(f) + ";,";
        normalFaces += "3;" + std::to_string(f) + "," + std::to_string(f) + "," + std::to_string(f) + ";,";
        faces += "3;0,2,1;,";
    }
    const std::string text = mesh("3; 0;0;0;, 1;0;0;, 0;0;1;; " + std::to_string(kFaces) + "; " + faces +
                                  "; MeshNormals { " + std::to_string(kFaces) + "; " + normals + "; " +
                                  std::to_string(kFaces) + "; " + normalFaces + "; }");
    const auto start = std::chrono::steady_clock::now();
    const MeshData m = parseXFile(text);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_EQ(m.numVertices(), 3u * kFaces);
    EXPECT_LT(ms.count(), 2000);
}

TEST(XFileMalformed, HeaderProblemsAreNamed)
{
    expectRejected("", "too short");
    expectRejected("xof 0302txt", "too short");
    expectRejected("XOF 0302txt 0032 Mesh {}", "magic");
    expectRejected("xof 0302bin 0032" + kTriangle, "text .x format");
    expectRejected("xof 0302tzip0032" + kTriangle, "text .x format");
    expectRejected("xof 0100txt 0032" + kTriangle, "version");
    expectRejected("xof 0302txt 0016" + kTriangle, "float size");
}

TEST(XFileMalformed, BadMeshDataIsNamedWithItsLine)
{
    expectRejected(mesh("3; 0;0;0;, 1;0;0;, 0;0;1;;\n1; 3;0,2,3;;"), "line 4: Mesh face 0 uses index 3 of only 3");
    expectRejected(mesh("3; 0;0;0;, 1;0;0;, 0;0;1;; 1; 2;0,1;;"), "has 2 corners");
    expectRejected(mesh("3; 0;0;0;, 1;0;0;, 0;zero;1;; 1; 3;0,2,1;;"), "expected Mesh vertex");
    expectRejected(mesh("3; 0;0;0;, 1;0;0;, 0;1e999;1;; 1; 3;0,2,1;;"), "is not a number");
    expectRejected(mesh("3; 0;0;0;, 1;0;0;, 0;1-2;1;; 1; 3;0,2,1;;"), "is not a number");
    expectRejected(mesh("-3; 0;0;0;, 1;0;0;, 0;0;1;; 1; 3;0,2,1;;"), "not a non-negative integer");
    expectRejected(mesh("3; 0;0;0;, 1;0;0;, 0;0;1;; 1; 3;0,2,1;; @"), "unexpected character '@'");
    expectRejected(mesh("3; 0;0;0;, 1;0;0;, 0;0;1;; 0;"), "no mesh faces");
    expectRejected(kHeader + "Header { 1; 0; 1; }\n", "no mesh faces");
    expectRejected(kHeader + "Mesh {" + kTriangle + "} }", "expected an object or template");
    expectRejected(kHeader + "Mesh " + kTriangle, "'{' after Mesh");
}

TEST(XFileMalformed, ChildrenThatDisagreeWithTheirMeshAreNamed)
{
    expectRejected(mesh(kTriangle + " MeshNormals { 1; 0;1;0;; 2; 3;0,0,0;, 3;0,0,0;; }"),
                   "MeshNormals faces do not match");
    expectRejected(mesh(kTriangle + " MeshNormals { 1; 0;1;0;; 1; 4;0,0,0,0;; }"), "or a face with a different corner count");
    expectRejected(mesh(kTriangle + " MeshNormals { 1; 0;1;0;; 1; 3;0,1,0;; }"), "uses index 1 of only 1");
    expectRejected(mesh(kTriangle + " MeshNormals { 1; 0;1;0;; 1; 3;0,0,0;; } MeshNormals { 1; 0;1;0;; 1; 3;0,0,0;; }"),
                   "second MeshNormals");
    expectRejected(mesh(kTriangle + " MeshTextureCoords { 2; 0;0;, 1;1;; }"), "2 coordinates for 3 vertices");
    expectRejected(mesh(kTriangle + " MeshMaterialList { 1; 1; 1;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } }"),
                   "material index 1 out of range");
    expectRejected(mesh(kTriangle + " MeshMaterialList { 2; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } }"),
                   "declares 2 materials but holds 1");
    expectRejected(mesh(kTriangle + " MeshMaterialList { 1; 2; 0,0;; { Nowhere } }"), "gives 2 face indexes for 1");
    expectRejected(mesh(kTriangle + " MeshMaterialList { 1; 1; 0;; { Nowhere } }"), "unknown material 'Nowhere'");
    expectRejected(mesh(kTriangle + " MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; "
                                    "TextureFilename { \"never closed; } } }"),
                   "unterminated string");
    expectRejected(kHeader + "Frame { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0;; } Mesh {" + kTriangle +
                       "} }",
                   "FrameTransformMatrix element");
}

TEST(XFileMalformed, RandomDamageIsEitherRejectedOrConsistent)
{
    std::mt19937 random(20261206);
    const std::string alphabet = "0123456789;,{}-.eE \n\"<>#/abcXYZ";
    int rejected = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text = kRich;
        const int edits = 1 + int(random() % 4);
        for (int e = 0; e < edits; ++e) {
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

TEST(XFileFiles, FuzzSeedsParseConsistentlyMissingFileIsNamedWindowsSeparatorsAreRead)
{
    int seeds = 0;
    for (const auto& entry : std::filesystem::directory_iterator(RINKFALL_FUZZ_CORPUS)) {
        const MeshData m = platform::loadXFile(entry.path());
        expectConsistent(m);
        EXPECT_GT(m.numFaces(), 0u) << entry.path();
        ++seeds;
    }
    EXPECT_GE(seeds, 5);

    const std::filesystem::path seed = std::filesystem::path(RINKFALL_FUZZ_CORPUS) / "box.x";
    std::string windowsStyle = seed.string();
    std::replace(windowsStyle.begin(), windowsStyle.end(), '/', '\\');
    EXPECT_EQ(platform::loadXFile(windowsStyle).numFaces(), 12u);

    EXPECT_THAT([] { platform::loadXFile("/nonexistent/Library/Mesh_Nothing.x"); },
                ::testing::ThrowsMessage<LoadError>(::testing::HasSubstr("/nonexistent/Library/Mesh_Nothing.x")));
}
