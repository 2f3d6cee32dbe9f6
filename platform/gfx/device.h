#pragma once

// The graphics device the engine draws through: Direct3D 8 shaped, with the state values of the
// Direct3D 8 headers (d3d_types.h). Two implementations: the OpenGL 3.3 device, which reproduces
// the fixed-function pipeline in one shader pair, and the null device, which draws nothing and
// remembers every call for tests and --headless runs.
//
// Everything is drawn into a 640 x 480 (or the requested size) back buffer; the window host
// presents it scaled and letterboxed.

#include "platform/gfx/d3d_types.h"
#include "platform/mesh_data.h"
#include "platform/texture_image.h"

#include <QImage>

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>

namespace gfx {

// A failing platform call. `code` is the result code the caller sees.
class DeviceError : public std::runtime_error {
public:
    DeviceError(const std::string& what, long code = -1) : std::runtime_error(what), code_(code) {}
    long code() const { return code_; }

private:
    long code_;
};

class Texture {
public:
    virtual ~Texture() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
};

class Mesh {
public:
    virtual ~Mesh() = default;
    // As the mesh reports them (the draw counters add these).
    virtual std::uint32_t numVertices() const = 0;
    virtual std::uint32_t numFaces() const = 0;
    virtual std::uint32_t numSubsets() const = 0;
    // The attribute ids drawSubset draws triangles for, ascending; every other id is a no-op.
    virtual std::span<const std::uint32_t> drawnAttribIds() const = 0;
};

// A font as the text calls use it: a face name, a pixel height and a style.
struct FontDesc {
    std::string face; // UTF-8
    int pixelHeight = 13;
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

class Font {
public:
    virtual ~Font() = default;
    virtual const FontDesc& desc() const = 0;
};

// Where drawOutlinedText puts the copies of the text under it, in drawing order: one pixel to each
// side (the outline) and one to the lower right (a shadow).
struct TextOffset {
    int dx, dy;
};
inline constexpr std::array<TextOffset, 5> kTextOutline{{{-1, 0}, {1, 0}, {0, -1}, {0, 1}, {1, 1}}};

// One sprite quad in back-buffer pixels. Corners go top-left, top-right, bottom-right,
// bottom-left of the source rectangle after scaling, rotation and translation.
struct SpriteQuad {
    const Texture* texture = nullptr;
    RECT src;                 // texels of the source rectangle
    float x[4] = {}, y[4] = {};
    D3DCOLOR color = 0xFFFFFFFF; // modulates colour and alpha
};

class Device {
public:
    virtual ~Device() = default;

    virtual int backBufferWidth() const = 0;
    virtual int backBufferHeight() const = 0;

    // --- state --------------------------------------------------------------------------------
    virtual void setRenderState(std::uint32_t state, std::uint32_t value) = 0;
    virtual std::uint32_t renderState(std::uint32_t state) const = 0;
    virtual void setTextureStageState(std::uint32_t stage, std::uint32_t type, std::uint32_t value) = 0;
    virtual std::uint32_t textureStageState(std::uint32_t stage, std::uint32_t type) const = 0;
    virtual void setTransform(std::uint32_t which, const D3DMATRIX& m) = 0; // d3d::TS_*
    virtual D3DMATRIX transform(std::uint32_t which) const = 0;
    virtual void setMaterial(const D3DMATERIAL8& material) = 0;
    virtual void setLight(std::uint32_t index, const D3DLIGHT8& light) = 0;
    virtual void lightEnable(std::uint32_t index, bool enable) = 0;
    virtual void setTexture(std::uint32_t stage, const Texture* texture) = 0; // nullptr unbinds
    virtual const Texture* texture(std::uint32_t stage) const = 0;
    virtual void setViewport(const D3DVIEWPORT8& viewport) = 0;

    // --- frame --------------------------------------------------------------------------------
    virtual void clear(std::uint32_t flags, D3DCOLOR color, float z, std::uint32_t stencil) = 0;
    virtual void beginScene() = 0;
    virtual void endScene() = 0;
    // Shows the back buffer in the window (the null device only counts).
    virtual void present() = 0;

    // --- resources ----------------------------------------------------------------------------
    virtual std::unique_ptr<Texture> createTexture(const platform::TextureImage& image) = 0;
    virtual std::unique_ptr<Mesh> createMesh(const platform::MeshData& data) = 0;
    virtual std::unique_ptr<Font> createFont(const FontDesc& desc) = 0;

    // --- drawing ------------------------------------------------------------------------------
    // Draws the triangles of one attribute id with the current state (no-op for an unused id).
    virtual void drawSubset(const Mesh& mesh, std::uint32_t attribId) = 0;
    // The subset at each world matrix in turn, leaving the last as the world transform: by default
    // exactly those setTransform and drawSubset calls, which a device may draw in one go.
    virtual void drawSubsetAt(const Mesh& mesh, std::uint32_t attribId, std::span<const D3DMATRIX> worlds)
    {
        for (const D3DMATRIX& world : worlds) {
            setTransform(d3d::TS_WORLD, world);
            drawSubset(mesh, attribId);
        }
    }

    // Sprite pass: alpha blending SRCALPHA / INVSRCALPHA, no depth, no lighting, no culling, no
    // fog; quads are batched per texture and flushed by endSprites (or a texture change).
    virtual void beginSprites() = 0;
    virtual void drawSprite(const SpriteQuad& quad) = 0;
    virtual void endSprites() = 0;

    // Left- and top-aligned text, no wrap, line breaks honoured, clipped to `rect` and the back
    // buffer. Text is UTF-8.
    virtual void drawText(const Font& font, const std::string& text, const RECT& rect, D3DCOLOR color) = 0;
    // The text over copies of itself in `outline` at kTextOutline, each copy clipped to `rect` moved
    // with it: by default exactly those drawText calls, which a device may draw in one go.
    virtual void drawOutlinedText(const Font& font, const std::string& text, const RECT& rect, D3DCOLOR color,
                                  D3DCOLOR outline)
    {
        for (const TextOffset& d : kTextOutline)
            drawText(font, text, RECT{rect.Left + d.dx, rect.Top + d.dy, rect.Right + d.dx, rect.Bottom + d.dy},
                     outline);
        drawText(font, text, rect, color);
    }

    // The back buffer as it is now (RGBA, top row first). The null device returns a null image.
    virtual QImage readBackBuffer() = 0;
    // As Direct3D's lockable back buffer: the back buffer stays readable after present(). Without
    // it a window's device may draw straight into the window and keep no copy of the frame.
    virtual void setBackBufferLockable(bool) {}
};

} // namespace gfx
