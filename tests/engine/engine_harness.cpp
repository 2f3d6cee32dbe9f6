#include "engine_harness.h"

#include "platform/bmp_texture.h"
#include "platform/xfile_parser.h"

#include <QFile>
#include <QImage>

#include <stdexcept>

namespace enginetest {

Harness::Harness(double clockStart, double clockTick) : clock(clockStart, clockTick)
{
    engine::QrnPlatform p;
    p.createDevice = [this](const engine::PresentParams& params, bool software) -> std::unique_ptr<gfx::Device> {
        requests.push_back({params, software});
        events.push_back(software ? "create:software" : "create:hardware");
        if (!software && hardwareFailures > 0) {
            --hardwareFailures;
            throw gfx::DeviceError("no hardware vertex processing", -2005530516);
        }
        if (software && softwareFails)
            throw gfx::DeviceError("no device at all", -2005530520);
        auto made = std::make_unique<LoggingDevice>(static_cast<int>(params.BackBufferWidth),
                                                    static_cast<int>(params.BackBufferHeight));
        device_ = made.get();
        return made;
    };
    p.displayMode = [this] { return desktop; };
    p.sizeWindow = [this](int w, int h, bool) { windowSizes.emplace_back(w, h); };
    p.loadTexture = [](const std::string& path) { return platform::loadBmpTexture(path); };
    p.loadMesh = [](const std::string& path) { return platform::loadXFile(path); };
    p.clock = &clock;
    p.dialogs = &dialogs;
    p.input = &input;
    p.title = "Rinkfall";
    qrn = std::make_unique<QRN>(std::move(p));
}

void Harness::init(std::int16_t useHardware, std::int16_t fullScreen)
{
    qrn->AutoDxInit(this, 640, 480, fullScreen, useHardware);
}

std::string Harness::writeFile(const std::string& name, const std::string& contents)
{
    const QString path = dir.filePath(QString::fromStdString(name));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write " + path.toStdString());
    f.write(contents.data(), static_cast<qint64>(contents.size()));
    return path.toStdString();
}

std::string Harness::writeBmp(const std::string& name, int w, int h, unsigned rgb)
{
    QImage image(w, h, QImage::Format_RGB888);
    image.fill(QColor::fromRgb(rgb));
    const QString path = dir.filePath(QString::fromStdString(name));
    if (!image.save(path, "BMP"))
        throw std::runtime_error("cannot write " + path.toStdString());
    return path.toStdString();
}

std::string Harness::missingPath(const std::string& name) const
{
    return dir.filePath(QString::fromStdString(name)).toStdString();
}

} // namespace enginetest
