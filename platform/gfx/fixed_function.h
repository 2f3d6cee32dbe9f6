#pragma once

// What drives the fixed-function shaders (gl_shaders.cpp). Everything the shader can take as
// worked out per draw is computed here on the CPU: the composed matrices, the normal matrix,
// lights moved into view space with their cone cosines, fog and texture-stage choices.
//
// The state reaches the shaders in two ways:
// - ShaderChoices, the on/off and operation choices; each distinct set is its own compiled
//   program, so no fragment pays for branches the state has already decided;
// - two std140 uniform blocks: FrameBlock for what stays the same over many draws (ambient, fog,
//   lights, alpha reference) and DrawBlock for what changes with every draw (matrices, material).
//   Their GLSL declarations are generated from the member tables below, so the layout is written
//   down once; a test checks every member's offset against what the GL reports.

#include "platform/gfx/device_state.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

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

struct alignas(16) FrameBlock {
    float globalAmbient[4];
    float fogColor[4];
    float fogStartEndDensity[4]; // start, end, density, unused
    float pixelOffset[4];        // half a pixel in NDC (x, y): Direct3D's pixel centres
    std::int32_t lightCountAlphaRef[4]; // lights in use, alpha reference (0..255), unused x2
    GpuLight lights[kMaxActiveLights];
};

struct alignas(16) DrawBlock {
    float worldViewProj[16]; // row-vector matrices, uploaded as they are (GLSL sees the transpose)
    float worldView[16];
    float normalMatrix[16];  // inverse transpose of worldView's 3x3; the shader renormalises under NORMALIZENORMALS
    float materialDiffuse[4];
    float materialAmbient[4];
    float materialSpecular[4];
    float materialEmissive[4];
    float materialPower[4]; // power, unused x3
};

static_assert(sizeof(GpuLight) == 7 * 16);
static_assert(sizeof(FrameBlock) == 5 * 16 + kMaxActiveLights * sizeof(GpuLight));
static_assert(sizeof(DrawBlock) == 3 * 64 + 5 * 16); // a multiple of 16: also an array's std140 stride

// One member of a uniform block as GLSL declares it, and where std140 puts it in the C++ struct.
struct BlockMember {
    const char* glslType; // "vec4", "mat4", "ivec4" or "Light"
    const char* name;
    std::size_t offset;
    int arraySize; // 0: not an array
};

struct BlockLayout {
    const char* blockName; // the GLSL block name; its instance is the same name in lower case
    const char* instanceName;
    std::span<const BlockMember> members;
    std::size_t size;
};

// At most this many instances per draw: their DrawBlocks fit the 16 KiB every GL gives a block.
constexpr int kMaxDrawInstances = 16384 / int(sizeof(DrawBlock));

const BlockLayout& frameBlockLayout();
const BlockLayout& drawBlockLayout();
// kMaxDrawInstances DrawBlocks, for instanced programs.
const BlockLayout& instancedDrawBlockLayout();
// The members of the Light struct inside FrameBlock.
std::span<const BlockMember> lightMembers();
// GLSL for the Light struct and both blocks, made from the tables above; with `instanced`, the draw
// block is the array of instancedDrawBlockLayout, and `draw` names the drawn instance's element.
std::string glslBlockDeclarations(bool instanced = false);

// The choices a shader program is specialised on. Two draws with equal choices share a program.
struct ShaderChoices {
    bool lighting = true;
    bool specular = false;
    bool localViewer = true;
    bool normalizeNormals = false;
    bool rangeFog = false;
    bool textured = false;
    bool flat = false;
    bool alphaTest = false;
    std::int32_t fogMode = 0; // activeFogMode
    std::int32_t alphaFunc = 0;
    std::int32_t colorOp = 0, colorArg1 = 0, colorArg2 = 0;
    std::int32_t alphaOp = 0, alphaArg1 = 0, alphaArg2 = 0;
    // The lights in force, in the frame block's order, two bits each (point 1, spot 2, directional
    // 3): the per-vertex lighting then runs only the law each light has. Zero when lighting is off.
    std::int32_t lightCount = 0;
    std::int32_t lightTypes = 0;
    // One draw for many placements: the DrawBlock of each instance comes from an array.
    bool instanced = false;

    bool operator==(const ShaderChoices&) const = default;
    // "#define NAME value" lines the shader sources are compiled with.
    std::string defines() const;
};

// The fog law in force: vertex fog unless table fog is set (table fog wins in Direct3D; we evaluate
// it per vertex too, which the game never notices because it uses none). 0 when fog is off.
std::uint32_t activeFogMode(const DeviceState& state);

// `textureBound`: whether stage 0 has a texture.
ShaderChoices shaderChoices(const DeviceState& state, bool textureBound);
// `viewportWidth/Height`: the viewport in pixels.
FrameBlock buildFrameBlock(const DeviceState& state, int viewportWidth, int viewportHeight);
DrawBlock buildDrawBlock(const DeviceState& state);

// Inverse transpose of the upper 3x3 (row-vector form); a singular matrix gives zero normals, which
// leaves only ambient and emissive light, as Direct3D does for a vertex without a normal.
D3DMATRIX normalMatrix(const D3DMATRIX& worldView);

// Fills one light in view space from a world-space Direct3D light.
GpuLight viewSpaceLight(const D3DLIGHT8& light, const D3DMATRIX& view);

} // namespace gfx
