// Pixel probes on the OpenGL device: large primitives, the middle of them compared per channel.
#include "engine/d3dx_math.h"
#include "platform/gfx/device_state.h"
#include "platform/gfx/fixed_function.h"
#include "platform/gfx/gl_shaders.h"
#include "platform/gfx/gl_device.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <QOpenGLContext>
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLVersionFunctionsFactory>

#include <bit>
#include <cmath>

namespace {

// Matrices as D3DX builds them.
using engine::d3dx::lookAtLH;
using engine::d3dx::perspectiveFovLH;
using engine::d3dx::rotationY;
using engine::d3dx::scaling;
using gfx::GlDevice;

// A quad facing -z (towards a camera at the origin looking along +z), clockwise on screen, at
// depth `z`, spanning [x0, x1] x [y0, y1], texture (0,0) at the top-left.
platform::MeshData quadMesh(float x0, float y0, float x1, float y1, float z)
{
    platform::MeshData d;
    d.vertices = {{x0, y1, z, 0, 0, -1, 0, 0}, {x1, y1, z, 0, 0, -1, 1, 0},
                  {x1, y0, z, 0, 0, -1, 1, 1}, {x0, y0, z, 0, 0, -1, 0, 1}};
    d.indices = {0, 1, 2, 0, 2, 3};
    d.subsets = {{0, 0, 2, 0, 4}};
    return d;
}

// One triangle with the given corners (drawn in this order), all facing -z.
platform::MeshData triangleMesh(const std::array<D3DVECTOR, 3>& c)
{
    platform::MeshData d;
    for (int i = 0; i < 3; ++i)
        d.vertices.push_back({c[i].x, c[i].y, c[i].z, 0, 0, -1, 0, 0});
    d.indices = {0, 1, 2};
    d.subsets = {{0, 0, 1, 0, 3}};
    return d;
}

platform::TextureImage solidTexture(int w, int h, QColor color)
{
    platform::TextureLevel level{w, h, {}};
    for (int i = 0; i < w * h; ++i)
        level.rgba.insert(level.rgba.end(), {std::uint8_t(color.red()), std::uint8_t(color.green()),
                                                std::uint8_t(color.blue()), std::uint8_t(color.alpha())});
    return platform::TextureImage{{level}};
}

// A colour as an rgb 0..1 triple.
struct Rgb {
    double r, g, b;
};

// The pixel at (x, y) within `tolerance` of `e` per channel (0..255 scale), expected against observed.
::testing::AssertionResult pixelNear(const QImage& image, int x, int y, Rgb e, int tolerance)
{
    const QColor got = image.pixelColor(x, y);
    const int expected[3] = {int(std::lround(std::clamp(e.r, 0.0, 1.0) * 255)),
        int(std::lround(std::clamp(e.g, 0.0, 1.0) * 255)), int(std::lround(std::clamp(e.b, 0.0, 1.0) * 255))};
    if (std::abs(got.red() - expected[0]) <= tolerance && std::abs(got.green() - expected[1]) <= tolerance
        && std::abs(got.blue() - expected[2]) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << "): expected (" << expected[0] << ", "
                                         << expected[1] << ", " << expected[2] << "), observed (" << got.red()
                                         << ", " << got.green() << ", " << got.blue() << ")";
}
::testing::AssertionResult pixelNear(const QImage& image, int x, int y, QColor e, int tolerance)
{
    return pixelNear(image, x, y, Rgb{e.redF(), e.greenF(), e.blueF()}, tolerance);
}

void clearTo(gfx::Device& dev, D3DCOLOR background)
{
    dev.clear(d3d::CLEAR_TARGET | d3d::CLEAR_ZBUFFER, background, 1.0f, 0);
}

// A fresh offscreen device with a camera at the origin looking along +z, 90° vertical view,
// square back buffer, lighting off, and everything cleared to `background`.
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

constexpr int kSize = 128;
constexpr int kMid = kSize / 2;
constexpr D3DCOLOR kBlack = 0xFF000000, kBlue = 0xFF0000FF, kGreen = 0xFF00FF00;
const QColor kWhitePx(255, 255, 255), kBlackPx(0, 0, 0), kRedPx(255, 0, 0), kGreenPx(0, 255, 0),
    kBluePx(0, 0, 255);

std::uint32_t f2dw(float f) { return std::bit_cast<std::uint32_t>(f); }

struct V3 {
    double x, y, z;
};
V3 normalised(V3 v)
{
    const double l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / l, v.y / l, v.z / l};
}
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Rgb grey(double v) { return {v, v, v}; }

D3DLIGHT8 makeLight(std::uint32_t type, D3DCOLORVALUE diffuse, D3DVECTOR dir = {}, D3DCOLORVALUE ambient = {})
{
    D3DLIGHT8 l;
    l.Type = type;
    l.Direction = dir;
    l.Diffuse = diffuse;
    l.Ambient = ambient;
    return l;
}

gfx::SpriteQuad spriteAt(const gfx::Texture* tex, int x, int y, int w, int h, D3DCOLOR color = 0xFFFFFFFF)
{
    gfx::SpriteQuad q;
    q.texture = tex;
    q.src = {0, 0, w, h};
    const float xs[4] = {float(x), float(x + w), float(x + w), float(x)};
    const float ys[4] = {float(y), float(y), float(y + h), float(y + h)};
    std::copy(xs, xs + 4, q.x);
    std::copy(ys, ys + 4, q.y);
    q.color = color;
    return q;
}

// Where the pixels with any red lie; with `textRed`, each must also be red only (the font colour).
struct Extent {
    int count = 0, minX = 1 << 20, maxX = -1, minY = 1 << 20, maxY = -1;
    bool pureRed = false;
};

Extent redPixels(const QImage& img, bool textRed = true)
{
    Extent e;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.red() == 0)
                continue;
            EXPECT_TRUE(!textRed || c.green() == 0) << "text pixel not in the font colour at " << x << "," << y;
            ++e.count;
            e.minX = std::min(e.minX, x);
            e.maxX = std::max(e.maxX, x);
            e.minY = std::min(e.minY, y);
            e.maxY = std::max(e.maxY, y);
            e.pureRed = e.pureRed || (c.red() >= 253 && c.blue() <= 2);
        }
    return e;
}

