#include "tools/library_gen/textures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>

namespace librarygen {
namespace {

using namespace markings;

// Colours as doubles while painting; rounded and kept off pure black when stored.
struct Colour {
    double r, g, b;
};

Colour toColour(Rgb c)
{
    return {double(c.r), double(c.g), double(c.b)};
}

Colour mix(Colour a, Colour b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour scaled(Colour c, double k)
{
    return {c.r * k, c.g * k, c.b * k};
}

Rgb store(Colour c, bool allowBlack = false)
{
    auto channel = [](double v) { return std::uint8_t(std::clamp(std::lround(v), 0L, 255L)); };
    Rgb out{channel(c.r), channel(c.g), channel(c.b)};
    if (!allowBlack && out == Rgb{0, 0, 0})
        out = Rgb{1, 1, 1}; // pure black is the transparent key
    return out;
}

// Integer hash noise: the same numbers on every machine and every build.
std::uint32_t hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed)
{
    std::uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return h;
}

double unitHash(int x, int y, std::uint32_t seed)
{
    return double(hash(std::uint32_t(x), std::uint32_t(y), seed) >> 8) / double(1u << 24);
}

// Smooth value noise in 0..1 with features about `cell` texels across.
double valueNoise(double x, double y, double cell, std::uint32_t seed)
{
    const double fx = x / cell, fy = y / cell;
    const int ix = int(std::floor(fx)), iy = int(std::floor(fy));
    const double tx = fx - ix, ty = fy - iy;
    const double sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
    const double a = unitHash(ix, iy, seed), b = unitHash(ix + 1, iy, seed);
    const double c = unitHash(ix, iy + 1, seed), d = unitHash(ix + 1, iy + 1, seed);
    return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}

// Pebbled ice: a droplet in each small cell, lit on its upper-left and shaded below, over a faint
// grain. The droplets are sprayed on in texel space, so that every piece shows the same pebble
// however far it is stretched.
double pebbleShade(int x, int y, std::uint32_t seed, double strength)
{
    constexpr int kCell = 5;
    const int cx = x / kCell, cy = y / kCell;
    double shade = 0;
    for (int ny = cy - 1; ny <= cy + 1; ++ny)
        for (int nx = cx - 1; nx <= cx + 1; ++nx) {
            const double px = nx * kCell + unitHash(nx, ny, seed) * kCell;
            const double py = ny * kCell + unitHash(nx, ny, seed + 1) * kCell;
            const double radius = 0.9 + unitHash(nx, ny, seed + 2) * 1.1;
            const double dx = x + 0.5 - px, dy = y + 0.5 - py;
            const double d = std::sqrt(dx * dx + dy * dy) / radius;
            if (d < 1)
                shade += (1 - d * d) * (dx + dy < 0 ? 1.0 : -0.7);
        }
    const double grain = valueNoise(x, y, 3.0, seed + 7) - 0.5;
    return 1 + strength * (0.07 * shade + 0.035 * grain);
}

// What a point of a sheet piece looks like before pebbling, in the piece's own units: x to the
// right, z towards the top of the image; `ice` is the bare ice there.
using Painter = std::function<Colour(double x, double z, Colour ice)>;

// The stones run down the middle of the sheet and polish it: the ice is a little lighter there.
// `fromPlayLine` is the distance across the sheet from the centre line.
Colour iceAt(double fromPlayLine)
{
    const double polish = std::exp(-(fromPlayLine * fromPlayLine) / (1.1 * 1.1));
    return mix(toColour(kIce), Colour{255, 255, 255}, 0.4 * polish);
}

// Faint whitish scratches left by stones and brooms: most run along the sheet with a slight curl,
// a few cross it. Drawn straight onto the texels, about one texel wide, `perUnit2` to a square unit.
void scratch(RgbImage& image, double worldWidth, double worldLength, std::uint32_t seed, double perUnit2)
{
    const int count = int(worldWidth * worldLength * perUnit2);
    const double pi = std::acos(-1.0);
    for (int i = 0; i < count; ++i) {
        const double x0 = (unitHash(i, 0, seed) - 0.5) * worldWidth;
        const double z0 = (unitHash(i, 1, seed) - 0.5) * worldLength;
        const bool across = unitHash(i, 2, seed) < 0.15;
        const double angle = across ? unitHash(i, 3, seed) * pi : pi / 2 + (unitHash(i, 3, seed) - 0.5) * 0.25;
        const double length = 0.2 + unitHash(i, 4, seed) * (across ? 0.4 : 1.6);
        const double strength = 0.025 + unitHash(i, 5, seed) * 0.03;
        // In texels: the piece's top edge is image row 0.
        const double tx0 = (x0 / worldWidth + 0.5) * image.width, ty0 = (0.5 - z0 / worldLength) * image.height;
        const double dtx = std::cos(angle) * length / worldWidth * image.width;
        const double dty = -std::sin(angle) * length / worldLength * image.height;
        const int steps = int(std::ceil(std::max(std::abs(dtx), std::abs(dty)) * 2)) + 1;
        for (int k = 0; k <= steps; ++k) {
            const double t = double(k) / steps;
            // Fades in and out along its length, as a scratch does.
            const double along = std::sin(pi * t);
            const int tx = int(std::floor(tx0 + dtx * t)), ty = int(std::floor(ty0 + dty * t));
            const int wx = ((tx % image.width) + image.width) % image.width;
            const int wy = ((ty % image.height) + image.height) % image.height;
            Rgb& texel = image.at(wx, wy);
            const Colour lighter = mix(toColour(texel), Colour{255, 255, 255}, strength * along / 2);
            texel = store(lighter);
        }
    }
}

// Paints a piece of `worldWidth` x `worldLength` units onto `w` x `h` texels, 3 x 3 samples per
// texel so that ring edges and lines are smooth, then pebbles and scratches it. `playLineX` is where
// the sheet's centre line lies in the piece's units (far off for pieces at the sides).
RgbImage paintPiece(int w, int h, double worldWidth, double worldLength, std::uint32_t seed, double pebble,
                    double playLineX, const Painter& paint)
{
    RgbImage image(w, h);
    constexpr int kSamples = 3;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Colour sum{0, 0, 0};
            for (int sy = 0; sy < kSamples; ++sy)
                for (int sx = 0; sx < kSamples; ++sx) {
                    const double u = (x + (sx + 0.5) / kSamples) / w;
                    const double v = (y + (sy + 0.5) / kSamples) / h;
                    const double px = (u - 0.5) * worldWidth;
                    const Colour c = paint(px, (0.5 - v) * worldLength, iceAt(px - playLineX));
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
                }
            const double k = pebbleShade(x, y, seed, pebble) / (kSamples * kSamples);
            image.at(x, y) = store(scaled(sum, k));
        }
    scratch(image, worldWidth, worldLength, seed + 50, pebble * 2.5);
    return image;
}

bool within(double value, double centre, double width)
{
    return std::abs(value - centre) < width / 2;
}

Colour houseRings(double x, double z, Colour ice)
{
    const double r = std::sqrt(x * x + z * z);
    if (r <= kButtonRadius)
        return toColour(kPaintedWhite);
    if (r <= kFourFootRadius)
        return toColour(kRingRed);
    if (r <= kEightFootRadius)
        return toColour(kPaintedWhite);
    if (r <= kTwelveFootRadius)
        return toColour(kRingBlue);
    return ice;
}

// The back line touches the back of the twelve-foot ring; the back is the bottom of the image
// (towards the near end for the near house; the far house is the same square turned round).
constexpr double kBackLineZ = -(kTwelveFootRadius + kThinLine / 2);

Colour acrossLines(double z, Colour under)
{
    if (within(z, 0, kThinLine) || within(z, kBackLineZ, kThinLine))
        return toColour(kLineDark);
    return under;
}

Colour house(double x, double z, Colour ice)
{
    if (within(x, 0, kThinLine))
        return toColour(kLineDark); // centre line over the rings
    return acrossLines(z, houseRings(x, z, ice));
}

Colour houseSide(double, double z, Colour ice)
{
    return acrossLines(z, ice);
}

Colour hogLine(double z, Colour under)
{
    return within(z, kHogFromSquareCentre, kHogLine) ? toColour(kHogRed) : under;
}

Colour lineSquare(double x, double z, Colour ice)
{
    const Colour under = within(x, 0, kThinLine) ? toColour(kLineDark) : ice;
    return hogLine(z, under);
}

Colour lineSide(double, double z, Colour ice)
{
    return hogLine(z, ice);
}

Colour centreStrip(double x, double, Colour ice)
{
    return within(x, 0, kThinLine) ? toColour(kLineDark) : ice;
}

Colour plainIce(double, double, Colour ice)
{
    return ice;
}

// Grey granite: a mottled mid grey with dark and light crystals, the same above and below the
// mirror line so that the band runs on unbroken across the texture's wrap.
Colour granite(int x, int row)
{
    // Light for granite: the stones' sides face away from the lights overhead and the material
    // tints it again.
    const Colour base{178, 178, 182};
    const double mottle = valueNoise(x, row, 5, 40) - 0.5;
    Colour c = scaled(base, 1 + 0.16 * mottle + 0.06 * (valueNoise(x, row, 2, 41) - 0.5));
    const double crystal = unitHash(x, row, 42);
    if (crystal < 0.14)
        c = scaled(c, 0.55 + 0.2 * unitHash(x, row, 43));
    else if (crystal > 0.9)
        c = mix(c, Colour{236, 234, 230}, 0.7);
    return c;
}

// Boards: a rail along top and bottom (the walls are seen with either edge up), a grey granite-like
// bumper at the very edge and a pale cap inside it, and four pine planks between, with a joint at
// each panel's ends. Walls face away from both lights, so the
// wood is painted light to read at all.
RgbImage paintWall()
{
    using namespace wallband;
    const int n = kTextureSize;
    RgbImage image(n, n);
    const Colour rail{236, 234, 228};
    const Colour railEdge{150, 142, 130};
    const Colour pine{226, 192, 142};
    const Colour seam{128, 92, 58};
    constexpr int kPlanks = 4;
    const int plankRows = (n - 2 * kRailRows) / kPlanks;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const int row = std::min(y, n - 1 - y); // mirrored top and bottom
            Colour c;
            if (row < kGraniteRows) {
                c = granite(x, row);
            } else if (row < kRailRows - 2) {
                c = scaled(rail, 1 + 0.035 * (unitHash(x, y, 11) - 0.5) + 0.02 * (valueNoise(x, y, 4, 12) - 0.5));
            } else if (row < kRailRows) {
                c = railEdge;
            } else {
                const int inPlanks = y - kRailRows;
                const int plank = inPlanks / plankRows;
                const int plankRow = inPlanks % plankRows;
                // Grain runs along the plank: wavy stripes, the waves stretched out along x.
                const double grain = std::sin(1.1 * y + 7 * valueNoise(x * 0.2, y * 0.5, 6, 20 + plank) + 1.7 * plank);
                const double streaks = valueNoise(x * 0.1, y, 2, 30 + plank);
                c = scaled(pine, 0.94 + 0.04 * grain + 0.06 * (streaks - 0.5) + 0.03 * (plank % 2));
                if (plankRow < 2 || plankRow >= plankRows - 1 || x < 2 || x >= n - 2)
                    c = mix(c, seam, 0.8);
            }
            image.at(x, y) = store(c);
        }
    return image;
}

