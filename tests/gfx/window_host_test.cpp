#include "engine/qif.h"
#include "platform/window_host.h"

#include <QCloseEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include <functional>

#include <gtest/gtest.h>

namespace {

using platform::letterboxRect;
using platform::virtualKeyFromQt;
using platform::WindowHost;

TEST(VirtualKeys, QtKeysMapToWindowsCodesAndTheLetterboxKeepsTheAspect)
{
    struct Case {
        int qt, vk;
        Qt::KeyboardModifiers mods = Qt::NoModifier;
        quint32 native = 0;
    };
    const Case cases[] = {
        {Qt::Key_A, 'A'}, {Qt::Key_W, 'W', Qt::ShiftModifier}, {Qt::Key_0, '0'},
        {Qt::Key_Exclam, '1', Qt::ShiftModifier}, {Qt::Key_Escape, 27}, {Qt::Key_Space, 32}, {Qt::Key_Return, 13},
        {Qt::Key_Enter, 13, Qt::KeypadModifier}, {Qt::Key_F1, 112}, {Qt::Key_F12, 123}, {Qt::Key_Left, 37},
        {Qt::Key_Up, 38}, {Qt::Key_Right, 39}, {Qt::Key_Down, 40}, {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},
        {Qt::Key_Shift, 0xA0, Qt::NoModifier, 0xffe1}, {Qt::Key_Shift, 0xA1, Qt::NoModifier, 0xffe2},
        {Qt::Key_Control, 0xA2, Qt::NoModifier, 0xffe3}, {Qt::Key_Alt, 0xA4, Qt::NoModifier, 0xffe9},
        {Qt::Key_5, 0x65, Qt::KeypadModifier}, {Qt::Key_Delete, 46}, {Qt::Key_Comma, 0xBC},
        {Qt::Key_unknown, 0}, {Qt::Key_VolumeUp, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(virtualKeyFromQt(c.qt, c.mods, c.native), c.vk) << "Qt key 0x" << std::hex << c.qt;

    for (const auto& [window, shown] : {std::pair{QSize(640, 480), QRect(0, 0, 640, 480)},
                                        {QSize(1280, 480), QRect(320, 0, 640, 480)},
                                        {QSize(640, 960), QRect(0, 240, 640, 480)},
                                        {QSize(1920, 1080), QRect(240, 0, 1440, 1080)},
                                        {QSize(320, 240), QRect(0, 0, 320, 240)}, {QSize(0, 100), QRect()}})
        EXPECT_EQ(letterboxRect(window, QSize(640, 480)), shown) << window.width() << "x" << window.height();
}

class WindowHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(host.window()));
    }
    void send(QEvent* e) { QCoreApplication::sendEvent(host.window(), e); }
    void key(QEvent::Type type, int qtKey, quint32 native = 0, bool autoRepeat = false)
    {
        QKeyEvent e(type, qtKey, Qt::NoModifier, 0, native, 0, QString(), autoRepeat);
        send(&e);
    }
    void resizeTo(QSize size)
    {
        host.window()->resize(size);
        ASSERT_TRUE(QTest::qWaitFor([&] { return host.window()->size() == size; }));
    }
    int keyState(int vk) const { return host.keyTable()[std::size_t(vk)]; }
    // The window as the screen shows it once `at` is `colour`: the X server may show a swap after a
    // grab asked on another connection, so frames go on as in a game, for a second at most.
    QImage shownOnce(QPoint at, QColor colour, const std::function<void()>& nextFrame)
    {
        QImage shown;
        for (int frame = 0; frame < 50 && shown.pixelColor(at) != colour; ++frame) {
            nextFrame();
            QCoreApplication::processEvents();
            shown = host.window()->screen()->grabWindow(host.window()->winId()).toImage();
            QTest::qWait(20);
        }
        return shown;
    }

    WindowHost host;
};