platform::TextureImage mipChain(std::initializer_list<QColor> firstLevels)
{
    platform::TextureImage img;
    auto colour = firstLevels.begin();
    for (int size = 64; size >= 1; size /= 2) {
        img.levels.push_back(solidTexture(size, size, *colour).levels.front());
        colour += colour + 1 != firstLevels.end();
    }
    return img;
}

class GlDeviceTest : public ::testing::Test {
protected:
    void SetUp() override { dev = makeDevice(kSize, kBlack); }
    void draw(const platform::MeshData& data)
    {
        auto mesh = dev->createMesh(data);
        dev->drawSubset(*mesh, 0);
    }
    void quad(float half = 1, float z = 2) { draw(quadMesh(-half, -half, half, half, z)); }
    QImage frame() { return dev->readBackBuffer(); }
    template <class C> ::testing::AssertionResult at(int x, int y, C expected, int tolerance = 2)
    {
        return pixelNear(frame(), x, y, expected, tolerance);
    }
    template <class C> ::testing::AssertionResult mid(C expected) { return at(kMid, kMid, expected); }
    // Clears to `background`, draws a quad and probes its middle.
    template <class C>
    ::testing::AssertionResult quadIs(C expected, D3DCOLOR background = kBlack, float half = 1, float z = 2)
    {
        clearTo(*dev, background);
        quad(half, z);
        return mid(expected);
    }
    void states(std::initializer_list<std::pair<std::uint32_t, std::uint32_t>> list)
    {
        for (const auto& [state, value] : list)
            dev->setRenderState(state, value);
    }
    void blendOver()
    {
        states({{d3d::RS_ALPHABLENDENABLE, 1}, {d3d::RS_SRCBLEND, d3d::BLEND_SRCALPHA},
            {d3d::RS_DESTBLEND, d3d::BLEND_INVSRCALPHA}});
    }
    // Lighting on and a material that shows `emissive` with the given alpha.
    void emissive(D3DCOLORVALUE colour, float alpha)
    {
        dev->setRenderState(d3d::RS_LIGHTING, 1);
        D3DMATERIAL8 m;
        m.Emissive = colour;
        m.Diffuse = {0, 0, 0, alpha};
        dev->setMaterial(m);
    }
    void light(const D3DLIGHT8& l, std::uint32_t index = 0)
    {
        dev->setLight(index, l);
        dev->lightEnable(index, true);
    }
    void litWhite(std::uint32_t shadeMode = d3d::SHADE_GOURAUD)
    {
        states({{d3d::RS_LIGHTING, 1}, {d3d::RS_SHADEMODE, shadeMode}});
        dev->setMaterial(whiteMaterial());
    }
    std::unique_ptr<gfx::Texture> texture(const platform::TextureImage& img)
    {
        auto tex = dev->createTexture(img);
        dev->setTexture(0, tex.get());
        return tex;
    }
    std::unique_ptr<GlDevice> dev;
};

// The offset the GL gives `name`, or -1 when it has no such uniform.
GLint glOffset(QOpenGLFunctions_3_3_Core& gl, GLuint program, const std::string& name)
{
    const char* names[] = {name.c_str()};
    GLuint index = GL_INVALID_INDEX;
    gl.glGetUniformIndices(program, 1, names, &index);
    GLint offset = -1;
    if (index != GL_INVALID_INDEX)
        gl.glGetActiveUniformsiv(program, 1, &index, GL_UNIFORM_OFFSET, &offset);
    return offset;
}

TEST_F(GlDeviceTest, EveryUniformBlockMemberSitsWhereTheCppStructPutsIt)
{
    auto* gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(dev->context());
    ASSERT_NE(gl, nullptr);
    // The fixed-function shaders with every choice that reads a block member turned on.
    gfx::ShaderChoices c;
    c.lighting = c.specular = c.textured = c.alphaTest = true;
    c.fogMode = d3d::FOG_LINEAR;
    c.alphaFunc = d3d::CMP_GREATER;
    c.colorOp = c.alphaOp = d3d::TOP_MODULATE;
    c.colorArg1 = c.alphaArg1 = d3d::TA_TEXTURE;
    const std::string head = std::string(gfx::shaders::kVersion) + c.defines() + gfx::glslBlockDeclarations();
    const GLuint program = gl->glCreateProgram();
    for (auto [type, body] : {std::pair{GLenum(GL_VERTEX_SHADER), gfx::shaders::kFixedFunctionVertex},
             std::pair{GLenum(GL_FRAGMENT_SHADER), gfx::shaders::kFixedFunctionFragment}}) {
        const GLuint shader = gl->glCreateShader(type);
        const char* parts[] = {head.c_str(), body};
        gl->glShaderSource(shader, 2, parts, nullptr);
        gl->glCompileShader(shader);
        gl->glAttachShader(program, shader);
        gl->glDeleteShader(shader);
    }
    gl->glLinkProgram(program);
    GLint linked = 0;
    gl->glGetProgramiv(program, GL_LINK_STATUS, &linked);
    ASSERT_TRUE(linked);
    int checked = 0;
    for (const gfx::BlockLayout* layout : {&gfx::frameBlockLayout(), &gfx::drawBlockLayout()}) {
        const GLuint block = gl->glGetUniformBlockIndex(program, layout->blockName);
        ASSERT_NE(block, GL_INVALID_INDEX) << layout->blockName;
        GLint size = 0;
        gl->glGetActiveUniformBlockiv(program, block, GL_UNIFORM_BLOCK_DATA_SIZE, &size);
        EXPECT_EQ(std::size_t(size), layout->size) << layout->blockName;
        for (const gfx::BlockMember& m : layout->members) {
            const std::string name = std::string(layout->blockName) + "." + m.name;
            const bool isLight = std::string(m.glslType) == "Light";
            EXPECT_EQ(glOffset(*gl, program, name), isLight ? -1 : GLint(m.offset)) << name;
            checked += !isLight;
            for (int i = 0; isLight && i < m.arraySize; ++i)
                for (const gfx::BlockMember& field : gfx::lightMembers()) {
                    const std::string fieldName = name + "[" + std::to_string(i) + "]." + field.name;
                    EXPECT_EQ(glOffset(*gl, program, fieldName),
                        GLint(m.offset + std::size_t(i) * sizeof(gfx::GpuLight) + field.offset))
                        << fieldName;
                    ++checked;
                }
        }
    }
    EXPECT_EQ(checked, 5 + 8 * 7 + 8);
    gl->glDeleteProgram(program);
}

