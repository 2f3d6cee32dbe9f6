#pragma once

// The OpenGL 3.3 core device. Draws into an offscreen back buffer (RGBA8 colour, depth 24 +
// stencil 8) through one fixed-function ubershader pair (gl_shaders.cpp) and a small screen-space
// program for sprites and text. present() hands the frame to whoever shows it (the window host).

#include "platform/gfx/device.h"
#include "platform/gfx/device_state.h"
#include "platform/gfx/fixed_function.h"

#include <QSurfaceFormat>

#include <functional>
#include <optional>
#include <memory>
#include <vector>

class QOpenGLContext;
class QSurface;
class QOpenGLFunctions_3_3_Core;
class QRect;

namespace gfx {

// What the device's resources need to free their GL objects; resources keep it weakly, so one
// destroyed after its device frees nothing (its objects went with the context).
class GlDevice;
struct GlContextLink {
    QOpenGLContext* context = nullptr;
    QSurface* surface = nullptr;
    QOpenGLFunctions_3_3_Core* gl = nullptr;
    GlDevice* device = nullptr;
    void makeCurrent() const;
};

class GlDevice final : public Device {
public:
    // `context` must be created for OpenGL 3.3 core and be able to make `surface` current.
    // `keepAlive` is released after the device's GL objects (e.g. an owned context and surface).
    GlDevice(QOpenGLContext* context, QSurface* surface, int width, int height,
             std::shared_ptr<void> keepAlive = {});
    ~GlDevice() override;
    GlDevice(const GlDevice&) = delete;
    GlDevice& operator=(const GlDevice&) = delete;

    int backBufferWidth() const override { return width_; }
    int backBufferHeight() const override { return height_; }

    void setRenderState(std::uint32_t state, std::uint32_t value) override;
    std::uint32_t renderState(std::uint32_t state) const override { return state_.renderState(state); }
    void setTextureStageState(std::uint32_t stage, std::uint32_t type, std::uint32_t value) override;
    std::uint32_t textureStageState(std::uint32_t stage, std::uint32_t type) const override;
    void setTransform(std::uint32_t which, const D3DMATRIX& m) override;
    D3DMATRIX transform(std::uint32_t which) const override { return state_.transform(which); }
    void setMaterial(const D3DMATERIAL8& material) override;
    void setLight(std::uint32_t index, const D3DLIGHT8& light) override;
    void lightEnable(std::uint32_t index, bool enable) override;
    void setTexture(std::uint32_t stage, const Texture* texture) override;
    const Texture* texture(std::uint32_t stage) const override { return state_.texture(stage); }
    void setViewport(const D3DVIEWPORT8& viewport) override;

    void clear(std::uint32_t flags, D3DCOLOR color, float z, std::uint32_t stencil) override;
    void beginScene() override;
    void endScene() override;
    void present() override;

    std::unique_ptr<Texture> createTexture(const platform::TextureImage& image) override;
    std::unique_ptr<Mesh> createMesh(const platform::MeshData& data) override;
    std::unique_ptr<Font> createFont(const FontDesc& desc) override;

    void drawSubset(const Mesh& mesh, std::uint32_t attribId) override;
    // Instanced: each draw takes up to kMaxDrawInstances placements.
    void drawSubsetAt(const Mesh& mesh, std::uint32_t attribId, std::span<const D3DMATRIX> worlds) override;
    void beginSprites() override;
    void drawSprite(const SpriteQuad& quad) override;
    void endSprites() override;
    void drawText(const Font& font, const std::string& text, const RECT& rect, D3DCOLOR color) override;
    void drawOutlinedText(const Font& font, const std::string& text, const RECT& rect, D3DCOLOR color,
                          D3DCOLOR outline) override;
    QImage readBackBuffer() override;
    void setBackBufferLockable(bool lockable) override
    {
        lockable_ = lockable;
        if (lockable)
            drawIntoWindow(std::nullopt);
    }
    bool backBufferLockable() const { return lockable_; }

    // Called by present(); the window host installs one that shows the back buffer and swaps.
    void setPresentHook(std::function<void()> hook) { presentHook_ = std::move(hook); }
    // Copies the back buffer into `targetFbo` (0: the surface's default framebuffer), scaled into
    // `x, y, w, h` (GL window coordinates, origin bottom-left), after clearing it to black.
    void blitBackBuffer(unsigned targetFbo, int targetWidth, int targetHeight, int x, int y, int w, int h);
    // From the next draw on, frames go straight into `windowFbo` (the window's own framebuffer,
    // exactly the back buffer's size), which saves the copy; with nullopt, into the back buffer.
    // The window host chooses between frames.
    void drawIntoWindow(std::optional<unsigned> windowFbo);
    bool drawsIntoWindow() const { return windowFbo_.has_value(); }

    // Waits until the GPU has drawn everything submitted (for timing).
    void finish();

