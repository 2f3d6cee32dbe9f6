// Meshes, textures, the camera and lights, and what they hand to the device.

#include "engine_harness.h"

#include "engine/d3dx_math.h"
#include "engine/engine_errors.h"
#include "engine/q_light.h"
#include "engine/q_mat.h"
#include "engine/q_mesh.h"
#include "engine/q_std.h"
#include "engine/qmodule.h"
#include "engine/q_tex.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>

using enginetest::Harness;

namespace {

// A quad (two triangles) with material 0 and a triangle with material 1: five vertices, three
// faces, two subsets.
const char* const kTwoSubsetMesh = R"(xof 0302txt 0032
Mesh {
 5; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 1.0;1.0;0.0;, 0.0;1.0;0.0;, 2.0;0.0;0.0;;
 2; 4;0,1,2,3;, 3;1,4,2;;
 MeshMaterialList {
  2; 2; 0, 1;;
  Material { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }
  Material { 1.0;0.0;0.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }
 }
}
)";

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
        mat.setMaterial({1, 0.5f, 0.25f, 0.75f}, {}, {}, {}, 8);
        h.qrn->SceneBegin();
    }
    D3DVECTOR placed(const D3DVECTOR& p)
    {
        return engine::d3dx::transformCoord(p, h.null().transform(d3d::TS_WORLD));
    }
    void draw(const D3DVECTOR& at, const D3DVECTOR& scale, const D3DVECTOR& deg)
    {
        mesh.DrawMesh(*h.qrn, mat, at, scale, deg, QRN::False);
        // Turns through zero are skipped, which must change no bit of the full product.
        using namespace engine::d3dx;
        using QModule::degToRad;
        D3DMATRIX full = multiply(scaling(scale.x, scale.y, scale.z), rotationX(degToRad(deg.x)));
        full = multiply(multiply(full, rotationY(degToRad(deg.y))), rotationZ(degToRad(deg.z)));
        full = multiply(full, translation(at.x, at.y, at.z));
        const D3DMATRIX used = h.null().transform(d3d::TS_WORLD);
        EXPECT_EQ(std::memcmp(&full, &used, sizeof full), 0) << deg.x << " " << deg.z;
    }
};

TEST_F(Resources, DrawMeshDrawsEverySubsetOnceWithTheMaterialCountsAndPlacesIt)
{
    draw({}, {1, 1, 1}, {});
    draw({}, {1, 1, 1}, {});
    const auto& draws = h.null().subsetDraws();
    ASSERT_EQ(draws.size(), 4u);
    EXPECT_EQ((std::array{draws[0].faceCount, draws[1].attribId}), (std::array{2u, 1u}));
    EXPECT_EQ((std::array{h.qrn->getNumDrawVertex(), h.qrn->getNumDrawFace()}), (std::array{10, 6}));
    EXPECT_EQ((std::array{h.null().state().material().Diffuse.a, h.null().state().material().Power}),
        (std::array{0.75f, 8.0f}));
    EXPECT_EQ(h.null().counts().drawSubsetCalls, 4) << "only the ids with faces are asked for";
    // Placements in one call: each placement's subsets still in turn, each placement counted.
    const D3DMATRIX at[] = {engine::d3dx::translation(1, 0, 0), engine::d3dx::translation(2, 0, 0)};
    mesh.DrawMeshAtEach(*h.qrn, mat, at);
    ASSERT_EQ(draws.size(), 8u);
    EXPECT_EQ((std::array{draws[5].attribId, draws[6].attribId}), (std::array{1u, 0u}));
    EXPECT_EQ((std::array{draws[5].world.m[3][0], draws[6].world.m[3][0]}), (std::array{1.0f, 2.0f}));
    EXPECT_EQ(h.qrn->getNumDrawVertex(), 20);

    // The world matrix scales, then turns about X, Y and Z, then moves. A quarter turn about Y,
    // then a move to (3, 0, 0): +x ends up along -z from (3, 0, 0).
    draw({3, 0, 0}, {1, 1, 1}, {0, 90, 0});
    expectNear(placed({1, 0, 0}), 3, 0, -1);
    draw({3, 0, 0}, {2, 1, 1}, {0, 90, 0});
    expectNear(placed({1, 0, 0}), 3, 0, -2);
    draw({}, {1, 1, 1}, {90, 90, 0});
    expectNear(placed({0, 1, 0}), 1, 0, 0);
    draw({}, {1, 1, 1}, {0, 90, 90});
    expectNear(placed({1, 0, 0}), 0, 0, -1);
}

