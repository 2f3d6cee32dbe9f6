#include "engine/d3dx_math.h"
#include "platform/gfx/fixed_function.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>

namespace {

using namespace gfx;

using engine::d3dx::translation;
using F3 = std::array<float, 3>;
D3DMATRIX diag(float x, float y, float z) { return engine::d3dx::scaling(x, y, z); }
const double kPi = std::acos(-1.0);

void expectNear(const F3& got, const F3& expected)
{
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(got[i], expected[i], 1e-6) << "component " << i;
}

TEST(FixedFunctionMatrices, NormalMatrixOfASingularOrShearedWorld)
{
    // Scaled and turned worlds are drawn by the OpenGL device tests; here the cases they do not draw.
    const D3DMATRIX flat = normalMatrix(diag(1, 0, 1)); // singular: zero normals
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ((F3{flat.m[i][0], flat.m[i][1], flat.m[i][2]}), (F3{0, 0, 0}));

    // A shear: (M⁻¹)ᵀ differs from M. The plane x = 0 (normal (1,0,0)) becomes the plane
    // x = 1.5 y, whose normal is ∝ (1, -1.5, 0).
    D3DMATRIX shear = identityMatrix();
    shear.m[1][0] = 1.5f; // x += 1.5 y
    const D3DMATRIX ns = normalMatrix(shear);
    EXPECT_NEAR(ns.m[0][1] / ns.m[0][0], -1.5f, 1e-6);
}

TEST(FixedFunctionLights, NoDirectionStaysZeroSpotsMoveWithTheViewAndEightLightsAreTaken)
{
    const D3DLIGHT8 sun{d3d::LIGHT_DIRECTIONAL, {}, {}, {}, {}, /* direction */ {0, 0, 0}};
    GpuLight g = viewSpaceLight(sun, identityMatrix());
    EXPECT_EQ((F3{g.direction[0], g.direction[1], g.direction[2]}), (F3{0, 0, 0})) << "not NaN";

    // A spot light gets its view position and the cosines of its half cones.
    const D3DLIGHT8 spot{.Type = d3d::LIGHT_SPOT, .Diffuse = {}, .Specular = {}, .Ambient = {},
        .Position = {1, 2, 3}, .Direction = {0, 0, 4}, .Theta = float(kPi / 2)};
    g = viewSpaceLight(spot, translation(10, 0, 0));
    expectNear({g.position[0], g.position[1], g.position[2]}, {11, 2, 3});
    expectNear({g.direction[0], g.direction[1], g.direction[2]}, {0, 0, 1}); // normalised, not translated
    EXPECT_FLOAT_EQ(g.att2CosThetaCosPhiType[1], float(std::cos(kPi / 4)));

    // Enabled lights are taken in index order, up to eight.
    DeviceState s;
    for (std::uint32_t i = 0; i < 12; ++i)
        s.setLight(i, {0, /* diffuse */ {float(i), 0, 0, 0}, {}, {}, {}, {}});
    s.lightEnable(5, true);
    s.lightEnable(2, true);
    FrameBlock b = buildFrameBlock(s, 640, 480);
    EXPECT_EQ((F3{float(b.lightCountAlphaRef[0]), b.lights[0].diffuse[0], b.lights[1].diffuse[0]}), (F3{2, 2, 5}));
    for (std::uint32_t i = 0; i < 12; ++i)
        s.lightEnable(i, true);
    b = buildFrameBlock(s, 640, 480);
    EXPECT_EQ(b.lightCountAlphaRef[0], kMaxActiveLights);
}

TEST(FixedFunctionStates, FogModeAmbientAndAlphaReferenceReachTheBlockAndTheChoices)
{
    DeviceState s;
    // Fog is off until FOGENABLE; table fog wins over vertex fog.
    for (const auto& [state, value, mode] : {std::tuple{d3d::RS_FOGVERTEXMODE, +d3d::FOG_EXP2, d3d::FOG_NONE},
             std::tuple{d3d::RS_FOGENABLE, 1u, d3d::FOG_EXP2},
             std::tuple{d3d::RS_FOGTABLEMODE, +d3d::FOG_LINEAR, d3d::FOG_LINEAR}}) {
        s.setRenderState(state, value);
        EXPECT_EQ(activeFogMode(s), mode) << state;
    }

    s.setRenderState(d3d::RS_AMBIENT, 0xFF1E3C5A);
    s.setRenderState(d3d::RS_FOGSTART, std::bit_cast<std::uint32_t>(2.5f));
    s.setRenderState(d3d::RS_ALPHAREF, 0x1FF);
    s.setRenderState(d3d::RS_SHADEMODE, d3d::SHADE_FLAT);
    const FrameBlock b = buildFrameBlock(s, 640, 480);
    expectNear({b.globalAmbient[0], b.globalAmbient[1], b.globalAmbient[2]},
        {30.0f / 255, 60.0f / 255, 90.0f / 255});
    expectNear({b.fogStartEndDensity[0], b.fogStartEndDensity[1], float(b.lightCountAlphaRef[1])},
        {2.5f, 1.0f, 255});
    const ShaderChoices c = shaderChoices(s, true);
    EXPECT_EQ(c.fogMode, int(d3d::FOG_LINEAR));
    EXPECT_TRUE(c.textured && c.flat);
    EXPECT_NE(c, shaderChoices(s, false)) << "a texture or none are two programs";
    EXPECT_NE(c.defines().find("#define FOG_MODE (3)\n"), std::string::npos);
}

} // namespace
