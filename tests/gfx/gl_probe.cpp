#include "gl_probe.h"

#include <cmath>
#include <sstream>

namespace gfxtest {

namespace {

D3DVECTOR sub(D3DVECTOR a, D3DVECTOR b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
float dot(D3DVECTOR a, D3DVECTOR b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
D3DVECTOR cross(D3DVECTOR a, D3DVECTOR b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
D3DVECTOR norm(D3DVECTOR v)
{
    const float l = std::sqrt(dot(v, v));
    return {v.x / l, v.y / l, v.z / l};
}

} // namespace

D3DMATRIX lookAtLH(D3DVECTOR eye, D3DVECTOR at, D3DVECTOR up)
{
    const D3DVECTOR z = norm(sub(at, eye));
    const D3DVECTOR x = norm(cross(up, z));
    const D3DVECTOR y = cross(z, x);
    D3DMATRIX m;
    m.m[0][0] = x.x; m.m[0][1] = y.x; m.m[0][2] = z.x;
    m.m[1][0] = x.y; m.m[1][1] = y.y; m.m[1][2] = z.y;
    m.m[2][0] = x.z; m.m[2][1] = y.z; m.m[2][2] = z.z;
    m.m[3][0] = -dot(x, eye); m.m[3][1] = -dot(y, eye); m.m[3][2] = -dot(z, eye);
    m.m[3][3] = 1;
    return m;
}

D3DMATRIX perspectiveFovLH(float fovy, float aspect, float zn, float zf)
{
    const float yS = float(1.0 / std::tan(fovy / 2.0));
    const float xS = yS / aspect;
    D3DMATRIX m;
    m.m[0][0] = xS;
    m.m[1][1] = yS;
    m.m[2][2] = zf / (zf - zn);
    m.m[2][3] = 1;
    m.m[3][2] = -zn * zf / (zf - zn);
    return m;
}

D3DMATRIX scaling(float x, float y, float z)
{
    D3DMATRIX m;
    m.m[0][0] = x;
    m.m[1][1] = y;
    m.m[2][2] = z;
    m.m[3][3] = 1;
    return m;
}

D3DMATRIX rotationY(double a)
{
    D3DMATRIX m = gfx::identityMatrix();
    const float c = float(std::cos(a)), s = float(std::sin(a));
    m.m[0][0] = c;
    m.m[0][2] = -s;
    m.m[2][0] = s;
    m.m[2][2] = c;
    return m;
}

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