TEST_F(WindowHostTest, KeysFillTheTableFocusLossClearsItCloseIsReportedF11TogglesFullScreenAndTapsAreSeen)
{
    // A key released after the table was read reads up; a repeat neither releases nor presses it.
    QTest::keyPress(host.window(), Qt::Key_A);
    key(QEvent::KeyPress, Qt::Key_W);
    host.keyTableRead();
    QTest::keyRelease(host.window(), Qt::Key_A);
    key(QEvent::KeyRelease, Qt::Key_W, 0, true);
    EXPECT_EQ((std::array{keyState('A') != 0, keyState('W') != 0, keyState('D') != 0}),
        (std::array{false, true, false}));
    key(QEvent::KeyRelease, Qt::Key_W);
    key(QEvent::KeyPress, Qt::Key_W, 0, true);
    EXPECT_EQ(keyState('W'), 0);

    key(QEvent::KeyPress, Qt::Key_Shift, 0xffe1);
    key(QEvent::KeyPress, Qt::Key_Shift, 0xffe2);
    EXPECT_TRUE(keyState(0x10) && keyState(0xA0) && keyState(0xA1));
    host.keyTableRead();
    key(QEvent::KeyRelease, Qt::Key_Shift, 0xffe1);
    EXPECT_NE(keyState(0x10), 0) << "right shift still down";
    key(QEvent::KeyRelease, Qt::Key_Shift, 0xffe2);
    EXPECT_EQ(keyState(0x10), 0);

    key(QEvent::KeyPress, Qt::Key_A);
    key(QEvent::KeyPress, Qt::Key_Control, 0xffe3);
    QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    send(&out);
    EXPECT_EQ(host.keyTable(), (std::array<std::uint8_t, 256>{})) << "keys stuck";

    // A close request is reported and the window stays; F11 toggles full screen.
    int calls = 0;
    host.setCloseHandler([&] { ++calls; });
    QCloseEvent close;
    send(&close);
    EXPECT_TRUE(calls == 1 && host.closeRequested() && host.window()->isVisible());
    host.clearCloseRequest();
    EXPECT_FALSE(host.closeRequested());
    QTest::keyPress(host.window(), Qt::Key_F11);
    EXPECT_TRUE(host.window()->windowStates() & Qt::WindowFullScreen);
    QTest::keyRelease(host.window(), Qt::Key_F11);
    QTest::keyPress(host.window(), Qt::Key_F11);
    EXPECT_FALSE(host.window()->windowStates() & Qt::WindowFullScreen);

    // A tap between polls reads pressed at the game's next poll, and released at the one after.
    QIF input(host);
    Q_Key escape;
    escape.setKey(0x1B);
    key(QEvent::KeyPress, Qt::Key_Escape);
    key(QEvent::KeyRelease, Qt::Key_Escape);
    input.checkKey(std::span<Q_Key>(&escape, 1));
    EXPECT_EQ(escape.getState(), 1);
    input.checkKey(std::span<Q_Key>(&escape, 1));
    EXPECT_EQ(escape.getState(), 0);
}

TEST_F(WindowHostTest, CursorIsReadInBackBufferPixelsButtonsAsTheirMaskAndPresentsAreLetterboxed)
{
    // Buttons arrive as their mask, before the window is active too.
    std::vector<int> masks;
    host.setMouseButtonHandler([&](int mask) { masks.push_back(mask); });
    for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
        QTest::mouseClick(host.window(), b, {}, QPoint(5, 5));
    EXPECT_EQ(masks, (std::vector<int>{1, 2, 4}));

    // The cursor's motion counts while the window is active, once the game has placed it.
    host.window()->requestActivate();
    ASSERT_TRUE(QTest::qWaitForWindowActive(host.window()));
    host.setCursor(320, 240);
    resizeTo(QSize(1600, 960)); // the picture doubled to 1280 x 960, with 160 px bars left and right
    auto moveTo = [&](QPointF at) {
        QMouseEvent move(QEvent::MouseMove, at, at, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        send(&move);
        return QPoint(host.cursorX(), host.cursorY());
    };
    EXPECT_EQ(moveTo(QPointF(261, 51)), QPoint(50, 25));
    host.setCursor(320, 240); // read back at once
    EXPECT_EQ(QPoint(host.cursorX(), host.cursorY()), QPoint(320, 240));
    EXPECT_EQ(host.backBufferToWindow(QPoint(320, 240)), QPointF(801, 481));

    host.setCaption(QStringLiteral("Code:Rinkfall"));
    EXPECT_EQ(host.window()->title(), QStringLiteral("Code:Rinkfall"));
    auto dev = host.createDevice(false);
    EXPECT_EQ(dev->backBufferWidth(), 640);
    dev->clear(d3d::CLEAR_TARGET | d3d::CLEAR_ZBUFFER, 0xFFFF0000, 1, 0);
    resizeTo(QSize(800, 300));
    ASSERT_TRUE(host.window()->isExposed());
    // The driver may take one frame to notice a new window size, as a running game would.
    EXPECT_NO_THROW(dev->present());
    QCoreApplication::processEvents();
    EXPECT_NO_THROW(dev->present());
    // Presenting must leave the back buffer as it was drawn.
    EXPECT_EQ(dev->readBackBuffer().pixelColor(320, 240), QColor(255, 0, 0));

    // 800 x 300 shows the picture at 400 x 300 in the middle, black bars either side.
    const QImage shown = shownOnce({205, 150}, QColor(255, 0, 0), [&] { dev->present(); });
    ASSERT_EQ(shown.size(), QSize(800, 300));
    const QColor black(0, 0, 0), red(255, 0, 0);
    EXPECT_EQ((std::array{shown.pixelColor(100, 150), shown.pixelColor(205, 150), shown.pixelColor(595, 5),
                  shown.pixelColor(700, 150)}),
        (std::array{black, red, red, black}));
}

TEST_F(WindowHostTest, AWindowNobodySeesIsNotDrawnUntilItIsSeenAgain)
{
    auto dev = host.createDevice(true);
    dev->setBackBufferLockable(true);
    const auto frame = [&](D3DCOLOR color) {
        dev->clear(d3d::CLEAR_TARGET, color, 1, 0);
        dev->present();
    };
    const auto backBuffer = [&] { return dev->readBackBuffer().pixelColor(10, 10); };
    frame(0xFF0000FF);
    EXPECT_EQ(backBuffer(), QColor(0, 0, 255));

    host.window()->hide();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !host.window()->isExposed(); }));
    frame(0xFF00FF00); // finds the window gone: the next frame is not drawn
    frame(0xFFFF0000);
    EXPECT_FALSE(dev->drawing());
    EXPECT_NE(backBuffer(), QColor(255, 0, 0));

    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(host.window()));
    frame(0xFFFF0000);
    frame(0xFFFFFF00);
    EXPECT_TRUE(dev->drawing());
    EXPECT_EQ(backBuffer(), QColor(255, 255, 0));
}

