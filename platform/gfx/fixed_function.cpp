#include "platform/gfx/fixed_function.h"

#include <cmath>
#include <cstring>
#include <string>

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

ShaderChoices shaderChoices(const DeviceState& s, bool textureBound)
{
    using namespace d3d;
    ShaderChoices c;
    c.lighting = s.renderState(RS_LIGHTING) != 0;
    c.specular = s.renderState(RS_SPECULARENABLE) != 0;
    c.localViewer = s.renderState(RS_LOCALVIEWER) != 0;
    c.normalizeNormals = s.renderState(RS_NORMALIZENORMALS) != 0;
    c.rangeFog = s.renderState(RS_RANGEFOGENABLE) != 0;
    c.textured = textureBound;
    c.flat = s.renderState(RS_SHADEMODE) == SHADE_FLAT;
    c.alphaTest = s.renderState(RS_ALPHATESTENABLE) != 0;
    c.fogMode = std::int32_t(activeFogMode(s));
    c.alphaFunc = std::int32_t(s.renderState(RS_ALPHAFUNC));
    c.colorOp = std::int32_t(s.textureStageState(0, TSS_COLOROP));
    c.colorArg1 = std::int32_t(s.textureStageState(0, TSS_COLORARG1));
    c.colorArg2 = std::int32_t(s.textureStageState(0, TSS_COLORARG2));
    c.alphaOp = std::int32_t(s.textureStageState(0, TSS_ALPHAOP));
    c.alphaArg1 = std::int32_t(s.textureStageState(0, TSS_ALPHAARG1));
    c.alphaArg2 = std::int32_t(s.textureStageState(0, TSS_ALPHAARG2));
    if (!c.lighting)
        return c;
    for (std::uint32_t index : s.enabledLights()) { // the lights buildFrameBlock sends, in its order
        if (c.lightCount == kMaxActiveLights)
            break;
        const std::uint32_t type = s.light(index).Type;
        const std::int32_t bits = type == LIGHT_DIRECTIONAL ? 3 : type == LIGHT_SPOT ? 2 : 1;
        c.lightTypes |= bits << (2 * c.lightCount++);
    }
    return c;
}

std::string ShaderChoices::defines() const
{
    std::string out;
    const auto define = [&out](const char* name, std::int32_t value) {
        out += "#define ";
        out += name;
        out += " (";
        out += std::to_string(value);
        out += ")\n";
    };
    define("LIGHTING", lighting);
    define("SPECULAR", specular);
    define("LOCAL_VIEWER", localViewer);
    define("NORMALIZE_NORMALS", normalizeNormals);
    define("RANGE_FOG", rangeFog);
    define("TEXTURED", textured);
    define("FLAT_SHADE", flat);
    define("ALPHA_TEST", alphaTest);
    define("FOG_MODE", fogMode);
    define("ALPHA_FUNC", alphaFunc);
    define("COLOR_OP", colorOp);
    define("COLOR_ARG1", colorArg1);
    define("COLOR_ARG2", colorArg2);
    define("ALPHA_OP", alphaOp);
    define("ALPHA_ARG1", alphaArg1);
    define("ALPHA_ARG2", alphaArg2);
    define("LIGHT_COUNT", lightCount);
    define("LIGHT_TYPES", lightTypes);
    define("INSTANCED", instanced);
    return out;
}

FrameBlock buildFrameBlock(const DeviceState& s, int viewportWidth, int viewportHeight)
{
    using namespace d3d;
    FrameBlock b{};
    put(b.globalAmbient, unpackColor(s.renderState(RS_AMBIENT)));
    put(b.fogColor, unpackColor(s.renderState(RS_FOGCOLOR)));
    put(b.fogStartEndDensity, s.renderStateFloat(RS_FOGSTART), s.renderStateFloat(RS_FOGEND),
        s.renderStateFloat(RS_FOGDENSITY), 0.0f);
    put(b.pixelOffset, viewportWidth > 0 ? 1.0f / float(viewportWidth) : 0.0f,
        viewportHeight > 0 ? 1.0f / float(viewportHeight) : 0.0f, 0.0f, 0.0f);
    int count = 0;
    const D3DMATRIX& view = s.transformRef(TS_VIEW);
    for (std::uint32_t index : s.enabledLights()) {
        if (count == kMaxActiveLights)
            break;
        b.lights[count++] = viewSpaceLight(s.light(index), view);
    }
    put(b.lightCountAlphaRef, count, std::int32_t(s.renderState(RS_ALPHAREF) & 0xFF), 0, 0);
    return b;
}

DrawBlock buildDrawBlock(const DeviceState& s)
{
    using namespace d3d;
    DrawBlock b{};
    const D3DMATRIX worldView = multiply(s.transformRef(TS_WORLD), s.transformRef(TS_VIEW));
    putMatrix(b.worldViewProj, multiply(worldView, s.transformRef(TS_PROJECTION)));
    putMatrix(b.worldView, worldView);
    putMatrix(b.normalMatrix, normalMatrix(worldView));
    const D3DMATERIAL8& m = s.material();
    put(b.materialDiffuse, m.Diffuse);
    put(b.materialAmbient, m.Ambient);
    put(b.materialSpecular, m.Specular);
    put(b.materialEmissive, m.Emissive);
    put(b.materialPower, m.Power, 0.0f, 0.0f, 0.0f);
    return b;
}

