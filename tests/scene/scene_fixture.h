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
inline std::string binDir()
{
    return RINKFALL_TEST_BIN_DIR;
}

inline const std::array<const char*, 9> TextureNames{"Tex_Ice",    "Tex_House",    "Tex_Wall",
                                                     "Tex_Side",   "Tex_Line",     "Tex_Center",
                                                     "Tex_LineSide", "Tex_Cursor", "Tex_Bar"};
constexpr int SlotWidthBase = 10;

class RecordingDialogs final : public platform::Dialogs {
public:
    void messageBox(const std::string& text, const std::string&) override { messages.push_back(text); }
    std::optional<std::string> inputBox(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    std::vector<std::string> messages;
};

// A 2 x 2 opaque image as wide as SlotWidthBase + the slot its file name names.
inline platform::TextureImage slotImage(const std::string& path)
{
    for (int slot = 0; slot < int(TextureNames.size()); ++slot) {
        if (path.ends_with(std::string(TextureNames[slot]) + ".bmp")) {
            const int width = SlotWidthBase + slot;
            return {{platform::TextureLevel{width, 2, std::vector<std::uint8_t>(std::size_t(width) * 2 * 4, 0xFF)}}};
        }
    }
    throw std::runtime_error("not a texture of the game: " + path);
}

inline int slotOf(const gfx::Texture* texture)
{
    return texture ? texture->width() - SlotWidthBase : -1;
}

class SceneTest : public ::testing::Test {
protected:
    // gmode 0 keeps the phase at 1: no phase logic moves stones or the camera behind a test's back.
    void start(std::int16_t gmode = 0)
    {
        FieldEnvironment env;
        env.platform.createDevice = [this](const engine::PresentParams&, bool) -> std::unique_ptr<gfx::Device> {
            auto d = std::make_unique<gfx::NullDevice>();
            device = d.get();
            return d;
        };
        env.platform.loadTexture = [this](const std::string& path) {
            texturePaths.push_back(path);
            return slotImage(path);
        };
        env.platform.loadMesh = [this](const std::string& path) {
            meshPaths.push_back(path);
            return platform::loadXFile(path);
        };
        env.platform.clock = &clock;
        env.platform.dialogs = &dialogs;
        env.platform.input = &host;
        env.programDir = binDir();
        env.seed = 11;
        field = std::make_unique<Field>(env);
        field->prepareGame(gmode);
        field->beginLoop();
        floor = platform::loadXFile(binDir() + "/Library/Mesh_Floor.x");
        pipe = platform::loadXFile(binDir() + "/Library/Mesh_Pipe.x");
    }

    // One frame from a clean device log.
    void frame()
    {
        device->reset();
        clock.set(100.0 + double(frameIndex++) / 60);
        field->runFrame();
    }

    // Only the overlay of the current state.
    void overlay()
    {
        device->reset();
        field->engine().SpriteBegin();
        field->Draw_2D();
        field->engine().SpriteEnd();
    }

    // Only the text of the current state.
    void statusText()
    {
        device->reset();
        field->Draw_System();
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
    gfx::NullDevice* device = nullptr;
    std::unique_ptr<Field> field;
    std::vector<std::string> texturePaths, meshPaths;
    platform::MeshData floor, pipe;
    long frameIndex = 0;
};

// A SceneTest whose game has started.
class StartedScene : public SceneTest {
protected:
    void SetUp() override { start(); }
};

} // namespace scenetest
