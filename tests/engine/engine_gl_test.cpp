// One frame of the engine on the OpenGL device: the transparent queue blends far to near, sprites
// land where the engine places them with black keyed out, text reaches the back buffer. The frame
// is written to engine_frame.png beside the test for a look.

#include "engine_harness.h"
#include "../gfx/gl_probe.h"

#include "engine/q_mat.h"
#include "engine/q_mesh.h"
#include "engine/q_std.h"
#include "engine/q_tex.h"
#include "platform/gfx/gl_device.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

using gfxtest::pixelNear;

// A square facing a camera on the -z side, clockwise on screen, `half` units from its middle.
std::string squareAt(float half, float z)
{
    const std::string h = std::to_string(half), m = std::to_string(-half), d = std::to_string(z);
    return "xof 0302txt 0032\nMesh { 4; " + m + ";" + h + ";" + d + ";, " + h + ";" + h + ";" + d + ";, " + h + ";" + m
        + ";" + d + ";, " + m + ";" + m + ";" + d + ";; 1; 4;0,1,2,3;; }\n";
}

class GlFrame : public ::testing::Test {
protected:
    void SetUp() override
    {
        h.makeDevice = [](int w, int hgt, bool software) { return gfx::createOffscreenGlDevice(w, hgt, software); };
        h.init();
        qrn = h.qrn.get();
    }

    // Left half red, right half green, an 8 x 8 black (keyed) square at the top-left.
    std::string spriteBitmap()
    {
        QImage image(32, 32, QImage::Format_RGB888);
        QPainter painter(&image);
        painter.fillRect(0, 0, 16, 32, QColor(255, 0, 0));
        painter.fillRect(16, 0, 16, 32, QColor(0, 255, 0));
        painter.fillRect(0, 0, 8, 8, QColor(0, 0, 0));
        painter.end();
        const QString path = h.dir.filePath("sprite.bmp");
        EXPECT_TRUE(image.save(path, "BMP"));
        return path.toStdString();
    }

    enginetest::Harness h;
    QRN* qrn = nullptr;
};

TEST_F(GlFrame, QueueBlendsFarToNearAndSpritesAndTextLandWherePlaced)
{
    Q_Mesh nearSquare, farSquare;
    nearSquare.setMesh(*qrn, h.writeFile("near.x", squareAt(1, 0)));
    farSquare.setMesh(*qrn, h.writeFile("far.x", squareAt(3, 0)));
    Q_Mat blue, red;
    blue.setMaterial({0, 0, 0, 0.5f}, {}, {}, {0, 0, 1, 1}, 0);
    red.setMaterial({0, 0, 0, 0.5f}, {}, {}, {1, 0, 0, 1}, 0);
    Q_Tex sprite, none;
    sprite.setTex(*qrn, spriteBitmap());
    engine::FontLabel label{"IPAGothic"};
    qrn->set3DSystem(QRN::True, QRN::True, QRN::True);
    qrn->setSprite();
    qrn->setFont(nullptr, label, 10, QRN::False, QRN::False, QRN::False);

    Q_Std camera;
    camera.setVision({0, 0, -5}, {0, 0, 0}, {0, 1, 0}, 1.5707963f, 640, 480, 0.5f, 100);
    qrn->DisplayClear(0xFF000000u);
    qrn->SceneBegin();
    camera.SetCamera(*qrn);
    qrn->CanAlpha(QRN::True, 0, d3d::CMP_ALWAYS);
    qrn->setTexture(none);
    // The near square is queued first; the queue must still draw the far one first.
    nearSquare.DrawMesh(*qrn, blue, {0, 0, -1}, {1, 1, 1}, {}, QRN::True);
    farSquare.DrawMesh(*qrn, red, {0, 0, 3}, {1, 1, 1}, {}, QRN::True);
    qrn->DrawAlphaProcessing(camera.getPosition());
    qrn->SceneEnd();

    qrn->SpriteBegin();
    qrn->drawSprBsc(sprite, {40, 300}, RECT{0, 0, 32, 32}, 0xFFFFFFFFu);
    qrn->drawSprAbs(sprite, {480, 300}, RECT{0, 0, 32, 32}, {16, 16}, {2, 2}, 90, 0xFFFFFFFFu);
    qrn->SpriteEnd();
    qrn->drawText("Rinkfall 1234", 0xFFFFFFFFu, RECT{10, 10, 300, 40});

    const QImage frame = qrn->getDDD().readBackBuffer();
    frame.save("engine_frame.png");

    // Middle: blue at half over (red at half over black).
    EXPECT_TRUE(pixelNear(frame, 320, 240, QColor(64, 0, 128), 4));
    // Only the far square: red at half over black.
    EXPECT_TRUE(pixelNear(frame, 320, 165, QColor(128, 0, 0), 4));

    // Unturned sprite: keyed corner shows the background, halves red and green.
    EXPECT_TRUE(pixelNear(frame, 43, 303, QColor(0, 0, 0), 3));
    EXPECT_TRUE(pixelNear(frame, 44, 320, QColor(255, 0, 0), 3));
    EXPECT_TRUE(pixelNear(frame, 66, 320, QColor(0, 255, 0), 3));

    // Doubled and turned a quarter counter-clockwise about (512, 332): green on top, red below,
    // the keyed corner at the bottom-left.
    EXPECT_TRUE(pixelNear(frame, 512, 310, QColor(0, 255, 0), 3));
    EXPECT_TRUE(pixelNear(frame, 512, 354, QColor(255, 0, 0), 3));
    EXPECT_TRUE(pixelNear(frame, 486, 358, QColor(0, 0, 0), 3));
    EXPECT_TRUE(pixelNear(frame, 486, 306, QColor(0, 255, 0), 3));

    int lit = 0;
    for (int y = 10; y < 40; ++y)
        for (int x = 10; x < 300; ++x)
            lit += frame.pixelColor(x, y).lightness() > 128 ? 1 : 0;
    EXPECT_GT(lit, 30) << "the text left no bright pixels";
}

} // namespace
