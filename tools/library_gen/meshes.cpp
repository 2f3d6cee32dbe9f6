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

namespace {

// One point of the stone's outline, turned about the y axis to make the body: radius, height and
// the outline's outward normal there (in the r-y plane, unit length).
struct ProfilePoint {
    double r, y;
    double nr, ny;
};

// The body's outline from the bottom rim to the top rim: a flat running surface, a rounded lower
// edge, the upright striking band at full radius, and a rounded shoulder up to the flat top, all in
// the mesh's unit cylinder (y -0.5 .. 0.5). The body ends at kBodyTop; the handle stands on it.
constexpr double kBodyTop = 0.2;
constexpr double kEdgeRadius = 0.12;

std::vector<ProfilePoint> bodyProfile()
{
    const double pi = std::acos(-1.0);
    std::vector<ProfilePoint> points;
    // Quarter circles, so that a point's normal is the circle's; the band between them is straight.
    auto addArc = [&](double centreR, double centreY, double fromDegrees, double toDegrees) {
        constexpr int kSteps = 3;
        for (int i = 0; i <= kSteps; ++i) {
            const double t = (fromDegrees + (toDegrees - fromDegrees) * i / kSteps) * pi / 180;
            points.push_back({centreR + kEdgeRadius * std::cos(t), centreY + kEdgeRadius * std::sin(t), std::cos(t),
                              std::sin(t)});
        }
    };
    addArc(0.5 - kEdgeRadius, -0.5 + kEdgeRadius, -90, 0);
    addArc(0.5 - kEdgeRadius, kBodyTop - kEdgeRadius, 0, 90);
    return points;
}

// A box from `lo` to `hi` with a normal per side, textured with the pale handle band.
void addHandleBox(GenMesh& mesh, const Vec& lo, const Vec& hi)
{
    using namespace wallband;
    for (int axis = 0; axis < 3; ++axis)
        for (const double sign : {-1.0, 1.0}) {
            Vec normal{0, 0, 0};
            normal[std::size_t(axis)] = sign;
            const int a = (axis + 1) % 3, b = (axis + 2) % 3;
            const int first = int(mesh.vertices.size());
            for (const auto& [ca, cb] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
                Vec p;
                p[std::size_t(axis)] = sign > 0 ? hi[std::size_t(axis)] : lo[std::size_t(axis)];
                p[std::size_t(a)] = ca ? hi[std::size_t(a)] : lo[std::size_t(a)];
                p[std::size_t(b)] = cb ? hi[std::size_t(b)] : lo[std::size_t(b)];
                mesh.vertices.push_back({p, normal, {0.3 + 0.4 * ca, cb ? kHandleVBottom : kHandleVTop}});
            }
            addTriangleFacing(mesh, first, first + 1, first + 2, normal);
            addTriangleFacing(mesh, first, first + 2, first + 3, normal);
        }
}

} // namespace

GenMesh makeStone(int segments)
{
    using namespace wallband;
    const double pi = std::acos(-1.0);
    GenMesh mesh;
    const std::vector<ProfilePoint> profile = bodyProfile();
    // The side: one ring of vertices per outline point, the seam doubled for the texture; the
    // granite band runs once round the stone and down its side.
    const int ringSize = segments + 1;
    for (std::size_t p = 0; p < profile.size(); ++p) {
        const ProfilePoint& q = profile[p];
        const double v = kGraniteVTop + (kGraniteVBottom - kGraniteVTop) * double(p) / double(profile.size() - 1);
        for (int i = 0; i <= segments; ++i) {
            const double a = 2 * pi * (i % segments) / segments;
            const double c = std::cos(a), sn = std::sin(a);
            mesh.vertices.push_back({{q.r * c, q.y, q.r * sn}, {q.nr * c, q.ny, q.nr * sn}, {double(i) / segments, v}});
        }
    }
    for (std::size_t p = 0; p + 1 < profile.size(); ++p)
        for (int i = 0; i < segments; ++i) {
            const int b0 = int(p) * ringSize + i, b1 = b0 + 1, t0 = b0 + ringSize, t1 = t0 + 1;
            const double a = 2 * pi * (i + 0.5) / segments;
            const double nr = profile[p].nr + profile[p + 1].nr, ny = profile[p].ny + profile[p + 1].ny;
            const Vec outward{nr * std::cos(a), ny, nr * std::sin(a)};
            addTriangleFacing(mesh, b0, t1, t0, outward);
            addTriangleFacing(mesh, b0, b1, t1, outward);
        }
    // The flat running surface and top, their rims on the side's first and last rings.
    const double vMid = (kGraniteVTop + kGraniteVBottom) / 2;
    for (const ProfilePoint& rim : {profile.front(), profile.back()}) {
        const Vec normal{0, rim.ny, 0};
        const int centre = int(mesh.vertices.size());
        mesh.vertices.push_back({{0, rim.y, 0}, normal, {0.5, vMid}});
        for (int i = 0; i < segments; ++i) {
            const double a = 2 * pi * i / segments;
            const double x = rim.r * std::cos(a), z = rim.r * std::sin(a);
            mesh.vertices.push_back({{x, rim.y, z}, normal, {0.5 + 0.9 * x, vMid + (kGraniteVBottom - vMid) * 2 * z}});
        }
        for (int i = 0; i < segments; ++i)
            addTriangleFacing(mesh, centre, centre + 1 + i, centre + 1 + (i + 1) % segments, normal);
    }
    // The handle: a short post rising from the middle of the top and a bar along x, reaching over
    // the edge on one side as a curling handle does, so that the stone's turning shows.
    addHandleBox(mesh, {-0.07, kBodyTop, -0.07}, {0.07, 0.36, 0.07});
    addHandleBox(mesh, {-0.14, 0.34, -0.065}, {0.36, 0.47, 0.065});
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
