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

// Moves only when read (each reading costs `tick`) or slept on (by exactly the sleep); `onSleep`
// may move it elsewhere, backwards too.
class SteppingClock final : public platform::Clock {
public:
    SteppingClock(double start, double tick) : now_(start), tick_(tick) {}
    double now() const override { return now_ += tick_; }
    void sleepFor(double seconds) override
    {
        slept += seconds;
        ++sleeps;
        now_ += seconds;
        if (onSleep)
            onSleep(*this);
    }
    void set(double seconds) { now_ = seconds; }
    double peek() const { return now_; }

    double slept = 0;
    int sleeps = 0;
    std::function<void(SteppingClock&)> onSleep;

private:
    mutable double now_;
    double tick_;
};

class RecordingDialogs final : public platform::Dialogs {
public:
    explicit RecordingDialogs(std::vector<std::string>& events) : events_(events) {}
    void messageBox(const std::string& text, const std::string& caption) override
    {
        messages.push_back(text);
        captions.push_back(caption);
        events_.push_back("message:" + text);
    }
    std::optional<std::string> inputBox(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    std::vector<std::string> messages, captions;

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

using StateLog = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

// The null device, with an ordered log of the render states it was given.
class LoggingDevice final : public gfx::Device {
public:
    LoggingDevice(int w, int h) : inner(w, h) {}
    void setRenderState(std::uint32_t s, std::uint32_t v) override
    {
        renderStateLog.emplace_back(s, v);
        inner.setRenderState(s, v);
    }
    // Everything else goes straight through.
    int backBufferWidth() const override { return inner.backBufferWidth(); }
    int backBufferHeight() const override { return inner.backBufferHeight(); }
    std::uint32_t renderState(std::uint32_t s) const override { return inner.renderState(s); }
    void setTextureStageState(std::uint32_t st, std::uint32_t t, std::uint32_t v) override
    {
        inner.setTextureStageState(st, t, v);
    }
    std::uint32_t textureStageState(std::uint32_t st, std::uint32_t t) const override
    {
        return inner.textureStageState(st, t);
    }
    void setTransform(std::uint32_t w, const D3DMATRIX& m) override { inner.setTransform(w, m); }
    D3DMATRIX transform(std::uint32_t w) const override { return inner.transform(w); }
    void setMaterial(const D3DMATERIAL8& m) override { inner.setMaterial(m); }
    void setLight(std::uint32_t i, const D3DLIGHT8& l) override { inner.setLight(i, l); }
    void lightEnable(std::uint32_t i, bool e) override { inner.lightEnable(i, e); }
    void setTexture(std::uint32_t st, const gfx::Texture* t) override { inner.setTexture(st, t); }
    const gfx::Texture* texture(std::uint32_t st) const override { return inner.texture(st); }
    void setViewport(const D3DVIEWPORT8& v) override { inner.setViewport(v); }
    void clear(std::uint32_t f, D3DCOLOR c, float z, std::uint32_t s) override { inner.clear(f, c, z, s); }
    void beginScene() override { inner.beginScene(); }
    void endScene() override { inner.endScene(); }
    void present() override { inner.present(); }
    std::unique_ptr<gfx::Texture> createTexture(const platform::TextureImage& i) override
    {
        return inner.createTexture(i);
    }
    std::unique_ptr<gfx::Mesh> createMesh(const platform::MeshData& d) override { return inner.createMesh(d); }
    std::unique_ptr<gfx::Font> createFont(const gfx::FontDesc& d) override { return inner.createFont(d); }
    void drawSubset(const gfx::Mesh& m, std::uint32_t id) override { inner.drawSubset(m, id); }
    void beginSprites() override { inner.beginSprites(); }
    void drawSprite(const gfx::SpriteQuad& q) override { inner.drawSprite(q); }
    void endSprites() override { inner.endSprites(); }
    void drawText(const gfx::Font& f, const std::string& t, const RECT& r, D3DCOLOR c) override
    {
        inner.drawText(f, t, r, c);
    }
    QImage readBackBuffer() override { return inner.readBackBuffer(); }

    gfx::NullDevice inner;
    StateLog renderStateLog;
};

// Owns everything the engine is given, and the engine.
class Harness {
public:
    // With `clock` the engine runs on that clock instead of the stepping one.
    explicit Harness(double clockStart = 0.0, double clockTick = 1e-6, platform::Clock* clock = nullptr);

    // AutoDxInit for the game's 640 x 480 window.
    void init(std::int16_t useHardware = QRN::True, std::int16_t fullScreen = QRN::False);
    LoggingDevice& device() { return *device_; }
    gfx::NullDevice& null() { return device_->inner; }
    std::string writeFile(const std::string& name, const std::string& contents);
    // A w x h 24-bit BMP of one colour.
    std::string writeBmp(const std::string& name, int w, int h, unsigned rgb);
    std::string missingPath(const std::string& name) const;

    std::vector<std::string> events;
    std::vector<engine::PresentParams> requests;
    int hardwareFailures = 0; // hardware attempts still to fail
    bool softwareFails = false;
    engine::DisplayMode desktop{1280, 1024, 60, 23}; // a 16-bit desktop, unlike the full-screen format
    // When set, makes the device instead of the logging null device (device() and null() are then unusable).
    std::function<std::unique_ptr<gfx::Device>(int width, int height, bool software)> makeDevice;

    SteppingClock clock;
    RecordingDialogs dialogs{events};
    CountingInputHost input;
    QTemporaryDir dir;
    std::unique_ptr<QRN> qrn;

private:
    LoggingDevice* device_ = nullptr;
};

} // namespace enginetest
