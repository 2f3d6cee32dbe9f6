// Time of one whole game frame in the window on the OpenGL device: input and phase work, the
// 111 sheet pieces and 16 stones, the gauges, the text and the present, without the wait that caps
// the frame rate (the clock is virtual and steps past it). Prints the median and 99th percentile
// of wall-clock time and of the process's CPU time (Mesa's llvmpipe draws on worker threads).
//
//   bench_scene_frame [frames]     (default 2000; without an X display it runs itself under xvfb-run)

#include "game/field.h"
#include "platform/allocator.h"
#include "platform/bmp_texture.h"
#include "bench/common/software_gl_display.h"
#include "bench/common/windowed_game.h"
#include "platform/gfx/gl_device.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/input_host.h"
#include "platform/window_host.h"
#include "platform/xfile_parser.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

double wallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    const auto i = static_cast<std::size_t>(p * double(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

// Sixteen stones at rest in and around the far house, all in view of the shooting camera.
void layStones(Field& field)
{
    for (int i = 0; i < FieldState::PlayedStones; ++i) {
        StoneRec& s = field.Stones[i];
        s.InPlay = -1;
        s.Pos = {1.2f + 0.5f * float(i % 8), 0, 33.0f + 1.5f * float(i / 8)};
        s.Speed = 0;
        s.RunState = 0;
        s.Rot = float(i) * 20;
    }
}

} // namespace

int main(int argc, char** argv)
{
    bench::useSoftwareGlDisplay(argv);
    platform::keepFreedMemoryForReuse(); // as the game does
    QGuiApplication app(argc, argv);
    const int frames = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;

    platform::WindowHost window(640, 480);
    platform::ScriptedInputHost input;
    platform::VirtualClock clock{10.0};
    bench::PrintingDialogs dialogs;

    FieldEnvironment env = bench::windowedGameEnvironment(window, clock, input, dialogs);

    Field field(env);
    field.prepareGame(1);
    field.beginLoop();
    for (int i = 0; i < 3; ++i) { // into the free camera
        clock.advance(0.02);
        field.runFrame();
    }
    // The shooting phase with Space held: every gauge, the turning triangle and three text lines.
    field.Phase = 1006;
    field.CamMode = 5;
    field.View.Pos = {3, 0.5f, 1}; // the delivery point, where the shooting phase puts the camera
    field.SpinSet = 0.3f;
    field.PowerSet = 1.2f;
    input.keys[32] = 0x80;

    // Frames timed as the game draws them (straight into the window), then with the back buffer
    // kept readable, which copies each frame into the window as a letterboxed window would.
    auto* gl = dynamic_cast<gfx::GlDevice*>(&field.engine().getDDD());
    if (!gl) {
        std::fprintf(stderr, "not on the OpenGL device\n");
        return 1;
    }
    for (const bool copied : {false, true}) {
        gl->setBackBufferLockable(copied);
        std::vector<double> wall, cpu;
        for (int i = 0; i < frames + 50; ++i) {
            layStones(field);
            clock.advance(0.02);
            QCoreApplication::processEvents();
            const double w0 = wallSeconds(), c0 = processCpuSeconds();
            field.runFrame();
            const double w1 = wallSeconds(), c1 = processCpuSeconds();
            if (i >= 50) { // after the first shaders and glyphs are made
                wall.push_back((w1 - w0) * 1e3);
                cpu.push_back((c1 - c0) * 1e3);
            }
        }
        if (field.Phase != 1006 || field.engine().getNumDrawVertex() == 0 || gl->drawsIntoWindow() == copied) {
            std::fprintf(stderr, "the frame was not the one meant to be measured (phase %d)\n", field.Phase);
            return 1;
        }
        if (copied) {
            std::printf("copied into the window: wall ms median %.3f  p99 %.3f, cpu ms median %.3f  p99 %.3f\n",
                        percentile(wall, 0.5), percentile(wall, 0.99), percentile(cpu, 0.5), percentile(cpu, 0.99));
            continue;
        }
        std::printf("frames %d, vertices %d, faces %d per frame\n", frames, field.engine().getNumDrawVertex(),
                    field.engine().getNumDrawFace());
        std::printf("wall ms: median %.3f  p99 %.3f\n", percentile(wall, 0.5), percentile(wall, 0.99));
        std::printf("cpu  ms: median %.3f  p99 %.3f\n", percentile(cpu, 0.5), percentile(cpu, 0.99));
    }
    if (const char* picture = std::getenv("BENCH_SCENE_PICTURE")) // the last frame, to look at
        gl->readBackBuffer().save(QString::fromLocal8Bit(picture));

    // The overlay alone: the six sprites and seven text lines of the shooting phase, waited for
    // until drawn, so the figure includes llvmpipe's rasterisation of them.
    std::vector<double> overlayWall, overlayCpu;
    for (int i = 0; i < frames; ++i) {
        gl->finish();
        const double w0 = wallSeconds(), c0 = processCpuSeconds();
        field.engine().SpriteBegin();
        field.Draw_2D();
        field.engine().SpriteEnd();
        field.Draw_System();
        gl->finish();
        const double w1 = wallSeconds(), c1 = processCpuSeconds();
        overlayWall.push_back((w1 - w0) * 1e3);
        overlayCpu.push_back((c1 - c0) * 1e3);
    }
    std::printf("overlay (6 sprites, 7 lines) wall ms: median %.3f  p99 %.3f\n", percentile(overlayWall, 0.5),
                percentile(overlayWall, 0.99));
    std::printf("overlay (6 sprites, 7 lines) cpu  ms: median %.3f  p99 %.3f\n", percentile(overlayCpu, 0.5),
                percentile(overlayCpu, 0.99));
    return 0;
}