// A left-pointing triangle, so that the spin cursor (turned a quarter counter-clockwise) points
// down at its bar and the power cursor (turned clockwise) points up at its bar.
RgbImage paintCursor()
{
    constexpr int kSize = 32;
    RgbImage image(kSize, kSize);
    const double ax = 3, ay = 16, bx = 29, by = 3, cx = 29, cy = 29; // apex, base top, base bottom
    auto inside = [&](double x, double y) {
        auto side = [](double x0, double y0, double x1, double y1, double px, double py) {
            return (x1 - x0) * (py - y0) - (y1 - y0) * (px - x0);
        };
        const double d0 = side(ax, ay, bx, by, x, y), d1 = side(bx, by, cx, cy, x, y), d2 = side(cx, cy, ax, ay, x, y);
        return (d0 >= 0 && d1 >= 0 && d2 >= 0) || (d0 <= 0 && d1 <= 0 && d2 <= 0);
    };
    constexpr int kSamples = 4;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            int covered = 0;
            for (int sy = 0; sy < kSamples; ++sy)
                for (int sx = 0; sx < kSamples; ++sx)
                    covered += inside(x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples) ? 1 : 0;
            if (covered * 2 < kSamples * kSamples) {
                image.at(x, y) = Rgb{0, 0, 0}; // transparent
                continue;
            }
            // A grey rim where the triangle meets the background, white inside brightening to the apex.
            const bool rim = !inside(x - 0.5, y + 0.5) || !inside(x + 1.5, y + 0.5) || !inside(x + 0.5, y - 0.5) ||
                             !inside(x + 0.5, y + 1.5);
            const double toApex = 1 - (x - ax) / (bx - ax);
            const Colour c = rim ? Colour{120, 120, 120} : mix(Colour{205, 205, 205}, Colour{255, 255, 255}, toApex);
            image.at(x, y) = store(c);
        }
    return image;
}

