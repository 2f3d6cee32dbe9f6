#include "platform/gfx/null_device.h"

#include <algorithm>

namespace gfx {

NullMesh::NullMesh(const platform::MeshData& data)
    : numVertices_(data.numVertices()), numFaces_(data.numFaces()), subsets_(data.subsets)
{
    for (const platform::MeshSubset& s : subsets_)
        if (subset(s.attribId))
            drawnIds_.push_back(s.attribId);
    std::sort(drawnIds_.begin(), drawnIds_.end());
    drawnIds_.erase(std::unique(drawnIds_.begin(), drawnIds_.end()), drawnIds_.end());
}

const platform::MeshSubset* NullMesh::subset(std::uint32_t attribId) const
{
    auto it = std::find_if(subsets_.begin(), subsets_.end(),
                           [attribId](const platform::MeshSubset& s) { return s.attribId == attribId; });
    return it == subsets_.end() || it->faceCount == 0 ? nullptr : &*it;
}

void NullDevice::setTextureStageState(std::uint32_t stage, std::uint32_t type, std::uint32_t value)
{
    state_.setTextureStageState(stage, type, value);
}

std::uint32_t NullDevice::textureStageState(std::uint32_t stage, std::uint32_t type) const
{
    return state_.textureStageState(stage, type);
}

void NullDevice::setViewport(const D3DVIEWPORT8& viewport)
{
    if (!viewportFits(viewport, width_, height_))
        throw DeviceError("viewport outside the back buffer", kInvalidCall);
    state_.setViewport(viewport);
}

void NullDevice::clear(std::uint32_t flags, D3DCOLOR color, float z, std::uint32_t stencil)
{
    ++counts_.clears;
    if (keepLogs_)
        clears_.push_back({flags, color, z, stencil});
}

void NullDevice::beginScene()
{
    // Direct3D refuses a nested scene; the engine relies on getting that error, not on silence.
    if (inScene_)
        throw DeviceError("BeginScene inside a scene", kInvalidCall);
    inScene_ = true;
    ++counts_.beginScenes;
}

void NullDevice::endScene()
{
    if (!inScene_)
        throw DeviceError("EndScene without BeginScene", kInvalidCall);
    inScene_ = false;
    ++counts_.endScenes;
}

std::unique_ptr<Texture> NullDevice::createTexture(const platform::TextureImage& image)
{
    if (image.width() <= 0 || image.height() <= 0)
        throw DeviceError("texture without pixels");
    ++counts_.texturesCreated;
    return std::make_unique<NullTexture>(image.width(), image.height(), static_cast<int>(image.levels.size()));
}

std::unique_ptr<Mesh> NullDevice::createMesh(const platform::MeshData& data)
{
    ++counts_.meshesCreated;
    return std::make_unique<NullMesh>(data);
}

std::unique_ptr<Font> NullDevice::createFont(const FontDesc& desc)
{
    ++counts_.fontsCreated;
    return std::make_unique<NullFont>(desc);
}

void NullDevice::drawSubset(const Mesh& mesh, std::uint32_t attribId)
{
    ++counts_.drawSubsetCalls;
    auto* nullMesh = dynamic_cast<const NullMesh*>(&mesh);
    if (!nullMesh)
        throw DeviceError("mesh of another device");
    const platform::MeshSubset* subset = nullMesh->subset(attribId);
    if (!subset || !keepLogs_)
        return;
    subsetDraws_.push_back({&mesh, attribId, subset->faceCount, mesh.numVertices(), mesh.numFaces(),
                            state_.texture(0), state_.transformRef(d3d::TS_WORLD),
                            state_.material(), state_.renderState(d3d::RS_NORMALIZENORMALS) != 0});
}

void NullDevice::beginSprites()
{
    if (inSprites_)
        throw DeviceError("sprite Begin inside a sprite pass", kInvalidCall);
    inSprites_ = true;
    ++counts_.spriteBegins;
}

void NullDevice::drawSprite(const SpriteQuad& quad)
{
    if (!inSprites_)
        throw DeviceError("sprite Draw outside Begin/End", kInvalidCall);
    if (keepLogs_)
        sprites_.push_back(quad);
}

void NullDevice::endSprites()
{
    if (!inSprites_)
        throw DeviceError("sprite End without Begin", kInvalidCall);
    inSprites_ = false;
    ++counts_.spriteEnds;
}

void NullDevice::drawText(const Font& font, const std::string& text, const RECT& rect, D3DCOLOR color)
{
    if (keepLogs_)
        texts_.push_back({&font, text, rect, color});
}

std::uint64_t NullDevice::facesDrawn() const
{
    std::uint64_t sum = 0;
    for (const SubsetDrawRecord& r : subsetDraws_)
        sum += r.faceCount;
    return sum;
}

void NullDevice::reset()
{
    counts_ = {};
    subsetDraws_.clear();
    sprites_.clear();
    texts_.clear();
    clears_.clear();
}

} // namespace gfx
