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

// Pebbled ice: a droplet in each small cell, lit a little on its upper-left and shaded below.
double pebbleShade(int x, int y, std::uint32_t seed, double strength)
{
    constexpr int kCell = 7;
    const int cx = x / kCell, cy = y / kCell;
    double shade = 0;
    for (int ny = cy - 1; ny <= cy + 1; ++ny)
        for (int nx = cx - 1; nx <= cx + 1; ++nx) {
            const double px = nx * kCell + unitHash(nx, ny, seed) * kCell;
            const double py = ny * kCell + unitHash(nx, ny, seed + 1) * kCell;
            const double radius = 1.2 + unitHash(nx, ny, seed + 2) * 1.3;
            const double dx = x + 0.5 - px, dy = y + 0.5 - py;
            const double d = std::sqrt(dx * dx + dy * dy) / radius;
            if (d < 1)
                shade += (1 - d) * (dx + dy < 0 ? 1.0 : -0.6);
        }
    const double grain = valueNoise(x, y, 3.0, seed + 7) - 0.5;
    return 1 + strength * (0.045 * shade + 0.03 * grain);
}

// What a point of a sheet piece looks like before pebbling, in the piece's own units:
// x to the right, z towards the top of the image.
using Painter = std::function<Colour(double x, double z)>;

// Paints a piece of `worldWidth` x `worldLength` units onto `w` x `h` texels, 3 x 3 samples per
// texel so that ring edges and lines are smooth, then pebbles it.
RgbImage paintPiece(int w, int h, double worldWidth, double worldLength, std::uint32_t seed, double pebble,
                    const Painter& paint)
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
                    const Colour c = paint((u - 0.5) * worldWidth, (0.5 - v) * worldLength);
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
                }
            const double k = pebbleShade(x, y, seed, pebble) / (kSamples * kSamples);
            image.at(x, y) = store(scaled(sum, k));
        }
    return image;
}

bool within(double value, double centre, double width)
{
    return std::abs(value - centre) < width / 2;
}

Colour houseRings(double x, double z)
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
    return toColour(kIce);
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

Colour house(double x, double z)
{
    if (within(x, 0, kThinLine))
        return toColour(kLineDark); // centre line over the rings
    return acrossLines(z, houseRings(x, z));
}

Colour houseSide(double, double z)
{
    return acrossLines(z, toColour(kIce));
}

Colour hogLine(double z, Colour under)
{
    return within(z, kHogFromSquareCentre, kHogLine) ? toColour(kHogRed) : under;
}

Colour lineSquare(double x, double z)
{
    const Colour under = within(x, 0, kThinLine) ? toColour(kLineDark) : toColour(kIce);
    return hogLine(z, under);
}

Colour lineSide(double, double z)
{
    return hogLine(z, toColour(kIce));
}

Colour centreStrip(double x, double)
{
    return within(x, 0, kThinLine) ? toColour(kLineDark) : toColour(kIce);
}

Colour plainIce(double, double)
{
    return toColour(kIce);
}

// Boards: a pale cap rail along top and bottom (the walls are seen with either edge up) and four
// pine planks between, with a joint at each panel's ends. Walls face away from both lights, so the
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
            if (row < kRailRows - 2) {
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
    // Pieces are painted at about 100 texels per unit so that lines keep the same width everywhere.
    std::vector<LibraryTexture> out;
    out.push_back({"Tex_Ice.bmp", paintPiece(256, 256, 1, 1, 101, 0.5, plainIce)});
    out.push_back({"Tex_House.bmp", paintPiece(512, 512, 5, 5, 102, 1, house)});
    out.push_back({"Tex_Wall.bmp", paintWall()});
    out.push_back({"Tex_Side.bmp", paintPiece(128, 512, 1, 5, 104, 1, houseSide)});
    out.push_back({"Tex_Line.bmp", paintPiece(512, 512, 5, 5, 105, 1, lineSquare)});
    out.push_back({"Tex_Center.bmp", paintPiece(512, 2048, 5, 18, 106, 1, centreStrip)});
    out.push_back({"Tex_LineSide.bmp", paintPiece(128, 512, 1, 5, 107, 1, lineSide)});
    out.push_back({"Tex_Cursor.bmp", paintCursor(), true});
    out.push_back({"Tex_Bar.bmp", paintBar()});
    return out;
}

} // namespace librarygen