// --- lighting -------------------------------------------------------------------------------------

TEST_F(GlDeviceTest, LitWhiteQuadMatchesTheLightingEquationAndScalingTheWorldScalesTheLight)
{
    // The camera looks 30° to the right; the quad turns with it, so the lights must be moved
    // into view space to come out right.
    const double yaw = std::acos(-1.0) / 6;
    dev->setTransform(d3d::TS_VIEW, lookAtLH({0, 0, 0}, {float(std::sin(yaw)), 0, float(std::cos(yaw))}, {0, 1, 0}));
    dev->setTransform(d3d::TS_WORLD, rotationY(float(yaw)));
    litWhite();
    dev->setRenderState(d3d::RS_AMBIENT, 0xFF1E1E1E); // (30, 30, 30)
    const D3DLIGHT8 l1
        = makeLight(d3d::LIGHT_DIRECTIONAL, {0.6f, 0.4f, 0.2f, 1}, {0.3f, -0.5f, 0.8f}, {0.05f, 0.02f, 0, 1});
    const D3DLIGHT8 l2
        = makeLight(d3d::LIGHT_DIRECTIONAL, {0.2f, 0.35f, 0.5f, 1}, {-0.5f, 0.3f, 0.7f}, {0, 0.03f, 0.04f, 1});
    light(l1);
    light(l2, 1);
    quad();
    // World-space normal of the turned quad: (0, 0, -1) · RotationY(yaw).
    const V3 n{-std::sin(yaw), 0, -std::cos(yaw)};
    auto term = [&](const D3DLIGHT8& l) {
        return std::max(0.0, dot(n, normalised({-l.Direction.x, -l.Direction.y, -l.Direction.z})));
    };
    const double ga = 30.0 / 255, t1 = term(l1), t2 = term(l2);
    ASSERT_GT(std::min(t1, t2), 0.1);
    EXPECT_TRUE(mid(Rgb{ga + 0.05 + 0.6 * t1 + 0.2 * t2, ga + 0.02 + 0.03 + 0.4 * t1 + 0.35 * t2,
        ga + 0.04 + 0.2 * t1 + 0.5 * t2}));

    dev->setTransform(d3d::TS_VIEW, lookAtLH({0, 0, 0}, {0, 0, 1}, {0, 1, 0}));
    dev->setRenderState(d3d::RS_AMBIENT, 0);
    dev->lightEnable(1, false);
    light(makeLight(d3d::LIGHT_DIRECTIONAL, {0.2f, 0.15f, 0.1f, 1}, {0, 0, 1}));
    // Half size: the normal matrix doubles the normal's length, and the light with it.
    dev->setTransform(d3d::TS_WORLD, scaling(0.5f, 0.5f, 0.5f));
    EXPECT_TRUE(quadIs(Rgb{0.4, 0.3, 0.2}, kBlack, 2, 4));
    dev->setRenderState(d3d::RS_NORMALIZENORMALS, 1);
    EXPECT_TRUE(quadIs(Rgb{0.2, 0.15, 0.1}, kBlack, 2, 4)) << "unit normals: the light as at full size";
    // Squashed unevenly: the normal's own length is undone, not some one scale of the matrix.
    dev->setTransform(d3d::TS_WORLD, scaling(0.25f, 0.2f, 0.5f));
    EXPECT_TRUE(quadIs(Rgb{0.2, 0.15, 0.1}, kBlack, 2, 4));
    states({{d3d::RS_NORMALIZENORMALS, 0}, {d3d::RS_LIGHTING, 0}});
    EXPECT_TRUE(quadIs(kWhitePx)) << "lighting off: opaque white whatever the material";
}

TEST_F(GlDeviceTest, SpecularOnlyWhenEnabled)
{
    litWhite();
    dev->setRenderState(d3d::RS_LOCALVIEWER, 0); // the same halfway vector over the whole quad
    D3DMATERIAL8 m = whiteMaterial();
    m.Specular = {1, 1, 1, 1};
    m.Power = 10;
    dev->setMaterial(m);
    D3DLIGHT8 l = makeLight(d3d::LIGHT_DIRECTIONAL, {0.3f, 0.3f, 0.3f, 1}, {0.4f, 0, 1});
    l.Specular = {0.5f, 0.4f, 0.3f, 1};
    light(l);
    const V3 ldir = normalised({-0.4, 0, -1});
    const double diffuse = 0.3 * dot({0, 0, -1}, ldir);
    EXPECT_TRUE(quadIs(grey(diffuse))) << "specular while disabled";
    dev->setRenderState(d3d::RS_SPECULARENABLE, 1);
    const double s = std::pow(dot({0, 0, -1}, normalised({ldir.x, ldir.y, ldir.z - 1})), 10.0);
    EXPECT_TRUE(quadIs(Rgb{diffuse + 0.5 * s, diffuse + 0.4 * s, diffuse + 0.3 * s}));
}