// Spin bar in rows 0..3 (left = -1, right = +1: brighter towards either end, cool left and warm
// right, with a mark at the middle) and power bar in rows 4..7 (0 to 2: dark to bright, marked at
// 1), each 200 texels wide; the texture is 256 wide and the rest is a dim filler. The sprites tint
// them strongly (blue for spin, purple for power), so the ramps are carried by brightness.
RgbImage paintBar()
{
    constexpr int kUsed = 200;
    RgbImage image(256, 8);
    for (int y = 0; y < 8; ++y) {
        const bool edgeRow = y == 0 || y == 3 || y == 4 || y == 7;
        for (int x = 0; x < image.width; ++x) {
            Colour c{48, 48, 52};
            if (x < kUsed) {
                const double t = (x + 0.5) / kUsed;
                if (y < 4) {
                    const double s = 2 * t - 1;
                    const Colour end = s < 0 ? Colour{205, 225, 255} : Colour{255, 230, 205};
                    c = mix(Colour{70, 70, 76}, end, std::abs(s));
                    if (x == kUsed / 2 - 1 || x == kUsed / 2)
                        c = Colour{255, 255, 255};
                } else {
                    c = mix(Colour{56, 56, 60}, Colour{255, 246, 232}, t);
                    if (x == kUsed / 2 - 1 || x == kUsed / 2)
                        c = Colour{255, 255, 255};
                }
                if (x == 0 || x == kUsed - 1)
                    c = Colour{230, 230, 230};
                if (edgeRow)
                    c = scaled(c, 0.75);
            }
            image.at(x, y) = store(c);
        }
    }
    return image;
}

} // namespace

