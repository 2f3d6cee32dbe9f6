#pragma once

// The camera: eye point, point looked at, up vector, vertical field of view (radians), the
// viewport size the aspect ratio comes from, and the near and far planes.

#include "platform/gfx/d3d_types.h"

#include <cstdint>

class QRN;

class Q_Std {
public:
    void setVision(const D3DVECTOR& Pos, const D3DVECTOR& Dir, const D3DVECTOR& zen, float FOVang, std::int16_t W,
                   std::int16_t H, float zN, float zF);
    // View from Pos towards Dir; projection with aspect H / W (0.75 for 640 x 480), which is the
    // wide look the game has always had.
    void SetCamera(QRN& refQRN) const;
    D3DVECTOR getPosition() const { return Pos_; }

private:
    D3DVECTOR Pos_, Dir_, zen_;
    float FOVang_ = 0;
    float W_ = 0, H_ = 0;
    float zN_ = 0, zF_ = 0;
};