TEST_F(GlDeviceTest, FlatShadingTakesThePointLightAtTheFirstVertexAndSpotsFollowTheirCone)
{
    litWhite(d3d::SHADE_FLAT);
    D3DLIGHT8 point = makeLight(d3d::LIGHT_POINT, {1, 1, 1, 1});
    point.Range = 100;
    point.Attenuation1 = 0.6f;
    light(point);
    // Covers pixels 48..127 both ways; both triangles start at the top-left corner (-0.5, 0.5, 2).
    const auto corner = quadMesh(-0.5f, -2, 2, 0.5f, 2);
    draw(corner);
    const V3 v{-0.5, 0.5, 2};
    const double expected = dot({0, 0, -1}, normalised({-v.x, -v.y, -v.z})) / (0.6 * std::sqrt(dot(v, v)));
    ASSERT_LT(expected, 0.9);
    EXPECT_TRUE(at(60, 60, grey(expected)));
    EXPECT_TRUE(at(115, 115, grey(expected)));
    // Gouraud: far from the first corner the light falls off.
    dev->setRenderState(d3d::RS_SHADEMODE, d3d::SHADE_GOURAUD);
    clearTo(*dev, kBlack);
    draw(corner);
    EXPECT_LT(frame().pixelColor(115, 115).red(), int(expected * 255) - 40);
    // Beyond its range a point light gives nothing, not even its ambient.
    point.Ambient = {0.5f, 0.5f, 0.5f, 1};
    point.Range = 1.5f;
    point.Attenuation0 = 1;
    point.Attenuation1 = 0;
    light(point);
    EXPECT_TRUE(quadIs(kBlackPx));

    dev->setRenderState(d3d::RS_SHADEMODE, d3d::SHADE_FLAT);
    D3DLIGHT8 spot = makeLight(d3d::LIGHT_SPOT, {1, 1, 1, 1}, {0, 0, 1});
    spot.Range = 100;
    spot.Attenuation0 = 1;
    spot.Theta = 0.6f;
    spot.Phi = 1.8f;
    spot.Falloff = 2;
    light(spot);
    const V3 toLight = normalised({1, -1, -2}); // from the first vertex (-1, 1, 2)
    const double rho = -toLight.z;              // dot(axis, -toLight)
    const double cosTheta = std::cos(0.3), cosPhi = std::cos(0.9);
    ASSERT_LT(rho, cosTheta);
    ASSERT_GT(rho, cosPhi);
    EXPECT_TRUE(quadIs(grey(dot({0, 0, -1}, toLight) * std::pow((rho - cosPhi) / (cosTheta - cosPhi), 2.0))));
}

// --- rasterisation --------------------------------------------------------------------------------

TEST_F(GlDeviceTest, FillCullAndDepthStates)
{
    const auto litInRow48 = [&] {
        const QImage img = frame();
        int count = 0;
        for (int x = 0; x < img.width(); ++x)
            count += img.pixelColor(x, 48).red() > 128;
        return count;
    };
    EXPECT_TRUE(quadIs(kWhitePx)); // pixels 32..95
    EXPECT_GE(litInRow48(), 60);
    EXPECT_TRUE(at(40, 80, kWhitePx));
    dev->setRenderState(d3d::RS_FILLMODE, d3d::FILL_WIREFRAME);
    clearTo(*dev, kBlack);
    quad();
    EXPECT_TRUE(at(40, 80, kBlackPx));
    EXPECT_LE(litInRow48(), 4);
    EXPECT_GE(litInRow48(), 2); // the two sides (and the diagonal) cross the row
    dev->setRenderState(d3d::RS_FILLMODE, d3d::FILL_SOLID);

    const auto clockwise = triangleMesh({{{-1.6f, -0.8f, 2}, {-1.6f, 0.8f, 2}, {-0.2f, 0, 2}}});
    const auto counterClockwise = triangleMesh({{{1.6f, -0.8f, 2}, {1.6f, 0.8f, 2}, {0.2f, 0, 2}}});
    for (const auto& [cull, leftShown, rightShown] : {std::tuple{d3d::CULL_CCW, true, false},
             std::tuple{d3d::CULL_CW, false, true}, std::tuple{d3d::CULL_NONE, true, true}}) {
        clearTo(*dev, kBlack);
        dev->setRenderState(d3d::RS_CULLMODE, cull);
        draw(clockwise);
        draw(counterClockwise);
        EXPECT_TRUE(at(28, kMid, leftShown ? kWhitePx : kBlackPx)) << "cull mode " << cull;
        EXPECT_TRUE(at(100, kMid, rightShown ? kWhitePx : kBlackPx)) << "cull mode " << cull;
    }

    // Red near, then green farther and larger: which one shows in the middle.
    dev->setRenderState(d3d::RS_CULLMODE, d3d::CULL_CCW);
    struct Case {
        std::uint32_t zenable, zwrite, zfunc;
        bool nearWins;
    };
    for (const Case c : {Case{d3d::ZB_TRUE, 1, d3d::CMP_LESSEQUAL, true},
             Case{d3d::ZB_TRUE, 1, d3d::CMP_ALWAYS, false}, Case{d3d::ZB_FALSE, 1, d3d::CMP_LESSEQUAL, false},
             Case{d3d::ZB_TRUE, 0, d3d::CMP_LESSEQUAL, false}}) {
        states({{d3d::RS_ZENABLE, c.zenable}, {d3d::RS_ZWRITEENABLE, c.zwrite}, {d3d::RS_ZFUNC, c.zfunc}});
        clearTo(*dev, kBlack);
        emissive({1, 0, 0, 0}, 1);
        quad();
        emissive({0, 1, 0, 0}, 1);
        quad(3, 4);
        EXPECT_TRUE(mid(c.nearWins ? kRedPx : kGreenPx)) << c.zenable << c.zwrite << " " << c.zfunc;
    }
}

