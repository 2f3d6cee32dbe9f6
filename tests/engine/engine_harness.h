#pragma once

// The engine object on the null device, with a clock the test drives, dialogs that write down what
// they were asked to show, and the real texture and mesh loaders. The device is wrapped so that the
// order of render-state calls can be read back.

#include "engine/qrn.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/gfx/null_device.h"
#include "platform/input_host.h"

#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace enginetest {

// A clock that moves only when the engine reads or sleeps on it: each reading costs `tick`
// seconds, a sleep advances by exactly its length. `onSleep` may move it elsewhere (backwards).
class SteppingClock final : public platform::Clock {
public:
    explicit SteppingClock(double start = 0.0, double tick = 1e-6) : now_(start), tick_(tick) {}
    double now() const override
    {
        now_ += tick_;
        ++readings;
        return now_;
    }
    void sleepFor(double seconds) override
    {
        sleeps.push_back(seconds);
        now_ += seconds;
        if (onSleep)
            onSleep(*this);
    }
    void set(double seconds) { now_ = seconds; }
    double peek() const { return now_; }
    double totalSlept() const
    {
        double sum = 0;
        for (double s : sleeps)
            sum += s;
        return sum;
    }

    mutable int readings = 0;
    std::vector<double> sleeps;
    std::function<void(SteppingClock&)> onSleep;

private:
    mutable double now_;
    double tick_;
};

struct Message {
    std::string text, caption;
};

class RecordingDialogs final : public platform::Dialogs {
public:
    explicit RecordingDialogs(std::vector<std::string>& events) : events_(events) {}
    void messageBox(const std::string& text, const std::string& caption) override
    {
        messages.push_back({text, caption});
        events_.push_back("message:" + text);
    }
    std::optional<std::string> inputBox(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    std::vector<Message> messages;

private:
    std::vector<std::string>& events_;
};

class CountingInputHost final : public platform::InputHost {
public:
    const std::array<std::uint8_t, 256>& keyTable() const override { return keys_; }
    int cursorX() const override { return 0; }
    int cursorY() const override { return 0; }
    void setCursor(int, int) override {}
    void setCursorVisible(bool) override {}
    void processEvents() override { ++eventPumps; }
    int eventPumps = 0;

private:
    std::array<std::uint8_t, 256> keys_{};
};

// The null device with an ordered log of the render states it was given.
class LoggingDevice final : public gfx::Device {
public:
    LoggingDevice(int w, int h) : inner(w, h) {}

    int backBufferWidth() const override { return inner.backBufferWidth(); }
    int backBufferHeight() const override { return inner.backBufferHeight(); }
    void setRenderState(std::uint32_t state, std::uint32_t value) override
    {
        renderStateLog.emplace_back(state, value);
        inner.setRenderState(state, value);
    }
    std::uint32_t renderState(std::uint32_t state) const override { return inner.renderState(state); }
    void setTextureStageState(std::uint32_t stage, std::uint32_t type, std::uint32_t value) override
    {
        inner.setTextureStageState(stage, type, value);
    }
    std::uint32_t textureStageState(std::uint32_t stage, std::uint32_t type) const override
    {
        return inner.textureStageState(stage, type);
    }
    void setTransform(std::uint32_t which, const D3DMATRIX& m) override { inner.setTransform(which, m); }
    D3DMATRIX transform(std::uint32_t which) const override { return inner.transform(which); }
    void setMaterial(const D3DMATERIAL8& material) override { inner.setMaterial(material); }
    void setLight(std::uint32_t index, const D3DLIGHT8& light) override { inner.setLight(index, light); }
    void lightEnable(std::uint32_t index, bool enable) override { inner.lightEnable(index, enable); }
    void setTexture(std::uint32_t stage, const gfx::Texture* texture) override { inner.setTexture(stage, texture); }
    const gfx::Texture* texture(std::uint32_t stage) const override { return inner.texture(stage); }
    void setViewport(const D3DVIEWPORT8& viewport) override { inner.setViewport(viewport); }
    void clear(std::uint32_t flags, D3DCOLOR color, float z, std::uint32_t stencil) override
    {
        inner.clear(flags, color, z, stencil);
    }
    void beginScene() override { inner.beginScene(); }
    void endScene() override { inner.endScene(); }
    void present() override { inner.present(); }
    std::unique_ptr<gfx::Texture> createTexture(const platform::TextureImage& image) override
    {
        return inner.createTexture(image);
    }
    std::unique_ptr<gfx::Mesh> createMesh(const platform::MeshData& data) override { return inner.createMesh(data); }
    std::unique_ptr<gfx::Font> createFont(const gfx::FontDesc& desc) override { return inner.createFont(desc); }
    void drawSubset(const gfx::Mesh& mesh, std::uint32_t attribId) override { inner.drawSubset(mesh, attribId); }
    void beginSprites() override { inner.beginSprites(); }
    void drawSprite(const gfx::SpriteQuad& quad) override { inner.drawSprite(quad); }
    void endSprites() override { inner.endSprites(); }
    void drawText(const gfx::Font& font, const std::string& text, const RECT& rect, D3DCOLOR color) override
    {
        inner.drawText(font, text, rect, color);
    }
    QImage readBackBuffer() override { return inner.readBackBuffer(); }

    gfx::NullDevice inner;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> renderStateLog;
};

struct DeviceRequest {
    engine::PresentParams params;
    bool software = false;
};

// Owns everything the engine is given and the engine itself.
class Harness {
public:
    explicit Harness(double clockStart = 0.0, double clockTick = 1e-6);

    // AutoDxInit for the game's 640 x 480 hardware window.
    void init(std::int16_t useHardware = QRN::True, std::int16_t fullScreen = QRN::False);
    LoggingDevice& device() { return *device_; }
    gfx::NullDevice& null() { return device_->inner; }
    // Writes a text file into the temporary folder and returns its path.
    std::string writeFile(const std::string& name, const std::string& contents);
    // Writes a w x h 24-bit BMP filled with `rgb` and returns its path.
    std::string writeBmp(const std::string& name, int w, int h, unsigned rgb);
    std::string missingPath(const std::string& name) const;

    std::vector<std::string> events;
    std::vector<DeviceRequest> requests;
    int hardwareFailures = 0; // hardware attempts left to fail
    bool softwareFails = false;
    std::vector<std::pair<int, int>> windowSizes;
    engine::DisplayMode desktop{1280, 1024, 60, 23}; // a 16-bit desktop, unlike the full-screen format

    SteppingClock clock;
    RecordingDialogs dialogs{events};
    CountingInputHost input;
    QTemporaryDir dir;
    std::unique_ptr<QRN> qrn;

private:
    LoggingDevice* device_ = nullptr;
};

} // namespace enginetest
