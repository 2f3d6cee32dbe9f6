// Frame time of a game-sized scene on the OpenGL device: 111 textured quads and 16 cylinders of
// 24 segments per frame, 640 x 480, Mesa's llvmpipe. Prints the median and 90th percentile over
// 1000 frames; `bench_gfx FILE.png` also writes the last frame. Without an X display it runs itself again under xvfb-run.

#include "bench/common/software_gl_display.h"
#include "platform/gfx/gl_device.h"
#include "tools/gfx_demo/demo_scene.h"

#include <QGuiApplication>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kFrames = 1000;
constexpr int kQuads = 111;
constexpr int kCylinders = 16;
constexpr int kSegments = 24;

void drawFrame(gfx::GlDevice& dev, const gfx::Mesh& quad, const gfx::Mesh& cylinder, const gfx::Texture& tex,
               int frame)
{
    dev.clear(d3d::CLEAR_TARGET | d3d::CLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    dev.beginScene();
    dev.setTexture(0, &tex);
    // A sheet of 3 x 37 quads, as the floor is laid out.
    for (int i = 0; i < kQuads; ++i) {
        dev.setTransform(d3d::TS_WORLD, gfxdemo::translation(float(i % 3) - 1.0f, 0, float(i / 3) * 1.0f));
        dev.drawSubset(quad, 0);
    }
    for (int i = 0; i < kCylinders; ++i) {
        const D3DMATRIX spin = gfxdemo::rotationY(0.01 * frame + i);
        dev.setTransform(d3d::TS_WORLD,
                         gfx::multiply(spin, gfxdemo::translation(float(i % 4) * 0.6f - 0.9f, 0, 2.0f + float(i / 4))));
        dev.drawSubset(cylinder, 0);
    }
    dev.endScene();
    dev.present();
}

} // namespace

int main(int argc, char** argv)
{
    bench::useSoftwareGlDisplay(argv);
    QGuiApplication app(argc, argv);
    try {
        auto dev = gfx::createOffscreenGlDevice(640, 480, true);
        gfxdemo::setUpGameLikeState(*dev);
        const double pi = std::acos(-1.0);
        dev->setTransform(d3d::TS_VIEW, gfxdemo::lookAtLH({0, 2.5f, -3}, {0, 0, 6}, {0, 1, 0}));
        dev->setTransform(d3d::TS_PROJECTION, gfxdemo::perspectiveFovLH(float(pi / 4), 0.75f, 0.5f, 100));
        D3DMATERIAL8 mat;
        mat.Diffuse = mat.Ambient = {1, 1, 1, 1};
        mat.Specular = {0.5f, 0.5f, 0.5f, 1};
        mat.Power = 10;
        dev->setMaterial(mat);
        auto tex = dev->createTexture(gfxdemo::stripeTexture(128));
        auto quad = dev->createMesh(gfxdemo::floorQuadMesh(1, 1));
        auto cylinder = dev->createMesh(gfxdemo::cylinderMesh(kSegments, 0.25f, 0.2f));

        for (int i = 0; i < 20; ++i) // warm-up: shader compilation and first uploads
            drawFrame(*dev, *quad, *cylinder, *tex, i);
        dev->readBackBuffer();

        std::vector<double> ms;
        ms.reserve(kFrames);
        for (int i = 0; i < kFrames; ++i) {
            const auto start = std::chrono::steady_clock::now();
            drawFrame(*dev, *quad, *cylinder, *tex, i);
            dev->finish(); // count the rendering, not only the submission
            ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
        // `bench_gfx FILE.png` keeps the last frame, to see what was timed.
        if (argc > 1)
            dev->readBackBuffer().save(QString::fromLocal8Bit(argv[1]));
        std::sort(ms.begin(), ms.end());
        std::printf("renderer: %s\n", dev->rendererName().c_str());
        std::printf("bench_gfx: %d frames of %d textured quads + %d cylinders (%d segments), 640x480\n", kFrames,
                    kQuads, kCylinders, kSegments);
        std::printf("frame time ms: median %.3f  p90 %.3f  min %.3f  max %.3f\n", ms[ms.size() / 2],
                    ms[ms.size() * 9 / 10], ms.front(), ms.back());
    } catch (const gfx::DeviceError& e) {
        std::fprintf(stderr, "device error: %s\n", e.what());
        return 1;
    }
    return 0;
}