    // Off: draws, clears, sprites and text change nothing and cost nothing; states are still kept
    // and present() still reaches the hook. For a window nobody can see.
    void setDrawing(bool on) { drawing_ = on; }
    bool drawing() const { return drawing_; }

    QOpenGLContext* context() const { return link_->context; }
    // GL draw calls issued since creation: lets tests and benchmarks see sprite batching work.
    long long drawCalls() const { return drawCalls_; }
    std::string rendererName() const;
    // Glyphs the font has rasterised so far (each character once, however often it is drawn), and
    // outlines it has made of them.
    static int glyphsRasterised(const Font& font);
    static int outlinesMade(const Font& font);

    // A texture going away: unbinds it wherever it is set, so no draw reads a freed texture
    // (draws untextured instead), and draws the sprites queued with it first.
    void forgetTexture(const Texture* texture);

private:
    enum Dirty : unsigned {
        DirtyRaster = 1u << 0,  // GL pipeline state: render states, viewport, or sprites/text/clear
        DirtyFrame = 1u << 1,   // what FrameBlock is built from
        DirtyDraw = 1u << 2,    // what DrawBlock is built from
        DirtyProgram = 1u << 3, // what ShaderChoices are made from, or another program was used
        DirtyTexture = 1u << 4, // the texture and sampler on unit 0
        DirtyAll = 0x1Fu,
    };
    // One compiled specialisation of the fixed-function shaders.
    struct FixedFunctionProgram {
        ShaderChoices choices;
        unsigned program = 0;
    };
    struct ScreenVertex {
        float x, y, u, v;
        float r, g, b, a;
    };

    void ensureCurrent() const;
    void createBackBuffer();
    void createPrograms();
    void createScreenBuffers();
    void destroyGlObjects();
    void applyRasterState();
    bool blendingChangesNothing() const;
    void applyFixedFunctionState(bool instanced);
    unsigned fixedFunctionProgram(const ShaderChoices& choices);
    void uploadBlock(unsigned buffer, const void* data, std::size_t size, std::size_t capacity = 0);
    void flushSprites();
    void drawScreenQuads(unsigned texture, bool alphaOnly, const std::vector<ScreenVertex>& vertices);
    void useScreenPipeline();
    void uploadGlyphPages(const Font& font);
    static void appendGlyphQuad(std::vector<ScreenVertex>& out, const QRect& target, const QRect& source,
                                D3DCOLOR color);
    void markDirty(unsigned bits) { dirty_ |= bits; }
    unsigned drawTarget() const { return windowFbo_.value_or(fbo_); }

    std::shared_ptr<void> keepAlive_; // declared first: released last
    std::shared_ptr<GlContextLink> link_;
    QOpenGLFunctions_3_3_Core* gl_ = nullptr;
    int width_, height_;
    DeviceState state_;
    unsigned dirty_ = DirtyAll;

    unsigned fbo_ = 0, colorRb_ = 0, depthRb_ = 0;
    std::optional<unsigned> windowFbo_; // frames are drawn straight into the window
    bool lockable_ = false;
    std::vector<FixedFunctionProgram> ffPrograms_; // made when a draw first needs them
    unsigned ffProgramInUse_ = 0;
    unsigned frameUbo_ = 0, drawUbo_ = 0, instancedDrawUbo_ = 0;
    // What the blocks hold now, so an unchanged block is not sent again.
    FrameBlock frameBlock_{};
    DrawBlock drawBlock_{};
    bool frameBlockSent_ = false, drawBlockSent_ = false;
    std::vector<DrawBlock> instanceBlocks_; // the placements of one instanced draw
    unsigned screenProgram_ = 0, screenVao_ = 0, screenVbo_ = 0;
    int screenTargetSizeLoc_ = -1, screenAlphaOnlyLoc_ = -1;
    unsigned meshSampler_ = 0, screenSampler_ = 0;

    bool inScene_ = false;
    bool inSprites_ = false;
    const Texture* spriteTexture_ = nullptr;
    std::vector<ScreenVertex> spriteVertices_;
    long long drawCalls_ = 0;
    bool drawing_ = true;
    bool blendingOn_ = false; // as applyRasterState last set it
    std::function<void()> presentHook_;
};

// An OpenGL 3.3 core format with the depth/stencil the back buffer does not need from the surface.
QSurfaceFormat coreProfileFormat();

// A device drawing into an offscreen surface (tests, screenshots, tools). `software` asks Mesa's
// software renderer. Needs a QGuiApplication; throws DeviceError when no 3.3 core context is had.
std::unique_ptr<GlDevice> createOffscreenGlDevice(int width, int height, bool software);

// Makes Mesa choose its software renderer (llvmpipe). Mesa reads the setting when it first loads a
// driver for the display, so it takes effect for a process whose earlier attempt never got that
// far; after a driver was loaded, only a restart with LIBGL_ALWAYS_SOFTWARE=1 switches.
void requestSoftwareRenderer();

} // namespace gfx
