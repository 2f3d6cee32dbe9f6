// The generated Library: every file loads, the meshes are shaped and wound as the sheet needs, and
// the bitmaps land where the sheet layout puts them.

#include "game/match/house.h"
#include "game/match/match_rules.h"
#include "platform/bmp_texture.h"
#include "platform/xfile_parser.h"
#include "tools/library_gen/library_files.h"
#include "tools/library_gen/sheet_view.h"
#include "tools/library_gen/textures.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

using platform::MeshData;
using platform::TextureImage;
using Colour = std::array<double, 3>;
using V3 = std::array<double, 3>;

namespace {

const std::filesystem::path kLibrary = RINKFALL_LIBRARY_DIR;

// Generated once for the whole suite: painting the bitmaps takes a moment under the sanitizers.
const std::map<std::string, std::vector<std::uint8_t>>& library()
{
    static const auto files = [] {
        std::map<std::string, std::vector<std::uint8_t>> m;
        for (auto& f : librarygen::buildLibraryFiles())
            m[f.name] = std::move(f.bytes);
        return m;
    }();
    return files;
}

TextureImage texture(const std::string& name)
{
    const auto& bytes = library().at(name);
    return platform::decodeBmpTexture(QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                              qsizetype(bytes.size())));
}

MeshData mesh(const std::string& name)
{
    const auto& bytes = library().at(name);
    return platform::parseXFile(std::string(bytes.begin(), bytes.end()));
}

V3 pos(const MeshData& m, std::uint32_t i) { return {m.vertices[i].px, m.vertices[i].py, m.vertices[i].pz}; }
double dot(const V3& a, const V3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Every face is clockwise seen from where its normals point, and (for closed shapes) that is outside:
// (b - a) x (c - a) points at the side from which a, b, c run clockwise in a left-handed world.
void expectOutwardWinding(const MeshData& m, bool closed)
{
    for (std::uint32_t f = 0; f < m.numFaces(); ++f) {
        const std::uint32_t* i = &m.indices[f * 3];
        const V3 a = pos(m, i[0]), b = pos(m, i[1]), c = pos(m, i[2]);
        const V3 e{b[0] - a[0], b[1] - a[1], b[2] - a[2]}, g{c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        const V3 side{e[1] * g[2] - e[2] * g[1], e[2] * g[0] - e[0] * g[2], e[0] * g[1] - e[1] * g[0]};
        for (int k = 0; k < 3; ++k) {
            const auto& v = m.vertices[i[k]];
            EXPECT_GT(dot(side, {v.nx, v.ny, v.nz}), 0.0) << "face " << f;
        }
        EXPECT_TRUE(!closed || dot(side, {a[0] + b[0] + c[0], a[1] + b[1] + c[1], a[2] + b[2] + c[2]}) > 0)
            << "face " << f << " faces inwards";
    }
}

const librarygen::SheetView& sheet()
{
    static const librarygen::SheetView view(kLibrary);
    return view;
}

Colour at(double x, double z)
{
    const auto c = sheet().floorColour(x, z);
    EXPECT_TRUE(c.has_value()) << "no floor at " << x << ", " << z;
    return c.value_or(Colour{0, 0, 0});
}
bool isRed(const Colour& c) { return c[0] > 150 && c[1] < 90 && c[2] < 90; }
bool isBlue(const Colour& c) { return c[2] > 150 && c[0] < 90; }
bool isDark(const Colour& c) { return std::max({c[0], c[1], c[2]}) < 100; }

// The run of samples along z (at fixed x) within [from, to] for which `test` holds is centred on `where`.
void expectBandAt(double x, double from, double to, bool (*test)(const Colour&), double where, double within)
{
    std::optional<double> first, last;
    for (double z = from; z <= to; z += 0.005)
        if (test(at(x, z))) {
            first = first.value_or(z);
            last = z;
        }
    ASSERT_TRUE(first.has_value()) << "no band near " << where << " at x " << x;
    EXPECT_NEAR((*first + *last) / 2, where, within) << "at x " << x;
}

} // namespace

// What the build's run of the generator wrote is what a fresh run makes.
TEST(LibraryFiles, TheBuildWroteTheSameBytesAsAFreshRunAndTheBitmapsLoadWithoutAccidentalKey)
{
    ASSERT_EQ(library().size(), 12u);
    for (const auto& [name, bytes] : library()) {
        std::ifstream in(kLibrary / name, std::ios::binary);
        EXPECT_EQ(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}), bytes) << name;
    }

    // The bitmaps load with power-of-two sizes and no texel keyed away by accident.
    for (const char* name : {"Tex_Ice.bmp", "Tex_House.bmp", "Tex_Wall.bmp", "Tex_Side.bmp", "Tex_Line.bmp",
                             "Tex_Center.bmp", "Tex_LineSide.bmp", "Tex_Bar.bmp"}) {
        const TextureImage t = texture(name);
        EXPECT_EQ(std::popcount(unsigned(t.width())) + std::popcount(unsigned(t.height())), 2) << name;
        for (std::size_t i = 3; i < t.levels.front().rgba.size(); i += 4)
            ASSERT_NE(t.levels.front().rgba[i], 0) << name << " has pure black texels";
    }
    const std::vector<std::uint8_t> ice = texture("Tex_Ice.bmp").levels.front().rgba;
    EXPECT_GT(ice[0] + ice[1] + ice[2], 600); // pale: the status band borrows it
}

