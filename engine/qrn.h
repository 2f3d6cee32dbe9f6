#pragma once

// The engine object the game window draws through: the device and its frame (clear, scene, present
// with a 100 frames-per-second cap), frame-rate and run-time measurement, draw counters, sprites and
// text, fog and the queue of transparent meshes, and the hand-over of textures and lights.
//
// Booleans are 16-bit with True = -1, as everywhere in the game's state; they reach the device as
// Direct3D's TRUE (1) and FALSE (0).

#include "engine/qrn_platform.h"
#include "platform/gfx/d3d_types.h"
#include "platform/gfx/device.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class Q_Tex;
class Q_Mat;
class Q_Light;

namespace engine {

// The game window, kept only so the engine knows which window it serves; sizing and events go
// through QrnPlatform.
using FormRef = const void*;

// The label whose design font the game's text uses. setFont writes the new size and style back,
// as the label's own font changes with it.
struct FontLabel {
    std::string face;       // UTF-8
    std::int16_t size = 9;  // points
    std::int16_t bold = 0, italic = 0, underline = 0;
};

// Point size to pixels on a 96-DPI desktop (10 pt -> 13 px).
int pointsToPixels(int points);

// The texture and mesh file services, bound to the engine's device.
class D3dx {
public:
    D3dx(const QrnPlatform& platform, gfx::Device& device) : platform_(platform), device_(device) {}
    std::unique_ptr<gfx::Texture> createTextureFromFile(const std::string& path);
    std::unique_ptr<gfx::Mesh> loadMeshFromX(const std::string& path);

private:
    const QrnPlatform& platform_;
    gfx::Device& device_;
};

// One queued transparent mesh. Material, texture and mesh are references to objects the game
// window keeps for the whole run.
struct AlphaObject {
    const Q_Mat* mat = nullptr;
    D3DVECTOR translation, scaling, angle;
    const gfx::Texture* tex = nullptr;
    const gfx::Mesh* mesh = nullptr;
};

} // namespace engine

class QRN {
public:
    static constexpr std::int16_t True = -1;
    static constexpr std::int16_t False = 0;
    static constexpr double kFrameInterval = 0.01; // seconds between two presents, at least

    explicit QRN(engine::QrnPlatform platform);
    ~QRN();
    QRN(const QRN&) = delete;
    QRN& operator=(const QRN&) = delete;

    // --- device, display and frame --------------------------------------------------------------
    void AutoDxInit(engine::FormRef refForm, std::int16_t Width, std::int16_t Height, std::int16_t FullScreen,
                    std::int16_t UseHardware);
    void setForm(engine::FormRef refForm) { form = refForm; }
    void setDisplay(std::int16_t Width, std::int16_t Height, std::int16_t FullScreen, std::int16_t UseHardware);
    void createDx8Graphic();
    void set3DSystem(std::int16_t gouraud, std::int16_t solid, std::int16_t lighting);
    void CanSpecular(std::int16_t mode);
    void CanAlpha(std::int16_t mode, std::int16_t ref, std::int32_t D3DCMP_function);
    void DisplayClear(D3DCOLOR color);
    void SceneBegin();
    void SceneEnd();
    void Flip();

    std::int16_t checkFPS();
    std::int16_t getFPS();
    std::int16_t getRunTime() const;

    std::int32_t getNumDrawVertex() const { return numDrawVertex; }
    std::int32_t getNumDrawFace() const { return numDrawFace; }
    std::int32_t getNumDrawLight() const { return numDrawLight; }
    void addNumDrawVertex(std::int32_t res);
    void addNumDrawFace(std::int32_t res);

    gfx::Device& getDDD() const;
    engine::D3dx& getDDX() const;
    std::int16_t getWidth() const { return width; }
    std::int16_t getHeight() const { return height; }
    std::int16_t getFullScreen() const { return fullScreen; }
    std::int16_t getUseHardware() const { return useHardware; }
    engine::FormRef getForm() const { return form; }
    const engine::DisplayMode& getDisplayMode() const { return displayMode; }
    const engine::PresentParams& getPresentParams() const { return presentParams; }

