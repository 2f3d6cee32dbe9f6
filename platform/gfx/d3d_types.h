#pragma once

// The Direct3D 8 records and constant values the engine speaks. The values are those of the
// Direct3D 8 headers, so engine code can pass e.g. 8 for "always" exactly as it always has.

#include <cstdint>

struct D3DVECTOR {
    float x = 0, y = 0, z = 0;
};

struct D3DVECTOR2 {
    float x = 0, y = 0;
};

struct D3DCOLORVALUE {
    float r = 0, g = 0, b = 0, a = 0;
};

struct RECT {
    std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// Row-vector convention: v' = v * M; m[row][col]; translation in m[3][0..2].
struct D3DMATRIX {
    float m[4][4] = {};
};

struct D3DMATERIAL8 {
    D3DCOLORVALUE Diffuse, Ambient, Specular, Emissive;
    float Power = 0;
};

struct D3DLIGHT8 {
    std::uint32_t Type = 0; // D3DLIGHT_*
    D3DCOLORVALUE Diffuse, Specular, Ambient;
    D3DVECTOR Position, Direction;
    float Range = 0, Falloff = 0;
    float Attenuation0 = 0, Attenuation1 = 0, Attenuation2 = 0;
    float Theta = 0, Phi = 0;
};

struct D3DVIEWPORT8 {
    std::uint32_t X = 0, Y = 0, Width = 0, Height = 0;
    float MinZ = 0, MaxZ = 1;
};

using D3DCOLOR = std::uint32_t; // 0xAARRGGBB

constexpr D3DCOLOR argb(unsigned a, unsigned r, unsigned g, unsigned b)
{
    return (a << 24) | (r << 16) | (g << 8) | b;
}

namespace d3d {

// D3DRENDERSTATETYPE
enum RenderState : std::uint32_t {
    RS_ZENABLE = 7,
    RS_FILLMODE = 8,
    RS_SHADEMODE = 9,
    RS_ZWRITEENABLE = 14,
    RS_ALPHATESTENABLE = 15,
    RS_SRCBLEND = 19,
    RS_DESTBLEND = 20,
    RS_CULLMODE = 22,
    RS_ZFUNC = 23,
    RS_ALPHAREF = 24,
    RS_ALPHAFUNC = 25,
    RS_ALPHABLENDENABLE = 27,
    RS_FOGENABLE = 28,
    RS_SPECULARENABLE = 29,
    RS_FOGCOLOR = 34,
    RS_FOGTABLEMODE = 35,
    RS_FOGSTART = 36,
    RS_FOGEND = 37,
    RS_FOGDENSITY = 38,
    RS_RANGEFOGENABLE = 48,
    RS_LIGHTING = 137,
    RS_AMBIENT = 139,
    RS_FOGVERTEXMODE = 140,
    RS_COLORVERTEX = 141,
    RS_LOCALVIEWER = 142,
    RS_NORMALIZENORMALS = 143,
    RS_DIFFUSEMATERIALSOURCE = 145,
    RS_SPECULARMATERIALSOURCE = 146,
    RS_AMBIENTMATERIALSOURCE = 147,
    RS_EMISSIVEMATERIALSOURCE = 148,
};

// D3DTEXTURESTAGESTATETYPE
enum TextureStageState : std::uint32_t {
    TSS_COLOROP = 1,
    TSS_COLORARG1 = 2,
    TSS_COLORARG2 = 3,
    TSS_ALPHAOP = 4,
    TSS_ALPHAARG1 = 5,
    TSS_ALPHAARG2 = 6,
    TSS_ADDRESSU = 13,
    TSS_ADDRESSV = 14,
    TSS_MAGFILTER = 16,
    TSS_MINFILTER = 17,
    TSS_MIPFILTER = 18,
};

// D3DTEXTUREOP
enum TextureOp : std::uint32_t { TOP_DISABLE = 1, TOP_SELECTARG1 = 2, TOP_SELECTARG2 = 3, TOP_MODULATE = 4 };
// D3DTA_*
enum TextureArg : std::uint32_t { TA_DIFFUSE = 0, TA_CURRENT = 1, TA_TEXTURE = 2, TA_TFACTOR = 3, TA_SPECULAR = 4 };
// D3DTEXTUREFILTERTYPE
enum TextureFilter : std::uint32_t { TEXF_NONE = 0, TEXF_POINT = 1, TEXF_LINEAR = 2 };

// D3DTRANSFORMSTATETYPE
enum TransformState : std::uint32_t { TS_VIEW = 2, TS_PROJECTION = 3, TS_WORLD = 256 };

enum Cmp : std::uint32_t {
    CMP_NEVER = 1, CMP_LESS = 2, CMP_EQUAL = 3, CMP_LESSEQUAL = 4,
    CMP_GREATER = 5, CMP_NOTEQUAL = 6, CMP_GREATEREQUAL = 7, CMP_ALWAYS = 8,
};
enum Blend : std::uint32_t {
    BLEND_ZERO = 1, BLEND_ONE = 2, BLEND_SRCCOLOR = 3, BLEND_INVSRCCOLOR = 4, BLEND_SRCALPHA = 5,
    BLEND_INVSRCALPHA = 6, BLEND_DESTALPHA = 7, BLEND_INVDESTALPHA = 8, BLEND_DESTCOLOR = 9,
    BLEND_INVDESTCOLOR = 10, BLEND_SRCALPHASAT = 11,
};
enum LightType : std::uint32_t { LIGHT_POINT = 1, LIGHT_SPOT = 2, LIGHT_DIRECTIONAL = 3 };
enum Fog : std::uint32_t { FOG_NONE = 0, FOG_EXP = 1, FOG_EXP2 = 2, FOG_LINEAR = 3 };
enum Shade : std::uint32_t { SHADE_FLAT = 1, SHADE_GOURAUD = 2, SHADE_PHONG = 3 };
enum Fill : std::uint32_t { FILL_POINT = 1, FILL_WIREFRAME = 2, FILL_SOLID = 3 };
enum Cull : std::uint32_t { CULL_NONE = 1, CULL_CW = 2, CULL_CCW = 3 };
enum ZBuffer : std::uint32_t { ZB_FALSE = 0, ZB_TRUE = 1, ZB_USEW = 2 };
enum MaterialSource : std::uint32_t { MCS_MATERIAL = 0, MCS_COLOR1 = 1, MCS_COLOR2 = 2 };

// D3DCLEAR_*
enum ClearFlags : std::uint32_t { CLEAR_TARGET = 1, CLEAR_ZBUFFER = 2, CLEAR_STENCIL = 4 };

} // namespace d3d
