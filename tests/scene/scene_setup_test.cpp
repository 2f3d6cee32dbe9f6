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
    const std::vector<std::string> textures{
        "\\Library\\Tex_Ice.bmp",  "\\Library\\Tex_House.bmp",    "\\Library\\Tex_Wall.bmp",
        "\\Library\\Tex_Side.bmp", "\\Library\\Tex_Line.bmp",     "\\Library\\Tex_Center.bmp",
        "\\Library\\Tex_LineSide.bmp", "\\Library\\Tex_Cursor.bmp", "\\Library\\Tex_Bar.bmp"};
    ASSERT_EQ(texturePaths.size(), textures.size());
    for (std::size_t i = 0; i < textures.size(); ++i)
        EXPECT_EQ(texturePaths[i], binDir() + textures[i]);
    const std::vector<std::string> meshes{"\\Library\\Mesh_Floor.x", "\\Library\\Mesh_Box.x",
                                          "\\Library\\Mesh_Pipe.x"};
    ASSERT_EQ(meshPaths.size(), meshes.size());
    for (std::size_t i = 0; i < meshes.size(); ++i)
        EXPECT_EQ(meshPaths[i], binDir() + meshes[i]);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SceneSetup, MaterialsOfSheetAndStones)
{
    start();
    frame(); // the last material set is the sheet's: no stone is in play
    const D3DMATERIAL8 m = device->state().material();
    EXPECT_FLOAT_EQ(m.Diffuse.r, 1);
    EXPECT_FLOAT_EQ(m.Diffuse.g, 1);
    EXPECT_FLOAT_EQ(m.Diffuse.b, 1);
    EXPECT_FLOAT_EQ(m.Diffuse.a, 1);
    EXPECT_FLOAT_EQ(m.Ambient.r, 1);
    EXPECT_FLOAT_EQ(m.Specular.r, 0);
    EXPECT_FLOAT_EQ(m.Power, 1);
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

    QTemporaryDir dir;
    std::string root;
};

TEST_F(DamagedLibrary, IntactCopyRuns)
{
    EXPECT_EQ(runOneFrame(), 0);
}

TEST_F(DamagedLibrary, EachMissingFileEndsTheGameWithAnError)
{
    for (const char* name : {"Tex_Ice.bmp", "Tex_Bar.bmp", "Mesh_Box.x", "Mesh_Pipe.x"}) {
        const fs::path file = fs::path(root) / "Library" / name;
        const fs::path aside = fs::path(root) / name;
        fs::rename(file, aside);
        testing::internal::CaptureStderr();
        const int code = runOneFrame();
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(code, 0) << name;
        EXPECT_NE(said.find("Unfound"), std::string::npos) << name << ": " << said;
        EXPECT_NE(said.find(name), std::string::npos) << said;
        fs::rename(aside, file);
    }
}

TEST_F(DamagedLibrary, CorruptFilesEndTheGameWithAnError)
{
    for (const char* name : {"Tex_House.bmp", "Mesh_Floor.x"}) {
        const fs::path file = fs::path(root) / "Library" / name;
        const fs::path aside = fs::path(root) / (std::string(name) + ".good");
        fs::copy_file(file, aside);
        {
            // The head of the file survives, the rest is cut off and followed by noise.
            std::ifstream in(file, std::ios::binary);
            std::string head(40, '\0');
            in.read(head.data(), 40);
            std::ofstream out(file, std::ios::binary | std::ios::trunc);
            out << head << "\x01\xff garbage {{{ ;;; 1e999";
        }
        testing::internal::CaptureStderr();
        const int code = runOneFrame();
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(code, 0) << name;
        EXPECT_NE(said.find("Unfound"), std::string::npos) << name << ": " << said;
        fs::remove(file);
        fs::rename(aside, file);
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
    EXPECT_EQ(dialogs.messages[0], "Unfound: " + env.programDir + "\\Library\\Tex_Ice.bmp");
}

} // namespace
} // namespace scenetest
