#pragma once
// The game in a real window for the benchmarks: the window's OpenGL device, the real file loaders,
// dialogs that only print, and the clock and input each benchmark chooses (real or virtual).

#include "game/field.h"
#include "platform/bmp_texture.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/input_host.h"
#include "platform/window_host.h"
#include "platform/xfile_parser.h"

#include <QCoreApplication>

#include <cstdio>
#include <optional>
#include <string>

namespace bench {

class PrintingDialogs final : public platform::Dialogs {
public:
    void messageBox(const std::string& text, const std::string&) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    std::optional<std::string> inputBox(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
};

// Everything but the clock and input stays beside the window; all four must outlive the game.
inline FieldEnvironment windowedGameEnvironment(platform::WindowHost& window, platform::Clock& clock,
                                                platform::InputHost& input, platform::Dialogs& dialogs)
{
    FieldEnvironment env;
    env.platform.createDevice = [&window](const engine::PresentParams&, bool software) -> std::unique_ptr<gfx::Device> {
        return window.createDevice(software);
    };
    env.platform.loadTexture = [](const std::string& path) { return platform::loadBmpTexture(path); };
    env.platform.loadMesh = [](const std::string& path) { return platform::loadXFile(path); };
    env.platform.clock = &clock;
    env.platform.dialogs = &dialogs;
    env.platform.input = &input;
    env.showWindow = [&window] { window.show(); };
    env.programDir = QCoreApplication::applicationDirPath().toStdString();
    env.seed = 3;
    return env;
}

} // namespace bench
