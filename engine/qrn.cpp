#include "engine/qrn.h"

#include "engine/engine_errors.h"
#include "engine/q_light.h"
#include "engine/q_tex.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/input_host.h"

#include <QCoreApplication>

#include <algorithm>
#include <bit>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace {

std::uint32_t d3dBool(std::int16_t value)
{
    return value != 0 ? 1u : 0u;
}

D3DCOLOR colorXrgb(std::int32_t r, std::int32_t g, std::int32_t b)
{
    return 0xFF000000u | (static_cast<std::uint32_t>(r & 0xFF) << 16) | (static_cast<std::uint32_t>(g & 0xFF) << 8)
        | static_cast<std::uint32_t>(b & 0xFF);
}

const char* const kSoftwareFallbackMessage = QT_TRANSLATE_NOOP(
    "QRN", "このシステムではハードウェア頂点処理が使用できないため、ソフトウェア頂点処理モードに変更します。");
const char* const kSoftwareModeMessage = QT_TRANSLATE_NOOP("QRN", "ソフトウェアモード");

std::string translated(const char* japanese)
{
    return QCoreApplication::translate("QRN", japanese).toStdString();
}

} // namespace

namespace engine {

int pointsToPixels(int points)
{
    return static_cast<int>(std::lround(points * 96.0 / 72.0));
}

std::unique_ptr<gfx::Texture> D3dx::createTextureFromFile(const std::string& path)
{
    if (!platform_.loadTexture)
        throw gfx::DeviceError("no texture loader");
    return device_.createTexture(platform_.loadTexture(path));
}

std::unique_ptr<gfx::Mesh> D3dx::loadMeshFromX(const std::string& path)
{
    if (!platform_.loadMesh)
        throw gfx::DeviceError("no mesh loader");
    return device_.createMesh(platform_.loadMesh(path));
}

} // namespace engine

QRN::QRN(engine::QrnPlatform platform) : platform_(std::move(platform))
{
    if (!platform_.createDevice || !platform_.clock || !platform_.dialogs || !platform_.input)
        throw std::invalid_argument("QRN needs a device factory, a clock, dialogs and an input host");
}

QRN::~QRN() = default;

void QRN::AutoDxInit(engine::FormRef refForm, std::int16_t Width, std::int16_t Height, std::int16_t FullScreen,
                     std::int16_t UseHardware)
{
    setForm(refForm);
    setDisplay(Width, Height, FullScreen, UseHardware);
    createDx8Graphic();
}

void QRN::setDisplay(std::int16_t Width, std::int16_t Height, std::int16_t FullScreen, std::int16_t UseHardware)
{
    width = Width;
    height = Height;
    fullScreen = FullScreen;
    useHardware = UseHardware;
    if (platform_.sizeWindow)
        platform_.sizeWindow(Width, Height, FullScreen != 0);
}

void QRN::fillPresentParams()
{
    presentParams = {};
    presentParams.Windowed = fullScreen == 0;
    presentParams.BackBufferWidth = static_cast<std::uint32_t>(width);
    presentParams.BackBufferHeight = static_cast<std::uint32_t>(height);
    presentParams.BackBufferFormat = fullScreen != 0 ? engine::FMT_X8R8G8B8 : displayMode.Format;
    presentParams.BackBufferCount = 1;
    presentParams.EnableAutoDepthStencil = true;
    presentParams.AutoDepthStencilFormat = engine::FMT_D24S8;
    presentParams.FullScreen_RefreshRateInHz = fullScreen != 0 ? 75 : 0;
}

std::unique_ptr<gfx::Device> QRN::createDevice(bool software)
{
    std::unique_ptr<gfx::Device> made = platform_.createDevice(presentParams, software);
    if (!made)
        throw gfx::DeviceError("the device could not be created");
    return made;
}

