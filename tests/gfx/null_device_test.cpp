#include "platform/gfx/null_device.h"

#include <gtest/gtest.h>

#include <bit>
#include <vector>

namespace {

using namespace gfx;

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

TEST(NullDeviceState, StartsFromDirect3DDefaultsAndKeepsWhatIsSetWithinItsLimits)
{
    NullDevice dev(640, 480);
    const std::pair<std::uint32_t, std::uint32_t> defaults[] = {{d3d::RS_ZENABLE, d3d::ZB_TRUE},
        {d3d::RS_CULLMODE, d3d::CULL_CCW}, {d3d::RS_ZFUNC, d3d::CMP_LESSEQUAL},
        {d3d::RS_ALPHAFUNC, d3d::CMP_ALWAYS}, {d3d::RS_SRCBLEND, d3d::BLEND_ONE},
        {d3d::RS_DESTBLEND, d3d::BLEND_ZERO}, {d3d::RS_LIGHTING, 1}, {d3d::RS_NORMALIZENORMALS, 0},
        {d3d::RS_SPECULARENABLE, 0}, {d3d::RS_LOCALVIEWER, 1},
        {d3d::RS_DIFFUSEMATERIALSOURCE, d3d::MCS_COLOR1}, {d3d::RS_SPECULARMATERIALSOURCE, d3d::MCS_COLOR2},
        {d3d::RS_FOGEND, std::bit_cast<std::uint32_t>(1.0f)},
        {d3d::RS_FOGDENSITY, std::bit_cast<std::uint32_t>(1.0f)}};
    for (const auto& [state, value] : defaults)
        EXPECT_EQ(dev.renderState(state), value) << "render state " << state;
    EXPECT_EQ((std::array{dev.textureStageState(0, d3d::TSS_COLOROP), dev.textureStageState(0, d3d::TSS_ALPHAOP),
                  dev.textureStageState(0, d3d::TSS_ALPHAARG1), dev.textureStageState(1, d3d::TSS_COLOROP)}),
        (std::array<std::uint32_t, 4>{d3d::TOP_MODULATE, d3d::TOP_SELECTARG1, d3d::TA_TEXTURE, d3d::TOP_DISABLE}));
    EXPECT_EQ(dev.transform(d3d::TS_WORLD).m[3][3], 1.0f);
    EXPECT_EQ(dev.transform(d3d::TS_WORLD).m[3][0], 0.0f);
    // States beyond Direct3D's list and transforms other than world, view and projection are
    // kept as well; texture stages beyond the device are ignored.
    dev.setRenderState(300, 7);
    EXPECT_EQ(dev.renderState(300), 7u);
    EXPECT_EQ(dev.renderState(301), 0u);
    D3DMATRIX doubled = identityMatrix();
    doubled.m[0][0] = 2;
    dev.setTransform(17, doubled);
    EXPECT_EQ(dev.transform(17).m[0][0], 2.0f);
    EXPECT_EQ(dev.transform(d3d::TS_VIEW).m[0][0], 1.0f);
    dev.setTextureStageState(8, d3d::TSS_COLOROP, d3d::TOP_MODULATE);
    dev.setTextureStageState(0, 200, 5);
    EXPECT_EQ(dev.textureStageState(8, d3d::TSS_COLOROP), 0u);
    EXPECT_EQ(dev.textureStageState(0, 200), 0u);
    NullTexture tex(4, 4, 1);
    dev.setTexture(9, &tex);
    EXPECT_EQ(dev.texture(9), nullptr);

    // Viewports must lie within the back buffer; a refused one leaves the last good one.
    dev.setViewport({0, 0, 640, 480, 0, 1});
    dev.setViewport({600, 400, 40, 80, 0, 1});
    for (const D3DVIEWPORT8 bad : {D3DVIEWPORT8{600, 400, 41, 80, 0, 1}, D3DVIEWPORT8{0, 0, 640, 481, 0, 1},
             D3DVIEWPORT8{0, 0, 0, 10, 0, 1}, D3DVIEWPORT8{0xFFFFFFFFu, 0, 2, 10, 0, 1}})
        EXPECT_THROW(dev.setViewport(bad), DeviceError) << bad.X << " " << bad.Width << " " << bad.Height;
    EXPECT_EQ(dev.state().viewport().X, 600u);
}

TEST(NullDeviceDrawing, SubsetDrawsCarryTheMeshCountsAndSkipUnusedIds)
{
    NullDevice dev;
    platform::MeshData data;
    for (int i = 0; i < 6; ++i)
        data.vertices.push_back({float(i), 0, 0, 0, 1, 0, 0, 0});
    data.indices = {0, 1, 2, 0, 2, 3, 3, 4, 5};
    data.subsets = {{0, 0, 2, 0, 4}, {2, 2, 1, 3, 3}};
    auto mesh = dev.createMesh(data);
    EXPECT_EQ((std::array{mesh->numVertices(), mesh->numFaces(), mesh->numSubsets()}), (std::array{6u, 3u, 2u}));
    auto tex = dev.createTexture(image(8, 4, 4));
    EXPECT_EQ(static_cast<NullTexture&>(*tex).levels(), 4);
    dev.setTexture(0, tex.get());
    // The engine draws every id from 0 up to the vertex count; only 0 and 2 have faces.
    for (std::uint32_t id = 0; id <= mesh->numVertices(); ++id)
        dev.drawSubset(*mesh, id);
    EXPECT_EQ(dev.counts().drawSubsetCalls, 7);
    ASSERT_EQ(dev.subsetDraws().size(), 2u);
    const auto& first = dev.subsetDraws()[0];
    const auto& last = dev.subsetDraws()[1];
    EXPECT_EQ((std::array{first.attribId, first.faceCount, last.attribId, last.faceCount, last.meshVertices,
                  last.meshFaces}),
        (std::array{0u, 2u, 2u, 1u, 6u, 3u}));
    EXPECT_EQ(last.texture, tex.get());
    EXPECT_EQ((std::vector<std::uint32_t>(mesh->drawnAttribIds().begin(), mesh->drawnAttribIds().end())),
        (std::vector<std::uint32_t>{0, 2}));
    EXPECT_EQ(dev.facesDrawn(), 3u);
    EXPECT_THROW(dev.createTexture(platform::TextureImage{}), DeviceError);
}

TEST(NullDeviceDrawing, FrameCallsAreCountedAndLoggedAndOutOfOrderCallsFailAsDirect3DDoes)
{
    NullDevice dev;
    auto tex = dev.createTexture(image(32, 32, 1));
    auto font = dev.createFont({});
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
    dev.endScene();
    dev.reset();
    const auto frame = [&] {
        dev.clear(d3d::CLEAR_TARGET | d3d::CLEAR_ZBUFFER, 0xFF102030, 1.0f, 0);
        dev.beginScene();
        dev.endScene();
        dev.beginSprites();
        dev.drawSprite(quad);
        dev.drawSprite(quad);
        dev.endSprites();
        dev.drawText(*font, "FPS 60\n頂点", {0, 0, 200, 40}, 0xFFFFFF00);
        dev.present();
    };
    frame();
    ASSERT_EQ(dev.clears().size(), 1u);
    EXPECT_EQ(dev.clears()[0].color, 0xFF102030u);
    EXPECT_EQ(dev.counts().endScenes, 1);
    EXPECT_EQ(dev.sprites().size(), 2u);
    ASSERT_EQ(dev.texts().size(), 1u);
    EXPECT_EQ(dev.texts()[0].text, "FPS 60\n頂点");
    EXPECT_EQ(dev.counts().presents, 1);
    EXPECT_TRUE(dev.readBackBuffer().isNull());
    // Without logs the counts still add up.
    dev.reset();
    dev.keepCallLogs(false);
    frame();
    EXPECT_EQ(dev.counts().clears, 1);
    EXPECT_EQ(dev.counts().spriteEnds, 1);
    EXPECT_TRUE(dev.clears().empty());
    EXPECT_TRUE(dev.sprites().empty());
    EXPECT_TRUE(dev.texts().empty());
}

} // namespace
