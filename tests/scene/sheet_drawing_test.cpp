// The 3D scene on the null device: the sheet's pieces, their order and textures, and the stones.

#include "scene_fixture.h"

#include "engine/d3dx_math.h"

#include <cmath>
#include <map>

namespace scenetest {
namespace {

using engine::d3dx::transformCoord;

// One draw of the floor mesh per piece: the first subset's records stand for their piece.
std::vector<gfx::SubsetDrawRecord> pieces(const std::vector<gfx::SubsetDrawRecord>& draws)
{
    std::vector<gfx::SubsetDrawRecord> out;
    if (draws.empty())
        return out;
    const std::uint32_t first = draws.front().attribId;
    for (const auto& r : draws)
        if (r.attribId == first)
            out.push_back(r);
    return out;
}

// The corners of the unit floor square as a piece's transform places them.
struct Box {
    float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f, minZ = 1e9f, maxZ = -1e9f;
};

Box placedSquare(const D3DMATRIX& world)
{
    Box b;
    for (float x : {-0.5f, 0.5f})
        for (float z : {-0.5f, 0.5f}) {
            const D3DVECTOR p = transformCoord({x, 0, z}, world);
            b.minX = std::min(b.minX, p.x), b.maxX = std::max(b.maxX, p.x);
            b.minY = std::min(b.minY, p.y), b.maxY = std::max(b.maxY, p.y);
            b.minZ = std::min(b.minZ, p.z), b.maxZ = std::max(b.maxZ, p.z);
        }
    return b;
}

constexpr float Eps = 1e-4f;

class SheetDrawing : public SceneTest {
protected:
    // The pieces of the empty sheet's first frame.
    std::vector<gfx::SubsetDrawRecord> sheetPieces()
    {
        start();
        frame();
        auto p = pieces(drawsOf(floor));
        EXPECT_EQ(p.size(), 111u);
        p.resize(111);
        return p;
    }
};

TEST_F(SheetDrawing, EmptySheetIs111FloorDrawsAndCountersMatch)
{
    sheetPieces();
    const auto floorDraws = drawsOf(floor);
    EXPECT_EQ(floorDraws.size(), device->subsetDraws().size()) << "nothing but the floor mesh is drawn";
    EXPECT_TRUE(drawsOf(pipe).empty());
    EXPECT_EQ(field->engine().getNumDrawVertex(), std::int32_t(111 * floor.numVertices()));
    EXPECT_EQ(field->engine().getNumDrawFace(), std::int32_t(111 * floor.numFaces()));
    // A second frame counts afresh.
    frame();
    EXPECT_EQ(field->engine().getNumDrawVertex(), std::int32_t(111 * floor.numVertices()));
}

TEST_F(SheetDrawing, TexturesFollowTheSheetOrder)
{
    const auto p = sheetPieces();
    std::vector<std::pair<int, int>> runs; // (slot, pieces drawn with it)
    for (const auto& r : p) {
        const int slot = slotOf(r.texture);
        if (runs.empty() || runs.back().first != slot)
            runs.push_back({slot, 0});
        ++runs.back().second;
    }
    const std::vector<std::pair<int, int>> expected{{2, 94}, {1, 2}, {3, 4}, {4, 2}, {6, 4}, {5, 1}, {0, 4}};
    EXPECT_EQ(runs, expected);
}

TEST_F(SheetDrawing, WallsStandOnTheEdgesInPairs)
{
    const auto p = sheetPieces();
    for (int i = 0; i < 94; ++i) {
        const Box b = placedSquare(p[i].world);
        EXPECT_NEAR(b.minY, 0, Eps) << "panel " << i;
        EXPECT_NEAR(b.maxY, 1, Eps) << "panel " << i;
    }
    // The long walls: left then right for each z, from the thrower's end on.
    for (int i = 0; i < 40; ++i) {
        const Box left = placedSquare(p[2 * i].world);
        const Box right = placedSquare(p[2 * i + 1].world);
        EXPECT_NEAR(left.minX, -0.5f, Eps);
        EXPECT_NEAR(left.maxX, -0.5f, Eps);
        EXPECT_NEAR(right.minX, 6.5f, Eps);
        EXPECT_NEAR((left.minZ + left.maxZ) / 2, float(i), Eps);
        EXPECT_NEAR((right.minZ + right.maxZ) / 2, float(i), Eps);
    }
    // The ends: near then far for x 1..5, then the corner panels at x 0 and 6.
    const float endX[] = {1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 0, 0, 6, 6};
    for (int k = 0; k < 14; ++k) {
        const Box b = placedSquare(p[80 + k].world);
        const float wantZ = k % 2 == 0 ? -0.5f : 39.5f;
        EXPECT_NEAR(b.minZ, wantZ, Eps) << "end panel " << k;
        EXPECT_NEAR(b.maxZ, wantZ, Eps) << "end panel " << k;
        EXPECT_NEAR((b.minX + b.maxX) / 2, endX[k], Eps) << "end panel " << k;
    }
}

// The 17 floor pieces cover the sheet from x -0.5 to 6.5 and z -0.5 to 39.5 once, without gaps.
TEST_F(SheetDrawing, FloorTilesTheSheetExactlyOnceWithTheFarHalfTurned)
{
    const auto p = sheetPieces();
    std::vector<Box> floorBoxes;
    std::vector<int> pieceSlots;
    for (std::size_t i = 94; i < p.size(); ++i) {
        const Box b = placedSquare(p[i].world);
        EXPECT_NEAR(b.minY, 0, Eps);
        EXPECT_NEAR(b.maxY, 0, Eps);
        floorBoxes.push_back(b);
        pieceSlots.push_back(slotOf(p[i].texture));
    }
    const auto slotAt = [&](float x, float z) {
        int hits = 0, slot = -1;
        for (std::size_t i = 0; i < floorBoxes.size(); ++i) {
            const Box& b = floorBoxes[i];
            if (x > b.minX && x < b.maxX && z > b.minZ && z < b.maxZ)
                ++hits, slot = pieceSlots[i];
        }
        return hits == 1 ? slot : -10 - hits;
    };
    for (float x = -0.25f; x < 6.5f; x += 0.5f)
        for (float z = -0.25f; z < 39.5f; z += 0.5f)
            EXPECT_GE(slotAt(x, z), 0) << "at x " << x << " z " << z;
    EXPECT_EQ(slotAt(3, 3), 1);      // near house
    EXPECT_EQ(slotAt(3, 36), 1);     // far house
    EXPECT_EQ(slotAt(0, 3), 3);      // beside a house
    EXPECT_EQ(slotAt(3, 8), 4);      // line square
    EXPECT_EQ(slotAt(6, 31), 6);     // beside the far line square
    EXPECT_EQ(slotAt(3, 19.5f), 5);  // centre strip
    EXPECT_EQ(slotAt(0, 19.5f), 0);  // plain ice beside it
    EXPECT_EQ(slotAt(6.2f, 0), 0);   // the near end strip
    EXPECT_EQ(slotAt(-0.2f, 39), 0); // the far end strip

    // The far house is turned half a turn: its texture's top-left corner lands at the far right.
    const D3DVECTOR nearCorner = transformCoord({-0.5f, 0, -0.5f}, p[94].world);
    const D3DVECTOR farCorner = transformCoord({-0.5f, 0, -0.5f}, p[95].world);
    EXPECT_NEAR(nearCorner.x, 0.5f, Eps);
    EXPECT_NEAR(nearCorner.z, 0.5f, Eps);
    EXPECT_NEAR(farCorner.x, 5.5f, Eps);
    EXPECT_NEAR(farCorner.z, 38.5f, Eps);
}

class StoneDrawing : public StartedScene {};

TEST_F(StoneDrawing, OnePipePerStoneZeroToFifteenWithInPlayMinusOne)
{
    placeStone(3, 2, 20, 1);  // true-ish but not -1
    placeStone(16, 3, 20);    // the spare record
    placeStone(7, 4, 20, 0);
    frame();
    EXPECT_TRUE(drawsOf(pipe).empty());
    placeStone(0, 2, 20);
    placeStone(7, 4, 25);
    placeStone(15, 3, 35);
    frame();
    EXPECT_EQ(pieces(drawsOf(pipe)).size(), 3u);
    EXPECT_EQ(field->engine().getNumDrawVertex(), std::int32_t(111 * floor.numVertices() + 3 * pipe.numVertices()));
    EXPECT_EQ(field->engine().getNumDrawFace(), std::int32_t(111 * floor.numFaces() + 3 * pipe.numFaces()));
}

TEST_F(StoneDrawing, PlacementHeightScaleRotationAndTexture)
{
    placeStone(4, 2.5f, 39.8f, -1, 90); // beyond the far wall: drawing never tests positions
    // Keep it in play through this frame's step: a moving stone past z 40 would leave.
    frame();
    const auto draws = pieces(drawsOf(pipe));
    ASSERT_EQ(draws.size(), 1u);
    const D3DMATRIX& w = draws[0].world;
    const D3DVECTOR centre = transformCoord({0, 0, 0}, w);
    EXPECT_NEAR(centre.x, 2.5f, Eps);
    EXPECT_NEAR(centre.y, 0.1f, Eps) << "held stones are drawn on the ice, not at their stored 0.5";
    EXPECT_NEAR(centre.z, 39.8f, Eps);
    const D3DVECTOR top = transformCoord({0, 0.5f, 0}, w);
    EXPECT_NEAR(top.y - centre.y, 0.1f, Eps);
    // Turned a quarter about y: the mesh's +x edge ends on the z axis, 0.125 away.
    const D3DVECTOR side = transformCoord({0.5f, 0, 0}, w);
    EXPECT_NEAR(std::fabs(side.z - centre.z), 0.125f, Eps);
    EXPECT_NEAR(side.x - centre.x, 0, Eps);
    EXPECT_EQ(slotOf(draws[0].texture), 2);
}

// The last material set is the sheet's white when no stone is in play, else the last stone's.
TEST_F(StoneDrawing, WhiteSheetEvenStonesRedOddStonesYellow)
{
    const auto diffuse = [&] {
        const D3DCOLORVALUE d = device->state().material().Diffuse;
        return std::vector<float>{d.r, d.g, d.b, d.a};
    };
    frame();
    EXPECT_EQ(diffuse(), (std::vector<float>{1, 1, 1, 1}));
    const D3DMATERIAL8 m = device->state().material();
    EXPECT_FLOAT_EQ(m.Ambient.r, 1);
    EXPECT_FLOAT_EQ(m.Specular.r, 0);
    EXPECT_FLOAT_EQ(m.Power, 1);
    placeStone(14, 3, 30);
    frame();
    EXPECT_EQ(diffuse(), (std::vector<float>{1, 0.2f, 0.2f, 1}));
    field->Stones[14].InPlay = 0;
    placeStone(15, 3, 30);
    frame();
    EXPECT_EQ(diffuse(), (std::vector<float>{1, 1, 0.2f, 1}));
}

// Physics runs between the sheet and the stones: a stone leaving play this frame is not drawn.
TEST_F(StoneDrawing, StoneLeavingPlayThisFrameIsNotDrawn)
{
    placeStone(2, 6.45f, 20);
    field->Stones[2].Speed = 0.2f;
    field->Stones[2].Heading = 90; // straight towards the side wall
    field->Stones[2].RunState = 1;
    frame();
    EXPECT_NE(field->Stones[2].InPlay, -1);
    EXPECT_TRUE(drawsOf(pipe).empty());
}

// One physics step per frame, and the stone is drawn where that step left it.
TEST_F(StoneDrawing, OneStepPerFrameAndDrawnAfterIt)
{
    placeStone(6, 3, 10);
    field->Stones[6].Speed = 0.05f;
    field->Stones[6].RunState = 1;
    for (int i = 0; i < 3; ++i) {
        const float before = field->Stones[6].Pos.z;
        frame();
        const float after = field->Stones[6].Pos.z;
        EXPECT_NEAR(after - before, 0.05f, 0.001f) << "frame " << i;
        const auto draws = pieces(drawsOf(pipe));
        ASSERT_EQ(draws.size(), 1u);
        EXPECT_NEAR(transformCoord({0, 0, 0}, draws[0].world).z, after, Eps);
    }
}

} // namespace
} // namespace scenetest
