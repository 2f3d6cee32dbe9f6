#pragma once

// Helpers for the OpenGL device tests: simple meshes, and pixel
// probes that compare per channel and print expected against observed.

#include "engine/d3dx_math.h"
#include "platform/gfx/gl_device.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <array>
#include <string>

namespace gfxtest {

// Matrices as D3DX builds them.
using engine::d3dx::lookAtLH;
using engine::d3dx::perspectiveFovLH;
using engine::d3dx::rotationY;
using engine::d3dx::scaling;

// A quad facing -z (towards a camera at the origin looking along +z), clockwise on screen, at
// depth `z`, spanning [x0, x1] x [y0, y1], texture (0,0) at the top-left.
platform::MeshData quadMesh(float x0, float y0, float x1, float y1, float z);
// One triangle with the given corners (drawn in this order) and one normal per corner.
platform::MeshData triangleMesh(const std::array<D3DVECTOR, 3>& corners, const std::array<D3DVECTOR, 3>& normals);

platform::TextureImage solidTexture(int w, int h, QColor color);

// A colour as rgb 0..1 triple (alpha ignored for probes).
struct Rgb {
    double r, g, b;
};

// Expects the pixel at (x, y) within `tolerance` of `expected` per channel (0..255 scale).
::testing::AssertionResult pixelNear(const QImage& image, int x, int y, Rgb expected, int tolerance = 2);
::testing::AssertionResult pixelNear(const QImage& image, int x, int y, QColor expected, int tolerance = 2);

// A fresh offscreen device with a camera at the origin looking along +z, 90° vertical view,
// square back buffer, lighting off, and everything cleared to `background`.
std::unique_ptr<gfx::GlDevice> makeDevice(int size, D3DCOLOR background);
void clearTo(gfx::Device& dev, D3DCOLOR background);
D3DMATERIAL8 whiteMaterial();

} // namespace gfxtest
