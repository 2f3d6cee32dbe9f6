#include "tools/icon_gen/icon.h"

#include <QDir>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace icongen {
namespace {

struct Colour {
    double r = 0, g = 0, b = 0, a = 0; // straight alpha, 0..1
};

// Paints `top` with the given coverage over `under`.
Colour over(const Colour& under, const Colour& top, double coverage)
{
    const double a = std::clamp(top.a * coverage, 0.0, 1.0);
    const double outA = a + under.a * (1 - a);
    if (outA <= 0)
        return {};
    const auto mix = [&](double t, double u) { return (t * a + u * under.a * (1 - a)) / outA; };
    return {mix(top.r, under.r), mix(top.g, under.g), mix(top.b, under.b), outA};
}

double lerp(double a, double b, double t)
{
    return a + (b - a) * t;
}

// Coverage of a shape from its signed distance (negative inside), with an edge `soft` wide; the
// pixel's own samples do the antialiasing, so `soft` only widens shadows.
double fill(double distance, double soft = 0)
{
    if (soft <= 0)
        return distance <= 0 ? 1.0 : 0.0;
    return std::clamp(0.5 - distance / soft, 0.0, 1.0);
}

double roundedSquare(double u, double v, double inset, double radius)
{
    const double hx = std::abs(u - 0.5) - (0.5 - inset - radius);
    const double hy = std::abs(v - 0.5) - (0.5 - inset - radius);
    const double outside = std::hypot(std::max(hx, 0.0), std::max(hy, 0.0));
    return outside + std::min(std::max(hx, hy), 0.0) - radius;
}

// Not an exact distance, but close enough near the edge of a flat ellipse for a fill.
double ellipse(double u, double v, double cu, double cv, double ru, double rv)
{
    const double x = (u - cu) / ru;
    const double y = (v - cv) / rv;
    return (std::sqrt(x * x + y * y) - 1) * std::min(ru, rv);
}

// Distance to a segment thickened to `radius`, and where along it the nearest point lies.
double capsule(double u, double v, double au, double av, double bu, double bv, double radius, double* along = nullptr)
{
    const double du = bu - au, dv = bv - av;
    const double t = std::clamp(((u - au) * du + (v - av) * dv) / (du * du + dv * dv), 0.0, 1.0);
    if (along)
        *along = t;
    return std::hypot(u - (au + du * t), v - (av + dv * t)) - radius;
}

// Granite speckle on a fixed grid of the tile, so it looks the same at every size.
double speckle(double u, double v)
{
    auto h = std::uint32_t(int(u * 128)) * 73856093u ^ std::uint32_t(int(v * 128)) * 19349663u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return double(h & 0xffu) / 255.0;
}

// The stone: a short cylinder seen from above and in front.
constexpr double StoneU = 0.5, TopV = 0.55, BottomV = 0.69, StoneRu = 0.37, StoneRv = 0.13;

double stoneSilhouette(double u, double v)
{
    const double top = ellipse(u, v, StoneU, TopV, StoneRu, StoneRv);
    const double bottom = ellipse(u, v, StoneU, BottomV, StoneRu, StoneRv);
    const double side = (v >= TopV && v <= BottomV) ? std::abs(u - StoneU) - StoneRu : 1.0;
    return std::min({top, bottom, side});
}

// The handle: a post on the middle of the top and a grip reaching forward to the right.
constexpr double PostTopV = 0.43;
constexpr double GripEndU = 0.80, GripEndV = 0.40;
constexpr double PostRadius = 0.045, GripRadius = 0.055;

double handleSilhouette(double u, double v)
{
    return std::min(capsule(u, v, StoneU, TopV, StoneU, PostTopV, PostRadius),
                    capsule(u, v, StoneU, PostTopV, GripEndU, GripEndV, GripRadius));
}

Colour shade(double u, double v)
{
    Colour c;

    // The tile of ice, lighter towards the top, with a blue ring of the house behind the stone.
    const double tile = roundedSquare(u, v, 0.03, 0.18);
    if (tile > 0)
        return c;
    c = over(c, {lerp(0.94, 0.74, v), lerp(0.97, 0.86, v), lerp(1.0, 0.95, v), 1}, 1);
    const double ring = std::abs(ellipse(u, v, 0.5, 0.68, 0.45, 0.22)) - 0.022;
    c = over(c, {0.15, 0.35, 0.80, 1}, fill(ring));
    c = over(c, {0.05, 0.10, 0.20, 0.25}, fill(ellipse(u, v, StoneU + 0.03, BottomV + 0.03, StoneRu, StoneRv), 0.05));

    // A dark rim around stone and handle keeps the shape readable at 16 pixels.
    const double rim = 0.018;
    c = over(c, {0.10, 0.08, 0.09, 1}, fill(std::min(stoneSilhouette(u, v), handleSilhouette(u, v)) - rim));

    if (stoneSilhouette(u, v) <= 0) {
        // Granite, lit from the left: the side darkens towards its edges and downwards.
        const double across = std::clamp((u - StoneU) / StoneRu, -1.0, 1.0);
        const double light = 0.55 + 0.30 * std::cos((across + 0.35) * 1.3) - 0.12 * (v - TopV) / (BottomV - TopV);
        const double grain = 0.08 * (speckle(u, v) - 0.5);
        const double grey = std::clamp(light + grain, 0.0, 1.0);
        c = over(c, {grey * 0.92, grey * 0.93, grey, 1}, 1);

        const double topFace = ellipse(u, v, StoneU, TopV, StoneRu - 0.02, StoneRv - 0.01);
        if (topFace <= 0) {
            const double polish = 0.78 + 0.10 * (StoneU - u) + grain;
            c = over(c, {polish * 0.95, polish * 0.96, polish, 1}, 1);
            // The striking band where the top meets the side.
            c = over(c, {0.35, 0.35, 0.38, 1}, fill(std::abs(topFace + 0.012) - 0.006));
        }
        // Where the post stands: a dark bolt plate.
        c = over(c, {0.22, 0.20, 0.22, 1}, fill(ellipse(u, v, StoneU, TopV, 0.085, 0.032)));
    }

    double along = 0;
    const double grip = capsule(u, v, StoneU, PostTopV, GripEndU, GripEndV, GripRadius, &along);
    const double post = capsule(u, v, StoneU, TopV, StoneU, PostTopV, PostRadius);
    if (std::min(grip, post) <= 0) {
        // Red plastic, brighter on its upper edge.
        const double axisV = lerp(PostTopV, GripEndV, along);
        const double upper = grip <= 0 ? std::clamp((axisV - v) / GripRadius, -1.0, 1.0) : 0.0;
        const double sideLight = post <= 0 && grip > 0 ? std::clamp((StoneU - u) / PostRadius, -1.0, 1.0) : 0.0;
        const double light = 0.78 + 0.22 * upper + 0.15 * sideLight;
        c = over(c, {std::min(1.0, 0.86 * light + 0.05), 0.10 * light, 0.12 * light, 1}, 1);
        // A gleam along the top of the grip.
        if (grip <= 0 && along > 0.15 && along < 0.9)
            c = over(c, {1, 0.75, 0.75, 0.7}, fill(std::abs(v - (axisV - GripRadius * 0.55)) - 0.008));
    }
    return c;
}

std::uint8_t byte(double x)
{
    return std::uint8_t(std::lround(std::clamp(x, 0.0, 1.0) * 255));
}

} // namespace

