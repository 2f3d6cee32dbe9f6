#include "platform/window_host.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

constexpr std::uint8_t kKeyDown = 0x80; // the high bit, as GetKeyboardState reports a pressed key

// X11 key symbols of the left/right modifiers.
constexpr quint32 kXShiftR = 0xffe2, kXControlR = 0xffe4, kXAltR = 0xffea;

int digitForShiftedSymbol(int qtKey)
{
    // US layout: the shifted symbols of the digit row, so Shift+1 still is the "1" key.
    switch (qtKey) {
    case Qt::Key_Exclam: return '1';
    case Qt::Key_At: return '2';
    case Qt::Key_NumberSign: return '3';
    case Qt::Key_Dollar: return '4';
    case Qt::Key_Percent: return '5';
    case Qt::Key_AsciiCircum: return '6';
    case Qt::Key_Ampersand: return '7';
    case Qt::Key_Asterisk: return '8';
    case Qt::Key_ParenLeft: return '9';
    case Qt::Key_ParenRight: return '0';
    default: return 0;
    }
}

int keypadKey(int qtKey)
{
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return 0x60 + (qtKey - Qt::Key_0); // VK_NUMPAD0..9
    switch (qtKey) {
    case Qt::Key_Asterisk: return 0x6A;
    case Qt::Key_Plus: return 0x6B;
    case Qt::Key_Minus: return 0x6D;
    case Qt::Key_Period: return 0x6E;
    case Qt::Key_Slash: return 0x6F;
    case Qt::Key_Enter: return 0x0D;
    default: return 0;
    }
}

} // namespace

int virtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeKey)
{
    if (modifiers & Qt::KeypadModifier)
        if (int vk = keypadKey(qtKey))
            return vk;
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return 'A' + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return '0' + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 0x70 + (qtKey - Qt::Key_F1);
    if (int digit = digitForShiftedSymbol(qtKey))
        return digit;
    switch (qtKey) {
    case Qt::Key_Backspace: return 0x08;
    case Qt::Key_Tab: case Qt::Key_Backtab: return 0x09;
    case Qt::Key_Return: case Qt::Key_Enter: return 0x0D;
    case Qt::Key_Shift: return nativeKey == kXShiftR ? 0xA1 : 0xA0;     // VK_RSHIFT / VK_LSHIFT
    case Qt::Key_Control: return nativeKey == kXControlR ? 0xA3 : 0xA2; // VK_RCONTROL / VK_LCONTROL
    case Qt::Key_Alt: case Qt::Key_AltGr: return nativeKey == kXAltR || qtKey == Qt::Key_AltGr ? 0xA5 : 0xA4;
    case Qt::Key_Pause: return 0x13;
    case Qt::Key_CapsLock: return 0x14;
    case Qt::Key_Escape: return 0x1B;
    case Qt::Key_Space: return 0x20;
    case Qt::Key_PageUp: return 0x21;
    case Qt::Key_PageDown: return 0x22;
    case Qt::Key_End: return 0x23;
    case Qt::Key_Home: return 0x24;
    case Qt::Key_Left: return 0x25;
    case Qt::Key_Up: return 0x26;
    case Qt::Key_Right: return 0x27;
    case Qt::Key_Down: return 0x28;
    case Qt::Key_Print: return 0x2C;
    case Qt::Key_Insert: return 0x2D;
    case Qt::Key_Delete: return 0x2E;
    case Qt::Key_NumLock: return 0x90;
    case Qt::Key_ScrollLock: return 0x91;
    case Qt::Key_Semicolon: case Qt::Key_Colon: return 0xBA;
    case Qt::Key_Equal: case Qt::Key_Plus: return 0xBB;
    case Qt::Key_Comma: case Qt::Key_Less: return 0xBC;
    case Qt::Key_Minus: case Qt::Key_Underscore: return 0xBD;
    case Qt::Key_Period: case Qt::Key_Greater: return 0xBE;
    case Qt::Key_Slash: case Qt::Key_Question: return 0xBF;
    case Qt::Key_QuoteLeft: case Qt::Key_AsciiTilde: return 0xC0;
    case Qt::Key_BracketLeft: case Qt::Key_BraceLeft: return 0xDB;
    case Qt::Key_Backslash: case Qt::Key_Bar: return 0xDC;
    case Qt::Key_BracketRight: case Qt::Key_BraceRight: return 0xDD;
    case Qt::Key_Apostrophe: case Qt::Key_QuoteDbl: return 0xDE;
    default: return 0;
    }
}