// --- texture stage, alpha test and blending -------------------------------------------------------

TEST_F(GlDeviceTest, GameStageModulatesTextureByDiffuseAndTakesAlphaFromTheMaterial)
{
    using Stage = std::pair<std::uint32_t, std::uint32_t>;
    for (const Stage& s : {Stage{d3d::TSS_COLOROP, d3d::TOP_MODULATE},
             Stage{d3d::TSS_COLORARG1, d3d::TA_TEXTURE}, Stage{d3d::TSS_COLORARG2, d3d::TA_DIFFUSE},
             Stage{d3d::TSS_ALPHAOP, d3d::TOP_SELECTARG1}, Stage{d3d::TSS_ALPHAARG1, d3d::TA_DIFFUSE}})
        dev->setTextureStageState(0, s.first, s.second);
    blendOver();
    emissive({1, 1, 0.5f, 0}, 0.5f);
    // Texture alpha 0 would hide everything if alpha came from the texture.
    auto tex = texture(solidTexture(4, 4, QColor(200, 100, 255, 0)));
    const Rgb first{200 / 255.0 * 0.5, 100 / 255.0 * 0.5, 0.5 * 0.5 + 0.5};
    EXPECT_TRUE(quadIs(first, kBlue));
    // Another texture needs no other program: it is drawn over the first with the same one.
    auto green = texture(solidTexture(4, 4, QColor(0, 200, 0, 0)));
    quad();
    EXPECT_TRUE(mid(Rgb{first.r / 2, 200 / 255.0 / 2 + first.g / 2, first.b / 2}));
    // Untextured, the stage passes the diffuse colour through instead of drawing black.
    dev->setTexture(0, nullptr);
    dev->setRenderState(d3d::RS_ALPHABLENDENABLE, 0);
    EXPECT_TRUE(quadIs(Rgb{1, 1, 0.5}));
}

TEST_F(GlDeviceTest, AlphaTestComparesTheAlphaWithTheReferenceAndCutsColourKeyedTexels)
{
    emissive({1, 0, 0, 0}, 0.6f); // alpha 153
    dev->setRenderState(d3d::RS_ALPHATESTENABLE, 1);
    for (const auto& [func, ref, drawn] : {std::tuple{d3d::CMP_GREATER, 100u, true},
             std::tuple{d3d::CMP_LESS, 100u, false}, std::tuple{d3d::CMP_EQUAL, 153u, true},
             std::tuple{d3d::CMP_EQUAL, 152u, false}, std::tuple{d3d::CMP_NEVER, 0u, false},
             std::tuple{d3d::CMP_ALWAYS, 255u, true}, std::tuple{d3d::CMP_GREATEREQUAL, 154u, false},
             std::tuple{d3d::CMP_LESSEQUAL, 153u, true}}) {
        states({{d3d::RS_ALPHAFUNC, func}, {d3d::RS_ALPHAREF, ref}});
        EXPECT_TRUE(quadIs(drawn ? kRedPx : kBlackPx)) << "func " << func << " ref " << ref;
    }
    // A colour-keyed texel is cut, a near-black one stays.
    dev->setRenderState(d3d::RS_LIGHTING, 0);
    platform::TextureImage img;
    img.levels.push_back({2, 1, {0, 0, 0, 0, /* keyed black */ 1, 0, 0, 255 /* (1, 0, 0) */}});
    auto tex = texture(img);
    states({{d3d::RS_ALPHAFUNC, d3d::CMP_GREATER}, {d3d::RS_ALPHAREF, 0}});
    clearTo(*dev, kGreen);
    quad(); // texel 0 over x 32..63, texel 1 over 64..95
    // Probed at the texel centres: mesh textures are filtered, so texels mix between them.
    EXPECT_TRUE(at(48, kMid, kGreenPx, 0)) << "keyed texel must not be drawn";
    EXPECT_TRUE(at(80, kMid, QColor(1, 0, 0), 1)) << "near-black texel must stay opaque";
}

TEST_F(GlDeviceTest, BlendingUsesTheTwoFactors)
{
    emissive({1, 0, 0, 0}, 0.25f);
    blendOver();
    EXPECT_TRUE(quadIs(Rgb{0.25, 0, 0.75}, kBlue));
    states({{d3d::RS_SRCBLEND, d3d::BLEND_ONE}, {d3d::RS_DESTBLEND, d3d::BLEND_ONE}});
    EXPECT_TRUE(quadIs(Rgb{1, 0, 1}, kBlue));
    dev->setRenderState(d3d::RS_ALPHABLENDENABLE, 0);
    EXPECT_TRUE(quadIs(Rgb{1, 0, 0}, kBlue));
    // An opaque material blends to itself (the device may leave blending out); a translucent one
    // drawn after it blends again.
    dev->setTextureStageState(0, d3d::TSS_ALPHAARG1, d3d::TA_DIFFUSE);
    blendOver();
    emissive({1, 0, 0, 0}, 1.0f);
    EXPECT_TRUE(quadIs(Rgb{1, 0, 0}, kBlue));
    emissive({0, 1, 0, 0}, 0.25f);
    quad();
    EXPECT_TRUE(mid(Rgb{0.75, 0.25, 0}));
}

