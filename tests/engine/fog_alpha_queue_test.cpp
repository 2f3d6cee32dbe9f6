// Vertex fog states and the queue of transparent meshes.

#include "engine_harness.h"

#include "engine/q_mat.h"
#include "engine/q_mesh.h"
#include "engine/q_tex.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

using enginetest::Harness;
using RenderStates = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

namespace {

std::uint32_t bitsOf(float f)
{
    std::uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

// ---------------------------------------------------------------------------------------------
// Fog

struct Fog : ::testing::Test {
    Harness h;
    void SetUp() override
    {
        h.init();
        h.device().renderStateLog.clear();
    }
    const RenderStates& log() { return h.device().renderStateLog; }
    RenderStates common(std::uint32_t colour)
    {
        return {{d3d::RS_FOGENABLE, 1}, {d3d::RS_RANGEFOGENABLE, 0}, {d3d::RS_FOGCOLOR, colour},
                {d3d::RS_FOGTABLEMODE, d3d::FOG_NONE}};
    }
};

TEST_F(Fog, ExpModesSetTheirDensity)
{
    h.qrn->setFog(QRN::True, "Exp", 0x80, 0x90, 0xA0, 0.05f, 100);
    RenderStates expected = common(0xFF8090A0u);
    expected.insert(expected.end(), {{d3d::RS_FOGVERTEXMODE, d3d::FOG_EXP}, {d3d::RS_FOGDENSITY, bitsOf(0.05f)}});
    EXPECT_EQ(log(), expected);

    h.device().renderStateLog.clear();
    h.qrn->setFog(QRN::True, "Exp2", 0, 0, 0, 0.25f, 0);
    expected = common(0xFF000000u);
    expected.insert(expected.end(), {{d3d::RS_FOGVERTEXMODE, d3d::FOG_EXP2}, {d3d::RS_FOGDENSITY, bitsOf(0.25f)}});
    EXPECT_EQ(log(), expected);
}

TEST_F(Fog, LinearSetsStartThenEnd)
{
    h.qrn->setFog(QRN::True, "Linear", 255, 255, 255, 10, 80.5f);
    RenderStates expected = common(0xFFFFFFFFu);
    expected.insert(expected.end(), {{d3d::RS_FOGVERTEXMODE, d3d::FOG_LINEAR},
                                     {d3d::RS_FOGSTART, bitsOf(10.0f)},
                                     {d3d::RS_FOGEND, bitsOf(80.5f)}});
    EXPECT_EQ(log(), expected);
    EXPECT_EQ(h.device().inner.state().renderStateFloat(d3d::RS_FOGEND), 80.5f);
}

TEST_F(Fog, ModeNamesAreExactAndCaseSensitive)
{
    for (const char* mode : {"linear", "EXP", "exp2", "", "Linear "}) {
        h.device().renderStateLog.clear();
        h.qrn->setFog(QRN::True, mode, 1, 2, 3, 1, 2);
        EXPECT_EQ(log(), common(0xFF010203u)) << "mode '" << mode << "'";
    }
}

TEST_F(Fog, OnlyMinusOneAndZeroDoAnything)
{
    h.qrn->setFog(1, "Linear", 1, 2, 3, 1, 2);
    h.qrn->setFog(-2, "Exp", 1, 2, 3, 1, 2);
    EXPECT_TRUE(log().empty());
    h.qrn->setFog(QRN::False, "Linear", 1, 2, 3, 1, 2);
    const RenderStates off{{d3d::RS_FOGENABLE, 0}};
    EXPECT_EQ(log(), off);
}

TEST(FloatBits, FtoDWPassesTheBitsUnchanged)
{
    EXPECT_EQ(QRN::FtoDW(1.0f), 0x3F800000);
    for (float f : {0.5f, 0.05f, -0.0f, -3.5f, 1e30f, std::numeric_limits<float>::infinity()})
        EXPECT_EQ(static_cast<std::uint32_t>(QRN::FtoDW(f)), bitsOf(f)) << f;
    EXPECT_LT(QRN::FtoDW(-1.0f), 0);
}

// ---------------------------------------------------------------------------------------------
// Transparent queue

const char* const kTriangle = "xof 0302txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n";

struct AlphaQueue : ::testing::Test {
    Harness h;
    Q_Mesh mesh;
    Q_Mat mat;
    void SetUp() override
    {
        h.init();
        mesh.setMesh(*h.qrn, h.writeFile("tri.x", kTriangle));
        h.qrn->SceneBegin();
    }
    void queue(const D3DVECTOR& at) { mesh.DrawMesh(*h.qrn, mat, at, {1, 1, 1}, {}, QRN::True); }
    // Where each drawn copy was placed, in drawing order.
    std::vector<D3DVECTOR> drawnAt()
    {
        std::vector<D3DVECTOR> at;
        for (const gfx::SubsetDrawRecord& r : h.null().subsetDraws())
            at.push_back({r.world.m[3][0], r.world.m[3][1], r.world.m[3][2]});
        return at;
    }
    // Queue indices in drawing order, found by the positions queued.
    std::vector<int> drawOrder(const std::vector<D3DVECTOR>& queued)
    {
        std::vector<int> order;
        for (const D3DVECTOR& p : drawnAt())
            for (std::size_t i = 0; i < queued.size(); ++i)
                if (p.x == queued[i].x && p.y == queued[i].y && p.z == queued[i].z)
                    order.push_back(static_cast<int>(i));
        return order;
    }
    std::vector<int> queueAndDraw(const std::vector<D3DVECTOR>& positions, const D3DVECTOR& viewer = {})
    {
        for (const D3DVECTOR& p : positions)
            queue(p);
        h.qrn->DrawAlphaProcessing(viewer);
        return drawOrder(positions);
    }
};

TEST_F(AlphaQueue, FarthestFirstAndEqualDistancesInQueueOrder)
{
    // Squared distances 4, 9, 4 from a viewer at (1, 1, 1).
    const std::vector<D3DVECTOR> at{{3, 1, 1}, {1, 1, 4}, {1, -1, 1}};
    EXPECT_EQ(queueAndDraw(at, {1, 1, 1}), (std::vector<int>{1, 0, 2}));
}

TEST_F(AlphaQueue, KeysAreSquaredDistancesRoundedHalfToEven)
{
    // 1.6 queued before 2.4: both round to 2, so queue order stands.
    EXPECT_EQ(queueAndDraw({{1.2f, 0.4f, 0}, {1.2f, 0.4f, 0.8f}}), (std::vector<int>{0, 1}));
}

TEST_F(AlphaQueue, HalfDistancesGoToTheEvenNeighbour)
{
    // 2.0 then 2.5: 2.5 rounds down to 2, a tie, so queue order.
    EXPECT_EQ(queueAndDraw({{1, 1, 0}, {1.5f, 0.5f, 0}}), (std::vector<int>{0, 1}));
}

TEST_F(AlphaQueue, HalfDistancesRoundUpToAnEvenNeighbour)
{
    // 3.5 then 4.0: 3.5 rounds up to 4, a tie, so queue order.
    EXPECT_EQ(queueAndDraw({{1.5f, 1, 0.5f}, {2, 0, 0}}), (std::vector<int>{0, 1}));
}

TEST_F(AlphaQueue, EmptyQueueDrawsNothing)
{
    h.qrn->DrawAlphaProcessing({0, 0, 0});
    EXPECT_TRUE(h.null().subsetDraws().empty());
    EXPECT_EQ(h.qrn->getNumDrawVertex(), 0);
    EXPECT_EQ(h.qrn->getNumDrawFace(), 0);
}

TEST_F(AlphaQueue, CountersGrowWhenDrawnAndTheQueueCanBeDrawnAgain)
{
    queue({0, 0, 5});
    queue({0, 0, 1});
    EXPECT_EQ(h.qrn->getNumDrawVertex(), 0);
    h.qrn->DrawAlphaProcessing({0, 0, 0});
    EXPECT_EQ(h.qrn->getNumDrawVertex(), 6);
    EXPECT_EQ(h.qrn->getNumDrawFace(), 2);
    h.qrn->DrawAlphaProcessing({0, 0, 0});
    EXPECT_EQ(h.null().subsetDraws().size(), 4u);
    EXPECT_EQ(h.qrn->getNumDrawFace(), 4);
}

TEST_F(AlphaQueue, EachEntryKeepsItsOwnTextureAndMaterial)
{
    Q_Tex tex;
    tex.setTex(*h.qrn, h.writeBmp("glass.bmp", 4, 4, 0x00FFFF));
    Q_Mat tinted;
    tinted.setMaterial({0, 0, 1, 0.5f}, {}, {}, {}, 0);

    queue({0, 0, 9}); // no texture on stage 0 yet
    h.qrn->setTexture(tex);
    mesh.DrawMesh(*h.qrn, tinted, {0, 0, 3}, {1, 1, 1}, {}, QRN::True);
    h.qrn->DrawAlphaProcessing({0, 0, 0});

    const auto& draws = h.null().subsetDraws();
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].texture, nullptr) << "queued untextured, drawn untextured";
    EXPECT_EQ(draws[1].texture, tex.getTex());
    EXPECT_EQ(h.device().inner.state().material().Diffuse.a, 0.5f);
    EXPECT_EQ(h.device().texture(0), tex.getTex()) << "stage 0 is left as the last entry set it";
}

