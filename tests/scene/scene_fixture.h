#pragma once

// The headless game with the meshes of the generated Library and stand-in textures whose width
// tells their slot, so a test can see which texture a draw used.

#include "platform/xfile_parser.h"
#include "tests/support/headless_game.h"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

namespace scenetest {

inline const std::array<const char*, 9> TextureNames{"Tex_Ice",    "Tex_House",    "Tex_Wall",
                                                     "Tex_Side",   "Tex_Line",     "Tex_Center",
                                                     "Tex_LineSide", "Tex_Cursor", "Tex_Bar"};
constexpr int SlotWidthBase = 10;

inline int slotOf(const gfx::Texture* texture)
{
    return texture ? texture->width() - SlotWidthBase : -1;
}

class SceneTest : public ::testing::Test, public testsupport::HeadlessGame {
protected:
    SceneTest()
    {
        useLibrary();
        env.seed = 11;
        // An opaque image, 2 texels high and as wide as SlotWidthBase + the slot its file name names.
        env.platform.loadTexture = [](const std::string& path) {
            for (int slot = 0; slot < int(TextureNames.size()); ++slot) {
                const int width = SlotWidthBase + slot;
                if (path.ends_with(std::string(TextureNames[slot]) + ".bmp"))
                    return platform::TextureImage{
                        {platform::TextureLevel{width, 2, std::vector<std::uint8_t>(width * 8, 0xFF)}}};
            }
            throw std::runtime_error("not a texture of the game: " + path);
        };
    }

    // gmode 0 keeps the phase at 1: no phase logic moves stones or the camera behind a test's back.
    void SetUp() override { start(0); }

    // One frame from a clean device log.
    void frame()
    {
        device->reset();
        HeadlessGame::frame();
    }

    void placeStone(int i, float x, float z, std::int16_t inPlay = -1)
    {
        field->Stones[i] = {inPlay, {x, 0.5f, z}, 0, 0, 0, 0, 0};
    }

    // The draws of one mesh, told apart by its counts (floor and stone body differ).
    std::vector<gfx::SubsetDrawRecord> drawsOf(const platform::MeshData& mesh) const
    {
        std::vector<gfx::SubsetDrawRecord> out;
        for (const auto& r : device->subsetDraws())
            if (r.meshVertices == mesh.numVertices() && r.meshFaces == mesh.numFaces())
                out.push_back(r);
        return out;
    }

    const platform::MeshData floor = platform::loadXFile(testsupport::programDir() + "/Library/Mesh_Floor.x");
    const platform::MeshData pipe = platform::loadXFile(testsupport::programDir() + "/Library/Mesh_Pipe.x");
};

} // namespace scenetest
