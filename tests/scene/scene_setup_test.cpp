// The scene's resources at the start of a game: which files are read, and that a missing or damaged
// one ends the game with an error.

#include "scene_fixture.h"

#include "game/game_run.h"

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>

namespace scenetest {
namespace {

namespace fs = std::filesystem;

TEST_F(SceneTest, ReadsTheNineBitmapsAndThreeMeshesBesideTheProgram)
{
    std::vector<std::string> textures, meshes;
    for (const char* name : TextureNames)
        textures.push_back(testsupport::programDir() + "\\Library\\" + name + ".bmp");
    for (const char* name : {"Mesh_Floor", "Mesh_Box", "Mesh_Pipe"})
        meshes.push_back(testsupport::programDir() + "\\Library\\" + name + ".x");
    EXPECT_EQ(texturePaths, textures);
    EXPECT_EQ(meshPaths, meshes);
    EXPECT_TRUE(dialogs.messages.empty());
}

// Headless practice games of one frame on a copy of the generated Library, as the program runs
// them: the intact copy runs, and each missing file, or one whose head survives but whose rest is
// noise, ends the game with the Unfound error naming it.
TEST(DamagedLibrary, EachMissingOrCorruptFileEndsTheGameWithAnError)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const fs::path library = dir.path().toStdString() + "/Library";
    fs::copy(testsupport::programDir() + "/Library", library, fs::copy_options::recursive);
    GameRunOptions o;
    o.startsGame = true;
    o.headless = true;
    o.seed = 1;
    o.frames = 1;
    o.libraryDir = dir.path();
    ASSERT_EQ(runGame(o), 0) << "the intact copy runs";
    const std::pair<const char*, bool> damages[] = {{"Tex_Ice.bmp", false}, {"Tex_Bar.bmp", false},
                                                    {"Mesh_Box.x", false},  {"Mesh_Pipe.x", false},
                                                    {"Tex_House.bmp", true}, {"Mesh_Floor.x", true}};
    for (const auto& [name, corrupt] : damages) {
        const fs::path file = library / name, aside = library / (std::string(name) + ".good");
        fs::rename(file, aside);
        if (corrupt) {
            std::ifstream in(aside, std::ios::binary);
            std::string head(40, '\0');
            in.read(head.data(), 40);
            std::ofstream(file, std::ios::binary) << head << "\x01\xff garbage {{{ ;;; 1e999";
        }
        testing::internal::CaptureStderr();
        EXPECT_NE(runGame(o), 0) << name;
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find("Unfound"), std::string::npos) << name << ": " << said;
        EXPECT_NE(said.find(name), std::string::npos) << said;
        fs::remove(file);
        fs::rename(aside, file);
    }
}

} // namespace
} // namespace scenetest
