#pragma once

// What the engine object needs from the outside world, handed in by its owner: the graphics device
// factory, the loaders behind texture and mesh files, the clock, the dialogs, the window's event
// pump and its sizing. The program passes the OpenGL device and the real window; tests pass the
// null device, a virtual clock and scripted dialogs.

#include "platform/gfx/device.h"
#include "platform/mesh_data.h"
#include "platform/texture_image.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {
class Clock;
class Dialogs;
class InputHost;
} // namespace platform

namespace engine {

// D3DFORMAT values the device set-up names.
enum Format : std::uint32_t { FMT_X8R8G8B8 = 22, FMT_D24S8 = 75 };

// The desktop's current mode.
struct DisplayMode {
    std::uint32_t Width = 0, Height = 0, RefreshRate = 0;
    std::uint32_t Format = FMT_X8R8G8B8;
};

// How the device is asked for: back buffer, depth buffer and presentation.
struct PresentParams {
    std::uint32_t BackBufferWidth = 0, BackBufferHeight = 0;
    std::uint32_t BackBufferFormat = 0;
    std::uint32_t BackBufferCount = 0;
    std::uint32_t MultiSampleType = 0; // none
    std::uint32_t SwapEffect = 1;      // discard
    bool Windowed = true;
    bool EnableAutoDepthStencil = false;
    std::uint32_t AutoDepthStencilFormat = 0;
    std::uint32_t FullScreen_RefreshRateInHz = 0;
};

struct QrnPlatform {
    // Creates the device for the window; `software` asks for software vertex processing. Throws
    // (e.g. gfx::DeviceError) when the device cannot be made.
    std::function<std::unique_ptr<gfx::Device>(const PresentParams&, bool software)> createDevice;
    // The desktop's mode; when unset, a 32-bit desktop of the requested size.
    std::function<DisplayMode()> displayMode;
    // Makes the window's client area width x height pixels (or full screen).
    std::function<void(int width, int height, bool fullScreen)> sizeWindow;
    // File loaders behind Q_Tex and Q_Mesh; both throw when the file cannot be read.
    std::function<platform::TextureImage(const std::string& path)> loadTexture;
    std::function<platform::MeshData(const std::string& path)> loadMesh;

    platform::Clock* clock = nullptr;
    platform::Dialogs* dialogs = nullptr;
    // Its processEvents lets pending window events run while a frame waits.
    platform::InputHost* input = nullptr;
    // Caption of the engine's message boxes.
    std::string title = "Rinkfall";
};

} // namespace engine
