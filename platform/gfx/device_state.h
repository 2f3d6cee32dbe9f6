#pragma once

// The last value of every state a device was given, starting from Direct3D 8's defaults. Both
// devices keep one: the null device to answer tests, the OpenGL device to build its shader state.

#include "platform/gfx/device.h"

#include <array>
#include <cstdint>
#include <iterator>
#include <map>
#include <set>

namespace gfx {

// Direct3D 8's value of a render state on a fresh device (0 for states it does not list).
std::uint32_t defaultRenderState(std::uint32_t state);
// Direct3D 8's value of a texture stage state on a fresh device.
std::uint32_t defaultTextureStageState(std::uint32_t stage, std::uint32_t type);

D3DMATRIX identityMatrix();
D3DMATRIX multiply(const D3DMATRIX& a, const D3DMATRIX& b); // a·b: a applies first

// Whether a viewport lies inside a back buffer of this size and is not empty; Direct3D refuses
// others.
bool viewportFits(const D3DVIEWPORT8& viewport, int width, int height);

// D3DERR_INVALIDCALL, the code a call made in the wrong order fails with.
constexpr long kInvalidCall = -2005530516;

class DeviceState {
public:
    static constexpr std::uint32_t kStages = 8;
    static constexpr std::uint32_t kStageStates = 32;

    DeviceState();

    void setRenderState(std::uint32_t state, std::uint32_t value);
    std::uint32_t renderState(std::uint32_t state) const
    {
        return state < kListedStates ? listedStates_[state] : otherRenderState(state);
    }
    float renderStateFloat(std::uint32_t state) const; // float states travel as their bits

    // Out-of-range stages or types are ignored on write and read as 0, as a real device rejects them.
    void setTextureStageState(std::uint32_t stage, std::uint32_t type, std::uint32_t value);
    std::uint32_t textureStageState(std::uint32_t stage, std::uint32_t type) const;

    void setTransform(std::uint32_t which, const D3DMATRIX& m);
    D3DMATRIX transform(std::uint32_t which) const { return transformRef(which); }
    // The same without a copy; valid until the transform is set again.
    const D3DMATRIX& transformRef(std::uint32_t which) const;

    void setMaterial(const D3DMATERIAL8& m) { material_ = m; }
    const D3DMATERIAL8& material() const { return material_; }

    void setLight(std::uint32_t index, const D3DLIGHT8& light) { lights_[index] = light; }
    // A light that was never set reads as Direct3D's default: a white directional light along +z.
    D3DLIGHT8 light(std::uint32_t index) const;
    void lightEnable(std::uint32_t index, bool enable);
    bool lightEnabled(std::uint32_t index) const { return enabledLights_.count(index) != 0; }
    const std::set<std::uint32_t>& enabledLights() const { return enabledLights_; }

    void setTexture(std::uint32_t stage, const Texture* texture);
    const Texture* texture(std::uint32_t stage) const { return stage < kStages ? textures_[stage] : nullptr; }

    void setViewport(const D3DVIEWPORT8& viewport) { viewport_ = viewport; }
    const D3DVIEWPORT8& viewport() const { return viewport_; }

private:
    // Every render state Direct3D 8 lists lies below this; the few transforms a frame sets have
    // slots of their own. Both are read and written for every draw, so they are arrays; anything
    // else falls back to a map.
    static constexpr std::uint32_t kListedStates = 256;
    static constexpr std::uint32_t kSlottedTransforms[] = {d3d::TS_VIEW, d3d::TS_PROJECTION, d3d::TS_WORLD};
    static int transformSlot(std::uint32_t which);
    std::uint32_t otherRenderState(std::uint32_t state) const;

    std::array<std::uint32_t, kListedStates> listedStates_;
    std::map<std::uint32_t, std::uint32_t> otherStates_;
    std::array<D3DMATRIX, std::size(kSlottedTransforms)> slottedTransforms_;
    std::array<std::array<std::uint32_t, kStageStates>, kStages> stageStates_{};
    std::map<std::uint32_t, D3DMATRIX> transforms_;
    D3DMATERIAL8 material_;
    std::map<std::uint32_t, D3DLIGHT8> lights_;
    std::set<std::uint32_t> enabledLights_;
    std::array<const Texture*, kStages> textures_{};
    D3DVIEWPORT8 viewport_;
};

} // namespace gfx