TEST_F(Resources, MissingOrBrokenFilesTellTheUserAndEndTheProgram)
{
    const std::string missingTex = h.path("Tex_Nothing.bmp");
    const std::string missingMesh = h.path("Mesh_Nothing.x");
    const std::string notBmp = h.writeFile("not.bmp", "hello");
    const std::string cut = h.writeFile("cut.x", "xof 0302txt 0032\nMesh { 3; 0;0;0;, 1;0;");
    Q_Tex tex;
    Q_Mesh other;
    try {
        tex.setTex(*h.qrn, missingTex);
        FAIL() << "a missing texture must end the program";
    } catch (const engine::FatalExit& e) {
        EXPECT_NE(e.exitCode(), 0);
    }
    EXPECT_THROW(tex.setTex(*h.qrn, notBmp), engine::FatalExit);
    EXPECT_THROW(other.setMesh(*h.qrn, missingMesh), engine::FatalExit);
    EXPECT_THROW(other.setMesh(*h.qrn, cut), engine::FatalExit);
    EXPECT_EQ(h.dialogs.messages, (std::vector<std::string>{"Unfound: " + missingTex, "Unfound: " + notBmp,
                                                            "Unfound:" + missingMesh, "Unfound:" + cut}));
    EXPECT_TRUE(tex.getTex() == nullptr && other.getMesh() == nullptr);
}

TEST_F(Resources, CameraAndLights)
{
    Q_Std camera;
    const float fov = 0.785398f;
    camera.setVision({3, 2, -4}, {3, 0.5f, 10}, {0, 1, 0}, fov, 640, 480, 0.5f, 300);
    camera.SetCamera(*h.qrn);
    expectNear(camera.getPosition(), 3, 2, -4);

    const D3DMATRIX proj = h.null().transform(d3d::TS_PROJECTION);
    const float yScale = static_cast<float>(1.0 / std::tan(fov / 2.0));
    EXPECT_NEAR(proj.m[1][1], yScale, 1e-5f);
    EXPECT_NEAR(proj.m[0][0], yScale / 0.75f, 1e-5f) << "aspect is height over width";
    EXPECT_NEAR(proj.m[3][2], -0.5f * 300.0f / 299.5f, 1e-6f);

    // The eye goes to the origin, the target onto +z, and up stays up.
    const D3DMATRIX view = h.null().transform(d3d::TS_VIEW);
    expectNear(engine::d3dx::transformCoord({3, 2, -4}, view), 0, 0, 0);
    expectNear(engine::d3dx::transformCoord({3, 0.5f, 10}, view), 0, 0, std::sqrt(1.5f * 1.5f + 14.0f * 14.0f));
    EXPECT_GT(engine::d3dx::transformCoord({3, 3, -4}, view).y, 0.9f);

    // Lights that are on take device indices in array order, each frame anew.
    Q_Light lights[3];
    lights[0].setDirectionalLight({1, 0, 0}, {1, 0, 0, 1}, {}, {}, 0, 0, 0);
    lights[1].setDirectionalLight({0, -1, 0}, {0, 1, 0, 1}, {}, {}, 0, 0, 0);
    lights[1].setSwitch(QRN::True);
    lights[2].setSpotLight({1, 2, 3}, {0, -1, 0}, 50, {0, 0, 1, 1}, {}, {}, 1, 90, 30, 1, 0, 0);
    lights[2].setSwitch(QRN::True);

    h.qrn->drawLight(lights);
    const gfx::DeviceState& state = h.null().state();
    EXPECT_EQ(state.enabledLights(), (std::set<std::uint32_t>{0, 1}));
    EXPECT_EQ(state.light(0).Diffuse.g, 1.0f) << "device light 0 holds the second light";
    EXPECT_EQ(state.light(1).Type, d3d::LIGHT_SPOT);
    EXPECT_EQ(state.light(1).Phi, static_cast<float>(3.14159265358979 / 2));

    h.qrn->SceneEnd();
    h.qrn->SceneBegin();
    lights[1].setSwitch(QRN::False);
    h.qrn->drawLight(lights);
    EXPECT_EQ(h.qrn->getNumDrawLight(), 1);
    EXPECT_EQ(state.light(0).Type, d3d::LIGHT_SPOT) << "numbering starts again at 0";
}

} // namespace
