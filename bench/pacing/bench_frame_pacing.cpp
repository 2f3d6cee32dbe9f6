// What frames cost while they wait: the process CPU time, as a share of one core, over paced frames
// (100 frames per second on the real clock).
//
//  - the Flip wait alone: an empty scene (clear, scene, present) on the null device;
//  - the game in a window that is shown, and in one that is hidden (as when minimised or covered):
//    the whole game frame on the OpenGL device, llvmpipe's threads included.
//
//   bench_frame_pacing [frames]   (default 200; without an X display it runs itself under xvfb-run)

#include "bench/common/software_gl_display.h"
#include "bench/common/windowed_game.h"
#include "game/field.h"
#include "platform/bmp_texture.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/gfx/null_device.h"
#include "platform/input_host.h"
#include "platform/window_host.h"
#include "platform/xfile_parser.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

struct Share {
    double cpu = 0, wall = 0;
    int frames = 0;
    void print(const char* what) const
    {
        std::printf("%-34s %4d frames  %6.1f frames/s  CPU %6.2f %% of a core\n", what, frames, frames / wall,
                    100.0 * cpu / wall);
    }
};

// Runs `frame` `frames` times on `clock` and measures the whole process.
template <class Frame> Share measure(platform::Clock& clock, int frames, Frame frame)
{
    frame(); // the first present starts the pacing
    const double c0 = processCpuSeconds(), w0 = clock.now();
    for (int i = 0; i < frames; ++i)
        frame();
    return {processCpuSeconds() - c0, clock.now() - w0, frames};
}

Share flipWait(int frames)
{
    platform::SteadyClock clock;
    bench::PrintingDialogs dialogs;
    platform::ScriptedInputHost input;
    engine::QrnPlatform p;
    p.createDevice = [](const engine::PresentParams&, bool) -> std::unique_ptr<gfx::Device> {
        return std::make_unique<gfx::NullDevice>();
    };
    p.clock = &clock;
    p.dialogs = &dialogs;
    p.input = &input;
    QRN qrn(std::move(p));
    qrn.AutoDxInit(nullptr, 640, 480, 0, 1);
    auto& device = static_cast<gfx::NullDevice&>(qrn.getDDD());
    return measure(clock, frames, [&] {
        qrn.DisplayClear(0xFF000000);
        qrn.SceneBegin();
        qrn.SceneEnd();
        qrn.Flip();
        device.reset();
    });
}

// The game in its window, in the free camera, paced by the real clock.
Share gameInWindow(int frames, bool hidden)
{
    platform::WindowHost window(640, 480);
    platform::ScriptedInputHost input;
    platform::SteadyClock clock;
    bench::PrintingDialogs dialogs;
    FieldEnvironment env = bench::windowedGameEnvironment(window, clock, input, dialogs);

    Field field(env);
    field.prepareGame(1);
    field.beginLoop();
    for (int i = 0; i < 20 && !window.window()->isExposed(); ++i) {
        QCoreApplication::processEvents();
        field.runFrame();
    }
    if (hidden) {
        window.window()->hide();
        for (int i = 0; i < 20 && window.window()->isExposed(); ++i)
            QCoreApplication::processEvents();
        field.runFrame(); // the frame that finds the window hidden
    }
    return measure(clock, frames, [&] {
        QCoreApplication::processEvents();
        field.runFrame();
    });
}

} // namespace

int main(int argc, char** argv)
{
    bench::useSoftwareGlDisplay(argv);
    QGuiApplication app(argc, argv);
    const int frames = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;
    flipWait(frames).print("Flip wait, empty scene");
    gameInWindow(frames, false).print("game, window shown");
    gameInWindow(frames, true).print("game, window hidden");
    return 0;
}
