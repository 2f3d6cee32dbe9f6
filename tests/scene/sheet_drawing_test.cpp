// The 3D scene on the null device: the sheet's pieces and their textures, and the stones; and a
// game whose Library is damaged.

#include "scene_fixture.h"

#include "engine/d3dx_math.h"
#include "game/game_run.h"

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>

namespace scenetest {
namespace {

namespace fs = std::filesystem;
using engine::d3dx::transformCoord;


// One draw of a mesh per piece: the first subset's records stand for their piece.
std::vector<gfx::SubsetDrawRecord> pieces(std::vector<gfx::SubsetDrawRecord> draws)
{
    if (!draws.empty())
        std::erase_if(draws, [id = draws.front().attribId](const auto& r) { return r.attribId != id; });
    return draws;
}

using SheetDrawing = SceneTest;

// The empty sheet is nothing but 111 draws of the floor mesh, each texture bound for its run of
// pieces: 94 wall panels, then 17 floor pieces. The golden pictures show where each piece lies.
TEST_F(SheetDrawing, EmptySheetPiecesAndTheirTextures)
{
    frame();
    EXPECT_TRUE(device->state().lightEnabled(0) && device->state().lightEnabled(1)) << "both lights on";
    EXPECT_EQ(drawsOf(floor).size(), device->subsetDraws().size());
    const auto p = pieces(drawsOf(floor));
    ASSERT_EQ(p.size(), 111u);
    std::vector<std::pair<int, int>> runs; // (slot, pieces drawn with it)
    for (const auto& r : p) {
        if (runs.empty() || runs.back().first != slotOf(r.texture))
            runs.push_back({slotOf(r.texture), 0});
        ++runs.back().second;
    }
    EXPECT_EQ(runs, (std::vector<std::pair<int, int>>{{2, 94}, {1, 2}, {3, 4}, {4, 2}, {6, 4}, {5, 1}, {0, 4}}));
}

using StoneDrawing = SceneTest;

// Stones 0 to 15 with InPlay -1 are drawn, one pipe each. The last material set is the sheet's white
// when none is, else the last stone's: red for even numbers, yellow for odd.
TEST_F(StoneDrawing, InPlayStonesDrawnOnceEachInTheirColour)
{
    const auto diffuse = [&] {
        const D3DCOLORVALUE d = device->state().material().Diffuse;
        return std::vector<float>{d.r, d.g, d.b, d.a};
    };
    placeStone(3, 2, 20, 1); // true-ish but not -1
    placeStone(16, 3, 20);   // the spare record
    placeStone(7, 4, 20, 0);
    frame();
    EXPECT_TRUE(drawsOf(pipe).empty());
    EXPECT_EQ(diffuse(), (std::vector<float>{1, 1, 1, 1}));

    placeStone(0, 2, 20);
    placeStone(7, 4, 25);
    placeStone(14, 3, 35);
    frame();
    EXPECT_EQ(pieces(drawsOf(pipe)).size(), 3u);
    EXPECT_EQ(field->engine().getNumDrawVertex(), int(111 * floor.numVertices() + 3 * pipe.numVertices()));
    EXPECT_EQ(field->engine().getNumDrawFace(), int(111 * floor.numFaces() + 3 * pipe.numFaces()));
    EXPECT_EQ(diffuse(), (std::vector<float>{1, 0.2f, 0.2f, 1}));
    // The stones are drawn squashed: lit with unit normals, or they wash out. The sheet as it is.
    for (const auto& draw : device->subsetDraws())
        EXPECT_EQ(draw.normalizeNormals, draw.meshVertices == pipe.numVertices());
    field->Stones[14].InPlay = 0;
    frame();
    EXPECT_EQ(diffuse(), (std::vector<float>{1, 1, 0.2f, 1}));
}

// Physics runs between the sheet and the stones, one step a frame: a stone is drawn where that step
// left it, and one leaving play in it is not drawn.
TEST_F(StoneDrawing, DrawnAfterThePhysicsStepOfTheFrame)
{
    placeStone(6, 3, 10);
    field->Stones[6].Speed = 0.05f;
    field->Stones[6].RunState = 1;
    placeStone(2, 6.45f, 20);
    field->Stones[2].Speed = 0.2f;
    field->Stones[2].Heading = 90; // straight towards the side wall
    field->Stones[2].RunState = 1;
    for (int i = 0; i < 3; ++i) {
        const float before = field->Stones[6].Pos.z;
        frame();
        const float after = field->Stones[6].Pos.z;
        EXPECT_NE(field->Stones[2].InPlay, -1);
        EXPECT_NEAR(after - before, 0.05f, 0.001f) << "frame " << i;
        const auto draws = pieces(drawsOf(pipe));
        ASSERT_EQ(draws.size(), 1u);
        EXPECT_NEAR(transformCoord({0, 0, 0}, draws[0].world).z, after, 1e-4);
    }
}

// Headless practice games of one frame on a copy of the generated Library, as the program runs
// them: the intact copy runs, and a missing or corrupt file (its head kept, the rest noise) ends the
// game with the Unfound error naming it with the system's separators.
TEST(DamagedLibrary, AMissingOrCorruptFileEndsTheGameWithAnError)
{
    QTemporaryDir dir;
    const fs::path library = dir.path().toStdString() + "/Library";
    fs::copy(testsupport::programDir() + "/Library", library, fs::copy_options::recursive);
    GameRunOptions o;
    o.startsGame = o.headless = true;
    o.seed = 1;
    o.frames = 1;
    o.libraryDir = dir.path();
    ASSERT_EQ(runGame(o), 0) << "the intact copy runs";
    for (const auto& [name, corrupt] :
         {std::pair{"Mesh_Box.x", false}, {"Tex_House.bmp", true}, {"Mesh_Floor.x", true}}) {
        const fs::path file = library / name, aside = library / (std::string(name) + ".good");
        fs::rename(file, aside);
        if (corrupt) {
            std::string head(40, '\0');
            std::ifstream(aside, std::ios::binary).read(head.data(), 40);
            std::ofstream(file, std::ios::binary) << head << "\x01\xff garbage {{{ ;;; 1e999";
        }
        testing::internal::CaptureStderr();
        EXPECT_NE(runGame(o), 0) << name;
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find("Unfound"), std::string::npos) << name << ": " << said;
        EXPECT_NE(said.find(file.string()), std::string::npos) << said;
        EXPECT_EQ(said.find('\\'), std::string::npos) << said;
        fs::rename(aside, file);
    }
}

} // namespace
} // namespace scenetest
