#pragma once

// A game window on the null device, with the meshes of the generated Library and stand-in textures
// whose width tells their slot, so a test can see which texture a draw used.

#include "game/field.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/gfx/null_device.h"
#include "platform/input_host.h"
#include "platform/xfile_parser.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace scenetest {

// Where the build writes the Library folder (beside the programs).
inline const std::string BinDir = RINKFALL_TEST_BIN_DIR;

inline const std::array<const char*, 9> TextureNames{"Tex_Ice",    "Tex_House",    "Tex_Wall",
                                                     "Tex_Side",   "Tex_Line",     "Tex_Center",
                                                     "Tex_LineSide", "Tex_Cursor", "Tex_Bar"};
constexpr int SlotWidthBase = 10;

inline int slotOf(const gfx::Texture* texture)
{
    return texture ? texture->width() - SlotWidthBase : -1;
}

class RecordingDialogs final : public platform::Dialogs {
public:
    void messageBox(const std::string& text, const std::string&) override { messages.push_back(text); }
    std::optional<std::string> inputBox(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    std::vector<std::string> messages;
};

class SceneTest : public ::testing::Test {
protected:
    SceneTest()
    {
        env.platform.createDevice = [this](const engine::PresentParams&, bool) -> std::unique_ptr<gfx::Device> {
            auto d = std::make_unique<gfx::NullDevice>();
            device = d.get();
            return d;
        };
        // An opaque image, 2 texels high and as wide as SlotWidthBase + the slot its file name names.
        env.platform.loadTexture = [this](const std::string& path) {
            texturePaths.push_back(path);
            for (int slot = 0; slot < int(TextureNames.size()); ++slot) {
                const int width = SlotWidthBase + slot;
                if (path.ends_with(std::string(TextureNames[slot]) + ".bmp"))
                    return platform::TextureImage{{platform::TextureLevel{width, 2, std::vector<std::uint8_t>(width * 8, 0xFF)}}};
            }
            throw std::runtime_error("not a texture of the game: " + path);
        };
        env.platform.loadMesh = [this](const std::string& path) {
            meshPaths.push_back(path);
            return platform::loadXFile(path);
        };
        env.platform.clock = &clock;
        env.platform.dialogs = &dialogs;
        env.platform.input = &host;
        env.programDir = BinDir;
        env.seed = 11;
    }

    void SetUp() override { start(); }

    // gmode 0 keeps the phase at 1: no phase logic moves stones or the camera behind a test's back.
    void start(std::int16_t gmode = 0)
    {
        field = std::make_unique<Field>(env);
        field->prepareGame(gmode);
        field->beginLoop();
    }

    // One frame from a clean device log.
    void frame()
    {
        device->reset();
        clock.set(100.0 + double(frameIndex++) / 60);
        field->runFrame();
    }

    void placeStone(int i, float x, float z, std::int16_t inPlay = -1, float rot = 0)
    {
        StoneRec& s = field->Stones[i];
        s.InPlay = inPlay;
        s.Pos = {x, 0.5f, z};
        s.Speed = 0;
        s.RunState = 0;
        s.Rot = rot;
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

    platform::ScriptedInputHost host;
    platform::VirtualClock clock{100.0};
    RecordingDialogs dialogs;
    FieldEnvironment env;
    gfx::NullDevice* device = nullptr;
    std::unique_ptr<Field> field;
    std::vector<std::string> texturePaths, meshPaths;
    const platform::MeshData floor = platform::loadXFile(BinDir + "/Library/Mesh_Floor.x");
    const platform::MeshData pipe = platform::loadXFile(BinDir + "/Library/Mesh_Pipe.x");
    long frameIndex = 0;
};

} // namespace scenetest
