#pragma once

// One light and whether it is on. Each setter sets the type and the members it names; the others
// keep their values.

#include "platform/gfx/d3d_types.h"

#include <cstdint>

class Q_Light {
public:
    void setDirectionalLight(const D3DVECTOR& Dir, const D3DCOLORVALUE& dif, const D3DCOLORVALUE& amb,
                             const D3DCOLORVALUE& Spe, float Att0, float Att1, float Att2);
    void setPointLight(const D3DVECTOR& Pos, float Ran, const D3DCOLORVALUE& dif, const D3DCOLORVALUE& amb,
                       const D3DCOLORVALUE& Spe, float Att0, float Att1, float Att2);
    // Cone angles in degrees.
    void setSpotLight(const D3DVECTOR& Pos, const D3DVECTOR& Dir, float Ran, const D3DCOLORVALUE& dif,
                      const D3DCOLORVALUE& amb, const D3DCOLORVALUE& Spe, float Fal, float degPh, float degTh,
                      float Att0, float Att1, float Att2);
    void setSwitch(std::int16_t switchOn) { switch_ = switchOn; }
    std::int16_t getSwitch() const { return switch_; }
    D3DLIGHT8 getLight() const { return light_; }

private:
    void setColours(const D3DCOLORVALUE& dif, const D3DCOLORVALUE& amb, const D3DCOLORVALUE& Spe);
    void setAttenuation(float Att0, float Att1, float Att2);

    std::int16_t switch_ = 0;
    D3DLIGHT8 light_;
};
