#include "game/field.h"

#include "game/shot_phases.h"
#include "platform/input_host.h"

#include <utility>

namespace {

// Windows virtual-key codes of the bindings, in KeyIndex order.
constexpr std::array<std::uint8_t, Field::KeyCount> BoundKeyCodes{27, 87, 83, 65, 68, 32, 112, 113, 114, 13};

constexpr D3DCOLOR Black = 0x00000000;

} // namespace

Field::Field(FieldEnvironment environment) : env_(std::move(environment)), random_(env_.seed) {}

Field::~Field() = default;

void Field::NewGame(std::int16_t& GMode_)
{
    prepareGame(GMode_);
    Game_Main();
}

void Field::prepareGame(std::int16_t gameMode)
{
    if (!Gfx)
        Gfx = std::make_unique<QRN>(env_.platform);
    if (!Inp)
        Inp = std::make_unique<QIF>(*env_.platform.input);
    Gfx->AutoDxInit(this, 640, 480, 0, -1);
    Gfx->set3DSystem(-1, -1, -1);
    Load_SceneTextures();
    for (int i = 0; i < KeyCount; ++i)
        Keys[i].setKey(BoundKeyCodes[i]);
    Gfx->setSprite();
    Setup_SceneObjects();
    View.Pos = {0, 1, 0};
    View.Yaw = 0;
    View.Pitch = 0;
    View.Fov = 45;
    if (env_.showWindow)
        env_.showWindow();
    Setup_TextAndStages();
    Phase = ShotPhase::Start;
    Running = -1;
    GMode = gameMode;
}

void Field::beginLoop()
{
    CamMode = 1;
    CurStone = 0;
    MouseLook = -1;
    sounds_.clear();
    soundFrame_ = 0;
}

// One frame. The order is fixed: input and the phase machine first, then the 3D scene with the
// physics step between the scenery and the stones, then the overlay and the text, then present.
void Field::runFrame()
{
    if (hooks_.beforeFrame)
        hooks_.beforeFrame();
    Draw_Pre();
    Draw_Event();
    Gfx->DisplayClear(Black);
    Gfx->SceneBegin();
    Set_3D();
    Draw_3D();
    Gfx->SceneEnd();
    Gfx->SpriteBegin();
    Draw_2D();
    Gfx->SpriteEnd();
    Draw_System();
    passFrameSounds();
    if (hooks_.beforeFlip)
        hooks_.beforeFlip();
    Gfx->Flip();
    if (hooks_.afterFrame && !hooks_.afterFrame())
        Running = 0;
}

void Field::Game_Main()
{
    beginLoop();
    while (Running != 0)
        runFrame();
}

void Field::onMouseButtonDown(std::int16_t Button)
{
    if (Inp)
        Inp->setMouseButton(Button);
}

float Field::fps()
{
    return Gfx->getFPS();
}

// Uniform in [0, 360): 24 random bits keep the float result below 360.
float Field::randomAngle()
{
    const std::uint32_t bits = random_() >> 8;
    return static_cast<float>(bits * (360.0 / 16777216.0));
}
