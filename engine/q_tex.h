#pragma once

// One texture loaded from an image file (pure black becomes transparent), or the device's render
// target and depth buffer captured once after device creation.

#include "platform/gfx/device.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class QRN;

namespace engine {
// A device surface as the engine sees it: its size and format.
struct Surface {
    int Width = 0, Height = 0;
    std::uint32_t Format = 0;
};
} // namespace engine

class Q_Tex {
public:
    // Loads `path`; on any failure tells the user "Unfound: <path>" (with the system's
    // separators) and ends the program (engine::FatalExit, which also carries the reason).
    void setTex(QRN& refQRN, const std::string& path);
    const gfx::Texture* getTex() const { return texture_.get(); }

    void setBackBuffer(QRN& refQRN);
    const engine::Surface* getBackB() const { return backBuffer_ ? &*backBuffer_ : nullptr; }
    const engine::Surface* getStencilB() const { return depthStencil_ ? &*depthStencil_ : nullptr; }

private:
    std::unique_ptr<gfx::Texture> texture_;
    std::optional<engine::Surface> backBuffer_;
    std::optional<engine::Surface> depthStencil_;
};