QRect letterboxRect(QSize window, QSize backBuffer)
{
    if (window.isEmpty() || backBuffer.isEmpty())
        return {};
    const double scale = std::min(double(window.width()) / backBuffer.width(),
                                  double(window.height()) / backBuffer.height());
    const int w = std::max(1, int(std::lround(backBuffer.width() * scale)));
    const int h = std::max(1, int(std::lround(backBuffer.height() * scale)));
    return QRect((window.width() - w) / 2, (window.height() - h) / 2, w, h);
}

// The QWindow itself: turns Qt events into calls on its host.
class GameWindow final : public QWindow {
public:
    explicit GameWindow(WindowHost* host) : host_(host) { setSurfaceType(QWindow::OpenGLSurface); }
    void detach() { host_ = nullptr; }

protected:
    bool event(QEvent* e) override
    {
        if (!host_)
            return QWindow::event(e);
        switch (e->type()) {
        case QEvent::KeyPress:
            host_->keyPressed(static_cast<QKeyEvent*>(e));
            return true;
        case QEvent::KeyRelease:
            host_->keyReleased(static_cast<QKeyEvent*>(e));
            return true;
        case QEvent::FocusOut:
        case QEvent::WindowDeactivate:
            host_->focusLost();
            host_->ownershipMayHaveChanged();
            break;
        case QEvent::FocusIn:
        case QEvent::WindowActivate:
        case QEvent::Expose:
        case QEvent::WindowStateChange:
        case QEvent::Hide:
        case QEvent::Show: {
            const bool handled = QWindow::event(e);
            host_->ownershipMayHaveChanged();
            return handled;
        }
        case QEvent::MouseMove:
            host_->mouseMoved(static_cast<QMouseEvent*>(e)->position());
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            auto* me = static_cast<QMouseEvent*>(e);
            host_->mousePressed(me->button(), me->position());
            return true;
        }
        case QEvent::Close:
            e->ignore(); // the game decides when the window goes
            host_->closeAsked();
            return true;
        default:
            break;
        }
        return QWindow::event(e);
    }

private:
    WindowHost* host_;
};

WindowHost::WindowHost(int backBufferWidth, int backBufferHeight)
    : backBuffer_(backBufferWidth, backBufferHeight),
      window_(std::make_shared<GameWindow>(this)),
      alive_(std::make_shared<bool>(true)),
      cursor_(backBufferWidth / 2, backBufferHeight / 2)
{
    window_->setFormat(windowFormat());
    window_->resize(backBuffer_);
    window_->setMinimumSize(QSize(64, 48));
    window_->create();
}

WindowHost::~WindowHost()
{
    *alive_ = false;
    window_->detach();
}

QWindow* WindowHost::window() const { return window_.get(); }

void WindowHost::show()
{
    if (opensFullScreen_)
        window_->showFullScreen();
    else
        window_->show();
}

void WindowHost::place(const WindowPlacement& placement)
{
    QList<QRect> screens;
    if (QScreen* primary = QGuiApplication::primaryScreen())
        screens.append(primary->availableGeometry());
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen != QGuiApplication::primaryScreen())
            screens.append(screen->availableGeometry());
    }
    const QRect geometry = keepInSight(placement.geometry, screens);
    if (!geometry.isEmpty()) {
        window_->setGeometry(QRect(geometry.topLeft(), geometry.size().expandedTo(window_->minimumSize())));
        normalGeometry_ = window_->geometry();
    }
    opensFullScreen_ = placement.fullScreen;
}

WindowPlacement WindowHost::placement() const
{
    WindowPlacement p;
    p.fullScreen = window_->visibility() == QWindow::FullScreen;
    p.geometry = p.fullScreen && normalGeometry_.isValid() ? normalGeometry_ : window_->geometry();
    return p;
}

void WindowHost::setCaption(const QString& caption) { window_->setTitle(caption); }