// --- block layouts ------------------------------------------------------------------------------

namespace {

#define RINKFALL_MEMBER(Struct, type, name, count) BlockMember{type, #name, offsetof(Struct, name), count}

constexpr BlockMember kLightMembers[] = {
    RINKFALL_MEMBER(GpuLight, "vec4", diffuse, 0),
    RINKFALL_MEMBER(GpuLight, "vec4", specular, 0),
    RINKFALL_MEMBER(GpuLight, "vec4", ambient, 0),
    RINKFALL_MEMBER(GpuLight, "vec4", position, 0),
    RINKFALL_MEMBER(GpuLight, "vec4", direction, 0),
    RINKFALL_MEMBER(GpuLight, "vec4", rangeFalloffAtt01, 0),
    RINKFALL_MEMBER(GpuLight, "vec4", att2CosThetaCosPhiType, 0),
};

constexpr BlockMember kFrameMembers[] = {
    RINKFALL_MEMBER(FrameBlock, "vec4", globalAmbient, 0),
    RINKFALL_MEMBER(FrameBlock, "vec4", fogColor, 0),
    RINKFALL_MEMBER(FrameBlock, "vec4", fogStartEndDensity, 0),
    RINKFALL_MEMBER(FrameBlock, "vec4", pixelOffset, 0),
    RINKFALL_MEMBER(FrameBlock, "ivec4", lightCountAlphaRef, 0),
    RINKFALL_MEMBER(FrameBlock, "Light", lights, kMaxActiveLights),
};

constexpr BlockMember kDrawMembers[] = {
    RINKFALL_MEMBER(DrawBlock, "mat4", worldViewProj, 0),
    RINKFALL_MEMBER(DrawBlock, "mat4", worldView, 0),
    RINKFALL_MEMBER(DrawBlock, "mat4", normalMatrix, 0),
    RINKFALL_MEMBER(DrawBlock, "vec4", materialDiffuse, 0),
    RINKFALL_MEMBER(DrawBlock, "vec4", materialAmbient, 0),
    RINKFALL_MEMBER(DrawBlock, "vec4", materialSpecular, 0),
    RINKFALL_MEMBER(DrawBlock, "vec4", materialEmissive, 0),
    RINKFALL_MEMBER(DrawBlock, "vec4", materialPower, 0),
};

#undef RINKFALL_MEMBER

void declareMembers(std::string& out, std::span<const BlockMember> members)
{
    for (const BlockMember& m : members) {
        out += "    ";
        out += m.glslType;
        out += ' ';
        out += m.name;
        if (m.arraySize > 0) {
            out += '[';
            out += std::to_string(m.arraySize);
            out += ']';
        }
        out += ";\n";
    }
}

void declareBlock(std::string& out, const BlockLayout& layout)
{
    out += "layout(std140) uniform ";
    out += layout.blockName;
    out += " {\n";
    declareMembers(out, layout.members);
    out += "} ";
    out += layout.instanceName;
    out += ";\n";
}

} // namespace

const BlockLayout& frameBlockLayout()
{
    static const BlockLayout layout{"FixedFunctionFrame", "frame", kFrameMembers, sizeof(FrameBlock)};
    return layout;
}

const BlockLayout& drawBlockLayout()
{
    static const BlockLayout layout{"FixedFunctionDraw", "draw", kDrawMembers, sizeof(DrawBlock)};
    return layout;
}

const BlockLayout& instancedDrawBlockLayout()
{
    static const BlockLayout layout{"FixedFunctionDraws", "draws", kDrawMembers,
                                    kMaxDrawInstances * sizeof(DrawBlock)};
    return layout;
}

std::span<const BlockMember> lightMembers()
{
    return kLightMembers;
}

std::string glslBlockDeclarations(bool instanced)
{
    std::string out = "struct Light {\n";
    declareMembers(out, kLightMembers);
    out += "};\n";
    declareBlock(out, frameBlockLayout());
    if (!instanced) {
        declareBlock(out, drawBlockLayout());
        return out;
    }
    // A struct's std140 size is rounded up to 16 bytes, as DrawBlock's already is, so the array's
    // stride is sizeof(DrawBlock).
    const BlockLayout& layout = instancedDrawBlockLayout();
    out += "struct DrawData {\n";
    declareMembers(out, layout.members);
    out += "};\nlayout(std140) uniform ";
    out += layout.blockName;
    out += " {\n    DrawData items[" + std::to_string(kMaxDrawInstances) + "];\n} ";
    out += layout.instanceName;
    out += ";\n#define draw draws.items[gl_InstanceID]\n";
    return out;
}

} // namespace gfx