QImage paintIcon(int size)
{
    if (size <= 0)
        throw std::invalid_argument("icon size must be positive");
    // Small icons take more samples per pixel, so every size averages about the same detail.
    const int grid = std::max(4, 128 / size);
    QImage image(size, size, QImage::Format_ARGB32);
    for (int y = 0; y < size; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size; ++x) {
            // Averaged with premultiplied colour, so transparent samples do not darken edges.
            double r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < grid; ++sy) {
                for (int sx = 0; sx < grid; ++sx) {
                    const double u = (x + (sx + 0.5) / grid) / size;
                    const double v = (y + (sy + 0.5) / grid) / size;
                    const Colour c = shade(u, v);
                    r += c.r * c.a;
                    g += c.g * c.a;
                    b += c.b * c.a;
                    a += c.a;
                }
            }
            const double n = double(grid) * grid;
            const double alpha = a / n;
            if (alpha <= 0) {
                row[x] = qRgba(0, 0, 0, 0);
                continue;
            }
            row[x] = qRgba(byte(r / a), byte(g / a), byte(b / a), byte(alpha));
        }
    }
    return image;
}

void writeIconTheme(const QString& dir, const QString& appId)
{
    for (const int size : IconSizes) {
        const QString folder = QStringLiteral("%1/hicolor/%2x%2/apps").arg(dir).arg(size);
        if (!QDir().mkpath(folder))
            throw std::runtime_error(folder.toStdString() + ": cannot be created");
        const QString file = folder + QLatin1Char('/') + appId + QStringLiteral(".png");
        if (!paintIcon(size).save(file, "PNG"))
            throw std::runtime_error(file.toStdString() + ": cannot be written");
    }
}

} // namespace icongen
