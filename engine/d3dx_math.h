#pragma once

// The D3DX matrix helpers the engine needs, with Direct3D's row-vector convention (v' = v * M,
// translation in the fourth row). Trigonometry runs in double; matrices hold floats as on the device.

#include "platform/gfx/d3d_types.h"

namespace engine::d3dx {

D3DMATRIX identity();
D3DMATRIX scaling(float x, float y, float z);
D3DMATRIX translation(float x, float y, float z);
// Angles in radians; positive turns clockwise looking along the axis towards the origin.
D3DMATRIX rotationX(float radians);
D3DMATRIX rotationY(float radians);
D3DMATRIX rotationZ(float radians);
// a * b: applies a first, then b.
D3DMATRIX multiply(const D3DMATRIX& a, const D3DMATRIX& b);
D3DMATRIX lookAtLH(const D3DVECTOR& eye, const D3DVECTOR& at, const D3DVECTOR& up);
D3DMATRIX perspectiveFovLH(float fovY, float aspect, float zNear, float zFar);

// Scale, then turn about X, Y and Z (angles in degrees), then move: how every mesh is placed.
D3DMATRIX worldMatrix(const D3DVECTOR& translation, const D3DVECTOR& scale, const D3DVECTOR& degrees);

// The point `p` carried through `m` (w taken as 1, no perspective divide).
D3DVECTOR transformCoord(const D3DVECTOR& p, const D3DMATRIX& m);

} // namespace engine::d3dx
