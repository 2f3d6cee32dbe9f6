#include "tools/library_gen/sheet_view.h"

#include "platform/bmp_texture.h"
#include "platform/xfile_parser.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace librarygen {
namespace {

const char* const kTextureFiles[] = {"Tex_Ice.bmp",  "Tex_House.bmp",  "Tex_Wall.bmp",   "Tex_Side.bmp", "Tex_Line.bmp",
                                     "Tex_Center.bmp", "Tex_LineSide.bmp", "Tex_Cursor.bmp", "Tex_Bar.bmp"};

constexpr double kPi = 3.14159265358979;

Vec3d add(const Vec3d& a, const Vec3d& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec3d sub(const Vec3d& a, const Vec3d& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec3d mul(const Vec3d& a, double k) { return {a[0] * k, a[1] * k, a[2] * k}; }
double dot(const Vec3d& a, const Vec3d& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec3d cross(const Vec3d& a, const Vec3d& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
Vec3d normalised(const Vec3d& a) { return mul(a, 1 / std::sqrt(dot(a, a))); }

using Mat3 = std::array<Vec3d, 3>; // rows; row vectors: v' = v * M

Mat3 multiply(const Mat3& a, const Mat3& b)
{
    Mat3 r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j];
    return r;
}

Vec3d toWorldOrLocal(const Vec3d& v, const Mat3& m)
{
    return {v[0] * m[0][0] + v[1] * m[1][0] + v[2] * m[2][0], v[0] * m[0][1] + v[1] * m[1][1] + v[2] * m[2][1],
            v[0] * m[0][2] + v[1] * m[1][2] + v[2] * m[2][2]};
}

Mat3 inverse(const Mat3& m)
{
    const Vec3d c0 = cross(m[1], m[2]), c1 = cross(m[2], m[0]), c2 = cross(m[0], m[1]);
    const double det = dot(m[0], c0);
    // Columns of the inverse are the cofactor rows divided by the determinant.
    return {Vec3d{c0[0] / det, c1[0] / det, c2[0] / det}, Vec3d{c0[1] / det, c1[1] / det, c2[1] / det},
            Vec3d{c0[2] / det, c1[2] / det, c2[2] / det}};
}

// The D3DX rotation matrices in row-vector form (left-handed).
Mat3 rotationX(double a) { return {Vec3d{1, 0, 0}, Vec3d{0, std::cos(a), std::sin(a)}, Vec3d{0, -std::sin(a), std::cos(a)}}; }
Mat3 rotationY(double a) { return {Vec3d{std::cos(a), 0, -std::sin(a)}, Vec3d{0, 1, 0}, Vec3d{std::sin(a), 0, std::cos(a)}}; }
Mat3 rotationZ(double a) { return {Vec3d{std::cos(a), std::sin(a), 0}, Vec3d{-std::sin(a), std::cos(a), 0}, Vec3d{0, 0, 1}}; }

const std::array<Vec3d, 2> kLightDirections = {Vec3d{0.2, -1, 0.2}, Vec3d{-0.2, -1, -0.2}};
constexpr double kAmbient = 30.0 / 255.0;

} // namespace

std::vector<SheetPiece> sheetPieces()
{
    std::vector<SheetPiece> p;
    const Vec3d one{1, 1, 1};
    for (int i = 0; i <= 39; ++i) {
        p.push_back({2, {-0.5, 0.5, double(i)}, one, {90, 90, 0}});
        p.push_back({2, {6.5, 0.5, double(i)}, one, {90, 270, 0}});
    }
    for (int i = 1; i <= 5; ++i) {
        p.push_back({2, {double(i), 0.5, -0.5}, one, {90, 0, 0}});
        p.push_back({2, {double(i), 0.5, 39.5}, one, {270, 0, 0}});
    }
    p.push_back({2, {0, 0.5, -0.5}, one, {90, 0, 0}});
    p.push_back({2, {0, 0.5, 39.5}, one, {270, 0, 0}});
    p.push_back({2, {6, 0.5, -0.5}, one, {90, 0, 0}});
    p.push_back({2, {6, 0.5, 39.5}, one, {270, 0, 0}});
    const Vec3d square{5, 1, 5}, strip{1, 1, 5};
    p.push_back({1, {3, 0, 3}, square, {0, 0, 0}});
    p.push_back({1, {3, 0, 36}, square, {0, 180, 0}});
    for (const double z : {3.0, 36.0})
        for (const double x : {0.0, 6.0})
            p.push_back({3, {x, 0, z}, strip, {0, z > 20 ? 180.0 : 0.0, 0}});
    p.push_back({4, {3, 0, 8}, square, {0, 0, 0}});
    p.push_back({4, {3, 0, 31}, square, {0, 180, 0}});
    for (const double z : {8.0, 31.0})
        for (const double x : {0.0, 6.0})
            p.push_back({6, {x, 0, z}, strip, {0, z > 20 ? 180.0 : 0.0, 0}});
    p.push_back({5, {3, 0, 19.5}, {5, 1, 18}, {0, 0, 0}});
    p.push_back({0, {0, 0, 19.5}, {1, 1, 18}, {0, 0, 0}});
    p.push_back({0, {6, 0, 19.5}, {1, 1, 18}, {0, 0, 0}});
    p.push_back({0, {3, 0, 0}, {1, 1, 7}, {0, 90, 0}});
    p.push_back({0, {3, 0, 39}, {7, 1, 1}, {0, 0, 0}});
    return p;
}

SheetView::SheetView(const std::filesystem::path& libraryDir)
    : floor_(platform::loadXFile(libraryDir / "Mesh_Floor.x"))
{
    for (const char* file : kTextureFiles)
        textures_.push_back(platform::loadBmpTexture(libraryDir / file));
    for (const SheetPiece& piece : sheetPieces()) {
        const Mat3 scale{Vec3d{piece.scale[0], 0, 0}, Vec3d{0, piece.scale[1], 0}, Vec3d{0, 0, piece.scale[2]}};
        const Vec3d a = mul(piece.angleDegrees, kPi / 180);
        const Mat3 linear = multiply(multiply(multiply(scale, rotationX(a[0])), rotationY(a[1])), rotationZ(a[2]));
        // The transformed local x and z span the face; their order gives the side that was +y.
        const Vec3d normal = normalised(cross(linear[2], linear[0]));
        placements_.push_back({linear, inverse(linear), piece.centre, normal, piece.textureSlot});
    }
}

std::optional<std::array<double, 2>> SheetView::floorUv(double x, double z) const
{
    // Interpolate the mesh's own texture coordinates over whichever of its triangles holds the point.
    for (std::size_t t = 0; t + 2 < floor_.indices.size(); t += 3) {
        const platform::MeshVertex& a = floor_.vertices[floor_.indices[t]];
        const platform::MeshVertex& b = floor_.vertices[floor_.indices[t + 1]];
        const platform::MeshVertex& c = floor_.vertices[floor_.indices[t + 2]];
        const double det = (b.px - a.px) * (c.pz - a.pz) - (c.px - a.px) * (b.pz - a.pz);
        if (std::abs(det) < 1e-12)
            continue;
        const double wb = ((x - a.px) * (c.pz - a.pz) - (c.px - a.px) * (z - a.pz)) / det;
        const double wc = ((b.px - a.px) * (z - a.pz) - (x - a.px) * (b.pz - a.pz)) / det;
        const double wa = 1 - wb - wc;
        constexpr double kEdge = -1e-9;
        if (wa >= kEdge && wb >= kEdge && wc >= kEdge)
            return std::array<double, 2>{wa * a.u + wb * b.u + wc * c.u, wa * a.v + wb * b.v + wc * c.v};
    }
    return std::nullopt;
}

std::optional<SheetHit> SheetView::cast(const Vec3d& origin, const Vec3d& direction) const
{
    std::optional<SheetHit> best;
    for (std::size_t i = 0; i < placements_.size(); ++i) {
        const Placement& p = placements_[i];
        const double along = dot(direction, p.normal);
        if (along >= 0)
            continue; // seen from behind: culled
        const double distance = dot(sub(p.centre, origin), p.normal) / along;
        if (distance <= 0 || (best && distance >= best->distance))
            continue;
        const Vec3d point = add(origin, mul(direction, distance));
        const Vec3d local = toWorldOrLocal(sub(point, p.centre), p.inverse);
        const auto uv = floorUv(local[0], local[2]);
        if (!uv)
            continue;
        best = SheetHit{distance, int(i), point, p.normal, *uv};
    }
    return best;
}

std::array<double, 3> SheetView::sample(int slot, const std::array<double, 2>& uv, double texelsPerPixel) const
{
    const platform::TextureImage& texture = textures_.at(std::size_t(slot));
    const int level = std::clamp(int(std::floor(std::log2(std::max(texelsPerPixel, 1.0)))), 0,
                                 int(texture.levels.size()) - 1);
    const platform::TextureLevel& l = texture.levels[std::size_t(level)];
    const double fx = std::clamp(uv[0], 0.0, 1.0) * l.width - 0.5, fy = std::clamp(uv[1], 0.0, 1.0) * l.height - 0.5;
    const int x0 = int(std::floor(fx)), y0 = int(std::floor(fy));
    const double tx = fx - x0, ty = fy - y0;
    std::array<double, 3> out{0, 0, 0};
    for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx) {
            const int x = std::clamp(x0 + dx, 0, l.width - 1), y = std::clamp(y0 + dy, 0, l.height - 1);
            const double w = (dx ? tx : 1 - tx) * (dy ? ty : 1 - ty);
            for (int c = 0; c < 3; ++c)
                out[c] += w * l.rgba[(std::size_t(y) * l.width + x) * 4 + c];
        }
    return out;
}

std::array<double, 3> SheetView::shade(const SheetHit& hit, double texelsPerPixel) const
{
    double light = kAmbient; // white material, no specular
    for (const Vec3d& d : kLightDirections)
        light += std::max(0.0, dot(hit.normal, normalised(mul(d, -1))));
    light = std::min(light, 1.0);
    auto colour = sample(placements_[std::size_t(hit.pieceIndex)].textureSlot, hit.uv, texelsPerPixel);
    for (double& c : colour)
        c *= light;
    return colour;
}

std::optional<std::array<double, 3>> SheetView::floorColour(double x, double z) const
{
    const auto hit = cast({x, 5, z}, {0, -1, 0});
    if (!hit || hit->normal[1] < 0.99)
        return std::nullopt;
    return sample(placements_[std::size_t(hit->pieceIndex)].textureSlot, hit->uv, 1);
}

namespace {

// Texels per pixel along the ray's footprint, from the texture coordinates of the neighbouring
// pixels' rays on the same plane.
double footprint(const std::array<double, 2>& uv, const std::array<double, 2>& uvRight, const std::array<double, 2>& uvDown,
                 const platform::TextureImage& texture)
{
    const double w = texture.width(), h = texture.height();
    const double across = std::hypot((uvRight[0] - uv[0]) * w, (uvRight[1] - uv[1]) * h);
    const double down = std::hypot((uvDown[0] - uv[0]) * w, (uvDown[1] - uv[1]) * h);
    return std::max(across, down);
}

QRgb toPixel(const std::array<double, 3>& c)
{
    auto ch = [](double v) { return int(std::clamp(std::lround(v), 0L, 255L)); };
    return qRgb(ch(c[0]), ch(c[1]), ch(c[2]));
}

} // namespace

QImage SheetView::renderTopDown(int pixelsPerUnit) const
{
    // x from -0.5 to 6.5, z from -0.5 to 39.5, far end at the top.
    const int width = 7 * pixelsPerUnit, height = 40 * pixelsPerUnit;
    QImage image(width, height, QImage::Format_RGB32);
    for (int py = 0; py < height; ++py)
        for (int px = 0; px < width; ++px) {
            const double x = -0.5 + (px + 0.5) / pixelsPerUnit, z = 39.5 - (py + 0.5) / pixelsPerUnit;
            const auto hit = cast({x, 5, z}, {0, -1, 0});
            if (!hit) {
                image.setPixel(px, py, qRgb(40, 40, 60));
                continue;
            }
            const Placement& p = placements_[std::size_t(hit->pieceIndex)];
            const auto uvAt = [&](double ox, double oz) {
                const Vec3d local = toWorldOrLocal(sub(Vec3d{ox, 0, oz}, p.centre), p.inverse);
                const auto uv = floorUv(std::clamp(local[0], -0.5, 0.5), std::clamp(local[2], -0.5, 0.5));
                return uv.value_or(hit->uv);
            };
            const platform::TextureImage& texture = textures_[std::size_t(p.textureSlot)];
            const double texels = footprint(hit->uv, uvAt(x + 1.0 / pixelsPerUnit, z), uvAt(x, z - 1.0 / pixelsPerUnit), texture);
            image.setPixel(px, py, toPixel(shade(*hit, texels)));
        }
    return image;
}

QImage SheetView::renderCamera(const Vec3d& eye, const Vec3d& lookAt, double fovDegrees, int width, int height) const
{
    const Vec3d forward = normalised(sub(lookAt, eye));
    const Vec3d right = normalised(cross(Vec3d{0, 1, 0}, forward));
    const Vec3d up = cross(forward, right);
    const double yScale = 1 / std::tan(fovDegrees * kPi / 360);
    const double xScale = yScale / 0.75; // the game's aspect argument, height over width
    auto rayThrough = [&](double px, double py) {
        const double nx = 2 * px / width - 1, ny = 1 - 2 * py / height;
        return normalised(add(add(mul(right, nx / xScale), mul(up, ny / yScale)), forward));
    };
    QImage image(width, height, QImage::Format_RGB32);
    for (int py = 0; py < height; ++py)
        for (int px = 0; px < width; ++px) {
            const auto hit = cast(eye, rayThrough(px + 0.5, py + 0.5));
            if (!hit) {
                image.setPixel(px, py, qRgb(40, 40, 60));
                continue;
            }
            const Placement& p = placements_[std::size_t(hit->pieceIndex)];
            auto uvAlong = [&](const Vec3d& dir) {
                const double along = dot(dir, p.normal);
                if (along >= 0)
                    return hit->uv;
                const Vec3d point = add(eye, mul(dir, dot(sub(p.centre, eye), p.normal) / along));
                const Vec3d local = toWorldOrLocal(sub(point, p.centre), p.inverse);
                return floorUv(std::clamp(local[0], -0.5, 0.5), std::clamp(local[2], -0.5, 0.5)).value_or(hit->uv);
            };
            const platform::TextureImage& texture = textures_[std::size_t(p.textureSlot)];
            const double texels = footprint(hit->uv, uvAlong(rayThrough(px + 1.5, py + 0.5)),
                                            uvAlong(rayThrough(px + 0.5, py + 1.5)), texture);
            image.setPixel(px, py, toPixel(shade(*hit, texels)));
        }
    return image;
}

} // namespace librarygen