TEST_F(AlphaQueue, TurnedAndScaledEntriesArePlacedLikeDrawnMeshes)
{
    mesh.DrawMesh(*h.qrn, mat, {3, 0, 0}, {2, 1, 1}, {0, 90, 0}, QRN::True);
    h.qrn->DrawAlphaProcessing({0, 0, 0});
    ASSERT_EQ(h.null().subsetDraws().size(), 1u);
    const D3DMATRIX& w = h.null().subsetDraws()[0].world;
    // +x, doubled, turned to -z, then moved to (3, 0, 0).
    EXPECT_NEAR(w.m[0][0] + w.m[3][0], 3, 1e-5f);
    EXPECT_NEAR(w.m[0][2] + w.m[3][2], -2, 1e-5f);
}

TEST_F(AlphaQueue, DistancesBeyondThirtyTwoBitsStillOrderFarthestFirst)
{
    // Squared distances of about 1e10, 1e12, 1e40 and 4e10: past any 32- or 64-bit key.
    const std::vector<D3DVECTOR> at{{1e5f, 0, 0}, {0, 1e6f, 0}, {0, 0, 1e20f}, {0, 2e5f, 0}};
    EXPECT_EQ(queueAndDraw(at), (std::vector<int>{2, 1, 3, 0}));
}

TEST_F(AlphaQueue, NotANumberPositionIsDrawnLastWithoutUpsettingTheRest)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    queue({0, 0, 2});
    queue({nan, 0, 0});
    queue({0, 0, 7});
    h.qrn->DrawAlphaProcessing({0, 0, 0});
    const std::vector<D3DVECTOR> at = drawnAt();
    ASSERT_EQ(at.size(), 3u);
    EXPECT_EQ(at[0].z, 7.0f);
    EXPECT_EQ(at[1].z, 2.0f);
    EXPECT_TRUE(std::isnan(at[2].x));
}

TEST_F(AlphaQueue, MoreThanThirtyTwoThousandEntriesIsAnOverflow)
{
    for (int i = 0; i < 32767; ++i)
        queue({0, 0, 1});
    EXPECT_THROW(queue({0, 0, 1}), std::overflow_error);
    EXPECT_EQ(h.qrn->getAlphaCount(), 32767);
}

} // namespace