void WindowHost::toggleFullScreen()
{
    if (window_->visibility() == QWindow::FullScreen) {
        window_->showNormal();
    } else {
        normalGeometry_ = window_->geometry();
        window_->showFullScreen();
    }
}

void WindowHost::processEvents() { QCoreApplication::processEvents(); }

void WindowHost::setCursorVisible(bool visible)
{
    cursorHidden_ = !visible;
    applyCursorShape();
}

void WindowHost::applyCursorShape()
{
    if (cursorHidden_ && ownsCursor_)
        window_->setCursor(Qt::BlankCursor);
    else
        window_->unsetCursor();
}

void WindowHost::setCursor(int x, int y)
{
    cursor_ = QPoint(x, y);
    if (!ownsCursor_)
        return;
    // The window pixel that holds the back-buffer pixel's middle: rounding could land on the next
    // pixel, and every poll would then read a turn that nobody made.
    const QPointF local = backBufferToWindow(cursor_);
    const QPoint pixel(int(std::floor(local.x())), int(std::floor(local.y())));
    QCursor::setPos(window_->mapToGlobal(pixel));
    awaitingPlacement_ = false;
}

void WindowHost::ownershipMayHaveChanged()
{
    const bool owns = window_->isActive() && window_->isExposed()
                      && !(window_->windowStates() & Qt::WindowMinimized);
    if (owns == ownsCursor_)
        return;
    ownsCursor_ = owns;
    if (owns)
        awaitingPlacement_ = true;
    applyCursorShape();
}

QPoint WindowHost::windowToBackBuffer(QPointF windowPos) const
{
    const QRect box = letterboxRect(window_->size(), backBuffer_);
    if (box.isEmpty())
        return cursor_;
    const double x = (windowPos.x() - box.x()) * backBuffer_.width() / box.width();
    const double y = (windowPos.y() - box.y()) * backBuffer_.height() / box.height();
    return QPoint(int(std::floor(x)), int(std::floor(y)));
}

QPointF WindowHost::backBufferToWindow(QPoint p) const
{
    const QRect box = letterboxRect(window_->size(), backBuffer_);
    if (box.isEmpty())
        return QPointF(p);
    // The middle of the back-buffer pixel, so mapping back lands on the same pixel.
    return QPointF(box.x() + (p.x() + 0.5) * box.width() / backBuffer_.width(),
                   box.y() + (p.y() + 0.5) * box.height() / backBuffer_.height());
}

void WindowHost::keyPressed(QKeyEvent* event)
{
    if (event->isAutoRepeat())
        return;
    if (event->key() == Qt::Key_F11)
        toggleFullScreen();
    const int vk = virtualKeyFromQt(event->key(), event->modifiers(), event->nativeVirtualKey());
    if (vk <= 0 || vk > 255)
        return;
    held_[vk] = true;
    unread_[vk] = true;
    keys_[vk] = kKeyDown;
    deriveGenericModifiers();
}

void WindowHost::keyReleased(QKeyEvent* event)
{
    if (event->isAutoRepeat())
        return;
    const int vk = virtualKeyFromQt(event->key(), event->modifiers(), event->nativeVirtualKey());
    if (vk <= 0 || vk > 255)
        return;
    held_[vk] = false;
    // A tap quicker than a frame still reaches the next poll.
    if (!unread_[vk])
        keys_[vk] = 0;
    deriveGenericModifiers();
}

void WindowHost::keyTableRead()
{
    unread_.fill(false);
    for (std::size_t vk = 0; vk < keys_.size(); ++vk)
        keys_[vk] = held_[vk] ? kKeyDown : 0;
    deriveGenericModifiers();
}

// The generic modifier codes are down while either side is.
void WindowHost::deriveGenericModifiers()
{
    constexpr std::array<std::array<int, 3>, 3> sides{{{0x10, 0xA0, 0xA1}, {0x11, 0xA2, 0xA3}, {0x12, 0xA4, 0xA5}}};
    for (const auto& [generic, left, right] : sides)
        keys_[std::size_t(generic)] = keys_[std::size_t(left)] || keys_[std::size_t(right)] ? kKeyDown : 0;
}

void WindowHost::focusLost()
{
    // Releases that happen in another window never reach us: forget every key so none sticks.
    keys_.fill(0);
    held_.fill(false);
    unread_.fill(false);
}

