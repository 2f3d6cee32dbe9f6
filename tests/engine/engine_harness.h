#pragma once

// The engine object on the null device, with a clock the test drives, dialogs that write down what
// they were asked to show, and the real texture and mesh loaders.

#include "engine/qrn.h"
#include "tests/support/headless_game.h"

#include <QImage>
#include <QTemporaryDir>

#include <fstream>
#include <functional>
#include <string>

namespace enginetest {

// Moves only when read (each reading costs `tick`) or slept on (by exactly the sleep); `onSleep`
// may move it elsewhere, backwards too.
struct SteppingClock final : platform::Clock {
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
    mutable double now_;
    double tick_;
};

struct CountingInputHost final : platform::InputHost {
    const std::array<std::uint8_t, 256>& keyTable() const override { return keys_; }
    int cursorX() const override { return 0; }
    int cursorY() const override { return 0; }
    void setCursor(int, int) override {}
    void setCursorVisible(bool) override {}
    void processEvents() override { ++eventPumps; }
    int eventPumps = 0;
    std::array<std::uint8_t, 256> keys_{};
};

struct Harness {
    // With `otherClock` the engine runs on that clock instead of the stepping one.
    explicit Harness(double clockStart = 0.0, double clockTick = 1e-6, platform::Clock* otherClock = nullptr)
        : clock(clockStart, clockTick)
    {
        engine::QrnPlatform p;
        p.createDevice = [this](const engine::PresentParams& params, bool software) -> std::unique_ptr<gfx::Device> {
            requests.push_back(params);
            events.push_back(software ? "create:software" : "create:hardware");
            if ((!software && hardwareFailures-- > 0) || (software && softwareFails))
                throw gfx::DeviceError("vertex processing not available", -2005530516);
            auto made = std::make_unique<gfx::NullDevice>(int(params.BackBufferWidth), int(params.BackBufferHeight));
            device_ = made.get();
            return made;
        };
        p.displayMode = [this] { return desktop; };
        p.sizeWindow = [this](int w, int h, bool) {
            events.push_back("size:" + std::to_string(w) + "x" + std::to_string(h));
        };
        testsupport::useRealLoaders(p);
        p.clock = otherClock ? otherClock : &clock;
        p.dialogs = &dialogs;
        p.input = &input;
        qrn = std::make_unique<QRN>(std::move(p));
    }

    void init(std::int16_t useHardware = QRN::True, std::int16_t fullScreen = QRN::False)
    {
        qrn->AutoDxInit(this, 640, 480, fullScreen, useHardware);
    }
    gfx::NullDevice& null() { return *device_; }
    std::string path(const std::string& name)
    {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    }
    std::string writeFile(const std::string& name, const std::string& contents)
    {
        std::ofstream(path(name), std::ios::binary) << contents;
        return path(name);
    }
    std::string writeBmp(const std::string& name, int w, int h, unsigned rgb)
    {
        QImage image(w, h, QImage::Format_RGB888);
        image.fill(QColor::fromRgb(rgb));
        image.save(QString::fromStdString(path(name)), "BMP");
        return path(name);
    }

    std::vector<std::string> events;
    std::vector<engine::PresentParams> requests;
    int hardwareFailures = 0; // hardware attempts still to fail
    bool softwareFails = false;
    engine::DisplayMode desktop{1280, 1024, 60, 23}; // a 16-bit desktop, unlike the full-screen format

    SteppingClock clock;
    testsupport::RecordingDialogs dialogs{&events};
    CountingInputHost input;
    QTemporaryDir dir;
    std::unique_ptr<QRN> qrn;
    gfx::NullDevice* device_ = nullptr;
};

} // namespace enginetest