    // Shows `text` in a message box with the program's title (used for the engine's own failures).
    void showMessage(const std::string& text) const;

    // --- textures, ambient light and lights -------------------------------------------------------
    void setTexture(const Q_Tex& tex);
    void setAmbient(std::int16_t red, std::int16_t green, std::int16_t blue);
    // Lights that are on take the next device indices, in array order.
    void drawLight(std::span<const Q_Light> Light);

    // --- sprites, fonts and text ---------------------------------------------------------------------
    void setSprite();
    void SpriteBegin();
    void SpriteEnd();
    void drawSprBsc(const Q_Tex& refTex, const D3DVECTOR2& Place, const RECT& area, D3DCOLOR color);
    // Scaled about the middle of the unscaled sprite placed at Place, turned about `center`
    // (unscaled texels) by DegAng degrees counter-clockwise.
    void drawSprAdv(const Q_Tex& refTex, const D3DVECTOR2& Place, const RECT& area, const D3DVECTOR2& center,
                    const D3DVECTOR2& scaling, float DegAng, D3DCOLOR color);
    // As drawSprAdv, but scaled away from the top-left corner, which stays at Place.
    void drawSprAbs(const Q_Tex& refTex, const D3DVECTOR2& Place, const RECT& area, const D3DVECTOR2& center,
                    const D3DVECTOR2& scaling, float DegAng, D3DCOLOR color);
    void setFont(engine::FormRef refForm, engine::FontLabel& bas, std::int16_t size, std::int16_t Bold,
                 std::int16_t Italic, std::int16_t Underline);
    void drawText(const std::string& str, D3DCOLOR color, const RECT& area);
    // The text over copies of itself in `outline` (gfx::kTextOutline).
    void drawOutlinedText(const std::string& str, D3DCOLOR color, D3DCOLOR outline, const RECT& area);

    // --- fog and transparent queue -------------------------------------------------------------------
    void AlphaProcessing(const gfx::Mesh& refMesh, const Q_Mat& refMat, const gfx::Texture* refTex,
                         const D3DVECTOR& translation, const D3DVECTOR& scaling, const D3DVECTOR& angle);
    // Draws the queue from the farthest entry to the nearest as seen from `position`.
    void DrawAlphaProcessing(const D3DVECTOR& position);
    std::int16_t getAlphaCount() const { return alphaCount; }
    void setFog(std::int16_t enable, const std::string& mode, std::int16_t r, std::int16_t g, std::int16_t b,
                float startOrExp, float endFog);
    static std::int32_t FtoDW(float f);

    // Draws every subset of `mesh` with the current state and adds it to the draw counters.
    void drawMeshSubsets(const gfx::Mesh& mesh);
    // drawMeshSubsets at each world matrix in turn, leaving the last as the world transform.
    void drawMeshSubsetsAt(const gfx::Mesh& mesh, std::span<const D3DMATRIX> worlds);

private:
    std::unique_ptr<gfx::Device> createDevice(bool software);
    void fillPresentParams();
    void drawSprite(const Q_Tex& refTex, const RECT& area, const D3DVECTOR2& scale, const D3DVECTOR2& centre,
                    float radians, const D3DVECTOR2& move, D3DCOLOR color);
    double waitForNextFrame();

    engine::QrnPlatform platform_;

    std::unique_ptr<gfx::Device> device;
    std::unique_ptr<engine::D3dx> d3dx;
    engine::DisplayMode displayMode;
    engine::PresentParams presentParams;
    bool spriteCreated = false;
    bool spriteOpen = false;
    std::unique_ptr<gfx::Font> font;
    engine::FormRef form = nullptr;
    std::int16_t width = 0, height = 0;
    std::int16_t fullScreen = 0, useHardware = 0;

    // Double precision: a float of seconds is too coarse to pace 10 ms frames late in a long run.
    double fpsSecond = 0;
    std::int16_t frameCount = 0;
    std::int16_t fps = 0;
    std::int32_t runTime = 0;
    std::int32_t numDrawVertex = 0, numDrawFace = 0, numDrawLight = 0;
    std::vector<engine::AlphaObject> alphaQueue;
    std::int16_t alphaCount = 0;
    double lastFlipTime = 0;
};