void WindowHost::mouseMoved(QPointF windowPos)
{
    if (ownsCursor_ && !awaitingPlacement_)
        cursor_ = windowToBackBuffer(windowPos);
}

void WindowHost::mousePressed(Qt::MouseButton button, QPointF windowPos)
{
    mouseMoved(windowPos);
    int mask = 0;
    if (button == Qt::LeftButton)
        mask = 1;
    else if (button == Qt::RightButton)
        mask = 2;
    else if (button == Qt::MiddleButton)
        mask = 4;
    if (mask && mouseHandler_)
        mouseHandler_(mask);
}

void WindowHost::closeAsked()
{
    closeRequested_ = true;
    if (closeHandler_)
        closeHandler_();
}

std::unique_ptr<gfx::GlDevice> WindowHost::createDevice(bool software)
{
    if (software)
        gfx::requestSoftwareRenderer();
    auto context = std::make_shared<QOpenGLContext>();
    context->setFormat(windowFormat());
    if (!context->create())
        throw gfx::DeviceError("cannot create an OpenGL context");
    const QSurfaceFormat got = context->format();
    if (got.version() < qMakePair(3, 3) || got.profile() != QSurfaceFormat::CoreProfile)
        throw gfx::DeviceError("OpenGL 3.3 core is not available");
    context_ = context;
    canDrawIntoWindow_ = got.depthBufferSize() >= 24 && got.stencilBufferSize() >= 8;

    // The device keeps the window and its context alive for as long as it exists.
    struct Keep {
        std::shared_ptr<GameWindow> window;
        std::shared_ptr<QOpenGLContext> context; // released before the window
    };
    auto keep = std::make_shared<Keep>(Keep{window_, context});
    auto device = std::make_unique<gfx::GlDevice>(context.get(), window_.get(), backBuffer_.width(),
                                                  backBuffer_.height(), std::move(keep));
    gfx::GlDevice* raw = device.get();
    device->setPresentHook([this, alive = alive_, raw] {
        if (*alive)
            presentFrame(*raw);
    });
    return device;
}

// Frames may be drawn straight into the window, so it has the back buffer's depth and stencil. No
// alpha: what the game leaves in the alpha channel must not make the window see-through.
QSurfaceFormat WindowHost::windowFormat()
{
    QSurfaceFormat format = gfx::coreProfileFormat();
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(8);
    format.setAlphaBufferSize(0);
    return format;
}

// Drawing for a window that is minimised or fully covered shows nothing to anyone. Until the
// window is first shown on screen it draws, so a picture is ready for the first expose.
bool WindowHost::worthDrawing() const
{
    return window_->isExposed() || !everExposed_;
}

// The device draws the next frame only when someone can see it; the frame that finds the window
// seen again was not drawn, so it is not shown either.
//
// While the window shows the picture at exactly the back buffer's size, frames are drawn straight
// into it: the copy from the back buffer would cost a software renderer as much as drawing the
// sheet. A frame drawn straight in for a window whose size changed meanwhile is not shown.
void WindowHost::presentFrame(gfx::GlDevice& device)
{
    everExposed_ = everExposed_ || window_->isExposed();
    const bool wasDrawing = device.drawing();
    const bool drewIntoWindow = device.drawsIntoWindow();
    device.setDrawing(worthDrawing());
    device.drawIntoWindow(std::nullopt);
    if (!window_->isExposed() || !wasDrawing)
        return;
    const qreal ratio = window_->devicePixelRatio();
    const QSize pixels(int(std::lround(window_->width() * ratio)), int(std::lround(window_->height() * ratio)));
    const QRect box = letterboxRect(pixels, backBuffer_);
    if (box.isEmpty())
        return;
    const bool exact = pixels == backBuffer_;
    if (drewIntoWindow && !exact)
        return;
    // GL counts rows from the bottom.
    if (!drewIntoWindow)
        device.blitBackBuffer(context_->defaultFramebufferObject(), pixels.width(), pixels.height(), box.x(),
                              pixels.height() - box.y() - box.height(), box.width(), box.height());
    context_->swapBuffers(window_.get());
    if (exact && canDrawIntoWindow_ && !device.backBufferLockable())
        device.drawIntoWindow(context_->defaultFramebufferObject());
}

} // namespace platform