// A texture seen at a glancing angle is squeezed far more one way than the other. The level follows
// the less squeezed direction until the other is squeezed four times as much, so that lines running
// away from the eye stay lines instead of smears.
TEST_F(GlDeviceTest, SqueezedTexturesTakeTheLevelOfTheLessSqueezedDirectionUpToFourTimes)
{
    auto tex = texture(mipChain({Qt::red, Qt::green, Qt::blue}));
    for (const auto& [x, y, shown] : {std::tuple{0.25f, 1.0f, kRedPx}, // 64 texels over 16 pixels across
             std::tuple{0.125f, 1.0f, kGreenPx}, std::tuple{1.0f, 0.125f, kGreenPx}, // eight times: one down
             std::tuple{0.125f, 0.125f, kBluePx}}) {                                 // both ways: level 3
        dev->setTransform(d3d::TS_WORLD, scaling(x, y, 1));
        EXPECT_TRUE(quadIs(shown)) << x << " x " << y;
    }
}

// --- fog ------------------------------------------------------------------------------------------

TEST_F(GlDeviceTest, VertexFogBlendsTowardsTheFogColourByItsLaw)
{
    struct Case {
        std::uint32_t enable, mode;
        float start, end, density;
        double f;
    };
    const double d = 4;
    for (const Case c : {Case{1, d3d::FOG_LINEAR, 1, 5, 1, (5 - d) / (5 - 1)},
             Case{1, d3d::FOG_EXP, 0, 1, 0.3f, std::exp(-0.3 * d)},
             Case{1, d3d::FOG_EXP2, 0, 1, 0.3f, std::exp(-(0.3 * d) * (0.3 * d))},
             Case{0, d3d::FOG_EXP2, 0, 1, 0.3f, 1},
             // Linear fog with start equal to end is a hard edge, not garbage.
             Case{1, d3d::FOG_LINEAR, 3, 3, 1, 0}}) {
        states({{d3d::RS_FOGENABLE, c.enable}, {d3d::RS_FOGCOLOR, kBlue}, {d3d::RS_FOGVERTEXMODE, c.mode},
            {d3d::RS_FOGSTART, f2dw(c.start)}, {d3d::RS_FOGEND, f2dw(c.end)},
            {d3d::RS_FOGDENSITY, f2dw(c.density)}});
        EXPECT_TRUE(quadIs(Rgb{c.f, c.f, 1}, kBlack, 2, float(d))) << "fog mode " << c.mode << " on " << c.enable;
    }
    EXPECT_TRUE(quadIs(Rgb{1, 1, 1})) << "nearer than the hard edge";
}

// --- frame ----------------------------------------------------------------------------------------

TEST_F(GlDeviceTest, ClearCoversTheViewportOnlyAndBadResourcesAreRefused)
{
    dev->setViewport({0, 0, 64, 32, 0, 1});
    dev->clear(d3d::CLEAR_TARGET, 0xFFFF0000, 1, 0);
    EXPECT_TRUE(at(10, 10, kRedPx));
    EXPECT_TRUE(at(10, 40, kBlackPx)) << "below the viewport";
    EXPECT_TRUE(at(100, 10, kBlackPx)) << "right of the viewport";
    EXPECT_THROW(dev->setViewport({100, 0, 64, 32, 0, 1}), gfx::DeviceError);
    // Refused instead of read out of bounds.
    platform::MeshData mesh = quadMesh(-1, -1, 1, 1, 2);
    mesh.indices[4] = 99;
    EXPECT_THROW(dev->createMesh(mesh), gfx::DeviceError);
    mesh = quadMesh(-1, -1, 1, 1, 2);
    mesh.subsets[0].faceCount = 5;
    EXPECT_THROW(dev->createMesh(mesh), gfx::DeviceError);
    platform::TextureImage img = solidTexture(4, 4, Qt::red);
    img.levels[0].rgba.resize(10);
    EXPECT_THROW(dev->createTexture(img), gfx::DeviceError);
    EXPECT_THROW(dev->createTexture(platform::TextureImage{}), gfx::DeviceError);
}

// --- sprites --------------------------------------------------------------------------------------

TEST_F(GlDeviceTest, SpritesLandTexelForPixelAreModulatedAndBatchedPerTextureInDrawingOrder)
{
    // A 32 x 32 cell of a white texture covers exactly 32 x 32 pixels, top row first.
    auto white = dev->createTexture(solidTexture(64, 64, Qt::white));
    dev->beginSprites();
    dev->drawSprite(spriteAt(white.get(), 10, 20, 32, 32));
    dev->endSprites();
    const Extent e = redPixels(frame(), false);
    EXPECT_EQ(e.count, 32 * 32);
    EXPECT_EQ((std::array{e.minX, e.maxX, e.minY, e.maxY}), (std::array{10, 41, 20, 51}));

    // A 4 x 4 checkerboard comes out texel for pixel; the tint scales colour and alpha.
    // Its black texels are keyed out: the background shows through them.
    platform::TextureLevel level{4, 4, {}};
    for (int i = 0; i < 16; ++i) {
        const std::uint8_t v = (i % 4 + i / 4) % 2 ? 255 : 0;
        level.rgba.insert(level.rgba.end(), {v, v, v, v});
    }
    auto checker = dev->createTexture(platform::TextureImage{{level}});
    // Turned a quarter counter-clockwise, the left texel (red) of a two-texel strip runs along the bottom.
    auto strip = dev->createTexture(platform::TextureImage{{{2, 1, {255, 0, 0, 255, 255, 255, 255, 255}}}});
    gfx::SpriteQuad turned = spriteAt(strip.get(), 80, 80, 16, 16);
    turned.src = {0, 0, 2, 1};
    std::rotate(turned.x, turned.x + 3, turned.x + 4);
    std::rotate(turned.y, turned.y + 3, turned.y + 4);
    clearTo(*dev, kBlue);
    dev->beginSprites();
    dev->drawSprite(spriteAt(checker.get(), 50, 60, 4, 4));
    dev->drawSprite(spriteAt(white.get(), 40, 40, 8, 8, 0x40FF8000));
    dev->drawSprite(turned);
    dev->endSprites();
    for (int i = 0; i < 16; ++i)
        EXPECT_TRUE(at(50 + i % 4, 60 + i / 4, (i % 4 + i / 4) % 2 ? kWhitePx : kBluePx, 0));
    const double a = 0x40 / 255.0;
    EXPECT_TRUE(at(44, 44, Rgb{a, a * 128 / 255.0, 1 - a}));
    EXPECT_GT(frame().pixelColor(88, 82).green(), 150);
    EXPECT_LT(frame().pixelColor(88, 93).green(), 100);

    auto red = dev->createTexture(solidTexture(8, 8, Qt::red));
    for (const auto& [sprites, batches] : {std::pair{50, 1}, std::pair{40, 2}}) {
        const long long before = dev->drawCalls();
        dev->beginSprites();
        for (int i = 0; i < sprites; ++i)
            dev->drawSprite(spriteAt(batches == 2 && i >= 20 ? red.get() : white.get(), i % 20, i < 20 ? 30 : 50, 8, 8));
        dev->endSprites();
        EXPECT_EQ(dev->drawCalls() - before, batches);
    }
    // The red batch lies over the white one where they meet.
    EXPECT_TRUE(at(10, 34, kWhitePx));
    EXPECT_TRUE(at(10, 54, kRedPx));
}

