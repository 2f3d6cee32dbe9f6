// Sprites placed, scaled and turned on the back buffer; fonts and text.

#include "engine_harness.h"

#include "engine/q_tex.h"

#include <gtest/gtest.h>

#include <limits>

using enginetest::Harness;

namespace {

struct Corner {
    float x, y;
};

struct Sprites : ::testing::Test {
    Harness h;
    Q_Tex tex;
    void SetUp() override
    {
        h.init();
        tex.setTex(*h.qrn, h.writeBmp("sprites.bmp", 64, 64, 0xFFFFFF));
        h.qrn->setSprite();
    }
    const gfx::SpriteQuad& last() { return h.null().sprites().back(); }
    void expectCorners(const Corner (&expected)[4])
    {
        ASSERT_FALSE(h.null().sprites().empty());
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(last().x[i], expected[i].x, 1e-3f) << "corner " << i;
            EXPECT_NEAR(last().y[i], expected[i].y, 1e-3f) << "corner " << i;
        }
    }
};

const RECT kArea{32, 0, 64, 32}; // Left, Top, Right, Bottom: a 32 x 32 cell

TEST_F(Sprites, BasicSpriteSitsAtItsPlaceUnscaled)
{
    h.qrn->SpriteBegin();
    h.qrn->drawSprBsc(tex, {10, 20}, RECT{0, 0, 16, 8}, 0x40010101u);
    h.qrn->SpriteEnd();
    expectCorners({{10, 20}, {26, 20}, {26, 28}, {10, 28}});
    EXPECT_EQ(last().color, 0x40010101u);
    EXPECT_EQ(last().texture, tex.getTex());
    EXPECT_EQ(last().src.Right, 16);
    EXPECT_EQ(h.null().counts().spriteBegins, 1);
    EXPECT_EQ(h.null().counts().spriteEnds, 1);
}

TEST_F(Sprites, AdvancedSpriteGrowsAboutItsMiddle)
{
    h.qrn->SpriteBegin();
    h.qrn->drawSprAdv(tex, {100, 100}, kArea, {0, 0}, {2, 2}, 0, 0xFFFFFFFFu);
    h.qrn->SpriteEnd();
    expectCorners({{84, 84}, {148, 84}, {148, 148}, {84, 148}});
    EXPECT_EQ(last().src.Left, 32);
    EXPECT_EQ(last().src.Bottom, 32);
}

TEST_F(Sprites, AbsoluteSpriteGrowsFromItsTopLeft)
{
    h.qrn->SpriteBegin();
    h.qrn->drawSprAbs(tex, {100, 100}, kArea, {0, 0}, {2, 2}, 0, 0xFFFFFFFFu);
    h.qrn->SpriteEnd();
    expectCorners({{100, 100}, {164, 100}, {164, 164}, {100, 164}});

    // Shrinking about the middle: half size keeps the middle of the unscaled sprite.
    h.qrn->drawSprAdv(tex, {100, 100}, kArea, {0, 0}, {0.5f, 0.5f}, 0, 0xFFFFFFFFu);
    expectCorners({{108, 108}, {124, 108}, {124, 124}, {108, 124}});
}

TEST_F(Sprites, PositiveAngleTurnsCounterClockwiseAboutTheScaledCentre)
{
    h.qrn->SpriteBegin();
    h.qrn->drawSprAbs(tex, {100, 100}, kArea, {16, 16}, {2, 2}, 90, 0xFFFFFFFFu);
    h.qrn->SpriteEnd();
    // The 64 x 64 image turns a quarter about its middle (132, 132): on a y-down screen the top-left
    // corner goes to the bottom-left, the top-right to the top-left.
    expectCorners({{100, 164}, {100, 100}, {164, 100}, {164, 164}});

    h.qrn->drawSprAdv(tex, {100, 100}, kArea, {16, 16}, {1, 1}, -90, 0xFFFFFFFFu);
    expectCorners({{132, 100}, {132, 132}, {100, 132}, {100, 100}});
}

TEST_F(Sprites, DrawOutsideBeginEndIsABatchOfItsOwn)
{
    h.qrn->drawSprBsc(tex, {0, 0}, kArea, 0xFFFFFFFFu);
    EXPECT_EQ(h.null().sprites().size(), 1u);
    EXPECT_FALSE(h.null().inSprites());
    EXPECT_EQ(h.null().counts().spriteBegins, 1);
    EXPECT_EQ(h.null().counts().spriteEnds, 1);
}

