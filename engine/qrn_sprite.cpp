// Sprites, fonts and text of QRN.

#include "engine/engine_errors.h"
#include "engine/q_tex.h"
#include "engine/qmodule.h"
#include "engine/qrn.h"

#include <cmath>

namespace {

struct SpriteSize {
    std::int32_t w, h;
};

// The source rectangle's size; a width or height past 32 bits is an overflow error.
SpriteSize areaSize(const RECT& area)
{
    return {engine::checkedNarrow<std::int32_t>(std::int64_t{area.Right} - area.Left, "sprite width"),
            engine::checkedNarrow<std::int32_t>(std::int64_t{area.Bottom} - area.Top, "sprite height")};
}

// `center` is given in unscaled texels and carried into the scaled sprite.
D3DVECTOR2 scaledCentre(const D3DVECTOR2& center, const D3DVECTOR2& scaling)
{
    return {center.x * scaling.x, center.y * scaling.y};
}

// The device turns +x towards +y, clockwise on a y-down screen; negating makes positive degrees
// turn counter-clockwise.
float spriteRotation(float DegAng)
{
    return QModule::degToRad(-DegAng);
}

} // namespace

void QRN::setSprite()
{
    getDDD();
    spriteCreated = true;
}

void QRN::SpriteBegin()
{
    if (!spriteCreated)
        throw gfx::DeviceError("SpriteBegin: no sprite (setSprite has not run)");
    getDDD().beginSprites();
    spriteOpen = true;
}

void QRN::SpriteEnd()
{
    if (!spriteCreated)
        throw gfx::DeviceError("SpriteEnd: no sprite (setSprite has not run)");
    getDDD().endSprites();
    spriteOpen = false;
}

// Each corner p of the area (origin at its top-left) lands at R(p * scale - centre) + centre + move.
void QRN::drawSprite(const Q_Tex& refTex, const RECT& area, const D3DVECTOR2& scale, const D3DVECTOR2& centre,
                     float radians, const D3DVECTOR2& move, D3DCOLOR color)
{
    if (!spriteCreated)
        throw gfx::DeviceError("sprite drawn before setSprite");
    if (!refTex.getTex())
        throw gfx::DeviceError("sprite drawn without a texture");
    gfx::Device& d = getDDD();
    const SpriteSize size = areaSize(area);
    const double c = std::cos(radians), s = std::sin(radians);
    const double px[4] = {0, double(size.w), double(size.w), 0};
    const double py[4] = {0, 0, double(size.h), double(size.h)};

    gfx::SpriteQuad quad;
    quad.texture = refTex.getTex();
    quad.src = area;
    quad.color = color;
    for (int i = 0; i < 4; ++i) {
        const double qx = px[i] * scale.x - centre.x;
        const double qy = py[i] * scale.y - centre.y;
        quad.x[i] = static_cast<float>(qx * c - qy * s + centre.x + move.x);
        quad.y[i] = static_cast<float>(qx * s + qy * c + centre.y + move.y);
    }
    // Like the sprite object it stands for, a draw outside Begin/End is a batch of its own.
    if (!spriteOpen)
        d.beginSprites();
    d.drawSprite(quad);
    if (!spriteOpen)
        d.endSprites();
}

void QRN::drawSprBsc(const Q_Tex& refTex, const D3DVECTOR2& Place, const RECT& area, D3DCOLOR color)
{
    drawSprite(refTex, area, D3DVECTOR2{1, 1}, D3DVECTOR2{0, 0}, 0.0f, Place, color);
}

void QRN::drawSprAdv(const Q_Tex& refTex, const D3DVECTOR2& Place, const RECT& area, const D3DVECTOR2& center,
                     const D3DVECTOR2& scaling, float DegAng, D3DCOLOR color)
{
    const SpriteSize size = areaSize(area);
    const D3DVECTOR2 move{static_cast<float>(Place.x - (scaling.x - 1.0) * size.w * 0.5),
                          static_cast<float>(Place.y - (scaling.y - 1.0) * size.h * 0.5)};
    drawSprite(refTex, area, scaling, scaledCentre(center, scaling), spriteRotation(DegAng), move, color);
}

void QRN::drawSprAbs(const Q_Tex& refTex, const D3DVECTOR2& Place, const RECT& area, const D3DVECTOR2& center,
                     const D3DVECTOR2& scaling, float DegAng, D3DCOLOR color)
{
    drawSprite(refTex, area, scaling, scaledCentre(center, scaling), spriteRotation(DegAng), Place, color);
}

void QRN::setFont(engine::FormRef refForm, engine::FontLabel& bas, std::int16_t size, std::int16_t Bold,
                  std::int16_t Italic, std::int16_t Underline)
{
    (void)refForm; // the window's font is the label's; nothing else of the window is needed
    bas.size = size;
    bas.bold = Bold;
    bas.italic = Italic;
    bas.underline = Underline;
    gfx::FontDesc desc;
    desc.face = bas.face;
    desc.pixelHeight = engine::pointsToPixels(size);
    desc.bold = Bold != 0;
    desc.italic = Italic != 0;
    desc.underline = Underline != 0;
    font = getDDD().createFont(desc);
    if (!font)
        throw gfx::DeviceError("setFont: the font could not be created");
}

void QRN::drawText(const std::string& str, D3DCOLOR color, const RECT& area)
{
    if (!font)
        throw gfx::DeviceError("drawText: no font (setFont has not run)");
    getDDD().drawText(*font, str, area, color);
}

void QRN::drawOutlinedText(const std::string& str, D3DCOLOR color, D3DCOLOR outline, const RECT& area)
{
    if (!font)
        throw gfx::DeviceError("drawText: no font (setFont has not run)");
    getDDD().drawOutlinedText(*font, str, area, color, outline);
}
