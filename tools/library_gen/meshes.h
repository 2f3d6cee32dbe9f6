#pragma once

// The three .x meshes of the Library, all wound so that Direct3D's default culling (counter-
// clockwise culled) keeps the faces that look outwards: seen from outside, every triangle runs
// clockwise, i.e. (b - a) x (c - a) points along the outward normal in the left-handed world.

#include <array>
#include <string>
#include <vector>

namespace librarygen {

struct GenVertex {
    std::array<double, 3> position;
    std::array<double, 3> normal;
    std::array<double, 2> uv;
};

struct GenMesh {
    std::vector<GenVertex> vertices; // one normal per vertex, so the loader makes no copies
    std::vector<std::array<int, 3>> triangles;
};

// A unit square in x-z centred on the origin, facing +y; texture top at +z, left at -x.
GenMesh makeFloor();
// A unit cube centred on the origin, four vertices per side so that each side has its own normal
// and a whole texture.
GenMesh makeBox();
// A curling stone in the unit cylinder (diameter 1, y -0.5 .. 0.5; the game squashes it to stone
// size): a closed granite body of `segments` sides with rounded edges, and a handle on top. It is
// textured from the wall texture's rail (the stones are drawn with it): the body on the granite
// rows, the handle on the pale ones.
GenMesh makeStone(int segments);

// The mesh as a text .x file with normals, texture coordinates and one white material.
std::string writeXFile(const GenMesh& mesh, const std::string& name);

} // namespace librarygen
