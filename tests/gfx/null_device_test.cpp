#include "platform/gfx/null_device.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace gfx;

// Texture stages beyond the device are ignored; a refused viewport leaves the last good one. The engine
// draws every id up to the vertex count; only those with faces are drawn. Out-of-order calls fail.
TEST(NullDevice, KeepsWhatIsSetWithinItsLimitsSkipsUnusedIdsFailsOutOfOrderCallsAndCountsWithoutLogs)
{
    NullDevice sized(640, 480);
    sized.setRenderState(300, 7);
    D3DMATRIX doubled = identityMatrix();
    doubled.m[0][0] = 2;
    sized.setTransform(17, doubled);
    sized.setTextureStageState(8, d3d::TSS_COLOROP, d3d::TOP_MODULATE);
    sized.setTextureStageState(0, 200, 5);
    NullTexture stray(4, 4, 1);
    sized.setTexture(9, &stray);
    EXPECT_EQ((std::array{sized.renderState(300), sized.renderState(301),
                  sized.textureStageState(8, d3d::TSS_COLOROP), sized.textureStageState(0, 200)}),
        (std::array{7u, 0u, 0u, 0u}));
    EXPECT_EQ((std::array{sized.transform(17).m[0][0], sized.transform(d3d::TS_VIEW).m[0][0]}),
        (std::array{2.0f, 1.0f}));
    EXPECT_EQ(sized.texture(9), nullptr);

    sized.setViewport({600, 400, 40, 80, 0, 1});
    for (const D3DVIEWPORT8 bad : {D3DVIEWPORT8{600, 400, 41, 80, 0, 1}, D3DVIEWPORT8{0, 0, 640, 481, 0, 1},
             D3DVIEWPORT8{0, 0, 0, 10, 0, 1}, D3DVIEWPORT8{0xFFFFFFFFu, 0, 2, 10, 0, 1}})
        EXPECT_THROW(sized.setViewport(bad), DeviceError) << bad.X << " " << bad.Width << " " << bad.Height;
    EXPECT_EQ(sized.state().viewport().X, 600u);

    NullDevice dev;
    platform::MeshData data;
    data.vertices.resize(6);
    data.indices = {0, 1, 2, 0, 2, 3, 3, 4, 5};
    data.subsets = {{0, 0, 2, 0, 4}, {2, 2, 1, 3, 3}};
    auto mesh = dev.createMesh(data);
    auto tex = dev.createTexture(platform::TextureImage{{{8, 4, {}}, {4, 2, {}}}});
    EXPECT_THROW(dev.createTexture(platform::TextureImage{}), DeviceError);
    dev.setTexture(0, tex.get());
    for (std::uint32_t id = 0; id <= mesh->numVertices(); ++id)
        dev.drawSubset(*mesh, id);
    EXPECT_EQ((std::array{int(mesh->numSubsets()), static_cast<NullTexture&>(*tex).levels(),
                  dev.counts().drawSubsetCalls}),
        (std::array{2, 2, 7}));
    ASSERT_EQ(dev.subsetDraws().size(), 2u);
    const auto& last = dev.subsetDraws()[1];
    EXPECT_EQ((std::array{last.attribId, last.faceCount, last.meshVertices, last.meshFaces}),
        (std::array{2u, 1u, 6u, 3u}));
    EXPECT_EQ(last.texture, tex.get());
    EXPECT_EQ((std::vector<std::uint32_t>(mesh->drawnAttribIds().begin(), mesh->drawnAttribIds().end())),
        (std::vector<std::uint32_t>{0, 2}));
    EXPECT_EQ(dev.facesDrawn(), 3u);

    auto font = dev.createFont({});
    SpriteQuad quad;
    EXPECT_THROW(dev.drawSprite(quad), DeviceError);
    EXPECT_THROW(dev.endSprites(), DeviceError);
    EXPECT_THROW(dev.endScene(), DeviceError);
    dev.beginScene();
    try {
        dev.beginScene();
        ADD_FAILURE() << "nested BeginScene accepted";
    } catch (const DeviceError& e) {
        EXPECT_EQ(e.code(), kInvalidCall);
    }
    dev.beginSprites();
    EXPECT_THROW(dev.beginSprites(), DeviceError);
    dev.reset();
    dev.keepCallLogs(false);
    dev.clear(d3d::CLEAR_TARGET, 0xFF102030, 1.0f, 0);
    dev.drawSprite(quad);
    dev.endSprites();
    dev.drawText(*font, "FPS 60", {0, 0, 200, 40}, 0xFFFFFF00);
    dev.present();
    EXPECT_EQ((std::array{dev.counts().clears, dev.counts().spriteEnds, dev.counts().presents}),
        (std::array{1, 1, 1}));
    EXPECT_TRUE(dev.clears().empty() && dev.sprites().empty() && dev.texts().empty());
    EXPECT_TRUE(dev.readBackBuffer().isNull());
}

} // namespace
