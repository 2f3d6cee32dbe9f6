#include "platform/gfx/device_state.h"

#include <algorithm>
#include <bit>

namespace gfx {

std::uint32_t defaultRenderState(std::uint32_t state)
{
    using namespace d3d;
    switch (state) {
    case RS_ZENABLE: return ZB_TRUE; // the device always has an automatic depth buffer
    case RS_FILLMODE: return FILL_SOLID;
    case RS_SHADEMODE: return SHADE_GOURAUD;
    case RS_ZWRITEENABLE: return 1;
    case RS_SRCBLEND: return BLEND_ONE;
    case RS_DESTBLEND: return BLEND_ZERO;
    case RS_CULLMODE: return CULL_CCW;
    case RS_ZFUNC: return CMP_LESSEQUAL;
    case RS_ALPHAFUNC: return CMP_ALWAYS;
    case RS_FOGEND: return std::bit_cast<std::uint32_t>(1.0f);
    case RS_FOGDENSITY: return std::bit_cast<std::uint32_t>(1.0f);
    case RS_LIGHTING: return 1;
    case RS_COLORVERTEX: return 1;
    case RS_LOCALVIEWER: return 1;
    case RS_DIFFUSEMATERIALSOURCE: return MCS_COLOR1;
    case RS_SPECULARMATERIALSOURCE: return MCS_COLOR2;
    default: return 0; // FALSE, NONE, 0.0f and black alike
    }
}

std::uint32_t defaultTextureStageState(std::uint32_t stage, std::uint32_t type)
{
    using namespace d3d;
    switch (type) {
    case TSS_COLOROP: return stage == 0 ? TOP_MODULATE : TOP_DISABLE;
    case TSS_ALPHAOP: return stage == 0 ? TOP_SELECTARG1 : TOP_DISABLE;
    case TSS_COLORARG1: return TA_TEXTURE;
    case TSS_COLORARG2: return TA_CURRENT;
    case TSS_ALPHAARG1: return TA_TEXTURE;
    case TSS_ALPHAARG2: return TA_CURRENT;
    case TSS_ADDRESSU: return 1; // D3DTADDRESS_WRAP
    case TSS_ADDRESSV: return 1;
    case TSS_MAGFILTER: return TEXF_POINT;
    case TSS_MINFILTER: return TEXF_POINT;
    case TSS_MIPFILTER: return TEXF_NONE;
    default: return 0;
    }
}

D3DMATRIX identityMatrix()
{
    D3DMATRIX m;
    for (int i = 0; i < 4; ++i)
        m.m[i][i] = 1.0f;
    return m;
}

DeviceState::DeviceState()
{
    for (std::uint32_t s = 0; s < kStages; ++s)
        for (std::uint32_t t = 0; t < kStageStates; ++t)
            stageStates_[s][t] = defaultTextureStageState(s, t);
    for (std::uint32_t state = 0; state < kListedStates; ++state)
        listedStates_[state] = defaultRenderState(state);
    slottedTransforms_.fill(identityMatrix());
}

void DeviceState::setRenderState(std::uint32_t state, std::uint32_t value)
{
    if (state < kListedStates)
        listedStates_[state] = value;
    else
        otherStates_[state] = value;
}

std::uint32_t DeviceState::otherRenderState(std::uint32_t state) const
{
    auto it = otherStates_.find(state);
    return it == otherStates_.end() ? defaultRenderState(state) : it->second;
}

float DeviceState::renderStateFloat(std::uint32_t state) const
{
    return std::bit_cast<float>(renderState(state));
}

void DeviceState::setTextureStageState(std::uint32_t stage, std::uint32_t type, std::uint32_t value)
{
    if (stage < kStages && type < kStageStates)
        stageStates_[stage][type] = value;
}

std::uint32_t DeviceState::textureStageState(std::uint32_t stage, std::uint32_t type) const
{
    return stage < kStages && type < kStageStates ? stageStates_[stage][type] : 0;
}

int DeviceState::transformSlot(std::uint32_t which)
{
    for (std::size_t i = 0; i < std::size(kSlottedTransforms); ++i)
        if (kSlottedTransforms[i] == which)
            return int(i);
    return -1;
}

void DeviceState::setTransform(std::uint32_t which, const D3DMATRIX& m)
{
    if (const int slot = transformSlot(which); slot >= 0)
        slottedTransforms_[std::size_t(slot)] = m;
    else
        transforms_[which] = m;
}

const D3DMATRIX& DeviceState::transformRef(std::uint32_t which) const
{
    static const D3DMATRIX identity = identityMatrix();
    if (const int slot = transformSlot(which); slot >= 0)
        return slottedTransforms_[std::size_t(slot)];
    auto it = transforms_.find(which);
    return it == transforms_.end() ? identity : it->second;
}

D3DLIGHT8 DeviceState::light(std::uint32_t index) const
{
    auto it = lights_.find(index);
    if (it != lights_.end())
        return it->second;
    D3DLIGHT8 fallback;
    fallback.Type = d3d::LIGHT_DIRECTIONAL;
    fallback.Diffuse = {1, 1, 1, 0};
    fallback.Direction = {0, 0, 1};
    return fallback;
}

void DeviceState::lightEnable(std::uint32_t index, bool enable)
{
    if (enable)
        enabledLights_.insert(index);
    else
        enabledLights_.erase(index);
}

void DeviceState::setTexture(std::uint32_t stage, const Texture* texture)
{
    if (stage < kStages)
        textures_[stage] = texture;
}

} // namespace gfx

namespace gfx {

bool viewportFits(const D3DVIEWPORT8& v, int width, int height)
{
    return v.Width > 0 && v.Height > 0 && std::uint64_t(v.X) + v.Width <= std::uint64_t(std::max(width, 0))
           && std::uint64_t(v.Y) + v.Height <= std::uint64_t(std::max(height, 0));
}

D3DMATRIX multiply(const D3DMATRIX& a, const D3DMATRIX& b)
{
    D3DMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += a.m[i][k] * b.m[k][j];
            r.m[i][j] = sum;
        }
    return r;
}

} // namespace gfx
