#include "tools/gfx_demo/demo_scene.h"

#include "platform/gfx/device_state.h"

#include <cmath>

namespace gfxdemo {

namespace {

const double kPi = std::acos(-1.0);

D3DVECTOR sub(D3DVECTOR a, D3DVECTOR b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
float dot(D3DVECTOR a, D3DVECTOR b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
D3DVECTOR cross(D3DVECTOR a, D3DVECTOR b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
D3DVECTOR norm(D3DVECTOR v)
{
    const float l = std::sqrt(dot(v, v));
    return l > 0 ? D3DVECTOR{v.x / l, v.y / l, v.z / l} : v;
}

// Adds a triangle wound so that it is a front face (clockwise on screen) seen from outside,
// i.e. from the side its vertices' normals point to.
void addTriangle(platform::MeshData& m, std::uint32_t a, std::uint32_t b, std::uint32_t c)
{
    const auto& va = m.vertices[a];
    const auto& vb = m.vertices[b];
    const auto& vc = m.vertices[c];
    const D3DVECTOR e1 = sub({vb.px, vb.py, vb.pz}, {va.px, va.py, va.pz});
    const D3DVECTOR e2 = sub({vc.px, vc.py, vc.pz}, {va.px, va.py, va.pz});
    const D3DVECTOR outward{va.nx + vb.nx + vc.nx, va.ny + vb.ny + vc.ny, va.nz + vb.nz + vc.nz};
    if (dot(cross(e1, e2), outward) >= 0)
        m.indices.insert(m.indices.end(), {a, b, c});
    else
        m.indices.insert(m.indices.end(), {a, c, b});
}

void finishSingleSubset(platform::MeshData& m)
{
    m.subsets = {{0, 0, m.numFaces(), 0, m.numVertices()}};
    m.materials.resize(1);
}

std::uint32_t addVertex(platform::MeshData& m, D3DVECTOR p, D3DVECTOR n, float u, float v)
{
    m.vertices.push_back({p.x, p.y, p.z, n.x, n.y, n.z, u, v});
    return m.numVertices() - 1;
}

void addMipChain(platform::TextureImage& img)
{
    while (img.levels.back().width > 1 || img.levels.back().height > 1) {
        const platform::TextureLevel& src = img.levels.back();
        platform::TextureLevel dst{std::max(1, src.width / 2), std::max(1, src.height / 2), {}};
        dst.rgba.resize(std::size_t(dst.width) * dst.height * 4);
        for (int y = 0; y < dst.height; ++y)
            for (int x = 0; x < dst.width; ++x)
                for (int ch = 0; ch < 4; ++ch) {
                    int sum = 0;
                    for (int dy = 0; dy < 2; ++dy)
                        for (int dx = 0; dx < 2; ++dx) {
                            const int sx = std::min(src.width - 1, x * 2 + dx);
                            const int sy = std::min(src.height - 1, y * 2 + dy);
                            sum += src.rgba[(std::size_t(sy) * src.width + sx) * 4 + ch];
                        }
                    dst.rgba[(std::size_t(y) * dst.width + x) * 4 + ch] = std::uint8_t((sum + 2) / 4);
                }
        img.levels.push_back(std::move(dst));
    }
}

} // namespace

platform::MeshData cylinderMesh(int segments, float radius, float height)
{
    platform::MeshData m;
    for (int i = 0; i <= segments; ++i) {
        const double a = 2 * kPi * i / segments;
        const D3DVECTOR n{float(std::cos(a)), 0, float(std::sin(a))};
        const float u = float(i) / float(segments);
        addVertex(m, {radius * n.x, 0, radius * n.z}, n, u, 1);
        addVertex(m, {radius * n.x, height, radius * n.z}, n, u, 0);
    }
    for (int i = 0; i < segments; ++i) {
        const std::uint32_t b0 = std::uint32_t(2 * i), t0 = b0 + 1, b1 = b0 + 2, t1 = b0 + 3;
        addTriangle(m, b0, t0, t1);
        addTriangle(m, b0, t1, b1);
    }
    for (const float y : {0.0f, height}) {
        const D3DVECTOR n{0, y > 0 ? 1.0f : -1.0f, 0};
        const std::uint32_t centre = addVertex(m, {0, y, 0}, n, 0.5f, 0.5f);
        const std::uint32_t first = m.numVertices();
        for (int i = 0; i < segments; ++i) {
            const double a = 2 * kPi * i / segments;
            addVertex(m, {float(radius * std::cos(a)), y, float(radius * std::sin(a))}, n,
                      float(0.5 + 0.5 * std::cos(a)), float(0.5 + 0.5 * std::sin(a)));
        }
        for (int i = 0; i < segments; ++i)
            addTriangle(m, centre, first + std::uint32_t(i), first + std::uint32_t((i + 1) % segments));
    }
    finishSingleSubset(m);
    return m;
}

platform::MeshData floorQuadMesh(float width, float depth)
{
    platform::MeshData m;
    const D3DVECTOR up{0, 1, 0};
    const float hw = width / 2, hd = depth / 2;
    addVertex(m, {-hw, 0, hd}, up, 0, 0);
    addVertex(m, {hw, 0, hd}, up, 1, 0);
    addVertex(m, {hw, 0, -hd}, up, 1, 1);
    addVertex(m, {-hw, 0, -hd}, up, 0, 1);
    addTriangle(m, 0, 1, 2);
    addTriangle(m, 0, 2, 3);
    finishSingleSubset(m);
    return m;
}

platform::MeshData boxMesh(float sx, float sy, float sz)
{
    platform::MeshData m;
    const D3DVECTOR normals[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (const D3DVECTOR& n : normals) {
        // Two axes spanning the face.
        const D3DVECTOR a = std::abs(n.y) > 0 ? D3DVECTOR{1, 0, 0} : D3DVECTOR{0, 1, 0};
        const D3DVECTOR b = cross(n, a);
        const std::uint32_t base = m.numVertices();
        const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
        for (const auto& c : corners) {
            const D3DVECTOR p{(n.x + a.x * c[0] + b.x * c[1]) * sx / 2, (n.y + a.y * c[0] + b.y * c[1]) * sy / 2,
                              (n.z + a.z * c[0] + b.z * c[1]) * sz / 2};
            addVertex(m, p, n, (c[0] + 1) / 2, (c[1] + 1) / 2);
        }
        addTriangle(m, base, base + 1, base + 2);
        addTriangle(m, base, base + 2, base + 3);
    }
    finishSingleSubset(m);
    return m;
}

platform::TextureImage stripeTexture(int size)
{
    platform::TextureImage img;
    platform::TextureLevel level{size, size, {}};
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const bool stripe = ((x / 8) + (y / 8)) % 2 == 0;
            level.rgba.insert(level.rgba.end(), {std::uint8_t(stripe ? 230 : 60), std::uint8_t(stripe ? 120 : 90),
                                                 std::uint8_t(stripe ? 40 : 200), 255});
        }
    img.levels.push_back(std::move(level));
    addMipChain(img);
    return img;
}

platform::TextureImage discSprite(int size)
{
    platform::TextureImage img;
    platform::TextureLevel level{size, size, {}};
    const double r = size / 2.0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double dx = x + 0.5 - r, dy = y + 0.5 - r;
            const bool inside = dx * dx + dy * dy < r * r;
            const bool ring = inside && dx * dx + dy * dy > (r - 3) * (r - 3);
            if (!inside)
                level.rgba.insert(level.rgba.end(), {0, 0, 0, 0});
            else if (ring)
                level.rgba.insert(level.rgba.end(), {255, 255, 255, 255});
            else
                level.rgba.insert(level.rgba.end(), {220, 30, 30, 255});
        }
    img.levels.push_back(std::move(level));
    addMipChain(img);
    return img;
}

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
    D3DMATRIX m;
    m.m[0][0] = yS / aspect;
    m.m[1][1] = yS;
    m.m[2][2] = zf / (zf - zn);
    m.m[2][3] = 1;
    m.m[3][2] = -zn * zf / (zf - zn);
    return m;
}

D3DMATRIX translation(float x, float y, float z)
{
    D3DMATRIX m = gfx::identityMatrix();
    m.m[3][0] = x;
    m.m[3][1] = y;
    m.m[3][2] = z;
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

void setUpGameLikeState(gfx::Device& dev)
{
    using namespace d3d;
    dev.setRenderState(RS_SHADEMODE, SHADE_GOURAUD);
    dev.setRenderState(RS_FILLMODE, FILL_SOLID);
    dev.setRenderState(RS_CULLMODE, CULL_CCW);
    dev.setRenderState(RS_ZWRITEENABLE, 1);
    dev.setRenderState(RS_ZENABLE, ZB_TRUE);
    dev.setRenderState(RS_LIGHTING, 1);
    dev.setRenderState(RS_SPECULARENABLE, 1);
    dev.setRenderState(RS_ALPHATESTENABLE, 1);
    dev.setRenderState(RS_ALPHABLENDENABLE, 1);
    dev.setRenderState(RS_ALPHAREF, 0);
    dev.setRenderState(RS_ALPHAFUNC, CMP_ALWAYS);
    dev.setRenderState(RS_SRCBLEND, BLEND_SRCALPHA);
    dev.setRenderState(RS_DESTBLEND, BLEND_INVSRCALPHA);
    dev.setRenderState(RS_AMBIENT, 0xFF1E1E1E);
    dev.setTextureStageState(0, TSS_COLOROP, TOP_MODULATE);
    dev.setTextureStageState(0, TSS_COLORARG1, TA_TEXTURE);
    dev.setTextureStageState(0, TSS_COLORARG2, TA_DIFFUSE);
    dev.setTextureStageState(0, TSS_ALPHAOP, TOP_SELECTARG1);
    dev.setTextureStageState(0, TSS_ALPHAARG1, TA_DIFFUSE);
    dev.setTextureStageState(0, TSS_ALPHAARG2, TA_CURRENT);

    D3DLIGHT8 key;
    key.Type = LIGHT_DIRECTIONAL;
    key.Direction = {0.3f, -1.0f, 0.5f};
    key.Diffuse = {0.9f, 0.9f, 0.85f, 1};
    key.Specular = {0.6f, 0.6f, 0.6f, 1};
    key.Ambient = {0.1f, 0.1f, 0.1f, 1};
    D3DLIGHT8 fill = key;
    fill.Direction = {-0.6f, -0.3f, -0.4f};
    fill.Diffuse = {0.25f, 0.3f, 0.45f, 1};
    fill.Specular = {0, 0, 0, 0};
    dev.setLight(0, key);
    dev.setLight(1, fill);
    dev.lightEnable(0, true);
    dev.lightEnable(1, true);
}

} // namespace gfxdemo