TEST_F(Sprites, MisuseIsAnError)
{
    Q_Tex empty;
    EXPECT_THROW(h.qrn->drawSprBsc(empty, {0, 0}, kArea, 0xFFFFFFFFu), gfx::DeviceError);
    const RECT huge{std::numeric_limits<std::int32_t>::min(), 0, std::numeric_limits<std::int32_t>::max(), 1};
    EXPECT_THROW(h.qrn->drawSprAdv(tex, {0, 0}, huge, {0, 0}, {1, 1}, 0, 0xFFFFFFFFu), std::overflow_error);
    EXPECT_THROW(h.qrn->drawSprAbs(tex, {0, 0}, huge, {0, 0}, {1, 1}, 0, 0xFFFFFFFFu), std::overflow_error);
    EXPECT_TRUE(h.null().sprites().empty());
}

TEST(SpritesBeforeSet, SpriteAndTextCallsBeforeTheirObjectsExistFail)
{
    Harness h;
    h.init();
    Q_Tex tex;
    tex.setTex(*h.qrn, h.writeBmp("t.bmp", 2, 2, 0xFFFFFF));
    EXPECT_THROW(h.qrn->SpriteBegin(), gfx::DeviceError);
    EXPECT_THROW(h.qrn->drawSprBsc(tex, {0, 0}, kArea, 0xFFFFFFFFu), gfx::DeviceError);
    EXPECT_THROW(h.qrn->drawSprAdv(tex, {0, 0}, kArea, {0, 0}, {1, 1}, 0, 0xFFFFFFFFu), gfx::DeviceError);
    EXPECT_THROW(h.qrn->SpriteEnd(), gfx::DeviceError);
    EXPECT_THROW(h.qrn->drawText("FPS", 0xFFFFFFFFu, RECT{0, 0, 100, 20}), gfx::DeviceError);
    EXPECT_TRUE(h.null().sprites().empty());
    EXPECT_TRUE(h.null().texts().empty());
}

// ---------------------------------------------------------------------------------------------
// Fonts and text

TEST(Text, FontTakesTheLabelFaceAndTheGivenSizeAndStyle)
{
    Harness h;
    h.init();
    engine::FontLabel label{"ＭＳ ゴシック"};
    h.qrn->setFont(&h, label, 10, QRN::False, QRN::True, QRN::False);
    EXPECT_EQ(label.size, 10);
    EXPECT_EQ(label.italic, QRN::True);

    const RECT area{0, 460, 320, 480};
    h.qrn->drawText("Vertex: 1200\nFace: 600", 0xFFFFFF00u, area);
    ASSERT_EQ(h.null().texts().size(), 1u);
    const gfx::TextRecord& t = h.null().texts()[0];
    EXPECT_EQ(t.text, "Vertex: 1200\nFace: 600");
    EXPECT_EQ(t.color, 0xFFFFFF00u);
    EXPECT_EQ(t.rect.Top, 460);
    EXPECT_EQ(t.rect.Right, 320);
    ASSERT_NE(t.font, nullptr);
    const gfx::FontDesc& d = t.font->desc();
    EXPECT_EQ(d.face, "ＭＳ ゴシック");
    EXPECT_EQ(d.pixelHeight, 13);
    EXPECT_FALSE(d.bold);
    EXPECT_TRUE(d.italic);
    EXPECT_FALSE(d.underline);

    h.qrn->setFont(&h, label, 24, QRN::True, QRN::False, QRN::True);
    h.qrn->drawText("x", 0xFFFFFFFFu, area);
    const gfx::FontDesc& big = h.null().texts().back().font->desc();
    EXPECT_EQ(big.pixelHeight, 32);
    EXPECT_TRUE(big.bold);
    EXPECT_TRUE(big.underline);
}

TEST(Text, PointsToPixelsOnANinetySixDpiDesktop)
{
    EXPECT_EQ(engine::pointsToPixels(9), 12);
    EXPECT_EQ(engine::pointsToPixels(10), 13);
    EXPECT_EQ(engine::pointsToPixels(12), 16);
    EXPECT_EQ(engine::pointsToPixels(72), 96);
}

} // namespace
