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
#include <set>

using platform::MeshData;
using platform::TextureImage;
using Colour = std::array<double, 3>;
using V3 = std::array<double, 3>;

namespace {

const std::filesystem::path kLibrary = RINKFALL_LIBRARY_DIR;

// Generated once for the whole suite: painting the bitmaps takes a moment under the sanitizers.
const std::vector<std::uint8_t>& generated(const std::string& name)
{
    static const auto files = [] {
        std::map<std::string, std::vector<std::uint8_t>> m;
        for (auto& f : librarygen::buildLibraryFiles())
            m[f.name] = std::move(f.bytes);
        return m;
    }();
    return files.at(name);
}

TextureImage texture(const std::string& name)
{
    const auto& bytes = generated(name);
    return platform::decodeBmpTexture(QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
}

MeshData mesh(const std::string& name)
{
    const auto& bytes = generated(name);
    return platform::parseXFile(std::string(bytes.begin(), bytes.end()));
}

std::array<int, 4> texel(const TextureImage& t, int x, int y)
{
    const auto& l = t.levels.front();
    const std::size_t at = (std::size_t(y) * l.width + x) * 4;
    return {l.rgba[at], l.rgba[at + 1], l.rgba[at + 2], l.rgba[at + 3]};
}

int brightness(const TextureImage& t, int x, int y)
{
    const auto c = texel(t, x, y);
    return c[0] + c[1] + c[2];
}

V3 pos(const MeshData& m, std::uint32_t i) { return {m.vertices[i].px, m.vertices[i].py, m.vertices[i].pz}; }
double dot(const V3& a, const V3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// (b - a) x (c - a): in a left-handed world it points at the side from which a, b, c run clockwise.
V3 clockwiseSide(const MeshData& m, std::uint32_t face)
{
    const V3 a = pos(m, m.indices[face * 3]), b = pos(m, m.indices[face * 3 + 1]), c = pos(m, m.indices[face * 3 + 2]);
    const V3 e{b[0] - a[0], b[1] - a[1], b[2] - a[2]}, f{c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    return {e[1] * f[2] - e[2] * f[1], e[2] * f[0] - e[0] * f[2], e[0] * f[1] - e[1] * f[0]};
}

// Every face is clockwise seen from where its normals point, and (for closed shapes) that is outside.
void expectOutwardWinding(const MeshData& m, bool closed)
{
    for (std::uint32_t f = 0; f < m.numFaces(); ++f) {
        const V3 side = clockwiseSide(m, f);
        V3 centroid{0, 0, 0};
        for (int c = 0; c < 3; ++c) {
            const std::uint32_t i = m.indices[f * 3 + c];
            EXPECT_GT(dot(side, {m.vertices[i].nx, m.vertices[i].ny, m.vertices[i].nz}), 0.0) << "face " << f;
            for (int k = 0; k < 3; ++k)
                centroid[k] += pos(m, i)[k] / 3;
        }
        EXPECT_TRUE(!closed || dot(side, centroid) > 0) << "face " << f << " faces inwards";
    }
}

} // namespace

TEST(LibraryFiles, TheBuildWroteTheSameBytesAsAFreshRun)
{
    const auto again = librarygen::buildLibraryFiles();
    ASSERT_EQ(again.size(), 12u);
    for (const auto& f : again) {
        EXPECT_EQ(f.bytes, generated(f.name)) << f.name << " differs between runs";
        std::ifstream in(kLibrary / f.name, std::ios::binary);
        const std::vector<std::uint8_t> written{
            std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        EXPECT_EQ(written, f.bytes) << f.name << " in " << kLibrary;
    }
}

TEST(LibraryBitmaps, AllLoadWithPowerOfTwoSizesNoAccidentalKeySharpRingsAndRampedBars)
{
    for (const char* name : {"Tex_Ice.bmp", "Tex_House.bmp", "Tex_Wall.bmp", "Tex_Side.bmp", "Tex_Line.bmp",
                             "Tex_Center.bmp", "Tex_LineSide.bmp", "Tex_Bar.bmp"}) {
        const TextureImage t = texture(name);
        EXPECT_EQ(std::popcount(unsigned(t.width())) + std::popcount(unsigned(t.height())), 2) << name;
        std::size_t transparent = 0;
        for (std::size_t i = 3; i < t.levels.front().rgba.size(); i += 4)
            transparent += t.levels.front().rgba[i] == 0;
        EXPECT_EQ(transparent, 0u) << name << " has pure black texels";
    }
    EXPECT_GT(brightness(texture("Tex_Ice.bmp"), 0, 0), 600); // pale: the status band borrows it

    // Far away the rings are drawn from the smaller mip levels: down to 64 texels across, the step
    // from the blue ring to the white one still happens within a texel or two, not washed over several.
    const TextureImage house = texture("Tex_House.bmp");
    for (std::size_t level = 0; level < house.levels.size() && house.levels[level].width >= 64; ++level) {
        const auto& l = house.levels[level];
        const int y = l.height / 2 - std::max(1, l.height / 64); // just off the tee line
        int steepest = 0;
        for (int x = 0; x + 1 < l.width / 2; ++x) {
            const int red = l.rgba[(std::size_t(y) * l.width + x) * 4];
            const int next = l.rgba[(std::size_t(y) * l.width + x + 1) * 4];
            steepest = std::max(steepest, std::abs(next - red));
        }
        // Blue paint has red 38, white 247: well over half of that in one step.
        EXPECT_GT(steepest, 120) << "level " << level << " (" << l.width << " texels)";
    }

    // The bars are ramps across their two hundred texels.
    const TextureImage t = texture("Tex_Bar.bmp");
    ASSERT_GE(t.width(), 200);
    ASSERT_GE(t.height(), 8);
    for (int row : {1, 2}) { // spin: brighter towards both ends
        EXPECT_GT(brightness(t, 10, row), brightness(t, 50, row));
        EXPECT_GT(brightness(t, 50, row), brightness(t, 90, row));
        EXPECT_GT(brightness(t, 189, row), brightness(t, 150, row));
        EXPECT_GT(brightness(t, 150, row), brightness(t, 110, row));
    }
    for (int row : {5, 6}) // power: brighter towards 2, in every channel the sprite tint keeps
        for (int x = 1; x + 10 < 199; x += 10)
            for (int c = 0; c < 3 && (x + 10 < 99 || x > 100); ++c)
                EXPECT_LT(texel(t, x, row)[c], texel(t, x + 10, row)[c]) << x;
}

TEST(LibraryMeshes, FloorIsAUnitSquareBoxAUnitCubeAndTheStoneAClosedRoundedBodyWithAHandle)
{
    const MeshData floor = mesh("Mesh_Floor.x");
    EXPECT_EQ(floor.numFaces(), 2u);
    for (const auto& v : floor.vertices) {
        EXPECT_EQ((std::array<float, 3>{v.py, std::abs(v.px), std::abs(v.pz)}),
            (std::array<float, 3>{0, 0.5f, 0.5f}));
        EXPECT_EQ((std::array<float, 3>{v.nx, v.ny, v.nz}), (std::array<float, 3>{0, 1, 0}));
        // Whole texture, top towards +z, left towards -x.
        EXPECT_FLOAT_EQ(v.u, v.px + 0.5f);
        EXPECT_FLOAT_EQ(v.v, 0.5f - v.pz);
    }
    expectOutwardWinding(floor, false);

    const MeshData box = mesh("Mesh_Box.x");
    EXPECT_EQ(box.numVertices(), 24u);
    EXPECT_EQ(box.numFaces(), 12u);
    std::set<std::array<float, 3>> normals;
    for (const auto& v : box.vertices) {
        EXPECT_EQ(std::max({std::abs(v.px), std::abs(v.py), std::abs(v.pz)}), 0.5f);
        normals.insert({v.nx, v.ny, v.nz});
    }
    EXPECT_EQ(normals.size(), 6u);
    expectOutwardWinding(box, true);

    // The stone: a closed body that fills the unit cylinder the game squashes to stone size, within
    // a few hundred faces, lit smoothly round its edges, with a handle standing on it.
    const MeshData m = mesh("Mesh_Pipe.x");
    EXPECT_GE(m.numFaces(), 150u);
    EXPECT_LE(m.numFaces(), 400u);
    expectOutwardWinding(m, false);

    // Closed: every edge, matched by position, is shared by one face running each way along it.
    std::map<std::pair<V3, V3>, int> edges;
    for (std::uint32_t f = 0; f < m.numFaces(); ++f)
        for (int c = 0; c < 3; ++c) {
            const V3 a = pos(m, m.indices[f * 3 + c]), b = pos(m, m.indices[f * 3 + (c + 1) % 3]);
            ++edges[{a, b}];
        }
    for (const auto& [edge, count] : edges) {
        EXPECT_EQ(count, 1) << "edge used twice the same way";
        const auto back = edges.find({edge.second, edge.first});
        EXPECT_TRUE(back != edges.end() && back->second == 1) << "open edge";
    }

    double widest = 0, lowest = 1, highest = -1, bodyTop = -1;
    for (const auto& v : m.vertices) {
        const double r = std::hypot(v.px, v.pz);
        EXPECT_LE(r, 0.5 + 1e-6);
        widest = std::max(widest, r);
        lowest = std::min(lowest, double(v.py));
        highest = std::max(highest, double(v.py));
        if (r > 0.45)
            bodyTop = std::max(bodyTop, double(v.py));
        EXPECT_NEAR(std::sqrt(v.nx * v.nx + v.ny * v.ny + v.nz * v.nz), 1.0, 1e-4);
    }
    EXPECT_NEAR(widest, 0.5, 1e-6) << "drawn as wide as the stone that collides";
    EXPECT_NEAR(lowest, -0.5, 1e-6);
    EXPECT_GT(highest, 0.4) << "the handle reaches near the top";
    EXPECT_LE(highest, 0.5 + 1e-6);
    EXPECT_LT(bodyTop, highest - 0.15) << "the handle stands clear of the body";

    // Round edges: where the body is round, a vertex's normal stays close to every face it touches,
    // so the light runs smoothly over the edge instead of in facets. On the body, normals point
    // away from the axis or along it, never inwards.
    for (std::uint32_t f = 0; f < m.numFaces(); ++f) {
        V3 n = clockwiseSide(m, f);
        const double len = std::sqrt(dot(n, n));
        for (int k = 0; k < 3; ++k)
            n[k] /= len;
        for (int c = 0; c < 3; ++c) {
            const auto& v = m.vertices[m.indices[f * 3 + c]];
            EXPECT_GT(dot(n, {v.nx, v.ny, v.nz}), std::cos(25 * M_PI / 180)) << "face " << f;
            if (std::hypot(v.px, v.pz) > 0.2)
                EXPECT_GE(v.px * v.nx + v.pz * v.nz, -1e-6) << "face " << f;
        }
    }
}

class LaidOutSheet : public ::testing::Test {
protected:
    static void SetUpTestSuite() { sheet_ = std::make_unique<librarygen::SheetView>(kLibrary); }
    static void TearDownTestSuite() { sheet_.reset(); }

    static Colour at(double x, double z)
    {
        const auto c = sheet_->floorColour(x, z);
        EXPECT_TRUE(c.has_value()) << "no floor at " << x << ", " << z;
        return c.value_or(Colour{0, 0, 0});
    }
    static bool isRed(const Colour& c) { return c[0] > 150 && c[1] < 90 && c[2] < 90; }
    static bool isBlue(const Colour& c) { return c[2] > 150 && c[0] < 90; }
    static bool isDark(const Colour& c) { return std::max({c[0], c[1], c[2]}) < 100; }
    static bool isIce(const Colour& c) { return c[0] > 200 && c[1] > 210 && c[2] > 220; }

    // Centre of the run of samples along z (at fixed x) for which `test` holds, within [from, to].
    static std::optional<double> bandCentre(double x, double from, double to, bool (*test)(const Colour&))
    {
        std::optional<double> first, last;
        for (double z = from; z <= to; z += 0.005)
            if (test(at(x, z))) {
                first = first.value_or(z);
                last = z;
            }
        if (!first)
            return std::nullopt;
        return (*first + *last) / 2;
    }
    static void expectBandAt(double x, double from, double to, bool (*test)(const Colour&), double where,
                             double tolerance)
    {
        const auto centre = bandCentre(x, from, to, test);
        ASSERT_TRUE(centre.has_value()) << "no band near " << where << " at x " << x;
        EXPECT_NEAR(*centre, where, tolerance) << "at x " << x;
    }

    static inline std::unique_ptr<librarygen::SheetView> sheet_;
};

TEST_F(LaidOutSheet, FloorCoversTheSheetWithoutGapsHogLinesLieAtSevenAndAHalfAndHousesOnTheirTees)
{
    for (double z = -0.45; z < 39.5; z += 0.25)
        for (double x = -0.45; x < 6.5; x += 0.25)
            ASSERT_TRUE(sheet_->floorColour(x, z).has_value()) << x << ", " << z;
    EXPECT_FALSE(sheet_->floorColour(-0.6, 10).has_value());
    EXPECT_FALSE(sheet_->floorColour(3, 39.6).has_value());
    // The centre line runs down the middle, ice either side.
    for (const double z : {2.0, 7.0, 12.0, 19.5, 27.0, 33.0, 37.0}) {
        EXPECT_TRUE(isDark(at(3.0, z))) << "z " << z;
        EXPECT_FALSE(isDark(at(3.1, z + 0.3))) << "z " << z;
    }
    EXPECT_TRUE(isIce(at(1.5, 19.5)));
    EXPECT_TRUE(isIce(at(0.0, 19.5)));
    for (const double x : {0.0, 2.0, 5.0}) {
        expectBandAt(x, 29, 33, isRed, 31.5, 0.03);
        expectBandAt(x, 6, 10, isRed, 7.5, 0.03);
    }

    // The houses are centred on their tees.
    for (const double tee : {3.0, 36.0}) {
        EXPECT_FALSE(isRed(at(3.1, tee + 0.1))) << "button at " << tee;
        EXPECT_TRUE(isRed(at(3.5, tee + 0.1))) << "four-foot at " << tee;
        EXPECT_TRUE(isRed(at(3.05, tee - 0.5)));
        const auto eightFoot = at(4.0, tee + 0.3);
        EXPECT_GT(std::min({eightFoot[0], eightFoot[1], eightFoot[2]}), 235.0) << "eight-foot is white";
        EXPECT_TRUE(isBlue(at(3 + 2.0, tee + 0.2))) << "twelve-foot at " << tee;
        EXPECT_TRUE(isBlue(at(3 - 0.3, tee - 2.0)));
        EXPECT_TRUE(isBlue(at(3 + 0.3, tee + 2.0)));
        EXPECT_TRUE(isIce(at(3 + 2.45, tee + 2.45)));
        // The tee line runs across the house and on across the side strips.
        for (const double x : {-0.2, 1.0, 4.2, 6.2})
            expectBandAt(x, tee - 0.1, tee + 0.1, isDark, tee, 0.02);
    }
    // The back lines lie behind each house, touching its twelve-foot ring.
    expectBandAt(1.0, 0.5, 1.0, isDark, 3 - librarygen::markings::kTwelveFootRadius, 0.05);
    expectBandAt(1.0, 38.0, 38.5, isDark, 36 + librarygen::markings::kTwelveFootRadius, 0.05);
}

// What the match counts is what the player sees: the painted outer ring of the far house ends
// where the rules' ring ends, and a stone whose edge reaches over the paint counts.
TEST_F(LaidOutSheet, DrawnOuterRingIsTheCountedOneAndWallsFaceTheSheet)
{
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
        const auto hit = sheet_->cast({3, 0.5, 19.5}, d);
        ASSERT_TRUE(hit.has_value());
        EXPECT_EQ(pieces[std::size_t(hit->pieceIndex)].textureSlot, 2);
        EXPECT_LT(dot(hit->normal, d), -0.99) << "wall does not face the sheet";
        // From beyond the wall, looking back in, the panel is culled and the ray reaches the floor.
        const auto back
            = sheet_->cast({hit->point[0] + d[0], 0.9, hit->point[2] + d[2]}, {-d[0], -0.2, -d[2]});
        ASSERT_TRUE(back.has_value());
        EXPECT_NE(pieces[std::size_t(back->pieceIndex)].textureSlot, 2);
    }
}
