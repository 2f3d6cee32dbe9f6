#include "platform/gfx/null_device.h"

#include <gtest/gtest.h>

#include <bit>
#include <vector>

namespace {

using namespace gfx;

platform::MeshData twoSubsetMesh()
{
    platform::MeshData data;
    for (int i = 0; i < 6; ++i)
        data.vertices.push_back({float(i), 0, 0, 0, 1, 0, 0, 0});
    data.indices = {0, 1, 2, 0, 2, 3, 3, 4, 5};
    data.subsets = {{0, 0, 2, 0, 4}, {2, 2, 1, 3, 3}};
    return data;
}

D3DMATRIX doubledX()
{
    D3DMATRIX m = identityMatrix();
    m.m[0][0] = 2;
    return m;
}

platform::TextureImage image(int w, int h, int levels)
{
    platform::TextureImage img;
    for (int i = 0; i < levels; ++i) {
        img.levels.push_back({w, h, std::vector<std::uint8_t>(std::size_t(w) * h * 4, 255)});
        w = std::max(1, w / 2);
        h = std::max(1, h / 2);
    }
    return img;
}

TEST(NullDeviceState, StartsFromDirect3DDefaults)
{
    NullDevice dev;
    const std::pair<std::uint32_t, std::uint32_t> defaults[] = {
        {d3d::RS_ZENABLE, d3d::ZB_TRUE}, {d3d::RS_CULLMODE, d3d::CULL_CCW}, {d3d::RS_ZFUNC, d3d::CMP_LESSEQUAL},
        {d3d::RS_ALPHAFUNC, d3d::CMP_ALWAYS}, {d3d::RS_SRCBLEND, d3d::BLEND_ONE}, {d3d::RS_DESTBLEND, d3d::BLEND_ZERO},
        {d3d::RS_LIGHTING, 1}, {d3d::RS_NORMALIZENORMALS, 0}, {d3d::RS_SPECULARENABLE, 0}, {d3d::RS_LOCALVIEWER, 1},
        {d3d::RS_DIFFUSEMATERIALSOURCE, d3d::MCS_COLOR1}, {d3d::RS_SPECULARMATERIALSOURCE, d3d::MCS_COLOR2}};
    for (const auto& [state, value] : defaults)
        EXPECT_EQ(dev.renderState(state), value) << "render state " << state;
    EXPECT_EQ(std::bit_cast<float>(dev.renderState(d3d::RS_FOGEND)), 1.0f);
    EXPECT_EQ(std::bit_cast<float>(dev.renderState(d3d::RS_FOGDENSITY)), 1.0f);
    EXPECT_EQ(dev.textureStageState(0, d3d::TSS_COLOROP), d3d::TOP_MODULATE);
    EXPECT_EQ(dev.textureStageState(0, d3d::TSS_ALPHAOP), d3d::TOP_SELECTARG1);
    EXPECT_EQ(dev.textureStageState(0, d3d::TSS_ALPHAARG1), d3d::TA_TEXTURE);
    EXPECT_EQ(dev.textureStageState(1, d3d::TSS_COLOROP), d3d::TOP_DISABLE);
    EXPECT_EQ(dev.transform(d3d::TS_WORLD).m[3][3], 1.0f);
    EXPECT_EQ(dev.transform(d3d::TS_WORLD).m[3][0], 0.0f);
    EXPECT_EQ(dev.texture(0), nullptr);
    // States beyond Direct3D's list and transforms other than world, view and projection are
    // kept as well.
    dev.setRenderState(300, 7);
    EXPECT_EQ(dev.renderState(300), 7u);
    EXPECT_EQ(dev.renderState(301), 0u);
    dev.setTransform(17, doubledX());
    EXPECT_EQ(dev.transform(17).m[0][0], 2.0f);
    EXPECT_EQ(dev.transform(d3d::TS_VIEW).m[0][0], 1.0f);
}

TEST(NullDeviceState, IgnoresTextureStagesBeyondTheDevice)
{
    NullDevice dev;
    dev.setTextureStageState(8, d3d::TSS_COLOROP, d3d::TOP_MODULATE);
    dev.setTextureStageState(0, 200, 5);
    EXPECT_EQ(dev.textureStageState(8, d3d::TSS_COLOROP), 0u);
    EXPECT_EQ(dev.textureStageState(0, 200), 0u);
    NullTexture tex(4, 4, 1);
    dev.setTexture(9, &tex);
    EXPECT_EQ(dev.texture(9), nullptr);
}

TEST(NullDeviceState, RefusesViewportsOutsideTheBackBuffer)
{
    NullDevice dev(640, 480);
    dev.setViewport({0, 0, 640, 480, 0, 1});
    dev.setViewport({600, 400, 40, 80, 0, 1});
    EXPECT_THROW(dev.setViewport({600, 400, 41, 80, 0, 1}), DeviceError);
    EXPECT_THROW(dev.setViewport({0, 0, 640, 481, 0, 1}), DeviceError);
    EXPECT_THROW(dev.setViewport({0, 0, 0, 10, 0, 1}), DeviceError);
    EXPECT_THROW(dev.setViewport({0xFFFFFFFFu, 0, 2, 10, 0, 1}), DeviceError) << "no wrap-around";
    EXPECT_EQ(dev.state().viewport().X, 600u) << "a refused viewport leaves the last good one";
}

TEST(NullDeviceDrawing, SubsetDrawsCarryTheMeshCountsAndSkipUnusedIds)
{
    NullDevice dev;
    auto mesh = dev.createMesh(twoSubsetMesh());
    EXPECT_EQ(mesh->numVertices(), 6u);
    EXPECT_EQ(mesh->numFaces(), 3u);
    EXPECT_EQ(mesh->numSubsets(), 2u);
    auto tex = dev.createTexture(image(8, 4, 4));
    dev.setTexture(0, tex.get());
    // The engine draws every id from 0 up to the vertex count; only 0 and 2 have faces.
    for (std::uint32_t id = 0; id <= mesh->numVertices(); ++id)
        dev.drawSubset(*mesh, id);
    EXPECT_EQ(dev.counts().drawSubsetCalls, 7);
    ASSERT_EQ(dev.subsetDraws().size(), 2u);
    EXPECT_EQ(dev.subsetDraws()[0].attribId, 0u);
    EXPECT_EQ(dev.subsetDraws()[0].faceCount, 2u);
    EXPECT_EQ(dev.subsetDraws()[1].attribId, 2u);
    EXPECT_EQ(dev.subsetDraws()[1].faceCount, 1u);
    EXPECT_EQ(dev.subsetDraws()[1].meshVertices, 6u);
    EXPECT_EQ(dev.subsetDraws()[1].meshFaces, 3u);
    EXPECT_EQ(dev.subsetDraws()[1].texture, tex.get());
    EXPECT_EQ((std::vector<std::uint32_t>(mesh->drawnAttribIds().begin(), mesh->drawnAttribIds().end())),
              (std::vector<std::uint32_t>{0, 2}));
    EXPECT_EQ(dev.facesDrawn(), 3u);
    EXPECT_EQ(static_cast<NullTexture&>(*tex).levels(), 4);
    EXPECT_THROW(dev.createTexture(platform::TextureImage{}), DeviceError);
}

TEST(NullDeviceDrawing, FrameCallsAreCountedAndLogged)
{
    NullDevice dev;
    auto tex = dev.createTexture(image(32, 32, 1));
    auto font = dev.createFont({});
    dev.clear(d3d::CLEAR_TARGET | d3d::CLEAR_ZBUFFER, 0xFF102030, 1.0f, 0);
    dev.beginScene();
    dev.endScene();
    dev.beginSprites();
    SpriteQuad quad;
    quad.texture = tex.get();
    dev.drawSprite(quad);
    dev.drawSprite(quad);
    dev.endSprites();
    dev.drawText(*font, "FPS 60\n頂点", {0, 0, 200, 40}, 0xFFFFFF00);
    dev.present();

    ASSERT_EQ(dev.clears().size(), 1u);
    EXPECT_EQ(dev.clears()[0].color, 0xFF102030u);
    EXPECT_EQ(dev.counts().endScenes, 1);
    EXPECT_EQ(dev.sprites().size(), 2u);
    ASSERT_EQ(dev.texts().size(), 1u);
    EXPECT_EQ(dev.texts()[0].text, "FPS 60\n頂点");
    EXPECT_EQ(dev.counts().presents, 1);
    EXPECT_TRUE(dev.readBackBuffer().isNull());

    dev.reset();
    EXPECT_EQ(dev.counts().presents, 0);
    EXPECT_TRUE(dev.sprites().empty());
    EXPECT_TRUE(dev.texts().empty());

    // Without logs the counts still add up.
    dev.keepCallLogs(false);
    dev.clear(d3d::CLEAR_TARGET, 0, 1.0f, 0);
    dev.beginSprites();
    dev.drawSprite(quad);
    dev.endSprites();
    dev.drawText(*font, "FPS", {0, 0, 200, 40}, 0xFFFFFF00);
    EXPECT_EQ(dev.counts().clears, 1);
    EXPECT_EQ(dev.counts().spriteEnds, 1);
    EXPECT_TRUE(dev.clears().empty());
    EXPECT_TRUE(dev.sprites().empty());
    EXPECT_TRUE(dev.texts().empty());
}

TEST(NullDeviceDrawing, CallsOutOfOrderFailAsDirect3DDoes)
{
    NullDevice dev;
    auto tex = dev.createTexture(image(2, 2, 1));
    SpriteQuad quad;
    quad.texture = tex.get();
    EXPECT_THROW(dev.drawSprite(quad), DeviceError);
    EXPECT_THROW(dev.endSprites(), DeviceError);
    EXPECT_THROW(dev.endScene(), DeviceError);
    dev.beginScene();
    try {
        dev.beginScene();
        FAIL() << "nested BeginScene accepted";
    } catch (const DeviceError& e) {
        EXPECT_EQ(e.code(), kInvalidCall);
    }
    EXPECT_TRUE(dev.sprites().empty());
}

} // namespace
