#include "tests/support/headless_game.h"

#include "platform/bmp_texture.h"
#include "platform/xfile_parser.h"

namespace testsupport {

void RecordingDialogs::messageBox(const std::string& text, const std::string& caption)
{
    messages.push_back(text);
    captions.push_back(caption);
    if (events_)
        events_->push_back("message:" + text);
}

std::string programDir() { return RINKFALL_TEST_BIN_DIR; }

void useRealLoaders(engine::QrnPlatform& platform)
{
    platform.loadTexture = [](const std::string& path) { return platform::loadBmpTexture(path); };
    platform.loadMesh = [](const std::string& path) { return platform::loadXFile(path); };
}

HeadlessGame::HeadlessGame()
{
    env.platform.createDevice = [this](const engine::PresentParams&, bool) -> std::unique_ptr<gfx::Device> {
        auto d = std::make_unique<gfx::NullDevice>();
        device = d.get();
        return d;
    };
    env.platform.loadTexture = [](const std::string&) {
        platform::TextureImage image;
        image.levels.push_back({1, 1, {128, 128, 128, 255}});
        return image;
    };
    env.platform.loadMesh = [](const std::string&) {
        platform::MeshData mesh;
        mesh.vertices = {{0, 0, 0, 0, 1, 0, 0, 0}, {1, 0, 0, 0, 1, 0, 1, 0}, {0, 0, 1, 0, 1, 0, 0, 1}};
        mesh.indices = {0, 1, 2};
        mesh.subsets = {{0, 0, 1, 0, 3}};
        return mesh;
    };
    env.platform.clock = &clock;
    env.platform.dialogs = &dialogs;
    env.platform.input = &host;
    env.seed = 7;
}

void HeadlessGame::useLibrary()
{
    useRealLoaders(env.platform);
    env.programDir = programDir();
}

void HeadlessGame::start(std::int16_t gmode, int framesPerSecond)
{
    rate = framesPerSecond;
    field.reset();
    field = std::make_unique<Field>(env);
    field->prepareGame(gmode);
    field->beginLoop();
}

void HeadlessGame::setInput(std::initializer_list<std::uint8_t> keysDown, std::int16_t buttons, int x, int y)
{
    host.keys.fill(0);
    for (std::uint8_t k : keysDown)
        host.keys[k] = 0x80;
    host.x = x;
    host.y = y;
    if (buttons != 0)
        field->onMouseButtonDown(buttons);
    clock.set(100.0 + double(frameIndex) / rate);
    ++frameIndex;
}

void HeadlessGame::frame(std::initializer_list<std::uint8_t> keysDown, std::int16_t buttons, int x, int y)
{
    setInput(keysDown, buttons, x, y);
    field->runFrame();
}

void HeadlessGame::frames(int n)
{
    for (int i = 0; i < n; ++i)
        frame();
}

void HeadlessGame::hold(std::uint8_t key, int n)
{
    for (int i = 0; i < n; ++i)
        frame({key});
}

void HeadlessGame::tap(std::uint8_t key)
{
    frame({key});
    frame();
}

} // namespace testsupport
