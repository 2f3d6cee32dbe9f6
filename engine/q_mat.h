#pragma once

// One surface material.

#include "platform/gfx/d3d_types.h"

class Q_Mat {
public:
    void setMaterial(const D3DCOLORVALUE& dif, const D3DCOLORVALUE& amb, const D3DCOLORVALUE& Spe,
                     const D3DCOLORVALUE& emi, float pow)
    {
        material_.Diffuse = dif;
        material_.Ambient = amb;
        material_.Specular = Spe;
        material_.Emissive = emi;
        material_.Power = pow;
    }
    D3DMATERIAL8 getMaterial() const { return material_; }

private:
    D3DMATERIAL8 material_;
};
