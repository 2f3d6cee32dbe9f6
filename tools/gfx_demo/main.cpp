// Draws a lit, textured cylinder and box, a sprite and a line of Japanese text through the OpenGL
// device and writes the back buffer as a PNG: `gfx_demo [out.png]`.

#include "platform/gfx/gl_device.h"
#include "tools/gfx_demo/demo_scene.h"

#include <QGuiApplication>

#include <cmath>
#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("gfx_demo.png");
    try {
        auto dev = gfx::createOffscreenGlDevice(640, 480, false);
        std::printf("renderer: %s\n", dev->rendererName().c_str());
        using namespace gfxdemo;
        gfxdemo::setUpGameLikeState(*dev);
        const double pi = std::acos(-1.0);
        dev->setTransform(d3d::TS_VIEW, lookAtLH({0, 2.2f, -5}, {0, 0.6f, 0}, {0, 1, 0}));
        dev->setTransform(d3d::TS_PROJECTION, perspectiveFovLH(float(pi / 4), 640.0f / 480.0f, 0.5f, 100));

        auto stripes = dev->createTexture(stripeTexture(64));
        auto disc = dev->createTexture(discSprite(32));
        auto cylinder = dev->createMesh(cylinderMesh(32, 0.9f, 1.2f));
        auto box = dev->createMesh(boxMesh(1.2f, 1.2f, 1.2f));
        auto floor = dev->createMesh(floorQuadMesh(8, 8));
        auto font = dev->createFont({"ＭＳ ゴシック", 20, false, false, false});
        auto small = dev->createFont({"ＭＳ ゴシック", 13, false, false, false});

        D3DMATERIAL8 mat;
        mat.Diffuse = {1, 1, 1, 1};
        mat.Ambient = {1, 1, 1, 1};
        mat.Specular = {1, 1, 1, 1};
        mat.Power = 20;

        dev->clear(d3d::CLEAR_TARGET | d3d::CLEAR_ZBUFFER, 0xFF203040, 1.0f, 0);
        dev->beginScene();
        dev->setMaterial(mat);
        dev->setTexture(0, stripes.get());
        dev->setTransform(d3d::TS_WORLD, gfx::identityMatrix());
        dev->drawSubset(*floor, 0);
        dev->setTransform(d3d::TS_WORLD, gfx::multiply(rotationY(0.4), translation(-1.3f, 0, 0.5f)));
        dev->drawSubset(*cylinder, 0);
        dev->setTransform(d3d::TS_WORLD, gfx::multiply(rotationY(0.6), translation(1.4f, 0.6f, 0.3f)));
        dev->drawSubset(*box, 0);
        dev->endScene();

        dev->beginSprites();
        gfx::SpriteQuad quad;
        quad.texture = disc.get();
        quad.src = {0, 0, 32, 32};
        const float xs[4] = {20, 52, 52, 20}, ys[4] = {20, 20, 52, 52};
        std::copy(xs, xs + 4, quad.x);
        std::copy(ys, ys + 4, quad.y);
        dev->drawSprite(quad);
        quad.color = 0x80FFFFFF; // half transparent, twice the size
        const float xs2[4] = {60, 124, 124, 60}, ys2[4] = {20, 20, 84, 84};
        std::copy(xs2, xs2 + 4, quad.x);
        std::copy(ys2, ys2 + 4, quad.y);
        dev->drawSprite(quad);
        dev->endSprites();
        dev->drawText(*font, "カーリング練習 FPS 100\n二行目のテキスト", {150, 24, 630, 90}, 0xFFFFFF00);
        // The status lines' size, clipped by a rectangle narrower than the text.
        dev->drawText(*small, "頂点数: 1234  面数: 567  FPS: 100\nスペースキーで投げる", {10, 440, 250, 480}, 0xFFFFFFFF);
        dev->present();

        if (!dev->readBackBuffer().save(out)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
            return 1;
        }
        std::printf("wrote %s\n", qPrintable(out));
    } catch (const gfx::DeviceError& e) {
        std::fprintf(stderr, "device error: %s\n", e.what());
        return 1;
    }
    return 0;
}