TEST_F(GlDeviceTest, SpritePassesFailOutOfOrderIgnoreThe3DViewportAndKeepThe3DState)
{
    auto tex = dev->createTexture(solidTexture(8, 8, Qt::white));
    EXPECT_THROW(dev->drawSprite(spriteAt(tex.get(), 0, 0, 8, 8)), gfx::DeviceError);
    EXPECT_THROW(dev->endSprites(), gfx::DeviceError);
    EXPECT_THROW(dev->endScene(), gfx::DeviceError);
    dev->beginScene();
    EXPECT_THROW(dev->beginScene(), gfx::DeviceError);
    dev->endScene();
    dev->setRenderState(d3d::RS_CULLMODE, d3d::CULL_CW); // would drop the clockwise quad
    dev->setViewport({0, 0, 64, 32, 0, 1});
    dev->clear(d3d::CLEAR_TARGET, kBlue, 1, 0);
    dev->beginSprites();
    EXPECT_THROW(dev->beginSprites(), gfx::DeviceError);
    EXPECT_THROW(dev->drawSprite(spriteAt(nullptr, 0, 0, 8, 8)), gfx::DeviceError);
    dev->drawSprite(spriteAt(tex.get(), 100, 100, 8, 8));
    dev->endSprites();
    EXPECT_TRUE(at(104, 104, kWhitePx)) << "sprites cover the whole back buffer";
    dev->setViewport({0, 0, kSize, kSize, 0, 1});
    EXPECT_TRUE(quadIs(kBlackPx)) << "the cull mode survived the sprite pass";
}

// --- text -----------------------------------------------------------------------------------------

TEST_F(GlDeviceTest, TextIsClippedAtTheRectangleAndTheBackBufferAndGlyphsAreRasterisedOnce)
{
    auto font = dev->createFont({"ＭＳ ゴシック", 16, false, false, false});
    dev->drawText(*font, "■■■■■■■■■■\n■■■■■■■■■■\n■■■■", {10, 10, 50, 40}, 0xFFFF0000);
    const Extent e = redPixels(frame());
    ASSERT_GT(e.count, 300);
    EXPECT_TRUE(e.pureRed) << "full-coverage pixels carry the font colour";
    EXPECT_GE(e.minX, 10);
    EXPECT_EQ(e.maxX, 49) << "cut at the right edge, not wrapped";
    EXPECT_GE(e.minY, 10);
    EXPECT_LE(e.maxY, 39) << "lines below the rectangle are cut";
    EXPECT_GE(e.maxY, 34) << "the second line starts one line height down";
    clearTo(*dev, kBlack);
    dev->drawText(*font, "■■■■■■■■■■■■■■", {100, -8, 400, 300}, 0xFFFF0000);
    const Extent b = redPixels(frame());
    EXPECT_GT(b.count, 50);
    EXPECT_EQ(b.maxX, kSize - 1);
    EXPECT_EQ(b.minY, 0);

    auto small = dev->createFont({"ＭＳ ゴシック", 13, false, false, false});
    for (int i = 0; i < 6; ++i)
        dev->drawText(*small, "FPS 60 頂点数", {0, 0, 128, 20}, 0xFFFFFFFF);
    EXPECT_EQ(GlDevice::glyphsRasterised(*small), 9) << "one rasterisation per distinct character";
    dev->drawText(*small, "FPS 61", {0, 20, 128, 40}, 0xFFFFFFFF);
    dev->drawText(*small, "", {0, 20, 128, 40}, 0xFFFFFFFF);
    dev->drawText(*small, "XYZ", {200, 0, 300, 20}, 0xFFFFFFFF); // wholly beyond the back buffer
    EXPECT_EQ(GlDevice::glyphsRasterised(*small), 10);
    clearTo(*dev, kBlack);
    auto japanese = dev->createFont({"ＭＳ Ｐゴシック", 20, false, false, false});
    dev->drawText(*japanese, "ゲーム", {4, 4, 124, 40}, 0xFFFF0000);
    const Extent j = redPixels(frame());
    EXPECT_GT(j.count, 40);
    EXPECT_GT(j.maxX - j.minX, 30);
}

