#pragma once

// The game window: a QWindow showing the device's back buffer scaled and letterboxed, and the
// source of the keyboard table, mouse clicks and cursor that the input layer reads.

#include "platform/gfx/gl_device.h"
#include "platform/input_host.h"
#include "platform/window_placement.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QSurfaceFormat>
#include <QString>

#include <functional>
#include <memory>

class QOpenGLContext;
class QKeyEvent;
class QWindow;

namespace platform {

class GameWindow;

// Windows virtual-key code of a Qt key event (0 when it has none). `nativeKey` is the platform's
// key symbol; it tells left from right modifiers where the platform says.
int virtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeKey = 0);

// Where a back buffer of `backBuffer` pixels lands in a window of `window` pixels, aspect kept,
// centred, in window coordinates (origin top-left).
QRect letterboxRect(QSize window, QSize backBuffer);

class WindowHost final : public InputHost {
public:
    explicit WindowHost(int backBufferWidth = 640, int backBufferHeight = 480);
    ~WindowHost() override;
    WindowHost(const WindowHost&) = delete;
    WindowHost& operator=(const WindowHost&) = delete;

    // --- InputHost ----------------------------------------------------------------------------
    const std::array<std::uint8_t, 256>& keyTable() const override { return keys_; }
    void keyTableRead() override;
    int cursorX() const override { return cursor_.x(); }
    int cursorY() const override { return cursor_.y(); }
    void setCursor(int x, int y) override;
    void setCursorVisible(bool visible) override;
    void processEvents() override;

    // --- window -------------------------------------------------------------------------------
    void show();
    void setCaption(const QString& caption);
    void toggleFullScreen();
    // Where the window opens at show(), kept in sight of the screens there are now; full screen
    // if the placement was.
    void place(const WindowPlacement& placement);
    // Where the window is now, for place() in a later run.
    WindowPlacement placement() const;
    QWindow* window() const;
    QSize backBufferSize() const { return backBuffer_; }

    // A device drawing for this window; present() shows its back buffer here. `software` asks for
    // Mesa's software renderer. Throws gfx::DeviceError when no OpenGL 3.3 core context is had.
    std::unique_ptr<gfx::GlDevice> createDevice(bool software);
    static QSurfaceFormat windowFormat();

    // Mouse buttons pressed, as the mask 1 left, 2 right, 4 middle, at the moment they go down.
    void setMouseButtonHandler(std::function<void(int)> handler) { mouseHandler_ = std::move(handler); }
    // The window's close button: the window stays; the game decides (it treats it like Esc).
    void setCloseHandler(std::function<void()> handler) { closeHandler_ = std::move(handler); }
    bool closeRequested() const { return closeRequested_; }
    void clearCloseRequest() { closeRequested_ = false; }

    // Window pixels <-> back-buffer pixels through the letterbox.
    QPoint windowToBackBuffer(QPointF windowPos) const;
    QPointF backBufferToWindow(QPoint backBufferPos) const;

private:
    friend class GameWindow;
    void keyPressed(QKeyEvent* event);
    void keyReleased(QKeyEvent* event);
    void focusLost();
    void deriveGenericModifiers();
    // The cursor is the game's (moved by it, hidden when it asks) only while the window is active
    // and shown; otherwise it is left where the user puts it, visible.
    void ownershipMayHaveChanged();
    void applyCursorShape();
    void mouseMoved(QPointF windowPos);
    void mousePressed(Qt::MouseButton button, QPointF windowPos);
    void closeAsked();
    void presentFrame(gfx::GlDevice& device);
    bool worthDrawing() const;

    QSize backBuffer_;
    std::shared_ptr<GameWindow> window_;
    std::shared_ptr<QOpenGLContext> context_;
    std::shared_ptr<bool> alive_;

    std::array<std::uint8_t, 256> keys_{}; // what the next poll reads
    std::array<bool, 256> held_{};         // down on the keyboard now
    std::array<bool, 256> unread_{};       // pressed since the table was last read
    QPoint cursor_;
    bool ownsCursor_ = false;
    bool cursorHidden_ = false; // as the game asked
    // Back from another window, the cursor is wherever the user left it: its position counts
    // again only once the game has put it back, so the view does not jump.
    bool awaitingPlacement_ = false;
    bool closeRequested_ = false;
    bool everExposed_ = false;
    bool canDrawIntoWindow_ = false; // the window's framebuffer has the depth and stencil frames need
    bool opensFullScreen_ = false;
    QRect normalGeometry_; // where full screen goes back to
    std::function<void(int)> mouseHandler_;
    std::function<void()> closeHandler_;
};

} // namespace platform
