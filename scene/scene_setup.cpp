// The scene resources of the game window and the per-frame camera set-up.

#include "game/field.h"

#include <cmath>

using QModule::degToRad;
using QModule::getEyePoint;
using QModule::getLookAt;
using QModule::makeColorValue;
using QModule::makeVec3;

namespace {

constexpr D3DVECTOR Up{0, 1, 0};
constexpr D3DVECTOR FarHouse{3, 0, 36};
constexpr D3DVECTOR FixedEye{3, 6, 28};
constexpr std::int16_t CameraWidth = 640;
constexpr std::int16_t CameraHeight = 480;
constexpr float NearPlane = 0.01f;
constexpr float FarPlane = 1000;

} // namespace

// The sheet's bitmaps are not part of the game yet: nothing is loaded, the sheet is not drawn.
void Field::Load_SceneTextures() {}

void Field::Setup_SceneObjects()
{
    // The meshes arrive with the sheet drawing; the back buffer, materials and lights are here.
    BackTex.setBackBuffer(*Gfx);
    const D3DCOLORVALUE white = makeColorValue(1, 1, 1, 1);
    const D3DCOLORVALUE none = makeColorValue(0, 0, 0, 0);
    Mat[0].setMaterial(white, white, none, none, 1.0f);
    Mat[1].setMaterial(makeColorValue(1, 1, 0.2f, 0.2f), none, none, none, 1.0f);
    Mat[2].setMaterial(makeColorValue(1, 1, 1, 0.2f), none, none, none, 1.0f);
    Lights[0].setDirectionalLight(makeVec3(0.2f, -1, 0.2f), white, none, white, 0, 0, 0);
    Lights[1].setDirectionalLight(makeVec3(-0.2f, -1, -0.2f), white, none, white, 0, 0, 0);
    Lights[0].setSwitch(-1);
    Lights[1].setSwitch(-1);
}

// A mesh's alpha comes from its material, not from its texture.
void Field::Setup_TextAndStages()
{
    Gfx->setFont(this, tmpFont0, 10, 0, 0, 0);
    gfx::Device& d = Gfx->getDDD();
    d.setTextureStageState(0, d3d::TSS_COLOROP, d3d::TOP_MODULATE);
    d.setTextureStageState(0, d3d::TSS_COLORARG1, d3d::TA_TEXTURE);
    d.setTextureStageState(0, d3d::TSS_COLORARG2, d3d::TA_DIFFUSE);
    d.setTextureStageState(0, d3d::TSS_ALPHAOP, d3d::TOP_SELECTARG1);
    d.setTextureStageState(0, d3d::TSS_ALPHAARG1, d3d::TA_DIFFUSE);
    d.setTextureStageState(0, d3d::TSS_ALPHAARG2, d3d::TA_CURRENT);
}

void Field::Set_3D()
{
    Gfx->CanSpecular(-1);
    Gfx->CanAlpha(-1, 0, 8);
    Gfx->setAmbient(30, 30, 30);

    D3DVECTOR eye;
    D3DVECTOR lookAt;
    float fov = degToRad(View.Fov);
    // The orbit cameras always look slightly down; the limit stays in View.
    const auto limitPitch = [this] {
        if (View.Pitch > -1)
            View.Pitch = -1;
    };
    const auto orbit = [&](const ViewRec& anchor, float distance) {
        eye = getEyePoint(anchor, -distance);
        lookAt = getLookAt(anchor, 0, 0);
    };
    const float zoomDistance = static_cast<float>(std::fabs(Zoom) / 20.0 + 2);

    switch (CamMode) {
    case 3:
    case 5:
        limitPitch();
        AimView = View;
        AimView.Pos.x += AimX;
        AimView.Yaw = 0;
        orbit(AimView, 1);
        fov = degToRad(View.Fov);
        break;
    case 4:
        eye = FixedEye;
        lookAt = FarHouse;
        fov = degToRad(45);
        break;
    case 6:
        View.Pos = Stones[CurStone].InPlay == -1 ? Stones[CurStone].Pos : FarHouse;
        limitPitch();
        orbit(View, zoomDistance);
        fov = degToRad(View.Fov);
        break;
    default: // 1 and 2, the free camera
        limitPitch();
        orbit(View, zoomDistance);
        fov = degToRad(View.Fov);
        break;
    }
    Cam.setVision(eye, lookAt, Up, fov, CameraWidth, CameraHeight, NearPlane, FarPlane);
    Cam.SetCamera(*Gfx);
    Gfx->drawLight(Lights);
}
