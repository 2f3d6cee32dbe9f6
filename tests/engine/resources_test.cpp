// Textures, meshes, materials, the camera and lights, and what they hand to the device.

#include "engine_harness.h"

#include "engine/d3dx_math.h"
#include "engine/engine_errors.h"
#include "engine/q_light.h"
#include "engine/q_mat.h"
#include "engine/q_mesh.h"
#include "engine/q_std.h"
#include "engine/q_tex.h"

#include <gtest/gtest.h>

#include <cmath>

using enginetest::Harness;

namespace {

// A quad (two triangles) with material 0 and one triangle with material 1: five vertices, three
// faces, two subsets.
const char* const kTwoSubsetMesh = R"(xof 0302txt 0032
Mesh {
 5;
 0.0;0.0;0.0;, 1.0;0.0;0.0;, 1.0;1.0;0.0;, 0.0;1.0;0.0;, 2.0;0.0;0.0;;
 2;
 4;0,1,2,3;,
 3;1,4,2;;
 MeshMaterialList {
  2; 2; 0, 1;;
  Material { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }
  Material { 1.0;0.0;0.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }
 }
}
)";

D3DCOLORVALUE colour(float r, float g, float b, float a = 1)
{
    return D3DCOLORVALUE{r, g, b, a};
}

void expectNear(const D3DVECTOR& v, float x, float y, float z)
{
    EXPECT_NEAR(v.x, x, 1e-5f);
    EXPECT_NEAR(v.y, y, 1e-5f);
    EXPECT_NEAR(v.z, z, 1e-5f);
}

struct Resources : ::testing::Test {
    Harness h;
    Q_Mesh mesh;
    Q_Mat mat;
    void SetUp() override
    {
        h.init();
        mesh.setMesh(*h.qrn, h.writeFile("two.x", kTwoSubsetMesh));
        mat.setMaterial(colour(1, 0.5f, 0.25f, 0.75f), colour(0.1f, 0.2f, 0.3f), colour(1, 1, 1), colour(0, 0, 0.5f), 8);
        h.qrn->SceneBegin();
    }
    D3DVECTOR placed(const D3DVECTOR& p) { return engine::d3dx::transformCoord(p, h.device().transform(d3d::TS_WORLD)); }
};

// ---------------------------------------------------------------------------------------------
// Meshes

TEST_F(Resources, DrawMeshDrawsEverySubsetOnceWithTheMaterialAndCounts)
{
    mesh.DrawMesh(*h.qrn, mat, {}, {1, 1, 1}, {}, QRN::False);
    const auto& draws = h.null().subsetDraws();
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].attribId, 0u);
    EXPECT_EQ(draws[0].faceCount, 2u);
    EXPECT_EQ(draws[1].attribId, 1u);
    EXPECT_EQ(draws[1].faceCount, 1u);
    EXPECT_EQ(h.qrn->getNumDrawVertex(), 5);
    EXPECT_EQ(h.qrn->getNumDrawFace(), 3);

    const D3DMATERIAL8 onDevice = h.device().inner.state().material();
    EXPECT_EQ(onDevice.Diffuse.g, 0.5f);
    EXPECT_EQ(onDevice.Diffuse.a, 0.75f);
    EXPECT_EQ(onDevice.Ambient.b, 0.3f);
    EXPECT_EQ(onDevice.Emissive.b, 0.5f);
    EXPECT_EQ(onDevice.Power, 8.0f);

    mesh.DrawMesh(*h.qrn, mat, {}, {1, 1, 1}, {}, QRN::False);
    EXPECT_EQ(h.qrn->getNumDrawVertex(), 10);
    EXPECT_EQ(h.qrn->getNumDrawFace(), 6);
}

TEST_F(Resources, WorldMatrixScalesThenTurnsThenMoves)
{
    // A quarter turn about Y, then a move to (3, 0, 0): +x ends up along -z from (3, 0, 0).
    mesh.DrawMesh(*h.qrn, mat, {3, 0, 0}, {1, 1, 1}, {0, 90, 0}, QRN::False);
    expectNear(placed({1, 0, 0}), 3, 0, -1);
    expectNear(placed({0, 0, 0}), 3, 0, 0);

    // Scaling comes before the turn.
    mesh.DrawMesh(*h.qrn, mat, {3, 0, 0}, {2, 1, 1}, {0, 90, 0}, QRN::False);
    expectNear(placed({1, 0, 0}), 3, 0, -2);

    // X before Y before Z: +y goes to +z about X, then to +x about Y.
    mesh.DrawMesh(*h.qrn, mat, {}, {1, 1, 1}, {90, 90, 0}, QRN::False);
    expectNear(placed({0, 1, 0}), 1, 0, 0);
    mesh.DrawMesh(*h.qrn, mat, {}, {1, 1, 1}, {0, 90, 90}, QRN::False);
    expectNear(placed({1, 0, 0}), 0, 0, -1);
    expectNear(placed({0, 1, 0}), -1, 0, 0);
}

