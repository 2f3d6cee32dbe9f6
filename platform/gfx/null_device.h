#pragma once

// A device that draws nothing and remembers every call: what --headless runs on and what tests
// read to see which calls the engine made.

#include "platform/gfx/device.h"
#include "platform/gfx/device_state.h"

#include <string>
#include <vector>

namespace gfx {

class NullTexture final : public Texture {
public:
    NullTexture(int width, int height, int levels) : width_(width), height_(height), levels_(levels) {}
    int width() const override { return width_; }
    int height() const override { return height_; }
    int levels() const { return levels_; }

private:
    int width_, height_, levels_;
};

class NullMesh final : public Mesh {
public:
    explicit NullMesh(const platform::MeshData& data);
    std::uint32_t numVertices() const override { return numVertices_; }
    std::uint32_t numFaces() const override { return numFaces_; }
    std::uint32_t numSubsets() const override { return static_cast<std::uint32_t>(subsets_.size()); }
    // The subset with this attribute id, or nullptr when no face carries it.
    const platform::MeshSubset* subset(std::uint32_t attribId) const;
    std::span<const std::uint32_t> drawnAttribIds() const override { return drawnIds_; }

private:
    std::uint32_t numVertices_, numFaces_;
    std::vector<platform::MeshSubset> subsets_;
    std::vector<std::uint32_t> drawnIds_;
};

class NullFont final : public Font {
public:
    explicit NullFont(FontDesc desc) : desc_(std::move(desc)) {}
    const FontDesc& desc() const override { return desc_; }

private:
    FontDesc desc_;
};

// One drawSubset call that drew triangles.
struct SubsetDrawRecord {
    const Mesh* mesh = nullptr;
    std::uint32_t attribId = 0;
    std::uint32_t faceCount = 0;    // of the subset
    std::uint32_t meshVertices = 0; // as the mesh reports them
    std::uint32_t meshFaces = 0;
    const Texture* texture = nullptr; // bound on stage 0 at the time
    D3DMATRIX world;
    D3DMATERIAL8 material; // set at the time
    bool normalizeNormals = false; // RS_NORMALIZENORMALS at the time
};

struct TextRecord {
    const Font* font = nullptr;
    std::string text;
    RECT rect;
    D3DCOLOR color = 0;
};

struct ClearRecord {
    std::uint32_t flags = 0;
    D3DCOLOR color = 0;
    float z = 0;
    std::uint32_t stencil = 0;
};

// Everything counted since creation or the last reset().
struct NullDeviceCounts {
    int drawSubsetCalls = 0; // including calls for attribute ids without faces
    int clears = 0;
    int beginScenes = 0;
    int endScenes = 0;
    int presents = 0;
    int spriteBegins = 0;
    int spriteEnds = 0;
    int texturesCreated = 0;
    int meshesCreated = 0;
    int fontsCreated = 0;
};

class NullDevice final : public Device {
public:
    explicit NullDevice(int width = 640, int height = 480) : width_(width), height_(height) {}

    int backBufferWidth() const override { return width_; }
    int backBufferHeight() const override { return height_; }

    void setRenderState(std::uint32_t state, std::uint32_t value) override { state_.setRenderState(state, value); }
    std::uint32_t renderState(std::uint32_t state) const override { return state_.renderState(state); }
    void setTextureStageState(std::uint32_t stage, std::uint32_t type, std::uint32_t value) override;
    std::uint32_t textureStageState(std::uint32_t stage, std::uint32_t type) const override;
    void setTransform(std::uint32_t which, const D3DMATRIX& m) override { state_.setTransform(which, m); }
    D3DMATRIX transform(std::uint32_t which) const override { return state_.transform(which); }
    void setMaterial(const D3DMATERIAL8& material) override { state_.setMaterial(material); }
    void setLight(std::uint32_t index, const D3DLIGHT8& light) override { state_.setLight(index, light); }
    void lightEnable(std::uint32_t index, bool enable) override { state_.lightEnable(index, enable); }
    void setTexture(std::uint32_t stage, const Texture* texture) override { state_.setTexture(stage, texture); }
    const Texture* texture(std::uint32_t stage) const override { return state_.texture(stage); }
    void setViewport(const D3DVIEWPORT8& viewport) override;

    void clear(std::uint32_t flags, D3DCOLOR color, float z, std::uint32_t stencil) override;
    void beginScene() override;
    void endScene() override;
    void present() override { ++counts_.presents; }

    std::unique_ptr<Texture> createTexture(const platform::TextureImage& image) override;
    std::unique_ptr<Mesh> createMesh(const platform::MeshData& data) override;
    std::unique_ptr<Font> createFont(const FontDesc& desc) override;

    void drawSubset(const Mesh& mesh, std::uint32_t attribId) override;
    void beginSprites() override;
    void drawSprite(const SpriteQuad& quad) override;
    void endSprites() override;
    void drawText(const Font& font, const std::string& text, const RECT& rect, D3DCOLOR color) override;
    QImage readBackBuffer() override { return {}; }

    // --- what tests read ----------------------------------------------------------------------
    const DeviceState& state() const { return state_; }
    const NullDeviceCounts& counts() const { return counts_; }
    const std::vector<SubsetDrawRecord>& subsetDraws() const { return subsetDraws_; }
    const std::vector<SpriteQuad>& sprites() const { return sprites_; }
    const std::vector<TextRecord>& texts() const { return texts_; }
    const std::vector<ClearRecord>& clears() const { return clears_; }
    bool inScene() const { return inScene_; }
    bool inSprites() const { return inSprites_; }
    // Sums over the subset draws: what a frame's statistics line would show.
    std::uint64_t facesDrawn() const;
    // Forgets the counts and logs (not the state), e.g. between frames.
    void reset();
    // Whether the call logs above are kept (they are by default). A run that reads only the counts
    // and the state turns them off and saves a copy of every call.
    void keepCallLogs(bool keep) { keepLogs_ = keep; }

private:
    int width_, height_;
    DeviceState state_;
    NullDeviceCounts counts_;
    std::vector<SubsetDrawRecord> subsetDraws_;
    std::vector<SpriteQuad> sprites_;
    std::vector<TextRecord> texts_;
    std::vector<ClearRecord> clears_;
    bool inScene_ = false;
    bool inSprites_ = false;
    bool keepLogs_ = true;
};

} // namespace gfx
