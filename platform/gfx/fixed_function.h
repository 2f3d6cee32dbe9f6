#pragma once

// The state block that drives the fixed-function ubershader (gl_shaders.cpp). Everything the shader
// can work out once per draw is computed here on the CPU: the composed matrices, the normal matrix,
// lights moved into view space with their cone cosines, fog and texture-stage choices.
//
// The layout is std140 and MUST stay in sync with the `FixedFunction` uniform block in
// gl_shaders.cpp: only vec4-sized members, in the same order.

#include "platform/gfx/device_state.h"

#include <cstdint>

namespace gfx {

constexpr int kMaxActiveLights = 8;

struct alignas(16) GpuLight {
    float diffuse[4];
    float specular[4];
    float ambient[4];
    float position[4];  // view space (point and spot)
    float direction[4]; // view space: towards the light for directional, the spot's axis for spot
    float rangeFalloffAtt01[4];   // range, falloff, attenuation0, attenuation1
    float att2CosThetaCosPhiType[4]; // attenuation2, cos(theta/2), cos(phi/2), D3DLIGHTTYPE
};

struct alignas(16) FixedFunctionBlock {
    float worldViewProj[16]; // row-vector matrices, uploaded as they are (GLSL sees the transpose)
    float worldView[16];
    float normalMatrix[16];  // inverse transpose of worldView's 3x3, not renormalised
    float materialDiffuse[4];
    float materialAmbient[4];
    float materialSpecular[4];
    float materialEmissive[4];
    float globalAmbient[4];
    float fogColor[4];
    float powerFogStartEndDensity[4];
    float pixelOffset[4];            // half a pixel in NDC (x, y): Direct3D's pixel centres
    std::int32_t lightingSpecularLocalViewerFogMode[4];
    std::int32_t rangeFogLightCountTextureFlat[4];
    std::int32_t colorOpArg1Arg2AlphaOp[4];
    std::int32_t alphaArg1Arg2TestFunc[4];
    std::int32_t alphaRefPad[4];
    GpuLight lights[kMaxActiveLights];
};

static_assert(sizeof(GpuLight) == 7 * 16);
static_assert(sizeof(FixedFunctionBlock) == 25 * 16 + kMaxActiveLights * sizeof(GpuLight));

// The fog law in force: vertex fog unless table fog is set (table fog wins in Direct3D; we evaluate
// it per vertex too, which the game never notices because it uses none). 0 when fog is off.
std::uint32_t activeFogMode(const DeviceState& state);

// `textureBound`: whether stage 0 has a texture; `viewportWidth/Height`: the viewport in pixels.
FixedFunctionBlock buildFixedFunctionBlock(const DeviceState& state, bool textureBound, int viewportWidth,
                                           int viewportHeight);

// Inverse transpose of the upper 3x3 (row-vector form); a singular matrix gives zero normals, which
// leaves only ambient and emissive light, as Direct3D does for a vertex without a normal.
D3DMATRIX normalMatrix(const D3DMATRIX& worldView);

// Fills one light in view space from a world-space Direct3D light.
GpuLight viewSpaceLight(const D3DLIGHT8& light, const D3DMATRIX& view);

} // namespace gfx
