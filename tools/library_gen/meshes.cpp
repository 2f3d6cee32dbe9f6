#include "tools/library_gen/meshes.h"

#include "tools/library_gen/textures.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace librarygen {
namespace {

using Vec = std::array<double, 3>;

Vec sub(const Vec& a, const Vec& b)
{
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

Vec cross(const Vec& a, const Vec& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double dot(const Vec& a, const Vec& b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// Adds triangle (a, b, c) turned so that it runs clockwise seen from the `outward` side.
void addTriangleFacing(GenMesh& mesh, int a, int b, int c, const Vec& outward)
{
    const Vec& pa = mesh.vertices[a].position;
    const double facing = dot(cross(sub(mesh.vertices[b].position, pa), sub(mesh.vertices[c].position, pa)), outward);
    if (facing == 0)
        throw std::logic_error("degenerate triangle in a generated mesh");
    if (facing > 0)
        mesh.triangles.push_back({a, b, c});
    else
        mesh.triangles.push_back({a, c, b});
}

// A unit-sized side of a box seen from outside: `normal` points at the viewer, `up` is the image's
// top; the whole texture covers it.
void addSide(GenMesh& mesh, const Vec& normal, const Vec& up)
{
    // Left-handed: looking along -normal with `up` up, screen right is normal x up.
    const Vec right = cross(normal, up);
    const int first = int(mesh.vertices.size());
    const double corners[4][2] = {{-0.5, 0.5}, {0.5, 0.5}, {0.5, -0.5}, {-0.5, -0.5}}; // TL TR BR BL
    for (const auto& c : corners) {
        Vec p;
        for (int i = 0; i < 3; ++i)
            p[i] = normal[i] * 0.5 + right[i] * c[0] + up[i] * c[1];
        mesh.vertices.push_back({p, normal, {c[0] + 0.5, 0.5 - c[1]}});
    }
    addTriangleFacing(mesh, first, first + 1, first + 2, normal);
    addTriangleFacing(mesh, first, first + 2, first + 3, normal);
}

std::string number(double v)
{
    if (std::abs(v) < 5e-7)
        v = 0; // no "-0.000000"
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.6f", v);
    return buffer;
}

} // namespace

GenMesh makeFloor()
{
    GenMesh mesh;
    addSide(mesh, {0, 1, 0}, {0, 0, 1});
    // addSide puts the square at +0.5 along its normal; the floor lies at y = 0.
    for (GenVertex& v : mesh.vertices)
        v.position[1] = 0;
    return mesh;
}

GenMesh makeBox()
{
    GenMesh mesh;
    addSide(mesh, {0, 0, -1}, {0, 1, 0});
    addSide(mesh, {1, 0, 0}, {0, 1, 0});
    addSide(mesh, {0, 0, 1}, {0, 1, 0});
    addSide(mesh, {-1, 0, 0}, {0, 1, 0});
    addSide(mesh, {0, 1, 0}, {0, 0, 1});
    addSide(mesh, {0, -1, 0}, {0, 0, -1});
    return mesh;
}

GenMesh makePipe(int segments)
{
    using namespace wallband;
    const double pi = std::acos(-1.0);
    const double vMid = (kStoneVTop + kStoneVBottom) / 2;
    GenMesh mesh;
    // The side: a column of two vertices per segment edge, the seam doubled for the texture.
    for (int i = 0; i <= segments; ++i) {
        const double a = 2 * pi * (i % segments) / segments;
        const double x = 0.5 * std::cos(a), z = 0.5 * std::sin(a);
        const double u = double(i) / segments;
        mesh.vertices.push_back({{x, 0.5, z}, {2 * x, 0, 2 * z}, {u, kStoneVTop}});
        mesh.vertices.push_back({{x, -0.5, z}, {2 * x, 0, 2 * z}, {u, kStoneVBottom}});
    }
    for (int i = 0; i < segments; ++i) {
        const int t0 = 2 * i, b0 = t0 + 1, t1 = t0 + 2, b1 = t0 + 3;
        const double a = 2 * pi * (i + 0.5) / segments;
        const Vec outward{std::cos(a), 0, std::sin(a)};
        addTriangleFacing(mesh, t0, t1, b1, outward);
        addTriangleFacing(mesh, t0, b1, b0, outward);
    }
    // The caps: a centre and a rim each, facing up and down.
    for (const double y : {0.5, -0.5}) {
        const Vec normal{0, y > 0 ? 1.0 : -1.0, 0};
        const int centre = int(mesh.vertices.size());
        mesh.vertices.push_back({{0, y, 0}, normal, {0.5, vMid}});
        for (int i = 0; i < segments; ++i) {
            const double a = 2 * pi * i / segments;
            const double x = 0.5 * std::cos(a), z = 0.5 * std::sin(a);
            mesh.vertices.push_back({{x, y, z}, normal, {0.5 + 0.8 * x, vMid - 0.04 * z}});
        }
        for (int i = 0; i < segments; ++i)
            addTriangleFacing(mesh, centre, centre + 1 + i, centre + 1 + (i + 1) % segments, normal);
    }
    return mesh;
}

std::string writeXFile(const GenMesh& mesh, const std::string& name)
{
    const std::size_t nv = mesh.vertices.size(), nf = mesh.triangles.size();
    auto list = [](std::size_t count, auto item) {
        std::string s;
        for (std::size_t i = 0; i < count; ++i)
            s += "    " + item(i) + (i + 1 < count ? ",\n" : ";\n");
        return s;
    };
    auto vector3 = [](const Vec& v) { return number(v[0]) + ";" + number(v[1]) + ";" + number(v[2]) + ";"; };
    auto face = [&](std::size_t i) {
        const auto& t = mesh.triangles[i];
        return "3;" + std::to_string(t[0]) + "," + std::to_string(t[1]) + "," + std::to_string(t[2]) + ";";
    };

    std::string x = "xof 0302txt 0032\n";
    x += "// " + name + ": written by rinkfall-library-gen\n\n";
    x += "Frame " + name + " {\n  FrameTransformMatrix {\n"
         "    1.000000,0.000000,0.000000,0.000000,\n    0.000000,1.000000,0.000000,0.000000,\n"
         "    0.000000,0.000000,1.000000,0.000000,\n    0.000000,0.000000,0.000000,1.000000;;\n  }\n";
    x += "  Mesh {\n    " + std::to_string(nv) + ";\n";
    x += list(nv, [&](std::size_t i) { return vector3(mesh.vertices[i].position); });
    x += "    " + std::to_string(nf) + ";\n" + list(nf, face);
    x += "    MeshNormals {\n    " + std::to_string(nv) + ";\n";
    x += list(nv, [&](std::size_t i) {
        Vec n = mesh.vertices[i].normal;
        const double len = std::sqrt(dot(n, n));
        return vector3({n[0] / len, n[1] / len, n[2] / len});
    });
    x += "    " + std::to_string(nf) + ";\n" + list(nf, face);
    x += "    }\n    MeshTextureCoords {\n    " + std::to_string(nv) + ";\n";
    x += list(nv, [&](std::size_t i) {
        return number(mesh.vertices[i].uv[0]) + ";" + number(mesh.vertices[i].uv[1]) + ";";
    });
    x += "    }\n    MeshMaterialList {\n    1;\n    " + std::to_string(nf) + ";\n";
    x += list(nf, [](std::size_t) { return std::string("0"); });
    x += "    Material {\n      1.000000;1.000000;1.000000;1.000000;;\n      0.000000;\n"
         "      0.000000;0.000000;0.000000;;\n      0.000000;0.000000;0.000000;;\n    }\n    }\n";
    x += "  }\n}\n";
    return x;
}

} // namespace librarygen
