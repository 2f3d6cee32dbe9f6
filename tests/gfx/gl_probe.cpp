#include "gl_probe.h"

#include <cmath>
#include <sstream>

namespace gfxtest {

platform::MeshData quadMesh(float x0, float y0, float x1, float y1, float z)
{
    platform::MeshData d;
    d.vertices = {{x0, y1, z, 0, 0, -1, 0, 0}, {x1, y1, z, 0, 0, -1, 1, 0},
                  {x1, y0, z, 0, 0, -1, 1, 1}, {x0, y0, z, 0, 0, -1, 0, 1}};
    d.indices = {0, 1, 2, 0, 2, 3};
    d.subsets = {{0, 0, 2, 0, 4}};
    return d;
}

platform::MeshData triangleMesh(const std::array<D3DVECTOR, 3>& c, const std::array<D3DVECTOR, 3>& n)
{
    platform::MeshData d;
    for (int i = 0; i < 3; ++i)
        d.vertices.push_back({c[i].x, c[i].y, c[i].z, n[i].x, n[i].y, n[i].z, 0, 0});
    d.indices = {0, 1, 2};
    d.subsets = {{0, 0, 1, 0, 3}};
    return d;
}

platform::TextureImage solidTexture(int w, int h, QColor color)
{
    platform::TextureImage img;
    platform::TextureLevel level{w, h, {}};
    for (int i = 0; i < w * h; ++i)
        level.rgba.insert(level.rgba.end(), {std::uint8_t(color.red()), std::uint8_t(color.green()),
                                             std::uint8_t(color.blue()), std::uint8_t(color.alpha())});
    img.levels.push_back(level);
    return img;
}

::testing::AssertionResult pixelNear(const QImage& image, int x, int y, Rgb e, int tolerance)
{
    const QColor got = image.pixelColor(x, y);
    const int er = int(std::lround(std::clamp(e.r, 0.0, 1.0) * 255));
    const int eg = int(std::lround(std::clamp(e.g, 0.0, 1.0) * 255));
    const int eb = int(std::lround(std::clamp(e.b, 0.0, 1.0) * 255));
    if (std::abs(got.red() - er) <= tolerance && std::abs(got.green() - eg) <= tolerance
        && std::abs(got.blue() - eb) <= tolerance)
        return ::testing::AssertionSuccess();
    std::ostringstream out;
    out << "pixel (" << x << ", " << y << "): expected (" << er << ", " << eg << ", " << eb << "), observed ("
        << got.red() << ", " << got.green() << ", " << got.blue() << ")";
    return ::testing::AssertionFailure() << out.str();
}

::testing::AssertionResult pixelNear(const QImage& image, int x, int y, QColor e, int tolerance)
{
    return pixelNear(image, x, y, Rgb{e.redF(), e.greenF(), e.blueF()}, tolerance);
}

void clearTo(gfx::Device& dev, D3DCOLOR background)
{
    dev.clear(d3d::CLEAR_TARGET | d3d::CLEAR_ZBUFFER, background, 1.0f, 0);
}

std::unique_ptr<gfx::GlDevice> makeDevice(int size, D3DCOLOR background)
{
    auto dev = gfx::createOffscreenGlDevice(size, size, false);
    dev->setTransform(d3d::TS_VIEW, lookAtLH({0, 0, 0}, {0, 0, 1}, {0, 1, 0}));
    dev->setTransform(d3d::TS_PROJECTION, perspectiveFovLH(float(std::acos(-1.0) / 2), 1.0f, 0.5f, 100.0f));
    dev->setRenderState(d3d::RS_LIGHTING, 0);
    clearTo(*dev, background);
    return dev;
}

D3DMATERIAL8 whiteMaterial()
{
    D3DMATERIAL8 m;
    m.Diffuse = {1, 1, 1, 1};
    m.Ambient = {1, 1, 1, 1};
    return m;
}

} // namespace gfxtest