TEST_F(Resources, QueuedMeshDrawsNothingUntilTheQueueIsDrawn)
{
    Q_Tex tex;
    tex.setTex(*h.qrn, h.writeBmp("white.bmp", 4, 4, 0xFFFFFF));
    h.qrn->setTexture(tex);
    mesh.DrawMesh(*h.qrn, mat, {1, 2, 3}, {1, 1, 1}, {}, QRN::True);
    EXPECT_TRUE(h.null().subsetDraws().empty());
    EXPECT_EQ(h.qrn->getNumDrawVertex(), 0);
    EXPECT_EQ(h.qrn->getAlphaCount(), 1);

    h.device().setTexture(0, nullptr);
    h.qrn->DrawAlphaProcessing({0, 0, 0});
    ASSERT_EQ(h.null().subsetDraws().size(), 2u);
    EXPECT_EQ(h.null().subsetDraws()[0].texture, tex.getTex()) << "the texture set when it was queued";
    EXPECT_EQ(h.qrn->getNumDrawVertex(), 5);
    EXPECT_EQ(h.qrn->getNumDrawFace(), 3);
}

TEST_F(Resources, DrawingAnEmptyMeshIsAnError)
{
    Q_Mesh empty;
    EXPECT_THROW(empty.DrawMesh(*h.qrn, mat, {}, {1, 1, 1}, {}, QRN::False), gfx::DeviceError);
}

// ---------------------------------------------------------------------------------------------
// Textures and missing files

TEST_F(Resources, TextureLoadsAndBindsToStageZero)
{
    Q_Tex tex;
    EXPECT_EQ(tex.getTex(), nullptr);
    tex.setTex(*h.qrn, h.writeBmp("ice.bmp", 8, 4, 0x808080));
    ASSERT_NE(tex.getTex(), nullptr);
    EXPECT_EQ(tex.getTex()->width(), 8);
    EXPECT_EQ(tex.getTex()->height(), 4);
    h.qrn->setTexture(tex);
    EXPECT_EQ(h.device().texture(0), tex.getTex());

    Q_Tex none;
    h.qrn->setTexture(none);
    EXPECT_EQ(h.device().texture(0), nullptr);
}

TEST_F(Resources, MissingTextureTellsTheUserAndEndsTheProgram)
{
    Q_Tex tex;
    const std::string path = h.missingPath("Tex_Nothing.bmp");
    try {
        tex.setTex(*h.qrn, path);
        FAIL() << "a missing texture must end the program";
    } catch (const engine::FatalExit& e) {
        EXPECT_NE(e.exitCode(), 0);
    }
    ASSERT_EQ(h.dialogs.messages.size(), 1u);
    EXPECT_EQ(h.dialogs.messages[0].text, "Unfound: " + path);
    EXPECT_EQ(h.dialogs.messages[0].caption, "Rinkfall");
    EXPECT_EQ(tex.getTex(), nullptr);
}

TEST_F(Resources, MissingOrBrokenMeshTellsTheUserAndEndsTheProgram)
{
    Q_Mesh other;
    const std::string missing = h.missingPath("Mesh_Nothing.x");
    EXPECT_THROW(other.setMesh(*h.qrn, missing), engine::FatalExit);
    const std::string broken = h.writeFile("broken.x", "xof 0302txt 0032\nMesh { 3; 0;0;0;, 1;0;");
    EXPECT_THROW(other.setMesh(*h.qrn, broken), engine::FatalExit);
    const std::string notBmp = h.writeFile("not.bmp", "hello");
    Q_Tex tex;
    EXPECT_THROW(tex.setTex(*h.qrn, notBmp), engine::FatalExit);

    ASSERT_EQ(h.dialogs.messages.size(), 3u);
    EXPECT_EQ(h.dialogs.messages[0].text, "Unfound:" + missing);
    EXPECT_EQ(h.dialogs.messages[1].text, "Unfound:" + broken);
    EXPECT_EQ(h.dialogs.messages[2].text, "Unfound: " + notBmp);
    EXPECT_EQ(other.getMesh(), nullptr);
}

TEST_F(Resources, BackBufferCaptureTakesTheDeviceSurfaces)
{
    Q_Tex target;
    EXPECT_EQ(target.getBackB(), nullptr);
    target.setBackBuffer(*h.qrn);
    ASSERT_NE(target.getBackB(), nullptr);
    ASSERT_NE(target.getStencilB(), nullptr);
    EXPECT_EQ(target.getBackB()->Width, 640);
    EXPECT_EQ(target.getBackB()->Height, 480);
    EXPECT_EQ(target.getBackB()->Format, h.desktop.Format);
    EXPECT_EQ(target.getStencilB()->Format, engine::FMT_D24S8);
}

// ---------------------------------------------------------------------------------------------
// Camera