std::vector<LibraryTexture> paintTextures()
{
    // Pieces are painted at about 100 texels per unit across the sheet, so that lines keep the same
    // width everywhere. The long centre strip is seen almost only along its length at a low angle:
    // with fewer texels along it the cameras pick sharper mip levels, and the centre line stays a
    // thin line into the distance instead of widening into a blur.
    constexpr double kSideOfPlay = 3; // the side strips and plain ice lie about this far from the centre line
    std::vector<LibraryTexture> out;
    out.push_back({"Tex_Ice.bmp", paintPiece(256, 256, 1, 1, 101, 0.5, kSideOfPlay, plainIce)});
    out.push_back({"Tex_House.bmp", paintPiece(512, 512, 5, 5, 102, 1, 0, house)});
    out.push_back({"Tex_Wall.bmp", paintWall()});
    out.push_back({"Tex_Side.bmp", paintPiece(128, 512, 1, 5, 104, 1, kSideOfPlay, houseSide)});
    out.push_back({"Tex_Line.bmp", paintPiece(512, 512, 5, 5, 105, 1, 0, lineSquare)});
    out.push_back({"Tex_Center.bmp", paintPiece(512, 512, 5, 18, 106, 1, 0, centreStrip)});
    out.push_back({"Tex_LineSide.bmp", paintPiece(128, 512, 1, 5, 107, 1, kSideOfPlay, lineSide)});
    out.push_back({"Tex_Cursor.bmp", paintCursor(), true});
    out.push_back({"Tex_Bar.bmp", paintBar()});
    return out;
}

} // namespace librarygen
