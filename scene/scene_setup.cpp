// The scene resources of the game window and the per-frame camera set-up.

#include "game/field.h"

#include <array>
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
constexpr D3DVECTOR HouseAbove{3, 7, 34.6f};
constexpr std::int16_t CameraWidth = 640;
constexpr std::int16_t CameraHeight = 480;
constexpr float NearPlane = 0.01f;
constexpr float FarPlane = 1000;

constexpr std::array<const char*, 9> TextureFiles{
    "\\Library\\Tex_Ice.bmp",    "\\Library\\Tex_House.bmp",  "\\Library\\Tex_Wall.bmp",
    "\\Library\\Tex_Side.bmp",   "\\Library\\Tex_Line.bmp",   "\\Library\\Tex_Center.bmp",
    "\\Library\\Tex_LineSide.bmp", "\\Library\\Tex_Cursor.bmp", "\\Library\\Tex_Bar.bmp",
};
constexpr std::array<const char*, 3> MeshFiles{
    "\\Library\\Mesh_Floor.x",
    "\\Library\\Mesh_Box.x", // loaded with the others though nothing draws it
    "\\Library\\Mesh_Pipe.x",
};

} // namespace

// The files sit in Library/ beside the program. The path is the program's folder followed directly
// by a Windows-style literal; the loaders read it on every platform. A file that cannot be loaded
// ends the game with the loaders' "Unfound" message.
void Field::Load_SceneTextures()
{
    for (std::size_t i = 0; i < Tex.size(); ++i)
        Tex[i].setTex(*Gfx, env_.programDir + TextureFiles[i]);
}

void Field::Setup_SceneObjects()
{
    for (std::size_t i = 0; i < Mesh.size(); ++i)
        Mesh[i].setMesh(*Gfx, env_.programDir + MeshFiles[i]);
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
        break;
    case 4:
        eye = FixedEye;
        lookAt = FarHouse;
        fov = degToRad(45);
        break;
    case 7: // a match's end count: the far house from above
        eye = HouseAbove;
        lookAt = FarHouse;
        fov = degToRad(45);
        break;
    case 6:
        View.Pos = Stones[CurStone].InPlay == -1 ? Stones[CurStone].Pos : FarHouse;
        limitPitch();
        orbit(View, zoomDistance);
        break;
    default: // 1 and 2, the free camera
        limitPitch();
        orbit(View, zoomDistance);
        break;
    }
    Cam.setVision(eye, lookAt, Up, fov, CameraWidth, CameraHeight, NearPlane, FarPlane);
    Cam.SetCamera(*Gfx);
    Gfx->drawLight(Lights);
}
