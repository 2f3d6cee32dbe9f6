#include "engine/q_light.h"

#include "engine/qmodule.h"

void Q_Light::setColours(const D3DCOLORVALUE& dif, const D3DCOLORVALUE& amb, const D3DCOLORVALUE& Spe)
{
    light_.Diffuse = dif;
    light_.Ambient = amb;
    light_.Specular = Spe;
}

void Q_Light::setAttenuation(float Att0, float Att1, float Att2)
{
    light_.Attenuation0 = Att0;
    light_.Attenuation1 = Att1;
    light_.Attenuation2 = Att2;
}

void Q_Light::setDirectionalLight(const D3DVECTOR& Dir, const D3DCOLORVALUE& dif, const D3DCOLORVALUE& amb,
                                  const D3DCOLORVALUE& Spe, float Att0, float Att1, float Att2)
{
    light_.Type = d3d::LIGHT_DIRECTIONAL;
    light_.Direction = Dir;
    setColours(dif, amb, Spe);
    setAttenuation(Att0, Att1, Att2);
}

void Q_Light::setPointLight(const D3DVECTOR& Pos, float Ran, const D3DCOLORVALUE& dif, const D3DCOLORVALUE& amb,
                            const D3DCOLORVALUE& Spe, float Att0, float Att1, float Att2)
{
    light_.Type = d3d::LIGHT_POINT;
    light_.Position = Pos;
    light_.Range = Ran;
    setColours(dif, amb, Spe);
    setAttenuation(Att0, Att1, Att2);
}

void Q_Light::setSpotLight(const D3DVECTOR& Pos, const D3DVECTOR& Dir, float Ran, const D3DCOLORVALUE& dif,
                           const D3DCOLORVALUE& amb, const D3DCOLORVALUE& Spe, float Fal, float degPh, float degTh,
                           float Att0, float Att1, float Att2)
{
    light_.Type = d3d::LIGHT_SPOT;
    light_.Position = Pos;
    light_.Direction = Dir;
    light_.Range = Ran;
    setColours(dif, amb, Spe);
    light_.Falloff = Fal;
    light_.Phi = QModule::degToRad(degPh);
    light_.Theta = QModule::degToRad(degTh);
    setAttenuation(Att0, Att1, Att2);
}
