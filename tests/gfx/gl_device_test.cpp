// Pixel probes on the OpenGL device: large primitives, the middle of them compared per channel.
#include "engine/d3dx_math.h"
#include "platform/gfx/device_state.h"
#include "platform/gfx/fixed_function.h"
#include "platform/gfx/gl_device.h"
#include "platform/gfx/glyph_cache.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <QOpenGLContext>
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLVersionFunctionsFactory>

#include <cmath>
#include <cstring>
#include <set>

namespace {

using engine::d3dx::lookAtLH;
using engine::d3dx::perspectiveFovLH;
using engine::d3dx::rotationY;
using engine::d3dx::scaling;
using gfx::GlDevice;

// A quad facing -z (towards a camera at the origin looking along +z), clockwise on screen (counter-
// clockwise when x0 > x1), at depth `z`, spanning [x0, x1] x [y0, y1], texture (0,0) at the top-left.
platform::MeshData quadMesh(float x0, float y0, float x1, float y1, float z)
{
    platform::MeshData d;
    d.vertices = {{x0, y1, z, 0, 0, -1, 0, 0}, {x1, y1, z, 0, 0, -1, 1, 0},
                  {x1, y0, z, 0, 0, -1, 1, 1}, {x0, y0, z, 0, 0, -1, 0, 1}};
    d.indices = {0, 1, 2, 0, 2, 3};
    d.subsets = {{0, 0, 2, 0, 4}};
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

struct Rgb {
    double r, g, b;
};

// The pixel at (x, y) within `tolerance` of `e` per channel (0..255 scale), expected against observed.
::testing::AssertionResult pixelNear(const QImage& image, int x, int y, Rgb e, int tolerance)
{
    const QColor c = image.pixelColor(x, y);
    const auto to255 = [](double v) { return int(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
    const std::array expected{to255(e.r), to255(e.g), to255(e.b)}, got{c.red(), c.green(), c.blue()};
    for (int i = 0; i < 3; ++i)
        if (std::abs(got[i] - expected[i]) > tolerance)
            return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << "): expected "
                                                 << ::testing::PrintToString(expected) << ", observed "
                                                 << ::testing::PrintToString(got);
    return ::testing::AssertionSuccess();
}

void clearTo(gfx::Device& dev, D3DCOLOR background)
{
    dev.clear(d3d::CLEAR_TARGET | d3d::CLEAR_ZBUFFER, background, 1.0f, 0);
}

// A square offscreen device, its camera at the origin looking along +z with a 90° view, lighting off.
std::unique_ptr<gfx::GlDevice> makeDevice(int size, D3DCOLOR background)
{
    auto dev = gfx::createOffscreenGlDevice(size, size, false);
    dev->setTransform(d3d::TS_VIEW, lookAtLH({0, 0, 0}, {0, 0, 1}, {0, 1, 0}));
    dev->setTransform(d3d::TS_PROJECTION, perspectiveFovLH(float(std::acos(-1.0) / 2), 1.0f, 0.5f, 100.0f));
    dev->setRenderState(d3d::RS_LIGHTING, 0);
    clearTo(*dev, background);
    return dev;
}

constexpr int kSize = 128;
constexpr int kMid = kSize / 2;
constexpr D3DCOLOR kBlack = 0xFF000000, kBlue = 0xFF0000FF, kGreen = 0xFF00FF00;
constexpr Rgb kWhitePx{1, 1, 1}, kBlackPx{0, 0, 0}, kRedPx{1, 0, 0}, kGreenPx{0, 1, 0}, kBluePx{0, 0, 1};

D3DLIGHT8 directional(D3DCOLORVALUE diffuse, D3DVECTOR dir, D3DCOLORVALUE ambient = {})
{
    return {d3d::LIGHT_DIRECTIONAL, diffuse, /* specular */ {}, ambient, /* position */ {}, dir};
}

gfx::SpriteQuad spriteAt(const gfx::Texture* tex, int x, int y, int w, int h, D3DCOLOR color = 0xFFFFFFFF)
{
    const float l = float(x), t = float(y), r = float(x + w), b = float(y + h);
    return {tex, {0, 0, w, h}, {l, r, r, l}, {t, t, b, b}, color};
}

// Where the pixels with any red lie; with `textRed`, each must also be red only (the font colour).
struct Extent {
    int count = 0;
    QRect box;
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
            e.box |= QRect(x, y, 1, 1);
            e.pureRed = e.pureRed || (c.red() >= 253 && c.blue() <= 2);
        }
    return e;
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
    ::testing::AssertionResult at(int x, int y, Rgb expected, int tolerance = 2)
    {
        return pixelNear(frame(), x, y, expected, tolerance);
    }
    ::testing::AssertionResult mid(Rgb expected) { return at(kMid, kMid, expected); }
    ::testing::AssertionResult quadIs(Rgb expected, D3DCOLOR background = kBlack, float half = 1, float z = 2)
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
    void emissive(D3DCOLORVALUE colour, float alpha)
    {
        dev->setRenderState(d3d::RS_LIGHTING, 1);
        dev->setMaterial({.Diffuse = {0, 0, 0, alpha}, .Ambient = {}, .Specular = {}, .Emissive = colour});
    }
    void light(const D3DLIGHT8& l, std::uint32_t index = 0)
    {
        dev->setLight(index, l);
        dev->lightEnable(index, true);
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
    // The device's own programs, with the choices that read block members turned on one by one:
    // each choice is a program of its own, and the last has them all.
    states({{d3d::RS_LIGHTING, 1}, {d3d::RS_ALPHATESTENABLE, 1}, {d3d::RS_ALPHAFUNC, d3d::CMP_GREATER},
        {d3d::RS_FOGVERTEXMODE, d3d::FOG_LINEAR}});
    auto tex = texture(solidTexture(4, 4, Qt::white));
    std::set<GLint> programs;
    GLint program = 0;
    for (const std::uint32_t state : {d3d::RS_LIGHTING, d3d::RS_SPECULARENABLE, d3d::RS_FOGENABLE}) {
        dev->setRenderState(state, 1);
        quad();
        gl->glGetIntegerv(GL_CURRENT_PROGRAM, &program);
        programs.insert(program);
    }
    EXPECT_EQ(programs.size(), 3u);
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

    // The instanced programs' array: its elements lie one C++ DrawBlock apart.
    auto mesh = dev->createMesh(quadMesh(-1, -1, 1, 1, 2));
    const D3DMATRIX twice[] = {scaling(1, 1, 1), scaling(1, 1, 1)};
    dev->drawSubsetAt(*mesh, 0, twice);
    gl->glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    const gfx::BlockLayout& draws = gfx::instancedDrawBlockLayout();
    for (const gfx::BlockMember& m : draws.members) {
        const std::string name = std::string(draws.blockName) + ".items[1]." + m.name;
        EXPECT_EQ(glOffset(*gl, program, name), GLint(sizeof(gfx::DrawBlock) + m.offset)) << name;
    }
}


TEST_F(GlDeviceTest, LitWhiteQuadMatchesTheLightingEquationAndScalingTheWorldScalesTheLight)
{
    // The camera looks 30° right and the quad turns with it: lights come out right only in view space.
    const double yaw = std::acos(-1.0) / 6;
    dev->setTransform(d3d::TS_VIEW, lookAtLH({0, 0, 0}, {float(std::sin(yaw)), 0, float(std::cos(yaw))}, {0, 1, 0}));
    dev->setTransform(d3d::TS_WORLD, rotationY(float(yaw)));
    dev->setRenderState(d3d::RS_LIGHTING, 1);
    dev->setMaterial({.Diffuse = {1, 1, 1, 1}, .Ambient = {1, 1, 1, 1}, .Specular = {}, .Emissive = {}});
    dev->setRenderState(d3d::RS_AMBIENT, 0xFF1E1E1E); // (30, 30, 30)
    const D3DLIGHT8 l1 = directional({0.6f, 0.4f, 0.2f, 1}, {0.3f, -0.5f, 0.8f}, {0.05f, 0.02f, 0, 1});
    const D3DLIGHT8 l2 = directional({0.2f, 0.35f, 0.5f, 1}, {-0.5f, 0.3f, 0.7f}, {0, 0.03f, 0.04f, 1});
    light(l1);
    light(l2, 1);
    quad();
    // The world-space normal of the turned quad, (0, 0, -1) · RotationY(yaw) = (-sin, 0, -cos), against
    // the way to the light.
    auto term = [&](const D3DLIGHT8& l) {
        const D3DVECTOR d = l.Direction;
        const double length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
        return std::max(0.0, (std::sin(yaw) * d.x + std::cos(yaw) * d.z) / length);
    };
    const double ga = 30.0 / 255, t1 = term(l1), t2 = term(l2);
    ASSERT_GT(std::min(t1, t2), 0.1);
    const Rgb lit{ga + 0.05 + 0.6 * t1 + 0.2 * t2, ga + 0.02 + 0.03 + 0.4 * t1 + 0.35 * t2,
        ga + 0.04 + 0.2 * t1 + 0.5 * t2};
    EXPECT_TRUE(mid(lit));

    dev->setTransform(d3d::TS_VIEW, lookAtLH({0, 0, 0}, {0, 0, 1}, {0, 1, 0}));
    dev->setRenderState(d3d::RS_AMBIENT, 0);
    dev->lightEnable(1, false);
    light(directional({0.2f, 0.15f, 0.1f, 1}, {0, 0, 1}));
    // Half size: the normal matrix doubles the normal's length, and the light with it.
    dev->setTransform(d3d::TS_WORLD, scaling(0.5f, 0.5f, 0.5f));
    EXPECT_TRUE(quadIs(Rgb{0.4, 0.3, 0.2}, kBlack, 2, 4));
    dev->setRenderState(d3d::RS_NORMALIZENORMALS, 1);
    EXPECT_TRUE(quadIs(Rgb{0.2, 0.15, 0.1}, kBlack, 2, 4)) << "unit normals: the light as at full size";
    // Squashed unevenly: the normal's own length is undone, not some one scale of the matrix.
    dev->setTransform(d3d::TS_WORLD, scaling(0.25f, 0.2f, 0.5f));
    EXPECT_TRUE(quadIs(Rgb{0.2, 0.15, 0.1}, kBlack, 2, 4));
    // A point light in the sun's place, halved by its attenuation: the program follows the kind of light.
    light({.Type = d3d::LIGHT_POINT, .Diffuse = {0.6f, 0.4f, 0.2f, 1}, .Specular = {}, .Ambient = {},
           .Position = {}, .Direction = {}, .Range = 10, .Falloff = 0, .Attenuation0 = 2});
    quad(2, 4); // over the last one, with nothing but the light changed in between
    const double facing = 2 / std::sqrt(0.5 * 0.5 + 0.4 * 0.4 + 2 * 2); // the corners, (±0.5, ±0.4, 2)
    EXPECT_TRUE(mid(Rgb{0.3 * facing, 0.2 * facing, 0.1 * facing}));
    states({{d3d::RS_NORMALIZENORMALS, 0}, {d3d::RS_LIGHTING, 0}});
    EXPECT_TRUE(quadIs(kWhitePx)) << "lighting off: opaque white whatever the material";

}


TEST_F(GlDeviceTest, PlacementsDrawnInOneGoLookAsWhenDrawnOneByOne)
{
    // Lit and textured, each quad turned, stretched and lit its own way, in two draws' worth.
    dev->setRenderState(d3d::RS_LIGHTING, 1);
    dev->setMaterial({.Diffuse = {0.8f, 0.6f, 0.4f, 1}, .Ambient = {0.2f, 0.2f, 0.2f, 1}, .Specular = {},
                      .Emissive = {}});
    light(directional({1, 1, 1, 1}, {0.3f, -0.2f, 1}));
    auto tex = texture(solidTexture(8, 8, QColor(200, 150, 250)));
    auto mesh = dev->createMesh(quadMesh(-0.2f, -0.2f, 0.2f, 0.2f, 0));
    auto after = dev->createMesh(quadMesh(-0.5f, -0.5f, 0.5f, 0.5f, -0.01f)); // drawn next, at the last world
    std::vector<D3DMATRIX> worlds;
    for (int i = 0; i < gfx::kMaxDrawInstances + 10; ++i) {
        const D3DVECTOR at{-1.8f + 0.4f * float(i % 10), -1.4f + 0.4f * float(i / 10), 2};
        worlds.push_back(engine::d3dx::worldMatrix(at, {1, 1 + 0.02f * float(i), 1}, {0, float(i), 0}));
    }
    QImage pictures[2];
    for (int together = 0; together < 2; ++together) {
        clearTo(*dev, kBlue);
        const long long before = dev->drawCalls();
        if (together)
            dev->drawSubsetAt(*mesh, 0, worlds);
        else
            dev->gfx::Device::drawSubsetAt(*mesh, 0, worlds);
        EXPECT_EQ(dev->drawCalls() - before, together ? 2 : long(worlds.size()));
        dev->drawSubset(*after, 0);
        pictures[together] = frame();
    }
    EXPECT_TRUE(pictures[0] == pictures[1]);
    const D3DMATRIX last = dev->transform(d3d::TS_WORLD);
    EXPECT_EQ(std::memcmp(&last, &worlds.back(), sizeof last), 0);
}

TEST_F(GlDeviceTest, FillCullAndDepthStates)
{
    dev->setRenderState(d3d::RS_FILLMODE, d3d::FILL_WIREFRAME);
    quad(); // edges at pixels 32 and 95
    int litInRow48 = 0;
    for (int x = 0; x < kSize; ++x)
        litInRow48 += frame().pixelColor(x, 48).red() > 128;
    EXPECT_TRUE(litInRow48 >= 2 && litInRow48 <= 4) << litInRow48 << ": the two sides and the diagonal";
    EXPECT_TRUE(at(40, 80, kBlackPx));
    dev->setRenderState(d3d::RS_FILLMODE, d3d::FILL_SOLID);
    EXPECT_TRUE(quadIs(kWhitePx));

    for (const auto& [cull, leftShown, rightShown] : {std::tuple{d3d::CULL_CCW, true, false},
             std::tuple{d3d::CULL_CW, false, true}, std::tuple{d3d::CULL_NONE, true, true}}) {
        clearTo(*dev, kBlack);
        dev->setRenderState(d3d::RS_CULLMODE, cull);
        draw(quadMesh(-1.6f, -0.8f, -0.2f, 0.8f, 2)); // clockwise
        draw(quadMesh(1.6f, -0.8f, 0.2f, 0.8f, 2));   // counter-clockwise
        EXPECT_TRUE(at(28, kMid, leftShown ? kWhitePx : kBlackPx)) << "cull mode " << cull;
        EXPECT_TRUE(at(100, kMid, rightShown ? kWhitePx : kBlackPx)) << "cull mode " << cull;
    }

    // Red near, then green farther and larger: which one shows in the middle.
    dev->setRenderState(d3d::RS_CULLMODE, d3d::CULL_CCW);
    for (const auto& [zenable, zwrite, zfunc, nearWins] : {
             std::tuple{d3d::ZB_TRUE, 1u, d3d::CMP_LESSEQUAL, true},
             std::tuple{d3d::ZB_TRUE, 1u, d3d::CMP_ALWAYS, false},
             std::tuple{d3d::ZB_FALSE, 1u, d3d::CMP_LESSEQUAL, false},
             std::tuple{d3d::ZB_TRUE, 0u, d3d::CMP_LESSEQUAL, false}}) {
        states({{d3d::RS_ZENABLE, zenable}, {d3d::RS_ZWRITEENABLE, zwrite}, {d3d::RS_ZFUNC, zfunc}});
        clearTo(*dev, kBlack);
        emissive({1, 0, 0, 0}, 1);
        quad();
        emissive({0, 1, 0, 0}, 1);
        quad(3, 4);
        EXPECT_TRUE(mid(nearWins ? kRedPx : kGreenPx)) << zenable << zwrite << " " << zfunc;
    }
}


TEST_F(GlDeviceTest, BlendingUsesTheTwoFactorsAndTheGameStageModulatesTextureByDiffuse)
{
    emissive({1, 0, 0, 0}, 0.25f);
    blendOver();
    EXPECT_TRUE(quadIs(Rgb{0.25, 0, 0.75}, kBlue));
    states({{d3d::RS_SRCBLEND, d3d::BLEND_ONE}, {d3d::RS_DESTBLEND, d3d::BLEND_ONE}});
    EXPECT_TRUE(quadIs(Rgb{1, 0, 1}, kBlue));
    dev->setRenderState(d3d::RS_ALPHABLENDENABLE, 0);
    EXPECT_TRUE(quadIs(Rgb{1, 0, 0}, kBlue));
    // An opaque material blends to itself (blending may be left out); a translucent one after it blends.
    dev->setTextureStageState(0, d3d::TSS_ALPHAARG1, d3d::TA_DIFFUSE);
    blendOver();
    emissive({1, 0, 0, 0}, 1.0f);
    EXPECT_TRUE(quadIs(Rgb{1, 0, 0}, kBlue));
    emissive({0, 1, 0, 0}, 0.25f);
    quad();
    EXPECT_TRUE(mid(Rgb{0.75, 0.25, 0}));

    // The stage the game sets: texture times diffuse, alpha from the material.
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
    for (const auto& [func, drawn] : {std::pair{d3d::CMP_GREATER, true}, std::pair{d3d::CMP_LESS, false}}) {
        states({{d3d::RS_ALPHAFUNC, func}, {d3d::RS_ALPHAREF, 100}});
        EXPECT_TRUE(quadIs(drawn ? kRedPx : kBlackPx)) << "func " << func;
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
    EXPECT_TRUE(at(80, kMid, Rgb{1 / 255.0, 0, 0}, 1)) << "near-black texel must stay opaque";
}

// A texture seen at a glancing angle takes the level of its less squeezed direction until the other is
// squeezed four times as much, so that lines running away from the eye stay lines instead of smears.
TEST_F(GlDeviceTest, SqueezedTexturesTakeTheLevelOfTheLessSqueezedDirectionUpToFourTimes)
{
    platform::TextureImage chain;
    for (int size = 64; size >= 1; size /= 2) {
        const QColor colour = size == 64 ? Qt::red : size == 32 ? Qt::green : Qt::blue;
        chain.levels.push_back(solidTexture(size, size, colour).levels.front());
    }
    auto tex = texture(chain);
    for (const auto& [x, y, shown] : {std::tuple{0.25f, 1.0f, kRedPx}, // 64 texels over 16 pixels across
             std::tuple{0.125f, 1.0f, kGreenPx}, std::tuple{1.0f, 0.125f, kGreenPx}, // eight times: one down
             std::tuple{0.125f, 0.125f, kBluePx}}) {                                 // both ways: level 3
        dev->setTransform(d3d::TS_WORLD, scaling(x, y, 1));
        EXPECT_TRUE(quadIs(shown)) << x << " x " << y;
    }
}


TEST_F(GlDeviceTest, ClearCoversTheViewportOnlyBadResourcesAreRefusedAndDestroyedOnesAreNotRead)
{
    dev->setViewport({0, 0, 64, 32, 0, 1});
    dev->clear(d3d::CLEAR_TARGET, 0xFFFF0000, 1, 0);
    EXPECT_TRUE(at(10, 10, kRedPx));
    EXPECT_TRUE(at(10, 40, kBlackPx)) << "below the viewport";
    EXPECT_TRUE(at(100, 10, kBlackPx)) << "right of the viewport";
    EXPECT_THROW(dev->setViewport({100, 0, 64, 32, 0, 1}), gfx::DeviceError);
    // Refused instead of read out of bounds.
    platform::MeshData bad = quadMesh(-1, -1, 1, 1, 2);
    bad.indices[4] = 99;
    EXPECT_THROW(dev->createMesh(bad), gfx::DeviceError);
    bad = quadMesh(-1, -1, 1, 1, 2);
    bad.subsets[0].faceCount = 5;
    EXPECT_THROW(dev->createMesh(bad), gfx::DeviceError);
    platform::TextureImage img = solidTexture(4, 4, Qt::red);
    img.levels[0].rgba.resize(10);
    EXPECT_THROW(dev->createTexture(img), gfx::DeviceError);
    EXPECT_THROW(dev->createTexture(platform::TextureImage{}), gfx::DeviceError);

    // A destroyed texture is unbound instead of read, and unused ids draw nothing.
    dev->setViewport({0, 0, kSize, kSize, 0, 1});
    clearTo(*dev, kBlack);
    auto mesh = dev->createMesh(quadMesh(-1, -1, 1, 1, 2));
    EXPECT_EQ(
        (std::array{mesh->numVertices(), mesh->numFaces(), mesh->numSubsets(), mesh->drawnAttribIds()[0]}),
        (std::array{4u, 2u, 1u, 0u}));
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

    // Resources may outlive their device: freeing them must neither crash nor touch a dead context.
    auto other = makeDevice(32, kBlack);
    auto otherTex = other->createTexture(solidTexture(4, 4, Qt::white));
    auto otherMesh = other->createMesh(quadMesh(-1, -1, 1, 1, 2));
    auto otherFont = other->createFont({});
    other.reset(); // the resources go after it, at the end of the test
}


// Sprite passes fail out of order; sprites cover the back buffer whatever the 3D viewport, land texel for
// pixel, are tinted, keyed, turned and batched per texture in order, and leave the 3D state as it was.
TEST_F(GlDeviceTest, SpritesLandTexelForPixelAnywhereAreModulatedAndBatchedPerTextureInDrawingOrder)
{
    // A 4 x 4 checkerboard whose black texels are keyed out.
    platform::TextureLevel level{4, 4, {}};
    for (int i = 0; i < 16; ++i) {
        const std::uint8_t v = (i % 4 + i / 4) % 2 ? 255 : 0;
        level.rgba.insert(level.rgba.end(), {v, v, v, v});
    }
    auto checker = dev->createTexture(platform::TextureImage{{level}});
    auto white = dev->createTexture(solidTexture(64, 64, Qt::white));
    // Turned a quarter counter-clockwise, the left texel (red) of a two-texel strip runs along the bottom.
    auto strip = dev->createTexture(platform::TextureImage{{{2, 1, {255, 0, 0, 255, 255, 255, 255, 255}}}});
    gfx::SpriteQuad turned = spriteAt(strip.get(), 80, 80, 16, 16);
    turned.src = {0, 0, 2, 1};
    std::rotate(turned.x, turned.x + 3, turned.x + 4);
    std::rotate(turned.y, turned.y + 3, turned.y + 4);
    EXPECT_THROW(dev->drawSprite(spriteAt(white.get(), 0, 0, 8, 8)), gfx::DeviceError);
    EXPECT_THROW(dev->endSprites(), gfx::DeviceError);
    EXPECT_THROW(dev->endScene(), gfx::DeviceError);
    dev->beginScene();
    EXPECT_THROW(dev->beginScene(), gfx::DeviceError);
    dev->endScene();
    clearTo(*dev, kBlue);
    dev->setRenderState(d3d::RS_CULLMODE, d3d::CULL_CW); // would drop the clockwise quad
    dev->setViewport({0, 0, 64, 32, 0, 1});
    dev->beginSprites();
    EXPECT_THROW(dev->beginSprites(), gfx::DeviceError);
    EXPECT_THROW(dev->drawSprite(spriteAt(nullptr, 0, 0, 8, 8)), gfx::DeviceError);
    dev->drawSprite(spriteAt(white.get(), 10, 20, 32, 32)); // a 32 x 32 cell of a bigger texture
    dev->drawSprite(spriteAt(checker.get(), 50, 60, 4, 4));
    dev->drawSprite(spriteAt(white.get(), 60, 10, 8, 8, 0x40FF8000));
    dev->drawSprite(turned);
    dev->endSprites();
    const Extent e = redPixels(frame().copy(0, 0, 50, 58), false);
    EXPECT_EQ(e.count, 32 * 32);
    EXPECT_EQ(e.box, QRect(10, 20, 32, 32));
    for (int i = 0; i < 16; ++i)
        EXPECT_TRUE(at(50 + i % 4, 60 + i / 4, (i % 4 + i / 4) % 2 ? kWhitePx : kBluePx, 0));
    const double a = 0x40 / 255.0;
    EXPECT_TRUE(at(64, 14, Rgb{a, a * 128 / 255.0, 1 - a}));
    EXPECT_GT(frame().pixelColor(88, 82).green(), 150);
    EXPECT_LT(frame().pixelColor(88, 93).green(), 100);
    dev->setViewport({0, 0, kSize, kSize, 0, 1});
    EXPECT_TRUE(quadIs(kBlackPx)) << "the cull mode survived the sprite pass";

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

// Text is clipped at its rectangle and the back buffer, each glyph rasterised once. Outlined text must
// look as its six copies drawn one by one do (each clipped to the rectangle moved with it), over a
// background of many colours so that each blend shows.
TEST_F(GlDeviceTest, TextIsClippedRasterisedOnceAndOutlinedAsItsCopiesAre)
{
    EXPECT_EQ(gfx::mapFontFace("ＭＳ ゴシック"), QStringLiteral("IPAGothic")); // the game's faces
    EXPECT_EQ(gfx::mapFontFace("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    EXPECT_EQ(gfx::mapFontFace("DejaVu Sans"), QStringLiteral("DejaVu Sans"));
    auto font = dev->createFont({"ＭＳ ゴシック", 16, false, false, false});
    dev->drawText(*font, "■■■■■■■■■■\n■■■■■■■■■■\n■■■■", {10, 10, 50, 40}, 0xFFFF0000);
    const Extent e = redPixels(frame());
    ASSERT_GT(e.count, 300);
    EXPECT_TRUE(e.pureRed) << "full-coverage pixels carry the font colour";
    EXPECT_EQ(e.box.right(), 49) << "cut at the right edge, not wrapped";
    EXPECT_TRUE(e.box.left() >= 10 && e.box.top() >= 10 && e.box.bottom() <= 39 && e.box.bottom() >= 34)
        << "lines below the rectangle are cut; the second starts one line height down";
    clearTo(*dev, kBlack);
    dev->drawText(*font, "■■■■■■■■■■■■■■", {100, -8, 400, 300}, 0xFFFF0000);
    const Extent b = redPixels(frame());
    EXPECT_TRUE(b.count > 50 && b.box.right() == kSize - 1 && b.box.top() == 0);

    auto font13 = dev->createFont({"ＭＳ ゴシック", 13, false, false, false});
    for (int i = 0; i < 6; ++i)
        dev->drawText(*font13, "FPS 60 頂点数", {0, 0, 128, 20}, 0xFFFFFFFF);
    EXPECT_EQ(GlDevice::glyphsRasterised(*font13), 9) << "one rasterisation per distinct character";
    dev->drawText(*font13, "FPS 61", {0, 20, 128, 40}, 0xFFFFFFFF);
    dev->drawText(*font13, "", {0, 20, 128, 40}, 0xFFFFFFFF);
    dev->drawText(*font13, "XYZ", {200, 0, 300, 20}, 0xFFFFFFFF); // wholly beyond the back buffer
    EXPECT_EQ(GlDevice::glyphsRasterised(*font13), 10);

    platform::TextureLevel level{kSize, kSize, {}};
    for (int i = 0; i < kSize * kSize; ++i) {
        const int x = i % kSize, y = i / kSize;
        level.rgba.insert(level.rgba.end(),
            {std::uint8_t(x * 2), std::uint8_t(y * 2), std::uint8_t((x * 7 + y * 13) % 256), 255});
    }
    auto background = dev->createTexture(platform::TextureImage{{level}});
    long long drawCallsMade = 0;
    // Pixels more than a rounding step apart between the copies drawn one by one and the device's way.
    const auto differsFromCopies = [&](const gfx::Font& f, const std::string& text, RECT rect) {
        QImage pictures[2];
        for (int own = 0; own < 2; ++own) {
            clearTo(*dev, kBlack);
            dev->beginSprites();
            dev->drawSprite(spriteAt(background.get(), 0, 0, kSize, kSize));
            dev->endSprites();
            const long long before = dev->drawCalls();
            if (own)
                dev->drawOutlinedText(f, text, rect, 0xFFFFFFFF, kBlack);
            else
                dev->gfx::Device::drawOutlinedText(f, text, rect, 0xFFFFFFFF, kBlack);
            drawCallsMade = dev->drawCalls() - before;
            pictures[own] = frame();
        }
        int count = 0;
        for (int i = 0; i < kSize * kSize; ++i) {
            const QColor p = pictures[0].pixelColor(i % kSize, i / kSize);
            const QColor q = pictures[1].pixelColor(i % kSize, i / kSize);
            count += std::abs(p.red() - q.red()) > 1 || std::abs(p.green() - q.green()) > 1
                || std::abs(p.blue() - q.blue()) > 1;
        }
        return count;
    };
    const std::pair<std::string, RECT> cases[] = {
        {"■■■■", {10, 10, 37, 17}},      // the rectangle cuts the glyphs, at the bottom and on the right
        {"WWWWWWW", {100, 40, 128, 60}}, // ink runs off the back buffer's right edge, which ends the rectangle
        {"WWWWWWW", {100, 40, 200, 60}}, // ... which the rectangle runs beyond
        {"■■■", {-9, -8, 60, 20}},       // the top and the left edges
        // Box-drawing lines run through their whole cell, so each glyph's outline meets its neighbour.
        {"──━━■ーFP: 6\nWg|頂点", {2, 6, 126, 60}},
    };
    for (const auto& [text, rect] : cases)
        EXPECT_EQ(differsFromCopies(*font13, text, rect), 0)
            << text << " in " << rect.Left << "," << rect.Top << "," << rect.Right << "," << rect.Bottom;
    EXPECT_LE(drawCallsMade, 2) << "outline and text are drawn in one go, not copy by copy";

    auto big = dev->createFont({"ＭＳ ゴシック", 20, false, false, false});
    // New characters get new outlines (the 3 is not drawn with the 2's), ones drawn before and blanks
    // none; the outline of ":" above is the small font's, not this one's.
    for (const auto& [text, outlines] : {std::pair{"Rkf: 12", 6}, std::pair{"Rkf: 13", 7}, std::pair{"Rkf: 12", 7}}) {
        EXPECT_EQ(differsFromCopies(*big, text, {4, 20, 124, 60}), 0) << text;
        EXPECT_EQ(GlDevice::outlinesMade(*big), outlines) << text;
    }
}

} // namespace
