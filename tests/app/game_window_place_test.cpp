// The game window opens where the player left it, kept in sight, and tells where it is at the end.

#include "platform/window_host.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

// A window full screen tells where it goes back to, not the screen; one saved off every screen
// opens inside the screen there is; one saved full screen opens full screen.
TEST(GameWindowPlacement, OpensWhereItWasInSightAndRemembersItsNormalPlace)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    platform::WindowHost host;
    host.place({QRect(screen.left() + 40, screen.top() + 30, 800, 600), false});
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(host.window()));
    const QRect normal = host.placement().geometry;
    EXPECT_EQ(normal, QRect(screen.left() + 40, screen.top() + 30, 800, 600));
    EXPECT_FALSE(host.placement().fullScreen);
    host.toggleFullScreen();
    ASSERT_TRUE(QTest::qWaitFor([&] { return host.window()->visibility() == QWindow::FullScreen; }));
    EXPECT_TRUE(host.placement().fullScreen);
    EXPECT_EQ(host.placement().geometry, normal);

    platform::WindowHost lost;
    lost.place({QRect(screen.right() + 3000, screen.bottom() + 2000, 640, 480), false});
    lost.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(lost.window()));
    EXPECT_TRUE(screen.contains(lost.window()->geometry())) << "opened out of sight";
    EXPECT_EQ(lost.window()->size(), QSize(640, 480));

    platform::WindowHost full;
    full.place({QRect(screen.left() + 10, screen.top() + 10, 640, 480), true});
    full.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return full.window()->visibility() == QWindow::FullScreen; }));
    EXPECT_EQ(full.placement().geometry, QRect(screen.left() + 10, screen.top() + 10, 640, 480));
}

} // namespace
