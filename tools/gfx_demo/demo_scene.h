#pragma once

// Meshes, textures and a camera built in code, for the look-at tool and the frame benchmark.

#include "platform/gfx/device.h"

namespace gfxdemo {

// A closed cylinder around the y axis from y = 0 to `height`, with side and cap normals.
platform::MeshData cylinderMesh(int segments, float radius, float height);
// A flat quad in the x-z plane at y = 0, facing up, textured once over its area.
platform::MeshData floorQuadMesh(float width, float depth);
// An axis-aligned box centred at the origin: 24 vertices, 12 faces, one subset.
platform::MeshData boxMesh(float sx, float sy, float sz);

// Square stripes with a full box-filtered mip chain.
platform::TextureImage stripeTexture(int size);
// A disc on black, black being transparent (as the colour-keyed bitmaps are).
platform::TextureImage discSprite(int size);

D3DMATRIX lookAtLH(D3DVECTOR eye, D3DVECTOR at, D3DVECTOR up);
D3DMATRIX perspectiveFovLH(float fovy, float aspect, float zn, float zf);
D3DMATRIX translation(float x, float y, float z);
D3DMATRIX rotationY(double radians);

// The render states the game's engine sets up: lighting, two directional lights, ambient
// (30, 30, 30), stage 0 colour = texture x diffuse, alpha = diffuse, blending on.
void setUpGameLikeState(gfx::Device& device);

} // namespace gfxdemo
