// Vertex fog states and the queue of transparent meshes.

#include "engine_harness.h"

#include "engine/q_mat.h"
#include "engine/q_mesh.h"
#include "engine/q_tex.h"

#include <gtest/gtest.h>

#include <cmath>
#include <bit>
#include <limits>

using enginetest::Harness;

namespace {

std::uint32_t bitsOf(float f) { return std::bit_cast<std::uint32_t>(f); }

// Each mode sets its falloff once fog is on; other names (case and spaces count) switch fog on but
// set no falloff, and only -1 and 0 switch anything. The game itself never fogs.
TEST(Fog, ModesAndSwitches)
{
    Harness h;
    h.init();
    const auto state = [&](std::uint32_t s) { return h.null().renderState(s); };
    for (const auto& [enable, mode, on, falloff, setting] : {
             std::tuple{1, "Linear", 0u, d3d::FOG_NONE, d3d::RS_FOGSTART},
             std::tuple{-1, "Linear ", 1u, d3d::FOG_NONE, d3d::RS_FOGSTART},
             std::tuple{-1, "Exp", 1u, d3d::FOG_EXP, d3d::RS_FOGDENSITY},
             std::tuple{-1, "Exp2", 1u, d3d::FOG_EXP2, d3d::RS_FOGDENSITY},
             std::tuple{-1, "Linear", 1u, d3d::FOG_LINEAR, d3d::RS_FOGSTART}}) {
        h.qrn->setFog(std::int16_t(enable), mode, 0x80, 0x90, 0xA0, 0.25f, 80.5f);
        EXPECT_EQ((std::array{state(d3d::RS_FOGENABLE), state(d3d::RS_FOGVERTEXMODE), state(setting)}),
            (std::array{on, +falloff, falloff == d3d::FOG_NONE ? 0u : bitsOf(0.25f)}))
            << mode;
    }
    EXPECT_EQ(
        (std::array{state(d3d::RS_RANGEFOGENABLE), state(d3d::RS_FOGCOLOR), state(d3d::RS_FOGTABLEMODE)}),
        (std::array{0u, 0xFF8090A0u, +d3d::FOG_NONE}));
    EXPECT_EQ(h.null().state().renderStateFloat(d3d::RS_FOGEND), 80.5f);
    h.qrn->setFog(QRN::False, "Linear", 0, 0, 0, 0, 0);
    EXPECT_EQ(state(d3d::RS_FOGENABLE), 0u);
}

struct AlphaQueue : ::testing::Test {
    Harness h;
    Q_Mesh mesh;
    Q_Mat mat;
    void SetUp() override
    {
        h.init();
        mesh.setMesh(*h.qrn, h.writeFile("tri.x", "xof 0302txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }"));
        h.qrn->SceneBegin();
    }
    void queue(const D3DVECTOR& at) { mesh.DrawMesh(*h.qrn, mat, at, {1, 1, 1}, {}, QRN::True); }
    // Queue indices in drawing order, recognised by where each copy was placed.
    std::vector<int> queueAndDraw(const std::vector<D3DVECTOR>& positions, const D3DVECTOR& viewer = {})
    {
        for (const D3DVECTOR& p : positions)
            queue(p);
        h.qrn->DrawAlphaProcessing(viewer);
        std::vector<int> order;
        for (const gfx::SubsetDrawRecord& r : h.null().subsetDraws())
            for (std::size_t i = 0; i < positions.size(); ++i)
                if (r.world.m[3][0] == positions[i].x && r.world.m[3][1] == positions[i].y
                    && r.world.m[3][2] == positions[i].z)
                    order.push_back(static_cast<int>(i));
        return order;
    }
};

// Farthest first, equal keys in queue order. Squared distances round half to even, so each pair
// queued nearer first keeps queue order: 1.6 and 2.4 (both 2), 2.0 and 2.5 (2.5 goes down to even 2),
// 3.5 and 4.0 (3.5 goes up to 4). Squared distances of about 1e10, 1e12, 1e40 and 4e10 are past any
// 32- or 64-bit key; a NaN position goes last.
TEST_F(AlphaQueue, FarthestFirstAndEqualDistancesInQueueOrder)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::tuple<std::vector<D3DVECTOR>, D3DVECTOR, std::vector<int>> cases[] = {
        {{{3, 1, 1}, {1, 1, 4}, {1, -1, 1}}, {1, 1, 1}, {1, 0, 2}}, // squared distances 4, 9, 4
        {{{1.2f, 0.4f, 0}, {1.2f, 0.4f, 0.8f}}, {}, {0, 1}},
        {{{1, 1, 0}, {1.5f, 0.5f, 0}}, {}, {0, 1}},
        {{{1.5f, 1, 0.5f}, {2, 0, 0}}, {}, {0, 1}},
        {{{1e5f, 0, 0}, {0, 1e6f, 0}, {nan, 0, 0}, {0, 0, 1e20f}, {0, 2e5f, 0}}, {}, {3, 1, 4, 0}},
    };
    for (const auto& [positions, viewer, order] : cases) { // each in a frame of its own: the last queue is gone
        h.qrn->SceneEnd();
        h.qrn->SceneBegin();
        h.null().reset();
        EXPECT_EQ(queueAndDraw(positions, viewer), order);
    }
    ASSERT_EQ(h.null().subsetDraws().size(), 5u);
    EXPECT_TRUE(std::isnan(h.null().subsetDraws().back().world.m[3][0]));
}

// The queue draws (and counts) when asked, as often as asked, each entry as it was queued.
TEST_F(AlphaQueue, DrawsWhenAskedEachEntryKeepsItsTextureAndMaterialAndThirtyTwoThousandIsTheLimit)
{
    h.qrn->DrawAlphaProcessing({0, 0, 0});
    EXPECT_TRUE(h.null().subsetDraws().empty()) << "an empty queue draws nothing";
    Q_Tex tex;
    tex.setTex(*h.qrn, h.writeBmp("glass.bmp", 4, 4, 0x00FFFF));
    Q_Mat tinted;
    tinted.setMaterial({0, 0, 1, 0.5f}, {}, {}, {}, 0);
    queue({0, 0, 9}); // nothing on stage 0 yet
    h.qrn->setTexture(tex);
    mesh.DrawMesh(*h.qrn, tinted, {0, 0, 3}, {1, 1, 1}, {}, QRN::True);
    EXPECT_EQ(h.qrn->getNumDrawVertex(), 0);
    h.qrn->DrawAlphaProcessing({0, 0, 0});
    EXPECT_EQ((std::array{h.qrn->getNumDrawVertex(), h.qrn->getNumDrawFace()}), (std::array{6, 2}));
    const auto& draws = h.null().subsetDraws();
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].texture, nullptr);
    EXPECT_EQ(draws[1].texture, tex.getTex());
    EXPECT_EQ(h.null().state().material().Diffuse.a, 0.5f);
    h.qrn->DrawAlphaProcessing({0, 0, 0});
    EXPECT_EQ(draws.size(), 4u);
    EXPECT_EQ(h.qrn->getNumDrawFace(), 4);

    // More than thirty-two thousand entries is an overflow.
    for (int i = 2; i < 32767; ++i)
        queue({0, 0, 1});
    EXPECT_THROW(queue({0, 0, 1}), std::overflow_error);
    EXPECT_EQ(h.qrn->getAlphaCount(), 32767);
}

} // namespace
