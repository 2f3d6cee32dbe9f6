#include "engine_harness.h"

#include <QFile>
#include <QImage>

#include <stdexcept>

namespace enginetest {

Harness::Harness(double clockStart, double clockTick, platform::Clock* otherClock) : clock(clockStart, clockTick)
{
    engine::QrnPlatform p;
    p.createDevice = [this](const engine::PresentParams& params, bool software) -> std::unique_ptr<gfx::Device> {
        requests.push_back(params);
        events.push_back(software ? "create:software" : "create:hardware");
        if ((!software && hardwareFailures-- > 0) || (software && softwareFails))
            throw gfx::DeviceError("vertex processing not available", -2005530516);
        if (makeDevice)
            return makeDevice(int(params.BackBufferWidth), int(params.BackBufferHeight), software);
        const int w = int(params.BackBufferWidth), h = int(params.BackBufferHeight);
        auto made = std::make_unique<gfx::NullDevice>(w, h);
        device_ = made.get();
        return made;
    };
    p.displayMode = [this] { return desktop; };
    p.sizeWindow = [this](int w, int h, bool) { events.push_back("size:" + std::to_string(w) + "x" + std::to_string(h)); };
    testsupport::useRealLoaders(p);
    p.clock = otherClock ? otherClock : &clock;
    p.dialogs = &dialogs;
    p.input = &input;
    qrn = std::make_unique<QRN>(std::move(p));
}

void Harness::init(std::int16_t useHardware, std::int16_t fullScreen)
{
    qrn->AutoDxInit(this, 640, 480, fullScreen, useHardware);
}

std::string Harness::writeFile(const std::string& name, const std::string& contents)
{
    QFile f(dir.filePath(QString::fromStdString(name)));
    if (!f.open(QIODevice::WriteOnly) || f.write(contents.data(), qint64(contents.size())) != qint64(contents.size()))
        throw std::runtime_error("cannot write " + name);
    return f.fileName().toStdString();
}

std::string Harness::writeBmp(const std::string& name, int w, int h, unsigned rgb)
{
    QImage image(w, h, QImage::Format_RGB888);
    image.fill(QColor::fromRgb(rgb));
    const QString path = dir.filePath(QString::fromStdString(name));
    if (!image.save(path, "BMP"))
        throw std::runtime_error("cannot write " + name);
    return path.toStdString();
}

} // namespace enginetest
