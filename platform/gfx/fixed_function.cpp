#include "platform/gfx/fixed_function.h"

#include <cmath>
#include <cstring>

namespace gfx {

namespace {

void put(float (&dst)[4], float a, float b, float c, float d)
{
    dst[0] = a;
    dst[1] = b;
    dst[2] = c;
    dst[3] = d;
}

void put(float (&dst)[4], const D3DCOLORVALUE& c) { put(dst, c.r, c.g, c.b, c.a); }

void put(std::int32_t (&dst)[4], std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d)
{
    dst[0] = a;
    dst[1] = b;
    dst[2] = c;
    dst[3] = d;
}

void putMatrix(float (&dst)[16], const D3DMATRIX& m) { std::memcpy(dst, m.m, sizeof dst); }

D3DVECTOR transformPoint(const D3DVECTOR& v, const D3DMATRIX& m)
{
    return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0] + m.m[3][0],
            v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1] + m.m[3][1],
            v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2] + m.m[3][2]};
}

D3DVECTOR transformDirection(const D3DVECTOR& v, const D3DMATRIX& m)
{
    return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0],
            v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1],
            v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2]};
}

// A zero vector stays zero: it then lights nothing instead of turning into NaN.
D3DVECTOR normalised(const D3DVECTOR& v)
{
    const double len = std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
    if (len == 0.0)
        return {};
    return {float(v.x / len), float(v.y / len), float(v.z / len)};
}

D3DCOLORVALUE unpackColor(D3DCOLOR c)
{
    return {float((c >> 16) & 0xFF) / 255.0f, float((c >> 8) & 0xFF) / 255.0f, float(c & 0xFF) / 255.0f,
            float(c >> 24) / 255.0f};
}

} // namespace