// Outlined text must look as its six copies drawn one by one do, however it draws them. Over a
// background of many colours, so each blend shows.
class OutlinedText : public GlDeviceTest {
protected:
    void SetUp() override
    {
        GlDeviceTest::SetUp();
        platform::TextureLevel level{kSize, kSize, {}};
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
                level.rgba.insert(level.rgba.end(),
                    {std::uint8_t(x * 2), std::uint8_t(y * 2), std::uint8_t((x * 7 + y * 13) % 256), 255});
        background = dev->createTexture(platform::TextureImage{{level}});
    }
    // The copies drawn one by one (as any device may), or the device's own way; pixels that differ
    // by more than one step of rounding in any channel.
    int differsFromCopies(const gfx::Font& font, const std::string& text, RECT rect)
    {
        QImage pictures[2];
        for (int own = 0; own < 2; ++own) {
            clearTo(*dev, kBlack);
            dev->beginSprites();
            dev->drawSprite(spriteAt(background.get(), 0, 0, kSize, kSize));
            dev->endSprites();
            const long long before = dev->drawCalls();
            if (own)
                dev->drawOutlinedText(font, text, rect, 0xFFFFFFFF, kBlack);
            else
                dev->gfx::Device::drawOutlinedText(font, text, rect, 0xFFFFFFFF, kBlack);
            drawCallsMade = dev->drawCalls() - before;
            pictures[own] = frame();
        }
        int count = 0;
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x) {
                const QColor p = pictures[0].pixelColor(x, y), q = pictures[1].pixelColor(x, y);
                count += std::max({std::abs(p.red() - q.red()), std::abs(p.green() - q.green()),
                             std::abs(p.blue() - q.blue())})
                    > 1;
            }
        return count;
    }
    std::unique_ptr<gfx::Texture> background;
    long long drawCallsMade = 0;
};

// A copy is clipped to the rectangle moved with it: where that cuts ink, or ink beyond the back
// buffer's edge would have copies on it, the picture must still be the copies' one.
TEST_F(OutlinedText, LooksAsItsCopiesDrawnOneByOneTouchingOrClipped)
{
    auto font = dev->createFont({"ＭＳ ゴシック", 13, false, false, false});
    const std::pair<std::string, RECT> cases[] = {
        {"■■■■", {10, 10, 60, 17}},      // the rectangle cuts the glyphs in half
        {"■■■■", {20, 30, 37, 60}},      // ... and on the right
        {"WWWWWWW", {100, 40, 128, 60}}, // ink runs off the back buffer's right edge, which ends the rectangle
        {"WWWWWWW", {100, 40, 200, 60}}, // ... which the rectangle runs beyond
        {"■■■", {0, -8, 60, 20}},        // the top and the left edges
        {"■■■", {-9, 80, 40, 100}},
        // Box-drawing lines run through their whole cell, so each glyph's outline meets its neighbour.
        {"──━━■ーFP: 6\nWg|頂点", {2, 6, 126, 60}},
    };
    for (const auto& [text, rect] : cases)
        EXPECT_EQ(differsFromCopies(*font, text, rect), 0)
            << text << " in " << rect.Left << "," << rect.Top << "," << rect.Right << "," << rect.Bottom;
    EXPECT_LE(drawCallsMade, 2) << "outline and text are drawn in one go, not copy by copy";
}

// Outlines are kept per character and per font: new text gets new outlines, text drawn before
// makes none, and each font's outlines are its own size.
TEST_F(OutlinedText, NewCharactersGetTheirOwnOutlinesAndNoCharacterTwo)
{
    auto small = dev->createFont({"ＭＳ ゴシック", 13, false, false, false});
    auto big = dev->createFont({"ＭＳ ゴシック", 20, false, false, false});
    const RECT rect{4, 20, 124, 60};
    for (const auto& [font, text, outlines] : {std::tuple{small.get(), "Rkf: 12", 7},
             std::tuple{small.get(), "Rkf: 13", 8}, // the 3 is not drawn with the 2's outline
             std::tuple{small.get(), "Rkf: 12", 8},
             std::tuple{big.get(), "Rkf: 13", 7}}) { // the small font's outlines are not the big one's
        EXPECT_EQ(differsFromCopies(*font, text, rect), 0) << text;
        EXPECT_EQ(GlDevice::outlinesMade(*font), outlines) << text;
    }
}

// --- lifetime and presenting ----------------------------------------------------------------------

TEST_F(GlDeviceTest, ADestroyedTextureIsUnboundInsteadOfReadAndUnusedIdsDrawNothing)
{
    auto mesh = dev->createMesh(quadMesh(-1, -1, 1, 1, 2));
    EXPECT_EQ((std::array{mesh->numVertices(), mesh->numFaces(), mesh->numSubsets()}), (std::array{4u, 2u, 1u}));
    EXPECT_TRUE(mesh->drawnAttribIds().size() == 1 && mesh->drawnAttribIds()[0] == 0);
    const long long before = dev->drawCalls();
    dev->drawSubset(*mesh, 1);
    EXPECT_EQ(dev->drawCalls(), before) << "an unused attribute id";
    EXPECT_TRUE(mid(kBlackPx));
    auto tex = texture(solidTexture(4, 4, Qt::red));
    dev->beginSprites();
    dev->drawSprite(spriteAt(tex.get(), 0, 0, 4, 4));
    tex.reset(); // the queued sprite is drawn before its texture goes
    EXPECT_EQ(dev->texture(0), nullptr);
    quad();
    dev->endSprites();
    EXPECT_TRUE(at(2, 2, kRedPx));
    EXPECT_TRUE(mid(kWhitePx)) << "untextured: the diffuse colour";
    int presents = 0; // and presenting calls the hook once per frame
    dev->setPresentHook([&] { ++presents; });
    dev->present();
    dev->present();
    EXPECT_EQ(presents, 2);

    // Resources may outlive their device: freeing them must neither crash nor touch a dead context.
    auto other = makeDevice(32, kBlack);
    auto otherTex = other->createTexture(solidTexture(4, 4, Qt::white));
    auto otherMesh = other->createMesh(quadMesh(-1, -1, 1, 1, 2));
    auto otherFont = other->createFont({});
    other.reset();
    otherTex.reset();
    otherMesh.reset();
    otherFont.reset();
}

} // namespace
