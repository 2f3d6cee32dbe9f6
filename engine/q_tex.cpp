#include "engine/q_tex.h"

#include "engine/engine_errors.h"
#include "engine/qrn.h"
#include "platform/native_path.h"

#include <exception>

void Q_Tex::setTex(QRN& refQRN, const std::string& path)
{
    try {
        texture_ = refQRN.getDDX().createTextureFromFile(path);
    } catch (const std::exception& e) {
        const std::string message = "Unfound: " + platform::existingNativePath(path).string();
        refQRN.showMessage(message);
        throw engine::FatalExit(message + " (" + e.what() + ")", 1);
    }
}

void Q_Tex::setBackBuffer(QRN& refQRN)
{
    const gfx::Device& device = refQRN.getDDD();
    const engine::PresentParams& params = refQRN.getPresentParams();
    backBuffer_ = engine::Surface{device.backBufferWidth(), device.backBufferHeight(), params.BackBufferFormat};
    depthStencil_ = engine::Surface{device.backBufferWidth(), device.backBufferHeight(),
                                    params.AutoDepthStencilFormat};
}