// The floor a unit square facing up with the whole texture on it, the box a unit cube, the stone a
// closed body filling the unit cylinder the game squashes to stone size, with a handle standing on it.
TEST(LibraryMeshes, FloorIsAUnitSquareBoxAUnitCubeAndTheStoneAClosedBodyWithAHandle)
{
    const MeshData floor = mesh("Mesh_Floor.x");
    EXPECT_EQ(floor.numFaces(), 2u);
    for (const auto& v : floor.vertices) {
        EXPECT_EQ((std::array{v.py, std::abs(v.px), std::abs(v.pz), v.nx, v.ny, v.nz}),
            (std::array<float, 6>{0, 0.5f, 0.5f, 0, 1, 0}));
        EXPECT_EQ((std::array{v.u, v.v}), (std::array{v.px + 0.5f, 0.5f - v.pz})) << "top towards +z";
    }
    expectOutwardWinding(floor, false);

    const MeshData box = mesh("Mesh_Box.x");
    EXPECT_EQ((std::array{box.numVertices(), box.numFaces()}), (std::array<std::uint32_t, 2>{24, 12}));
    for (const auto& v : box.vertices)
        EXPECT_EQ(std::max({std::abs(v.px), std::abs(v.py), std::abs(v.pz)}), 0.5f);
    expectOutwardWinding(box, true);

    const MeshData m = mesh("Mesh_Pipe.x");
    expectOutwardWinding(m, false);
    // Closed: every edge, matched by position, is shared by one face running each way along it.
    std::map<std::pair<V3, V3>, int> edges;
    for (std::uint32_t f = 0; f < m.numFaces(); ++f)
        for (int c = 0; c < 3; ++c)
            ++edges[{pos(m, m.indices[f * 3 + c]), pos(m, m.indices[f * 3 + (c + 1) % 3])}];
    for (const auto& [edge, count] : edges) {
        const auto back = edges.find({edge.second, edge.first});
        EXPECT_TRUE(count == 1 && back != edges.end() && back->second == 1) << "open or doubled edge";
    }
    double widest = 0, lowest = 1, highest = -1, bodyTop = -1;
    for (const auto& v : m.vertices) {
        const double r = std::hypot(v.px, v.pz);
        widest = std::max(widest, r);
        lowest = std::min(lowest, double(v.py));
        highest = std::max(highest, double(v.py));
        bodyTop = r > 0.45 ? std::max(bodyTop, double(v.py)) : bodyTop;
    }
    EXPECT_NEAR(widest, 0.5, 1e-6) << "drawn as wide as the stone that collides";
    EXPECT_NEAR(lowest, -0.5, 1e-6);
    EXPECT_TRUE(highest > 0.4 && highest <= 0.5 + 1e-6) << "the handle reaches near the top";
    EXPECT_LT(bodyTop, highest - 0.15) << "the handle stands clear of the body";
}

