// Sprites placed, scaled and turned on the back buffer; fonts and text.

#include "engine_harness.h"

#include "engine/q_tex.h"

#include <gtest/gtest.h>

using enginetest::Harness;

namespace {

const RECT kArea{32, 0, 64, 32}; // Left, Top, Right, Bottom: a 32 x 32 cell

struct Sprites : ::testing::Test {
    Harness h;
    Q_Tex tex;
    void SetUp() override
    {
        h.init();
        tex.setTex(*h.qrn, h.writeBmp("sprites.bmp", 64, 64, 0xFFFFFF));
        h.qrn->setSprite();
    }
    // Top-left, top-right, bottom-right, bottom-left corners of the last sprite drawn.
    void expectCorners(const float (&expected)[4][2])
    {
        ASSERT_FALSE(h.null().sprites().empty());
        const gfx::SpriteQuad& q = h.null().sprites().back();
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(q.x[i], expected[i][0], 1e-3f) << "corner " << i;
            EXPECT_NEAR(q.y[i], expected[i][1], 1e-3f) << "corner " << i;
        }
    }
};

TEST_F(Sprites, PlacedScaledAndTurned)
{
    h.qrn->SpriteBegin();
    h.qrn->drawSprAdv(tex, {100, 100}, kArea, {0, 0}, {2, 2}, 0, 0x80FFFFFFu);
    expectCorners({{84, 84}, {148, 84}, {148, 148}, {84, 148}});
    const gfx::SpriteQuad& first = h.null().sprites().back();
    EXPECT_EQ((std::array{std::uint32_t(first.src.Left), first.color}), (std::array{32u, 0x80FFFFFFu}));
    h.qrn->drawSprAbs(tex, {100, 100}, kArea, {0, 0}, {2, 2}, 0, 0xFFFFFFFFu);
    expectCorners({{100, 100}, {164, 100}, {164, 164}, {100, 164}});
    h.qrn->drawSprAdv(tex, {100, 100}, kArea, {0, 0}, {0.5f, 0.5f}, 0, 0xFFFFFFFFu);
    expectCorners({{108, 108}, {124, 108}, {124, 124}, {108, 124}});
    h.qrn->drawSprBsc(tex, {10, 20}, RECT{0, 0, 16, 8}, 0xFFFFFFFFu);
    expectCorners({{10, 20}, {26, 20}, {26, 28}, {10, 28}});
    h.qrn->SpriteEnd();
    EXPECT_EQ(h.null().counts().spriteBegins, 1);

    // A positive angle turns counter-clockwise about the scaled centre (132, 132): on a y-down screen
    // the top-left corner goes to the bottom-left.
    h.qrn->drawSprAbs(tex, {100, 100}, kArea, {16, 16}, {2, 2}, 90, 0xFFFFFFFFu);
    expectCorners({{100, 164}, {100, 100}, {164, 100}, {164, 164}});
    h.qrn->drawSprAdv(tex, {100, 100}, kArea, {16, 16}, {1, 1}, -90, 0xFFFFFFFFu);
    expectCorners({{132, 100}, {132, 132}, {100, 132}, {100, 100}});
    // Each draw outside Begin/End was a batch of its own.
    EXPECT_TRUE(h.null().counts().spriteEnds == 3 && !h.null().inSprites());
}

// Calls before their objects exist are errors; the font takes the label's face and the given size and style.
TEST(SpritesAndText, ErrorsBeforeSetUpThenFontFromTheLabel)
{
    Harness h;
    h.init();
    Q_Tex tex;
    tex.setTex(*h.qrn, h.writeBmp("t.bmp", 2, 2, 0xFFFFFF));
    EXPECT_THROW(h.qrn->SpriteBegin(), gfx::DeviceError);
    EXPECT_THROW(h.qrn->drawSprBsc(tex, {0, 0}, kArea, 0xFFFFFFFFu), gfx::DeviceError);
    EXPECT_THROW(h.qrn->drawText("FPS", 0xFFFFFFFFu, RECT{0, 0, 100, 20}), gfx::DeviceError);
    h.qrn->setSprite();
    Q_Tex empty;
    EXPECT_THROW(h.qrn->drawSprBsc(empty, {0, 0}, kArea, 0xFFFFFFFFu), gfx::DeviceError);
    const RECT huge{-2'000'000'000, 0, 2'000'000'000, 1};
    EXPECT_THROW(h.qrn->drawSprAdv(tex, {0, 0}, huge, {0, 0}, {1, 1}, 0, 0xFFFFFFFFu), std::overflow_error);
    EXPECT_TRUE(h.null().sprites().empty() && h.null().texts().empty());

    engine::FontLabel label{"ＭＳ ゴシック"};
    h.qrn->setFont(&h, label, 10, QRN::False, QRN::True, QRN::False);
    EXPECT_EQ(label.size, 10) << "the label's own font changes with it";
    const RECT area{0, 460, 320, 480};
    h.qrn->drawText("Vertex: 1200\nFace: 600", 0xFFFFFF00u, area);
    ASSERT_EQ(h.null().texts().size(), 1u);
    const gfx::TextRecord& text = h.null().texts()[0];
    EXPECT_EQ(text.text, "Vertex: 1200\nFace: 600");
    EXPECT_EQ((std::array{text.color, std::uint32_t(text.rect.Top)}), (std::array{0xFFFFFF00u, 460u}));
    const gfx::FontDesc& small = text.font->desc();
    EXPECT_EQ(small.face, "ＭＳ ゴシック");
    EXPECT_EQ((std::array{small.pixelHeight, int(small.italic), int(small.bold), int(small.underline)}),
        (std::array{13, 1, 0, 0}));
    h.qrn->setFont(&h, label, 24, QRN::True, QRN::False, QRN::True);
    h.qrn->drawText("x", 0xFFFFFFFFu, area);
    const gfx::FontDesc& big = h.null().texts().back().font->desc();
    EXPECT_EQ((std::array{big.pixelHeight, int(big.italic), int(big.bold), int(big.underline)}),
        (std::array{32, 0, 1, 1}));
}

} // namespace