void QRN::createDx8Graphic()
{
    if (platform_.displayMode)
        displayMode = platform_.displayMode();
    else
        displayMode = engine::DisplayMode{static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height), 60,
                                          engine::FMT_X8R8G8B8};
    fillPresentParams();

    std::unique_ptr<gfx::Device> made;
    if (useHardware != 0) {
        try {
            made = createDevice(false);
        } catch (const std::exception&) {
            showMessage(translated(kSoftwareFallbackMessage));
            made = createDevice(true); // a failure here reaches the caller
            useHardware = False;
        }
    } else {
        showMessage(translated(kSoftwareModeMessage));
        made = createDevice(true);
    }
    device = std::move(made);
    d3dx = std::make_unique<engine::D3dx>(platform_, *device);
}

gfx::Device& QRN::getDDD() const
{
    if (!device)
        throw gfx::DeviceError("no device: createDx8Graphic has not run");
    return *device;
}

engine::D3dx& QRN::getDDX() const
{
    if (!d3dx)
        throw gfx::DeviceError("no device: createDx8Graphic has not run");
    return *d3dx;
}

void QRN::showMessage(const std::string& text) const
{
    platform_.dialogs->messageBox(text, platform_.title);
}

void QRN::set3DSystem(std::int16_t gouraud, std::int16_t solid, std::int16_t lighting)
{
    gfx::Device& d = getDDD();
    d.setRenderState(d3d::RS_SHADEMODE, gouraud != 0 ? d3d::SHADE_GOURAUD : d3d::SHADE_FLAT);
    d.setRenderState(d3d::RS_FILLMODE, solid != 0 ? d3d::FILL_SOLID : d3d::FILL_WIREFRAME);
    d.setRenderState(d3d::RS_CULLMODE, d3d::CULL_CCW);
    d.setRenderState(d3d::RS_ZWRITEENABLE, 1);
    d.setRenderState(d3d::RS_ZENABLE, d3d::ZB_TRUE);
    d.setRenderState(d3d::RS_LIGHTING, d3dBool(lighting));
}

void QRN::CanSpecular(std::int16_t mode)
{
    getDDD().setRenderState(d3d::RS_SPECULARENABLE, d3dBool(mode));
}

void QRN::CanAlpha(std::int16_t mode, std::int16_t ref, std::int32_t D3DCMP_function)
{
    gfx::Device& d = getDDD();
    d.setRenderState(d3d::RS_ALPHATESTENABLE, d3dBool(mode));
    d.setRenderState(d3d::RS_ALPHABLENDENABLE, d3dBool(mode));
    d.setRenderState(d3d::RS_ALPHAREF, static_cast<std::uint32_t>(ref));
    d.setRenderState(d3d::RS_ALPHAFUNC, static_cast<std::uint32_t>(D3DCMP_function));
    d.setRenderState(d3d::RS_SRCBLEND, d3d::BLEND_SRCALPHA);
    d.setRenderState(d3d::RS_DESTBLEND, d3d::BLEND_INVSRCALPHA);
}

void QRN::DisplayClear(D3DCOLOR color)
{
    getDDD().clear(d3d::CLEAR_TARGET | d3d::CLEAR_ZBUFFER, color, 1.0f, 0);
}

void QRN::SceneBegin()
{
    numDrawVertex = 0;
    numDrawFace = 0;
    alphaCount = 0;
    alphaQueue.clear();
    numDrawLight = 0;
    getDDD().beginScene();
}

void QRN::SceneEnd()
{
    getDDD().endScene();
}

// Sleeps until the present is due, kFrameInterval after the previous one was, and returns the time
// it is due at. Presents stay on that grid however late each wake-up comes, so a run keeps a steady
// 100 frames per second. A late frame, or a clock that went backwards (it restarted), is presented
// at once and starts a new grid; a clock that does not move (a virtual one driven by its owner) never
// hangs the frame, as the sleep is a single call.
double QRN::waitForNextFrame()
{
    platform::Clock& clock = *platform_.clock;
    const double due = lastFlipTime + kFrameInterval;
    const double now = clock.now();
    if (now >= due || now < lastFlipTime)
        return now;
    platform_.input->processEvents();
    clock.sleepUntil(due);
    const double woke = clock.now();
    return woke >= lastFlipTime && woke < due + kFrameInterval ? due : woke;
}