TEST_F(Resources, CameraLooksAtItsTargetWithAspectThreeQuarters)
{
    Q_Std camera;
    const float fov = 0.785398f;
    camera.setVision({3, 2, -4}, {3, 0.5f, 10}, {0, 1, 0}, fov, 640, 480, 0.5f, 300);
    camera.SetCamera(*h.qrn);
    EXPECT_EQ(camera.getPosition().z, -4.0f);

    const D3DMATRIX proj = h.device().transform(d3d::TS_PROJECTION);
    const float yScale = static_cast<float>(1.0 / std::tan(fov / 2.0));
    EXPECT_NEAR(proj.m[1][1], yScale, 1e-5f);
    EXPECT_NEAR(proj.m[0][0], yScale / 0.75f, 1e-5f) << "aspect is height over width";
    EXPECT_EQ(proj.m[2][3], 1.0f);
    EXPECT_NEAR(proj.m[2][2], 300.0f / 299.5f, 1e-6f);
    EXPECT_NEAR(proj.m[3][2], -0.5f * 300.0f / 299.5f, 1e-6f);

    // The eye goes to the origin and the target onto the +z axis.
    const D3DMATRIX view = h.device().transform(d3d::TS_VIEW);
    expectNear(engine::d3dx::transformCoord({3, 2, -4}, view), 0, 0, 0);
    const D3DVECTOR target = engine::d3dx::transformCoord({3, 0.5f, 10}, view);
    EXPECT_NEAR(target.x, 0, 1e-5f);
    EXPECT_NEAR(target.y, 0, 1e-5f);
    EXPECT_NEAR(target.z, std::sqrt(1.5f * 1.5f + 14.0f * 14.0f), 1e-4f);
    // Up stays up: a point above the eye is above it in view space.
    EXPECT_GT(engine::d3dx::transformCoord({3, 3, -4}, view).y, 0.9f);
}

// ---------------------------------------------------------------------------------------------
// Lights

TEST_F(Resources, LightsThatAreOnTakeDeviceIndicesInArrayOrder)
{
    Q_Light lights[3];
    lights[0].setDirectionalLight({1, 0, 0}, colour(1, 0, 0), colour(0, 0, 0), colour(0, 0, 0), 0, 0, 0);
    lights[0].setSwitch(QRN::False);
    lights[1].setDirectionalLight({0, -1, 0}, colour(0, 1, 0), colour(0.5f, 0.5f, 0.5f), colour(1, 1, 1), 0, 0, 0);
    lights[1].setSwitch(QRN::True);
    lights[2].setPointLight({1, 2, 3}, 50, colour(0, 0, 1), colour(0, 0, 0), colour(0, 0, 0), 1, 0, 0);
    lights[2].setSwitch(QRN::True);

    h.qrn->drawLight(lights);
    const gfx::DeviceState& state = h.device().inner.state();
    EXPECT_EQ(h.qrn->getNumDrawLight(), 2);
    EXPECT_TRUE(state.lightEnabled(0));
    EXPECT_TRUE(state.lightEnabled(1));
    EXPECT_FALSE(state.lightEnabled(2));
    EXPECT_EQ(state.light(0).Type, d3d::LIGHT_DIRECTIONAL);
    EXPECT_EQ(state.light(0).Diffuse.g, 1.0f) << "device light 0 holds the second light";
    EXPECT_EQ(state.light(0).Direction.y, -1.0f);
    EXPECT_EQ(state.light(1).Type, d3d::LIGHT_POINT);
    EXPECT_EQ(state.light(1).Range, 50.0f);

    // The next frame numbers from 0 again.
    h.qrn->SceneEnd();
    h.qrn->SceneBegin();
    lights[1].setSwitch(QRN::False);
    h.qrn->drawLight(lights);
    EXPECT_EQ(h.qrn->getNumDrawLight(), 1);
    EXPECT_EQ(state.light(0).Type, d3d::LIGHT_POINT);
}

TEST(Lights, SettersSetTheirMembersAndKeepTheRest)
{
    Q_Light light;
    light.setPointLight({1, 2, 3}, 40, colour(1, 0, 0), colour(0, 1, 0), colour(0, 0, 1), 0.5f, 0.25f, 0.125f);
    light.setDirectionalLight({0, 0, 1}, colour(0.2f, 0.2f, 0.2f), colour(0, 0, 0), colour(0, 0, 0), 1, 0, 0);
    D3DLIGHT8 l = light.getLight();
    EXPECT_EQ(l.Type, d3d::LIGHT_DIRECTIONAL);
    EXPECT_EQ(l.Direction.z, 1.0f);
    EXPECT_EQ(l.Attenuation0, 1.0f);
    EXPECT_EQ(l.Attenuation1, 0.0f);
    EXPECT_EQ(l.Position.y, 2.0f) << "members a setter does not name keep their values";
    EXPECT_EQ(l.Range, 40.0f);

    light.setSpotLight({0, 5, 0}, {0, -1, 0}, 20, colour(1, 1, 1), colour(0, 0, 0), colour(0, 0, 0), 1, 90, 30, 1, 0,
                       0);
    l = light.getLight();
    EXPECT_EQ(l.Type, d3d::LIGHT_SPOT);
    EXPECT_EQ(l.Phi, static_cast<float>(3.14159265358979 / 2));
    EXPECT_NEAR(l.Theta, 3.14159265358979 / 6, 1e-6);
    EXPECT_EQ(l.Falloff, 1.0f);
    EXPECT_EQ(l.Range, 20.0f);
    EXPECT_EQ(light.getSwitch(), 0);
}

} // namespace
