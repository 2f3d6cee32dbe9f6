#include "engine/d3dx_math.h"

#include "engine/qmodule.h"
#include "platform/gfx/device_state.h"

#include <cmath>

namespace engine::d3dx {

namespace {

struct Vec {
    double x, y, z;
};

Vec toVec(const D3DVECTOR& v) { return {v.x, v.y, v.z}; }
Vec sub(const Vec& a, const Vec& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double dot(const Vec& a, const Vec& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec cross(const Vec& a, const Vec& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec normalized(const Vec& v)
{
    const double length = std::sqrt(dot(v, v));
    // A degenerate axis stays zero rather than turning into NaNs.
    if (length == 0.0)
        return v;
    return {v.x / length, v.y / length, v.z / length};
}

void setRow(D3DMATRIX& m, int row, double a, double b, double c, double d)
{
    m.m[row][0] = static_cast<float>(a);
    m.m[row][1] = static_cast<float>(b);
    m.m[row][2] = static_cast<float>(c);
    m.m[row][3] = static_cast<float>(d);
}

} // namespace

D3DMATRIX identity()
{
    return scaling(1, 1, 1);
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

D3DMATRIX translation(float x, float y, float z)
{
    D3DMATRIX m = identity();
    m.m[3][0] = x;
    m.m[3][1] = y;
    m.m[3][2] = z;
    return m;
}

D3DMATRIX rotationX(float radians)
{
    const double c = std::cos(radians), s = std::sin(radians);
    D3DMATRIX m;
    setRow(m, 0, 1, 0, 0, 0);
    setRow(m, 1, 0, c, s, 0);
    setRow(m, 2, 0, -s, c, 0);
    setRow(m, 3, 0, 0, 0, 1);
    return m;
}

D3DMATRIX rotationY(float radians)
{
    const double c = std::cos(radians), s = std::sin(radians);
    D3DMATRIX m;
    setRow(m, 0, c, 0, -s, 0);
    setRow(m, 1, 0, 1, 0, 0);
    setRow(m, 2, s, 0, c, 0);
    setRow(m, 3, 0, 0, 0, 1);
    return m;
}

D3DMATRIX rotationZ(float radians)
{
    const double c = std::cos(radians), s = std::sin(radians);
    D3DMATRIX m;
    setRow(m, 0, c, s, 0, 0);
    setRow(m, 1, -s, c, 0, 0);
    setRow(m, 2, 0, 0, 1, 0);
    setRow(m, 3, 0, 0, 0, 1);
    return m;
}

D3DMATRIX multiply(const D3DMATRIX& a, const D3DMATRIX& b)
{
    return gfx::multiply(a, b);
}

D3DMATRIX lookAtLH(const D3DVECTOR& eye, const D3DVECTOR& at, const D3DVECTOR& up)
{
    const Vec e = toVec(eye);
    const Vec z = normalized(sub(toVec(at), e));
    const Vec x = normalized(cross(toVec(up), z));
    const Vec y = cross(z, x);
    D3DMATRIX m;
    setRow(m, 0, x.x, y.x, z.x, 0);
    setRow(m, 1, x.y, y.y, z.y, 0);
    setRow(m, 2, x.z, y.z, z.z, 0);
    setRow(m, 3, -dot(x, e), -dot(y, e), -dot(z, e), 1);
    return m;
}

D3DMATRIX perspectiveFovLH(float fovY, float aspect, float zNear, float zFar)
{
    const double yScale = 1.0 / std::tan(fovY / 2.0);
    const double xScale = yScale / aspect;
    const double depth = static_cast<double>(zFar) / (static_cast<double>(zFar) - zNear);
    D3DMATRIX m;
    setRow(m, 0, xScale, 0, 0, 0);
    setRow(m, 1, 0, yScale, 0, 0);
    setRow(m, 2, 0, 0, depth, 1);
    setRow(m, 3, 0, 0, -zNear * depth, 0);
    return m;
}

D3DMATRIX worldMatrix(const D3DVECTOR& move, const D3DVECTOR& scale, const D3DVECTOR& degrees)
{
    // A turn through zero is the identity (with a -0 or two); multiplying by it changes no finite
    // entry but the sign of a zero, and the final product turns every -0 into +0 anyway (sums
    // start at +0). So skipping it leaves the result bit for bit what the full product gives.
    D3DMATRIX world = scaling(scale.x, scale.y, scale.z);
    if (degrees.x != 0)
        world = multiply(world, rotationX(QModule::degToRad(degrees.x)));
    if (degrees.y != 0)
        world = multiply(world, rotationY(QModule::degToRad(degrees.y)));
    if (degrees.z != 0)
        world = multiply(world, rotationZ(QModule::degToRad(degrees.z)));
    return multiply(world, translation(move.x, move.y, move.z));
}

D3DVECTOR transformCoord(const D3DVECTOR& p, const D3DMATRIX& m)
{
    D3DVECTOR r;
    r.x = p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0];
    r.y = p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1];
    r.z = p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2];
    return r;
}

} // namespace engine::d3dx
