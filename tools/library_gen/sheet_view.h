#pragma once

// The sheet laid out from the Library files the way the game lays it: 111 placements of the floor
// mesh with their textures, scales and rotations (scaled, turned about x, then y, then z, then
// moved), lit by the game's two lights. A small ray caster draws it from above or from a camera,
// so that the bitmaps and meshes can be judged, and tested, where they actually land.

#include "platform/mesh_data.h"
#include "platform/texture_image.h"

#include <QImage>

#include <array>
#include <filesystem>
#include <optional>
#include <vector>

namespace librarygen {

using Vec3d = std::array<double, 3>;

struct SheetPiece {
    int textureSlot;
    Vec3d centre;
    Vec3d scale;
    Vec3d angleDegrees;
};

// The walls, then the floor pieces, in drawing order.
std::vector<SheetPiece> sheetPieces();

struct SheetHit {
    double distance;
    int pieceIndex;
    Vec3d point;
    Vec3d normal;
    std::array<double, 2> uv;
};

class SheetView {
public:
    // Loads the textures and Mesh_Floor.x from `libraryDir`; throws platform::LoadError.
    explicit SheetView(const std::filesystem::path& libraryDir);

    // The nearest front-facing piece along the ray, if any.
    std::optional<SheetHit> cast(const Vec3d& origin, const Vec3d& direction) const;

    // Unlit texture colour (0..255 per channel) of the floor seen straight down at (x, z).
    std::optional<std::array<double, 3>> floorColour(double x, double z) const;

    // Straight down over the whole sheet, `pixelsPerUnit` pixels per unit, far end at the top.
    QImage renderTopDown(int pixelsPerUnit) const;
    // Through the game's camera: left-handed look-at, vertical field of view, aspect 0.75 as passed.
    QImage renderCamera(const Vec3d& eye, const Vec3d& lookAt, double fovDegrees, int width, int height) const;

private:
    struct Placement {
        std::array<Vec3d, 3> linear;   // rows: local x, y, z axes in the world
        std::array<Vec3d, 3> inverse;  // world offset -> local
        Vec3d centre;
        Vec3d normal;
        int textureSlot;
    };

    std::optional<std::array<double, 2>> floorUv(double localX, double localZ) const;
    std::array<double, 3> sample(int slot, const std::array<double, 2>& uv, double texelsPerPixel) const;
    std::array<double, 3> shade(const SheetHit& hit, double texelsPerPixel) const;

    platform::MeshData floor_;
    std::vector<platform::TextureImage> textures_;
    std::vector<Placement> placements_;
};

} // namespace librarygen