// Where the lines lie matters to the rules; the golden pictures pin how the rest looks.
TEST(LaidOutSheet, FloorHasNoGapsLinesLieWhereTheRulesPutThemTheDrawnOuterRingCountsAndWallsFaceIn)
{
    for (double z = -0.45; z < 39.5; z += 0.25)
        for (double x = -0.45; x < 6.5; x += 0.25)
            ASSERT_TRUE(sheet().floorColour(x, z).has_value()) << x << ", " << z;
    EXPECT_FALSE(sheet().floorColour(-0.6, 10).has_value());
    EXPECT_FALSE(sheet().floorColour(3, 39.6).has_value());
    for (const double x : {0.0, 2.0, 5.0}) {
        expectBandAt(x, 29, 33, isRed, 31.5, 0.03);
        expectBandAt(x, 6, 10, isRed, 7.5, 0.03);
    }
    // The tee line runs across the house and on across the side strips; the back line touches the
    // house's twelve-foot ring.
    for (const double tee : {3.0, 36.0})
        for (const double x : {-0.2, 1.0, 4.2, 6.2})
            expectBandAt(x, tee - 0.1, tee + 0.1, isDark, tee, 0.02);
    expectBandAt(1.0, 0.5, 1.0, isDark, 3 - librarygen::markings::kTwelveFootRadius, 0.05);
    expectBandAt(1.0, 38.0, 38.5, isDark, 36 + librarygen::markings::kTwelveFootRadius, 0.05);

    // What the match counts is what the player sees: the painted outer ring of the far house ends
    // where the rules' ring ends, and a stone whose edge reaches over the paint counts.
    for (const double degrees : {30.0, 120.0, 210.0, 300.0}) {
        const double dx = std::cos(degrees * M_PI / 180), dz = std::sin(degrees * M_PI / 180);
        double lastBlue = 0;
        for (double r = 1.8; r < 2.6; r += 0.002)
            lastBlue = isBlue(at(house::ButtonX + r * dx, house::ButtonZ + r * dz)) ? r : lastBlue;
        EXPECT_NEAR(lastBlue, house::TwelveFootRadius, 0.02) << degrees << " degrees";
        for (const double past : {-0.01, 0.01}) {
            StoneRec stone;
            stone.InPlay = -1;
            const double r = lastBlue + house::StoneRadius + past;
            stone.Pos = {float(house::ButtonX + r * dx), 0.5f, float(house::ButtonZ + r * dz)};
            EXPECT_EQ(match::touchesHouse(stone), past < 0) << degrees << " degrees, " << past;
        }
    }

    // The walls face the sheet and are seen through from outside.
    const auto pieces = librarygen::sheetPieces();
    for (const librarygen::Vec3d d : {librarygen::Vec3d{-1, 0, 0}, {1, 0, 0}, {0, 0, -1}, {0, 0, 1}}) {
        const auto hit = sheet().cast({3, 0.5, 19.5}, d);
        ASSERT_TRUE(hit.has_value());
        EXPECT_EQ(pieces[std::size_t(hit->pieceIndex)].textureSlot, 2);
        EXPECT_LT(dot(hit->normal, d), -0.99) << "wall does not face the sheet";
        // From beyond the wall, looking back in, the panel is culled and the ray reaches the floor.
        const auto back
            = sheet().cast({hit->point[0] + d[0], 0.9, hit->point[2] + d[2]}, {-d[0], -0.2, -d[2]});
        ASSERT_TRUE(back.has_value());
        EXPECT_NE(pieces[std::size_t(back->pieceIndex)].textureSlot, 2);
    }
}