// At the back buffer's size frames go straight into the window and look as the copied ones did;
// once the window changes size, or the back buffer must stay readable, frames are copied again.
TEST_F(WindowHostTest, FramesAtTheBackBuffersSizeAreDrawnStraightIntoTheWindowAndLookTheSame)
{
    auto dev = host.createDevice(true);
    platform::TextureImage image{{{2, 2, {}}}};
    for (int texel = 0; texel < 4; ++texel) // green, half see-through
        image.levels[0].rgba.insert(image.levels[0].rgba.end(), {0, 255, 0, 128});
    const auto texture = dev->createTexture(image);
    const auto drawn = [&] { // the picture as drawn, before it is presented
        dev->setViewport({0, 0, 640, 480});
        dev->clear(d3d::CLEAR_TARGET | d3d::CLEAR_ZBUFFER, 0xFF000080, 1, 0);
        dev->setViewport({100, 50, 200, 100}); // counted from the top, as the clear must be
        dev->clear(d3d::CLEAR_TARGET, 0xFFFF0000, 1, 0);
        dev->beginSprites();
        dev->drawSprite({texture.get(), {0, 0, 2, 2}, {400, 464, 464, 400}, {300, 300, 332, 332}});
        dev->endSprites();
        return dev->readBackBuffer().convertToFormat(QImage::Format_RGB32);
    };
    ASSERT_EQ(host.window()->size(), QSize(640, 480));
    dev->setBackBufferLockable(true); // copied, and readable after the present
    const QImage copied = drawn();
    dev->present();
    EXPECT_FALSE(dev->drawsIntoWindow());
    EXPECT_EQ(dev->readBackBuffer().pixelColor(200, 100), QColor(255, 0, 0));
    EXPECT_EQ((std::array{copied.pixelColor(99, 100), copied.pixelColor(299, 149), copied.pixelColor(300, 150),
                  copied.pixelColor(432, 316)}),
        (std::array{QColor(0, 0, 128), QColor(255, 0, 0), QColor(0, 0, 128), QColor(0, 128, 64)}));

    dev->clear(d3d::CLEAR_TARGET, 0xFFFFFFFF, 1, 0); // what the back buffer keeps from now on
    dev->setBackBufferLockable(false);
    dev->present();
    ASSERT_TRUE(dev->drawsIntoWindow());
    EXPECT_EQ(drawn(), copied);
    const QImage shown = shownOnce({200, 100}, QColor(255, 0, 0), [&] {
        drawn();
        dev->present();
    });
    EXPECT_EQ(shown.pixelColor(200, 100), QColor(255, 0, 0));

    resizeTo(QSize(800, 300)); // the frame drawn for the old size is not shown; the next is copied
    dev->present();
    EXPECT_FALSE(dev->drawsIntoWindow());
    drawn();
    dev->present();
    EXPECT_FALSE(dev->drawsIntoWindow());
}

} // namespace
