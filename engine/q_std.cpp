#include "engine/q_std.h"

#include "engine/d3dx_math.h"
#include "engine/qrn.h"

void Q_Std::setVision(const D3DVECTOR& Pos, const D3DVECTOR& Dir, const D3DVECTOR& zen, float FOVang,
                      std::int16_t W, std::int16_t H, float zN, float zF)
{
    Pos_ = Pos;
    Dir_ = Dir;
    zen_ = zen;
    FOVang_ = FOVang;
    W_ = static_cast<float>(W);
    H_ = static_cast<float>(H);
    zN_ = zN;
    zF_ = zF;
}

void Q_Std::SetCamera(QRN& refQRN) const
{
    gfx::Device& device = refQRN.getDDD();
    device.setTransform(d3d::TS_VIEW, engine::d3dx::lookAtLH(Pos_, Dir_, zen_));
    device.setTransform(d3d::TS_PROJECTION, engine::d3dx::perspectiveFovLH(FOVang_, H_ / W_, zN_, zF_));
}