void QRN::Flip()
{
    gfx::Device& d = getDDD();
    lastFlipTime = waitForNextFrame();
    d.present();
}

std::int16_t QRN::checkFPS()
{
    const double now = platform_.clock->now();
    if (std::floor(now) != std::floor(fpsSecond)) {
        runTime = engine::checkedAdd<std::int32_t>(runTime, 1, "runTime");
        fpsSecond = now;
        fps = frameCount;
        frameCount = 0;
    } else {
        frameCount = engine::checkedAdd<std::int16_t>(frameCount, 1, "frameCount");
    }
    return fps;
}

std::int16_t QRN::getFPS()
{
    if (fps == 0)
        fps = 1; // callers divide by it
    return fps;
}

std::int16_t QRN::getRunTime() const
{
    return engine::checkedNarrow<std::int16_t>(runTime, "runTime");
}

void QRN::addNumDrawVertex(std::int32_t res)
{
    numDrawVertex = engine::checkedAdd<std::int32_t>(numDrawVertex, res, "numDrawVertex");
}

void QRN::addNumDrawFace(std::int32_t res)
{
    numDrawFace = engine::checkedAdd<std::int32_t>(numDrawFace, res, "numDrawFace");
}

void QRN::setTexture(const Q_Tex& tex)
{
    getDDD().setTexture(0, tex.getTex());
}

void QRN::setAmbient(std::int16_t red, std::int16_t green, std::int16_t blue)
{
    getDDD().setRenderState(d3d::RS_AMBIENT, colorXrgb(red, green, blue));
}

void QRN::drawLight(std::span<const Q_Light> Light)
{
    gfx::Device& d = getDDD();
    for (const Q_Light& light : Light) {
        if (light.getSwitch() == 0)
            continue;
        const auto index = static_cast<std::uint32_t>(numDrawLight);
        d.lightEnable(index, true);
        d.setLight(index, light.getLight());
        numDrawLight = engine::checkedAdd<std::int32_t>(numDrawLight, 1, "numDrawLight");
    }
}

void QRN::setFog(std::int16_t enable, const std::string& mode, std::int16_t r, std::int16_t g, std::int16_t b,
                 float startOrExp, float endFog)
{
    if (enable == False) {
        getDDD().setRenderState(d3d::RS_FOGENABLE, 0);
        return;
    }
    if (enable != True)
        return;
    gfx::Device& d = getDDD();
    const auto bits = [](float f) { return static_cast<std::uint32_t>(FtoDW(f)); };
    d.setRenderState(d3d::RS_FOGENABLE, 1);
    d.setRenderState(d3d::RS_RANGEFOGENABLE, 0);
    d.setRenderState(d3d::RS_FOGCOLOR, colorXrgb(r, g, b));
    d.setRenderState(d3d::RS_FOGTABLEMODE, d3d::FOG_NONE);
    if (mode == "Exp" || mode == "Exp2") {
        d.setRenderState(d3d::RS_FOGVERTEXMODE, mode == "Exp" ? d3d::FOG_EXP : d3d::FOG_EXP2);
        d.setRenderState(d3d::RS_FOGDENSITY, bits(startOrExp));
    } else if (mode == "Linear") {
        d.setRenderState(d3d::RS_FOGVERTEXMODE, d3d::FOG_LINEAR);
        d.setRenderState(d3d::RS_FOGSTART, bits(startOrExp));
        d.setRenderState(d3d::RS_FOGEND, bits(endFog));
    }
}

std::int32_t QRN::FtoDW(float f)
{
    return std::bit_cast<std::int32_t>(f);
}