D3DMATRIX normalMatrix(const D3DMATRIX& wv)
{
    const auto& a = wv.m;
    const double c00 = double(a[1][1]) * a[2][2] - double(a[1][2]) * a[2][1];
    const double c01 = double(a[1][2]) * a[2][0] - double(a[1][0]) * a[2][2];
    const double c02 = double(a[1][0]) * a[2][1] - double(a[1][1]) * a[2][0];
    const double c10 = double(a[0][2]) * a[2][1] - double(a[0][1]) * a[2][2];
    const double c11 = double(a[0][0]) * a[2][2] - double(a[0][2]) * a[2][0];
    const double c12 = double(a[0][1]) * a[2][0] - double(a[0][0]) * a[2][1];
    const double c20 = double(a[0][1]) * a[1][2] - double(a[0][2]) * a[1][1];
    const double c21 = double(a[0][2]) * a[1][0] - double(a[0][0]) * a[1][2];
    const double c22 = double(a[0][0]) * a[1][1] - double(a[0][1]) * a[1][0];
    const double det = a[0][0] * c00 + a[0][1] * c01 + a[0][2] * c02;
    D3DMATRIX r;
    if (det == 0.0)
        return r;
    // (M⁻¹)ᵀ = cofactor matrix / det.
    const double cof[3][3] = {{c00, c01, c02}, {c10, c11, c12}, {c20, c21, c22}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r.m[i][j] = float(cof[i][j] / det);
    r.m[3][3] = 1.0f;
    return r;
}

GpuLight viewSpaceLight(const D3DLIGHT8& light, const D3DMATRIX& view)
{
    GpuLight g{};
    put(g.diffuse, light.Diffuse);
    put(g.specular, light.Specular);
    put(g.ambient, light.Ambient);
    const D3DVECTOR pos = transformPoint(light.Position, view);
    put(g.position, pos.x, pos.y, pos.z, 1.0f);
    const D3DVECTOR dir = normalised(transformDirection(light.Direction, view));
    if (light.Type == d3d::LIGHT_DIRECTIONAL)
        put(g.direction, -dir.x, -dir.y, -dir.z, 0.0f); // Direction is where the light travels
    else
        put(g.direction, dir.x, dir.y, dir.z, 0.0f);
    put(g.rangeFalloffAtt01, light.Range, light.Falloff, light.Attenuation0, light.Attenuation1);
    put(g.att2CosThetaCosPhiType, light.Attenuation2, float(std::cos(double(light.Theta) / 2.0)),
        float(std::cos(double(light.Phi) / 2.0)), float(light.Type));
    return g;
}

std::uint32_t activeFogMode(const DeviceState& state)
{
    if (!state.renderState(d3d::RS_FOGENABLE))
        return d3d::FOG_NONE;
    const std::uint32_t table = state.renderState(d3d::RS_FOGTABLEMODE);
    const std::uint32_t mode = table != d3d::FOG_NONE ? table : state.renderState(d3d::RS_FOGVERTEXMODE);
    return mode <= d3d::FOG_LINEAR ? mode : d3d::FOG_NONE;
}

FixedFunctionBlock buildFixedFunctionBlock(const DeviceState& s, bool textureBound, int viewportWidth,
                                           int viewportHeight)
{
    using namespace d3d;
    FixedFunctionBlock b{};
    const D3DMATRIX view = s.transform(TS_VIEW);
    const D3DMATRIX worldView = multiply(s.transform(TS_WORLD), view);
    putMatrix(b.worldViewProj, multiply(worldView, s.transform(TS_PROJECTION)));
    putMatrix(b.worldView, worldView);
    putMatrix(b.normalMatrix, normalMatrix(worldView));

    const D3DMATERIAL8& m = s.material();
    put(b.materialDiffuse, m.Diffuse);
    put(b.materialAmbient, m.Ambient);
    put(b.materialSpecular, m.Specular);
    put(b.materialEmissive, m.Emissive);
    put(b.globalAmbient, unpackColor(s.renderState(RS_AMBIENT)));
    put(b.fogColor, unpackColor(s.renderState(RS_FOGCOLOR)));
    put(b.powerFogStartEndDensity, m.Power, s.renderStateFloat(RS_FOGSTART), s.renderStateFloat(RS_FOGEND),
        s.renderStateFloat(RS_FOGDENSITY));
    put(b.pixelOffset, viewportWidth > 0 ? 1.0f / float(viewportWidth) : 0.0f,
        viewportHeight > 0 ? 1.0f / float(viewportHeight) : 0.0f, 0.0f, 0.0f);

    int count = 0;
    for (std::uint32_t index : s.enabledLights()) {
        if (count == kMaxActiveLights)
            break;
        b.lights[count++] = viewSpaceLight(s.light(index), view);
    }
    put(b.lightingSpecularLocalViewerFogMode, s.renderState(RS_LIGHTING) != 0,
        s.renderState(RS_SPECULARENABLE) != 0, s.renderState(RS_LOCALVIEWER) != 0,
        std::int32_t(activeFogMode(s)));
    put(b.rangeFogLightCountTextureFlat, s.renderState(RS_RANGEFOGENABLE) != 0, count, textureBound,
        s.renderState(RS_SHADEMODE) == SHADE_FLAT);
    put(b.colorOpArg1Arg2AlphaOp, std::int32_t(s.textureStageState(0, TSS_COLOROP)),
        std::int32_t(s.textureStageState(0, TSS_COLORARG1)), std::int32_t(s.textureStageState(0, TSS_COLORARG2)),
        std::int32_t(s.textureStageState(0, TSS_ALPHAOP)));
    put(b.alphaArg1Arg2TestFunc, std::int32_t(s.textureStageState(0, TSS_ALPHAARG1)),
        std::int32_t(s.textureStageState(0, TSS_ALPHAARG2)), s.renderState(RS_ALPHATESTENABLE) != 0,
        std::int32_t(s.renderState(RS_ALPHAFUNC)));
    put(b.alphaRefPad, std::int32_t(s.renderState(RS_ALPHAREF) & 0xFF), 0, 0, 0);
    return b;
}

} // namespace gfx
