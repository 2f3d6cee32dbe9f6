// The scene's resources at the start of a game: which files are read, and what happens when one
// of them is missing or damaged.

#include "scene_fixture.h"

#include "engine/engine_errors.h"
#include "game/game_run.h"
#include "platform/bmp_texture.h"

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>

namespace scenetest {
namespace {

namespace fs = std::filesystem;

class SceneSetup : public SceneTest {};

TEST_F(SceneSetup, ReadsTheNineBitmapsAndThreeMeshesBesideTheProgram)
{
    start();
    std::vector<std::string> textures, meshes;
    for (const char* name : TextureNames)
        textures.push_back(binDir() + "\\Library\\" + name + ".bmp");
    for (const char* name : {"Mesh_Floor", "Mesh_Box", "Mesh_Pipe"})
        meshes.push_back(binDir() + "\\Library\\" + name + ".x");
    EXPECT_EQ(texturePaths, textures);
    EXPECT_EQ(meshPaths, meshes);
    EXPECT_TRUE(dialogs.messages.empty());
}

// A copy of the generated Library in a folder of its own, to damage.
class DamagedLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        root = dir.path().toStdString();
        fs::copy(binDir() + "/Library", root + "/Library", fs::copy_options::recursive);
    }

    // Runs a headless practice game for one frame on the copy, as the program would.
    int runOneFrame()
    {
        GameRunOptions o;
        o.startsGame = true;
        o.headless = true;
        o.seed = 1;
        o.frames = 1;
        o.libraryDir = QString::fromStdString(root);
        return runGame(o);
    }

    // Runs with `name` damaged by `damage`, expects the Unfound error, then restores the file.
    template <typename Damage>
    void expectUnfoundWhen(const char* name, Damage damage)
    {
        const fs::path file = fs::path(root) / "Library" / name;
        const fs::path aside = fs::path(root) / (std::string(name) + ".good");
        fs::rename(file, aside);
        damage(file, aside);
        testing::internal::CaptureStderr();
        const int code = runOneFrame();
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(code, 0) << name;
        EXPECT_NE(said.find("Unfound"), std::string::npos) << name << ": " << said;
        EXPECT_NE(said.find(name), std::string::npos) << said;
        fs::remove(file);
        fs::rename(aside, file);
    }

    QTemporaryDir dir;
    std::string root;
};

TEST_F(DamagedLibrary, EachMissingOrCorruptFileEndsTheGameWithAnError)
{
    ASSERT_EQ(runOneFrame(), 0) << "the intact copy runs";
    for (const char* name : {"Tex_Ice.bmp", "Tex_Bar.bmp", "Mesh_Box.x", "Mesh_Pipe.x"})
        expectUnfoundWhen(name, [](const fs::path&, const fs::path&) {});
    for (const char* name : {"Tex_House.bmp", "Mesh_Floor.x"}) {
        expectUnfoundWhen(name, [](const fs::path& file, const fs::path& good) {
            // The head of the file survives, the rest is cut off and followed by noise.
            std::ifstream in(good, std::ios::binary);
            std::string head(40, '\0');
            in.read(head.data(), 40);
            std::ofstream(file, std::ios::binary) << head << "\x01\xff garbage {{{ ;;; 1e999";
        });
    }
}

TEST_F(SceneSetup, MissingFileShowsUnfoundWithThePath)
{
    QTemporaryDir empty;
    FieldEnvironment env;
    env.platform.createDevice = [](const engine::PresentParams&, bool) { return std::make_unique<gfx::NullDevice>(); };
    env.platform.loadTexture = [](const std::string& path) { return platform::loadBmpTexture(path); };
    env.platform.loadMesh = [](const std::string& path) { return platform::loadXFile(path); };
    env.platform.clock = &clock;
    env.platform.dialogs = &dialogs;
    env.platform.input = &host;
    env.programDir = empty.path().toStdString();
    Field f(env);
    try {
        f.prepareGame(1);
        FAIL() << "a game started without its Library";
    } catch (const engine::FatalExit& e) {
        EXPECT_NE(e.exitCode(), 0);
    }
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "Unfound: " + env.programDir + "/Library/Tex_Ice.bmp"); // the system's separators
}

} // namespace
} // namespace scenetest
